// Keyboard focus and window activation on Qt. What the focus, the tab order
// and the Activate / Deactivate / GotFocus / LostFocus order are lives in the
// model (model/desktop_model.h): code moves the model's account at once and Qt after
// it (here); the user's clicks, Tab presses and window switches arrive from
// Qt and move the same account.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

using Impl = QtDesktop::Impl;

Rect Impl::RectPx(const Node& node) const {
    QWidget* w = node.Q();
    if (w == nullptr)
        return {};
    if (w->isWindow()) {
        const QRect g = w->frameGeometry();
        return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    }
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return {at.x(), at.y(), at.x() + w->width(), at.y() + w->height()};
}

bool Impl::IsForeign(Hwnd window) const {
    return foreign.count(window) != 0;
}

bool Impl::ForeignRect(Hwnd window, Rect& rect) const {
    QWidget* w = foreign.at(window).Window.data();
    if (w == nullptr)
        return false;
    const QRect g = w->frameGeometry();
    rect = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    return true;
}

std::string Impl::ForeignClass(Hwnd window) const {
    return foreign.at(window).ClassName;
}

Rect Impl::ScreenRect() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QRect g = screen->geometry();
    return {0, 0, g.width(), g.height()};
}

bool Impl::ForeignVisible(Hwnd window) const {
    auto it = foreign.find(window);
    return it != foreign.end() && it->second.Window && it->second.Window->isVisible();
}

// A user control takes the focus itself (and Qt's Tab stops on it) only
// while none of its children can.
void Impl::UpdateFocusPolicy(Node* container) {
    if (container == nullptr || container->kind != Kind::UserControl)
        return;
    QWidget* w = container->Q();
    if (w == nullptr)
        return;
    std::vector<Node*> stops;
    CollectStops(*container, stops);
    w->setFocusPolicy(stops.empty() ? Qt::StrongFocus : Qt::NoFocus);
}

// Qt's focus follows the model's; a window that is not active yet takes it
// when it becomes so.
void Impl::FocusMoved(Node* now, Node* old) {
    if (now != nullptr) {
        const std::uint64_t id = now->id;
        const std::uint64_t before = old != nullptr ? old->id : 0;
        if (QWidget* w = now->Q()) {
            ++settingFocus;
            w->setFocus(Qt::OtherFocusReason);
            --settingFocus;
        }
        AccessibleFocusMoved(*this, id, before);
    }
    if (old != nullptr) {
        if (QWidget* w = old->Q())
            w->update();
    }
}

// The window the model made active is raised and, unless it is a tool
// window that does not take the X focus, activated on the screen; one the
// window system made active already is left alone.
void Impl::ShowActivation(Hwnd window, bool fromSystem) {
    if (fromSystem || window == 0)
        return;
    QWidget* w = nullptr;
    if (Node* form = FormOf(window)) {
        w = form->Q();
    } else if (auto it = foreign.find(window); it != foreign.end()) {
        w = it->second.Window.data();
    }
    if (w != nullptr && w->isVisible()) {
        ++settingFocus;
        w->raise();
        KeepTopMostAbove(w);
        if ((w->windowFlags() & Qt::WindowDoesNotAcceptFocus) == 0)
            w->activateWindow();
        --settingFocus;
    }
}

// A raised window goes above the others, but not above the top-most ones
// (an open drop-down among them): those are raised again after it, as a
// window manager keeps its top-most band. Without one, X stacks the raised
// window over the drop-down the user is typing into.
void Impl::KeepTopMostAbove(QWidget* raised) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != raised && top->isVisible() && (top->windowFlags() & Qt::WindowStaysOnTopHint) != 0)
            top->raise();
    }
}

// --- what the user did, as Qt reports it ------------------------------------------------

// A widget of ours got Qt's focus from a click, Tab or the window becoming
// active; a widget that is not ours (a host's own button) takes the focus
// away from all of ours.
void Impl::QtFocusIn(QWidget* widget) {
    if (settingFocus > 0)
        return;
    Node* node = nullptr;
    for (QObject* o = widget; o != nullptr && node == nullptr; o = o->parent())
        node = NodeOfObject(o);
    if (node != nullptr && !CanFocus(*node))
        return;
    if (node != nullptr) {
        const Hwnd top = TopOf(*node);
        if (top != active)
            Activate(top, false, true);
        if (Node* still = Get(node->id))
            SetFocusTo(still);
        return;
    }
    SetFocusTo(nullptr);
}

void Impl::QtForeignFocusIn(QWidget* widget) {
    if (settingFocus > 0 || widget == nullptr)
        return;
    QtActivatedAt(widget);
    SetFocusTo(nullptr);
}

// Several foreign windows may sit in one host window (a form of boxes that
// share the desktop): the one holding the widget is the active one, else
// the host window's own or its first.
void Impl::QtActivatedAt(QWidget* widget) {
    const Hwnd holder = ForeignHolding(widget);
    if (holder == 0) {
        QtActivated(widget->window());
    } else if (active != holder) {
        Activate(holder, false, true);
    }
}

void Impl::QtActivated(QWidget* window) {
    if (settingFocus > 0)
        return;
    if (Node* node = NodeOfObject(window); node != nullptr && node->kind == Kind::Form) {
        if (node->visible && active != node->hwnd)
            Activate(node->hwnd, false, true);
        return;
    }
    // A foreign window may also be a widget inside the host's window (a
    // control embedded in a host's widget): that window's activation is its.
    for (bool inside : {false, true}) {
        for (const auto& [hwnd, f] : foreign) {
            if (!f.Window || (inside ? f.Window->window() != window : f.Window != window))
                continue;
            if (active != hwnd)
                Activate(hwnd, false, true);
            return;
        }
    }
}

bool Impl::ToolWindowActive() const {
    Node* form = FormOf(active);
    return form != nullptr && static_cast<QtForm*>(form)->toolWindow;
}

// Whether `node` lies in the user control whose drop-down is the active
// tool window. The controls of many boxes share the desktop: a press on
// another box's button is that box's window becoming active, which closes
// the open drop-down, as a press on any other widget of the host does.
bool Impl::OpenedTheActiveToolWindow(const Node& node) const {
    const Node* control = &node;
    while (control != nullptr && control->kind != Kind::UserControl)
        control = control->parent;
    const Node* tool = FormOf(active);
    if (control == nullptr || tool == nullptr)
        return false;
    auto it = toolControls.find(control->id);
    return it != toolControls.end() && it->second == tool->id;
}

// A press activates the window it lands in at once, as the window system
// does (Qt's own word on the activation may come later, or never when the
// active window is a tool window that does not take the X focus). A press on
// a windowless widget of the control whose drop-down list is open is left to
// the control's handlers: they close the list themselves.
void Impl::QtPressed(QWidget* widget) {
    if (settingFocus > 0 || widget == nullptr)
        return;
    Node* node = nullptr;
    for (QObject* o = widget; o != nullptr && node == nullptr; o = o->parent())
        node = NodeOfObject(o);
    if (node != nullptr && !node->Windowed() && ToolWindowActive() && OpenedTheActiveToolWindow(*node))
        return;
    QtActivatedAt(widget);
}

// The whole application lost the activation (the user went to another
// program): no window of ours is active and nothing of ours has the focus.
void Impl::QtApplicationDeactivated() {
    if (settingFocus > 0 || !modalLoops.empty())
        return;
    if (QApplication::activeWindow() != nullptr || QGuiApplication::applicationState() == Qt::ApplicationActive)
        return;
    Activate(0, true, true);
}

}  // namespace korvane::tk::qt
