// Faults found by hostile and careless use, each as the short sequence that
// showed it: a drop-down that remembered a row the host had removed, errors
// that escaped from a timer tick or a key, the emptiness rule undoing a
// ListIndex write, a style change that kept the other lists' positions,
// invalid UTF-8 in the duplicate rule and fonts the control cannot lay out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support.h"

namespace korvane::test {
namespace {

const std::vector<std::pair<std::string, std::string>> kRows = {
    {"CHF", "Swiss franc"},    {"DKK", "Danish krone"}, {"EUR", "Euro"},
    {"GBP", "Pound sterling"}, {"JPY", "Japanese yen"},
};

class DropDownFaults : public DropDownFixture {
protected:
    void SetUp() override { FillWith(kRows); }
    // Opens the drop-down on row `row` and closes it again with Escape, so
    // the window has shown that row.
    void ShowRowInDropDown(std::int32_t row) {
        ctl.ListIndex(row);
        PressButton();
        ASSERT_TRUE(window().Visible());
        host.desktop.PressKey(tk::key::Escape);
        ASSERT_FALSE(window().Visible());
        host.desktop.Advance(200);
    }
};

INSTANTIATE_TEST_SUITE_P(Styles, DropDownFaults, kDropDownStyles, StyleLabel);

TEST_P(DropDownFaults, TheDropDownForgetsItsRowWhenTheRowsAreCleared) {
    ShowRowInDropDown(4);
    ctl.Clear();
    ctl.AddItem("a", "1");
    PressButton();
    ASSERT_TRUE(window().Visible());
    EXPECT_NO_THROW(host.desktop.PressKey(tk::key::Escape));
    EXPECT_FALSE(window().Visible());
    host.desktop.Advance(200);
    PressButton();
    ASSERT_TRUE(window().Visible());
    // A click away closes it too.
    EXPECT_NO_THROW(host.desktop.Click(5, 5));
    EXPECT_FALSE(window().Visible());
    EXPECT_EQ(ctl.ListCount(), 1);
}

TEST_P(DropDownFaults, TheDropDownForgetsItsRowWhenTheRowIsRemoved) {
    ShowRowInDropDown(4);
    ctl.RemoveItem(4);
    ctl.Locked(true);
    EXPECT_EQ(ErrorOf([&] { ctl.ListIndex(1); }).first, 0);
    EXPECT_EQ(ctl.ListIndex(), 1);
    ctl.Locked(false);
    EXPECT_EQ(ErrorOf([&] { ctl.ListIndex(2); }).first, 0);
    EXPECT_EQ(ctl.ListIndex(), 2);
}

TEST_P(DropDownFaults, ASortOfALockedControlAfterRemovalsKeepsTheDuplicateRule) {
    ShowRowInDropDown(4);
    ctl.RemoveItem(4);
    ctl.RemoveItem(3);
    ctl.ListIndex(1);
    ctl.Locked(true);
    EXPECT_EQ(ErrorOf([&] { ctl.Sort(1); }).first, 0);
    ctl.AddItem("chf", "swiss franc");
    EXPECT_EQ(ctl.ListCount(), 3) << "the duplicate rule still refuses the pair";
    EXPECT_EQ(host.desktop.Beeps(), 1);
}

TEST_P(DropDownFaults, ARowRemovedBeforeTheHandOverIsNotHandedOverAndNothingEscapesTheTick) {
    PressButton();
    host.desktop.ClickRow(host.RowList(1), 4);
    ASSERT_FALSE(window().Visible());
    ctl.RemoveItem(4);
    EXPECT_NO_THROW(host.desktop.Advance(100));
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
    EXPECT_NO_THROW(host.desktop.Advance(300));
}

TEST_P(DropDownFaults, ARowBeforeTheChosenOneRemovedBeforeTheHandOverLeavesTheChosenRow) {
    PressButton();
    host.desktop.ClickRow(host.RowList(1), 3);
    ctl.RemoveItem(0);
    EXPECT_NO_THROW(host.desktop.Advance(100));
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_EQ(ctl.TextCol(1), "GBP");
}

class EditStyleFaults : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();
};

INSTANTIATE_TEST_SUITE_P(Styles, EditStyleFaults, testing::Values(StyleType::DropdownCombo, StyleType::SimpleCombo),
                         StyleLabel);

TEST_P(EditStyleFaults, AutoFillOnAFullListRefusesTheRowWithoutAnErrorFromTheKey) {
    ctl.AutoFill(true);
    for (std::int32_t i = 0; i < tk::ListBox::MaxEntries; ++i)
        ctl.AddItem(std::to_string(i), "");
    ASSERT_EQ(ctl.ListCount(), tk::ListBox::MaxEntries);
    host.desktop.ClickAt(host.Widget("txtCol1"), 60, 60);
    host.desktop.Type("new");
    host.desktop.PressKey(tk::key::Return);
    host.desktop.Type("row");
    host.recorder.Clear();
    EXPECT_NO_THROW(host.desktop.PressKey(tk::key::Return));
    EXPECT_EQ(ctl.ListCount(), tk::ListBox::MaxEntries);
    EXPECT_EQ(host.recorder.Count("Filled"), 0);
    EXPECT_EQ(ctl.TextCol(1), "new") << "the typed text stays";
    EXPECT_EQ(ctl.TextCol(2), "row");
    const bool told = host.desktop.Beeps() > 0 || !host.desktop.MessageBoxes().empty();
    EXPECT_TRUE(told) << "the user learns the row was refused";
}

TEST_P(EditStyleFaults, ListIndexStaysOnARowWhoseTextsAreBothEmpty) {
    host.Fill({{"a", "1"}, {"", ""}, {"c", "3"}});
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.ListIndex(), 1);
    ctl.ListIndex(0);
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.ListIndex(), 1);
}

