// The test driver: everything the control-level suites do to a desktop and
// read back from it, as a person at the screen and a host would. A person
// presses, releases and moves the mouse, turns its wheel, drags a list's
// scroll bar, presses keys and types; time passes only when a test moves
// the clock; and what the person saw and heard (message boxes, beeps,
// pointer shapes, focus rectangles, the container's property notifications,
// documents opened) is read back afterwards.
//
// The suites are written against TestDesktop only. Each test program makes
// its drivers with MakeTestDesktop, which it defines once:
// tests/headless_driver.cpp over the headless desktop (korvane_tests),
// tests/qt/qt_driver.cpp over the Qt desktop (korvane_qt_behaviour_tests)
// and tests/quick/quick_driver.cpp over the Qt Quick desktop
// (korvane_quick_behaviour_tests), both on Qt's offscreen platform, where
// every input goes through Qt's own event delivery and the desktop runs on
// a manual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/desktop.h"
#include "korvane/toolkit/headless.h"

namespace korvane::test {

class TestDesktop {
public:
    // The screen a test asks for. A desktop on a real screen has the screen
    // it has; a test whose figures need another one asks ScreenIs first.
    using Options = tk::headless::HeadlessDesktop::Options;

    virtual ~TestDesktop() = default;
    TestDesktop() = default;
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    // The desktop the control is made on.
    virtual tk::Desktop& Toolkit() = 0;
    const tk::Desktop& Toolkit() const { return const_cast<TestDesktop*>(this)->Toolkit(); }
    operator tk::Desktop&() { return Toolkit(); }
    // "Headless", "Qt" or "Quick".
    virtual std::string Face() const = 0;
    // The headless desktop, for what only a desktop without a screen can
    // be told (the metrics of a font face); nullptr on a real screen.
    virtual tk::headless::HeadlessDesktop* Headless() { return nullptr; }
    // Whether the desktop's screen is the one `options` describes.
    bool ScreenIs(const Options& options) const {
        return Toolkit().ScreenWidth() == static_cast<float>(options.ScreenWidthPx * options.TwipsPerPixel) &&
               Toolkit().ScreenHeight() == static_cast<float>(options.ScreenHeightPx * options.TwipsPerPixel) &&
               Toolkit().TwipsPerPixelX() == options.TwipsPerPixel &&
               const_cast<tk::Desktop&>(Toolkit()).GetSystemMetrics(2) == options.ScrollBarWidthPx;
    }

    // --- the toolkit interface, as the host reaches it --------------------------
    std::unique_ptr<tk::Form> CreateForm(std::string name) { return Toolkit().CreateForm(std::move(name)); }
    std::unique_ptr<tk::TextBox> CreateTextBox(tk::Widget& parent, std::string name) {
        return Toolkit().CreateTextBox(parent, std::move(name));
    }
    std::unique_ptr<tk::ListBox> CreateListBox(tk::Widget& parent, std::string name) {
        return Toolkit().CreateListBox(parent, std::move(name));
    }
    std::unique_ptr<tk::Label> CreateLabel(tk::Widget& parent, std::string name) {
        return Toolkit().CreateLabel(parent, std::move(name));
    }
    tk::Hwnd GetFocus() { return Toolkit().GetFocus(); }
    tk::Hwnd GetDesktopWindow() { return Toolkit().GetDesktopWindow(); }
    std::uint32_t GetSysColor(int index) { return Toolkit().GetSysColor(index); }
    std::int16_t MousePointer() const { return Toolkit().MousePointer(); }
    void MousePointer(std::int16_t value) { Toolkit().MousePointer(value); }
    float ScreenWidth() const { return Toolkit().ScreenWidth(); }
    float ScreenHeight() const { return Toolkit().ScreenHeight(); }
    std::int16_t TwipsPerPixelX() const { return Toolkit().TwipsPerPixelX(); }
    std::int16_t TwipsPerPixelY() const { return Toolkit().TwipsPerPixelY(); }
    tk::AppInfo App() const { return Toolkit().App(); }
    std::int64_t TickCount() const { return Toolkit().TickCount(); }
    void DoEvents() { Toolkit().DoEvents(); }

