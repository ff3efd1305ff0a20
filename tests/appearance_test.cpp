// Colours, font, Locked, ToolTipText and AutoFill as a host sets them: what
// reaches the column widgets and the drop-down lists, and what is announced.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

const char* const kColumnWidgets[] = {"txtCol1", "txtCol2", "lblCol1", "lblCol2", "lstCol1a", "lstCol2a"};

TEST(Appearance, AnyColourReachesTheColumnWidgetsUnchanged) {
    for (StyleType style : kAllStyles) {
        for (tk::OleColor colour : {0x00000000u, 0x00FFFFFFu, 0x80000005u, 0xFFFFFFFFu, 0x12345678u}) {
            SCOPED_TRACE(colour);
            Host host(style);
            host.ctl().Backcolor(colour);
            host.ctl().Forecolor(colour ^ 0xFFu);
            EXPECT_EQ(host.ctl().Backcolor(), colour);
            for (const char* name : kColumnWidgets) {
                EXPECT_EQ(host.Widget(name).BackColor(), colour) << name;
                EXPECT_EQ(host.Widget(name).ForeColor(), colour ^ 0xFFu) << name;
            }
            if (style != StyleType::SimpleCombo) {
                EXPECT_EQ(host.RowList(1).BackColor(), colour);
                EXPECT_EQ(host.RowList(2).ForeColor(), colour ^ 0xFFu);
            }
            std::vector<std::string> names;
            for (const auto& c : host.desktop.PropertyChanges())
                names.push_back(c.Property);
            EXPECT_EQ(names, (std::vector<std::string>{"BackColor", "ForeColor"}));
        }
    }
}

TEST(Appearance, LockedPaintsGreyAndBlackAndAColourWriteReplacesTheGrey) {
    for (StyleType style : kAllStyles) {
        SCOPED_TRACE(static_cast<int>(style));
        Host host(style);
        host.ctl().Forecolor(tk::Rgb(0, 0, 200));
        host.ctl().Locked(true);
        for (const char* name : kColumnWidgets) {
            EXPECT_EQ(host.Widget(name).BackColor(), tk::Rgb(192, 192, 192)) << name;
            EXPECT_EQ(host.Widget(name).ForeColor(), tk::Rgb(0, 0, 0)) << name;
        }
        EXPECT_TRUE(host.Widget<tk::TextBox>("txtCol1").Locked());
        host.ctl().Backcolor(tk::Rgb(10, 20, 30));  // paints over the grey
        EXPECT_EQ(host.Widget("txtCol2").BackColor(), tk::Rgb(10, 20, 30));
        if (style != StyleType::SimpleCombo) {
            EXPECT_EQ(host.RowList(1).BackColor(), tk::Rgb(10, 20, 30));
        }
        host.ctl().Locked(true);  // the grey again
        EXPECT_EQ(host.Widget("txtCol2").BackColor(), tk::Rgb(192, 192, 192));
        host.ctl().Locked(false);
        EXPECT_EQ(host.Widget("lstCol2a").BackColor(), tk::Rgb(10, 20, 30));
        EXPECT_EQ(host.Widget("lblCol1").ForeColor(), tk::Rgb(0, 0, 200));
        EXPECT_FALSE(host.Widget<tk::TextBox>("txtCol1").Locked());
    }
}

TEST(Appearance, AutoFillIsForDropdownComboAndSimpleComboOnly) {
    for (StyleType style : kAllStyles) {
        Host host(style);
        host.ctl().AutoFill(true);
        const bool fills = style != StyleType::DropdownList;
        EXPECT_EQ(host.ctl().AutoFill(), fills);
        EXPECT_EQ(host.desktop.PropertyChanges().size(), fills ? 1u : 0u);
    }
}

TEST(Appearance, ToolTipsGoToFieldsAndEmbeddedListsSilently) {
    Host host(StyleType::DropdownList);
    host.ctl().ToolTipText("Pick a currency");
    EXPECT_EQ(host.ctl().ToolTipText(), "Pick a currency");
    for (const char* name : {"txtCol1", "txtCol2", "lstCol1a", "lstCol2a"})
        EXPECT_EQ(host.Widget(name).ToolTipText(), "Pick a currency") << name;
    for (const char* name : {"lblCol1", "lblCol2", "imgCombo"})
        EXPECT_EQ(host.Widget(name).ToolTipText(), "") << name;
    EXPECT_EQ(host.RowList(1).ToolTipText(), "");
    EXPECT_TRUE(host.desktop.PropertyChanges().empty());
}

TEST(Appearance, TheFontIsSharedAndAChangeByTheHostShowsAtTheNextMeasurement) {
    Host host(StyleType::DropdownCombo);
    auto font = std::make_shared<tk::Font>();
    font->Size = 8;
    host.ctl().Font(font);
    EXPECT_EQ(host.ctl().Font(), font);
    EXPECT_EQ(host.Widget("txtCol1").Font(), font);
    EXPECT_EQ(host.RowList(1).Font(), font);
    EXPECT_EQ(host.ctl().Container().TextHeight("X"), 195);
    font->Size = 24;  // the host changes the object it shares
    EXPECT_GT(host.ctl().Container().TextHeight("X"), 195);
    EXPECT_EQ(host.Widget("txtCol1").Height(), 315) << "nothing is re-arranged until the font is set again";
    host.ctl().Font(font);
    EXPECT_GT(host.Widget("txtCol1").Height(), 315);
}

TEST(Appearance, AMissingFontObjectIsRefused) {
    Host host(StyleType::SimpleCombo);
    const auto before = host.ctl().Font();
    EXPECT_EQ(ErrorOf([&] { host.ctl().Font(nullptr); }).first, 8);
    EXPECT_EQ(host.ctl().Font(), before);
}

TEST(Appearance, EnabledIsTheContainersAndTouchesNoChild) {
    Host host(StyleType::SimpleCombo);
    host.ctl().Enabled(false);
    EXPECT_FALSE(host.ctl().Enabled());
    EXPECT_FALSE(host.ctl().Container().Enabled());
    EXPECT_TRUE(host.Widget("txtCol1").Enabled());
    ASSERT_EQ(host.desktop.PropertyChanges().size(), 1u);
    EXPECT_EQ(host.desktop.PropertyChanges()[0].Property, "Enabled");
}

}  // namespace
}  // namespace korvane::test
