// Column widths, the list height, the host resizing the control, the
// arrangement after a font change, and the Dropdown List focus look.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

struct Geometry {
    const char* name;
    StyleType style;
    std::int32_t w1, w2;
    float col2Left, txt1Width, txt2Width, lbl1Width, lbl2Width, buttonLeft, controlWidth;
};

// At 15 twips per pixel with a 16-pixel scroll bar: button 270, border 30.
TEST(Layout, PiecesArePlacedByTheColumnWidths) {
    const Geometry table[] = {
        {"Dropdown Combo", StyleType::DropdownCombo, 1000, 2000, 1000, 1000, 1970, 1000, 2000, 2970, 3240},
        {"Dropdown Combo, column 1 hidden", StyleType::DropdownCombo, 0, 2000, 0, -1, 1970, -1, 2000, 1970, 2240},
        {"Dropdown Combo, column 2 hidden", StyleType::DropdownCombo, 1000, 0, 1000, 970, -1, 1000, -1, 970, 1240},
        {"Dropdown List, column 2 hidden", StyleType::DropdownList, 1000, 0, 1000, 970, -1, 1000, -1, 970, 1240},
        {"Dropdown List", StyleType::DropdownList, 1000, 2000, 1000, 1000, 1970, 1000, 2000, 2970, 3240},
        {"Simple Combo", StyleType::SimpleCombo, 1000, 2000, 1000, 1000, 1970, -1, -1, -1, 2970},
        {"Simple Combo, column 2 hidden", StyleType::SimpleCombo, 1000, 0, -1, 970, -1, -1, -1, -1, 970},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Host host(row.style);
        // The second width first when the first becomes 0, so that the two
        // are never both hidden on the way.
        if (row.w1 == 0) {
            host.ctl().WidthCol2(row.w2);
            host.ctl().WidthCol1(row.w1);
        } else {
            host.ctl().WidthCol1(row.w1);
            host.ctl().WidthCol2(row.w2);
        }
        EXPECT_EQ(host.ctl().Container().Width(), row.controlWidth);
        if (row.col2Left >= 0) {
            EXPECT_EQ(host.Widget("txtCol2").Left(), row.col2Left);
        }
        if (row.txt1Width >= 0) {
            EXPECT_EQ(host.Widget("txtCol1").Width(), row.txt1Width);
        }
        if (row.txt2Width >= 0) {
            EXPECT_EQ(host.Widget("txtCol2").Width(), row.txt2Width);
        }
        if (row.lbl1Width >= 0) {
            EXPECT_EQ(host.Widget("lblCol1").Width(), row.lbl1Width);
        }
        if (row.lbl2Width >= 0) {
            EXPECT_EQ(host.Widget("lblCol2").Width(), row.lbl2Width);
        }
        if (row.buttonLeft >= 0) {
            EXPECT_EQ(host.Widget("imgCombo").Left(), row.buttonLeft);
        }
        if (row.style == StyleType::SimpleCombo && row.w2 > 0) {
            EXPECT_EQ(host.Widget("lstCol2a").Left(), row.w1);
            EXPECT_EQ(host.Widget("lstCol2a").Width(), row.txt2Width);
        }
    }
}

TEST(Layout, TheHostWideningAndNarrowingTheControlRescalesTheColumns) {
    Host host(StyleType::DropdownCombo);
    host.ctl().WidthCol1(1000);
    host.ctl().WidthCol2(1000);
    ASSERT_EQ(host.ctl().Container().Width(), 2240);

    host.ctl().Container().Width(3240);
    EXPECT_EQ(host.ctl().WidthCol1(), 1446);
    EXPECT_EQ(host.ctl().WidthCol2(), 1446);
    EXPECT_EQ(host.ctl().Container().Width(), 3132);

    host.ctl().WidthCol1(1000);
    host.ctl().WidthCol2(1000);
    host.ctl().Container().Width(600);
    EXPECT_EQ(host.ctl().WidthCol1(), 0) << "column 1 is hidden";
    EXPECT_EQ(host.ctl().WidthCol2(), 270);
    EXPECT_EQ(host.ctl().Container().Width(), 510);
    EXPECT_FALSE(host.Widget("txtCol1").Visible());
    EXPECT_EQ(host.Widget("txtCol2").Left(), 0);

    host.desktop.ClearRecords();
    host.ctl().Container().Width(510);  // unchanged: the widths are applied again
    EXPECT_EQ(host.ctl().WidthCol2(), 270);
    EXPECT_EQ(host.ctl().Container().Width(), 510);
    EXPECT_EQ(host.ctl().Container().Height(), 330) << "the height is forced to the closed height";
}

