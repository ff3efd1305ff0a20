// The numeric rules at their boundaries, at and on both sides of each, in
// every arrangement of the columns; the drop-down window's own lists held
// to the same colours, fonts and heights as the column widgets; and every
// property surviving a save and a reload, down to the widgets that show it.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

// The widget that shows a column's text in a style (a field or a label).
const char* ShownWidget(StyleType style, int column) {
    if (style == StyleType::DropdownList)
        return column == 1 ? "lblCol1" : "lblCol2";
    return column == 1 ? "txtCol1" : "txtCol2";
}

TEST(WidthBoundaries, EachColumnAroundZeroTheNarrowestAndTheWidestWidthWithTheOtherColumnShownOrHidden) {
    constexpr std::int32_t kTooNarrow = -1;  // refused; design time stores the narrowest
    constexpr std::int32_t kTooWide = -2;    // refused; design time keeps the width
    struct Case {
        std::int32_t write;
        std::int32_t storedWithOtherShown;
        std::int32_t storedWithOtherHidden;
    };
    // A column may be hidden (0) only while the other one shows; a narrow
    // column is widened to 270; both columns hidden is never allowed; no
    // column is wider than 1000000 twips.
    const Case cases[] = {
        {-1, kTooNarrow, kTooNarrow},
        {0, 0, kTooNarrow},
        {1, 270, kTooNarrow},
        {269, 270, kTooNarrow},
        {270, 270, 270},
        {271, 271, 271},
        {1'000'000, 1'000'000, 1'000'000},
        {1'000'001, kTooWide, kTooWide},
        {2147483647, kTooWide, kTooWide},
    };
    for (StyleType style : kAllStyles) {
        for (bool userMode : {true, false}) {
            for (int column : {1, 2}) {
                for (bool otherHidden : {false, true}) {
                    for (const Case& c : cases) {
                        SCOPED_TRACE(std::string(StyleName(style)) + (userMode ? " run" : " design") + " column " +
                                     std::to_string(column) + (otherHidden ? " other hidden" : " other shown") +
                                     " write " + std::to_string(c.write));
                        Host host(style, userMode);
                        ucvKorvane& ctl = host.ctl();
                        auto write = [&](int col, std::int32_t v) {
                            if (col == 1)
                                ctl.WidthCol1(v);
                            else
                                ctl.WidthCol2(v);
                        };
                        auto read = [&](int col) { return col == 1 ? ctl.WidthCol1() : ctl.WidthCol2(); };
                        const int other = 3 - column;
                        write(column, 1000);
                        write(other, otherHidden ? 0 : 1500);
                        host.desktop.ClearRecords();
                        const std::int32_t expected = otherHidden ? c.storedWithOtherHidden : c.storedWithOtherShown;
                        const auto [number, text] = ErrorOf([&] { write(column, c.write); });
                        if (expected >= 0) {
                            EXPECT_EQ(number, 0);
                            EXPECT_TRUE(host.desktop.MessageBoxes().empty());
                            EXPECT_EQ(read(column), expected);
                            EXPECT_EQ(host.Widget(ShownWidget(style, column)).Visible(), expected > 0);
                        } else if (userMode) {
                            EXPECT_EQ(number, 8);
                            EXPECT_EQ(read(column), 1000) << "a refused width leaves the column as it was";
                        } else {
                            EXPECT_EQ(number, 0);
                            EXPECT_EQ(host.desktop.MessageBoxes().size(), 1u);
                            const std::int32_t kept = expected == kTooWide ? 1000 : (otherHidden ? 270 : 0);
                            EXPECT_EQ(read(column), kept);
                        }
                        EXPECT_EQ(read(other), otherHidden ? 0 : 1500);
                        EXPECT_TRUE(read(1) > 0 || read(2) > 0) << "never both columns hidden";
                    }
                }
            }
        }
    }
}

