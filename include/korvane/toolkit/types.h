/// @file
/// Plain types shared by the toolkit interface and the control: window and
/// device-context handles, colours, rectangles, fonts and pictures, and the
/// key, button and pointer codes that event handlers receive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

/// The toolkit interface: what the control needs of a desktop (widgets,
/// forms, window functions, a clock), and the types it is made of.
namespace korvane::tk {

/// A window handle, unique within its desktop; 0 is no window.
using Hwnd = std::int32_t;
/// A device-context handle (what a widget draws on); 0 is none.
using Hdc = std::int32_t;
/// A colour: red in the low byte, then green, then blue (see Rgb).
using OleColor = std::uint32_t;

/// The colour with red `r`, green `g` and blue `b` (each 0 to 255).
constexpr OleColor Rgb(int r, int g, int b) {
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

/// A rectangle in pixels or twips (as the function that gives it says);
/// Right and Bottom lie just outside it.
struct Rect {
    std::int32_t Left = 0;    ///< the left edge
    std::int32_t Top = 0;     ///< the top edge
    std::int32_t Right = 0;   ///< the right edge, exclusive
    std::int32_t Bottom = 0;  ///< the bottom edge, exclusive
    /// Equal when all four edges are.
    friend bool operator==(const Rect&, const Rect&) = default;
};

/// A font object. It is shared by reference: the control, its widgets and the
/// host may all hold the same object, and a change made through one holder is
/// seen by the others at their next measurement or repaint. A desktop that
/// lacks the named font draws in a font it has, and the object keeps its name.
struct Font {
    std::string Name = "MS Sans Serif";  ///< the typeface's name
    float Size = 8.0f;                   ///< the size in points
    bool Bold = false;                   ///< drawn bold
    bool Italic = false;                 ///< drawn italic
    bool Underline = false;              ///< drawn underlined
    bool Strikethrough = false;          ///< drawn struck through
};
/// How fonts are held and passed: shared, see Font.
using FontRef = std::shared_ptr<Font>;

/// The largest font size, in points, a desktop draws: a control's rows and
/// heights at that size stay well inside the widgets' integer extents.
inline constexpr float kLargestFontSize = 2048;

/// Whether a desktop draws `font` at its own size: above 0 and up to
/// kLargestFontSize (not a NaN, not infinite). Since a font object is
/// shared, its holder may change the size at any time; a desktop draws any
/// other size at the default size.
inline bool DrawableSize(const Font& font) {
    return font.Size > 0 && font.Size <= kLargestFontSize;
}

/// A picture held by an image or used as a cursor. Only its identity and
/// size matter to the control.
struct Picture {
    std::string Name;           ///< what the picture shows, for tests and logs
    std::int32_t WidthPx = 0;   ///< its width in pixels
    std::int32_t HeightPx = 0;  ///< its height in pixels
};
/// How pictures are held and passed.
using PictureRef = std::shared_ptr<const Picture>;

/// Key codes the control looks at (the KeyCode of key events).
namespace key {
constexpr std::int16_t Back = 8;       ///< Backspace
constexpr std::int16_t Tab = 9;        ///< Tab
constexpr std::int16_t Return = 13;    ///< Enter
constexpr std::int16_t Shift = 16;     ///< a Shift key
constexpr std::int16_t Control = 17;   ///< a Ctrl key
constexpr std::int16_t Menu = 18;      ///< an Alt key
constexpr std::int16_t Escape = 27;    ///< Escape
constexpr std::int16_t Space = 32;     ///< the space bar
constexpr std::int16_t PageUp = 33;    ///< Page Up
constexpr std::int16_t PageDown = 34;  ///< Page Down
constexpr std::int16_t End = 35;       ///< End
constexpr std::int16_t Home = 36;      ///< Home
constexpr std::int16_t Left = 37;      ///< the left arrow
constexpr std::int16_t Up = 38;        ///< the up arrow
constexpr std::int16_t Right = 39;     ///< the right arrow
constexpr std::int16_t Down = 40;      ///< the down arrow
constexpr std::int16_t Delete = 46;    ///< Delete
constexpr std::int16_t F4 = 115;       ///< F4
}  // namespace key

/// Shift-state bits of key and mouse events.
namespace shift {
constexpr std::int16_t None = 0;   ///< no modifier
constexpr std::int16_t Shift = 1;  ///< Shift is down
constexpr std::int16_t Ctrl = 2;   ///< Ctrl is down
constexpr std::int16_t Alt = 4;    ///< Alt is down
}  // namespace shift

/// Mouse button bits.
namespace button {
constexpr std::int16_t None = 0;    ///< no button
constexpr std::int16_t Left = 1;    ///< the left button
constexpr std::int16_t Right = 2;   ///< the right button
constexpr std::int16_t Middle = 4;  ///< the middle button
}  // namespace button

/// Desktop::MousePointer values.
namespace pointer {
constexpr std::int16_t Default = 0;     ///< the desktop's own pointer
constexpr std::int16_t Hourglass = 11;  ///< busy (the control shows it while it sorts)
constexpr std::int16_t Custom = 99;     ///< a widget's own picture (Widget::MouseIcon)
}  // namespace pointer

/// Message box styles the control uses (Desktop::MsgBox).
namespace msgbox {
constexpr int OkOnly = 0;     ///< an OK button only
constexpr int Critical = 16;  ///< the critical-message icon
}  // namespace msgbox

/// A handler without arguments (Click, Change, GotFocus, ...).
using Handler = std::function<void()>;
/// A KeyDown or KeyUp handler. Arguments are by reference: the widget goes
/// on with what the handler left, and a KeyCode of 0 cancels the widget's
/// own handling of the key.
using KeyHandler = std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)>;
/// A KeyPress handler: a KeyAscii of 0 cancels the character, another
/// value types that one instead.
using KeyPressHandler = std::function<void(std::int16_t& KeyAscii)>;
/// A MouseDown, MouseMove or MouseUp handler: button and shift bits, and
/// the pointer in twips from the widget's top-left corner.
using MouseHandler = std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)>;
/// A QueryUnload handler: a Cancel other than 0 keeps the form loaded.
using CancelHandler = std::function<void(std::int16_t& Cancel)>;

