/// @file
/// A deterministic desktop without a screen: widgets, focus, activation,
/// hit-testing, timers on a virtual clock, modal loops and input at the
/// user's level (mouse at a point, keys, typed text). Tests and the scripted
/// demo drive the control through it exactly as a person would, and read back
/// what a person would have seen or heard (message boxes, beeps, the busy
/// pointer, focus rectangles, shell requests).
///
/// Each HeadlessDesktop is self-contained; several can live in one process.
/// Widgets and their parents may be destroyed in any order, also after the
/// desktop; a widget is not used once its desktop is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/korvane_export.h"
#include "korvane/toolkit/desktop.h"

/// The desktop without a screen.
namespace korvane::tk::headless {

using tk::FocusRectRecord;
using tk::MessageBoxRecord;
using tk::PropertyChangeRecord;
using tk::ShellRequest;

/// A SetWindowPos call, with its arguments.
struct SetWindowPosRecord {
    Hwnd Window = 0;       ///< the window
    Hwnd InsertAfter = 0;  ///< the window or tk::hwnd value it goes after
    std::int32_t X = 0;    ///< the left edge, pixels
    std::int32_t Y = 0;    ///< the top edge, pixels
    std::int32_t Cx = 0;   ///< the width, pixels
    std::int32_t Cy = 0;   ///< the height, pixels
    unsigned Flags = 0;    ///< tk::swp bits
};

/// Line height and average character width of a font face, in pixels, for a
/// given font. Faces not defined measure like the default face.
struct FontMetrics {
    float LineHeightPx = 13;       ///< the height of a line
    float AverageCharWidthPx = 5;  ///< the width of an average character
};
/// Measures a font of one face (HeadlessDesktop::DefineFont).
using FontMeasure = std::function<FontMetrics(const Font&)>;

/// The desktop without a screen. Everything happens when the caller drives
/// it: the clock moves only in Advance, posted work runs only in DoEvents
/// (or a modal loop), and input comes only from the user-level calls below.
class KORVANE_EXPORT HeadlessDesktop final : public Desktop {
public:
    /// The screen the desktop pretends to have.
    struct Options {
        std::int32_t ScreenWidthPx = 1024;   ///< screen width in pixels
        std::int32_t ScreenHeightPx = 768;   ///< screen height in pixels
        std::int16_t TwipsPerPixel = 15;     ///< twips in a pixel, both ways (15 is 96 dpi)
        std::int32_t ScrollBarWidthPx = 16;  ///< the width of a vertical scroll bar
    };

    /// A desktop with the default Options.
    HeadlessDesktop();
    /// A desktop with the screen of `options`.
    explicit HeadlessDesktop(Options options);
    /// Ends the desktop; widgets still alive then do nothing.
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
    void Log(std::string_view message) override;
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
    /// Changes the screen's size (pixels); ScreenWidth and ScreenHeight follow.
    void SetScreenSize(std::int32_t widthPx, std::int32_t heightPx);
    /// Changes what GetSysColor gives for `index`.
    void SetSysColor(int index, std::uint32_t color);
    /// Changes the width of vertical scroll bars (GetSystemMetrics).
    void SetScrollBarWidth(std::int32_t px);
    /// Changes the application's name and version (App).
    void SetApp(AppInfo app);
    /// The user's locale; empty (the default) takes it from the environment.
    void SetUserLocale(std::string locale);
    /// Makes fonts of `face` measure as `measure` says.
    void DefineFont(std::string face, FontMeasure measure);
    /// The button the next message boxes answer with (default 1, OK).
    void SetMsgBoxAnswer(int answer);
    /// The code ShellExecuteA returns from now on (default 42, success).
    void SetShellResult(std::intptr_t code);
    /// Makes a top-level window that is not one of the desktop's forms (a
    /// foreign host) with the class name `className`, at `boundsPx`.
    Hwnd CreateForeignWindow(std::string className, Rect boundsPx);
    /// Reparents a user control's window under a foreign window.
    void Reparent(Widget& child, Hwnd newParent);

    // --- what a person saw or heard ---------------------------------------
    /// Each list of records keeps a window of the newest ones, so a program
    /// that runs for ever does not grow: it always holds at least the last
    /// RecordWindow records of its kind, and never more than twice that (the
    /// oldest RecordWindow go at once when it is full). Beeps() counts all.
    static constexpr std::size_t RecordWindow = 512;
    /// Every message box shown (and answered with SetMsgBoxAnswer's button).
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    /// How many times Beep was called.
    std::int32_t Beeps() const;
    /// The type of every MessageBeep call.
    const std::vector<std::uint32_t>& MessageBeeps() const;
    /// Every write of the application's MousePointer, in order.
    const std::vector<std::int16_t>& PointerHistory() const;
    /// Every saved property a user control announced as changed.
    const std::vector<PropertyChangeRecord>& PropertyChanges() const;
    /// Every DrawFocusRect call since the records were last cleared. On a
    /// screen drawing a rectangle again erases it; here both calls are kept.
    const std::vector<FocusRectRecord>& FocusRects() const;
    /// Every ShellExecuteA call.
    const std::vector<ShellRequest>& ShellRequests() const;
    /// Every SetWindowPos call.
    const std::vector<SetWindowPosRecord>& WindowPosCalls() const;
    /// Every line written to the desktop's log.
    const std::vector<std::string>& Logged() const;
    /// Empties the records above.
    void ClearRecords();