// Widths no setter would store (a damaged saved form) are laid out as the
// widest column, and the open drop-down never runs past the screen.
TEST(WidthBoundaries, TheWidestColumnsFromADamagedFormKeepTheDropDownOnTheScreen) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        for (std::int32_t col1 : {1100, 2147483647}) {
            SCOPED_TRACE(std::string(StyleName(style)) + " column 1 " + std::to_string(col1));
            const auto driver = MakeTestDesktop();
            TestDesktop& desktop = *driver;
            auto form = desktop.CreateForm("Form1");
            form->Width(9000);
            form->Height(6000);
            ucvKorvane ctl(*form, Site{});
            tk::MemoryPropertyBag bag;
            bag.Set("Style", static_cast<std::int32_t>(style));
            bag.Set("WidthCol1", col1);
            bag.Set("WidthCol2", std::int32_t{2147483647});
            ctl.ReadProperties(bag);
            form->Show();
            ctl.AddItem("EUR", "Euro", 1);
            ctl.AddItem("USD", "US dollar", 2);
            ctl.Container().Width(ctl.Container().Width() + 15);
            EXPECT_LE(ctl.WidthCol1(), 1'000'000);
            EXPECT_LE(ctl.WidthCol2(), 1'000'000);
            EXPECT_TRUE(ctl.WidthCol1() > 0 || ctl.WidthCol2() > 0);
            tk::Widget* button = desktop.Find("Form1.KorvaneBox1.imgCombo");
            ASSERT_NE(button, nullptr);
            desktop.ClickAt(*button, 90, 90);
            auto* window = static_cast<tk::Form*>(desktop.Find("Window"));
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(window->Visible());
            EXPECT_LE(window->Width(), desktop.ScreenWidth()) << "never wider than the screen";
            EXPECT_GE(window->Left(), 0.0f);
        }
    }
}

TEST(ListHeightBoundaries, AroundZeroAndTheRoomTheScreenLeaves) {
    TestDesktop::Options options;
    options.ScreenHeightPx = 768;  // 11520 twips, 11190 of them under a closed control of 330
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        for (bool userMode : {true, false}) {
            SCOPED_TRACE(std::string(StyleName(style)) + (userMode ? " run" : " design"));
            Host host(style, userMode, options);
            // Rows of one pixel, so that the lists keep any height in whole pixels.
            if (host.desktop.Headless() == nullptr)
                GTEST_SKIP() << "fonts measure as the screen's font engine says, no test can set their metrics";
            host.desktop.Headless()->DefineFont("MS Sans Serif", [](const tk::Font&) {
                return tk::headless::FontMetrics{1, 5};
            });
            struct Case {
                std::int32_t write;
                std::int32_t stored;  // -1: refused
            };
            const Case cases[] = {{-1, -1}, {0, 0}, {11175, 11175}, {11190, 11190}, {11205, 11190}};
            for (const Case& c : cases) {
                SCOPED_TRACE(c.write);
                const std::int32_t before = host.ctl().ListHeight();
                const auto error = ErrorOf([&] { host.ctl().ListHeight(c.write); }).first;
                if (c.stored < 0) {
                    EXPECT_NE(error, 0);
                    EXPECT_EQ(host.ctl().ListHeight(), before);
                    continue;
                }
                EXPECT_EQ(error, 0);
                EXPECT_EQ(host.ctl().ListHeight(), c.stored);
                // The drop-down's own lists take the height.
                EXPECT_EQ(host.RowList(1).Height(), c.stored);
                EXPECT_EQ(host.RowList(2).Height(), c.stored);
            }
        }
    }
}

