// The widget tree's nodes, as both desktops keep them: the fields every
// widget has (NodeBase), the members every widget kind shares (WidgetBase),
// and Fire, which runs a handler that may destroy its own widget.
//
// Widgets refer to each other by id, never by pointer, whenever a handler
// can run in between: any handler may destroy the widget that raised it,
// its form, or anything else, and the model looks the id up again
// afterwards.
//
// The templates take the desktop's own node type (NodeT, derived from
// NodeBase<NodeT, DeskT>) and desktop state (DeskT, derived from
// DesktopModel<DeskT, NodeT> in desktop_model.h), so the desktop's code
// sees its own types.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "korvane/errors.h"
#include "korvane/toolkit/desktop.h"
#include "korvane/toolkit/widgets.h"
#include "text.h"

namespace korvane::tk::model {

enum class Kind { Form, UserControl, TextBox, Label, ListBox, Image, Timer, CommandButton };

// Forms, user controls, text boxes, list boxes and push buttons have
// windows; labels, images and timers are drawn on (or run in) their
// container.
inline bool IsWindowed(Kind kind) {
    return kind == Kind::Form || kind == Kind::UserControl || kind == Kind::TextBox || kind == Kind::ListBox ||
           kind == Kind::CommandButton;
}

// --- the fields every widget has ---------------------------------------------

template <class NodeT, class DeskT>
struct NodeBase {
    NodeBase(DeskT& d, Kind k, std::string n, NodeT* p, Widget& s)
        : desk(&d), self(&s), kind(k), name(std::move(n)), parent(p), font(std::make_shared<tk::Font>()) {}
    virtual ~NodeBase() = default;
    NodeBase(const NodeBase&) = delete;
    NodeBase& operator=(const NodeBase&) = delete;

    DeskT* desk;  // null once the desktop is gone
    Widget* self;
    Kind kind;
    std::uint64_t id = 0;
    std::string name;
    NodeT* parent;  // null for forms, and for children whose parent was destroyed first
    std::vector<NodeT*> children;
    Hwnd hwnd = 0;
    Hwnd foreignParent = 0;  // set when the window was moved under a foreign window
    int dispatching = 0;     // handlers of this widget on the stack
    bool visible = true;
    bool enabled = true;
    float left = 0, top = 0, width = 0, height = 0;
    OleColor back = 0xFFFFFF, fore = 0;
    FontRef font;
    std::string toolTip;
    std::int16_t pointer = 0;
    PictureRef icon;
    Role role = Role::Plain;      // what the widget is to a screen reader's user
    std::uint64_t roleWhole = 0;  // the combo box a drop-down belongs to (its id)

    bool Windowed() const { return hwnd != 0; }
    // The control said what the widget is to a screen reader (role).
    virtual void RoleChanged() {}
    std::string accessibleName;  // what a screen reader reads for it; empty: its name
    virtual void AccessibleNameChanged() {}

    // Parent and children may go in either order: whoever goes first
    // unhooks itself, and the survivors are left pointing at nothing
    // rather than at a freed widget.
    void Unlink() {
        if (parent != nullptr) {
            auto& siblings = parent->children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), static_cast<NodeT*>(this)), siblings.end());
        }
        for (NodeT* child : children)
            child->parent = nullptr;
    }

    // Refuses negative sizes.
    void CheckSize(float value) const {
        if (!(value >= 0))
            Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
    }

    // Text in the widget's font, in twips: the lines' height, the longest
    // line's width.
    float TextHeight(std::string_view text) const {
        if (desk == nullptr)
            return 0;
        return static_cast<float>(SplitLines(text).size()) * desk->LineHeightPx(*font) * desk->Tpp();
    }
    float TextWidth(std::string_view text) const {
        if (desk == nullptr)
            return 0;
        float widest = 0;
        for (auto line : SplitLines(text))
            widest = std::max(widest, desk->LineWidthPx(*font, line));
        return widest * desk->Tpp();
    }

    virtual float GetHeight() const { return height; }
    virtual void SetLeft(float value) {
        left = value;
        ApplyGeometry();
    }
    virtual void SetTop(float value) {
        top = value;
        ApplyGeometry();
    }
    virtual void SetWidth(float value) {
        CheckSize(value);
        width = value;
        ApplyGeometry();
    }
    virtual void SetHeight(float value) {
        CheckSize(value);
        height = value;
        ApplyGeometry();
    }
    // Puts what shows the widget where the twips say.
    virtual void ApplyGeometry() {}
    virtual void SetFont(FontRef value) {
        if (!value)
            Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
        font = std::move(value);
    }
    virtual void SetColors(OleColor backColor, OleColor foreColor) {
        back = backColor;
        fore = foreColor;
    }
    virtual void SetToolTip(std::string value) { toolTip = std::move(value); }
    virtual void SetPointer(std::int16_t value, PictureRef pointerIcon) {
        pointer = value;
        icon = std::move(pointerIcon);
    }
    virtual void SetVisible(bool value) = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual void Repaint() = 0;
    // What the widget does with a key or character its handlers left alone.
    virtual void DefaultKeyDown(std::int16_t /*keyCode*/, std::int16_t /*shift*/) {}
    virtual void DefaultChar(std::int16_t /*keyAscii*/, std::string_view /*typed*/) {}
    // A left press at `yPx` pixels below the top of the widget's client
    // area, before the press handlers run (list boxes select the row there).
    virtual void PressAt(float /*yPx*/) {}
    // The left button went up after a press on this widget, over it or not.
    virtual void Released(bool /*inside*/) {}
    // The frame around the widget's client area, in pixels. Mouse positions
    // reach the handlers in twips of the client area, as on a real window:
    // a list's Y counts from its first row, not from its frame.
    virtual float ClientInsetPx() const { return 0; }
};