    // --- finding widgets ---------------------------------------------------
    /// A widget by dotted path of names from the form:
    /// "Form1.KorvaneBox1.txtCol1". Forms are searched newest first.
    /// nullptr when nothing matches.
    Widget* Find(std::string_view path) const;
    /// The widget with window handle `window`; nullptr for none.
    Widget* FromHwnd(Hwnd window) const;
    /// The widget that has the keyboard focus; nullptr for none.
    Widget* FocusWidget() const;
    /// The active form; nullptr for none.
    Form* ActiveForm() const;
    /// Whether the top-level window `window` is top-most.
    bool IsTopMost(Hwnd window) const;
    /// Visible top-level windows from top to bottom of the z-order.
    std::vector<Hwnd> ZOrder() const;
    /// Screen rectangle of any widget, in pixels.
    Rect ScreenRectPx(const Widget& widget) const;
    /// Rows a list box shows at its present height.
    std::int32_t VisibleRows(const ListBox& list) const;
    /// How often the widget has been repainted (Refresh, and being shown).
    std::int32_t Repaints(const Widget& widget) const;

    // --- clock and events --------------------------------------------------
    /// Moves the virtual clock on; every enabled timer fires at each of its
    /// due times, in time order. Posted events run as they fall due too.
    /// A step that would carry the clock past the largest 64-bit value
    /// raises Overflow and moves nothing.
    void Advance(std::int64_t ms);
    /// When the next enabled timer falls due (on TickCount's clock); none
    /// when no timer runs. Lets a host step the clock one tick at a time.
    std::optional<std::int64_t> NextTimerDue() const;
    /// Queues work that runs at the next DoEvents (or event pump of a modal loop).
    void Post(std::function<void()> work);
    /// How many posted pieces of work wait to run.
    std::size_t PendingEvents() const;
    /// Each modal Show takes the next script and runs it inside its loop;
    /// the script plays the user (and may Advance the clock). A modal loop
    /// with no script and nothing posted fails with ToolkitModalStalled,
    /// naming the form, after hiding it.
    void OnModal(std::function<void(Form& modal)> script);

    // --- input at the user's level ----------------------------------------
    /// Moves the pointer to a screen point, in pixels, raising MouseMove on
    /// the widget under it (or on the widget that captured the mouse).
    void MouseMove(std::int32_t xPx, std::int32_t yPx);
    /// Presses `button` where the pointer is. A press hit-tests the top-most
    /// window under the point, activates its form, gives a windowed widget
    /// the focus, selects a list row under the point (raising Click) and
    /// only then raises MouseDown. The pressed widget captures the mouse
    /// until release.
    void MouseDown(std::int16_t button = button::Left);
    /// Releases `button`, raising MouseUp on the widget that captured the mouse.
    void MouseUp(std::int16_t button = button::Left);
    /// Moves to a screen point (pixels), presses and releases `button`.
    void Click(std::int32_t xPx, std::int32_t yPx, std::int16_t button = button::Left);
    /// Moves the pointer to a point of `widget`, in twips of that widget.
    void MoveTo(const Widget& widget, float xTwips, float yTwips);
    /// Clicks a point of `widget`, in twips of that widget.
    void ClickAt(const Widget& widget, float xTwips, float yTwips, std::int16_t button = button::Left);
    /// Clicks the centre of row `row` of a list box; a row the list does not
    /// have (below 0, past its last) is nowhere, and nothing happens.
    void ClickRow(const ListBox& list, std::int32_t row, std::int16_t button = button::Left);
    /// Moves the pointer to the centre of row `row` of a list box; a row the
    /// list does not have leaves the pointer where it is.
    void MoveToRow(const ListBox& list, std::int32_t row);
    /// The user drags the list's scroll bar so that `topIndex` is at the top.
    void ScrollTo(ListBox& list, std::int32_t topIndex);
    /// Turns the wheel over the widget under the pointer: a list box scrolls
    /// three rows a notch, towards the first row for positive notches.
    void MouseWheel(std::int32_t notches);

    /// Presses key `keyCode` (tk::key) in the focused widget. Shift (16),
    /// Ctrl (17) and Alt (18) held down set the shift state of later key and
    /// mouse events until released.
    void KeyDown(std::int16_t keyCode);
    /// Releases key `keyCode`.
    void KeyUp(std::int16_t keyCode);
    /// Down, the character (if the key produces one), up; `shiftState` keys
    /// are held around it.
    void PressKey(std::int16_t keyCode, std::int16_t shiftState = shift::None);
    /// Types UTF-8 text into the focused widget, one KeyPress per character.
    void Type(std::string_view text);
    /// Moves the focus to the next (or, `backwards`, previous) widget in tab order.
    void Tab(bool backwards = false);
    /// The shift state (tk::shift bits) of the modifier keys held down.
    std::int16_t ShiftState() const;

    /// The desktop's state (private to the library).
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::tk::headless
