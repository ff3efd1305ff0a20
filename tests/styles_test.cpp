// The three styles as a form designer switches them: which widgets show,
// the drop-down window that the drop-down styles own, ListHeight and
// AutoFill, the order of the notifications, and the refusals of values
// outside the enumeration and of any change at run time.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

std::vector<std::string> Announced(const TestDesktop& desktop) {
    std::vector<std::string> names;
    for (const auto& change : desktop.PropertyChanges())
        names.push_back(change.Property);
    return names;
}

bool InOrder(const std::vector<std::string>& all, const std::vector<std::string>& wanted) {
    auto it = all.begin();
    for (const auto& w : wanted) {
        it = std::find(it, all.end(), w);
        if (it == all.end())
            return false;
        ++it;
    }
    return true;
}

struct Shown {
    const char* name;
    StyleType style;
    std::int32_t w1, w2;
    // txtCol1 txtCol2 lblCol1 lblCol2 lstCol1a lstCol2a imgCombo
    bool visible[7];
};

TEST(Styles, EachStyleShowsItsWidgets) {
    const Shown table[] = {
        {"Dropdown Combo", StyleType::DropdownCombo, 1100, 2900, {1, 1, 0, 0, 0, 0, 1}},
        {"Dropdown Combo, column 1 hidden", StyleType::DropdownCombo, 0, 2900, {0, 1, 0, 0, 0, 0, 1}},
        {"Dropdown Combo, column 2 hidden", StyleType::DropdownCombo, 1100, 0, {1, 0, 0, 0, 0, 0, 1}},
        {"Simple Combo", StyleType::SimpleCombo, 1100, 2900, {1, 1, 0, 0, 1, 1, 0}},
        {"Simple Combo, column 1 hidden", StyleType::SimpleCombo, 0, 2900, {0, 1, 0, 0, 0, 1, 0}},
        {"Simple Combo, column 2 hidden", StyleType::SimpleCombo, 1100, 0, {1, 0, 0, 0, 1, 0, 0}},
        {"Dropdown List", StyleType::DropdownList, 1100, 2900, {0, 0, 1, 1, 0, 0, 1}},
        {"Dropdown List, column 1 hidden", StyleType::DropdownList, 0, 2900, {0, 0, 0, 1, 0, 0, 1}},
        {"Dropdown List, column 2 hidden", StyleType::DropdownList, 1100, 0, {0, 0, 1, 0, 0, 0, 1}},
    };
    const char* names[] = {"txtCol1", "txtCol2", "lblCol1", "lblCol2", "lstCol1a", "lstCol2a", "imgCombo"};
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Host host(StyleType::DropdownCombo, /*userMode=*/false);
        host.ctl().WidthCol1(row.w1);
        host.ctl().WidthCol2(row.w2);
        host.ctl().Style(row.style);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(host.Widget(names[i]).Visible(), row.visible[i]) << names[i];
        EXPECT_EQ(host.desktop.Find("Window") != nullptr, row.style != StyleType::SimpleCombo);
    }
}

TEST(Styles, ValuesOutsideTheEnumerationAreRefused) {
    for (std::int32_t value : {3, -1, 7, 2147483647}) {
        SCOPED_TRACE(value);
        Host design(StyleType::SimpleCombo, /*userMode=*/false);
        design.ctl().Style(static_cast<StyleType>(value));
        EXPECT_EQ(design.ctl().Style(), StyleType::SimpleCombo);
        ASSERT_EQ(design.desktop.MessageBoxes().size(), 1u);
        EXPECT_EQ(design.desktop.MessageBoxes()[0].Prompt, "Illegal value style");
        EXPECT_EQ(design.desktop.MessageBoxes()[0].Style, 16);
        EXPECT_TRUE(Announced(design.desktop).empty());

        Host run(StyleType::DropdownList);
        auto [number, description] = ErrorOf([&] { run.ctl().Style(static_cast<StyleType>(value)); });
        EXPECT_EQ(number, 9) << "the range is checked before the mode";
        EXPECT_EQ(description, "Illegal value style");
    }
}

TEST(Styles, NoStyleCanBeSetAtRunTimeNotEvenTheSameOne) {
    for (StyleType style : kAllStyles) {
        Host host(StyleType::DropdownCombo);
        EXPECT_EQ(ErrorOf([&] { host.ctl().Style(style); }),
                  (std::pair<std::int32_t, std::string>{7, "Can't assign to read-only property"}));
        EXPECT_EQ(host.ctl().Style(), StyleType::DropdownCombo);
    }
}

