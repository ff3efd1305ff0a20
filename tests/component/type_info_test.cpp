// The type information against the control's published interface, written
// out here by hand: every member in order with its number, kinds,
// parameters, category, help text and browsability; every event with its
// number, parameters and help text; the style names; the library's names
// and version.
#include "korvane/component/type_info.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "korvane/component/ids.h"
#include "korvane/version.h"

namespace korvane::component {
namespace {

struct ExpectedParam {
    std::string name;
    VarType type;
    bool optional = false;
    std::int32_t def = 0;
};

struct ExpectedMember {
    std::string name;
    std::uint32_t dispid;  // as the type information writes it
    std::uint8_t kinds;
    std::vector<ExpectedParam> params;
    VarType result;
    std::string category;
    std::string help;
    bool hidden;
};

constexpr std::uint8_t GL = kPropertyGet | kPropertyLet;
constexpr std::uint8_t G = kPropertyGet;
constexpr std::uint8_t L = kPropertyLet;
constexpr std::uint8_t M = kMethod;
using V = VarType;

const std::vector<ExpectedMember> kExpected = {
    {"Backcolor",
     0x68030013,
     GL,
     {{"New_BackColor", V::Color}},
     V::Color,
     ";Appearance",
     "Returns/sets the background color used to display text and graphics in an object.",
     false},
    {"Forecolor",
     0x68030012,
     GL,
     {{"New_ForeColor", V::Color}},
     V::Color,
     ";Appearance",
     "Returns/sets the foreground color used to display text and graphics in an object.",
     false},
    {"Enabled",
     0x68030011,
     GL,
     {{"New_Enabled", V::Bool}},
     V::Bool,
     ";Behavior",
     "Returns/sets a value that determines whether an object can respond to user-generated events.",
     false},
    {"Font",
     0xFFFFFE00,
     kPropertyGet | kPropertySet,
     {{"New_Font", V::Font}},
     V::Font,
     ";Font",
     "Returns a Font object.",
     false},
    {"Refresh", 0x60030014, M, {}, V::Void, "", "Forces a complete repaint of the control.", false},
    {"hWnd", 0x68030010, G, {}, V::Int32, "", "Returns a handle (from Microsoft Windows) to an object's window.", true},
    {"hDC",
     0x6803000F,
     G,
     {},
     V::Int32,
     "",
     "Returns a handle (from Microsoft Windows) to the object's device context.",
     true},
    {"AddItem",
     0x60030043,
     M,
     {{"Col1", V::String}, {"Col2", V::String}, {"ID", V::Int32, true, 0}},
     V::Void,
     "",
     "Adds an item to the Listbox of KorvaneBox control.",
     false},
    {"RemoveItem",
     0x60030045,
     M,
     {{"Index", V::Int32}},
     V::Void,
     "",
     "Removes an item from the list portion of KorvaneBox control.",
     false},
    {"Clear", 0x60030046, M, {}, V::Void, "", "Clears the contents of a KorvaneBox control.", false},
    {"List",
     0x6803000E,
     G,
     {{"Index", V::Int32}},
     V::String,
     ";List",
     "Returns/sets the items contained in a control's list portion.",
     true},
    {"TextCol",
     0x6003004E,
     M,
     {{"Col", V::Int16}},
     V::String,
     "",
     "Returns the text contained in a cell of the KorvaneBox control.",
     false},
    {"ListCol",
     0x6003004F,
     M,
     {{"Col", V::Int16}, {"Index", V::Int32}},
     V::String,
     "",
     "Returns a row cell in the list portion of KorvaneBox control.",
     false},
    {"List",
     0x6803000E,
     L,
     {{"Index", V::Int32}, {"NewValue", V::String}},
     V::Void,
     ";List",
     "Returns/sets the items contained in a control's list portion.",
     true},
    {"ListCount",
     0x6803000C,
     GL,
     {{"NewValue", V::Int32}},
     V::Int32,
     "",
     "Returns the number of items in the list portion of the control.",
     true},
    {"NewIndex",
     0x6803000B,
     G,
     {},
     V::Int32,
     "",
     "Returns the index of the item most recently added to a control.",
     true},
    {"ListIndex",
     0x6803000A,
     GL,
     {{"New_ListIndex", V::Int32}},
     V::Int32,
     "",
     "Returns/sets the index of the currently selected item in the control.",
     true},
    {"ItemData",
     0x68030009,
     G,
     {{"Index", V::Int32}},
     V::Int32,
     "",
     "Returns/sets a specific number for each item in a KorvaneBox control.",
     true},
    {"Locked",
     0x68030008,
     GL,
     {{"NewValue", V::Bool}},
     V::Bool,
     ";Behavior",
     "Determines whether a control can be edited.",
     false},
    {"ItemData",
     0x68030009,
     L,
     {{"Index", V::Int32}, {"New_ItemData", V::Int32}},
     V::Void,
     "",
     "Returns/sets a specific number for each item in a KorvaneBox control.",
     true},
    {"Text",
     0,
     GL,
     {{"NewValue", V::String}},
     V::String,
     ";Text",
     "Returns/sets the text contained in the control.",
     false},
    {"WidthCol1",
     0x68030006,
     GL,
     {{"New_WidthCol1", V::Int32}},
     V::Int32,
     ";Position",
     "Returns/sets the width of first column of a KorvaneBox control.",
     false},
    {"WidthCol2",
     0x68030005,
     GL,
     {{"New_WidthCol2", V::Int32}},
     V::Int32,
     ";Position",
     "Returns/sets the width of second column of a KorvaneBox control.",
     false},
    {"ListHeight",
     0x68030004,
     GL,
     {{"NewValue", V::Int32}},
     V::Int32,
     ";Behavior",
     "Returns/sets the height of the list portion of KorvaneBox control.",
     false},
    {"Style",
     0x68030003,
     GL,
     {{"NewValue", V::Style}},
     V::Style,
     ";Appearance",
     "Returns/sets a value that determines the type of a KorvaneBox control and the behavior of its list box "
     "portion.",
     false},
    {"TopIndex",
     0x68030002,
     GL,
     {{"New_TopIndex", V::Int32}},
     V::Int32,
     "",
     "Returns/sets which item in a control is displayed in the topmost position.",
     true},
    {"Sort",
     0x60030051,
     M,
     {{"Col", V::Int16}, {"OnNumeric", V::Bool, true, 0}},
     V::Void,
     "",
     "Makes sorted on either first or second column the rows (ASCII or numeric mode) of a KorvaneBox control.",
     false},
    {"About", 0xFFFFFDD8, M, {}, V::Void, "", "Show the information dialog box.", false},
    {"AutoFill",
     0x68030001,
     GL,
     {{"New_AutoFill", V::Bool}},
     V::Bool,
     ";Behavior",
     "Fills a row of KorvaneBox control with the values of fields on Enter key when Style is either 'Dropdown "
     "Combo' or 'Simple Combo'.",
     false},
    {"ToolTipText",
     0x68030000,
     GL,
     {{"NewValue", V::String}},
     V::String,
     "",
     "Returns/sets the text displayed when the mouse is paused over the control.",
     false},
    {"SearchMode",
     0x68030020,
     GL,
     {{"NewValue", V::Int16}},
     V::Int16,
     ";Behavior",
     "Returns/sets how typing finds rows: 0 not at all, 1 rows starting with the typed text, 2 rows containing it, "
     "3 rows where every typed word starts a word.",
     false},
    {"SearchColumns",
     0x68030021,
     GL,
     {{"NewValue", V::Int16}},
     V::Int16,
     ";Behavior",
     "Returns/sets what a search compares: 1 the first column, 2 the second, 4 the item number, added together.",
     false},
    {"SearchMatches",
     0x68030022,
     G,
     {},
     V::Int32,
     "",
     "Returns how many rows the present search shows (every row when none is shown).",
     true},
};

TEST(TypeInfo, ListsEveryMemberInOrderWithItsDescription) {
    const auto members = Library().Members;
    ASSERT_EQ(members.size(), 33u);
    for (std::size_t i = 0; i < kExpected.size(); ++i) {
        const auto& want = kExpected[i];
        const auto& got = members[i];
        SCOPED_TRACE("member " + std::to_string(i + 1) + " " + want.name);
        EXPECT_EQ(got.Name, want.name);
        EXPECT_EQ(static_cast<std::uint32_t>(got.Id), want.dispid);
        EXPECT_EQ(got.Kinds, want.kinds);
        EXPECT_EQ(got.Result, want.result);
        EXPECT_EQ(got.Category, want.category);
        EXPECT_EQ(got.Help, want.help);
        EXPECT_EQ(got.Hidden, want.hidden);
        ASSERT_EQ(got.Parameters().size(), want.params.size());
        for (std::size_t p = 0; p < want.params.size(); ++p) {
            SCOPED_TRACE("parameter " + want.params[p].name);
            EXPECT_EQ(got.Parameters()[p].Name, want.params[p].name);
            EXPECT_EQ(got.Parameters()[p].Type, want.params[p].type);
            EXPECT_EQ(got.Parameters()[p].Optional, want.params[p].optional);
            EXPECT_EQ(got.Parameters()[p].Default, want.params[p].def);
        }
        // Every way of reaching the member has its binding.
        EXPECT_EQ(got.Get != nullptr, (want.kinds & (kPropertyGet | kMethod)) != 0);
        EXPECT_EQ(got.Put != nullptr, (want.kinds & (kPropertyLet | kPropertySet)) != 0);
    }
}

TEST(TypeInfo, GetOfAPropertyTakesAllButTheNewValue) {
    const struct {
        DispId id;
        InvokeKind kind;
        std::vector<std::string> params;
    } rows[] = {
        {0x68030013, kPropertyGet, {}},
        {0x68030013, kPropertyLet, {"New_BackColor"}},
        {0x6803000E, kPropertyGet, {"Index"}},
        {0x6803000E, kPropertyLet, {"Index", "NewValue"}},
        {0x68030009, kPropertyGet, {"Index"}},
        {0x68030009, kPropertyLet, {"Index", "New_ItemData"}},
        {kDispIdFont, kPropertySet, {"New_Font"}},
        {0x6003004F, kMethod, {"Col", "Index"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.id) + " kind " + std::to_string(row.kind));
        const MemberInfo* m = FindMember(row.id, row.kind);
        ASSERT_NE(m, nullptr);
        std::vector<std::string> names;
        for (const auto& p : m->ParametersOf(row.kind))
            names.emplace_back(p.Name);
        EXPECT_EQ(names, row.params);
    }
    EXPECT_EQ(FindMember(0x68030010, kPropertyLet), nullptr);   // hWnd is read-only
    EXPECT_EQ(FindMember(kDispIdFont, kPropertyLet), nullptr);  // Font is assigned by reference
}

TEST(TypeInfo, NamesLookUpIgnoringCase) {
    EXPECT_EQ(MemberId("text"), 0);
    EXPECT_EQ(MemberId("LISTINDEX"), 0x6803000A);
    EXPECT_EQ(MemberId("BackColor"), 0x68030013);
    EXPECT_EQ(MemberId("font"), -512);
    EXPECT_EQ(MemberId("about"), -552);
    EXPECT_EQ(MemberId("Nonsense"), kDispIdUnknown);
    EXPECT_EQ(MemberId(""), kDispIdUnknown);
    EXPECT_EQ(EventId("keypress"), 3);
    EXPECT_EQ(EventId("Text"), kDispIdUnknown);
}

TEST(TypeInfo, ListsTheEightEventsByNumber) {
    const struct {
        std::string name;
        std::vector<std::pair<std::string, VarType>> params;
        std::string help;
    } expected[] = {
        {"Click", {}, "Occurs when the user presses and then releases a mouse button over the control."},
        {"KeyDown",
         {{"KeyCode", V::Int16}, {"Shift", V::Int16}},
         "Occurs when the user presses a key while an object has the focus."},
        {"KeyPress",
         {{"KeyAscii", V::Int16}, {"Col", V::Int16}},
         "Occurs when the user presses and releases an ANSI key, and returns the column number also."},
        {"KeyUp",
         {{"KeyCode", V::Int16}, {"Shift", V::Int16}},
         "Occurs when the user releases a key while an object has the focus."},
        {"MouseDown",
         {{"Button", V::Int16}, {"Shift", V::Int16}, {"X", V::Single}, {"Y", V::Single}},
         "Occurs when the user presses the mouse button while an object has the focus."},
        {"MouseMove",
         {{"Button", V::Int16}, {"Shift", V::Int16}, {"X", V::Single}, {"Y", V::Single}},
         "Occurs when the user moves the mouse."},
        {"MouseUp",
         {{"Button", V::Int16}, {"Shift", V::Int16}, {"X", V::Single}, {"Y", V::Single}},
         "Occurs when the user releases the mouse button while an object has the focus."},
        {"Filled",
         {},
         "Occurs when a row of KorvaneBox control is filled with the values of fields on Enter key if 'AutoFill' is "
         "True. "},
        {"SearchChanged",
         {{"Matches", V::Int32}},
         "Occurs when what the user typed changes the rows a search shows, with how many rows show."},
    };
    const auto events = Library().Events;
    ASSERT_EQ(events.size(), 9u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(events[i].Number, static_cast<DispId>(i + 1));
        EXPECT_EQ(events[i].Name, expected[i].name);
        EXPECT_EQ(events[i].Help, expected[i].help);
        ASSERT_EQ(events[i].Parameters().size(), expected[i].params.size());
        for (std::size_t p = 0; p < expected[i].params.size(); ++p) {
            EXPECT_EQ(events[i].Parameters()[p].Name, expected[i].params[p].first);
            EXPECT_EQ(events[i].Parameters()[p].Type, expected[i].params[p].second);
        }
        EXPECT_EQ(FindEvent(static_cast<DispId>(i + 1)), &events[i]);
    }
    EXPECT_EQ(FindEvent(0), nullptr);
    EXPECT_EQ(FindEvent(10), nullptr);
}

TEST(TypeInfo, StyleTypeNamesItsThreeStyles) {
    const auto& style = Library().Style;
    EXPECT_EQ(style.Name, "StyleType");
    ASSERT_EQ(style.Members.size(), 3u);
    EXPECT_EQ(style.Members[0].Name, "Dropdown Combo");
    EXPECT_EQ(style.Members[0].Value, 0);
    EXPECT_EQ(style.Members[1].Name, "Simple Combo");
    EXPECT_EQ(style.Members[1].Value, 1);
    EXPECT_EQ(style.Members[2].Name, "Dropdown List");
    EXPECT_EQ(style.Members[2].Value, 2);
}

TEST(TypeInfo, LibraryClassAndInterfacesCarryFixedDistinctIdentifiers) {
    const auto& lib = Library();
    EXPECT_EQ(lib.Name, "Korvane");
    EXPECT_EQ(lib.Help, "KorvaneBox Custom Control");
    EXPECT_EQ(lib.Class.Name, "ucvKorvane");
    EXPECT_EQ(lib.Class.ProgId, "Korvane.ucvKorvane");
    EXPECT_EQ(lib.Class.DefaultInterface.Name, "_ucvKorvane");
    EXPECT_EQ(lib.Class.EventInterface.Name, "__ucvKorvane");
    // Saved forms and registries hold these; they must never change.
    EXPECT_EQ(lib.Id, "{B8C1A0A2-16B9-43B8-919F-EDD406868065}");
    EXPECT_EQ(lib.Class.Id, "{2A784CC5-08FD-4D88-ADFC-26A5B3534E6E}");
    EXPECT_EQ(lib.Class.DefaultInterface.Id, "{2560B179-667C-4DB5-BFEA-5F77374562E0}");
    EXPECT_EQ(lib.Class.EventInterface.Id, "{4FDDCE8A-1A10-44C0-9C1D-3CA67553C0A7}");
    const std::set<std::string_view> distinct = {lib.Id, lib.Class.Id, lib.Class.DefaultInterface.Id,
                                                 lib.Class.EventInterface.Id};
    EXPECT_EQ(distinct.size(), 4u);
}

TEST(TypeInfo, TheLibrarysVersionIsThePackagesOne) {
    EXPECT_EQ(Library().MajorVersion, KORVANE_VERSION_MAJOR);
    EXPECT_EQ(Library().MinorVersion, KORVANE_VERSION_MINOR);
}

}  // namespace
}  // namespace korvane::component
