// Real input from Qt Quick, as the toolkit's events: the item under the
// pointer or with the active focus hands its mouse, wheel and key events to
// its node (Qt's codes turned into the control's by the conversions the Qt
// Widgets face uses too), and the user's focus moves (a press, Tab, QML
// giving another item the focus) are folded into the desktop's account.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QQuickWindow>
#include <QWheelEvent>
#include <cmath>

#include "../qt/conversions.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

using qt::ButtonOf;
using qt::ButtonsOf;
using qt::CharOf;
using qt::KeyCodeOf;
using qt::ShiftOf;

bool Node::RaiseMouse(const MouseHandler& handler, std::int16_t b, std::int16_t s, QPointF posPx) {
    const float inset = ClientInsetPx();
    float x = static_cast<float>(std::floor(posPx.x()) - inset) * desk->Tpp();
    float y = static_cast<float>(std::floor(posPx.y()) - inset) * desk->Tpp();
    return Fire(*this, handler, b, s, x, y);
}

// A press activates the window it lands in and focuses a windowed widget
// (a press on a label or an image focuses the user control holding it, as
// a real container takes the focus for the pieces that cannot hold it).
void QuickDesktop::Impl::Pressed(std::uint64_t id) {
    ++presses;
    Node* target = Get(id);
    if (target == nullptr)
        return;
    Node* focusNode = target;
    if (!focusNode->Windowed()) {
        focusNode = focusNode->parent;
        while (focusNode != nullptr && focusNode->kind != Kind::UserControl)
            focusNode = focusNode->parent;
    }
    const bool takesFocus = focusNode != nullptr && focusNode->Windowed() && focusNode->kind != Kind::Form;
    const std::uint64_t focusId = takesFocus ? focusNode->id : 0;
    const Hwnd top = TopOf(*target);
    if (active != top)
        Activate(top, !takesFocus);
    focusNode = Get(focusId);
    if (takesFocus && focusNode != nullptr && CanFocus(*focusNode) && !Inside(focus, *focusNode))
        SetFocusTo(FocusTarget(*focusNode));
}

// The user gave an item of ours the focus (a press, Tab, QML's
// forceActiveFocus on the box): its window becomes the active one.
void QuickDesktop::Impl::UserFocus(std::uint64_t id) {
    if (echo > 0)
        return;
    Node* node = Get(id);
    if (node == nullptr || id == focus)
        return;
    if (!CanFocus(*node))
        return;
    const Hwnd top = TopOf(*node);
    if (top != active) {
        Activate(top, false, true);
        node = Get(id);
        if (node == nullptr || !CanFocus(*node))
            return;
    }
    SetFocusTo(FocusTarget(*node));
}

// Keys that reach a window of ours other than the one the desktop's focus
// is in go on to the focused widget: a drop-down of its own takes no focus
// from the window system, so the keys for the list it opened with arrive
// at the form (where Qt Quick may have no active item left to take them).
bool QuickDesktop::Impl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    Node* focused = Get(focus);
    if (focused == nullptr || focused->item == nullptr || focused->item->window() == watched)
        return false;
    QCoreApplication::sendEvent(focused->item, event);
    return true;
}

// On a form of the desktop's own the focus walks the form's stops in the
// model's order, as on every desktop: a user control with no stops of its
// own (Dropdown List) is a stop itself, which Qt Quick's focus chain would
// pass over. In a host's scene Tab walks Qt Quick's focus chain, passing
// over the items that hold the control (a KorvaneBox hands its focus back
// inside), so it leaves the control for the host's next item.
void QuickDesktop::Impl::TabFrom(NodeItem& from, bool backwards) {
    Node* node = Get(from.id);
    if (node != nullptr && FormOf(TopOf(*node)) != nullptr) {
        if (Node* next = NextStop(backwards))
            SetFocusTo(next);
        return;
    }
    QQuickItem* next = from.nextItemInFocusChain(!backwards);
    for (int guard = 0; next != nullptr && next != &from && next->isAncestorOf(&from) && guard < 1000; ++guard)
        next = next->nextItemInFocusChain(!backwards);
    if (next != nullptr && next != &from)
        next->forceActiveFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

// The whole application lost the activation (the user went to another
// program, or pressed the bare screen): no window of ours is active and
// nothing of ours has the focus; an open drop-down closes. A modal loop
// keeps its form.
void QuickDesktop::Impl::ApplicationDeactivated() {
    if (!modalLoops.empty() || echo > 0)
        return;
    if (QGuiApplication::focusWindow() != nullptr || QGuiApplication::applicationState() == Qt::ApplicationActive)
        return;
    Activate(0, true, true);
}

void QuickDesktop::Impl::PressDialogButton(std::uint64_t from, std::int16_t keyAscii) {
    if (Node* button = DialogButton(from, keyAscii))
        static_cast<QuickCommandButton*>(button)->Click();
}

// --- the item's events -------------------------------------------------------------

// The item takes the mouse before any handler runs: a release that
// arrives while a handler lets events run (a tap, whose press and release
// come together) reaches this item, as it would once the press was over.
void NodeItem::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Node* node = Live();
    if (node == nullptr || !node->desk->EffectivelyEnabled(*node))
        return;
    grabMouse();
    Guarded([&] {
        QuickDesktop::Impl* d = desk;
        const std::uint64_t me = id;
        d->pressed = me;
        d->Pressed(me);
        node = d->Get(me);
        if (node == nullptr)
            return;
        const QPointF at = event->position();
        auto* list = dynamic_cast<QuickListBox*>(node);
        if (list != nullptr && event->button() == Qt::LeftButton && list->ScrollBarPress(at))
            return;
        if (event->button() == Qt::LeftButton) {
            if (auto* text = dynamic_cast<QuickTextBox*>(node))
                text->pressXPx = static_cast<float>(at.x());
            node->PressAt(static_cast<float>(at.y()) - node->ClientInsetPx());
            node = d->Get(me);
            if (node == nullptr)
                return;
        }
        node->RaiseMouse(node->self->OnMouseDown, ButtonOf(event->button()), ShiftOf(event->modifiers()), at);
    });
}