TEST(Layout, WidthsBelowTheMinimum) {
    Host host(StyleType::DropdownCombo);
    host.ctl().WidthCol2(500);
    host.ctl().WidthCol1(100);
    EXPECT_EQ(host.ctl().WidthCol1(), 270) << "a narrow column becomes 270";
    host.ctl().WidthCol1(0);
    EXPECT_FALSE(host.Widget("txtCol1").Visible());
    EXPECT_EQ(host.Widget("txtCol2").Left(), 0);

    struct Refusal {
        const char* name;
        std::int32_t w1;
        std::int32_t w2;
        std::int32_t writeCol1;
        std::int32_t storedAtDesignTime;
    };
    const Refusal refusals[] = {
        {"both columns hidden", 1000, 0, 0, 270},
        {"negative", 1000, 500, -5, 0},
        {"negative with column 2 hidden", 1000, 0, -5, 270},
        {"below 270 with column 2 hidden", 1000, 0, 269, 270},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        Host run(StyleType::DropdownCombo);
        run.ctl().WidthCol1(r.w1);
        run.ctl().WidthCol2(r.w2);
        auto [number, description] = ErrorOf([&] { run.ctl().WidthCol1(r.writeCol1); });
        EXPECT_EQ(number, 8);
        EXPECT_EQ(description, "Invalid property value");
        EXPECT_EQ(run.ctl().WidthCol1(), r.w1);

        Host design(StyleType::DropdownCombo, /*userMode=*/false);
        design.ctl().WidthCol1(r.w1);
        design.ctl().WidthCol2(r.w2);
        const float fieldWidth = design.Widget("txtCol1").Width();
        design.desktop.ClearRecords();
        design.ctl().WidthCol1(r.writeCol1);
        EXPECT_EQ(design.ctl().WidthCol1(), r.storedAtDesignTime);
        ASSERT_EQ(design.desktop.MessageBoxes().size(), 1u);
        EXPECT_EQ(design.desktop.MessageBoxes()[0].Prompt, "Invalid property value");
        EXPECT_TRUE(design.desktop.PropertyChanges().empty()) << "no notification";
        EXPECT_EQ(design.Widget("txtCol1").Width(), fieldWidth) << "no widget moves";
    }
}

// A host that never sizes a new control (a program building its form in
// code) still shows both fields and the button, inside the control.
TEST(Layout, ANewControlTheHostNeverSizedShowsItsColumnsAndButton) {
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    auto form = desktop.CreateForm("Form1");
    ucvKorvane box(*form);
    box.InitProperties();
    form->Show();
    const tk::Widget& button = *desktop.Find("Form1.KorvaneBox1.imgCombo");
    const tk::Widget& field2 = *desktop.Find("Form1.KorvaneBox1.txtCol2");
    EXPECT_EQ(box.Container().Width(), 4240);
    EXPECT_EQ(box.Container().Height(), 330);
    EXPECT_EQ(button.Left(), field2.Left() + field2.Width());
    EXPECT_EQ(button.Left() + button.Width(), box.Container().Width());
    EXPECT_EQ(button.Height(), 315);
    EXPECT_TRUE(button.Visible());
}

TEST(Layout, SimpleComboListsTakeTheHeightTheHostGives) {
    Host host(StyleType::SimpleCombo);
    host.ctl().Container().Height(2000);
    const float lists = host.Widget("lstCol1a").Height();
    EXPECT_LE(lists, 1670);
    EXPECT_GT(lists, 1670 - 195) << "at most one row lost to whole-row rounding";
    EXPECT_EQ(host.Widget("lstCol2a").Height(), lists);
    EXPECT_EQ(host.ctl().ListHeight(), lists);
    EXPECT_EQ(host.ctl().Container().Height(), 330 + lists);

    host.ctl().Container().Height(200);
    EXPECT_EQ(host.Widget("lstCol1a").Height(), 0);
    EXPECT_EQ(host.ctl().ListHeight(), 0);
    EXPECT_EQ(host.ctl().Container().Height(), 330);
}

