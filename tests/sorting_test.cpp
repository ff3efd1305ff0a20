// Sort as a host calls it: by either column or the item number, as text
// (case ignored) or as numbers in the fixed format or the user's locale, and
// the state the control is left in, errors included.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

std::vector<std::string> Column(ucvKorvane& ctl, std::int16_t col) {
    std::vector<std::string> cells;
    for (std::int32_t i = 0; i < ctl.ListCount(); ++i)
        cells.push_back(ctl.ListCol(col, i));
    return cells;
}

struct SortCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> rows;
    std::int16_t col;
    bool numeric;
    std::vector<std::string> expected;  // the sorted column
};

class Sorting : public testing::TestWithParam<StyleType> {};
INSTANTIATE_TEST_SUITE_P(Styles, Sorting, testing::ValuesIn(kAllStyles), StyleLabel);

TEST_P(Sorting, OrdersByTheRequestedKey) {
    const SortCase cases[] = {
        {"text ignores case", {{"b", ""}, {"A", ""}, {"c", ""}}, 1, false, {"A", "b", "c"}},
        {"text orders digits as text", {{"10", ""}, {"9", ""}, {"100", ""}}, 1, false, {"10", "100", "9"}},
        {"numbers", {{"10", ""}, {"9", ""}, {"100", ""}}, 1, true, {"9", "10", "100"}},
        {"leading numbers, none is 0", {{"12 kg", ""}, {"kg", ""}, {"3.5 kg", ""}}, 1, true, {"kg", "3.5 kg", "12 kg"}},
        {"negative and exponent", {{"1e3", ""}, {"-2", ""}, {"50", ""}}, 1, true, {"-2", "50", "1e3"}},
        {"column 2 as text", {{"x", "Beta"}, {"y", "alpha"}, {"z", "Gamma"}}, 2, false, {"alpha", "Beta", "Gamma"}},
        {"accents after their letter", {{"Ö", ""}, {"O", ""}, {"P", ""}}, 1, false, {"O", "Ö", "P"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(GetParam());
        host.Fill(c.rows);
        host.ctl().Sort(c.col, c.numeric);
        EXPECT_EQ(Column(host.ctl(), c.col), c.expected);
    }
}

TEST_P(Sorting, ItemNumbersOrderTheRowsAndTravelWithThem) {
    Host host(GetParam());
    host.ctl().AddItem("c", "three", 30);
    host.ctl().AddItem("a", "one", -5);
    host.ctl().AddItem("b", "two", 7);
    host.ctl().Sort(3, false);  // item numbers are numbers whatever OnNumeric says
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"a\tone", "b\ttwo", "c\tthree"}));
    EXPECT_EQ(host.ctl().ItemData(0), -5);
    host.ctl().Sort(2);  // one, three, two
    EXPECT_EQ(host.ctl().ItemData(1), 30);
}

TEST_P(Sorting, LeavesTrimmedCellsNoRowAndTheControlEnabled) {
    Host host(GetParam());
    host.Fill({{"  b ", " 2  "}, {"a", "1"}, {"c\tx", "3"}});
    host.ctl().ListIndex(1);
    host.ctl().TopIndex(1);
    host.ctl().Enabled(false);
    const std::int32_t newest = host.ctl().NewIndex();
    host.recorder.Clear();
    host.desktop.ClearRecords();
    host.ctl().Sort(1);
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"a\t1", "b\t2", "c\tx\t3"}));
    EXPECT_EQ(host.ctl().ListCol(1, 2), "c") << "a tab inside a cell splits it";
    EXPECT_EQ(host.ctl().ListCol(2, 2), "x\t3");
    EXPECT_EQ(host.ctl().ListIndex(), -1);
    EXPECT_EQ(host.ctl().TopIndex(), 0);
    EXPECT_EQ(host.ctl().Text(), "");
    EXPECT_EQ(host.ctl().NewIndex(), newest);
    EXPECT_TRUE(host.ctl().Enabled());
    EXPECT_EQ(host.desktop.PointerHistory(), (std::vector<std::int16_t>{11, 0}));
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

TEST_P(Sorting, EqualKeysAreAllKept) {
    Host host(GetParam());
    for (int i = 0; i < 200; ++i)
        host.ctl().AddItem(i % 2 ? "same" : "SAME", std::to_string(i), i);
    host.ctl().AddItem("aaa", "first");
    host.ctl().Sort(1);
    EXPECT_EQ(host.ctl().ListCol(1, 0), "aaa");
    std::vector<int> seen(200, 0);
    for (std::int32_t i = 1; i < host.ctl().ListCount(); ++i)
        ++seen[static_cast<std::size_t>(host.ctl().ItemData(i))];
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 200);
}

