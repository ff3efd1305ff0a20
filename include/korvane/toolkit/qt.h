/// @file
/// The desktop on a real screen: the toolkit interface over Qt 6 Widgets
/// (Korvane::Qt). Forms are top-level windows, the control's widgets are Qt
/// widgets, the timers are Qt timers and a modal Show runs a nested Qt event
/// loop. Sizes stay in twips for the control; the desktop converts them with
/// the screen's logical resolution.
///
/// A QApplication must exist before a QtDesktop is made; the library never
/// makes one (CreateQtDesktop does, for the demo and tools). Widgets may be
/// destroyed in any order, also after their desktop; a widget whose desktop
/// is gone does nothing. All KorvaneBox widgets of an application share one
/// desktop, QtDesktop::Shared().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/qt/korvane_qt_export.h"
#include "korvane/toolkit/desktop.h"

class QWidget;

/// The desktop over Qt 6 Widgets.
namespace korvane::tk::qt {

using tk::DesktopRecords;
using tk::FocusRectRecord;
using tk::MessageBoxRecord;
using tk::PropertyChangeRecord;
using tk::ShellRequest;

/// The toolkit interface over Qt 6 Widgets: the control on a real screen.
/// Use it from the thread that runs the QApplication.
class KORVANE_QT_EXPORT QtDesktop final : public Desktop {
public:
    /// How the desktop treats the forms it makes.
    struct Options {
        /// Forms with these names open as borderless, top-most tool windows
        /// without a taskbar entry. A form given the role Role::DropDown
        /// (the control's drop-down list window) becomes one too.
        std::vector<std::string> ToolWindowForms;
        /// With a manual clock the desktop's timers run on a clock that only
        /// Advance moves, and TickCount counts from 0 on that clock: a test
        /// or a scripted session never waits on real time, and every tick
        /// comes at a moment it chooses. Without it (the default) the
        /// timers run on real time in Qt's event loop.
        bool ManualClock = false;
    };

    /// The one desktop of the running QApplication, with the default
    /// Options: every KorvaneBox of the application uses it, so one event
    /// filter sees each event once and one clock runs all their timers.
    /// Made on first use and kept while anyone holds it (each box holds
    /// it); once the last holder lets it go, the next call makes a new one,
    /// as it does under a new QApplication. A desktop still held when its
    /// QApplication ends is not handed out again; its holders keep it until
    /// they let it go. Raises InvalidProcedureCall (5) when no QApplication
    /// exists.
    static std::shared_ptr<QtDesktop> Shared();

    /// A desktop with the default Options. A QApplication must exist.
    QtDesktop();
    /// A desktop with `options`. A QApplication must exist.
    explicit QtDesktop(Options options);
    /// Ends the desktop; widgets still alive then do nothing.
    ~QtDesktop() override;

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
    /// Logs under the category "korvane.toolkit", as a warning.
    void Log(std::string_view message) override;
    void DoEvents() override;
    std::int64_t TickCount() const override;
    std::uint64_t PressCount() const override;

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
    /// The desktop's opener runs on a helper thread; its answer comes back
    /// through the event loop.
    void ShellExecuteLater(std::string_view file, std::function<void(std::intptr_t code)> done) override;
    std::intptr_t ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                std::string_view parameters, std::string_view directory, std::int32_t showCmd) override;

    // --- for hosts, demos and tests ---------------------------------------
    /// Changes the application's name and version (App).
    void SetApp(AppInfo app);
    /// With recording on, message boxes are kept in MessageBoxes() and
    /// answered with `answer` instead of being shown (for unattended runs).
    void RecordMessageBoxes(bool on, int answer = 1);
    /// Everything a person saw and heard, in one place (the members
    /// below read it piece by piece).
    const DesktopRecords& Records() const;
    /// The message boxes recorded while recording was on.
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    /// How many Beep and MessageBeep calls there were.
    std::int32_t Beeps() const;
    /// The type of every MessageBeep call.
    const std::vector<std::uint32_t>& MessageBeeps() const;
    /// The focus rectangles drawn on a device context and not yet erased.
    std::vector<Rect> FocusRects(Hdc dc) const;
    /// The focus rectangles drawn on any device context and not yet erased.
    std::vector<FocusRectRecord> FocusRects() const;
    /// Every DrawFocusRect call, in order, as the headless desktop records
    /// them: a rectangle drawn again (which erases it) is in it twice.
    const std::vector<FocusRectRecord>& FocusRectCalls() const;
    /// Every write of the application's MousePointer, in order.
    const std::vector<std::int16_t>& PointerHistory() const;
    /// Every saved property a user control announced as changed. The host
    /// saves its forms itself, so nothing else is done with them.
    const std::vector<PropertyChangeRecord>& PropertyChanges() const;
    /// Every ShellExecuteA call and every document opened later.
    const std::vector<ShellRequest>& ShellRequests() const;
    /// Every line written to the desktop's log (it goes to the category as well).
    const std::vector<std::string>& Logged() const;
    /// Empties the records above, the message boxes and the beep count
    /// (the focus rectangles on the screen stay where they are).
    void ClearRecords();
    /// From now on documents are not opened: ShellExecuteA and
    /// ShellExecuteLater record the request and answer with `code` at once
    /// (42 is success), for unattended runs that must start nothing.
    void AnswerShellRequests(std::intptr_t code);
    /// The user's locale; empty (the default) takes it from the environment.
    void SetUserLocale(std::string locale);
    std::string UserLocale() const override;

