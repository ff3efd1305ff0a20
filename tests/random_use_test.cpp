// Long random sequences of member calls and user gestures, from a seed, in
// every style at run time and design time and in several locales, checked
// after every step against a simple model of the rows and the duplicate
// rule: the row count, every cell and item number, ListIndex and TopIndex in
// range, a refused call leaves the rows as they were, no gesture lets an
// error out, and no busy state is left behind.
//
// A failure prints the seed and the shortest sequence found (by removing
// steps while it still fails) that shows it.
//   KORVANE_RANDOM_STEPS=n   steps per run over all configurations (100000)
//   KORVANE_RANDOM_SEED=n    the first seed (each configuration adds its number)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>

#include "control/guards.h"
#include "support.h"

namespace korvane::test {
namespace {

// Texts the steps use, in groups that the duplicate rule treats as equal:
// a row is refused when its column-1 text is in the group of some row's
// column-1 text and its column-2 text in the group of some row's column 2.
struct TextGroup {
    std::vector<std::string> spellings;
};
const std::vector<TextGroup> kGroups = {
    {{"alpha", "Alpha", "ALPHA"}},
    {{" alpha"}},
    {{"\xC3\xA4rger", "\xC3\x84rger", "\xC3\x84RGER"}},  // ärger
    {{"stra\xC3\x9F"
      "e",
      "STRASSE", "strasse"}},  // full case folding
    {{"x\x80", "X\x80"}},      // not valid UTF-8
    {{""}},
    {{"10"}},
    {{"2"}},
    {{"1.5"}},
    {{"1,5"}},
    {{"-3 "}},
    {{"zeta"}},
};

int GroupOf(const std::string& text) {
    for (std::size_t g = 0; g < kGroups.size(); ++g)
        for (const auto& s : kGroups[g].spellings)
            if (s == text)
                return static_cast<int>(g);
    return -1;  // a text of its own (after a sort trimmed it, say)
}

bool SameForRule(const std::string& a, const std::string& b) {
    const int ga = GroupOf(a);
    const int gb = GroupOf(b);
    return a == b || (ga >= 0 && ga == gb);
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

struct Row {
    std::string col1, col2;
    std::int32_t id = 0;
    bool operator==(const Row&) const = default;
    bool operator<(const Row& o) const { return std::tie(col1, col2, id) < std::tie(o.col1, o.col2, o.id); }
};

// One step: what it does and the numbers it was drawn with, so that a
// shortened sequence replays exactly.
enum class Op {
    AddItem,
    RemoveItem,
    Clear,
    ListWrite,
    ItemDataWrite,
    ListIndexWrite,
    TopIndexWrite,
    Sort,
    TextWrite,
    Locked,
    AutoFill,
    WidthCol1,
    WidthCol2,
    FontSize,
    ListHeight,
    Style,  // design time only
    // gestures
    PressButton,
    ClickRow,
    HoverRow,
    Key,
    Type,
    ClickField,
    ClickAway,
    Tick,
    Wheel,
    ScrollList,
    TabKey,
    Search,  // SearchMode and SearchColumns
    kCount
};

struct Step {
    Op op = Op::Tick;
    int a = 0, b = 0, c = 0;
};

const char* OpName(Op op) {
    static const char* names[] = {
        "AddItem",     "RemoveItem", "Clear",        "List=",     "ItemData=",   "ListIndex=", "TopIndex=",
        "Sort",        "Text=",      "Locked=",      "AutoFill=", "WidthCol1=",  "WidthCol2=", "Font.Size=",
        "ListHeight=", "Style=",     "press button", "click row", "hover row",   "key",        "type",
        "click field", "click away", "tick",         "wheel",     "scroll list", "tab",        "search="};
    return names[static_cast<int>(op)];
}

const std::string& Spelling(int i) {
    static std::vector<std::string> all = [] {
        std::vector<std::string> v;
        for (const auto& g : kGroups)
            for (const auto& s : g.spellings)
                v.push_back(s);
        return v;
    }();
    return all[static_cast<std::size_t>(i) % all.size()];
}
int SpellingCount() {
    int n = 0;
    for (const auto& g : kGroups)
        n += static_cast<int>(g.spellings.size());
    return n;
}

std::string Printable(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const std::int16_t kKeys[] = {tk::key::Up,     tk::key::Down,  tk::key::PageUp, tk::key::PageDown,
                              tk::key::Home,   tk::key::End,   tk::key::Escape, tk::key::Return,
                              tk::key::Delete, tk::key::Space, tk::key::Back,   tk::key::F4};

std::string Describe(const Step& s) {
    std::ostringstream out;
    out << OpName(s.op);
    switch (s.op) {
        case Op::AddItem:
            out << " " << Printable(Spelling(s.a)) << " " << Printable(Spelling(s.b)) << " " << s.c;
            break;
        case Op::ListWrite:
            out << " " << s.a << " " << Printable(Spelling(s.b) + ";" + Spelling(s.c));
            break;
        case Op::TextWrite:
        case Op::Type:
            out << " " << Printable(Spelling(s.a));
            break;
        case Op::Key:
            out << " " << kKeys[s.a % std::size(kKeys)] << (s.b % 4 == 0 ? " +Alt" : "");
            break;
        case Op::Sort:
            out << " col " << s.a << (s.b ? " numeric" : "");
            break;
        default:
            out << " " << s.a << " " << s.b;
    }
    return out.str();
}

struct Config {
    StyleType style;
    bool userMode;
    const char* locale;
};

// Replays `steps` on a fresh control; returns the first disagreement with
// the model, and at which step, or nothing when every step agreed.
struct Failure {
    std::size_t step;
    std::string what;
};

class Replay {
public:
    explicit Replay(const Config& config) : config_(config), host_(config.style, config.userMode) {
        host_.desktop.SetUserLocale(config.locale);
    }

    std::optional<Failure> Play(const std::vector<Step>& steps) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (auto what = Do(steps[i]))
                return Failure{i, *what};
            if (auto what = Check())
                return Failure{i, *what};
        }
        return std::nullopt;
    }

private:
    ucvKorvane& ctl() { return host_.ctl(); }
    std::vector<Row>& rows() { return simpleRows() ? simple_ : window_; }
    bool simpleRows() { return ctl().Style() == StyleType::SimpleCombo; }
    std::int32_t n() { return static_cast<std::int32_t>(rows().size()); }

    bool RuleRefuses(const std::string& c1, const std::string& c2) {
        bool one = false, two = false;
        for (const Row& r : rows()) {
            one = one || SameForRule(r.col1, c1);
            two = two || SameForRule(r.col2, c2);
        }
        return one && two;
    }

    // Runs a member call; a RuntimeError is the host's to see, so it is
    // returned. Any other exception is a fault.
    template <typename F>
    std::int32_t Call(F&& f) {
        try {
            f();
        } catch (const RuntimeError& e) {
            return e.Number();
        }
        return 0;
    }

    std::optional<std::string> Expect(std::int32_t got, std::int32_t expected, const char* what) {
        if (got == expected)
            return std::nullopt;
        return std::string(what) + ": error " + std::to_string(got) + ", expected " + std::to_string(expected);
    }

    // Error 5 for a negative index, 6 past the last row, else 0.
    std::int32_t IndexError(std::int32_t i) { return i < 0 ? 5 : (i >= n() ? 6 : 0); }

    bool WindowShown() {
        auto* w = host_.DropDownWindow();
        return w && w->Visible();
    }

    tk::ListBox* VisibleRowList(int column) {
        if (simpleRows()) {
            tk::ListBox& l = host_.RowList(column);
            return l.Visible() ? &l : nullptr;
        }
        if (!WindowShown())
            return nullptr;
        tk::ListBox& l = host_.RowList(column);
        return l.Visible() ? &l : nullptr;
    }

    std::optional<std::string> Do(const Step& s) {
        const std::vector<Row> before = rows();
        std::int32_t error = 0;
        switch (s.op) {
            case Op::AddItem: {
                const std::string c1 = Spelling(s.a), c2 = Spelling(s.b);
                const bool refused = RuleRefuses(c1, c2);
                error = Call([&] { ctl().AddItem(c1, c2, s.c); });
                if (auto e = Expect(error, 0, "AddItem"))
                    return e;
                if (!refused)
                    rows().push_back({c1, c2, s.c});
                break;
            }
            case Op::RemoveItem: {
                const std::int32_t i = s.a - 1;
                error = Call([&] { ctl().RemoveItem(i); });
                if (auto e = Expect(error, IndexError(i), "RemoveItem"))
                    return e;
                if (error == 0)
                    rows().erase(rows().begin() + i);
                break;
            }
            case Op::Clear:
                error = Call([&] { ctl().Clear(); });
                if (auto e = Expect(error, 0, "Clear"))
                    return e;
                // Clearing empties both pairs.
                window_.clear();
                simple_.clear();
                break;
            case Op::ListWrite: {
                const std::int32_t i = s.a - 1;
                error = Call([&] { ctl().List(i, Spelling(s.b) + ";" + Spelling(s.c)); });
                if (auto e = Expect(error, IndexError(i), "List="))
                    return e;
                if (error == 0) {
                    rows()[static_cast<std::size_t>(i)].col1 = Spelling(s.b);
                    rows()[static_cast<std::size_t>(i)].col2 = Spelling(s.c);
                }
                break;
            }
            case Op::ItemDataWrite: {
                const std::int32_t i = s.a - 1;
                error = Call([&] { ctl().ItemData(i, s.b); });
                if (auto e = Expect(error, IndexError(i), "ItemData="))
                    return e;
                if (error == 0)
                    rows()[static_cast<std::size_t>(i)].id = s.b;
                break;
            }
            case Op::ListIndexWrite: {
                const std::int32_t i = s.a - 2;
                error = Call([&] { ctl().ListIndex(i); });
                const std::int32_t expected = i < -1 ? 5 : (i >= n() ? 6 : 0);
                if (auto e = Expect(error, expected, "ListIndex="))
                    return e;
                if (error == 0 && ctl().ListIndex() != i)
                    return "ListIndex reads " + std::to_string(ctl().ListIndex()) + " after writing " +
                           std::to_string(i);
                break;
            }
            case Op::TopIndexWrite: {
                const std::int32_t i = s.a - 1;
                error = Call([&] { ctl().TopIndex(i); });
                const std::int32_t expected = i < 0 ? 5 : (i >= n() ? 6 : 0);
                if (auto e = Expect(error, expected, "TopIndex="))
                    return e;
                break;
            }
            case Op::Sort: {
                const auto col = static_cast<std::int16_t>(s.a);
                error = Call([&] { ctl().Sort(col, s.b != 0); });
                if (col < 1 || col > 3) {
                    if (auto e = Expect(error, 5, "Sort"))
                        return e;
                } else if (error != 0 && !(error == 13 && s.b != 0 && col != 3)) {
                    return "Sort: error " + std::to_string(error);
                }
                if (error == 0) {
                    // The same rows, trimmed, in some order; by item number
                    // in ascending order.
                    std::vector<Row> expected;
                    for (const Row& r : rows())
                        expected.push_back({Trimmed(r.col1), Trimmed(r.col2), r.id});
                    std::vector<Row> got;
                    for (std::int32_t k = 0; k < ctl().ListCount(); ++k)
                        got.push_back({ctl().ListCol(1, k), ctl().ListCol(2, k), ctl().ItemData(k)});
                    std::vector<Row> a = expected, b = got;
                    std::sort(a.begin(), a.end());
                    std::sort(b.begin(), b.end());
                    if (a != b)
                        return std::string("Sort lost or changed rows");
                    if (col == 3 &&
                        !std::is_sorted(got.begin(), got.end(), [](const Row& x, const Row& y) { return x.id < y.id; }))
                        return std::string("Sort by item number out of order");
                    rows() = got;
                }
                break;
            }
            case Op::TextWrite:
                error = Call([&] { ctl().Text(Spelling(s.a)); });
                if (error != 0 && !(error == 7 && ctl().Style() == StyleType::DropdownList))
                    return "Text=: error " + std::to_string(error);
                break;
            case Op::Locked:
                error = Call([&] { ctl().Locked(s.a % 2 != 0); });
                break;
            case Op::AutoFill:
                error = Call([&] { ctl().AutoFill(s.a % 2 != 0); });
                break;
            case Op::Search:
                error = Call([&] {
                    ctl().SearchMode(static_cast<std::int16_t>(s.a % 4));
                    ctl().SearchColumns(static_cast<std::int16_t>(s.b % 7 + 1));
                });
                break;
            case Op::WidthCol1:
                error = Call([&] { ctl().WidthCol1(s.a % 3 * 700); });
                break;
            case Op::WidthCol2:
                error = Call([&] { ctl().WidthCol2(s.a % 3 * 1200); });
                break;
            case Op::FontSize: {
                auto font = std::make_shared<tk::Font>();
                const float sizes[] = {8, 12, 24, 1e30f, -1, 0};
                font->Size = sizes[s.a % 6];
                error = Call([&] { ctl().Font(font); });
                break;
            }
            case Op::ListHeight:
                error = Call([&] { ctl().ListHeight(s.a * 300 - 300); });
                break;
            case Op::Style: {
                if (config_.userMode)
                    break;
                const StyleType from = ctl().Style();
                const StyleType to = kAllStyles[s.a % 3];
                error = Call([&] { ctl().Style(to); });
                if (auto e = Expect(error, 0, "Style="))
                    return e;
                // The drop-down window goes with the drop-down styles, and
                // its rows with it; a new one starts empty.
                if (to == StyleType::SimpleCombo && from != to)
                    window_.clear();
                return std::nullopt;
            }
            case Op::PressButton:
                return Gesture([&] { host_.PressButton(); });
            case Op::ClickRow:
            case Op::HoverRow: {
                tk::ListBox* list = VisibleRowList(s.a % 2 + 1);
                if (!list || list->ListCount() == 0)
                    return std::nullopt;
                const std::int32_t row = list->TopIndex() + s.b % 8;
                if (row >= list->ListCount())
                    return std::nullopt;
                if (s.op == Op::ClickRow)
                    return Gesture([&] { host_.desktop.ClickRow(*list, row); });
                return Gesture([&] { host_.desktop.MoveToRow(*list, row); });
            }
            case Op::Key: {
                const std::int16_t key = kKeys[s.a % std::size(kKeys)];
                return Gesture([&] { host_.desktop.PressKey(key, s.b % 4 == 0 ? tk::shift::Alt : tk::shift::None); });
            }
            case Op::Type:
                return Gesture([&] { host_.desktop.Type(Spelling(s.a)); });
            case Op::ClickField: {
                const char* names[] = {"txtCol1", "txtCol2", "lblCol1", "lblCol2"};
                tk::Widget& w = host_.Widget(names[s.a % 4]);
                if (!w.Visible())
                    return std::nullopt;
                return Gesture([&] { host_.desktop.ClickAt(w, 60, 60); });
            }
            case Op::ClickAway:
                return Gesture([&] { host_.desktop.ClickAt(*host_.form, 8000, 5000); });
            case Op::Tick:
                return Gesture([&] { host_.desktop.Advance(s.a % 3 == 0 ? 50 : 100); });
            case Op::Wheel:
                return Gesture([&] { host_.desktop.MouseWheel(s.a % 2 ? 1 : -1); });
            case Op::ScrollList: {
                tk::ListBox* list = VisibleRowList(s.a % 2 + 1);
                if (!list || list->ListCount() == 0)
                    return std::nullopt;
                return Gesture([&] { host_.desktop.ScrollTo(*list, s.b % list->ListCount()); });
            }
            case Op::TabKey:
                return Gesture([&] { host_.desktop.Tab(s.a % 2 != 0); });
            case Op::kCount:
                break;
        }
        if (error != 0 && rows() != before)
            return "a refused call changed the rows";
        return std::nullopt;
    }

    // A gesture lets no error out and changes the rows only by filling in
    // the typed pair (AutoFill), which the duplicate rule allows.
    template <typename F>
    std::optional<std::string> Gesture(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return std::string("a gesture let an error out: ") + e.what();
        }
        const std::int32_t count = ctl().ListCount();
        if (count == n() + 1) {
            const std::string c1 = ctl().ListCol(1, count - 1);
            const std::string c2 = ctl().ListCol(2, count - 1);
            if (!ctl().AutoFill())
                return std::string("a row appeared without AutoFill");
            if (RuleRefuses(c1, c2))
                return "AutoFill added " + Printable(c1) + "/" + Printable(c2) + ", which the duplicate rule refuses";
            rows().push_back({c1, c2, ctl().ItemData(count - 1)});
        }
        return std::nullopt;
    }

