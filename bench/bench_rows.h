// What the rows-at-scale benchmarks of every desktop share, none of it
// needing a GUI: the heap in use, the rows they fill (distinct items with a
// longer description, random words of mixed case, random decimal numbers),
// the sizes of the growth table, and a console reporter that prints, after
// the usual lines, the growth table: each work at each size beside its peer,
// the ratio, and its growth against n and n log n from the smallest size.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "korvane/toolkit/widgets.h"

namespace korvane::bench {

// Bytes the heap holds, mapped blocks included.
inline std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct Texts {
    std::vector<std::string> col1;
    std::vector<std::string> col2;
};

// The fill and removal rows: distinct items with a longer description.
inline const Texts& PlainRows() {
    static const Texts rows = [] {
        Texts t;
        for (int i = 0; i < tk::ListBox::MaxEntries; ++i) {
            t.col1.push_back("Item " + std::to_string(i * 7919 % 100003));
            t.col2.push_back("Description of row number " + std::to_string(i));
        }
        return t;
    }();
    return rows;
}

// The sort rows: column 1 random words of mixed case (3 to 12 letters) or
// random decimal numbers, column 2 the row's number.
struct SortRows {
    std::vector<std::string> words;
    std::vector<std::string> numbers;
    std::vector<std::string> rowNumbers;
};

inline const SortRows& RandomSortRows() {
    static const SortRows rows = [] {
        SortRows t;
        std::mt19937 random(20261207);
        std::uniform_int_distribution<int> letter(0, 51);
        std::uniform_int_distribution<int> length(3, 12);
        std::uniform_real_distribution<double> value(-100000, 100000);
        for (int i = 0; i < tk::ListBox::MaxEntries; ++i) {
            std::string word;
            for (int n = length(random); n > 0; --n) {
                const int l = letter(random);
                word += static_cast<char>(l < 26 ? 'a' + l : 'A' + l - 26);
            }
            t.words.push_back(word);
            t.numbers.push_back(std::to_string(value(random)));
            t.rowNumbers.push_back(std::to_string(i));
        }
        return t;
    }();
    return rows;
}

// The search rows: realistic two-column rows, a customer number and a
// name with its town, some with accents, distinct from row to row.
inline const Texts& SearchRows() {
    static const Texts rows = [] {
        static const char* const first[] = {"Anna",  "Jürgen", "Marie", "Lukas", "Sofía", "Peter", "Émile", "Ingrid",
                                            "Tomás", "Hanna",  "Olaf",  "Zoë",   "Karl",  "Lena",  "Björn"};
        static const char* const last[] = {"Müller", "Schmidt", "Berger", "Dubois",    "García", "Novak",   "Jensen",
                                           "Rossi",  "Keller",  "Weiß",   "Lindqvist", "Moreau", "Fischer", "Kovač"};
        static const char* const towns[] = {"Berlin", "Hamburg", "München", "Köln",  "Zürich", "Wien",   "Paris",
                                            "Lyon",   "Malmö",   "Kraków",  "Porto", "Graz",   "Bremen", "Genève"};
        Texts t;
        std::mt19937 random(1207);
        for (int i = 0; i < tk::ListBox::MaxEntries; ++i) {
            t.col1.push_back("K-" + std::to_string(100000 + i * 37 % 900000));
            t.col2.push_back(std::string(first[random() % 15]) + " " + last[random() % 14] + ", " +
                             towns[random() % 14]);
        }
        return t;
    }();
    return rows;
}

// The queries typed key by key in the search benchmarks: 1 to 6 letters.
inline const std::vector<std::string>& SearchQueries() {
    static const std::vector<std::string> queries = {"m", "mü", "mül", "müll", "mülle", "müller"};
    return queries;
}

// Where a removal benchmark takes each row from.
enum class Where { Front, Back, Random };

// Removes `n` rows one by one through `remove(index)`, each from `where`;
// random places come from a fixed seed, so every run removes the same rows.
template <class Remove>
void RemoveEach(std::int32_t n, Where where, Remove remove) {
    std::mt19937 random(7);
    for (std::int32_t left = n; left > 0; --left) {
        std::int32_t at = 0;
        if (where == Where::Back)
            at = left - 1;
        else if (where == Where::Random)
            at = std::uniform_int_distribution<std::int32_t>(0, left - 1)(random);
        remove(at);
    }
}

// The sizes of the growth table, in milliseconds.
inline void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 4000, 16000, 32767})
        b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

// One line of the growth table: a work, the benchmark that measures the
// control, and the one that measures its peer (nullptr: none in this
// process).
struct GrowthRow {
    const char* what;
    const char* control;
    const char* peer;
};

// Prints each run as the console does, and at the end the growth table of
// `rows` (CPU time; the median when repetitions were asked for). A
// benchmark without an argument shows n as "-" and no growth. Colours only
// on a terminal, so a saved run reads plainly.
class GrowthTable final : public benchmark::ConsoleReporter {
public:
    GrowthTable(std::vector<GrowthRow> rows, std::string peerName)
        : ConsoleReporter(isatty(fileno(stdout)) != 0 ? OO_Defaults : OO_Tabular),
          rows_(std::move(rows)),
          peerName_(std::move(peerName)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string args = run.run_name.args;
            times_[run.run_name.function_name][args] = seconds;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::FILE* out = stdout;
        std::fprintf(out, "\nGrowth table (CPU time; ratio = control / %s; growth from the smallest size)\n",
                     peerName_.c_str());
        std::fprintf(out, "%-16s %7s %12s %12s %8s %8s %8s %8s\n", "work", "n", "control", "peer", "ratio", "growth",
                     "n", "n log n");
        for (const GrowthRow& row : rows_) {
            auto control = times_.find(row.control);
            if (control == times_.end())
                continue;
            const auto peer = row.peer != nullptr ? times_.find(row.peer) : times_.end();
            std::vector<std::pair<long, std::string>> sizes;
            for (const auto& [args, seconds] : control->second)
                sizes.emplace_back(std::atol(args.c_str()), args);
            std::sort(sizes.begin(), sizes.end());
            const double first = control->second[sizes.front().second];
            const auto n0 = static_cast<double>(sizes.front().first);
            for (const auto& [n, args] : sizes) {
                const double c = control->second[args];
                if (args.empty()) {
                    std::fprintf(out, "%-16s %7s %12s", row.what, "-", Format(c).c_str());
                } else {
                    std::fprintf(out, "%-16s %7ld %12s", row.what, n, Format(c).c_str());
                }
                if (peer != times_.end() && peer->second.count(args) != 0) {
                    const double p = peer->second[args];
                    std::fprintf(out, " %12s %7.2fx", Format(p).c_str(), c / p);
                } else {
                    std::fprintf(out, " %12s %8s", "-", "-");
                }
                if (args.empty() || n0 <= 1) {
                    std::fprintf(out, "\n");
                    continue;
                }
                const auto nn = static_cast<double>(n);
                std::fprintf(out, " %7.2fx %7.2fx %7.2fx\n", c / first, nn / n0,
                             nn * std::log2(nn) / (n0 * std::log2(n0)));
            }
        }
        std::fflush(out);
    }

private:
    static std::string Format(double seconds) {
        char text[32];
        if (seconds >= 1e-3) {
            std::snprintf(text, sizeof text, "%.3f ms", seconds * 1e3);
        } else {
            std::snprintf(text, sizeof text, "%.3f us", seconds * 1e6);
        }
        return text;
    }

    std::vector<GrowthRow> rows_;
    std::string peerName_;
    std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace korvane::bench