TEST(TopIndexBoundaries, AroundTheFirstAndTheLastRow) {
    for (StyleType style : kAllStyles) {
        Host host(style);
        for (int i = 0; i < 40; ++i)
            host.ctl().AddItem("r" + std::to_string(i), std::to_string(i));
        const struct {
            std::int32_t write;
            std::int32_t error;
        } cases[] = {{-1, 5}, {0, 0}, {1, 0}, {38, 0}, {39, 0}, {40, 6}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(StyleName(style)) + " TopIndex " + std::to_string(c.write));
            EXPECT_EQ(ErrorOf([&] { host.ctl().TopIndex(c.write); }).first, c.error);
            EXPECT_GE(host.ctl().TopIndex(), 0);
            EXPECT_LE(host.ctl().TopIndex(), c.error == 0 ? c.write : 39);
            EXPECT_EQ(host.RowList(1).TopIndex(), host.RowList(2).TopIndex());
        }
        const struct {
            std::int32_t write;
            std::int32_t error;
        } indexes[] = {{-2, 5}, {-1, 0}, {0, 0}, {39, 0}, {40, 6}};
        for (const auto& c : indexes) {
            SCOPED_TRACE(std::string(StyleName(style)) + " ListIndex " + std::to_string(c.write));
            const std::int32_t before = host.ctl().ListIndex();
            EXPECT_EQ(ErrorOf([&] { host.ctl().ListIndex(c.write); }).first, c.error);
            EXPECT_EQ(host.ctl().ListIndex(), c.error == 0 ? c.write : before);
        }
    }
}

// The drop-down window's lists show what the column widgets show.
void ExpectDropDownListsLikeTheColumns(Host& host) {
    const bool locked = host.ctl().Locked();
    const tk::OleColor back = locked ? tk::Rgb(192, 192, 192) : host.ctl().Backcolor();
    const tk::OleColor fore = locked ? tk::Rgb(0, 0, 0) : host.ctl().Forecolor();
    for (int column : {1, 2}) {
        tk::ListBox& list = host.RowList(column);
        SCOPED_TRACE(column);
        EXPECT_EQ(list.BackColor(), back);
        EXPECT_EQ(list.ForeColor(), fore);
        // (Dropdown List's labels show the focus in the highlight colours.)
        if (host.ctl().Style() == StyleType::DropdownCombo) {
            EXPECT_EQ(list.BackColor(), host.Widget(ShownWidget(host.ctl().Style(), column)).BackColor());
            EXPECT_EQ(list.ForeColor(), host.Widget(ShownWidget(host.ctl().Style(), column)).ForeColor());
        }
        ASSERT_TRUE(list.Font());
        EXPECT_EQ(list.Font()->Name, host.ctl().Font()->Name);
        EXPECT_EQ(list.Font()->Size, host.ctl().Font()->Size);
        EXPECT_EQ(list.Font()->Bold, host.ctl().Font()->Bold);
        EXPECT_EQ(list.Height(), host.ctl().ListHeight());
    }
}

TEST(DropDownLists, TakeTheColoursFontAndHeightOfTheColumns) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        SCOPED_TRACE(StyleName(style));
        Host host(style);
        ExpectDropDownListsLikeTheColumns(host);
        host.ctl().Backcolor(tk::Rgb(1, 2, 3));
        host.ctl().Forecolor(tk::Rgb(200, 100, 50));
        ExpectDropDownListsLikeTheColumns(host);
        auto font = std::make_shared<tk::Font>();
        font->Name = "Arial";
        font->Size = 14;
        font->Bold = true;
        host.ctl().Font(font);
        ExpectDropDownListsLikeTheColumns(host);
        host.ctl().ListHeight(2400);
        ExpectDropDownListsLikeTheColumns(host);
        host.ctl().Locked(true);
        ExpectDropDownListsLikeTheColumns(host);
        host.ctl().Locked(false);
        ExpectDropDownListsLikeTheColumns(host);
    }
}

