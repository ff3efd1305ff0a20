// Keyboard focus and window activation: which widgets can take the focus,
// where the focus lands inside a container, the tab order, and the order of
// the Deactivate / Activate / LostFocus / GotFocus events when it moves.
#include <algorithm>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

namespace {

using Impl = HeadlessDesktop::Impl;

HeadlessForm* FormOf(const Impl& d, Hwnd window) {
    auto it = d.tops.find(window);
    if (it == d.tops.end() || it->second.Form == 0)
        return nullptr;
    return static_cast<HeadlessForm*>(d.Get(it->second.Form));
}

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

bool Impl::EffectivelyVisible(const Node& node) const {
    for (const Node* n = &node; n != nullptr; n = n->parent) {
        if (!n->visible)
            return false;
        if (n->foreignParent != 0 || n->kind == Kind::Form)
            return true;
    }
    return false;  // its form was destroyed
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

// Focus given to a form or a user control goes on to its first stop.
Node* Impl::FocusTarget(Node& node) const {
    if (node.kind != Kind::Form && node.kind != Kind::UserControl)
        return &node;
    std::vector<Node*> stops;
    CollectStops(node, stops);
    return stops.empty() ? &node : stops.front();
}

std::vector<Node*> Impl::TabStops(Hwnd window) const {
    std::vector<Node*> stops;
    if (HeadlessForm* form = FormOf(*this, window)) {
        CollectStops(*form, stops);
        return stops;
    }
    if (window == 0)
        return stops;
    for (const auto& [id, node] : nodes) {  // the windows moved into a foreign window
        if (node->foreignParent != window || !node->visible || !node->enabled)
            continue;
        const auto before = stops.size();
        CollectStops(*node, stops);
        if (stops.size() == before && node->Windowed())
            stops.push_back(node);
    }
    return stops;
}

// Moves the focus without touching the activation: LostFocus on the old
// widget, then GotFocus on the new one unless a LostFocus handler has sent
// the focus elsewhere meanwhile.
void Impl::SetFocusTo(Node* node) {
    const std::uint64_t newId = node != nullptr ? node->id : 0;
    if (newId == focus)
        return;
    const std::uint64_t oldId = focus;
    focus = newId;
    if (node != nullptr) {
        auto top = tops.find(TopOf(*node));
        if (top != tops.end())
            top->second.LastFocus = newId;
    }
    if (Node* old = Get(oldId))
        Fire(*this, oldId, old->self->OnLostFocus);
    if (Node* now = Get(newId); now != nullptr && focus == newId)
        Fire(*this, newId, now->self->OnGotFocus);
}

// SetFocus from code: refused for widgets a person could not reach; a widget
// on another window activates that window first.
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
void Impl::Activate(Hwnd window, bool restoreFocus) {
    if (window == active) {
        Node* current = Get(focus);
        if (restoreFocus && (current == nullptr || TopOf(*current) != window))
            RestoreFocus(window);
        return;
    }
    const Hwnd old = active;
    active = window;
    if (window != 0)
        BringToTop(window);
    if (HeadlessForm* oldForm = FormOf(*this, old))
        Fire(*this, oldForm->id, oldForm->OnDeactivate);
    if (active != window)
        return;
    if (HeadlessForm* newForm = FormOf(*this, window))
        Fire(*this, newForm->id, newForm->OnActivate);
    if (active != window)
        return;
    if (restoreFocus)
        RestoreFocus(window);
}

// The widget that had the focus when the window was last active, else its
// first stop, else the form itself.
void Impl::RestoreFocus(Hwnd window) {
    Node* target = nullptr;
    auto top = tops.find(window);
    if (window != 0 && top != tops.end()) {
        Node* last = Get(top->second.LastFocus);
        if (last != nullptr && TopOf(*last) == window && CanFocus(*last))
            target = last;
        if (target == nullptr) {
            auto stops = TabStops(window);
            if (!stops.empty())
                target = stops.front();
        }
        HeadlessForm* form = FormOf(*this, window);
        if (target == nullptr && form != nullptr && CanFocus(*form))
            target = form;
    }
    SetFocusTo(target);
}

// After a widget was hidden or disabled: a focus it can no longer hold goes
// to its form, or nowhere.
void Impl::CheckFocus() {
    Node* current = Get(focus);
    if (current == nullptr || CanFocus(*current))
        return;
    HeadlessForm* form = FormOf(*this, TopOf(*current));
    SetFocusTo(form != nullptr && CanFocus(*form) ? form : nullptr);
}

// Paints the user controls of a subtree that are now on view.
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

}  // namespace korvane::tk::headless
