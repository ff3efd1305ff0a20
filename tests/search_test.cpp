// Find as you type on the headless desktop: the matcher's rules, the
// SearchMode and SearchColumns properties (refusals, saving, form files),
// and a person typing, walking the matches, choosing and escaping in the
// two edit styles, with the host changing the rows inside the events.
#include <algorithm>
#include <string>
#include <vector>

#include "control/search_index.h"
#include "korvane/form_file.h"
#include "support.h"

namespace korvane::test {
namespace {

using detail::SearchKind;

const std::vector<std::pair<std::string, std::string>> kCities = {
    {"DE-10115", "Berlin Mitte"},       {"DE-20095", "Hamburg Altstadt"}, {"AT-1010", "Wien Innere Stadt"},
    {"DE-80331", "München Altstadt"},   {"CH-8001", "Zürich Altstadt"},   {"FR-75001", "Paris Louvre"},
    {"DE-50667", "Köln Altstadt-Nord"}, {"NL-1012", "Amsterdam Centrum"}, {"DE-01067", "Dresden Altstadt"},
    {"IT-00184", "Roma Monti"},
};

// The rows a query should find, by the rule written out plainly: the case
// folding of ICU (as the duplicate rule uses) and a search of each part.
std::vector<std::int32_t> Expected(ucvKorvane& c, const std::string& query, SearchKind kind, std::int16_t columns) {
    std::vector<std::int32_t> rows;
    for (std::int32_t i = 0; i < c.ListCount(); ++i) {
        std::vector<std::string> parts;
        if (columns & 1)
            parts.push_back(c.ListCol(1, i));
        if (columns & 2)
            parts.push_back(c.ListCol(2, i));
        if (columns & 4)
            parts.push_back(std::to_string(c.ItemData(i)));
        bool found = false;
        for (const auto& part : parts)
            found = found || !detail::MatchedSpans(part, query, kind).empty();
        if (kind == SearchKind::Words) {
            // every word somewhere
            std::string rest = query;
            found = true;
            std::size_t pos = 0;
            while ((pos = rest.find_first_not_of(' ')) != std::string::npos) {
                rest = rest.substr(pos);
                const std::string word = rest.substr(0, rest.find(' '));
                rest = rest.substr(word.size());
                bool any = false;
                for (const auto& part : parts)
                    any = any || !detail::MatchedSpans(part, word, kind).empty();
                found = found && any;
            }
        }
        if (found)
            rows.push_back(i);
    }
    return rows;
}

// The rows the style's lists show, entry numbers in order.
std::vector<std::int32_t> Shown(tk::ListBox& list) {
    std::vector<std::int32_t> rows;
    for (std::int32_t p = 0; p < list.ShownCount(); ++p)
        rows.push_back(list.ShownEntry(p));
    return rows;
}

// The view agrees with the rows: both lists show the same entries, every
// one of them a row, and with a query every row it finds.
void ExpectViewConsistent(Host& host, const std::string& query, SearchKind kind, std::int16_t columns = 3) {
    tk::ListBox& l1 = host.RowList(1);
    tk::ListBox& l2 = host.RowList(2);
    ASSERT_EQ(l1.ListCount(), l2.ListCount());
    ASSERT_EQ(Shown(l1), Shown(l2));
    if (!l1.Filtered())
        return;
    EXPECT_EQ(Shown(l1), Expected(host.ctl(), query, kind, columns)) << "query '" << query << "'";
}

// --- the matcher ---------------------------------------------------------------

TEST(SearchMatcher, FindsTheRowsOfEachModeAndColumnChoice) {
    Host host;
    host.Fill(kCities);  // item numbers 10, 20, ... 100
    struct Row {
        const char* query;
        SearchKind kind;
        std::int16_t columns;
        std::vector<std::int32_t> rows;
    };
    const Row rows[] = {
        {"de", SearchKind::StartsWith, 1, {0, 1, 3, 6, 8}},
        {"dr", SearchKind::StartsWith, 2, {8}},
        {"DE-8", SearchKind::StartsWith, 3, {3}},
        {"alt", SearchKind::StartsWith, 3, {}},
        {"alt", SearchKind::Contains, 3, {1, 3, 4, 6, 8}},
        {"ALTSTADT", SearchKind::Contains, 2, {1, 3, 4, 6, 8}},
        {"ALTSTADT", SearchKind::Contains, 1, {}},
        {"MÜNCHEN", SearchKind::Contains, 2, {3}},
        {"zürich", SearchKind::Contains, 3, {4}},
        {"munchen", SearchKind::Contains, 2, {3}},  // accents are ignored
        {"KOLN ALT", SearchKind::Words, 3, {6}},
        {"wíen", SearchKind::StartsWith, 2, {2}},
        {"0", SearchKind::Contains, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"100", SearchKind::StartsWith, 4, {9}},
        {"nord alt", SearchKind::Words, 3, {6}},
        {"alt nord", SearchKind::Words, 3, {6}},
        {"stadt", SearchKind::Words, 3, {2}},   // "Innere Stadt"; "Altstadt" does not start a word there
        {"a c", SearchKind::Words, 3, {4, 7}},  // "CH-8001 Zürich Altstadt", "Amsterdam Centrum"
        {"b m", SearchKind::Words, 2, {0}},
        {"   ", SearchKind::Contains, 3, {}},
        {"xyz", SearchKind::Contains, 3, {}},
    };
    std::vector<std::int32_t> out;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        detail::SearchIndex index;
        const bool viewed = index.Find(row.query, row.kind, row.columns, host.RowList(1), host.RowList(2), out);
        EXPECT_EQ(viewed, std::string(row.query) != "   ");
        EXPECT_EQ(out, row.rows);
    }
}

TEST(SearchMatcher, KeepsStepWithAddedRemovedAndRewrittenRows) {
    Host host;
    host.Fill(kCities);
    host.ctl().SearchMode(2);
    host.Widget<tk::TextBox>("txtCol1").SetFocus();
    host.desktop.Type("alt");
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().AddItem("DE-99999", "Neustadt Altmarkt", 7);
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().RemoveItem(1);
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().List(0, "DE-10115\tBerlin Altbau");
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().List(3, "x\ty");  // shorter: rewritten in place
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().List(4, "a much longer first column text\tand an even longer second column, Altona");
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().Sort(2);
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
    host.ctl().Clear();
    ExpectViewConsistent(host, "alt", SearchKind::Contains);
}

TEST(SearchMatcher, MarksTheMatchedPartsOfACell) {
    using Spans = std::vector<std::pair<std::int32_t, std::int32_t>>;
    struct Row {
        const char* text;
        const char* query;
        SearchKind kind;
        Spans spans;
    };
    const Row rows[] = {
        {"Hamburg Altstadt", "alt", SearchKind::Contains, {{8, 11}}},
        {"Hamburg Altstadt", "ST", SearchKind::Contains, {{11, 13}}},
        {"Hamburg Altstadt", "ham", SearchKind::StartsWith, {{0, 3}}},
        {"Hamburg Altstadt", "alt", SearchKind::StartsWith, {}},
        {"München Altstadt", "ünch", SearchKind::Contains, {{1, 6}}},  // ü is two bytes
        {"Köln Altstadt-Nord", "nord alt", SearchKind::Words, {{6, 9}, {15, 19}}},
        {"Straße", "SS", SearchKind::Contains, {{4, 6}}},                // ß folds to ss: the whole ß is marked
        {"Zürich", "ZUR", SearchKind::StartsWith, {{0, 4}}},             // accents ignored, ü marked whole
        {"Cafe\xcc\x81 Paris", "café", SearchKind::Contains, {{0, 6}}},  // a decomposed é is marked with its accent
        {"a\xff"
         "b",
         "b",
         SearchKind::Contains,
         {{2, 3}}},
        {"anything", "", SearchKind::Contains, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + row.query);
        EXPECT_EQ(detail::MatchedSpans(row.text, row.query, row.kind), row.spans);
    }
}

// --- the properties ----------------------------------------------------------------

TEST(SearchProperties, RefuseValuesOutsideTheirRangeAsOtherPropertiesDo) {
    Host host;
    for (std::int32_t bad : {-1, 4, 100}) {
        auto [number, text] = ErrorOf([&] { host.ctl().SearchMode(static_cast<std::int16_t>(bad)); });
        EXPECT_EQ(number, 380);
        EXPECT_EQ(text, "Invalid property value");
    }
    for (std::int32_t bad : {0, -1, 8, 255}) {
        auto [number, text] = ErrorOf([&] { host.ctl().SearchColumns(static_cast<std::int16_t>(bad)); });
        EXPECT_EQ(number, 380);
    }
    EXPECT_EQ(host.ctl().SearchMode(), 0);
    EXPECT_EQ(host.ctl().SearchColumns(), 3);

    Host design(StyleType::DropdownCombo, false);
    design.ctl().SearchMode(9);
    ASSERT_FALSE(design.desktop.MessageBoxes().empty());
    EXPECT_EQ(design.desktop.MessageBoxes().back().Prompt, "Invalid property value");
    EXPECT_EQ(design.ctl().SearchMode(), 0);
}

TEST(SearchProperties, AreSavedWithTheFormAndOldFormsReadAsBefore) {
    Host host;
    host.ctl().SearchMode(3);
    host.ctl().SearchColumns(5);
    tk::MemoryPropertyBag bag;
    host.ctl().WriteProperties(bag);
    Host again;
    again.ctl().ReadProperties(bag);
    EXPECT_EQ(again.ctl().SearchMode(), 3);
    EXPECT_EQ(again.ctl().SearchColumns(), 5);

    tk::MemoryPropertyBag old;  // a form saved before searching existed
    Host fresh;
    fresh.ctl().ReadProperties(old);
    EXPECT_EQ(fresh.ctl().SearchMode(), 0);
    EXPECT_EQ(fresh.ctl().SearchColumns(), 3);

    const std::string head =
        "{\"format\": \"korvane-form\", \"version\": 1, \"form\": {\"name\": \"Form1\"}, "
        "\"controls\": [{\"name\": \"Combo1\", \"properties\": {";
    const FormFile good = ParseFormFile(head + "\"SearchMode\": 2, \"SearchColumns\": 7}}]}", "form.json");
    EXPECT_TRUE(good.Warnings.empty());
    for (const char* bad :
         {"\"SearchMode\": 4", "\"SearchMode\": \"2\"", "\"SearchColumns\": 0", "\"SearchColumns\": 8"}) {
        SCOPED_TRACE(bad);
        const FormFile form = ParseFormFile(head + bad + "}}]}", "form.json");
        ASSERT_EQ(form.Warnings.size(), 1u);
        EXPECT_NE(form.Warnings[0].find("the default is used"), std::string::npos);
    }
}

// --- a person typing ----------------------------------------------------------------

class SearchTyping : public testing::TestWithParam<std::tuple<StyleType, int>> {
protected:
    Host host{std::get<0>(GetParam())};
    ucvKorvane& ctl = host.ctl();
    SearchKind kind = static_cast<SearchKind>(std::get<1>(GetParam()));
    std::vector<std::int32_t> counts;

