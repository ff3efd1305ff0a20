// A person's mouse and keys on a Qt desktop, entering Qt as the window
// system's events do (see window_system_driver.h).
#include "window_system_driver.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include "text/utf8.h"

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

std::int16_t ModifierBit(std::int16_t keyCode) {
    if (keyCode == tk::key::Shift)
        return tk::shift::Shift;
    if (keyCode == tk::key::Control)
        return tk::shift::Ctrl;
    return keyCode == tk::key::Menu ? tk::shift::Alt : 0;
}

// The Qt key of a key code that is not a letter, a digit or a function
// key; 0 for codes no key of a keyboard sends.
int QtNamedKey(std::int16_t code) {
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
    return QtNamedKey(code);
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

}  // namespace

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

// --- the mouse -------------------------------------------------------------------

void WindowSystemDriver::MouseMove(std::int32_t xPx, std::int32_t yPx) {
    Gesture([&] {
        x_ = xPx;
        y_ = yPx;
        QWindow* window = pressed_ ? pressed_.data() : WindowAt(x_, y_);
        if (window != nullptr)
            Send(window, QEvent::MouseMove, Qt::NoButton);
    });
}

void WindowSystemDriver::MouseDown(std::int16_t button) {
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

void WindowSystemDriver::MouseUp(std::int16_t button) {
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

void WindowSystemDriver::MoveTo(const tk::Widget& widget, float xTwips, float yTwips) {
    Settle();
    const tk::Rect r = ScreenRectPx(widget);
    const float tpp = TwipsPerPixelX();
    MouseMove(r.Left + static_cast<std::int32_t>(std::floor(xTwips / tpp)),
              r.Top + static_cast<std::int32_t>(std::floor(yTwips / tpp)));
}

void WindowSystemDriver::ClickRow(const tk::ListBox& list, std::int32_t row, std::int16_t button) {
    Settle();
    if (const auto y = RowCentre(list, row))
        ClickAt(list, list.Width() / 2, *y, button);
}

void WindowSystemDriver::MoveToRow(const tk::ListBox& list, std::int32_t row) {
    Settle();
    if (const auto y = RowCentre(list, row))
        MoveTo(list, list.Width() / 2, *y);
}

void WindowSystemDriver::Send(QWindow* window, QEvent::Type type, Qt::MouseButton button) {
    const QPointF global(x_, y_);
    const QPointF local = global - QPointF(window->geometry().topLeft());
    timestamp_ += 20;
    qt_handleMouseEvent(window, local, global, buttons_, button, type, QtModifiers(held_ | pressShift_), timestamp_);
}

void WindowSystemDriver::Release() {
    if (buttons_ != Qt::NoButton && pressed_)
        Send(pressed_, QEvent::MouseButtonRelease, Qt::LeftButton);
    buttons_ = Qt::NoButton;
}

void WindowSystemDriver::ParkPointer() {
    QWidget corner(nullptr, Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    corner.setAttribute(Qt::WA_ShowWithoutActivating);
    corner.setGeometry(1023, 767, 1, 1);
    corner.show();
    Settle();
    if (QWindow* window = corner.windowHandle()) {
        timestamp_ += 20;
        qt_handleMouseEvent(window, QPointF(0, 0), QPointF(1023, 767), Qt::NoButton, Qt::NoButton, QEvent::MouseMove,
                            Qt::NoModifier, timestamp_);
    }
    x_ = 1023;
    y_ = 767;
    corner.hide();
    Settle();
}

void WindowSystemDriver::Settle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowSystemDriver::SettleAndDelete() {
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// --- the keyboard ----------------------------------------------------------------

void WindowSystemDriver::KeyDown(std::int16_t keyCode) {
    Gesture([&] {
        held_ = static_cast<std::int16_t>(held_ | ModifierBit(keyCode));
        SendKey(QEvent::KeyPress, keyCode);
    });
}

// The release of Tab reaches the widget the focus moved to, which takes
// no key of its own from it.
void WindowSystemDriver::KeyUp(std::int16_t keyCode) {
    Gesture([&] {
        held_ = static_cast<std::int16_t>(held_ & ~ModifierBit(keyCode));
        if (keyCode != tk::key::Tab)
            SendKey(QEvent::KeyRelease, keyCode);
    });
}

// The shift keys of `shiftState` count as held for this key only; they
// send no key events of their own.
void WindowSystemDriver::PressKey(std::int16_t keyCode, std::int16_t shiftState) {
    struct Hold {
        std::int16_t& state;
        std::int16_t saved;
        ~Hold() { state = saved; }
    } hold{pressShift_, pressShift_};
    pressShift_ = shiftState;
    KeyDown(keyCode);
    KeyUp(keyCode);
}

// Each character arrives as a key event that carries only its text, as
// from an input method or a compose sequence: KeyPress without KeyDown. A
// byte that starts no valid UTF-8 sequence cannot travel in a Qt event; it
// arrives as U+FFFD.
void WindowSystemDriver::Type(std::string_view text) {
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

void WindowSystemDriver::Tab(bool backwards) {
    Gesture([&] {
        QWindow* window = KeyWindow();
        if (window == nullptr)
            return;
        const Qt::KeyboardModifiers m = backwards ? Qt::ShiftModifier : Qt::NoModifier;
        qt_handleKeyEvent(window, QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab, m, QStringLiteral("\t"),
                          false, 1);
    });
}

void WindowSystemDriver::SendKey(QEvent::Type type, std::int16_t keyCode) {
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

}  // namespace korvane::test