TEST_P(EditStyleFaults, ListIndexStaysWhenTheFieldsPassThroughBothEmpty) {
    // Column 1 empty, column 2 not: showing it after a row whose column 2
    // is empty empties both fields for a moment.
    host.Fill({{"a", ""}, {"", "2"}});
    ctl.ListIndex(0);
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.ListIndex(), 1);
    EXPECT_EQ(ctl.TextCol(2), "2");
}

TEST(StyleChangeAtDesignTime, TakesTheListIndexAndTopIndexOfTheListsThatNowHoldTheRows) {
    for (StyleType from : kAllStyles) {
        for (StyleType to : kAllStyles) {
            if (from == to)
                continue;
            SCOPED_TRACE(std::string(StyleName(from)) + " to " + StyleName(to));
            Host host(from, false);
            ucvKorvane& ctl = host.ctl();
            for (int i = 0; i < 30; ++i)
                ctl.AddItem("r" + std::to_string(i), std::to_string(i));
            ctl.ListIndex(25);
            ctl.TopIndex(20);
            ctl.Style(to);
            const std::int32_t n = ctl.ListCount();
            EXPECT_GE(ctl.ListIndex(), -1);
            EXPECT_LT(ctl.ListIndex(), n);
            EXPECT_GE(ctl.TopIndex(), 0);
            EXPECT_TRUE(n == 0 ? ctl.TopIndex() == 0 : ctl.TopIndex() < n);
            if (ctl.ListIndex() >= 0) {
                EXPECT_EQ(ErrorOf([&] { ctl.List(ctl.ListIndex()); }).first, 0);
            }
        }
    }
}

TEST(DuplicateRule, TextsThatAreNotValidUtf8AreComparedWithoutCaseToo) {
    for (StyleType style : kAllStyles) {
        Host host(style);
        ucvKorvane& ctl = host.ctl();
        ctl.AddItem("ABC\x80", "X\xC3");
        ctl.AddItem("abc\x80", "x\xC3");
        EXPECT_EQ(ctl.ListCount(), 1) << StyleName(style);
        ctl.AddItem(
            "\xFF"
            "Abc",
            "\xFE");
        ctl.AddItem(
            "\xFF"
            "aBC",
            "\xFE");
        EXPECT_EQ(ctl.ListCount(), 2) << StyleName(style);
        // Invalid bytes still never meet a valid text.
        ctl.AddItem("abc", "x");
        EXPECT_EQ(ctl.ListCount(), 3) << StyleName(style);
    }
}

// The field counted a cut-off sequence as one character where the caret
// steps over each of its bytes, so entering the field left the last byte
// out of the selection.
TEST(InvalidUtf8, EnteringAFieldSelectsAllOfATextThatEndsInACutOffSequence) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t units;
    };
    const Case cases[] = {
        {"valid", "Caf\xC3\xA9", 4},
        {"cut-off three-byte sequence", "ab\xE2\x82", 4},
        {"cut-off four-byte sequence", "\xF0\x9F\x98", 3},
        {"lone continuation bytes", "\x80\x80z", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(StyleType::DropdownCombo);
        host.ctl().AddItem(c.text, "x");
        host.ctl().ListIndex(0);
        auto& field = host.Widget<tk::TextBox>("txtCol1");
        host.desktop.ClickAt(host.Widget("txtCol2"), 30, 30);
        host.desktop.PressKey(tk::key::Tab, tk::shift::Shift);
        ASSERT_EQ(host.desktop.GetFocus(), field.hWnd());
        EXPECT_EQ(field.SelStart(), 0);
        EXPECT_EQ(field.SelLength(), c.units);
    }
}

