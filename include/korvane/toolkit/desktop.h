// The desktop: creates widgets and forms, and answers for the screen, the
// application globals (message box, beep, busy pointer, event pump) and the
// window functions the control calls by name.
//
// Two desktops may live in one process: nothing here is global.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "korvane/toolkit/types.h"
#include "korvane/toolkit/widgets.h"

namespace korvane::tk {

struct AppInfo {
    std::string Title = "Korvane";
    std::int32_t Major = 1;
    std::int32_t Minor = 0;
    std::int32_t Revision = 0;
};

// SetWindowPos insert-after handles and flags.
namespace hwnd {
constexpr Hwnd Top = 0;
constexpr Hwnd Bottom = 1;
constexpr Hwnd TopMost = -1;
constexpr Hwnd NoTopMost = -2;
}  // namespace hwnd
namespace swp {
constexpr unsigned NoSize = 0x1;
constexpr unsigned NoMove = 0x2;
}  // namespace swp

// System metric and colour indexes.
namespace sm {
constexpr int CxVScroll = 2;
}
namespace syscolor {
constexpr int Window = 5;
constexpr int WindowText = 8;
constexpr int Highlight = 13;
constexpr int HighlightText = 14;
}  // namespace syscolor

class Desktop {
public:
    virtual ~Desktop() = default;
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // --- widgets ---------------------------------------------------------
    // Forms are top-level. Child widgets live in a form or a user control;
    // `parent` must outlive them.
    virtual std::unique_ptr<Form> CreateForm(std::string name) = 0;
    virtual std::unique_ptr<UserControl> CreateUserControl(Widget& parent, std::string name, Ambient ambient) = 0;
    virtual std::unique_ptr<TextBox> CreateTextBox(Widget& parent, std::string name) = 0;
    virtual std::unique_ptr<Label> CreateLabel(Widget& parent, std::string name) = 0;
    virtual std::unique_ptr<ListBox> CreateListBox(Widget& parent, std::string name) = 0;
    virtual std::unique_ptr<Image> CreateImage(Widget& parent, std::string name) = 0;
    virtual std::unique_ptr<CommandButton> CreateCommandButton(Widget& parent, std::string name) = 0;
    virtual std::unique_ptr<Timer> CreateTimer(Widget& parent, std::string name) = 0;

    // --- screen ----------------------------------------------------------
    virtual float ScreenWidth() const = 0;   // twips
    virtual float ScreenHeight() const = 0;  // twips
    virtual std::int16_t TwipsPerPixelX() const = 0;
    virtual std::int16_t TwipsPerPixelY() const = 0;
    virtual std::int16_t MousePointer() const = 0;  // Screen.MousePointer
    virtual void MousePointer(std::int16_t value) = 0;

    // --- application globals -------------------------------------------
    virtual AppInfo App() const = 0;
    // Shows a message box and returns the button the user chose (1 = OK).
    virtual int MsgBox(std::string_view prompt, int style = msgbox::OkOnly, std::string_view title = {}) = 0;
    virtual void Beep() = 0;
    // Runs the events that are waiting, then returns.
    virtual void DoEvents() = 0;
    // The user's locale (an ICU locale id such as "de_DE"), whose rules
    // convert numbers and order texts. By default it comes from the
    // environment (LC_ALL, LC_NUMERIC, LANG).
    virtual std::string UserLocale() const;
    // Milliseconds since the desktop started, from the desktop's clock (the
    // clock that drives the timers).
    virtual std::int64_t TickCount() const = 0;
    // How many mouse-button presses the desktop has taken in so far. A press
    // is counted before anything it causes runs (the activation it moves,
    // the focus, the pressed widget's handlers), so a handler can tell
    // whether an earlier change came from the press it is handling.
    virtual std::uint64_t PressCount() const = 0;

    // --- window functions ----------------------------------------------
    virtual Hwnd GetFocus() = 0;
    virtual std::int32_t GetWindowRect(Hwnd window, Rect& rect) = 0;  // screen pixels; 0 on failure
    virtual Hwnd GetParent(Hwnd window) = 0;
    // Copies at most maxCount - 1 characters of the class name into `name`
    // and returns how many were copied (0 on failure).
    virtual std::int32_t GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) = 0;
    virtual std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                                      std::int32_t cy, unsigned flags) = 0;
    virtual std::int32_t GetSystemMetrics(int index) = 0;
    virtual std::uint32_t GetSysColor(int index) = 0;
    virtual std::int32_t DrawFocusRect(Hdc dc, const Rect& rect) = 0;  // pixels of the dc's window
    virtual std::int32_t MessageBeep(std::uint32_t type) = 0;
    virtual Hwnd GetDesktopWindow() = 0;
    // Opens `file` with the desktop's handler; > 32 is success, otherwise an
    // error code (2 file not found, 3 path not found, 5 access denied,
    // 27 incomplete association, 31 no association, 0 out of memory).
    virtual std::intptr_t ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                        std::string_view parameters, std::string_view directory,
                                        std::int32_t showCmd) = 0;
    // Opens `file` as ShellExecuteA does, without holding up the event loop
    // while the handler starts: `done` runs later, from the event loop, with
    // the code ShellExecuteA would have returned, and never once the desktop
    // is gone. A desktop whose handler answers at once may call it at once;
    // this one does.
    virtual void ShellExecuteLater(std::string_view file, std::function<void(std::intptr_t code)> done);
};

}  // namespace korvane::tk