// Calls a copy of `handler` (the handler may destroy its own widget, and
// with it the std::function being run) and reports whether the node
// survived.
template <class NodeT, class H, class... Args>
bool Fire(NodeT& node, const H& handler, Args&... args) {
    auto* desk = node.desk;
    const std::uint64_t id = node.id;
    if (desk == nullptr)
        return false;
    if (handler) {
        H copy = handler;
        ++node.dispatching;
        struct Leave {
            decltype(desk) d;
            std::uint64_t id;
            ~Leave() {
                if (auto* still = d->Get(id))
                    --still->dispatching;
            }
        } leave{desk, id};
        copy(args...);
    }
    return desk->Alive(id);
}

// --- the members every widget kind has -----------------------------------------

// `Base` is the toolkit interface (Form, ListBox...), `NodeT` the desktop's
// node.
template <class Base, class NodeT>
class WidgetBase : public Base, public NodeT {
public:
    template <class DeskT>
    WidgetBase(DeskT& d, Kind kind, std::string name, NodeT* parent)
        : NodeT(d, kind, std::move(name), parent, *this), owner_(&d.owner) {}

    const std::string& Name() const override { return this->name; }
    Desktop& Owner() const override { return *owner_; }
    Widget* Parent() const override { return this->parent != nullptr ? this->parent->self : nullptr; }
    Hwnd hWnd() const override { return this->hwnd; }

    bool Visible() const override { return this->visible; }
    void Visible(bool value) override { this->SetVisible(value); }
    bool Enabled() const override { return this->enabled; }
    void Enabled(bool value) override { this->SetEnabled(value); }

    float Left() const override { return this->left; }
    void Left(float value) override { this->SetLeft(value); }
    float Top() const override { return this->top; }
    void Top(float value) override { this->SetTop(value); }
    float Width() const override { return this->width; }
    void Width(float value) override { this->SetWidth(value); }
    float Height() const override { return this->GetHeight(); }
    void Height(float value) override { this->SetHeight(value); }

    OleColor BackColor() const override { return this->back; }
    void BackColor(OleColor value) override { this->SetColors(value, this->fore); }
    OleColor ForeColor() const override { return this->fore; }
    void ForeColor(OleColor value) override { this->SetColors(this->back, value); }
    FontRef Font() const override { return this->font; }
    void Font(FontRef value) override { this->SetFont(std::move(value)); }
    const std::string& ToolTipText() const override { return this->toolTip; }
    void ToolTipText(std::string value) override { this->SetToolTip(std::move(value)); }

    std::int16_t MousePointer() const override { return this->pointer; }
    void MousePointer(std::int16_t value) override { this->SetPointer(value, this->icon); }
    PictureRef MouseIcon() const override { return this->icon; }
    void MouseIcon(PictureRef value) override { this->SetPointer(this->pointer, std::move(value)); }

    void SetFocus() override {
        if (this->desk != nullptr)
            this->desk->FocusByCode(*this);
    }
    void Refresh() override { this->Repaint(); }
    void AccessibleRole(Role value, Widget* whole) override {
        this->role = value;
        auto* node = dynamic_cast<NodeT*>(whole);
        this->roleWhole = node != nullptr ? node->id : 0;
        this->RoleChanged();
    }
    void AccessibleName(std::string value) override {
        this->accessibleName = std::move(value);
        this->AccessibleNameChanged();
    }

private:
    Desktop* owner_;  // kept, so a widget that outlives its desktop still names it
};

}  // namespace korvane::tk::model
