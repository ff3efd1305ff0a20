// The rows as a host fills and reads them: adding with the duplicate rule
// and the row limit, reading and changing row texts and item numbers,
// removing and clearing, and every index error with its number and text.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "support.h"
#include "toolkit/row_store.h"

namespace korvane::test {
namespace {

class RowsInEveryStyle : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();
};

INSTANTIATE_TEST_SUITE_P(Styles, RowsInEveryStyle, testing::ValuesIn(kAllStyles), StyleLabel);

TEST_P(RowsInEveryStyle, DuplicateRuleIgnoresCaseAndLooksAtAnyRow) {
    host.Fill({{"Apple", "x"}, {"y", "Pear"}});
    ctl.AddItem("APPLE", "pear");
    EXPECT_EQ(ctl.ListCount(), 2);
    EXPECT_EQ(host.desktop.Beeps(), 1);
    EXPECT_EQ(ctl.NewIndex(), 1) << "a refused row leaves NewIndex alone";

    ctl.AddItem("Apple", "z");
    EXPECT_EQ(ctl.ListCount(), 3);
    EXPECT_EQ(host.desktop.Beeps(), 1);
}

TEST_P(RowsInEveryStyle, DuplicateRuleFoldsUnicodeCase) {
    ctl.AddItem("Ärger", "Straße");
    ctl.AddItem("ärger", "STRASSE");  // full case folding: ß folds to ss
    ctl.AddItem("ÄRGER", "straße");
    EXPECT_EQ(ctl.ListCount(), 1);
    EXPECT_EQ(host.desktop.Beeps(), 2);
}

TEST_P(RowsInEveryStyle, DuplicateRuleFollowsEveryChangeOfTheRows) {
    host.Fill({{"Apple", "x"}, {"y", "Pear"}});
    ctl.RemoveItem(0);
    ctl.AddItem("apple", "pear");  // no row has "Apple" any more
    EXPECT_EQ(ctl.ListCount(), 2);

    ctl.List(1, "Kiwi;Lime");  // the new row becomes (Kiwi, Lime)
    ctl.AddItem("kiwi", "lime");
    EXPECT_EQ(ctl.ListCount(), 2) << "the changed texts are known to the rule";
    ctl.AddItem("apple", "PEAR");
    EXPECT_EQ(ctl.ListCount(), 3) << "the replaced texts are forgotten";

    ctl.Clear();
    ctl.AddItem("kiwi", "lime");
    EXPECT_EQ(ctl.ListCount(), 1);
}

TEST_P(RowsInEveryStyle, AddItemWithoutIdAndTheNewestRow) {
    host.Fill({{"a", "1"}, {"b", "2"}});
    ctl.AddItem("c", "3");
    EXPECT_EQ(ctl.ItemData(2), 0);
    EXPECT_EQ(ctl.NewIndex(), ctl.ListCount() - 1);
    EXPECT_EQ(ctl.ItemData(0), 10);
}

TEST_P(RowsInEveryStyle, AddingRowsTouchesNeitherCurrentRowNorFieldsNorEvents) {
    host.Fill({{"a", "1"}});
    ctl.ListIndex(0);
    host.recorder.Clear();
    const std::string shown = ctl.Text();
    host.Fill({{"b", "2"}, {"c", "3"}});
    EXPECT_EQ(ctl.ListIndex(), 0);
    EXPECT_EQ(ctl.Text(), shown);
    EXPECT_TRUE(host.recorder.events.empty());
}

TEST_P(RowsInEveryStyle, RowTextJoinsTheCellsWithOneTab) {
    host.Fill({{"Alpha", "Beta"}, {"Gamma", ""}});
    EXPECT_EQ(ctl.List(0), "Alpha\tBeta");
    EXPECT_EQ(ctl.List(1), "Gamma\t");
    EXPECT_EQ(ctl.ListCol(1, 0), "Alpha");
    EXPECT_EQ(ctl.ListCol(2, 0), "Beta");
}

struct SplitCase {
    const char* name;
    const char* value;
    const char* col1;
    const char* col2;
};

TEST_P(RowsInEveryStyle, SettingARowTextSplitsAtTheFirstTabElseTheFirstSemicolon) {
    const SplitCase cases[] = {
        {"semicolon", "x;y", "x", "y"},
        {"tab wins over an earlier semicolon", "x;y\tz", "x;y", "z"},
        {"no separator", "x", "x", ""},
        {"later separators stay in column 2", "a\tb\tc;d", "a", "b\tc;d"},
        {"nothing trimmed", " a ; b ", " a ", " b "},
        {"empty", "", "", ""},
    };
    host.Fill({{"old", "row"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ctl.List(0, c.value);
        EXPECT_EQ(ctl.ListCol(1, 0), c.col1);
        EXPECT_EQ(ctl.ListCol(2, 0), c.col2);
        EXPECT_EQ(ctl.ItemData(0), 10) << "the item number stays";
    }
}

TEST_P(RowsInEveryStyle, SettingTheCurrentRowsTextDoesNotRefreshTheFields) {
    host.Fill({{"a", "1"}});
    ctl.ListIndex(0);
    host.recorder.Clear();
    ctl.List(0, "b;2");
    EXPECT_EQ(ctl.TextCol(1), "a");
    EXPECT_TRUE(host.recorder.events.empty());
}

TEST_P(RowsInEveryStyle, RemovingRowsAroundTheCurrentRow) {
    host.Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    ctl.ListIndex(2);
    ctl.RemoveItem(3);  // below the current row
    EXPECT_EQ(ctl.ListIndex(), 2);
    ctl.RemoveItem(0);  // above it: the same row stays current
    EXPECT_EQ(ctl.ListIndex(), 1);
    EXPECT_EQ(ctl.TextCol(1), "c");
    ctl.RemoveItem(1);  // the current row itself
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(ctl.TextCol(1), "");
    EXPECT_EQ(ctl.TextCol(2), "");
    EXPECT_EQ(ctl.Text(), "");
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"b\t2"}));
}

