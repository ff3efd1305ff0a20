// Real input from Qt, as the toolkit's events: Qt's key, shift and button
// codes turned into the codes the control's handlers expect, and the mouse
// and key events of our Qt widgets raised on their nodes.
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>
#include <cstdlib>

#include "widget_kinds.h"

namespace korvane::tk::qt {

std::int16_t KeyCodeOf(const QKeyEvent& event) {
    const int k = event.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<std::int16_t>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        if ((event.modifiers() & Qt::KeypadModifier) != 0)
            return static_cast<std::int16_t>(96 + (k - Qt::Key_0));
        return static_cast<std::int16_t>('0' + (k - Qt::Key_0));
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return static_cast<std::int16_t>(112 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace:
            return key::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return key::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return key::Return;
        case Qt::Key_Shift:
            return key::Shift;
        case Qt::Key_Control:
            return key::Control;
        case Qt::Key_Alt:
            return key::Menu;
        case Qt::Key_Escape:
            return key::Escape;
        case Qt::Key_Space:
            return key::Space;
        case Qt::Key_PageUp:
            return key::PageUp;
        case Qt::Key_PageDown:
            return key::PageDown;
        case Qt::Key_End:
            return key::End;
        case Qt::Key_Home:
            return key::Home;
        case Qt::Key_Left:
            return key::Left;
        case Qt::Key_Up:
            return key::Up;
        case Qt::Key_Right:
            return key::Right;
        case Qt::Key_Down:
            return key::Down;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return key::Delete;
        default:
            return 0;
    }
}

std::int16_t ShiftOf(Qt::KeyboardModifiers modifiers) {
    std::int16_t s = 0;
    if ((modifiers & Qt::ShiftModifier) != 0)
        s |= shift::Shift;
    if ((modifiers & Qt::ControlModifier) != 0)
        s |= shift::Ctrl;
    if ((modifiers & Qt::AltModifier) != 0)
        s |= shift::Alt;
    return s;
}

std::int16_t ButtonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return button::Left;
        case Qt::RightButton:
            return button::Right;
        case Qt::MiddleButton:
            return button::Middle;
        default:
            return button::None;
    }
}

std::int16_t ButtonsOf(Qt::MouseButtons buttons) {
    std::int16_t b = 0;
    if ((buttons & Qt::LeftButton) != 0)
        b |= button::Left;
    if ((buttons & Qt::RightButton) != 0)
        b |= button::Right;
    if ((buttons & Qt::MiddleButton) != 0)
        b |= button::Middle;
    return b;
}

std::int16_t CharOf(const QKeyEvent& event, std::int16_t keyCode) {
    if ((event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0)
        return 0;
    if (keyCode == key::Back || keyCode == key::Return || keyCode == key::Escape || keyCode == key::Space)
        return keyCode;
    if (keyCode == key::Tab || keyCode == key::Delete)
        return 0;
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    const char32_t cp = text.toUcs4().value(0);
    if (cp < 32 || cp == 127)
        return 0;
    return static_cast<std::int16_t>(cp < 0x8000 ? cp : U'?');
}

Node* NodeOfWidget(const QObject* object) {
    auto* ref = dynamic_cast<const Backref*>(object);
    return ref != nullptr ? ref->node : nullptr;
}

// Qt rounds an event's position to whole pixels of the program; above
// 100 % a screen pixel is a fraction of one, and the rounding puts the last
// screen line of a list row on the next row. On X the pointer's own screen
// position is asked for; it counts while it lies within the rounding of the
// event's position (the pointer may have moved on since the event).
QPointF PositionIn(const QWidget& w, const QMouseEvent& e) {
    const QPointF rounded = e.position();
    const qreal ratio = w.devicePixelRatioF();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (ratio == 1 || x11 == nullptr || x11->connection() == nullptr)
        return rounded;
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr)
        return rounded;
    xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr);
    if (reply == nullptr)
        return rounded;
    const QPointF screenPx(reply->root_x, reply->root_y);
    std::free(reply);
    const QPointF precise = screenPx / ratio - QPointF(w.mapToGlobal(QPoint(0, 0)));
    if (std::abs(precise.x() - rounded.x()) > 0.5 || std::abs(precise.y() - rounded.y()) > 0.5)
        return rounded;
    return precise;
}

