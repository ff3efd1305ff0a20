// The shared widget state (Node) and the simpler widget kinds: forms with
// their load, show, hide and modal loop; the user-control container; labels,
// images and timers. Text boxes and list boxes have their own files.
#include <algorithm>
#include <cmath>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

// --- Node ------------------------------------------------------------------------

Node::Node(HeadlessDesktop::Impl& d, Kind k, std::string n, Node* p, Widget& s) : NodeBase(d, k, std::move(n), p, s) {
    d.Adopt(*this);
    if (kind == Kind::Form) {
        d.tops[hwnd] = HeadlessDesktop::Impl::TopLevel{hwnd, id, "ThunderForm", {}, false};
        d.zOrder.push_back(hwnd);
    }
}

Node::~Node() {
    if (desk != nullptr)
        desk->Unregister(*this);
    Unlink();
}

void Node::SetVisible(bool value) {
    visible = value;
    desk->CheckFocus();
}

void Node::SetEnabled(bool value) {
    enabled = value;
    desk->CheckFocus();
}

// --- Form ------------------------------------------------------------------------

HeadlessForm::HeadlessForm(HeadlessDesktop::Impl& d, std::string n) : FormBase(d, std::move(n)) {}

void HeadlessDesktop::Impl::PresentForm(Node& form, int /*modal*/) {
    BringToTop(form.hwnd);
}

// The top-most visible window left.
Hwnd HeadlessDesktop::Impl::NextActive(std::uint64_t /*formId*/, Hwnd /*hidden*/) const {
    auto visibleNow = VisibleZOrder();
    return visibleNow.empty() ? 0 : visibleNow.front();
}

// The nested loop of a modal form. A test has no user at the keyboard, so
// the loop plays the model's scripted turns until the form stops waiting
// (or fails, instead of hanging, once nothing is left to play).
void HeadlessDesktop::Impl::RunModal(std::uint64_t formId) {
    int roundsWithoutScript = 0;
    modalForms.push_back(formId);
    struct Leave {
        std::vector<std::uint64_t>& stack;
        ~Leave() { stack.pop_back(); }
    } leave{modalForms};
    while (ScriptedModalTurn(formId, roundsWithoutScript)) {
    }
}

// --- UserControl --------------------------------------------------------------------

HeadlessUserControl::HeadlessUserControl(HeadlessDesktop::Impl& d, Node& p, std::string n, tk::Ambient a)
    : UserControlBase(d, p, std::move(n), a) {}

void HeadlessUserControl::PropertyChanged(std::string_view property) {
    Record(desk->records.PropertyChanges, {name, std::string(property)});
}

void HeadlessUserControl::Repaint() {
    ++repaints;
    Fire(*this, OnPaint);
}

// --- Label, Image, Timer ----------------------------------------------------------------

HeadlessLabel::HeadlessLabel(HeadlessDesktop::Impl& d, Node& p, std::string n) : LabelBase(d, p, std::move(n)) {}

HeadlessImage::HeadlessImage(HeadlessDesktop::Impl& d, Node& p, std::string n) : ImageBase(d, p, std::move(n)) {}

HeadlessTimer::HeadlessTimer(HeadlessDesktop::Impl& d, Node& p, std::string n) : TimerBase(d, p, std::move(n)) {}

void HeadlessTimer::Reschedule() {
    nextDue = (enabled && interval > 0 && desk != nullptr) ? desk->now + interval : -1;
}

}  // namespace korvane::tk::headless