TEST(FontSizes, AFontTheControlCannotLayOutIsRefused) {
    const float bad[] = {1e30f,
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN(),
                         0.0f,
                         -8.0f,
                         2049.0f};
    for (StyleType style : kAllStyles) {
        for (bool userMode : {true, false}) {
            Host host(style, userMode);
            ucvKorvane& ctl = host.ctl();
            host.Fill(kRows);
            const float closedHeight = ctl.Container().Height();
            for (float size : bad) {
                SCOPED_TRACE(std::string(StyleName(style)) + (userMode ? " run " : " design ") + std::to_string(size));
                auto font = std::make_shared<tk::Font>();
                font->Size = size;
                host.desktop.ClearRecords();
                auto [number, text] = ErrorOf([&] { ctl.Font(font); });
                if (userMode) {
                    EXPECT_EQ(number, 380);
                } else {
                    EXPECT_EQ(number, 0);
                    ASSERT_EQ(host.desktop.MessageBoxes().size(), 1u);
                    EXPECT_EQ(host.desktop.MessageBoxes()[0].Prompt,
                              ErrorDescription(ErrorCode::ToolkitInvalidPropertyValue));
                }
                EXPECT_EQ(ctl.Font()->Size, 8.0f) << "the font in use stays";
                EXPECT_EQ(ctl.Container().Height(), closedHeight);
            }
            // A large font that fits is taken; one whose closed height
            // would not fit on the screen is refused like the others.
            auto large = std::make_shared<tk::Font>();
            large->Size = 72;
            EXPECT_EQ(ErrorOf([&] { ctl.Font(large); }).first, 0);
            EXPECT_EQ(ctl.Font()->Size, 72.0f);
            auto huge = std::make_shared<tk::Font>();
            huge->Size = 2048;
            host.desktop.ClearRecords();
            const auto refused = ErrorOf([&] { ctl.Font(huge); }).first;
            const bool told = refused == 380 || !host.desktop.MessageBoxes().empty();
            EXPECT_TRUE(refused == 0 || refused == 380) << refused;
            EXPECT_EQ(ctl.Font()->Size, told ? 72.0f : 2048.0f);
            EXPECT_TRUE(std::isfinite(ctl.Container().Height()));
        }
    }
}

TEST(FontSizes, ASavedFontTheControlCannotLayOutGivesTheDefaultFont) {
    for (StyleType style : kAllStyles) {
        const auto driver = MakeTestDesktop();
        TestDesktop& desktop = *driver;
        auto form = desktop.CreateForm("Form1");
        ucvKorvane ctl(*form);
        tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(style));
        auto font = std::make_shared<tk::Font>();
        font->Size = std::numeric_limits<float>::infinity();
        bag.Set("Font", tk::FontRef(font));
        ctl.ReadProperties(bag);
        form->Show();
        EXPECT_EQ(ctl.Font()->Size, 8.0f) << StyleName(style);
        EXPECT_TRUE(std::isfinite(ctl.Container().Height()));
        EXPECT_LT(ctl.Container().Height(), 10000.0f);
    }
}

// The control shares the font object with its host, so the host can still
// change the size after the control took the font.
TEST(FontSizes, AFontTheHostSpoilsAfterAssigningItIsDrawnAtASizeTheControlCanLayOut) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f, -8.0f,
                         0.0f};
    for (StyleType style : kAllStyles) {
        for (float size : bad) {
            SCOPED_TRACE(std::string(StyleName(style)) + " " + std::to_string(size));
            Host host(style);
            ucvKorvane& ctl = host.ctl();
            host.Fill(kRows);
            auto font = std::make_shared<tk::Font>();
            font->Size = 10;
            ctl.Font(font);
            font->Size = size;
            // Everything that measures: a resize, new rows, the drop-down.
            EXPECT_EQ(ErrorOf([&] { ctl.Container().Width(5000); }).first, 0);
            EXPECT_EQ(ErrorOf([&] { ctl.AddItem("ZAR", "Rand"); }).first, 0);
            EXPECT_EQ(ErrorOf([&] { ctl.Refresh(); }).first, 0);
            if (style != StyleType::SimpleCombo) {
                host.PressButton();
                EXPECT_TRUE(host.DropDownWindow()->Visible());
                EXPECT_TRUE(std::isfinite(host.DropDownWindow()->Height()));
                EXPECT_LT(host.DropDownWindow()->Height(), 100000.0f);
                host.desktop.PressKey(tk::key::Escape);
            }
            EXPECT_TRUE(std::isfinite(ctl.Container().Height()));
            EXPECT_LT(ctl.Container().Height(), 100000.0f);
            EXPECT_EQ(ctl.ListCount(), 6);
        }
    }
}

}  // namespace
}  // namespace korvane::test
