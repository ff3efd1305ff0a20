// A deterministic desktop without a screen: widgets, focus, activation,
// hit-testing, timers on a virtual clock, modal loops and input at the
// user's level (mouse at a point, keys, typed text). Tests and the scripted
// demo drive the control through it exactly as a person would, and read back
// what a person would have seen or heard (message boxes, beeps, the busy
// pointer, focus rectangles, shell requests).
//
// Each HeadlessDesktop is self-contained; several can live in one process.
// Widgets and their parents may be destroyed in any order, also after the
// desktop; a widget is not used once its desktop is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/desktop.h"

namespace korvane::tk::headless {

using tk::MessageBoxRecord;

struct FocusRectRecord {
    Hdc Dc = 0;
    Rect Bounds;  // pixels of the device context's window
};

struct ShellRequest {
    Hwnd Owner = 0;
    std::string Operation;
    std::string File;
    std::string Parameters;
    std::string Directory;
    std::int32_t ShowCmd = 0;
};

struct PropertyChangeRecord {
    std::string Control;   // the user control's name
    std::string Property;  // the key it announced
};

struct SetWindowPosRecord {
    Hwnd Window = 0;
    Hwnd InsertAfter = 0;
    std::int32_t X = 0, Y = 0, Cx = 0, Cy = 0;
    unsigned Flags = 0;
};

// Line height and average character width of a font face, in pixels, for a
// given font. Faces not defined measure like the default face.
struct FontMetrics {
    float LineHeightPx = 13;
    float AverageCharWidthPx = 5;
};
using FontMeasure = std::function<FontMetrics(const Font&)>;

class HeadlessDesktop final : public Desktop {
public:
    struct Options {
        std::int32_t ScreenWidthPx = 1024;
        std::int32_t ScreenHeightPx = 768;
        std::int16_t TwipsPerPixel = 15;
        std::int32_t ScrollBarWidthPx = 16;
    };

    HeadlessDesktop();
    explicit HeadlessDesktop(Options options);
    ~HeadlessDesktop() override;

    // --- Desktop ---------------------------------------------------------
    std::unique_ptr<Form> CreateForm(std::string name) override;
    std::unique_ptr<UserControl> CreateUserControl(Widget& parent, std::string name, tk::Ambient ambient) override;
    std::unique_ptr<TextBox> CreateTextBox(Widget& parent, std::string name) override;
    std::unique_ptr<Label> CreateLabel(Widget& parent, std::string name) override;
    std::unique_ptr<ListBox> CreateListBox(Widget& parent, std::string name) override;
    std::unique_ptr<Image> CreateImage(Widget& parent, std::string name) override;
    std::unique_ptr<CommandButton> CreateCommandButton(Widget& parent, std::string name) override;
    std::unique_ptr<Timer> CreateTimer(Widget& parent, std::string name) override;

    float ScreenWidth() const override;
    float ScreenHeight() const override;
    std::int16_t TwipsPerPixelX() const override;
    std::int16_t TwipsPerPixelY() const override;
    std::int16_t MousePointer() const override;
    void MousePointer(std::int16_t value) override;

    AppInfo App() const override;
    int MsgBox(std::string_view prompt, int style = msgbox::OkOnly, std::string_view title = {}) override;
    void Beep() override;
    void DoEvents() override;
    std::int64_t TickCount() const override;
    std::uint64_t PressCount() const override;
    std::string UserLocale() const override;