TEST(SortingErrors, ColumnsOutsideOneToThree) {
    Host host(StyleType::SimpleCombo);
    host.Fill({{"b", ""}, {"a", ""}});
    for (std::int16_t col : {0, 4, -1}) {
        auto [number, description] = ErrorOf([&] { host.ctl().Sort(col); });
        EXPECT_EQ(number, 5);
        EXPECT_EQ(description, "Invalid procedure call or argument");
    }
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"b\t", "a\t"}));
}

TEST(SortingErrors, AnEmptyListIsLeftAlone) {
    Host host(StyleType::DropdownList);
    host.ctl().Sort(1);
    EXPECT_TRUE(host.desktop.PointerHistory().empty());
    EXPECT_TRUE(host.desktop.PropertyChanges().empty());
}

TEST(SortingLocaleNumbers, ACommaInTheFirstKeyReadsEveryKeyByTheLocale) {
    Host host(StyleType::SimpleCombo);
    host.desktop.SetUserLocale("de_DE");
    host.Fill({{"1,5", ""}, {"10", ""}, {"2,25", ""}, {"1.000,5", ""}});
    host.ctl().Sort(1, true);
    EXPECT_EQ(Column(host.ctl(), 1), (std::vector<std::string>{"1,5", "2,25", "10", "1.000,5"}));
}

TEST(SortingLocaleNumbers, AKeyTheLocaleCannotReadStopsTheSortWithTypeMismatch) {
    Host host(StyleType::DropdownCombo);
    host.desktop.SetUserLocale("de_DE");
    host.Fill({{"1,5", "a"}, {"kg", "b"}, {"3", "c"}});
    host.ctl().ListIndex(1);
    auto [number, description] = ErrorOf([&] { host.ctl().Sort(1, true); });
    EXPECT_EQ(number, 13);
    EXPECT_EQ(description, "Type mismatch");
    EXPECT_EQ(host.Rows(), (std::vector<std::string>{"1,5\ta", "kg\tb", "3\tc"}));
    // The control is usable again: no flag, pointer or disabled state left.
    EXPECT_TRUE(host.ctl().Enabled());
    EXPECT_EQ(host.desktop.MousePointer(), 0);
    host.ctl().AddItem("d", "d");
    EXPECT_EQ(host.ctl().ListCount(), 4);
    EXPECT_TRUE(host.desktop.MessageBoxes().empty());
    host.ctl().Sort(2);
    EXPECT_EQ(host.ctl().ListCol(2, 0), "a");
}

// The longest list, with many equal keys: every row in order, and every
// row still whole (its second column and item number travel with it).
TEST(SortingLargeLists, TheLongestListSortsInOrderWithEveryRowWhole) {
    Host host(StyleType::SimpleCombo);
    std::uint32_t seed = 12345;
    std::vector<std::pair<std::string, std::int32_t>> rows;
    for (int i = 0; i < 32767; ++i) {
        seed = seed * 1103515245u + 12345u;
        rows.emplace_back(std::to_string(seed % 5000), static_cast<std::int32_t>(seed % 1000));
        host.ctl().AddItem(rows.back().first, std::to_string(i), rows.back().second);
    }
    auto whole = [&](std::int32_t at) {
        const auto& row = rows[static_cast<std::size_t>(std::stoi(host.ctl().ListCol(2, at)))];
        return host.ctl().ListCol(1, at) == row.first && host.ctl().ItemData(at) == row.second;
    };
    host.ctl().Sort(1, true);
    for (std::int32_t i = 0; i < host.ctl().ListCount(); ++i) {
        ASSERT_TRUE(whole(i)) << "row " << i;
        if (i > 0) {
            ASSERT_LE(std::stod(host.ctl().ListCol(1, i - 1)), std::stod(host.ctl().ListCol(1, i))) << "row " << i;
        }
    }
    host.ctl().Sort(3);
    for (std::int32_t i = 1; i < host.ctl().ListCount(); ++i) {
        ASSERT_TRUE(whole(i)) << "row " << i;
        ASSERT_LE(host.ctl().ItemData(i - 1), host.ctl().ItemData(i)) << "row " << i;
    }
    EXPECT_EQ(host.ctl().ItemData(0), 0);
}

}  // namespace
}  // namespace korvane::test