    std::optional<std::string> Check() {
        ucvKorvane& c = ctl();
        const std::int32_t count = c.ListCount();
        if (count != n())
            return "ListCount " + std::to_string(count) + ", model " + std::to_string(n());
        for (std::int32_t k = 0; k < count; ++k) {
            const Row& r = rows()[static_cast<std::size_t>(k)];
            if (c.ListCol(1, k) != r.col1 || c.ListCol(2, k) != r.col2)
                return "row " + std::to_string(k) + " is " + Printable(c.ListCol(1, k)) + "/" +
                       Printable(c.ListCol(2, k)) + ", model " + Printable(r.col1) + "/" + Printable(r.col2);
            if (c.ItemData(k) != r.id)
                return "item number of row " + std::to_string(k);
        }
        if (c.ListIndex() < -1 || c.ListIndex() >= count)
            return "ListIndex " + std::to_string(c.ListIndex()) + " out of range";
        if (c.TopIndex() < 0 || (count > 0 && c.TopIndex() >= count) || (count == 0 && c.TopIndex() != 0))
            return "TopIndex " + std::to_string(c.TopIndex()) + " out of range";
        if (c.ListIndex() >= 0 && Call([&] { c.List(c.ListIndex()); }) != 0)
            return std::string("the current row cannot be read");
        if (auto what = CheckView())
            return what;
        if (detail::g_Busy(host_.desktop))
            return std::string("the busy flag was left set");
        if (host_.desktop.MousePointer() != tk::pointer::Default)
            return std::string("the busy pointer was left");
        for (const auto& box : host_.desktop.MessageBoxes())
            if (box.Prompt == "Sorting in progress, wait please")
                return std::string("the sorting flag was left set");
        host_.desktop.ClearRecords();
        return std::nullopt;
    }

