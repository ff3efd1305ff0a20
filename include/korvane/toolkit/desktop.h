/// @file
/// The desktop: creates widgets and forms, and answers for the screen, the
/// application globals (message box, beep, busy pointer, event pump) and the
/// window functions the control calls by name.
///
/// Two desktops may live in one process: nothing here is global.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "korvane/korvane_export.h"
#include "korvane/toolkit/types.h"
#include "korvane/toolkit/widgets.h"
#include "korvane/version.h"

namespace korvane::tk {

/// The application's name and version, as the About box shows them. Until
/// the host gives its own, a desktop answers with the control's name and
/// version (korvane/version.h).
struct AppInfo {
    std::string Title = "Korvane";                  ///< the application's title (message boxes without a title show it)
    std::int32_t Major = KORVANE_VERSION_MAJOR;     ///< major version
    std::int32_t Minor = KORVANE_VERSION_MINOR;     ///< minor version
    std::int32_t Revision = KORVANE_VERSION_PATCH;  ///< revision
};

/// SetWindowPos insert-after handles.
namespace hwnd {
constexpr Hwnd Top = 0;         ///< above its siblings
constexpr Hwnd Bottom = 1;      ///< below its siblings
constexpr Hwnd TopMost = -1;    ///< above every window that is not top-most, and stays there
constexpr Hwnd NoTopMost = -2;  ///< no longer top-most
}  // namespace hwnd
/// SetWindowPos flags.
namespace swp {
constexpr unsigned NoSize = 0x1;  ///< keep the size (cx, cy are ignored)
constexpr unsigned NoMove = 0x2;  ///< keep the place (x, y are ignored)
}  // namespace swp

/// System metric indexes (Desktop::GetSystemMetrics).
namespace sm {
constexpr int CxVScroll = 2;  ///< the width of a vertical scroll bar, in pixels
}
/// System colour indexes (Desktop::GetSysColor).
namespace syscolor {
constexpr int Window = 5;          ///< the background of windows and fields
constexpr int WindowText = 8;      ///< text in windows and fields
constexpr int Highlight = 13;      ///< the background of selected items
constexpr int HighlightText = 14;  ///< the text of selected items
}  // namespace syscolor

/// A desktop: the widgets, the screen and the window functions the control
/// is drawn and driven through. korvane::tk::headless::HeadlessDesktop runs
/// without a screen (tests, servers, scripting); korvane::tk::qt::QtDesktop
/// runs on Qt 6 Widgets. Every widget and form a desktop makes belongs to
/// the caller, and must not outlive the desktop unless the desktop says so.
class KORVANE_EXPORT Desktop {
public:
    virtual ~Desktop() = default;
    /// Desktops are made by their own classes (see above).
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // --- widgets ---------------------------------------------------------
    /// Makes a top-level form named `name`, not yet loaded or shown.
    virtual std::unique_ptr<Form> CreateForm(std::string name) = 0;
    /// Makes a user-control container (a control's own window) in `parent`,
    /// which must outlive it; `ambient` tells it whether the host form is
    /// being designed.
    virtual std::unique_ptr<UserControl> CreateUserControl(Widget& parent, std::string name, Ambient ambient) = 0;
    /// Makes a text box in `parent` (a form or a user control), which must
    /// outlive it.
    virtual std::unique_ptr<TextBox> CreateTextBox(Widget& parent, std::string name) = 0;
    /// Makes a label in `parent`, which must outlive it.
    virtual std::unique_ptr<Label> CreateLabel(Widget& parent, std::string name) = 0;
    /// Makes a list box in `parent`, which must outlive it.
    virtual std::unique_ptr<ListBox> CreateListBox(Widget& parent, std::string name) = 0;
    /// Makes an image in `parent`, which must outlive it.
    virtual std::unique_ptr<Image> CreateImage(Widget& parent, std::string name) = 0;
    /// Makes a push button in `parent`, which must outlive it.
    virtual std::unique_ptr<CommandButton> CreateCommandButton(Widget& parent, std::string name) = 0;
    /// Makes a timer in `parent`, which must outlive it; it does not tick
    /// until its Interval is set.
    virtual std::unique_ptr<Timer> CreateTimer(Widget& parent, std::string name) = 0;