TEST_P(RowsInEveryStyle, RemovingTheTopRowKeepsTopIndexOnARow) {
    host.Fill({{"a", "1"}, {"b", "2"}});
    ASSERT_EQ(ctl.TopIndex(), 0);
    ctl.RemoveItem(0);
    EXPECT_EQ(ctl.TopIndex(), 0);
    ctl.TopIndex(ctl.TopIndex());  // the value it reports is one TopIndex accepts
}

TEST_P(RowsInEveryStyle, RemovingARowKeepsTheTopRowTheListShows) {
    for (int i = 0; i < 40; ++i)
        ctl.AddItem("row " + std::to_string(i), std::to_string(i));
    ctl.TopIndex(20);
    const std::int32_t top = ctl.TopIndex();
    ctl.RemoveItem(0);
    EXPECT_EQ(ctl.TopIndex(), host.RowList(2).TopIndex());
    EXPECT_LE(ctl.TopIndex(), top);
}

TEST_P(RowsInEveryStyle, ClearEmptiesRowsFieldsAndLabelsButKeepsNewIndex) {
    host.Fill({{"a", "1"}, {"b", "2"}});
    ctl.ListIndex(1);
    ctl.Clear();
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(ctl.TopIndex(), 0);
    EXPECT_EQ(ctl.NewIndex(), 1);
    EXPECT_EQ(ctl.Text(), "");
    EXPECT_EQ(host.Widget<tk::Label>("lblCol1").Caption(), "");
    EXPECT_EQ(host.Widget<tk::TextBox>("txtCol2").Text(), "");
}

TEST_P(RowsInEveryStyle, ItemNumbersTravelWithTheirRows) {
    host.Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ctl.ItemData(1, -2147483647 - 1);
    EXPECT_EQ(ctl.ItemData(1), -2147483647 - 1);
    ctl.RemoveItem(0);
    EXPECT_EQ(ctl.ItemData(0), -2147483647 - 1);
    EXPECT_EQ(ctl.ItemData(1), 30);
}

TEST_P(RowsInEveryStyle, ItemDataWriteIsAnnouncedOnlyWhenItSucceeds) {
    host.Fill({{"a", "1"}});
    ctl.ItemData(0, 7);
    EXPECT_THROW(ctl.ItemData(5, 7), RuntimeError);
    const auto& changes = host.desktop.PropertyChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].Property, "ItemData");
}

