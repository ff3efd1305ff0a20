// The test driver over the Qt desktop. Input goes through Qt's own event
// delivery, as the window system's would: the mouse and the keys enter at
// the window (QGuiApplication's handling of a window-system event, so
// grabs, popups, modal windows, enter and leave, shortcuts and the focus
// widget are Qt's), a wheel turn is a QWheelEvent sent to the widget under
// the pointer, a scroll bar drag moves the list's own scroll bar. The
// desktop runs on a manual clock that only Advance moves; message boxes
// and documents opened are recorded and answered, never shown or started.
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <optional>

#include "driver.h"
#include "korvane/toolkit/qt.h"
#include "text/utf8.h"
#include "toolkit/qt/widget_kinds.h"

QT_BEGIN_NAMESPACE
// QtGui's entries for a window-system event, the ones Qt's own test library uses.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods, const QString& text,
                                    bool autorep, ushort count);
// The window system's report that the activation moved (to no window of
// the program: a press on the bare screen). QtGui exports it for platform
// plugins without a public header; this is its declaration there.
class QWindowSystemInterface {
public:
    struct SynchronousDelivery {};
    template <typename Delivery>
    static void handleWindowActivated(QWindow* window, Qt::FocusReason reason);
};
QT_END_NAMESPACE

namespace korvane::test {
namespace {

using tk::qt::QtDesktop;

Qt::MouseButton QtButton(std::int16_t b) {
    switch (b) {
        case tk::button::Right:
            return Qt::RightButton;
        case tk::button::Middle:
            return Qt::MiddleButton;
        default:
            return Qt::LeftButton;
    }
}

Qt::KeyboardModifiers QtModifiers(std::int16_t shiftState) {
    Qt::KeyboardModifiers m;
    if ((shiftState & tk::shift::Shift) != 0)
        m |= Qt::ShiftModifier;
    if ((shiftState & tk::shift::Ctrl) != 0)
        m |= Qt::ControlModifier;
    if ((shiftState & tk::shift::Alt) != 0)
        m |= Qt::AltModifier;
    return m;
}

std::int16_t ModifierBit(std::int16_t keyCode) {
    if (keyCode == tk::key::Shift)
        return tk::shift::Shift;
    if (keyCode == tk::key::Control)
        return tk::shift::Ctrl;
    return keyCode == tk::key::Menu ? tk::shift::Alt : 0;
}

// The Qt key of a key code; 0 for codes no key of a keyboard sends.
int QtKey(std::int16_t code) {
    if (code >= 'A' && code <= 'Z')
        return Qt::Key_A + (code - 'A');
    if (code >= '0' && code <= '9')
        return Qt::Key_0 + (code - '0');
    if (code >= 96 && code <= 105)
        return Qt::Key_0 + (code - 96);
    if (code >= 112 && code <= 135)
        return Qt::Key_F1 + (code - 112);
    switch (code) {
        case tk::key::Back:
            return Qt::Key_Backspace;
        case tk::key::Tab:
            return Qt::Key_Tab;
        case tk::key::Return:
            return Qt::Key_Return;
        case tk::key::Shift:
            return Qt::Key_Shift;
        case tk::key::Control:
            return Qt::Key_Control;
        case tk::key::Menu:
            return Qt::Key_Alt;
        case tk::key::Escape:
            return Qt::Key_Escape;
        case tk::key::Space:
            return Qt::Key_Space;
        case tk::key::PageUp:
            return Qt::Key_PageUp;
        case tk::key::PageDown:
            return Qt::Key_PageDown;
        case tk::key::End:
            return Qt::Key_End;
        case tk::key::Home:
            return Qt::Key_Home;
        case tk::key::Left:
            return Qt::Key_Left;
        case tk::key::Up:
            return Qt::Key_Up;
        case tk::key::Right:
            return Qt::Key_Right;
        case tk::key::Down:
            return Qt::Key_Down;
        case 45:
            return Qt::Key_Insert;
        case tk::key::Delete:
            return Qt::Key_Delete;
        default:
            return 0;
    }
}

// The text a key types on a US layout (what the window system puts in the
// key event); none while Ctrl or Alt is held.
QString TextOf(std::int16_t code, std::int16_t shiftState) {
    if ((shiftState & (tk::shift::Ctrl | tk::shift::Alt)) != 0)
        return {};
    const bool shifted = (shiftState & tk::shift::Shift) != 0;
    switch (code) {
        case tk::key::Back:
            return QStringLiteral("\b");
        case tk::key::Return:
            return QStringLiteral("\r");
        case tk::key::Escape:
            return QString(QChar(27));
        case tk::key::Space:
            return QStringLiteral(" ");
        case tk::key::Tab:
            return QStringLiteral("\t");
        default:
            break;
    }
    if (code >= 'A' && code <= 'Z')
        return QString(QChar(shifted ? code : code + 32));
    if (code >= '0' && code <= '9')
        return QString(QChar(shifted ? ")!@#$%^&*("[code - '0'] : code));
    if (code >= 96 && code <= 105)
        return QString(QChar('0' + code - 96));
    return {};
}

class QtDriver final : public TestDesktop {
public:
    explicit QtDriver(const Options&) : desktop_(Manual()) {
        desktop_.RecordMessageBoxes(true, 1);
        desktop_.AnswerShellRequests(42);
        ParkPointer();
    }

