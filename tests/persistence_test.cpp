// The control saved with its form and read back: the 16 keys in their
// order, defaults, a bag with nothing or with damaged values, what reading
// rebuilds, the timer at design and run time, and the end of a control.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

const std::vector<std::string> kKeys = {"Font",     "BackColor", "ForeColor",  "Enabled",    "List",     "ListIndex",
                                        "ItemData", "WidthCol1", "WidthCol2",  "Style",      "AutoFill", "Locked",
                                        "Text",     "NewIndex",  "ListHeight", "ToolTipText"};

// Creates a control the way a form does: extent first, then the saved bag.
struct Loaded {
    const std::unique_ptr<TestDesktop> driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    std::unique_ptr<tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    Loaded(const tk::PropertyBag& bag, bool userMode, float width = 4240, float height = 330) {
        Site site;
        site.UserMode = userMode;
        ctl = std::make_unique<ucvKorvane>(*form, site);
        ctl->Container().Width(width);
        ctl->Container().Height(height);
        ctl->ReadProperties(bag);
        form->Show();
    }
    tk::Widget& Widget(const std::string& name) { return *desktop.Find("Form1.KorvaneBox1." + name); }
};

TEST(Persistence, WritesTheSixteenKeysInOrder) {
    Host host(StyleType::DropdownCombo, /*userMode=*/false);
    tk::MemoryPropertyBag bag;
    host.ctl().WriteProperties(bag);
    std::vector<std::string> keys;
    for (const auto& [key, value] : bag.Entries())
        keys.push_back(key);
    EXPECT_EQ(keys, kKeys);
}

TEST(Persistence, EveryKeyRoundTripsAtDefaultsAndAtOtherValues) {
    Host design(StyleType::DropdownCombo, /*userMode=*/false);
    tk::MemoryPropertyBag defaults;
    design.ctl().WriteProperties(defaults);

    auto font = std::make_shared<tk::Font>();
    font->Name = "Arial";
    font->Size = 10;
    font->Bold = true;
    design.ctl().Style(StyleType::SimpleCombo);
    design.ctl().Font(font);
    design.ctl().Backcolor(0x123456);
    design.ctl().Forecolor(0x80000008);
    design.ctl().Enabled(false);
    design.ctl().WidthCol1(1500);
    design.ctl().WidthCol2(2500);
    design.ctl().AutoFill(true);
    design.ctl().Locked(true);
    design.ctl().Text("a;b");
    design.ctl().ListHeight(2400);
    design.ctl().ToolTipText("Choose");
    design.ctl().AddItem("x", "y", 42);
    design.ctl().List(0);
    design.ctl().ItemData(0);
    design.ctl().ListIndex(0);
    tk::MemoryPropertyBag saved;
    design.ctl().WriteProperties(saved);

    const float savedWidth = design.ctl().Container().Width();
    const float savedHeight = design.ctl().Container().Height();
    for (const tk::MemoryPropertyBag* bag : {&defaults, &saved}) {
        SCOPED_TRACE(bag == &defaults ? "defaults" : "other values");
        // The form gives the control the extent it was saved with.
        const bool isDefault = bag == &defaults;
        Loaded run(*bag, /*userMode=*/true, isDefault ? 4240 : savedWidth, isDefault ? 330 : savedHeight);
        tk::MemoryPropertyBag again;
        run.ctl->WriteProperties(again);
        ASSERT_EQ(again.Entries().size(), bag->Entries().size());
        for (std::size_t i = 0; i < bag->Entries().size(); ++i) {
            const auto& [key, value] = bag->Entries()[i];
            SCOPED_TRACE(key);
            const auto& back = again.Entries()[i].second;
            if (key == "Font") {
                auto a = std::get<tk::FontRef>(value);
                auto b = std::get<tk::FontRef>(back);
                EXPECT_EQ(std::tie(a->Name, a->Size, a->Bold, a->Italic, a->Underline, a->Strikethrough),
                          std::tie(b->Name, b->Size, b->Bold, b->Italic, b->Underline, b->Strikethrough));
            } else if (key == "ListHeight" || key == "Text") {
                // Re-settled by the run-time arrangement; compared below.
            } else {
                EXPECT_EQ(back, value);
            }
        }
    }
    Loaded run(saved, /*userMode=*/true, savedWidth, savedHeight);
    EXPECT_EQ(run.ctl->Style(), StyleType::SimpleCombo);
    EXPECT_EQ(run.ctl->TextCol(1), "a");
    EXPECT_EQ(run.ctl->TextCol(2), "b");
    EXPECT_EQ(run.ctl->ListIndex(), 0) << "restored, though the rows are not";
    EXPECT_EQ(run.ctl->ListCount(), 0);
    EXPECT_EQ(run.ctl->NewIndex(), 0);
    EXPECT_FALSE(run.ctl->Enabled());
    EXPECT_EQ(run.ctl->ToolTipText(), "Choose");
    EXPECT_EQ(run.Widget("txtCol1").ToolTipText(), "") << "reading does not apply the tool tip";
}