TEST_P(RowsInEveryStyle, TextsAreKeptByteForByte) {
    const std::string invalid = "\xff\xfe\xc3";  // not UTF-8
    const std::string longText(1 << 20, 'w');
    ctl.AddItem(invalid, "");
    ctl.AddItem("", longText);
    ctl.AddItem("\xff\xfe", "");      // another invalid text: not a duplicate of the first
    ctl.AddItem(invalid, "other");    // column 2 differs from every row's
    ctl.AddItem("\xFF\xFE\xC3", "");  // the same bytes: refused
    EXPECT_EQ(ctl.ListCount(), 4);
    EXPECT_EQ(ctl.ListCol(1, 0), invalid);
    EXPECT_EQ(ctl.ListCol(2, 1), longText);
    EXPECT_EQ(ctl.List(1), "\t" + longText);
    EXPECT_EQ(host.desktop.Beeps(), 1);
}

// --- the error table ---------------------------------------------------------------

struct ErrorCase {
    const char* name;
    std::function<void(ucvKorvane&)> action;
    std::int32_t number;
    const char* description;
};

TEST_P(RowsInEveryStyle, EveryIndexErrorHasItsNumberAndTextAndChangesNothing) {
    const ErrorCase cases[] = {
        {"RemoveItem -1", [](ucvKorvane& c) { c.RemoveItem(-1); }, 5, "Invalid procedure call or argument"},
        {"RemoveItem past the end", [](ucvKorvane& c) { c.RemoveItem(3); }, 6, "Item '3' do not exist"},
        {"List get -1", [](ucvKorvane& c) { c.List(-1); }, 5, "Invalid procedure call or argument"},
        {"List get past the end", [](ucvKorvane& c) { c.List(7); }, 6, "Item '7' do not exist"},
        {"List let -1", [](ucvKorvane& c) { c.List(-1, "x"); }, 5, "Invalid procedure call or argument"},
        {"List let past the end", [](ucvKorvane& c) { c.List(3, "x"); }, 6, "Item '3' do not exist"},
        {"ListCol column 3", [](ucvKorvane& c) { c.ListCol(3, 0); }, 5, "Invalid procedure call or argument"},
        {"ListCol column 0", [](ucvKorvane& c) { c.ListCol(0, 0); }, 5, "Invalid procedure call or argument"},
        {"ListCol row -1", [](ucvKorvane& c) { c.ListCol(1, -1); }, 5, "Invalid procedure call or argument"},
        {"ListCol past the end", [](ucvKorvane& c) { c.ListCol(2, 3); }, 6, "Item '3' do not exist"},
        {"ItemData get -1", [](ucvKorvane& c) { c.ItemData(-1); }, 5, "Invalid procedure call or argument"},
        {"ItemData get past the end", [](ucvKorvane& c) { c.ItemData(32767); }, 6, "Item '32767' do not exist"},
        {"ItemData let -1", [](ucvKorvane& c) { c.ItemData(-1, 1); }, 5, "Invalid procedure call or argument"},
        {"ItemData let past the end", [](ucvKorvane& c) { c.ItemData(3, 1); }, 6, "Item '3' do not exist"},
        {"ListIndex -2", [](ucvKorvane& c) { c.ListIndex(-2); }, 5, "Invalid procedure call or argument"},
        {"ListIndex past the end", [](ucvKorvane& c) { c.ListIndex(3); }, 6, "Item '3' do not exist"},
        {"ListIndex far past the end", [](ucvKorvane& c) { c.ListIndex(2147483647); }, 6,
         "Item '2147483647' do not exist"},
        {"TopIndex -1", [](ucvKorvane& c) { c.TopIndex(-1); }, 5, "Invalid procedure call or argument"},
        {"TopIndex past the end", [](ucvKorvane& c) { c.TopIndex(3); }, 6, "Item '3' do not exist"},
        {"TextCol column 0", [](ucvKorvane& c) { c.TextCol(0); }, 5, "Invalid procedure call or argument"},
        {"TextCol column 3", [](ucvKorvane& c) { c.TextCol(3); }, 5, "Invalid procedure call or argument"},
        {"ListCount let", [](ucvKorvane& c) { c.ListCount(5); }, 7, "Can't assign to read-only property"},
    };
    host.Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ctl.ListIndex(1);
    const auto rows = host.Rows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.recorder.Clear();
        auto [number, description] = ErrorOf([&] { c.action(ctl); });
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(description, c.description);
        EXPECT_EQ(ctl.ListIndex(), 1);
        EXPECT_EQ(ctl.ListCount(), 3);
        EXPECT_EQ(host.Rows(), rows);
        EXPECT_EQ(ctl.TextCol(1), "b");
        EXPECT_TRUE(host.recorder.events.empty());
    }
    EXPECT_TRUE(host.desktop.MessageBoxes().empty()) << "run-time errors show no message";
}