    // --- screen ----------------------------------------------------------
    /// The screen's width in twips.
    virtual float ScreenWidth() const = 0;
    /// The screen's height in twips.
    virtual float ScreenHeight() const = 0;
    /// Twips in one pixel across (15 at 96 dots per inch).
    virtual std::int16_t TwipsPerPixelX() const = 0;
    /// Twips in one pixel down (15 at 96 dots per inch).
    virtual std::int16_t TwipsPerPixelY() const = 0;
    /// The pointer shown over the whole application (tk::pointer values);
    /// pointer::Default lets each widget show its own.
    virtual std::int16_t MousePointer() const = 0;
    /// Sets the pointer shown over the whole application.
    virtual void MousePointer(std::int16_t value) = 0;

    // --- application globals -------------------------------------------
    /// The application's name and version.
    virtual AppInfo App() const = 0;
    /// Shows a message box and returns the button the user chose (1 = OK).
    /// An empty `title` shows the application's title.
    virtual int MsgBox(std::string_view prompt, int style = msgbox::OkOnly, std::string_view title = {}) = 0;
    /// Sounds the desktop's beep.
    virtual void Beep() = 0;
    /// Writes a line to the desktop's log, for the developer: what failed
    /// where nobody could be told (in a timer tick, say). By default the
    /// line goes to the standard error stream.
    virtual void Log(std::string_view message);
    /// Runs the events that are waiting, then returns.
    virtual void DoEvents() = 0;
    /// The user's locale (an ICU locale id such as "de_DE"), whose rules
    /// convert numbers and order texts. By default it comes from the
    /// environment (LC_ALL, LC_NUMERIC, LANG).
    virtual std::string UserLocale() const;
    /// Milliseconds since the desktop started, from the desktop's clock (the
    /// clock that drives the timers).
    virtual std::int64_t TickCount() const = 0;
    /// How many mouse-button presses the desktop has taken in so far. A press
    /// is counted before anything it causes runs (the activation it moves,
    /// the focus, the pressed widget's handlers), so a handler can tell
    /// whether an earlier change came from the press it is handling.
    virtual std::uint64_t PressCount() const = 0;

    // --- window functions ----------------------------------------------
    /// The window that has the keyboard focus; 0 when none of this
    /// desktop's windows has it.
    virtual Hwnd GetFocus() = 0;
    /// Puts the screen rectangle of `window`, in pixels, into `rect`;
    /// returns 0 (and leaves `rect`) when there is no such window.
    virtual std::int32_t GetWindowRect(Hwnd window, Rect& rect) = 0;
    /// The nearest window that holds `window`; 0 for a form or an unknown
    /// window.
    virtual Hwnd GetParent(Hwnd window) = 0;
    /// Copies at most maxCount - 1 characters of the class name into `name`
    /// and returns how many were copied (0 on failure).
    virtual std::int32_t GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) = 0;
    /// Moves, sizes and orders a window: `insertAfter` is a window or a
    /// tk::hwnd value (it orders top-level windows only), x, y, cx, cy are
    /// pixels, `flags` are tk::swp bits. Returns 0 when there is no such
    /// window.
    virtual std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                                      std::int32_t cy, unsigned flags) = 0;
    /// A system metric (tk::sm indexes) in pixels.
    virtual std::int32_t GetSystemMetrics(int index) = 0;
    /// A system colour (tk::syscolor indexes) as an OleColor.
    virtual std::uint32_t GetSysColor(int index) = 0;
    /// Draws a focus rectangle on `dc`, in pixels of the dc's window;
    /// drawing the same rectangle again erases it. Returns 0 on failure.
    virtual std::int32_t DrawFocusRect(Hdc dc, const Rect& rect) = 0;
    /// Sounds the desktop's beep; `type` picks a sound where the desktop has
    /// several. Returns 0 on failure.
    virtual std::int32_t MessageBeep(std::uint32_t type) = 0;
    /// The window that stands for the whole screen.
    virtual Hwnd GetDesktopWindow() = 0;
    /// Opens `file` with the desktop's handler; > 32 is success, otherwise an
    /// error code (2 file not found, 3 path not found, 5 access denied,
    /// 27 incomplete association, 31 no association, 0 out of memory).
    virtual std::intptr_t ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                        std::string_view parameters, std::string_view directory,
                                        std::int32_t showCmd) = 0;
    /// Opens `file` as ShellExecuteA does, without holding up the event loop
    /// while the handler starts: `done` runs later, from the event loop, with
    /// the code ShellExecuteA would have returned, and never once the desktop
    /// is gone. A desktop whose handler answers at once may call it at once;
    /// this one does.
    virtual void ShellExecuteLater(std::string_view file, std::function<void(std::intptr_t code)> done);
};

}  // namespace korvane::tk
