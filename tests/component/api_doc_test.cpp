// docs/api.md against the type information: its table of members holds
// every member and event once, of the kind the type information gives it,
// with the help text the type information carries, word for word. The help
// texts are what a host's property browser shows; the page repeats them, so
// the two never tell a reader different things.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "korvane/component/type_info.h"

namespace korvane::component {
namespace {

struct Row {
    std::string kind;
    std::string help;
};

// The kind a reader is told: a property that can be written, one that can
// only be read, a method or an event.
std::string KindOf(std::uint8_t kinds) {
    if (kinds & kMethod)
        return "method";
    return kinds & (kPropertyLet | kPropertySet) ? "property" : "read-only property";
}

// What the type information says, one row a name (List and ItemData are
// two members each, a read and a write, with one help text).
std::map<std::string, Row> FromTypeInfo(std::vector<std::string>& disagreements) {
    std::map<std::string, Row> rows;
    std::map<std::string, std::uint8_t> kinds;
    for (const MemberInfo& m : Library().Members) {
        const std::string name(m.Name);
        kinds[name] |= m.Kinds;
        auto [it, added] = rows.emplace(name, Row{"", std::string(m.Help)});
        if (!added && it->second.help != m.Help)
            disagreements.push_back(name + ": its members carry different help texts");
    }
    for (auto& [name, row] : rows)
        row.kind = KindOf(kinds[name]);
    for (const EventInfo& e : Library().Events)
        rows.emplace(std::string(e.Name), Row{"event", std::string(e.Help)});
    return rows;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The rows of the table under "## Members": | `Name` | kind | help |.
std::map<std::string, std::vector<Row>> FromPage(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::map<std::string, std::vector<Row>> rows;
    bool inMembers = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0)
            inMembers = line == "## Members";
        if (!inMembers || line.rfind("| `", 0) != 0)
            continue;
        std::vector<std::string> cells;
        std::stringstream split(line.substr(1));
        for (std::string cell; std::getline(split, cell, '|');)
            cells.push_back(Trim(cell));
        if (cells.size() < 3 || cells[0].size() < 2)
            continue;
        rows[cells[0].substr(1, cells[0].size() - 2)].push_back(Row{cells[1], cells[2]});
    }
    return rows;
}

TEST(ApiPage, EveryMemberIsInTheTableWithTheHelpTextOfTheTypeInformation) {
    std::vector<std::string> disagreements;
    const auto expected = FromTypeInfo(disagreements);
    const auto page = FromPage(KORVANE_API_PAGE);
    for (const auto& [name, want] : expected) {
        auto it = page.find(name);
        const std::string row = "| `" + name + "` | " + want.kind + " | " + want.help + " |";
        if (it == page.end()) {
            disagreements.push_back(name + " is not in the table; its row would be\n    " + row);
            continue;
        }
        if (it->second.size() != 1)
            disagreements.push_back(name + " is in the table " + std::to_string(it->second.size()) + " times");
        const Row& got = it->second.front();
        // A table cell keeps no trailing blank; Filled's help text ends in one.
        if (got.kind != want.kind || got.help != Trim(want.help))
            disagreements.push_back(name + " disagrees with the type information; its row would be\n    " + row);
    }
    for (const auto& [name, rows] : page)
        if (!expected.contains(name))
            disagreements.push_back(name + " is in the table but the type information has no such member");
    std::string all;
    for (const std::string& each : disagreements)
        all += "  " + each + "\n";
    EXPECT_TRUE(disagreements.empty()) << "docs/api.md:\n" << all;
}

}  // namespace
}  // namespace korvane::component