    Hwnd GetFocus() override;
    std::int32_t GetWindowRect(Hwnd window, Rect& rect) override;
    Hwnd GetParent(Hwnd window) override;
    std::int32_t GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) override;
    std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                              std::int32_t cy, unsigned flags) override;
    std::int32_t GetSystemMetrics(int index) override;
    std::uint32_t GetSysColor(int index) override;
    std::int32_t DrawFocusRect(Hdc dc, const Rect& rect) override;
    std::int32_t MessageBeep(std::uint32_t type) override;
    Hwnd GetDesktopWindow() override;
    std::intptr_t ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                std::string_view parameters, std::string_view directory, std::int32_t showCmd) override;

    // --- settings ----------------------------------------------------------
    void SetScreenSize(std::int32_t widthPx, std::int32_t heightPx);
    void SetSysColor(int index, std::uint32_t color);
    void SetScrollBarWidth(std::int32_t px);
    void SetApp(AppInfo app);
    // The user's locale; empty (the default) takes it from the environment.
    void SetUserLocale(std::string locale);
    void DefineFont(std::string face, FontMeasure measure);
    // The button the next message boxes answer with (default 1, OK).
    void SetMsgBoxAnswer(int answer);
    // The code ShellExecuteA returns from now on (default 42, success).
    void SetShellResult(std::intptr_t code);
    // A top-level window that is not one of our forms (a foreign host).
    Hwnd CreateForeignWindow(std::string className, Rect boundsPx);
    // Reparents a user control's window under a foreign window.
    void Reparent(Widget& child, Hwnd newParent);

    // --- what a person saw or heard ---------------------------------------
    // Each list of records keeps a window of the newest ones, so a program
    // that runs for ever does not grow: it always holds at least the last
    // RecordWindow records of its kind, and never more than twice that (the
    // oldest RecordWindow go at once when it is full). Beeps() counts all.
    static constexpr std::size_t RecordWindow = 512;
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    std::int32_t Beeps() const;                               // Beep()
    const std::vector<std::uint32_t>& MessageBeeps() const;   // MessageBeep(type)
    const std::vector<std::int16_t>& PointerHistory() const;  // every Screen.MousePointer write
    const std::vector<PropertyChangeRecord>& PropertyChanges() const;
    const std::vector<FocusRectRecord>& FocusRects() const;
    const std::vector<ShellRequest>& ShellRequests() const;
    const std::vector<SetWindowPosRecord>& WindowPosCalls() const;
    void ClearRecords();

    // --- finding widgets ---------------------------------------------------
    // By dotted path of names from the form: "Form1.KorvaneBox1.txtCol1".
    // Forms are searched newest first. nullptr when nothing matches.
    Widget* Find(std::string_view path) const;
    Widget* FromHwnd(Hwnd window) const;
    Widget* FocusWidget() const;
    Form* ActiveForm() const;
    bool IsTopMost(Hwnd window) const;
    // Top-level windows from top to bottom of the z-order (visible ones).
    std::vector<Hwnd> ZOrder() const;
    // Screen rectangle of any widget, in pixels.
    Rect ScreenRectPx(const Widget& widget) const;
    // Rows a list box shows at its present height.
    std::int32_t VisibleRows(const ListBox& list) const;
    // How often the widget has been repainted (Refresh, and being shown).
    std::int32_t Repaints(const Widget& widget) const;

    // --- clock and events --------------------------------------------------
    // Moves the virtual clock on; every enabled timer fires at each of its
    // due times, in time order. Posted events run as they fall due too.
    // A step that would carry the clock past the largest 64-bit value
    // raises Overflow and moves nothing.
    void Advance(std::int64_t ms);
    // When the next enabled timer falls due (on TickCount's clock); none
    // when no timer runs. Lets a host step the clock one tick at a time.
    std::optional<std::int64_t> NextTimerDue() const;
    // Queues work that runs at the next DoEvents (or event pump of a modal loop).
    void Post(std::function<void()> work);
    std::size_t PendingEvents() const;
    // Each modal Show takes the next script and runs it inside its loop;
    // the script plays the user (and may Advance the clock). A modal loop
    // with no script and nothing posted fails with ToolkitModalStalled,
    // naming the form, after hiding it.
    void OnModal(std::function<void(Form& modal)> script);

    // --- input at the user's level ----------------------------------------
    // Screen coordinates in pixels. A press hit-tests the top-most window
    // under the point, activates its form, gives a windowed widget the focus,
    // selects a list row under the point (raising Click) and only then
    // raises MouseDown. The pressed widget captures the mouse until release.
    void MouseMove(std::int32_t xPx, std::int32_t yPx);
    void MouseDown(std::int16_t button = button::Left);
    void MouseUp(std::int16_t button = button::Left);
    void Click(std::int32_t xPx, std::int32_t yPx, std::int16_t button = button::Left);
    // The same at a point of a widget, in twips of that widget.
    void MoveTo(const Widget& widget, float xTwips, float yTwips);
    void ClickAt(const Widget& widget, float xTwips, float yTwips, std::int16_t button = button::Left);
    // Centre of a list row, in twips of the list.
    void ClickRow(const ListBox& list, std::int32_t row, std::int16_t button = button::Left);
    void MoveToRow(const ListBox& list, std::int32_t row);
    // The user drags the list's scroll bar so that `topIndex` is at the top.
    void ScrollTo(ListBox& list, std::int32_t topIndex);
    // Turns the wheel over the widget under the pointer: a list box scrolls
    // three rows a notch, towards the first row for positive notches.
    void MouseWheel(std::int32_t notches);

    // Keys. Shift (16), Ctrl (17) and Alt (18) held down set the shift state
    // of later key and mouse events until released.
    void KeyDown(std::int16_t keyCode);
    void KeyUp(std::int16_t keyCode);
    // Down, the character (if the key produces one), up; `shiftState` keys
    // are held around it.
    void PressKey(std::int16_t keyCode, std::int16_t shiftState = shift::None);
    // Types UTF-8 text into the focused widget, one KeyPress per character.
    void Type(std::string_view text);
    // Moves the focus to the next (or previous) widget in tab order.
    void Tab(bool backwards = false);
    std::int16_t ShiftState() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::tk::headless
