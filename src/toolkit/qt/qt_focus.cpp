// Keyboard focus and window activation on Qt: which widgets can take the
// focus, where it lands inside a container, and the order of Deactivate /
// Activate / LostFocus / GotFocus. Code moves our account at once and Qt
// after it; the user's clicks, Tab presses and window switches arrive from
// Qt and move the same account.
#include <QApplication>
#include <QTimer>
#include <algorithm>

#include "korvane/errors.h"
#include "qt_widget_kinds.h"

namespace korvane::tk::qt {

namespace {

using Impl = QtDesktop::Impl;

// A container's focus stops in creation order. A user control whose own
// children can take the focus is not a stop itself; one with none (its
// fields hidden) takes the focus and the keys itself.
void CollectStops(const Node& container, std::vector<Node*>& out) {
    for (Node* child : container.children) {
        if (child->foreignParent != 0 || !child->visible || !child->enabled)
            continue;
        if (child->kind == Kind::UserControl) {
            const auto before = out.size();
            CollectStops(*child, out);
            if (out.size() == before)
                out.push_back(child);
        } else if (child->Windowed()) {
            out.push_back(child);
        }
    }
}

}  // namespace

Hwnd Impl::TopOf(const Node& node) const {
    for (const Node* n = &node; n != nullptr; n = n->parent) {
        if (n->foreignParent != 0)
            return n->foreignParent;
        if (n->kind == Kind::Form)
            return n->hwnd;
    }
    return 0;
}

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

bool Impl::EffectivelyVisible(const Node& node) const {
    for (const Node* n = &node; n != nullptr; n = n->parent) {
        if (!n->visible)
            return false;
        if (n->foreignParent != 0) {
            auto it = foreign.find(n->foreignParent);
            return it != foreign.end() && it->second.Window && it->second.Window->isVisible();
        }
        if (n->kind == Kind::Form)
            return true;
    }
    return false;
}

bool Impl::EffectivelyEnabled(const Node& node) const {
    for (const Node* n = &node; n != nullptr; n = n->parent) {
        if (!n->enabled)
            return false;
        if (n->foreignParent != 0 || n->kind == Kind::Form)
            return true;
    }
    return false;
}

bool Impl::CanFocus(const Node& node) const {
    return node.Windowed() && EffectivelyVisible(node) && EffectivelyEnabled(node);
}

Node* Impl::FocusTarget(Node& node) const {
    if (node.kind != Kind::Form && node.kind != Kind::UserControl)
        return &node;
    std::vector<Node*> stops;
    CollectStops(node, stops);
    return stops.empty() ? &node : stops.front();
}

std::vector<Node*> Impl::TabStops(Hwnd window) const {
    std::vector<Node*> stops;
    if (Node* form = FormOf(window)) {
        CollectStops(*form, stops);
        return stops;
    }
    if (window == 0)
        return stops;
    for (const auto& [id, node] : nodes) {
        if (node->foreignParent != window || !node->visible || !node->enabled)
            continue;
        const auto before = stops.size();
        CollectStops(*node, stops);
        if (stops.size() == before && node->Windowed())
            stops.push_back(node);
    }
    return stops;
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

// LostFocus on the old widget, then GotFocus on the new one unless a
// LostFocus handler has sent the focus elsewhere meanwhile. Qt's focus
// follows; a window that is not active yet takes it when it becomes so.
void Impl::SetFocusTo(Node* node) {
    const std::uint64_t newId = node != nullptr ? node->id : 0;
    if (newId == focus)
        return;
    const std::uint64_t oldId = focus;
    focus = newId;
    if (node != nullptr) {
        lastFocus[TopOf(*node)] = newId;
        if (QWidget* w = node->Q()) {
            ++settingFocus;
            w->setFocus(Qt::OtherFocusReason);
            --settingFocus;
        }
    }
    if (Node* old = Get(oldId)) {
        if (QWidget* w = old->Q())
            w->update();
        Fire(*old, old->self->OnLostFocus);
    }
    if (Node* now = Get(newId); now != nullptr && focus == newId)
        Fire(*now, now->self->OnGotFocus);
}

void Impl::FocusByCode(Node& node) {
    if (!CanFocus(node))
        Raise(ErrorCode::ToolkitCantSetFocus, node.name);
    Node* target = FocusTarget(node);
    const std::uint64_t targetId = target->id;
    const Hwnd top = TopOf(*target);
    if (top != active) {
        Activate(top, false);
        target = Get(targetId);
        if (target == nullptr || !CanFocus(*target))
            return;
    }
    SetFocusTo(target);
}

// Deactivate goes to the old form after the new one is already active, so a
// handler that hides the old form does not hand the activation back to it.
void Impl::Activate(Hwnd window, bool restoreFocus, bool fromQt) {
    if (window == active) {
        Node* current = Get(focus);
        if (restoreFocus && (current == nullptr || TopOf(*current) != window))
            RestoreFocus(window);
        return;
    }
    const Hwnd old = active;
    active = window;
    if (!fromQt && window != 0) {
        QWidget* w = nullptr;
        if (Node* form = FormOf(window)) {
            w = form->Q();
        } else if (auto it = foreign.find(window); it != foreign.end()) {
            w = it->second.Window.data();
        }
        if (w != nullptr && w->isVisible()) {
            ++settingFocus;
            w->raise();
            if ((w->windowFlags() & Qt::WindowDoesNotAcceptFocus) == 0)
                w->activateWindow();
            --settingFocus;
        }
    }
    if (Node* oldForm = FormOf(old))
        Fire(*oldForm, static_cast<QtForm*>(oldForm)->OnDeactivate);
    if (active != window)
        return;
    if (Node* newForm = FormOf(window))
        Fire(*newForm, static_cast<QtForm*>(newForm)->OnActivate);
    if (active != window)
        return;
    if (restoreFocus)
        RestoreFocus(window);
}

void Impl::RestoreFocus(Hwnd window) {
    Node* target = nullptr;
    if (window != 0) {
        Node* last = Get(lastFocus[window]);
        if (last != nullptr && TopOf(*last) == window && CanFocus(*last))
            target = last;
        if (target == nullptr) {
            auto stops = TabStops(window);
            if (!stops.empty())
                target = stops.front();
        }
        Node* form = FormOf(window);
        if (target == nullptr && form != nullptr && CanFocus(*form))
            target = form;
    }
    SetFocusTo(target);
}

void Impl::CheckFocus() {
    Node* current = Get(focus);
    if (current == nullptr || CanFocus(*current))
        return;
    Node* form = FormOf(TopOf(*current));
    SetFocusTo(form != nullptr && CanFocus(*form) ? form : nullptr);
}

void Impl::PaintTree(Node& root) {
    std::vector<std::uint64_t> controls;
    std::vector<Node*> pending{&root};
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        if (!n->visible)
            continue;
        if (n->kind == Kind::UserControl)
            controls.push_back(n->id);
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            pending.push_back(*it);
    }
    for (std::uint64_t id : controls) {
        if (Node* n = Get(id); n != nullptr && EffectivelyVisible(*n))
            n->Repaint();
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

void Impl::QtActivated(QWidget* window) {
    if (settingFocus > 0)
        return;
    for (const auto& [id, node] : nodes) {
        if (node->kind == Kind::Form && node->Q() == window) {
            if (node->visible && active != node->hwnd)
                Activate(node->hwnd, false, true);
            return;
        }
    }
    for (const auto& [hwnd, f] : foreign) {
        if (f.Window == window && active != hwnd) {
            Activate(hwnd, false, true);
            return;
        }
    }
}

bool Impl::ToolWindowActive() const {
    Node* form = FormOf(active);
    return form != nullptr && static_cast<QtForm*>(form)->toolWindow;
}

// A press activates the window it lands in at once, as the window system
// does (Qt's own word on the activation may come later, or never when the
// active window is a tool window that does not take the X focus). A press on
// a windowless widget while a drop-down list is open is left to the
// control's handlers: they close the list themselves.
void Impl::QtPressed(QWidget* widget) {
    if (settingFocus > 0 || widget == nullptr)
        return;
    Node* node = nullptr;
    for (QObject* o = widget; o != nullptr && node == nullptr; o = o->parent())
        node = NodeOfObject(o);
    if (node != nullptr && !node->Windowed() && ToolWindowActive())
        return;
    QtActivated(widget->window());
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