void NodeItem::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (desk != nullptr)
        desk->pointerAt = event->globalPosition();
    if (Node* node = Live())
        Guarded([&] {
            auto* list = dynamic_cast<QuickListBox*>(node);
            if (list != nullptr && list->ScrollBarDrag(event->position()))
                return;
            node->RaiseMouse(node->self->OnMouseMove, ButtonsOf(event->buttons()), ShiftOf(event->modifiers()),
                             event->position());
        });
}

// The pointer coming onto the item, or moving over it, with no button
// down: both are a move to the control.
void NodeItem::hoverEnterEvent(QHoverEvent* event) {
    hoverMoveEvent(event);
}

// Qt Quick delivers hover again at a pointer that has not moved, when the
// items under it change (a list scrolled by the keys, a drop-down opened):
// that is no move of the person's, and would drag an open list's
// highlight back under a resting pointer.
void NodeItem::hoverMoveEvent(QHoverEvent* event) {
    Node* node = Live();
    if (node == nullptr || !node->desk->EffectivelyEnabled(*node))
        return;
    const QPointF global = event->globalPosition();
    if (global == desk->pointerAt)
        return;
    desk->pointerAt = global;
    Guarded([&] {
        auto* list = dynamic_cast<QuickListBox*>(node);
        if (list != nullptr && list->OverScrollBar(event->position()))
            return;
        node->RaiseMouse(node->self->OnMouseMove, button::None, ShiftOf(event->modifiers()), event->position());
    });
}

void NodeItem::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    Node* node = Live();
    if (node == nullptr)
        return;
    Guarded([&] {
        QuickDesktop::Impl* d = desk;
        const std::uint64_t me = id;
        d->pressed = 0;
        auto* list = dynamic_cast<QuickListBox*>(node);
        if (list != nullptr && event->button() == Qt::LeftButton && list->ScrollBarRelease())
            return;
        const QPointF at = event->position();
        const bool inside = contains(at);
        if (!node->RaiseMouse(node->self->OnMouseUp, ButtonOf(event->button()), ShiftOf(event->modifiers()), at))
            return;
        if (event->button() == Qt::LeftButton) {
            if (Node* still = d->Get(me))
                still->Released(inside);
        }
    });
}

void NodeItem::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (Node* node = Live()) {
        const int notches = event->angleDelta().y() / 120;
        if (notches != 0)
            Guarded([&] { node->Wheel(notches); });
    }
}

// KeyDown with the control's codes, then the widget's own handling of the
// key when the handlers left it; then KeyPress with the character and the
// widget's handling of what the handler left; Enter and Escape left alone
// go to the window's default and cancel buttons. Tab left alone moves the
// focus along Qt Quick's focus chain, so it leaves the control for the
// host's next item as it would leave any other.
void NodeItem::keyPressEvent(QKeyEvent* event) {
    event->accept();
    Node* node = Live();
    if (node == nullptr)
        return;
    Guarded([&] {
        QuickDesktop::Impl* d = desk;
        const std::uint64_t me = id;
        const std::int16_t original = KeyCodeOf(*event);
        std::int16_t code = original;
        std::int16_t s = ShiftOf(event->modifiers());
        if (original != 0) {
            if (!Fire(*node, node->self->OnKeyDown, code, s))
                return;
            node = d->Get(me);
            if (code == key::Tab && (s & (shift::Alt | shift::Ctrl)) == 0) {
                d->TabFrom(*this, (s & shift::Shift) != 0 || event->key() == Qt::Key_Backtab);
                return;
            }
            if (code != 0 && (s & shift::Alt) == 0) {
                node->DefaultKeyDown(code, s);
                if (!d->Alive(me))
                    return;
            }
        }
        std::int16_t ascii = CharOf(*event, original);
        if (ascii == 0)
            return;
        node = d->Get(me);
        if (node == nullptr)
            return;
        const std::int16_t typed = ascii;
        if (!Fire(*node, node->self->OnKeyPress, ascii) || ascii == 0)
            return;
        node = d->Get(me);
        if (ascii == typed) {
            node->DefaultChar(ascii, qt::FromQ(event->text()));
        } else {
            node->DefaultChar(ascii, model::EncodeUtf8(static_cast<char32_t>(static_cast<std::uint16_t>(ascii))));
        }
        if ((ascii == key::Return || ascii == key::Escape) && d->Alive(me))
            d->PressDialogButton(me, ascii);
    });
}

void NodeItem::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    Node* node = Live();
    if (node == nullptr || event->isAutoRepeat())
        return;
    Guarded([&] {
        std::int16_t code = KeyCodeOf(*event);
        if (code == 0)
            return;
        std::int16_t s = ShiftOf(event->modifiers());
        Fire(*node, node->self->OnKeyUp, code, s);
    });
}

void NodeItem::focusInEvent(QFocusEvent* event) {
    QQuickPaintedItem::focusInEvent(event);
    update();
    if (desk != nullptr)
        Guarded([&] { desk->UserFocus(id); });
}

// A field's caret and a button's focus frame go with the focus.
void NodeItem::focusOutEvent(QFocusEvent* event) {
    QQuickPaintedItem::focusOutEvent(event);
    update();
}

}  // namespace korvane::tk::quick