TEST_P(RowsInEveryStyle, ErrorsCarryNoSourceOfTheirOwn) {
    try {
        ctl.RemoveItem(0);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(std::string(e.what()), "Item '0' do not exist");
    }
}

TEST_P(RowsInEveryStyle, TheRowLimitIsRefusedWithAClearErrorAndNothingChanges) {
    for (std::int32_t i = 0; i < 32767; ++i)
        ctl.AddItem(std::to_string(i), "", i);
    ASSERT_EQ(ctl.ListCount(), 32767);
    ctl.ListIndex(32766);
    auto [number, description] = ErrorOf([&] { ctl.AddItem("one more", "row"); });
    EXPECT_EQ(number, 1000);
    EXPECT_EQ(description, "List is full: a KorvaneBox holds at most 32767 rows");
    EXPECT_EQ(ctl.ListCount(), 32767);
    EXPECT_EQ(host.RowList(1).ListCount(), host.RowList(2).ListCount());
    EXPECT_EQ(ctl.NewIndex(), 32766);
    EXPECT_EQ(ctl.List(32766), "32766\t");
    EXPECT_EQ(ctl.ListIndex(), 32766);
    ctl.RemoveItem(0);
    ctl.AddItem("one more", "row");  // room again
    EXPECT_EQ(ctl.ListCount(), 32767);
}

// --- design time ---------------------------------------------------------------------

TEST(RowsAtDesignTime, ListCountWriteShowsTheMessageAndRaisesNothing) {
    Host host(StyleType::SimpleCombo, /*userMode=*/false);
    host.Fill({{"a", "1"}});
    EXPECT_NO_THROW(host.ctl().ListCount(9));
    EXPECT_EQ(host.ctl().ListCount(), 1);
    ASSERT_EQ(host.desktop.MessageBoxes().size(), 1u);
    EXPECT_EQ(host.desktop.MessageBoxes()[0].Prompt, "Can't assign to read-only property");
    EXPECT_EQ(host.desktop.MessageBoxes()[0].Style, 16);
}

TEST(RowsAtDesignTime, IndexErrorsAreRaisedAtDesignTimeToo) {
    Host host(StyleType::DropdownList, /*userMode=*/false);
    EXPECT_EQ(ErrorOf([&] { host.ctl().RemoveItem(0); }).first, 6);
    EXPECT_EQ(ErrorOf([&] { host.ctl().List(-1); }).first, 5);
}

TEST(RowsOfANewControl, RowsAddedToANewDropdownComboAreKept) {
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    auto form = desktop.CreateForm("Form1");
    ucvKorvane ctl(*form);
    ctl.InitProperties();
    ctl.AddItem("kept", "row", 3);
    EXPECT_EQ(ctl.ListCount(), 1);
    EXPECT_EQ(ctl.List(0), "kept\trow");
    EXPECT_EQ(ctl.ItemData(0), 3);
}

}  // namespace
}  // namespace korvane::test