TEST(Persistence, AnEmptyBagGivesTheDefaultsAndBuildsTheDropDownWindow) {
    tk::MemoryPropertyBag empty;
    Loaded run(empty, /*userMode=*/true);
    EXPECT_EQ(run.ctl->Style(), StyleType::DropdownCombo);
    EXPECT_EQ(run.ctl->WidthCol1(), 1100);
    EXPECT_EQ(run.ctl->WidthCol2(), 2900);
    EXPECT_EQ(run.ctl->ListIndex(), -1);
    EXPECT_EQ(run.ctl->NewIndex(), -1);
    EXPECT_EQ(run.ctl->Backcolor(), run.desktop.GetSysColor(5));
    EXPECT_EQ(run.ctl->Font()->Name, "MS Sans Serif");
    EXPECT_NE(run.desktop.Find("Window"), nullptr);
    EXPECT_EQ(run.Widget("txtCol2").Left(), 1100);
    EXPECT_EQ(run.Widget("imgCombo").Left(), 1100 + 2900 - 30);
    EXPECT_EQ(run.ctl->Container().Height(), 330);
    run.ctl->AddItem("a", "b");
    EXPECT_EQ(run.ctl->ListCount(), 1);
}

TEST(Persistence, ValuesOfTheWrongTypeGiveTheDefaultAndTheOthersStillLoad) {
    tk::MemoryPropertyBag bag;
    bag.Set("WidthCol1", std::string("wide"));
    bag.Set("Locked", std::string("yes"));
    bag.Set("Font", std::int32_t{5});
    bag.Set("ListHeight", 1e300);
    bag.Set("WidthCol2", std::int16_t{2000});
    bag.Set("ToolTipText", std::int32_t{3});
    bag.Set("Style", 1.0);
    Loaded run(bag, /*userMode=*/true, 1100 + 2000 - 30, 2130);
    EXPECT_EQ(run.ctl->WidthCol1(), 1100);
    EXPECT_FALSE(run.ctl->Locked());
    EXPECT_EQ(run.ctl->Font()->Name, "MS Sans Serif");
    EXPECT_EQ(run.ctl->WidthCol2(), 2000);
    EXPECT_EQ(run.ctl->ToolTipText(), "");
    EXPECT_EQ(run.ctl->Style(), StyleType::SimpleCombo);
}

TEST(Persistence, SavedTextFillsTheFieldsOfTheEditStyles) {
    struct Case {
        const char* text;
        std::int32_t style;
        const char* col1;
        const char* col2;
    };
    const Case cases[] = {
        {"a;b", 0, "a", "b"},      {"x", 1, "x", ""},  {"a;b\tc", 0, "a;b", "c"},
        {"p\tq;r", 1, "p", "q;r"}, {"a;b", 2, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        tk::MemoryPropertyBag bag;
        bag.Set("Text", std::string(c.text));
        bag.Set("Style", c.style);
        Loaded run(bag, /*userMode=*/true);
        EXPECT_EQ(static_cast<tk::TextBox&>(run.Widget("txtCol1")).Text(), c.col1);
        EXPECT_EQ(static_cast<tk::TextBox&>(run.Widget("txtCol2")).Text(), c.col2);
    }
}

TEST(Persistence, ASavedLockGivesGreyWithTheStoredTextColour) {
    tk::MemoryPropertyBag bag;
    bag.Set("Locked", true);
    bag.Set("ForeColor", std::int32_t{0x0000FF});
    Loaded run(bag, /*userMode=*/true);
    EXPECT_EQ(run.Widget("txtCol1").BackColor(), tk::Rgb(192, 192, 192));
    EXPECT_EQ(run.Widget("txtCol1").ForeColor(), 0x0000FFu);
    run.ctl->Locked(true);
    EXPECT_EQ(run.Widget("txtCol1").ForeColor(), tk::Rgb(0, 0, 0));
}

TEST(Persistence, ASavedAutoFillInDropdownListIsKept) {
    tk::MemoryPropertyBag bag;
    bag.Set("AutoFill", true);
    bag.Set("Style", std::int32_t{2});
    Loaded run(bag, /*userMode=*/true);
    EXPECT_TRUE(run.ctl->AutoFill());
}

TEST(Persistence, TheWatcherRunsOnlyAtRunTimeInTheDropDownStyles) {
    for (std::int32_t style : {0, 1, 2}) {
        for (bool userMode : {false, true}) {
            SCOPED_TRACE(std::to_string(style) + (userMode ? " run" : " design"));
            tk::MemoryPropertyBag bag;
            bag.Set("Style", style);
            Loaded control(bag, userMode);
            EXPECT_EQ(control.Widget("TimerProc").Enabled(), userMode && style != 1);
            EXPECT_EQ(control.ctl->TopIndex(), 0);
        }
    }
}

TEST(Persistence, TheEndOfAControlStopsItsTimerAndClosesTheAboutBox) {
    Host host(StyleType::SimpleCombo);
    host.desktop.OnModal([](tk::Form& box) { box.Hide(); });
    host.ctl().About();
    ASSERT_NE(host.desktop.Find("fabout"), nullptr);
    host.control.reset();
    EXPECT_EQ(host.desktop.Find("fabout"), nullptr);
    host.desktop.Advance(1000);
}

TEST(Persistence, AControlDestroyedBeforeItsPropertiesLeavesTheOthersLayoutWorking) {
    Host host(StyleType::DropdownCombo);
    {
        ucvKorvane abandoned(*host.form, Site{"Abandoned"});
        // never given its properties
    }
    host.ctl().WidthCol1(1000);
    host.ctl().WidthCol2(1000);
    host.ctl().Container().Width(3240);
    EXPECT_EQ(host.ctl().WidthCol1(), 1446) << "the resize ran";
}

TEST(Persistence, ANewControlKeepsItsDesignLookUntilItsPropertiesAreApplied) {
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    auto form = desktop.CreateForm("Form1");
    ucvKorvane ctl(*form, Site{"KorvaneBox1", false});
    ctl.Container().Width(1234);
    ctl.InitProperties();
    EXPECT_EQ(ctl.Container().Width(), 1234) << "no resize";
    EXPECT_EQ(ctl.WidthCol1(), 1100);
    EXPECT_EQ(ctl.Font()->Name, "MS Sans Serif");
    EXPECT_EQ(ctl.Style(), StyleType::DropdownCombo);
    ctl.Container().Width(2000);  // the designer resizes it: now the layout runs
    EXPECT_NE(ctl.WidthCol1(), 1100);
}

}  // namespace
}  // namespace korvane::test