    void SetUp() override {
        host.Fill(kCities);
        ctl.SearchMode(static_cast<std::int16_t>(kind));
        host.recorder.onSearchChanged = [this](std::int32_t& n) { counts.push_back(n); };
        host.recorder.Clear();
        host.Widget<tk::TextBox>("txtCol1").SetFocus();
    }
    bool Dropdown() const { return std::get<0>(GetParam()) == StyleType::DropdownCombo; }
    const char* Query() const { return kind == SearchKind::StartsWith ? "de-" : "ALT"; }
};

TEST_P(SearchTyping, ShowsOnlyTheMatchesAndChoosesOneByTheKeys) {
    host.desktop.Type(Query());
    const auto expected = Expected(ctl, Query(), kind, 3);
    ASSERT_FALSE(expected.empty());
    ExpectViewConsistent(host, Query(), kind);
    EXPECT_EQ(Shown(host.RowList(1)), expected);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(ctl.SearchMatches(), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(ctl.ListCount(), static_cast<std::int32_t>(kCities.size()));  // the rows are untouched
    if (Dropdown()) {
        EXPECT_TRUE(host.DropDownWindow()->Visible());
    }
    // The field keeps the focus and the typed text.
    EXPECT_EQ(host.desktop.GetFocus(), host.Widget<tk::TextBox>("txtCol1").hWnd());
    EXPECT_EQ(ctl.TextCol(1), Query());
    host.desktop.Advance(300);  // the focus watcher leaves the drop-down open
    if (Dropdown()) {
        EXPECT_TRUE(host.DropDownWindow()->Visible());
    }

    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.RowList(1).ListIndex(), expected[1]);
    host.desktop.PressKey(tk::key::PageDown);
    EXPECT_EQ(host.RowList(1).ListIndex(), expected.back());
    host.desktop.PressKey(tk::key::PageUp);
    EXPECT_EQ(host.RowList(1).ListIndex(), expected.front());
    host.desktop.PressKey(tk::key::Down);
    host.recorder.Clear();
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(ctl.ListIndex(), expected[1]);
    EXPECT_EQ(host.recorder.Count("Click"), 1);
    EXPECT_EQ(ctl.TextCol(1), kCities[static_cast<std::size_t>(expected[1])].first);
    EXPECT_FALSE(host.RowList(1).Filtered());  // every row shows again
    if (Dropdown()) {
        EXPECT_FALSE(host.DropDownWindow()->Visible());
    }
}

TEST_P(SearchTyping, EscapeAndAnEmptiedFieldShowEveryRowAgain) {
    host.desktop.Type(Query());
    ASSERT_TRUE(host.RowList(1).Filtered());
    host.desktop.PressKey(tk::key::Escape);
    EXPECT_FALSE(host.RowList(1).Filtered());
    if (Dropdown()) {
        EXPECT_FALSE(host.DropDownWindow()->Visible());
    }
    EXPECT_EQ(ctl.ListIndex(), -1);

    host.desktop.Type("x");  // the query is typed on
    host.desktop.PressKey(tk::key::Back);
    for (std::size_t i = 0; i < std::string(Query()).size(); ++i)
        host.desktop.PressKey(tk::key::Back);
    EXPECT_EQ(ctl.TextCol(1), "");
    EXPECT_FALSE(host.RowList(1).Filtered());
    EXPECT_EQ(counts.back(), static_cast<std::int32_t>(kCities.size()));
}

// A sort between two searches moves the rows: the next search finds them
// at their new places, whether or not a search showed while it sorted.
TEST_P(SearchTyping, ASortBetweenTwoSearchesFindsTheRowsAtTheirNewPlaces) {
    for (bool showing : {false, true}) {
        SCOPED_TRACE(showing ? "sorted while the matches show" : "sorted with every row shown");
        host.desktop.Type(Query());
        if (!showing)
            host.desktop.PressKey(tk::key::Escape);
        ctl.Sort(2);
        host.Widget<tk::TextBox>("txtCol1").SetFocus();
        ctl.Text("");
        host.desktop.Type(Query());
        ExpectViewConsistent(host, Query(), kind);
        EXPECT_TRUE(host.RowList(1).Filtered());
        host.desktop.PressKey(tk::key::Escape);
        ctl.Sort(1);
    }
}

TEST_P(SearchTyping, AClickOnAMatchChoosesItsRow) {
    host.desktop.Type(Query());
    const auto expected = Expected(ctl, Query(), kind, 3);
    ASSERT_GE(expected.size(), 2u);
    host.recorder.Clear();
    host.desktop.ClickRow(host.RowList(2), expected[1]);
    host.desktop.Advance(200);
    EXPECT_EQ(ctl.ListIndex(), expected[1]);
    EXPECT_GE(host.recorder.Count("Click"), 1);
    EXPECT_FALSE(host.RowList(1).Filtered());
}

TEST_P(SearchTyping, BadQueriesNeitherCrashNorLoseRows) {
    const std::string queries[] = {
        std::string(64 * 1024, 'a'),
        "     ",
        "\xcc\x81\xcc\x88",  // combining marks alone
        "\xff\xfe\xc3",      // not UTF-8
        "e",                 // most rows
        "qqqq",              // no row
    };
    tk::TextBox& field = host.Widget<tk::TextBox>("txtCol1");
    for (const std::string& q : queries) {
        SCOPED_TRACE(q.substr(0, 10));
        field.SetFocus();  // Enter without a match moved the focus to column 2
        field.Text("");
        if (q.size() > 1024) {
            field.Text(q);  // pasted while the field has the focus, then a key typed on
            host.desktop.Type("a");
        } else {
            host.desktop.Type(q);
        }
        ExpectViewConsistent(host, field.Text(), kind);
        EXPECT_EQ(ctl.ListCount(), static_cast<std::int32_t>(kCities.size()));
        host.desktop.PressKey(tk::key::Down);
        host.desktop.PressKey(tk::key::Return);
        host.desktop.PressKey(tk::key::Escape);
    }
}

TEST_P(SearchTyping, TheHostMayChangeTheRowsInsideTheEvents) {
    struct Step {
        const char* name;
        std::function<void(ucvKorvane&)> act;
    };
    const Step steps[] = {
        {"add", [](ucvKorvane& c) { c.AddItem("DE-55555", "Altenburg " + std::to_string(c.ListCount()), 1); }},
        {"remove",
         [](ucvKorvane& c) {
             if (c.ListCount() > 0)
                 c.RemoveItem(0);
         }},
        {"sort", [](ucvKorvane& c) { c.Sort(2); }},
        {"clear", [](ucvKorvane& c) { c.Clear(); }},
        {"mode", [](ucvKorvane& c) { c.SearchMode(static_cast<std::int16_t>(c.SearchMode() % 3 + 1)); }},
        {"off", [](ucvKorvane& c) { c.SearchMode(0); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ctl.Clear();
        host.Fill(kCities);
        ctl.SearchMode(static_cast<std::int16_t>(kind));
        host.Widget<tk::TextBox>("txtCol1").SetFocus();
        host.Widget<tk::TextBox>("txtCol1").Text("");
        host.recorder.onSearchChanged = [&](std::int32_t&) { step.act(ctl); };
        host.recorder.onClick = [&] { step.act(ctl); };
        host.desktop.Type(Query());
        // What the host did may have taken the focus (a sort disables the
        // control) or emptied the field: the view follows the field's text.
        const SearchKind now = static_cast<SearchKind>(ctl.SearchMode());
        tk::TextBox& field = host.Widget<tk::TextBox>("txtCol1");
        ExpectViewConsistent(host, field.Text(), now);
        host.desktop.PressKey(tk::key::Down);
        host.desktop.PressKey(tk::key::Return);
        ExpectViewConsistent(host, field.Text(), now);
        EXPECT_EQ(host.RowList(1).ListCount(), host.RowList(2).ListCount());
        host.recorder.onSearchChanged = nullptr;
        host.recorder.onClick = nullptr;
        host.desktop.PressKey(tk::key::Escape);
    }
}

TEST_P(SearchTyping, TheHostMayDestroyTheControlInsideSearchChanged) {
    host.recorder.onSearchChanged = [&](std::int32_t&) { host.control.reset(); };
    host.desktop.Type(Query());
    EXPECT_EQ(host.control, nullptr);
}

TEST_P(SearchTyping, AModeChangedWhileTheMatchesShowFindsThemAgain) {
    host.desktop.Type("a");
    for (std::int16_t mode : {1, 2, 3, 2}) {
        ctl.SearchMode(mode);
        ExpectViewConsistent(host, "a", static_cast<SearchKind>(mode));
    }
    ctl.SearchColumns(1);
    ExpectViewConsistent(host, "a", SearchKind::Contains, 1);
    ctl.SearchMode(0);
    EXPECT_FALSE(host.RowList(1).Filtered());
    host.desktop.PressKey(tk::key::Down);  // today's behaviour: the next row becomes current
    EXPECT_EQ(ctl.ListIndex(), 0);
}

TEST_P(SearchTyping, AutoFillAddsTheTypedPairWhenNoMatchIsChosen) {
    ctl.AutoFill(true);
    host.desktop.Type("Altona");
    host.desktop.PressKey(tk::key::Return);  // to column 2
    host.desktop.Type("Hamburg Altona");
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(ctl.ListCount(), static_cast<std::int32_t>(kCities.size()) + 1);
    EXPECT_EQ(ctl.List(ctl.NewIndex()), "Altona\tHamburg Altona");
    EXPECT_EQ(host.recorder.Count("Filled"), 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, SearchTyping,
                         testing::Combine(testing::Values(StyleType::DropdownCombo, StyleType::SimpleCombo),
                                          testing::Values(1, 2, 3)),
                         [](const testing::TestParamInfo<std::tuple<StyleType, int>>& info) {
                             return std::string(std::get<0>(info.param) == StyleType::DropdownCombo ? "DropdownCombo"
                                                                                                    : "SimpleCombo") +
                                    "_Mode" + std::to_string(std::get<1>(info.param));
                         });

// Dropdown List has no field: the letters typed while it has the focus are
// the query.
TEST(SearchDropdownList, TypedLettersSearchAndTheKeysChoose) {
    Host host(StyleType::DropdownList);
    host.Fill(kCities);
    host.ctl().SearchMode(2);
    std::vector<std::int32_t> counts;
    host.recorder.onSearchChanged = [&](std::int32_t& n) { counts.push_back(n); };
    host.ctl().Container().SetFocus();
    host.desktop.Type("alt");
    EXPECT_EQ(Shown(host.RowList(1)), (std::vector<std::int32_t>{1, 3, 4, 6, 8}));
    EXPECT_EQ(counts, (std::vector<std::int32_t>{9, 5, 5}));  // "a", "al", "alt"
    EXPECT_TRUE(host.DropDownWindow()->Visible());
    EXPECT_EQ(host.desktop.GetFocus(), host.ctl().Container().hWnd());
    host.desktop.PressKey(tk::key::Back);
    EXPECT_EQ(counts.size(), 4u);  // "al" again
    EXPECT_EQ(host.ctl().ListCount(), 10);
    host.desktop.Type("t");
    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);
    host.recorder.Clear();
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(host.ctl().ListIndex(), 3);
    EXPECT_EQ(host.recorder.Count("Click"), 1);
    EXPECT_EQ(host.ctl().Text(), "DE-80331\tMünchen Altstadt");
    EXPECT_FALSE(host.RowList(1).Filtered());
    EXPECT_FALSE(host.DropDownWindow()->Visible());

    host.desktop.Type("zz");
    EXPECT_TRUE(host.RowList(1).Filtered());
    EXPECT_EQ(counts.back(), 0);
    host.desktop.PressKey(tk::key::Escape);
    EXPECT_FALSE(host.RowList(1).Filtered());
    EXPECT_FALSE(host.DropDownWindow()->Visible());
    EXPECT_EQ(host.ctl().ListIndex(), 3);  // Escape keeps the row chosen before
    EXPECT_EQ(counts.back(), 10) << "every row shows again, and the host's count hears of it";
}

// Space opens a Dropdown List's drop-down, as on a desktop combo box; once
// a query is being typed it is part of the query.
TEST(SearchDropdownList, SpaceOpensTheListUntilAQueryIsTyped) {
    Host host(StyleType::DropdownList);
    host.Fill(kCities);
    host.ctl().SearchMode(2);
    host.ctl().Container().SetFocus();
    host.desktop.PressKey(tk::key::Space);
    EXPECT_TRUE(host.DropDownWindow()->Visible()) << "no query yet: Space opens the list";
    EXPECT_FALSE(host.RowList(1).Filtered());
    host.desktop.PressKey(tk::key::Escape);
    host.desktop.Advance(200);
    host.ctl().Container().SetFocus();
    host.desktop.Type("n a");
    EXPECT_EQ(Shown(host.RowList(1)), (std::vector<std::int32_t>{3, 6, 8}))
        << "the space went into the query: München, Köln and Dresden Altstadt";
}

TEST(SearchOff, TypingDropsTheCurrentRowAsBefore) {
    Host host;
    host.Fill(kCities);
    host.ctl().ListIndex(2);
    host.Widget<tk::TextBox>("txtCol1").SetFocus();
    host.desktop.Type("alt");
    EXPECT_EQ(host.ctl().ListIndex(), -1);
    EXPECT_FALSE(host.RowList(1).Filtered());
    EXPECT_EQ(host.recorder.Count("SearchChanged"), 0);
}

}  // namespace
}  // namespace korvane::test