TEST(Styles, SwitchingToDropdownListTurnsAutoFillOffAndAnnouncesInOrder) {
    Host host(StyleType::DropdownCombo, /*userMode=*/false);
    host.ctl().AutoFill(true);
    host.desktop.ClearRecords();
    host.ctl().Style(StyleType::DropdownList);
    EXPECT_FALSE(host.ctl().AutoFill());
    EXPECT_TRUE(InOrder(Announced(host.desktop), {"ListHeight", "AutoFill", "Style"}));

    host.desktop.ClearRecords();
    host.ctl().Style(StyleType::DropdownCombo);
    EXPECT_FALSE(host.ctl().AutoFill()) << "leaving Dropdown List does not turn it back on";
    const auto names = Announced(host.desktop);
    EXPECT_EQ(std::count(names.begin(), names.end(), "AutoFill"), 0);
    EXPECT_EQ(names.back(), "Style");
}

TEST(Styles, SimpleComboDiscardsTheDropDownWindowAndComingBackMakesANewOne) {
    Host host(StyleType::DropdownCombo, /*userMode=*/false);
    host.Fill({{"a", "1"}});
    const tk::Hwnd before = host.desktop.Find("Window")->hWnd();
    host.ctl().Style(StyleType::SimpleCombo);
    EXPECT_EQ(host.desktop.Find("Window"), nullptr);
    EXPECT_EQ(host.ctl().ListCount(), 0) << "the embedded lists hold the rows now";
    host.ctl().Style(StyleType::DropdownList);
    ASSERT_NE(host.desktop.Find("Window"), nullptr);
    EXPECT_NE(host.desktop.Find("Window")->hWnd(), before);
    EXPECT_EQ(host.ctl().ListCount(), 0);
}

TEST(Styles, ListHeightIsResetOnlyByTheDropDownStyles) {
    Host host(StyleType::SimpleCombo, /*userMode=*/false);
    host.ctl().ListHeight(3000);
    const std::int32_t kept = host.ctl().ListHeight();
    host.ctl().Style(StyleType::SimpleCombo);
    EXPECT_EQ(host.ctl().ListHeight(), kept);
    host.ctl().Style(StyleType::DropdownCombo);
    // 1800 twips settle at nine rows of the default font: 1785.
    EXPECT_EQ(host.ctl().ListHeight(), 1785);
}

TEST(Styles, TheRightmostFieldLosesTheBorderButLabelsDoNot) {
    // The style write rescales the columns to the control's width, so the
    // widths are read back rather than assumed.
    for (StyleType style : {StyleType::SimpleCombo, StyleType::DropdownCombo}) {
        SCOPED_TRACE(static_cast<int>(style));
        Host host(StyleType::DropdownCombo, /*userMode=*/false);
        host.ctl().WidthCol2(0);
        host.ctl().Style(style);
        ASSERT_EQ(host.ctl().WidthCol2(), 0);
        EXPECT_EQ(host.Widget("txtCol1").Width(), host.ctl().WidthCol1() - 30);
        if (style == StyleType::SimpleCombo) {
            EXPECT_EQ(host.Widget("lstCol1a").Width(), host.ctl().WidthCol1() - 30);
        }
    }
    Host list(StyleType::DropdownList, /*userMode=*/false);
    EXPECT_EQ(list.Widget("lblCol2").Width(), list.ctl().WidthCol2());
    EXPECT_EQ(list.Widget("txtCol2").Width(), list.ctl().WidthCol2() - 30);
    EXPECT_EQ(list.Widget("lblCol1").Width(), list.ctl().WidthCol1());
}

TEST(Styles, AStoredStyleOutsideTheEnumerationIsHarmless) {
    Host host(StyleType::DropdownCombo, /*userMode=*/true);
    TestDesktop& desktop = host.desktop;
    auto form = desktop.CreateForm("Form2");
    ucvKorvane odd(*form, Site{"Odd"});
    tk::MemoryPropertyBag bag;
    bag.Set("Style", std::int32_t{7});
    odd.ReadProperties(bag);
    EXPECT_EQ(static_cast<std::int32_t>(odd.Style()), 7);
    odd.AddItem("a", "b");  // no list pair: nothing to add to, nothing breaks
    EXPECT_EQ(odd.ListCount(), 0);
    odd.ListIndex(-1);
    EXPECT_EQ(odd.TextCol(1), "");
    EXPECT_EQ(odd.Text(), "");
}

}  // namespace
}  // namespace korvane::test