    // A search's view names rows the lists have, in order, the same in both
    // lists; with no search mode there is no view.
    std::optional<std::string> CheckView() {
        if (!host_.DropDownWindow() && !simpleRows())
            return std::nullopt;
        tk::ListBox& l1 = host_.RowList(1);
        tk::ListBox& l2 = host_.RowList(2);
        if (l1.Filtered() != l2.Filtered() || l1.ShownCount() != l2.ShownCount())
            return std::string("the two lists show different views");
        if (l1.Filtered() && ctl().SearchMode() == 0)
            return std::string("a view outlived SearchMode 0");
        std::int32_t last = -1;
        for (std::int32_t p = 0; p < l1.ShownCount(); ++p) {
            const std::int32_t e = l1.ShownEntry(p);
            if (e <= last || e >= l1.ListCount() || e != l2.ShownEntry(p))
                return "the view's entry " + std::to_string(p) + " is " + std::to_string(e);
            last = e;
        }
        return std::nullopt;
    }

    Config config_;
    Host host_;
    std::vector<Row> window_;  // the rows of the drop-down window's lists
    std::vector<Row> simple_;  // the rows of the embedded lists
};

Step Draw(std::mt19937& random, bool userMode) {
    // API calls and gestures about equally often; adding rows a little more
    // often than removing them, so the lists grow to a few dozen rows.
    static const std::pair<Op, int> weights[] = {
        {Op::AddItem, 14},       {Op::RemoveItem, 5},    {Op::Clear, 1},     {Op::ListWrite, 2}, {Op::ItemDataWrite, 2},
        {Op::ListIndexWrite, 6}, {Op::TopIndexWrite, 3}, {Op::Sort, 2},      {Op::TextWrite, 2}, {Op::Locked, 1},
        {Op::AutoFill, 2},       {Op::WidthCol1, 1},     {Op::WidthCol2, 1}, {Op::FontSize, 1},  {Op::ListHeight, 1},
        {Op::Style, 1},          {Op::PressButton, 5},   {Op::ClickRow, 5},  {Op::HoverRow, 3},  {Op::Key, 12},
        {Op::Type, 5},           {Op::ClickField, 4},    {Op::ClickAway, 2}, {Op::Tick, 6},      {Op::Wheel, 1},
        {Op::ScrollList, 2},     {Op::TabKey, 2},        {Op::Search, 2},
    };
    int total = 0;
    for (const auto& [op, w] : weights)
        total += w;
    int pick = std::uniform_int_distribution<int>(0, total - 1)(random);
    Step s;
    for (const auto& [op, w] : weights) {
        if (pick < w) {
            s.op = op;
            break;
        }
        pick -= w;
    }
    if (s.op == Op::Style && userMode)
        s.op = Op::Tick;
    auto upTo = [&](int hi) { return std::uniform_int_distribution<int>(0, hi)(random); };
    s.a = upTo(40);
    s.b = upTo(40);
    s.c = upTo(1000) - 500;
    if (s.op == Op::AddItem || s.op == Op::TextWrite || s.op == Op::Type) {
        s.a = upTo(SpellingCount() - 1);
        s.b = upTo(SpellingCount() - 1);
    }
    if (s.op == Op::ListWrite) {
        s.b = upTo(SpellingCount() - 1);
        s.c = upTo(SpellingCount() - 1);
    }
    if (s.op == Op::Sort) {
        s.a = upTo(4);
        s.b = upTo(1);
    }
    return s;
}

// Removes steps while the sequence still fails (delta debugging): chunks
// of halving size, then single steps.
std::vector<Step> Shorten(const Config& config, std::vector<Step> steps) {
    auto fails = [&](const std::vector<Step>& candidate) { return Replay(config).Play(candidate).has_value(); };
    std::size_t chunk = std::max<std::size_t>(1, steps.size() / 2);
    int budget = 3000;  // replays
    while (budget > 0) {
        bool removed = false;
        for (std::size_t at = 0; at < steps.size() && budget > 0;) {
            std::vector<Step> candidate(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(at));
            candidate.insert(candidate.end(),
                             steps.begin() + static_cast<std::ptrdiff_t>(std::min(steps.size(), at + chunk)),
                             steps.end());
            --budget;
            if (!candidate.empty() && fails(candidate)) {
                steps = std::move(candidate);
                removed = true;
            } else {
                at += chunk;
            }
        }
        if (!removed) {
            if (chunk == 1)
                break;
            chunk /= 2;
        }
    }
    return steps;
}

std::int64_t FromEnvironment(const char* name, std::int64_t fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    return std::strtoll(v, nullptr, 10);
}

TEST(RandomUse, CallsAndGesturesAgreeWithTheModelOfTheRows) {
    const std::int64_t totalSteps = FromEnvironment("KORVANE_RANDOM_STEPS", 100000);
    const auto firstSeed = static_cast<std::uint32_t>(FromEnvironment("KORVANE_RANDOM_SEED", 20261207));
    const char* locales[] = {"en_US", "de_DE", "tr_TR"};
    std::vector<Config> configs;
    for (StyleType style : kAllStyles)
        for (bool userMode : {true, false})
            for (const char* locale : locales)
                configs.push_back({style, userMode, locale});
    // Each configuration runs in sequences of a few hundred steps, each on a
    // fresh control, so a failure replays (and shortens) quickly.
    constexpr std::size_t kSequence = 400;
    const std::int64_t perConfig = std::max<std::int64_t>(1, totalSteps / static_cast<std::int64_t>(configs.size()));
    for (std::size_t ci = 0; ci < configs.size(); ++ci) {
        const Config& config = configs[ci];
        for (std::int64_t done = 0, round = 0; done < perConfig; done += kSequence, ++round) {
            const std::uint32_t seed = firstSeed + static_cast<std::uint32_t>(ci * 100003 + round);
            std::mt19937 random(seed);
            std::vector<Step> steps;
            const auto length = static_cast<std::size_t>(std::min<std::int64_t>(kSequence, perConfig - done));
            for (std::size_t i = 0; i < length; ++i)
                steps.push_back(Draw(random, config.userMode));
            auto failure = Replay(config).Play(steps);
            if (!failure)
                continue;
            steps.resize(failure->step + 1);
            const std::vector<Step> shortest = Shorten(config, steps);
            auto again = Replay(config).Play(shortest);
            std::ostringstream out;
            out << StyleName(config.style) << (config.userMode ? ", run time" : ", design time") << ", locale "
                << config.locale << ", seed " << seed << " (KORVANE_RANDOM_SEED=" << firstSeed << "): " << failure->what
                << "\nShortened to " << shortest.size() << " steps"
                << (again ? " (" + again->what + ")" : std::string(" (no longer fails)")) << ":\n";
            for (const Step& s : shortest)
                out << "  " << Describe(s) << "\n";
            FAIL() << out.str();
        }
    }
}

}  // namespace
}  // namespace korvane::test