namespace korvane::test {
namespace {

// Host code that runs while a sort lets the host's events through.
class WhileSorting : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();
    void SetUp() override { host.Fill({{"b", "2"}, {"a", "1"}, {"c", "3"}}); }
};

INSTANTIATE_TEST_SUITE_P(Styles, WhileSorting, testing::ValuesIn(kAllStyles), StyleLabel);

TEST_P(WhileSorting, GuardedMembersShowTheRefusalAndChangeNothing) {
    struct Guarded {
        const char* name;
        std::function<void(ucvKorvane&)> call;
    };
    const Guarded guarded[] = {
        {"AddItem", [](ucvKorvane& c) { c.AddItem("d", "4"); }},
        {"RemoveItem", [](ucvKorvane& c) { c.RemoveItem(0); }},
        {"Clear", [](ucvKorvane& c) { c.Clear(); }},
        {"List get", [](ucvKorvane& c) { EXPECT_EQ(c.List(0), ""); }},
        {"List let", [](ucvKorvane& c) { c.List(0, "x;y"); }},
        {"ListCol", [](ucvKorvane& c) { EXPECT_EQ(c.ListCol(1, 0), ""); }},
        {"ItemData get", [](ucvKorvane& c) { EXPECT_EQ(c.ItemData(0), 0); }},
        {"ItemData let", [](ucvKorvane& c) { c.ItemData(0, 99); }},
        {"ListIndex let", [](ucvKorvane& c) { c.ListIndex(1); }},
        {"TopIndex let", [](ucvKorvane& c) { c.TopIndex(1); }},
        {"TextCol", [](ucvKorvane& c) { EXPECT_EQ(c.TextCol(1), ""); }},
        {"Sort", [](ucvKorvane& c) { c.Sort(2); }},
        // Out-of-range arguments meet the refusal first, not an error.
        {"RemoveItem out of range", [](ucvKorvane& c) { c.RemoveItem(-7); }},
    };
    std::vector<std::string> answered;
    host.desktop.Post([&] {
        for (const auto& g : guarded) {
            SCOPED_TRACE(g.name);
            EXPECT_NO_THROW(g.call(ctl));
        }
        answered.push_back(std::to_string(ctl.ListCount()));
        answered.push_back(std::to_string(ctl.ListIndex()));
        answered.push_back(std::to_string(ctl.NewIndex()));
        answered.push_back(ctl.Enabled() ? "enabled" : "disabled");
    });
    ctl.Sort(1);
    const auto& boxes = host.desktop.MessageBoxes();
    ASSERT_EQ(boxes.size(), std::size(guarded));
    for (const auto& box : boxes) {
        EXPECT_EQ(box.Prompt, "Sorting in progress, wait please");
        EXPECT_EQ(box.Style, 16);
    }
    EXPECT_EQ(answered, (std::vector<std::string>{"3", "-1", "2", "disabled"}));
    // The sort itself went on and finished.
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"a\t1", "b\t2", "c\t3"}));
    EXPECT_EQ(ctl.ItemData(0), 20);
    EXPECT_TRUE(ctl.Enabled());
}

TEST_P(WhileSorting, AHostHandlerThatThrowsLeavesTheControlUsable) {
    host.desktop.Post([] { throw std::runtime_error("host failure"); });
    ctl.Enabled(false);
    EXPECT_THROW(ctl.Sort(1), std::runtime_error);
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"b\t2", "a\t1", "c\t3"})) << "rows untouched";
    EXPECT_TRUE(ctl.Enabled());
    EXPECT_EQ(host.desktop.MousePointer(), 0);
    ctl.AddItem("d", "4");  // no sorting flag left behind
    EXPECT_EQ(ctl.ListCount(), 4);
    EXPECT_TRUE(host.desktop.MessageBoxes().empty());
}

TEST_P(WhileSorting, AHostThatDestroysTheControlDuringASortEndsIt) {
    host.desktop.Post([&] { host.control.reset(); });
    ctl.Sort(1);
    EXPECT_EQ(host.control, nullptr);
    EXPECT_EQ(host.desktop.MousePointer(), 0);
}

// A list entry's text is built in memory that held something else before
// (a vector's spare room, a stack slot). Built over bytes that read as "a
// long text, kept elsewhere", it freed whatever those bytes pointed at.
TEST(RowStore, ANewTextBuiltOverStaleBytesFreesNothing) {
    for (const std::string& value : {std::string("short"), std::string(40, 'x')}) {
        alignas(tk::CompactText) unsigned char storage[sizeof(tk::CompactText)];
        std::memset(storage, 0x7F, sizeof storage);
        auto* text = new (storage) tk::CompactText(value);
        EXPECT_EQ(text->View(), value);
        text->~CompactText();
    }
}

}  // namespace
}  // namespace korvane::test