bool Mouse(QWidget& w, QMouseEvent& e, MouseEvent which) {
    Node* node = NodeOfWidget(&w);
    if (node == nullptr || node->desk == nullptr)
        return true;
    e.accept();
    bool alive = true;
    Guarded([&] {
        const std::int16_t s = ShiftOf(e.modifiers());
        switch (which) {
            case MouseEvent::Down:
                alive = node->RaiseMouse(node->self->OnMouseDown, ButtonOf(e.button()), s, PositionIn(w, e));
                break;
            case MouseEvent::Move:
                alive = node->RaiseMouse(node->self->OnMouseMove, ButtonsOf(e.buttons()), s, PositionIn(w, e));
                break;
            default:
                alive = node->RaiseMouse(node->self->OnMouseUp, ButtonOf(e.button()), s, PositionIn(w, e));
                break;
        }
    });
    return alive;
}

void Keys(QWidget& w, QKeyEvent& e, const std::function<void(std::int16_t code, std::int16_t shift)>& keyDefault,
          const std::function<void(std::int16_t ascii, bool asTyped)>& charDefault) {
    Node* node = NodeOfWidget(&w);
    e.accept();
    if (node == nullptr || node->desk == nullptr)
        return;
    Guarded([&] {
        QtDesktop::Impl* desk = node->desk;
        const std::uint64_t id = node->id;
        const std::int16_t original = KeyCodeOf(e);
        std::int16_t code = original;
        std::int16_t s = ShiftOf(e.modifiers());
        if (original != 0) {
            if (!node->RaiseKeyDown(e, code, s))
                return;
            // Keys pressed with Alt belong to the window's menu and
            // accelerators, not to the widget's own editing or navigation.
            if (code != 0 && (s & shift::Alt) == 0) {
                keyDefault(code, s);
                if (!desk->Alive(id))
                    return;
            }
        }
        std::int16_t ascii = CharOf(e, original);
        if (ascii == 0)
            return;
        node = desk->Get(id);
        if (node == nullptr)
            return;
        const std::int16_t typed = ascii;
        if (!node->RaiseKeyPress(ascii) || ascii == 0)
            return;
        charDefault(ascii, ascii == typed);
        if ((ascii == key::Return || ascii == key::Escape) && desk->Alive(id))
            desk->PressDialogButton(id, ascii);
    });
}

void KeyUp(QWidget& w, QKeyEvent& e) {
    Node* node = NodeOfWidget(&w);
    e.accept();
    if (node == nullptr || node->desk == nullptr || e.isAutoRepeat())
        return;
    Guarded([&] { node->RaiseKeyUp(e); });
}

void FocusIn(QWidget& w) {
    Node* node = NodeOfWidget(&w);
    if (node != nullptr && node->desk != nullptr)
        Guarded([&] { node->desk->QtFocusIn(&w); });
}

bool Node::RaiseMouse(const MouseHandler& handler, std::int16_t b, std::int16_t s, QPointF posPx) {
    float x = static_cast<float>(std::floor(posPx.x())) * desk->Tpp();
    float y = static_cast<float>(std::floor(posPx.y())) * desk->Tpp();
    return Fire(*this, handler, b, s, x, y);
}

bool Node::RaiseKeyDown(const QKeyEvent&, std::int16_t& code, std::int16_t& s) {
    return Fire(*this, self->OnKeyDown, code, s);
}

bool Node::RaiseKeyPress(std::int16_t& ascii) {
    return Fire(*this, self->OnKeyPress, ascii);
}

bool Node::RaiseKeyUp(const QKeyEvent& e) {
    std::int16_t code = KeyCodeOf(e);
    if (code == 0)
        return true;
    std::int16_t s = ShiftOf(e.modifiers());
    return Fire(*this, self->OnKeyUp, code, s);
}

}  // namespace korvane::tk::qt