    // --- settings of the session -----------------------------------------------
    virtual void SetApp(tk::AppInfo app) = 0;
    virtual void SetUserLocale(std::string locale) = 0;
    // The button every message box is answered with from now on (1, OK).
    virtual void SetMsgBoxAnswer(int answer) = 0;
    // What opening a document answers from now on (42, success); nothing
    // is ever opened.
    virtual void SetShellResult(std::intptr_t code) = 0;
    // A top-level window of another program, with its class name, at
    // `boundsPx`; and a user control's window moved into it.
    virtual tk::Hwnd CreateForeignWindow(std::string className, tk::Rect boundsPx) = 0;
    virtual void Reparent(tk::Widget& child, tk::Hwnd newParent) = 0;

    // --- what the person saw and heard -------------------------------------------
    virtual const std::vector<tk::MessageBoxRecord>& MessageBoxes() const = 0;
    virtual std::int32_t Beeps() const = 0;
    virtual const std::vector<std::uint32_t>& MessageBeeps() const = 0;
    virtual const std::vector<std::int16_t>& PointerHistory() const = 0;
    virtual const std::vector<tk::PropertyChangeRecord>& PropertyChanges() const = 0;
    // Every focus rectangle drawn since the records were last cleared.
    virtual std::vector<tk::FocusRectRecord> FocusRects() const = 0;
    virtual const std::vector<tk::ShellRequest>& ShellRequests() const = 0;
    virtual const std::vector<std::string>& Logged() const = 0;
    // Forgets the records above (what the screen shows stays).
    virtual void ClearRecords() = 0;

    // --- finding widgets ---------------------------------------------------------
    virtual tk::Widget* Find(std::string_view path) const = 0;
    virtual tk::Widget* FocusWidget() const = 0;
    virtual bool IsTopMost(tk::Hwnd window) const = 0;
    virtual tk::Rect ScreenRectPx(const tk::Widget& widget) const = 0;
    virtual std::int32_t VisibleRows(const tk::ListBox& list) const = 0;

    // --- time and queued work ----------------------------------------------------
    // Moves the desktop's clock on; every due timer ticks in time order.
    virtual void Advance(std::int64_t ms) = 0;
    // Work that runs at the next DoEvents, Advance or turn of a modal loop.
    virtual void Post(std::function<void()> work) = 0;
    // Each modal Show runs the next script inside its loop.
    virtual void OnModal(std::function<void(tk::Form& modal)> script) = 0;

    // --- the mouse (screen pixels, or twips of a widget) --------------------------
    virtual void MouseMove(std::int32_t xPx, std::int32_t yPx) = 0;
    virtual void MouseDown(std::int16_t button = tk::button::Left) = 0;
    virtual void MouseUp(std::int16_t button = tk::button::Left) = 0;
    void Click(std::int32_t xPx, std::int32_t yPx, std::int16_t button = tk::button::Left) {
        MouseMove(xPx, yPx);
        MouseDown(button);
        MouseUp(button);
    }
    virtual void MoveTo(const tk::Widget& widget, float xTwips, float yTwips) = 0;
    void ClickAt(const tk::Widget& widget, float xTwips, float yTwips, std::int16_t button = tk::button::Left) {
        MoveTo(widget, xTwips, yTwips);
        MouseDown(button);
        MouseUp(button);
    }
    // The middle of a row of a list; a row not on view is nowhere, and
    // nothing happens.
    virtual void ClickRow(const tk::ListBox& list, std::int32_t row, std::int16_t button = tk::button::Left) = 0;
    virtual void MoveToRow(const tk::ListBox& list, std::int32_t row) = 0;
    // Drags the list's scroll bar so that `topIndex` is at the top.
    virtual void ScrollTo(tk::ListBox& list, std::int32_t topIndex) = 0;
    // Turns the wheel over what is under the pointer; positive notches
    // scroll towards the first row.
    virtual void MouseWheel(std::int32_t notches) = 0;

    // --- the keyboard (tk::key codes) ----------------------------------------------
    virtual void KeyDown(std::int16_t keyCode) = 0;
    virtual void KeyUp(std::int16_t keyCode) = 0;
    virtual void PressKey(std::int16_t keyCode, std::int16_t shiftState = tk::shift::None) = 0;
    // Types UTF-8 text into the focused widget, one character at a time.
    virtual void Type(std::string_view text) = 0;
    virtual void Tab(bool backwards = false) = 0;
};

// The driver of this test program, on a fresh desktop.
std::unique_ptr<TestDesktop> MakeTestDesktop(const TestDesktop::Options& options = {});

}  // namespace korvane::test
