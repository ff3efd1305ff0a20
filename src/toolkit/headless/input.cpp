// Input at the user's level: the pointer and its buttons, hit-testing, mouse
// capture, keys with their characters, typed text and the Tab key. Every
// handler call is followed by a check that its widget still exists.
#include <cmath>
#include <optional>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

namespace {

using Impl = HeadlessDesktop::Impl;

bool Contains(const Rect& r, std::int32_t x, std::int32_t y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// The deepest visible child under the point; later siblings lie on top.
Node* Deepest(const Impl& d, Node& node, std::int32_t x, std::int32_t y) {
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
        Node* child = *it;
        if (!child->visible || child->kind == Kind::Timer || child->foreignParent != 0)
            continue;
        if (Contains(d.RectPx(*child), x, y))
            return Deepest(d, *child, x, y);
    }
    return &node;
}

// The character a key makes on a US layout; none while Ctrl or Alt is held.
std::int16_t CharOf(std::int16_t keyCode, std::int16_t shiftState) {
    if ((shiftState & (shift::Ctrl | shift::Alt)) != 0)
        return 0;
    const bool shifted = (shiftState & shift::Shift) != 0;
    if (keyCode == key::Back || keyCode == key::Return || keyCode == key::Escape || keyCode == key::Space) {
        return keyCode;
    }
    if (keyCode >= 'A' && keyCode <= 'Z')
        return shifted ? keyCode : static_cast<std::int16_t>(keyCode + 32);
    if (keyCode >= '0' && keyCode <= '9') {
        return shifted ? static_cast<std::int16_t>(")!@#$%^&*("[keyCode - '0']) : keyCode;
    }
    if (keyCode >= 96 && keyCode <= 105)
        return static_cast<std::int16_t>('0' + keyCode - 96);  // keypad digits
    return 0;
}

std::int16_t ModifierBit(std::int16_t keyCode) {
    if (keyCode == key::Shift)
        return shift::Shift;
    if (keyCode == key::Control)
        return shift::Ctrl;
    return keyCode == key::Menu ? shift::Alt : 0;
}

void RaiseMouse(Impl& d, Node& node, const MouseHandler& handler, std::int16_t button) {
    const Rect r = d.RectPx(node);
    std::int16_t b = button;
    std::int16_t s = d.Shift();
    const float inset = node.ClientInsetPx();
    float x = (static_cast<float>(d.mouseX - r.Left) - inset) * d.Tpx();
    float y = (static_cast<float>(d.mouseY - r.Top) - inset) * d.Tpy();
    Fire(node, handler, b, s, x, y);
}

}  // namespace

// Top-most windows first, then the z-order; inside a window the deepest
// visible widget, windowless ones included.
Impl::Hit Impl::HitTest(std::int32_t x, std::int32_t y) const {
    for (Hwnd window : VisibleZOrder()) {
        const TopLevel& top = tops.at(window);
        if (top.Form == 0) {
            if (!Contains(top.BoundsPx, x, y))
                continue;
            for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
                Node* n = it->second;
                if (n->foreignParent == window && n->visible && Contains(RectPx(*n), x, y)) {
                    return {window, Deepest(*this, *n, x, y)};
                }
            }
            return {window, nullptr};
        }
        Node* form = Get(top.Form);
        if (Contains(RectPx(*form), x, y))
            return {window, Deepest(*this, *form, x, y)};
    }
    return {};
}

// While a modal form is up, the other windows take no mouse input.
bool Impl::InputBlocked(Hwnd window) const {
    for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it) {
        Node* form = Get(*it);
        if (form != nullptr && form->visible)
            return form->hwnd != window;
    }
    return false;
}

void Impl::DeliverKeyDown(std::int16_t keyCode) {
    Node* target = Get(focus);
    if (target == nullptr)
        return;
    const std::uint64_t id = target->id;
    std::int16_t code = keyCode;
    std::int16_t s = Shift();
    if (!Fire(*target, target->self->OnKeyDown, code, s))
        return;
    // Keys pressed with Alt belong to the window's menu and accelerators,
    // not to the widget's own editing or navigation.
    if (code != 0 && (Shift() & shift::Alt) == 0) {
        target->DefaultKeyDown(code, s);
        if (!Alive(id))
            return;
    }
    // The character goes to the window the key went down in, even if a
    // handler has moved the focus since.
    if (std::int16_t ch = CharOf(keyCode, Shift()); ch != 0)
        DeliverChar(id, ch, EncodeUtf8(static_cast<char32_t>(ch)));
}

void Impl::DeliverKeyUp(std::int16_t keyCode) {
    Node* target = Get(focus);
    if (target == nullptr)
        return;
    std::int16_t code = keyCode;
    std::int16_t s = Shift();
    Fire(*target, target->self->OnKeyUp, code, s);
}

