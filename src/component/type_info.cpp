// The member table of _ucvKorvane: one row per member, in the order hosts
// see them, holding both what the type information says about the member
// and the binding that reaches the C++ member. Keeping the two in one row is
// what stops a name, number or parameter list drifting from the class.
#include "korvane/component/type_info.h"

#include <algorithm>
#include <cctype>

#include "korvane/component/ids.h"
#include "korvane/ucvKorvane.h"
#include "korvane/version.h"

namespace korvane::component {

namespace {

using A = std::span<const Variant>;

constexpr ParamInfo P(std::string_view name, VarType type) {
    return {name, type, false, 0};
}
constexpr ParamInfo Opt(std::string_view name, VarType type, std::int32_t def) {
    return {name, type, true, def};
}

// Arguments arrive already converted to the parameter's declared type.
std::int32_t I4(const Variant& v) {
    return std::get<std::int32_t>(v);
}
std::int16_t I2(const Variant& v) {
    return std::get<std::int16_t>(v);
}
bool B(const Variant& v) {
    return std::get<bool>(v);
}
const std::string& S(const Variant& v) {
    return std::get<std::string>(v);
}
tk::OleColor C(const Variant& v) {
    return static_cast<tk::OleColor>(std::get<std::int32_t>(v));
}
Variant OfColor(tk::OleColor c) {
    return static_cast<std::int32_t>(c);
}

constexpr std::uint8_t kGetLet = kPropertyGet | kPropertyLet;

constexpr MemberInfo kMembers[] = {
    {"Backcolor",
     0x68030013,
     kGetLet,
     {P("New_BackColor", VarType::Color)},
     1,
     VarType::Color,
     ";Appearance",
     "Returns/sets the background color used to display text and graphics in an object.",
     false,
     [](ucvKorvane& c, A) -> Variant { return OfColor(c.Backcolor()); },
     [](ucvKorvane& c, A a) -> Variant { return c.Backcolor(C(a[0])), Variant{}; }},
    {"Forecolor",
     0x68030012,
     kGetLet,
     {P("New_ForeColor", VarType::Color)},
     1,
     VarType::Color,
     ";Appearance",
     "Returns/sets the foreground color used to display text and graphics in an object.",
     false,
     [](ucvKorvane& c, A) -> Variant { return OfColor(c.Forecolor()); },
     [](ucvKorvane& c, A a) -> Variant { return c.Forecolor(C(a[0])), Variant{}; }},
    {"Enabled",
     0x68030011,
     kGetLet,
     {P("New_Enabled", VarType::Bool)},
     1,
     VarType::Bool,
     ";Behavior",
     "Returns/sets a value that determines whether an object can respond to user-generated events.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Enabled(); },
     [](ucvKorvane& c, A a) -> Variant { return c.Enabled(B(a[0])), Variant{}; }},
    {"Font",
     kDispIdFont,
     kPropertyGet | kPropertySet,
     {P("New_Font", VarType::Font)},
     1,
     VarType::Font,
     ";Font",
     "Returns a Font object.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Font(); },
     [](ucvKorvane& c, A a) -> Variant { return c.Font(std::get<tk::FontRef>(a[0])), Variant{}; }},
    {"Refresh",
     0x60030014,
     kMethod,
     {},
     0,
     VarType::Void,
     "",
     "Forces a complete repaint of the control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Refresh(), Variant{}; },
     nullptr},
    {"hWnd",
     0x68030010,
     kPropertyGet,
     {},
     0,
     VarType::Int32,
     "",
     "Returns a handle (from Microsoft Windows) to an object's window.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.hWnd(); },
     nullptr},
    {"hDC",
     0x6803000F,
     kPropertyGet,
     {},
     0,
     VarType::Int32,
     "",
     "Returns a handle (from Microsoft Windows) to the object's device context.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.hDC(); },
     nullptr},
    {"AddItem",
     0x60030043,
     kMethod,
     {P("Col1", VarType::String), P("Col2", VarType::String), Opt("ID", VarType::Int32, 0)},
     3,
     VarType::Void,
     "",
     "Adds an item to the Listbox of KorvaneBox control.",
     false,
     [](ucvKorvane& c, A a) -> Variant { return c.AddItem(S(a[0]), S(a[1]), I4(a[2])), Variant{}; },
     nullptr},
    {"RemoveItem",
     0x60030045,
     kMethod,
     {P("Index", VarType::Int32)},
     1,
     VarType::Void,
     "",
     "Removes an item from the list portion of KorvaneBox control.",
     false,
     [](ucvKorvane& c, A a) -> Variant { return c.RemoveItem(I4(a[0])), Variant{}; },
     nullptr},
    {"Clear",
     0x60030046,
     kMethod,
     {},
     0,
     VarType::Void,
     "",
     "Clears the contents of a KorvaneBox control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Clear(), Variant{}; },
     nullptr},
    {"List",
     0x6803000E,
     kPropertyGet,
     {P("Index", VarType::Int32)},
     1,
     VarType::String,
     ";List",
     "Returns/sets the items contained in a control's list portion.",
     true,
     [](ucvKorvane& c, A a) -> Variant { return c.List(I4(a[0])); },
     nullptr},
    {"TextCol",
     0x6003004E,
     kMethod,
     {P("Col", VarType::Int16)},
     1,
     VarType::String,
     "",
     "Returns the text contained in a cell of the KorvaneBox control.",
     false,
     [](ucvKorvane& c, A a) -> Variant { return c.TextCol(I2(a[0])); },
     nullptr},
    {"ListCol",
     0x6003004F,
     kMethod,
     {P("Col", VarType::Int16), P("Index", VarType::Int32)},
     2,
     VarType::String,
     "",
     "Returns a row cell in the list portion of KorvaneBox control.",
     false,
     [](ucvKorvane& c, A a) -> Variant { return c.ListCol(I2(a[0]), I4(a[1])); },
     nullptr},
    {"List",
     0x6803000E,
     kPropertyLet,
     {P("Index", VarType::Int32), P("NewValue", VarType::String)},
     2,
     VarType::Void,
     ";List",
     "Returns/sets the items contained in a control's list portion.",
     true,
     nullptr,
     [](ucvKorvane& c, A a) -> Variant { return c.List(I4(a[0]), S(a[1])), Variant{}; }},
    {"ListCount",
     0x6803000C,
     kGetLet,
     {P("NewValue", VarType::Int32)},
     1,
     VarType::Int32,
     "",
     "Returns the number of items in the list portion of the control.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.ListCount(); },
     [](ucvKorvane& c, A a) -> Variant { return c.ListCount(I4(a[0])), Variant{}; }},
    {"NewIndex",
     0x6803000B,
     kPropertyGet,
     {},
     0,
     VarType::Int32,
     "",
     "Returns the index of the item most recently added to a control.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.NewIndex(); },
     nullptr},
    {"ListIndex",
     0x6803000A,
     kGetLet,
     {P("New_ListIndex", VarType::Int32)},
     1,
     VarType::Int32,
     "",
     "Returns/sets the index of the currently selected item in the control.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.ListIndex(); },
     [](ucvKorvane& c, A a) -> Variant { return c.ListIndex(I4(a[0])), Variant{}; }},
    {"ItemData",
     0x68030009,
     kPropertyGet,
     {P("Index", VarType::Int32)},
     1,
     VarType::Int32,
     "",
     "Returns/sets a specific number for each item in a KorvaneBox control.",
     true,
     [](ucvKorvane& c, A a) -> Variant { return c.ItemData(I4(a[0])); },
     nullptr},
    {"Locked",
     0x68030008,
     kGetLet,
     {P("NewValue", VarType::Bool)},
     1,
     VarType::Bool,
     ";Behavior",
     "Determines whether a control can be edited.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Locked(); },
     [](ucvKorvane& c, A a) -> Variant { return c.Locked(B(a[0])), Variant{}; }},
    {"ItemData",
     0x68030009,
     kPropertyLet,
     {P("Index", VarType::Int32), P("New_ItemData", VarType::Int32)},
     2,
     VarType::Void,
     "",
     "Returns/sets a specific number for each item in a KorvaneBox control.",
     true,
     nullptr,
     [](ucvKorvane& c, A a) -> Variant { return c.ItemData(I4(a[0]), I4(a[1])), Variant{}; }},
    {"Text",
     kDispIdValue,
     kGetLet,
     {P("NewValue", VarType::String)},
     1,
     VarType::String,
     ";Text",
     "Returns/sets the text contained in the control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.Text(); },
     [](ucvKorvane& c, A a) -> Variant { return c.Text(S(a[0])), Variant{}; }},
    {"WidthCol1",
     0x68030006,
     kGetLet,
     {P("New_WidthCol1", VarType::Int32)},
     1,
     VarType::Int32,
     ";Position",
     "Returns/sets the width of first column of a KorvaneBox control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.WidthCol1(); },
     [](ucvKorvane& c, A a) -> Variant { return c.WidthCol1(I4(a[0])), Variant{}; }},
    {"WidthCol2",
     0x68030005,
     kGetLet,
     {P("New_WidthCol2", VarType::Int32)},
     1,
     VarType::Int32,
     ";Position",
     "Returns/sets the width of second column of a KorvaneBox control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.WidthCol2(); },
     [](ucvKorvane& c, A a) -> Variant { return c.WidthCol2(I4(a[0])), Variant{}; }},
    {"ListHeight",
     0x68030004,
     kGetLet,
     {P("NewValue", VarType::Int32)},
     1,
     VarType::Int32,
     ";Behavior",
     "Returns/sets the height of the list portion of KorvaneBox control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.ListHeight(); },
     [](ucvKorvane& c, A a) -> Variant { return c.ListHeight(I4(a[0])), Variant{}; }},
    {"Style",
     0x68030003,
     kGetLet,
     {P("NewValue", VarType::Style)},
     1,
     VarType::Style,
     ";Appearance",
     "Returns/sets a value that determines the type of a KorvaneBox control and the behavior of its list box "
     "portion.",
     false,
     [](ucvKorvane& c, A) -> Variant { return static_cast<std::int32_t>(c.Style()); },
     [](ucvKorvane& c, A a) -> Variant { return c.Style(static_cast<StyleType>(I4(a[0]))), Variant{}; }},
    {"TopIndex",
     0x68030002,
     kGetLet,
     {P("New_TopIndex", VarType::Int32)},
     1,
     VarType::Int32,
     "",
     "Returns/sets which item in a control is displayed in the topmost position.",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.TopIndex(); },
     [](ucvKorvane& c, A a) -> Variant { return c.TopIndex(I4(a[0])), Variant{}; }},
    {"Sort",
     0x60030051,
     kMethod,
     {P("Col", VarType::Int16), Opt("OnNumeric", VarType::Bool, 0)},
     2,
     VarType::Void,
     "",
     "Makes sorted on either first or second column the rows (ASCII or numeric mode) of a KorvaneBox control.",
     false,
     [](ucvKorvane& c, A a) -> Variant { return c.Sort(I2(a[0]), B(a[1])), Variant{}; },
     nullptr},
    {"About",
     kDispIdAbout,
     kMethod,
     {},
     0,
     VarType::Void,
     "",
     "Show the information dialog box.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.About(), Variant{}; },
     nullptr},
    {"AutoFill",
     0x68030001,
     kGetLet,
     {P("New_AutoFill", VarType::Bool)},
     1,
     VarType::Bool,
     ";Behavior",
     "Fills a row of KorvaneBox control with the values of fields on Enter key when Style is either 'Dropdown "
     "Combo' or 'Simple Combo'.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.AutoFill(); },
     [](ucvKorvane& c, A a) -> Variant { return c.AutoFill(B(a[0])), Variant{}; }},
    {"ToolTipText",
     0x68030000,
     kGetLet,
     {P("NewValue", VarType::String)},
     1,
     VarType::String,
     "",
     "Returns/sets the text displayed when the mouse is paused over the control.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.ToolTipText(); },
     [](ucvKorvane& c, A a) -> Variant { return c.ToolTipText(S(a[0])), Variant{}; }},
    {"SearchMode",
     0x68030020,
     kGetLet,
     {P("NewValue", VarType::Int16)},
     1,
     VarType::Int16,
     ";Behavior",
     "Returns/sets how typing finds rows: 0 not at all, 1 rows starting with the typed text, 2 rows containing it, "
     "3 rows where every typed word starts a word.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.SearchMode(); },
     [](ucvKorvane& c, A a) -> Variant { return c.SearchMode(I2(a[0])), Variant{}; }},
    {"SearchColumns",
     0x68030021,
     kGetLet,
     {P("NewValue", VarType::Int16)},
     1,
     VarType::Int16,
     ";Behavior",
     "Returns/sets what a search compares: 1 the first column, 2 the second, 4 the item number, added together.",
     false,
     [](ucvKorvane& c, A) -> Variant { return c.SearchColumns(); },
     [](ucvKorvane& c, A a) -> Variant { return c.SearchColumns(I2(a[0])), Variant{}; }},
    {"SearchMatches",
     0x68030022,
     kPropertyGet,
     {},
     0,
     VarType::Int32,
     "",
     "Returns how many rows the present search shows (every row when none is shown).",
     true,
     [](ucvKorvane& c, A) -> Variant { return c.SearchMatches(); },
     nullptr},
};

constexpr EventInfo kEvents[] = {
    {"Click", 1, {}, 0, "Occurs when the user presses and then releases a mouse button over the control."},
    {"KeyDown",
     2,
     {P("KeyCode", VarType::Int16), P("Shift", VarType::Int16)},
     2,
     "Occurs when the user presses a key while an object has the focus."},
    {"KeyPress",
     3,
     {P("KeyAscii", VarType::Int16), P("Col", VarType::Int16)},
     2,
     "Occurs when the user presses and releases an ANSI key, and returns the column number also."},
    {"KeyUp",
     4,
     {P("KeyCode", VarType::Int16), P("Shift", VarType::Int16)},
     2,
     "Occurs when the user releases a key while an object has the focus."},
    {"MouseDown",
     5,
     {P("Button", VarType::Int16), P("Shift", VarType::Int16), P("X", VarType::Single), P("Y", VarType::Single)},
     4,
     "Occurs when the user presses the mouse button while an object has the focus."},
    {"MouseMove",
     6,
     {P("Button", VarType::Int16), P("Shift", VarType::Int16), P("X", VarType::Single), P("Y", VarType::Single)},
     4,
     "Occurs when the user moves the mouse."},
    {"MouseUp",
     7,
     {P("Button", VarType::Int16), P("Shift", VarType::Int16), P("X", VarType::Single), P("Y", VarType::Single)},
     4,
     "Occurs when the user releases the mouse button while an object has the focus."},
    {"Filled",
     8,
     {},
     0,
     "Occurs when a row of KorvaneBox control is filled with the values of fields on Enter key if 'AutoFill' is "
     "True. "},
    {"SearchChanged",
     9,
     {P("Matches", VarType::Int32)},
     1,
     "Occurs when what the user typed changes the rows a search shows, with how many rows show."},
};

constexpr EnumMember kStyles[] = {
    {"Dropdown Combo", 0},
    {"Simple Combo", 1},
    {"Dropdown List", 2},
};

const LibraryInfo kLibrary{
    "Korvane",
    ids::kLibrary,
    "KorvaneBox Custom Control",
    KORVANE_VERSION_MAJOR,
    KORVANE_VERSION_MINOR,
    {"ucvKorvane",
     ids::kClass,
     ids::kProgId,
     "KorvaneBox Custom Control",
     {"_ucvKorvane", ids::kDefaultInterface},
     {"__ucvKorvane", ids::kEventInterface}},
    kMembers,
    kEvents,
    {"StyleType", kStyles},
};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

const LibraryInfo& Library() {
    return kLibrary;
}

const MemberInfo* FindMember(DispId id, InvokeKind kind) {
    for (const auto& m : kMembers)
        if (m.Id == id && (m.Kinds & kind))
            return &m;
    return nullptr;
}

DispId MemberId(std::string_view name) {
    for (const auto& m : kMembers)
        if (SameName(m.Name, name))
            return m.Id;
    return kDispIdUnknown;
}

DispId EventId(std::string_view name) {
    for (const auto& e : kEvents)
        if (SameName(e.Name, name))
            return e.Number;
    return kDispIdUnknown;
}

const EventInfo* FindEvent(DispId number) {
    for (const auto& e : kEvents)
        if (e.Number == number)
            return &e;
    return nullptr;
}

}  // namespace korvane::component