TEST(SaveAndReload, EveryPropertySurvivesDownToTheWidgets) {
    for (StyleType style : kAllStyles) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(std::string(StyleName(style)) + (locked ? " locked" : ""));
            Host designer(style, false);
            ucvKorvane& d = designer.ctl();
            d.Backcolor(tk::Rgb(10, 20, 30));
            d.Forecolor(tk::Rgb(40, 50, 60));
            auto font = std::make_shared<tk::Font>();
            font->Name = "Arial";
            font->Size = 11;
            font->Italic = true;
            d.Font(font);
            d.WidthCol1(800);
            d.WidthCol2(2000);
            d.ListHeight(2400);
            d.ToolTipText("tip");
            d.AutoFill(true);
            d.Locked(locked);
            if (style != StyleType::DropdownList)
                d.Text("one;two");
            tk::MemoryPropertyBag bag;
            d.WriteProperties(bag);

            const auto driver = MakeTestDesktop();
            TestDesktop& desktop = *driver;
            auto form = desktop.CreateForm("Form1");
            ucvKorvane r(*form);
            // The form gives the control its saved extent before its properties.
            r.Container().Width(d.Container().Width());
            r.Container().Height(d.Container().Height());
            r.ReadProperties(bag);
            form->Show();
            EXPECT_EQ(r.Style(), style);
            EXPECT_EQ(r.Backcolor(), d.Backcolor());
            EXPECT_EQ(r.Forecolor(), d.Forecolor());
            EXPECT_EQ(r.Font()->Name, "Arial");
            EXPECT_EQ(r.Font()->Size, 11.0f);
            EXPECT_TRUE(r.Font()->Italic);
            EXPECT_EQ(r.WidthCol1(), 800);
            EXPECT_EQ(r.WidthCol2(), 2000);
            EXPECT_EQ(r.ListHeight(), d.ListHeight());
            EXPECT_EQ(r.ToolTipText(), "tip");
            EXPECT_EQ(r.AutoFill(), d.AutoFill());
            EXPECT_EQ(r.Locked(), locked);
            if (style != StyleType::DropdownList) {
                EXPECT_EQ(r.TextCol(1), "one");
                EXPECT_EQ(r.TextCol(2), "two");
            }
            // What the widgets show after the reload.
            const tk::OleColor back = locked ? tk::Rgb(192, 192, 192) : tk::Rgb(10, 20, 30);
            const char* shown = ShownWidget(style, 1);
            auto* widget = desktop.Find(std::string("Form1.KorvaneBox1.") + shown);
            ASSERT_NE(widget, nullptr);
            if (style != StyleType::DropdownList) {  // its labels show the focus in the highlight colours
                EXPECT_EQ(widget->BackColor(), back);
            }
            EXPECT_EQ(widget->Width(), 800);
            if (style != StyleType::SimpleCombo) {
                for (const char* name : {"Window.lstCol1", "Window.lstCol2"}) {
                    auto* list = dynamic_cast<tk::ListBox*>(desktop.Find(name));
                    ASSERT_NE(list, nullptr) << name;
                    EXPECT_EQ(list->BackColor(), back) << name;
                    EXPECT_EQ(list->ForeColor(), locked ? tk::Rgb(0, 0, 0) : tk::Rgb(40, 50, 60)) << name;
                    ASSERT_TRUE(list->Font());
                    EXPECT_EQ(list->Font()->Name, "Arial") << name;
                    EXPECT_EQ(list->Height(), r.ListHeight()) << name;
                }
            }
            // And saving again writes the same bag.
            tk::MemoryPropertyBag again;
            r.WriteProperties(again);
            ASSERT_EQ(again.Entries().size(), bag.Entries().size());
            for (std::size_t k = 0; k < bag.Entries().size(); ++k) {
                EXPECT_EQ(again.Entries()[k].first, bag.Entries()[k].first);
                if (bag.Entries()[k].first != "Font") {
                    EXPECT_EQ(again.Entries()[k].second, bag.Entries()[k].second) << bag.Entries()[k].first;
                }
            }
        }
    }
}

}  // namespace
}  // namespace korvane::test