void Impl::DeliverChar(std::uint64_t id, std::int16_t keyAscii, std::string_view typed) {
    Node* target = Get(id);
    if (target == nullptr)
        return;
    std::int16_t ascii = keyAscii;
    if (!Fire(*target, target->self->OnKeyPress, ascii) || ascii == 0)
        return;
    if (ascii == keyAscii) {
        target->DefaultChar(ascii, typed);
    } else {
        target->DefaultChar(ascii, EncodeUtf8(static_cast<char32_t>(static_cast<std::uint16_t>(ascii))));
    }
    if (ascii == key::Return || ascii == key::Escape)
        PressDialogButton(id, ascii);
}

// --- mouse --------------------------------------------------------------------------

void HeadlessDesktop::MouseMove(std::int32_t xPx, std::int32_t yPx) {
    Impl& d = *impl_;
    d.mouseX = xPx;
    d.mouseY = yPx;
    Node* target = d.Get(d.capture);
    if (target == nullptr) {
        Impl::Hit hit = d.HitTest(xPx, yPx);
        if (hit.Target != nullptr && !d.InputBlocked(hit.Top) && d.EffectivelyEnabled(*hit.Target)) {
            target = hit.Target;
        }
    }
    if (target != nullptr)
        RaiseMouse(d, *target, target->self->OnMouseMove, d.buttons);
}

// A press activates the window under the pointer, focuses a windowed widget
// (a press on a label, an image or a form's background leaves the focus
// where it was), selects the list row under it, and only then raises
// MouseDown. The pressed widget keeps the mouse until the release.
void HeadlessDesktop::MouseDown(std::int16_t button) {
    Impl& d = *impl_;
    ++d.presses;
    Impl::Hit hit = d.HitTest(d.mouseX, d.mouseY);
    if (hit.Top == 0) {  // the bare desktop takes the activation away
        d.Activate(0, true);
        return;
    }
    if (d.InputBlocked(hit.Top))
        return;
    Node* target = hit.Target;
    if (target != nullptr && !d.EffectivelyEnabled(*target))
        return;
    const std::uint64_t id = target != nullptr ? target->id : 0;
    d.buttons = static_cast<std::int16_t>(d.buttons | button);
    d.capture = id;
    // A press on a windowless widget (a label, an image) focuses the user
    // control that contains it, as a real container takes the focus for
    // the pieces that cannot hold it.
    Node* focusNode = target;
    if (focusNode != nullptr && !focusNode->Windowed()) {
        focusNode = focusNode->parent;
        while (focusNode != nullptr && focusNode->kind != Kind::UserControl)
            focusNode = focusNode->parent;
    }
    const bool takesFocus = focusNode != nullptr && focusNode->Windowed() && focusNode->kind != Kind::Form;
    const std::uint64_t focusId = takesFocus ? focusNode->id : 0;
    if (d.active != hit.Top) {
        d.Activate(hit.Top, !takesFocus);
    } else {
        d.BringToTop(hit.Top);
    }
    target = d.Get(id);
    if (target == nullptr)
        return;
    focusNode = d.Get(focusId);
    if (takesFocus && focusNode != nullptr && d.CanFocus(*focusNode) && !d.Inside(d.focus, *focusNode)) {
        d.SetFocusTo(d.FocusTarget(*focusNode));
        target = d.Get(id);
        if (target == nullptr)
            return;
    }
    if (button == button::Left) {
        target->PressAt(static_cast<float>(d.mouseY - d.RectPx(*target).Top) - target->ClientInsetPx());
        target = d.Get(id);
        if (target == nullptr)
            return;
    }
    RaiseMouse(d, *target, target->self->OnMouseDown, button);
}

void HeadlessDesktop::MouseUp(std::int16_t button) {
    Impl& d = *impl_;
    Node* target = d.Get(d.capture);
    d.buttons = static_cast<std::int16_t>(d.buttons & ~button);
    if (d.buttons == 0)
        d.capture = 0;
    if (target == nullptr) {
        Impl::Hit hit = d.HitTest(d.mouseX, d.mouseY);
        if (hit.Target != nullptr && !d.InputBlocked(hit.Top) && d.EffectivelyEnabled(*hit.Target)) {
            target = hit.Target;
        }
    }
    if (target == nullptr)
        return;
    const std::uint64_t id = target->id;
    const Rect r = d.RectPx(*target);
    const bool inside = d.mouseX >= r.Left && d.mouseX < r.Right && d.mouseY >= r.Top && d.mouseY < r.Bottom;
    RaiseMouse(d, *target, target->self->OnMouseUp, button);
    if (button != button::Left)
        return;
    if (Node* still = d.Get(id))
        still->Released(inside);
}

void HeadlessDesktop::Click(std::int32_t xPx, std::int32_t yPx, std::int16_t button) {
    MouseMove(xPx, yPx);
    MouseDown(button);
    MouseUp(button);
}

void HeadlessDesktop::MoveTo(const Widget& widget, float xTwips, float yTwips) {
    Node* node = impl_->NodeOf(widget);
    if (node == nullptr)
        Raise(ErrorCode::InvalidProcedureCall, "the widget belongs to another desktop");
    const Rect r = impl_->RectPx(*node);
    MouseMove(r.Left + static_cast<std::int32_t>(std::floor(xTwips / impl_->Tpx())),
              r.Top + static_cast<std::int32_t>(std::floor(yTwips / impl_->Tpy())));
}

