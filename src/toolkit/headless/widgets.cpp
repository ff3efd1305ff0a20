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

HeadlessForm::HeadlessForm(HeadlessDesktop::Impl& d, std::string n) : WidgetBase(d, Kind::Form, std::move(n), nullptr) {
    visible = false;  // forms start hidden and unloaded
    width = 4800;
    height = 3600;
}

void HeadlessForm::Load() {
    if (loaded)
        return;
    loaded = true;
    Fire(*this, OnLoad);
}

// QueryUnload may cancel; otherwise the form is hidden and unloaded. Its
// widgets stay: they belong to whoever created them.
void HeadlessForm::Unload() {
    if (!loaded)
        return;
    HeadlessDesktop::Impl& d = *desk;
    const std::uint64_t me = id;
    std::int16_t cancel = 0;
    if (!Fire(*this, OnQueryUnload, cancel) || cancel != 0)
        return;
    d.HideForm(me);
    if (Node* still = d.Get(me))
        static_cast<HeadlessForm*>(still)->loaded = false;
}

void HeadlessForm::Show(int modal) {
    desk->ShowForm(id, modal);
}
void HeadlessForm::Hide() {
    desk->HideForm(id);
}

void HeadlessForm::SetVisible(bool value) {
    if (value) {
        Show(Modeless);
    } else {
        Hide();
    }
}

void HeadlessDesktop::Impl::ShowForm(std::uint64_t formId, int modal) {
    auto* form = static_cast<HeadlessForm*>(Get(formId));
    if (form == nullptr)
        return;
    if (!form->loaded) {
        form->Load();
        form = static_cast<HeadlessForm*>(Get(formId));
        if (form == nullptr)
            return;
    }
    form->visible = true;
    BringToTop(form->hwnd);
    Activate(form->hwnd, true);
    form = static_cast<HeadlessForm*>(Get(formId));
    if (form == nullptr)
        return;
    PaintTree(*form);
    if (modal == Form::Modal)
        RunModal(formId);
}

// Hiding the active form hands the activation to the top-most visible window
// left, whose last focused widget gets the focus back.
void HeadlessDesktop::Impl::HideForm(std::uint64_t formId) {
    Node* form = Get(formId);
    if (form == nullptr || !form->visible)
        return;
    form->visible = false;
    if (active == form->hwnd) {
        auto visibleNow = VisibleZOrder();
        Activate(visibleNow.empty() ? 0 : visibleNow.front(), true);
    }
    CheckFocus();
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
    : WidgetBase(d, Kind::UserControl, std::move(n), &p), dc(d.nextHdc++), ambient(a) {
    width = 2400;
    height = 330;
}

void HeadlessUserControl::PropertyChanged(std::string_view property) {
    desk->propertyChanges.push_back({name, std::string(property)});
}

// Resize is raised at once, inside the write; a handler may write the size
// again, which raises Resize again if it changes.
void HeadlessUserControl::SetWidth(float value) {
    CheckSize(value);
    if (value == width)
        return;
    width = value;
    Fire(*this, OnResize);
}

void HeadlessUserControl::SetHeight(float value) {
    CheckSize(value);
    if (value == height)
        return;
    height = value;
    Fire(*this, OnResize);
}

void HeadlessUserControl::SetVisible(bool value) {
    const bool wasVisible = visible;
    HeadlessDesktop::Impl& d = *desk;
    const std::uint64_t me = id;
    Node::SetVisible(value);
    if (Node* still = d.Get(me); still != nullptr && value && !wasVisible && d.EffectivelyVisible(*still)) {
        d.PaintTree(*still);
    }
}

void HeadlessUserControl::Repaint() {
    ++repaints;
    Fire(*this, OnPaint);
}

// --- Label, Image, Timer ----------------------------------------------------------------

HeadlessLabel::HeadlessLabel(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::Label, std::move(n), &p) {
    width = 1215;
    height = 255;
}

HeadlessImage::HeadlessImage(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::Image, std::move(n), &p) {
    width = 480;
    height = 480;
}

HeadlessTimer::HeadlessTimer(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::Timer, std::move(n), &p) {}

void HeadlessTimer::Interval(std::int32_t value) {
    if (value < 0)
        Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
    interval = value;
    Reschedule();
}

// Enabling a stopped timer starts its count again; enabling a running one
// leaves it alone.
void HeadlessTimer::SetEnabled(bool value) {
    const bool restart = value != enabled || !value;
    enabled = value;
    if (restart)
        Reschedule();
}

void HeadlessTimer::Reschedule() {
    nextDue = (enabled && interval > 0 && desk != nullptr) ? desk->now + interval : -1;
}

}  // namespace korvane::tk::headless