    ~QtDriver() override {
        Release();
        foreign_.clear();
        ParkPointer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    tk::Desktop& Toolkit() override { return desktop_; }
    std::string Face() const override { return "Qt"; }

    void SetApp(tk::AppInfo app) override { desktop_.SetApp(std::move(app)); }
    void SetUserLocale(std::string locale) override { desktop_.SetUserLocale(std::move(locale)); }
    void SetMsgBoxAnswer(int answer) override { desktop_.RecordMessageBoxes(true, answer); }
    void SetShellResult(std::intptr_t code) override { desktop_.AnswerShellRequests(code); }
    tk::Hwnd CreateForeignWindow(std::string className, tk::Rect r) override {
        auto window = std::make_unique<QWidget>();
        window->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        window->show();
        const tk::Hwnd h = desktop_.AdoptForeignWindow(*window, std::move(className));
        foreign_.push_back(std::move(window));
        Settle();
        return h;
    }
    void Reparent(tk::Widget& child, tk::Hwnd newParent) override {
        desktop_.Reparent(child, newParent);
        Settle();
    }

    const std::vector<tk::MessageBoxRecord>& MessageBoxes() const override { return desktop_.MessageBoxes(); }
    std::int32_t Beeps() const override { return desktop_.Beeps(); }
    const std::vector<std::uint32_t>& MessageBeeps() const override { return desktop_.MessageBeeps(); }
    const std::vector<std::int16_t>& PointerHistory() const override { return desktop_.PointerHistory(); }
    const std::vector<tk::PropertyChangeRecord>& PropertyChanges() const override { return desktop_.PropertyChanges(); }
    // Every rectangle drawn since the records were cleared, as the
    // headless desktop keeps them.
    std::vector<tk::FocusRectRecord> FocusRects() const override { return desktop_.FocusRectCalls(); }
    const std::vector<tk::ShellRequest>& ShellRequests() const override { return desktop_.ShellRequests(); }
    const std::vector<std::string>& Logged() const override { return desktop_.Logged(); }
    void ClearRecords() override { desktop_.ClearRecords(); }

    tk::Widget* Find(std::string_view path) const override { return desktop_.Find(path); }
    tk::Widget* FocusWidget() const override { return desktop_.FocusWidget(); }
    bool IsTopMost(tk::Hwnd window) const override { return desktop_.IsTopMost(window); }
    tk::Rect ScreenRectPx(const tk::Widget& widget) const override { return desktop_.ScreenRectPx(widget); }
    std::int32_t VisibleRows(const tk::ListBox& list) const override { return desktop_.VisibleRows(list); }

    void Advance(std::int64_t ms) override {
        Gesture([&] { desktop_.Advance(ms); });
    }
    void Post(std::function<void()> work) override { desktop_.Post(std::move(work)); }
    void OnModal(std::function<void(tk::Form&)> script) override { desktop_.OnModal(std::move(script)); }

    // --- the mouse ---------------------------------------------------------------
    void MouseMove(std::int32_t xPx, std::int32_t yPx) override {
        Gesture([&] {
            x_ = xPx;
            y_ = yPx;
            QWindow* window = pressed_ ? pressed_.data() : WindowAt(x_, y_);
            if (window != nullptr)
                Send(window, QEvent::MouseMove, Qt::NoButton);
        });
    }

    void MouseDown(std::int16_t button) override {
        Gesture([&] {
            QWindow* window = WindowAt(x_, y_);
            if (window == nullptr) {
                // A press on the bare screen takes the activation from the program.
                QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(
                    nullptr, Qt::ActiveWindowFocusReason);
                return;
            }
            if (!pressed_)
                pressed_ = window;
            buttons_ |= QtButton(button);
            Send(window, QEvent::MouseButtonPress, QtButton(button));
        });
    }

    void MouseUp(std::int16_t button) override {
        Gesture([&] {
            QWindow* window = pressed_ ? pressed_.data() : WindowAt(x_, y_);
            buttons_ &= ~QtButton(button);
            if (buttons_ == Qt::NoButton)
                pressed_ = nullptr;
            if (window != nullptr)
                Send(window, QEvent::MouseButtonRelease, QtButton(button));
            // A person's next click comes after the double-click time.
            timestamp_ += 1000;
        });
    }

    void MoveTo(const tk::Widget& widget, float xTwips, float yTwips) override {
        Settle();
        const tk::Rect r = desktop_.ScreenRectPx(widget);
        const float tpp = desktop_.TwipsPerPixelX();
        MouseMove(r.Left + static_cast<std::int32_t>(std::floor(xTwips / tpp)),
                  r.Top + static_cast<std::int32_t>(std::floor(yTwips / tpp)));
    }

    void ClickRow(const tk::ListBox& list, std::int32_t row, std::int16_t button) override {
        Settle();
        if (const auto y = RowCentre(list, row))
            ClickAt(list, list.Width() / 2, *y, button);
    }

    void MoveToRow(const tk::ListBox& list, std::int32_t row) override {
        Settle();
        if (const auto y = RowCentre(list, row))
            MoveTo(list, list.Width() / 2, *y);
    }

    // The thumb is dragged to the row: the list's own scroll bar moves as
    // under a person's drag. A list nobody can see or reach is left alone.
    void ScrollTo(tk::ListBox& list, std::int32_t topIndex) override {
        Gesture([&] {
            auto* node = dynamic_cast<tk::qt::QtListBox*>(&list);
            auto* area = qobject_cast<QAbstractScrollArea*>(desktop_.WidgetOf(list));
            if (node == nullptr || area == nullptr || !area->isVisible() || !area->isEnabled())
                return;
            QScrollBar* bar = area->verticalScrollBar();
            const int value = node->Filtered() ? std::max(0, node->ShownPosition(topIndex)) : topIndex;
            bar->setSliderDown(true);
            bar->setSliderPosition(value);
            bar->setSliderDown(false);
        });
    }

    void MouseWheel(std::int32_t notches) override {
        Gesture([&] {
            QWidget* top = TopAt(x_, y_);
            if (top == nullptr)
                return;
            if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != top)
                return;
            const QPoint global(x_, y_);
            QWidget* under = top->childAt(top->mapFromGlobal(global));
            if (under == nullptr)
                under = top;
            const QPointF local = under->mapFromGlobal(QPointF(global));
            QWheelEvent wheel(local, QPointF(global), QPoint(), QPoint(0, 120 * notches), buttons_, QtModifiers(held_),
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(under, &wheel);
        });
    }

    // --- the keyboard ------------------------------------------------------------
    void KeyDown(std::int16_t keyCode) override {
        Gesture([&] {
            held_ = static_cast<std::int16_t>(held_ | ModifierBit(keyCode));
            SendKey(QEvent::KeyPress, keyCode);
        });
    }

    // The release of Tab reaches the widget the focus moved to, which takes
    // no key of its own from it.
    void KeyUp(std::int16_t keyCode) override {
        Gesture([&] {
            held_ = static_cast<std::int16_t>(held_ & ~ModifierBit(keyCode));
            if (keyCode != tk::key::Tab)
                SendKey(QEvent::KeyRelease, keyCode);
        });
    }

    // The shift keys of `shiftState` count as held for this key only; they
    // send no key events of their own.
    void PressKey(std::int16_t keyCode, std::int16_t shiftState) override {
        struct Hold {
            std::int16_t& state;
            std::int16_t saved;
            ~Hold() { state = saved; }
        } hold{pressShift_, pressShift_};
        pressShift_ = shiftState;
        KeyDown(keyCode);
        KeyUp(keyCode);
    }

    // Each character arrives as a key event that carries only its text,
    // as from an input method or a compose sequence: KeyPress without
    // KeyDown. A byte that starts no valid UTF-8 sequence cannot travel
    // in a Qt event; it arrives as U+FFFD.
    void Type(std::string_view text) override {
        Gesture([&] {
            for (std::size_t pos = 0; pos < text.size();) {
                const utf8::Unit unit = utf8::DecodeUnit(text, pos);
                QString typed = QString::fromUtf8(text.data() + pos, static_cast<qsizetype>(unit.Bytes));
                pos += unit.Bytes;
                QWindow* window = KeyWindow();
                if (window == nullptr)
                    continue;
                qt_handleKeyEvent(window, QEvent::KeyPress, 0, Qt::NoModifier, typed, false, 1);
                qt_handleKeyEvent(window, QEvent::KeyRelease, 0, Qt::NoModifier, typed, false, 1);
            }
        });
    }

    void Tab(bool backwards) override {
        Gesture([&] {
            QWindow* window = KeyWindow();
            if (window == nullptr)
                return;
            const Qt::KeyboardModifiers m = backwards ? Qt::ShiftModifier : Qt::NoModifier;
            qt_handleKeyEvent(window, QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab, m,
                              QStringLiteral("\t"), false, 1);
        });
    }

private:
    static QtDesktop::Options Manual() {
        QtDesktop::Options options;
        options.ManualClock = true;
        return options;
    }

    // Qt delivers no move to where its pointer already is, and keeps the
    // window under it: each test starts with the pointer in the screen's
    // corner, where no test puts a window, as if the person had moved it
    // away between two sessions.
    void ParkPointer() {
        QWidget corner(nullptr, Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        corner.setAttribute(Qt::WA_ShowWithoutActivating);
        corner.setGeometry(1023, 767, 1, 1);
        corner.show();
        Settle();
        if (QWindow* window = corner.windowHandle()) {
            timestamp_ += 20;
            qt_handleMouseEvent(window, QPointF(0, 0), QPointF(1023, 767), Qt::NoButton, Qt::NoButton,
                                QEvent::MouseMove, Qt::NoModifier, timestamp_);
        }
        x_ = 1023;
        y_ = 767;
        corner.hide();
        Settle();
    }

    // Runs what Qt has queued (the window system's answers among it), as
    // the event loop does between a person's gestures.
    static void Settle() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

    // Runs one gesture; once the outermost is over, the event loop turns
    // and deletes what was left for it.
    template <typename F>
    void Gesture(F&& gesture) {
        struct Depth {
            int& depth;
            explicit Depth(int& d) : depth(d) { ++depth; }
            ~Depth() { --depth; }
            Depth(const Depth&) = delete;
            Depth& operator=(const Depth&) = delete;
        };
        {
            const Depth depth(depth_);
            Settle();
            gesture();
        }
        if (depth_ == 0) {
            Settle();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // The window under a screen point: a popup, then the modal window (it
    // takes the input, the others are blocked), then top-most windows, the
    // active window and the rest.
    static QWindow* WindowAt(std::int32_t x, std::int32_t y) {
        QWidget* top = TopAt(x, y);
        return top != nullptr ? top->windowHandle() : nullptr;
    }
    static QWidget* TopAt(std::int32_t x, std::int32_t y) {
        const QPoint at(x, y);
        auto holds = [&](QWidget* w) { return w != nullptr && w->isVisible() && w->frameGeometry().contains(at); };
        if (QWidget* popup = QApplication::activePopupWidget(); holds(popup))
            return popup;
        QWidget* best = nullptr;
        int bestRank = -1;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!holds(w) || w->windowHandle() == nullptr)
                continue;
            int rank = 0;
            if ((w->windowFlags() & Qt::WindowStaysOnTopHint) != 0)
                rank = 2;
            else if (w == QApplication::activeWindow())
                rank = 1;
            if (rank > bestRank) {
                best = w;
                bestRank = rank;
            }
        }
        return best;
    }

    void Send(QWindow* window, QEvent::Type type, Qt::MouseButton button) {
        const QPointF global(x_, y_);
        const QPointF local = global - QPointF(window->geometry().topLeft());
        timestamp_ += 20;
        qt_handleMouseEvent(window, local, global, buttons_, button, type, QtModifiers(held_ | pressShift_),
                            timestamp_);
    }

    // Releases what a test left held, so the next test starts with no
    // button down.
    void Release() {
        if (buttons_ != Qt::NoButton && pressed_)
            Send(pressed_, QEvent::MouseButtonRelease, Qt::LeftButton);
        buttons_ = Qt::NoButton;
    }

    // Keys go to the window that has Qt's focus, and there to its focus
    // widget; while none has it, to the window of the desktop's focus.
    QWindow* KeyWindow() const {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup->windowHandle();
        if (QWindow* focused = QGuiApplication::focusWindow())
            return focused;
        tk::Widget* focus = desktop_.FocusWidget();
        QWidget* w = focus != nullptr ? desktop_.WidgetOf(*focus) : nullptr;
        return w != nullptr ? w->window()->windowHandle() : nullptr;
    }

    void SendKey(QEvent::Type type, std::int16_t keyCode) {
        QWindow* window = KeyWindow();
        const int key = QtKey(keyCode);
        if (window == nullptr || key == 0)
            return;
        const std::int16_t shiftState = static_cast<std::int16_t>(held_ | pressShift_);
        Qt::KeyboardModifiers m = QtModifiers(shiftState);
        if (keyCode >= 96 && keyCode <= 105)
            m |= Qt::KeypadModifier;
        int sent = key;
        if (key == Qt::Key_Tab && (shiftState & tk::shift::Shift) != 0)
            sent = Qt::Key_Backtab;
        qt_handleKeyEvent(window, type, sent, m, TextOf(keyCode, shiftState), false, 1);
    }

    // The middle of a row, below the list's one-pixel top frame; a row
    // scrolled out of view is not scrolled in, and a row the list does not
    // have is no place at all.
    std::optional<float> RowCentre(const tk::ListBox& list, std::int32_t row) const {
        const auto* node = dynamic_cast<const tk::qt::QtListBox*>(&list);
        if (node == nullptr)
            return std::nullopt;
        const std::int32_t at = node->ShownPosition(row);
        if (at < 0)
            return std::nullopt;
        const float offset = static_cast<float>(std::int64_t{at} - node->FirstShown()) + 0.5f;
        return (offset * node->RowPx() + 1.0f) * static_cast<float>(desktop_.TwipsPerPixelY());
    }

    QtDesktop desktop_;
    std::vector<std::unique_ptr<QWidget>> foreign_;
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    Qt::MouseButtons buttons_;
    QPointer<QWindow> pressed_;
    std::int16_t held_ = 0;
    std::int16_t pressShift_ = 0;
    int depth_ = 0;
    // The window system's event time runs on through the whole program:
    // Qt keeps the last one it saw.
    static inline int timestamp_ = 1000;
};

}  // namespace

std::unique_ptr<TestDesktop> MakeTestDesktop(const TestDesktop::Options& options) {
    return std::make_unique<QtDriver>(options);
}

}  // namespace korvane::test