namespace korvane::test {
namespace {

TEST(PersistenceHostileValues, ReadingSkipsWhatTheWidgetsRefuseAndLeavesAUsableControl) {
    struct Case {
        const char* key;
        tk::Variant value;
    };
    const Case cases[] = {
        {"WidthCol1", std::int32_t{-5}},
        {"WidthCol2", std::int32_t{-2147483647 - 1}},
        {"ListHeight", std::int32_t{-100}},
        {"ListHeight", std::int32_t{2147483647}},
        {"Style", std::int32_t{7}},
        {"ListIndex", std::int32_t{99}},
        {"WidthCol1", std::int32_t{2147483647}},
        {"Text", std::string(1 << 20, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        tk::MemoryPropertyBag bag;
        bag.Set(c.key, c.value);
        std::unique_ptr<Loaded> run;
        ASSERT_NO_THROW(run = std::make_unique<Loaded>(bag, /*userMode=*/true));
        run->ctl->AddItem("a", "b");
        run->ctl->ListIndex(-1);
        run->ctl->Container().Width(5000);
        EXPECT_GE(run->ctl->WidthCol1(), 0);
        EXPECT_GE(run->ctl->WidthCol2(), 0);
    }
}

// Widths past the widest column are refused at run time; the widest one is
// laid out, painted and clicked like any other.
TEST(PersistenceHostileValues, HugeWidthsAtRunTimeAreRefusedAndTheWidestStaysConsistent) {
    Host host(StyleType::DropdownList);
    EXPECT_EQ(ErrorOf([&] { host.ctl().WidthCol1(2147483647); }).first, 8);
    EXPECT_EQ(ErrorOf([&] { host.ctl().WidthCol2(2147483647); }).first, 8);
    EXPECT_EQ(host.ctl().WidthCol1(), 1100);
    host.ctl().WidthCol1(1'000'000);
    host.ctl().WidthCol2(1'000'000);
    host.ctl().Container().SetFocus();
    host.ctl().Refresh();
    host.desktop.ClickAt(host.Widget("lblCol1"), 30, 30);
    EXPECT_EQ(host.ctl().WidthCol1(), 1'000'000);
    EXPECT_EQ(host.ctl().WidthCol2(), 1'000'000);
}

}  // namespace
}  // namespace korvane::test

namespace korvane::test {
namespace {

TEST(PersistenceListHeight, ASavedListHeightIsKeptInDropdownCombo) {
    for (std::int32_t style : {0, 2}) {
        SCOPED_TRACE(style);
        tk::MemoryPropertyBag bag;
        bag.Set("Style", style);
        bag.Set("ListHeight", std::int32_t{2400});
        Loaded run(bag, /*userMode=*/true);
        // 2400 twips settle at twelve rows of the default font and a frame.
        EXPECT_EQ(run.ctl->ListHeight(), (12 * 13 + 2) * 15);
    }
}

}  // namespace
}  // namespace korvane::test