/// A message box a desktop showed (or, in tests, only recorded).
struct MessageBoxRecord {
    std::string Prompt;  ///< the message
    int Style = 0;       ///< its tk::msgbox style
    std::string Title;   ///< the title shown: the application title when none was given
};

/// A focus rectangle drawn and not yet erased.
struct FocusRectRecord {
    Hdc Dc = 0;   ///< the device context it was drawn on
    Rect Bounds;  ///< pixels of the device context's window
};

/// A ShellExecuteA call (or a document opened later), with its arguments.
struct ShellRequest {
    Hwnd Owner = 0;            ///< the owner window
    std::string Operation;     ///< "open", ...
    std::string File;          ///< the document or address
    std::string Parameters;    ///< the parameters
    std::string Directory;     ///< the working folder
    std::int32_t ShowCmd = 0;  ///< how the window was to be shown
};

/// A saved property a user control announced as changed.
struct PropertyChangeRecord {
    std::string Control;   ///< the user control's name
    std::string Property;  ///< the key it announced
};

/// What a person saw and heard on a desktop, as hosts and tests read it
/// back. Each list keeps a window of the newest entries, so a program that
/// runs for ever does not grow: at least the last 512 of each kind.
struct DesktopRecords {
    std::vector<MessageBoxRecord> MessageBoxes;         ///< the message boxes shown or recorded
    std::int32_t Beeps = 0;                             ///< how many Beep and MessageBeep calls there were
    std::vector<std::uint32_t> MessageBeeps;            ///< the type of every MessageBeep call
    std::vector<FocusRectRecord> FocusRectCalls;        ///< every DrawFocusRect call, in order
    std::vector<std::int16_t> PointerHistory;           ///< every write of the application's MousePointer
    std::vector<PropertyChangeRecord> PropertyChanges;  ///< every saved property announced as changed
    std::vector<ShellRequest> ShellRequests;            ///< every document asked to be opened
    std::vector<std::string> Logged;                    ///< every line written to the desktop's log
    /// Forgets every record.
    void Clear() { *this = DesktopRecords{}; }
};

}  // namespace korvane::tk