TEST(Layout, ListHeightIsCutToTheScreen) {
    TestDesktop::Options options;
    options.ScreenHeightPx = 768;  // 11520 twips
    Host host(StyleType::DropdownCombo, true, options);
    // Rows of one pixel, so that the list box keeps any height it is given.
    if (host.desktop.Headless() == nullptr)
        GTEST_SKIP() << "fonts measure as the screen's font engine says, no test can set their metrics";
    host.desktop.Headless()->DefineFont("MS Sans Serif", [](const tk::Font&) {
        return tk::headless::FontMetrics{1, 5};
    });
    host.ctl().ListHeight(100000);
    EXPECT_EQ(host.ctl().ListHeight(), 11190);
    // No lower bound of its own: the lists refuse a negative height, and
    // the stored height stays as it was.
    EXPECT_EQ(ErrorOf([&] { host.ctl().ListHeight(-50); }).first, 380);
    EXPECT_EQ(host.ctl().ListHeight(), 11190);
}

TEST(Layout, AFontChangeSetsTheFieldHeight) {
    struct Case {
        float xTwips;
        std::int32_t field;
        std::int32_t closed;
    };
    for (const Case c : {Case{200, 315, 330}, Case{400, 400, 415}, Case{315, 315, 330}}) {
        SCOPED_TRACE(c.xTwips);
        Host host(StyleType::DropdownCombo);
        if (host.desktop.Headless() == nullptr)
            GTEST_SKIP() << "fonts measure as the screen's font engine says, no test can set their metrics";
        host.desktop.Headless()->DefineFont("Tall", [c](const tk::Font&) {
            return tk::headless::FontMetrics{c.xTwips / 15, 7};
        });
        auto font = std::make_shared<tk::Font>();
        font->Name = "Tall";
        host.ctl().Font(font);
        EXPECT_EQ(host.Widget("txtCol1").Height(), c.field);
        EXPECT_EQ(host.Widget("imgCombo").Height(), c.field);
        EXPECT_EQ(host.ctl().Container().Height(), c.closed);
        EXPECT_EQ(host.ctl().Font(), font) << "the very object assigned";
    }
}

TEST(Layout, DropdownListShowsTheFocusOnItsLabels) {
    Host host(StyleType::DropdownList);
    host.ctl().WidthCol1(1000);
    host.ctl().WidthCol2(2000);
    host.ctl().Container().SetFocus();
    host.desktop.ClearRecords();
    host.ctl().Refresh();  // repaint with the focus
    EXPECT_EQ(host.Widget("lblCol1").BackColor(), host.desktop.GetSysColor(13));
    EXPECT_EQ(host.Widget("lblCol2").ForeColor(), host.desktop.GetSysColor(14));
    ASSERT_EQ(host.desktop.FocusRects().size(), 1u);
    EXPECT_EQ(host.desktop.FocusRects()[0].Dc, host.ctl().hDC());
    EXPECT_EQ(host.desktop.FocusRects()[0].Bounds, (tk::Rect{2, 2, 197, 18}));

    auto other = host.desktop.CreateTextBox(*host.form, "txtOther");
    other->SetFocus();  // the focus goes elsewhere
    host.ctl().Refresh();
    EXPECT_EQ(host.Widget("lblCol1").BackColor(), host.ctl().Backcolor());
    EXPECT_EQ(host.Widget("lblCol2").ForeColor(), host.ctl().Forecolor());
    host.ctl().Locked(true);
    host.ctl().Refresh();
    EXPECT_EQ(host.Widget("lblCol1").BackColor(), tk::Rgb(192, 192, 192));
    EXPECT_EQ(host.Widget("lblCol2").ForeColor(), tk::Rgb(0, 0, 0));
}

TEST(Layout, EditStylesPaintNothingOfTheirOwn) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::SimpleCombo}) {
        Host host(style);
        host.ctl().Container().SetFocus();
        const auto back = host.Widget("lblCol1").BackColor();
        host.desktop.ClearRecords();
        host.ctl().Refresh();
        EXPECT_TRUE(host.desktop.FocusRects().empty());
        EXPECT_EQ(host.Widget("lblCol1").BackColor(), back);
    }
}

}  // namespace
}  // namespace korvane::test
