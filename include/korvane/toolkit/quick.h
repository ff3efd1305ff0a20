/// @file
/// The desktop on Qt Quick: the toolkit interface over QQuickItems
/// (Korvane::Quick). Each widget is an item that paints itself; a form is a
/// window of its own (a QQuickWindow) unless its controls were moved into an
/// item of the host's scene (AdoptForeignItem, Reparent), and a control's
/// drop-down then opens as an item in the overlay of that item's window.
/// Timers run on the desktop's one clock. Sizes stay in twips for the
/// control; the desktop converts them with the screen's logical resolution.
///
/// A QGuiApplication must exist before a QuickDesktop is made; the library
/// never makes one. Widgets may be destroyed in any order, also after their
/// desktop; a widget whose desktop is gone does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/quick/korvane_quick_export.h"
#include "korvane/toolkit/desktop.h"

class QQuickItem;
class QQuickWindow;

/// The desktop over Qt Quick.
namespace korvane::tk::quick {

/// The toolkit interface over Qt Quick items. Use it from the thread that
/// runs the QGuiApplication.
class KORVANE_QUICK_EXPORT QuickDesktop final : public Desktop {
public:
    /// The one desktop of the running application that every KorvaneBox item
    /// shares: one clock runs all their timers and the focus moves between
    /// their fields as between widgets of one desktop. Made on first use
    /// and kept while anyone holds it. Raises InvalidProcedureCall (5) when
    /// no QGuiApplication exists.
    static std::shared_ptr<QuickDesktop> Shared();

    /// How the desktop keeps time and draws its lists.
    struct Options {
        /// The clock stands still until Advance moves it (for tests that
        /// play a person's session without waiting on real time); by
        /// default it is the real time since the desktop was made.
        bool ManualClock = false;
        /// The width of a list's vertical scroll bar in pixels, which
        /// GetSystemMetrics reports too (a host may match its scene's
        /// style; values below 1 count as 1).
        std::int32_t ScrollBarPx = 12;
    };

    /// A desktop on the running QGuiApplication; raises InvalidProcedureCall
    /// (5) when there is none.
    QuickDesktop();
    /// A desktop with `options`; raises InvalidProcedureCall (5) when no
    /// QGuiApplication exists.
    explicit QuickDesktop(Options options);
    /// Ends the desktop; widgets still alive then do nothing.
    ~QuickDesktop() override;

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
    /// Records the message box, then shows the prompt in a modal dialog
    /// form of the desktop's own ("KorvaneMessageBox", with the label
    /// "lblPrompt" and the button "btnOK", the default and cancel button)
    /// and returns OK (1) once it closes; while recording, answers at once
    /// instead.
    int MsgBox(std::string_view prompt, int style = msgbox::OkOnly, std::string_view title = {}) override;
    void Beep() override;
    /// Logs under the category "korvane.quick", as a warning, and keeps
    /// the line in the records.
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
    std::intptr_t ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                std::string_view parameters, std::string_view directory, std::int32_t showCmd) override;

    // --- for hosts and tests ----------------------------------------------
    /// Changes the application's name and version (App).
    void SetApp(AppInfo app);
    /// With recording on, message boxes are kept in the records and
    /// answered with `answer` instead of being shown (for unattended runs).
    void RecordMessageBoxes(bool on, int answer = 1);
    /// Everything a person saw and heard: message boxes, beeps, pointer
    /// shapes, property notifications, documents asked to be opened, the
    /// log and every DrawFocusRect call.
    const DesktopRecords& Records() const;
    /// The message boxes shown or recorded (Records().MessageBoxes).
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    /// How many Beep and MessageBeep calls there were (Records().Beeps).
    std::int32_t Beeps() const;
    /// Empties the records (the focus rectangles on the screen stay where
    /// they are).
    void ClearRecords();
    /// From now on documents are not opened: ShellExecuteA records the
    /// request and answers with `code` at once (42 is success), for
    /// unattended runs that must start nothing.
    void AnswerShellRequests(std::intptr_t code);
    /// The user's locale; empty (the default) takes it from the environment.
    void SetUserLocale(std::string locale);
    std::string UserLocale() const override;

    /// With a manual clock: Qt's pending events and the posted work run
    /// first, then the clock moves on by `ms` milliseconds, ticking each
    /// timer that falls due on the way, one tick at a time in time order
    /// with the clock standing at the tick, the pending events and posted
    /// work run after each tick. Raises InvalidProcedureCall (5) on a real
    /// clock or for a negative `ms`, and Overflow (6) past the clock's last
    /// millisecond.
    void Advance(std::int64_t ms);
    /// Queues work that runs at the next DoEvents, turn of a modal loop or
    /// Advance, outside Qt's event dispatch: what it throws comes out of
    /// that call. Work posted by posted work waits for the next round.
    void Post(std::function<void()> work);
    /// On a manual clock each modal Show takes the next script and runs it
    /// inside its loop; the script plays the user (and may Advance the
    /// clock). A modal loop there with no script, no posted work and no
    /// Qt event left fails with ToolkitModalStalled, naming the form,
    /// after hiding it: nobody would ever end it. On a real clock a modal
    /// loop waits for the person at the screen.
    void OnModal(std::function<void(Form& modal)> script);
    /// The focus rectangles drawn on a device context and not yet erased.
    std::vector<Rect> FocusRects(Hdc dc) const;
    /// Rows a list box shows at its present height.
    std::int32_t VisibleRows(const ListBox& list) const;
    /// Whether the form with window `window` is top-most: set so with
    /// SetWindowPos, or a drop-down, which stays above its scene.
    bool IsTopMost(Hwnd window) const;

    /// The item behind a toolkit widget; nullptr for timers. A form's item
    /// is the root of its widgets' items.
    QQuickItem* ItemOf(const Widget& widget) const;
    /// The window a form shows in: its own window, or the window of the
    /// item its drop-down opens over; nullptr while it has none.
    QQuickWindow* WindowOf(const Form& form) const;
    /// A widget by dotted path of names from the form:
    /// "Form1.KorvaneBox1.txtCol1". Forms are searched newest first.
    /// nullptr when nothing matches.
    Widget* Find(std::string_view path) const;
    /// The widget with window handle `window`; nullptr for none.
    Widget* FromHwnd(Hwnd window) const;
    /// The widget that has the desktop's focus; nullptr for none.
    Widget* FocusWidget() const;
    /// Screen rectangle of any widget, in pixels.
    Rect ScreenRectPx(const Widget& widget) const;

    /// Makes an item of the host's scene (not made through this desktop) a
    /// window the window functions know under `className`, and returns its
    /// handle: a control's user control moved into it (Reparent) lives in
    /// the host's scene, and its drop-down opens in the overlay of the
    /// item's window. It is forgotten when `item` is destroyed.
    Hwnd AdoptForeignItem(QQuickItem& item, std::string className);
    /// Moves a user control's window into a foreign item (or back under its
    /// own parent when `newParent` is not one).
    void Reparent(Widget& child, Hwnd newParent);
    /// A form of the desktop's own that never shows, for controls whose
    /// windows move into foreign items: they can all sit on it. Made on
    /// first use; it lives as long as the desktop.
    Form& HiddenHostForm();

    /// The desktop's state (private to the library).
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::tk::quick
