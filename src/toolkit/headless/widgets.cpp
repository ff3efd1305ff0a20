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
// the loop plays the scripts given to OnModal, then the posted work; when
// neither is left and the form still waits, it fails instead of hanging.
// Posted work that keeps posting more counts as waiting after a while.
void HeadlessDesktop::Impl::RunModal(std::uint64_t formId) {
    constexpr int kMaxRoundsWithoutScript = 10000;
    int roundsWithoutScript = 0;
    modalForms.push_back(formId);
    struct Leave {
        std::vector<std::uint64_t>& stack;
        ~Leave() { stack.pop_back(); }
    } leave{modalForms};
    auto waiting = [&]() -> HeadlessForm* {
        auto* form = static_cast<HeadlessForm*>(Get(formId));
        return form != nullptr && form->visible ? form : nullptr;
    };
    for (HeadlessForm* form = waiting(); form != nullptr; form = waiting()) {
        bool worked = false;
        if (!scripts.empty()) {
            auto script = std::move(scripts.front());
            scripts.pop_front();
            worked = true;
            roundsWithoutScript = 0;
            if (script)
                script(*form);
            if (waiting() == nullptr)
                return;
        }
        if (!posted.empty()) {
            worked = ++roundsWithoutScript <= kMaxRoundsWithoutScript;
            RunPosted();
        }
        form = waiting();
        if (form != nullptr && !worked) {
            std::string formName = form->name;
            HideForm(formId);
            Raise(ErrorCode::ToolkitModalStalled, formName);
        }
    }
}

// --- UserControl --------------------------------------------------------------------

HeadlessUserControl::HeadlessUserControl(HeadlessDesktop::Impl& d, Node& p, std::string n, tk::Ambient a)
    : UserControlBase(d, p, std::move(n), a) {}

void HeadlessUserControl::PropertyChanged(std::string_view property) {
    Record(desk->propertyChanges, {name, std::string(property)});
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