void HeadlessDesktop::ClickAt(const Widget& widget, float xTwips, float yTwips, std::int16_t button) {
    MoveTo(widget, xTwips, yTwips);
    MouseDown(button);
    MouseUp(button);
}

namespace {
// The middle of a row, below the list's one-pixel top frame. A row scrolled
// out of view is not scrolled in: the point lies outside the list, as it
// would for a person. A row the list does not have is no place at all.
std::optional<float> RowCentre(const HeadlessDesktop::Impl& d, const ListBox& list, std::int32_t row) {
    auto* node = dynamic_cast<const HeadlessListBox*>(&list);
    if (node == nullptr)
        Raise(ErrorCode::InvalidProcedureCall, "not a headless list box");
    const std::int32_t at = node->ShownPosition(row);
    if (at < 0)
        return std::nullopt;
    const float offset = static_cast<float>(std::int64_t{at} - node->FirstShown()) + 0.5f;
    return (offset * node->RowPx() + 1.0f) * d.Tpy();
}
}  // namespace

void HeadlessDesktop::ClickRow(const ListBox& list, std::int32_t row, std::int16_t button) {
    if (const auto y = RowCentre(*impl_, list, row))
        ClickAt(list, list.Width() / 2, *y, button);
}

void HeadlessDesktop::MoveToRow(const ListBox& list, std::int32_t row) {
    if (const auto y = RowCentre(*impl_, list, row))
        MoveTo(list, list.Width() / 2, *y);
}

// A list nobody can see or reach cannot be scrolled by a person: nothing happens.
void HeadlessDesktop::ScrollTo(ListBox& list, std::int32_t topIndex) {
    auto* node = dynamic_cast<HeadlessListBox*>(&list);
    if (node == nullptr || node->desk != impl_.get())
        return;
    if (!impl_->EffectivelyVisible(*node) || !impl_->EffectivelyEnabled(*node))
        return;
    node->UserScroll(node->Filtered() ? std::max(0, node->ShownPosition(topIndex)) : topIndex);
}

void HeadlessDesktop::MouseWheel(std::int32_t notches) {
    constexpr std::int32_t kRowsPerNotch = 3;
    Impl& d = *impl_;
    Impl::Hit hit = d.HitTest(d.mouseX, d.mouseY);
    if (hit.Target == nullptr || hit.Target->kind != Kind::ListBox || d.InputBlocked(hit.Top) ||
        !d.EffectivelyEnabled(*hit.Target)) {
        return;
    }
    auto* list = static_cast<HeadlessListBox*>(hit.Target);
    list->UserScroll(list->FirstShown() - notches * kRowsPerNotch);
}

// --- keys ------------------------------------------------------------------------------

void HeadlessDesktop::KeyDown(std::int16_t keyCode) {
    Impl& d = *impl_;
    d.heldShift = static_cast<std::int16_t>(d.heldShift | ModifierBit(keyCode));
    if (keyCode == key::Tab) {
        Tab((d.Shift() & shift::Shift) != 0);
        return;
    }
    d.DeliverKeyDown(keyCode);
}

void HeadlessDesktop::KeyUp(std::int16_t keyCode) {
    Impl& d = *impl_;
    d.heldShift = static_cast<std::int16_t>(d.heldShift & ~ModifierBit(keyCode));
    if (keyCode == key::Tab)
        return;
    d.DeliverKeyUp(keyCode);
}

// The shift keys of `shiftState` count as held for this key only; they raise
// no key events of their own.
void HeadlessDesktop::PressKey(std::int16_t keyCode, std::int16_t shiftState) {
    struct Hold {
        std::int16_t& state;
        std::int16_t saved;
        ~Hold() { state = saved; }
    } hold{impl_->pressShift, impl_->pressShift};
    impl_->pressShift = shiftState;
    KeyDown(keyCode);
    KeyUp(keyCode);
}

// One KeyPress per character. KeyAscii carries the code point (a '?' past
// the 16-bit range, the byte value for a malformed byte); a handler that
// leaves it alone gets the typed bytes inserted as they were.
void HeadlessDesktop::Type(std::string_view text) {
    Impl& d = *impl_;
    for (std::size_t pos = 0; pos < text.size();) {
        const TextUnit unit = DecodeUnit(text, pos);
        const auto ascii = static_cast<std::int16_t>(unit.CodePoint < 0x8000 ? unit.CodePoint : U'?');
        d.DeliverChar(d.focus, ascii, text.substr(pos, unit.Bytes));
        pos += unit.Bytes;
    }
}

void HeadlessDesktop::Tab(bool backwards) {
    if (Node* next = impl_->NextStop(backwards))
        impl_->SetFocusTo(next);
}

std::int16_t HeadlessDesktop::ShiftState() const {
    return impl_->Shift();
}

}  // namespace korvane::tk::headless