    /// Moves the manual clock (Options::ManualClock) on by `ms`: Qt's
    /// pending events and the posted work run first, then every timer
    /// ticks at each of its due times in time order, with the clock
    /// standing at the tick and the pending events and posted work run
    /// after each tick. Raises InvalidProcedureCall without a manual clock
    /// or for a negative step.
    void Advance(std::int64_t ms);
    /// Queues work that runs at the next DoEvents, turn of a modal loop or
    /// Advance, outside Qt's event dispatch: what it throws comes out of
    /// that call. Work posted by posted work waits for the next round.
    void Post(std::function<void()> work);
    /// Each modal Show takes the next script and runs it inside its loop;
    /// the script plays the user (and may Advance the clock). With a
    /// manual clock a modal loop with no script, no posted work and no Qt
    /// event left fails with ToolkitModalStalled, naming the form, after
    /// hiding it: nobody would ever end it. Without a manual clock a loop
    /// with no script waits for the person at the screen.
    void OnModal(std::function<void(Form& modal)> script);
    /// The widget that has the keyboard focus in the desktop's account;
    /// nullptr for none.
    Widget* FocusWidget() const;
    /// Rows a list box shows at its present height.
    std::int32_t VisibleRows(const ListBox& list) const;
    /// Whether the top-level window `window` is top-most.
    bool IsTopMost(Hwnd window) const;

    /// The Qt widget behind a toolkit widget; nullptr for timers. A host
    /// may put its own Qt widgets into a form's widget. A text box's widget
    /// is a field of the desktop's own, not a `QLineEdit`: its text is read
    /// through the TextBox, or through its accessible text interface.
    QWidget* WidgetOf(const Widget& widget) const;
    /// A widget by dotted path of names from the form:
    /// "Form1.KorvaneBox1.txtCol1". Forms are searched newest first.
    /// nullptr when nothing matches.
    Widget* Find(std::string_view path) const;
    /// The widget with window handle `window`; nullptr for none.
    Widget* FromHwnd(Hwnd window) const;
    /// Screen rectangle of any widget, in pixels.
    Rect ScreenRectPx(const Widget& widget) const;

    /// Makes a top-level Qt window not made through this desktop (a foreign
    /// host) known under `className` to the window functions, and returns
    /// its handle. It is forgotten when `window` is destroyed.
    Hwnd AdoptForeignWindow(QWidget& window, std::string className);
    /// A form of the desktop's own that never shows, for controls whose
    /// windows move into foreign windows (Reparent): they can all sit on
    /// it. Made on first use; it lives as long as the desktop.
    Form& HiddenHostForm();

    /// What the desktop holds, for checking that widgets which come and go
    /// leave nothing behind.
    struct Census {
        std::size_t Widgets = 0;         ///< widgets in the registry, forms and timers included
        std::size_t ForeignWindows = 0;  ///< foreign windows adopted and not yet destroyed
        std::size_t RunningTimers = 0;   ///< timers on the desktop's clock
    };
    /// Counts what the desktop holds now.
    Census Count() const;
    /// Moves a user control's window into a foreign window (or back under
    /// its own parent when `newParent` is not a foreign window).
    void Reparent(Widget& child, Hwnd newParent);

    /// Runs the event loop for `ms` milliseconds of real time.
    void ProcessEventsFor(int ms);
    /// Saves what the screen shows inside `boundsPx` as a PNG; false when
    /// the screen could not be read or the file not written.
    bool SaveScreenPng(const Rect& boundsPx, const std::string& path) const;

    /// The desktop's state (private to the library).
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

/// Makes a QApplication when the process has none yet (it then lives until
/// the process ends) and a desktop on it. `argc` and `argv` go to the
/// QApplication and must live as long as it does. For the demo and tools
/// that own their process only: a Qt application makes its own QApplication,
/// and the widget (korvane/qt/KorvaneBox.h) uses that one.
KORVANE_QT_EXPORT std::unique_ptr<QtDesktop> CreateQtDesktop(int& argc, char** argv, QtDesktop::Options options = {});

}  // namespace korvane::tk::qt
