// The shared widget state (Node) and the simpler widget kinds: forms with
// their load, show, hide and modal loop; the user-control container; labels,
// images and timers. Text boxes and list boxes have their own files.
#include <algorithm>
#include <cmath>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

namespace {

bool IsWindowed(Kind kind) {
    return kind == Kind::Form || kind == Kind::UserControl || kind == Kind::TextBox || kind == Kind::ListBox;
}

}  // namespace

// --- Node ------------------------------------------------------------------------

Node::Node(HeadlessDesktop::Impl& d, Kind k, std::string n, Node* p, Widget& s)
    : desk(&d), self(&s), kind(k), name(std::move(n)), parent(p), font(std::make_shared<tk::Font>()) {
    d.Register(*this, IsWindowed(kind));
    if (parent != nullptr)
        parent->children.push_back(this);
    // Edit fields and lists paint in the window colours, everything else in
    // the button face.
    bool field = kind == Kind::TextBox || kind == Kind::ListBox;
    back = d.SysColor(field ? 5 : 15);
    fore = d.SysColor(field ? 8 : 18);
}

// Parent and children may go in either order: whoever goes first unhooks
// itself, and the survivors are left pointing at nothing rather than at a
// freed widget.
Node::~Node() {
    if (desk != nullptr)
        desk->Unregister(*this);
    if (parent != nullptr) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (Node* child : children)
        child->parent = nullptr;
}

void Node::CheckSize(float value) const {
    if (!(value >= 0))
        Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
}

void Node::SetWidth(float value) {
    CheckSize(value);
    width = value;
}

void Node::SetHeight(float value) {
    CheckSize(value);
    height = value;
}

void Node::SetVisible(bool value) {
    visible = value;
    desk->CheckFocus();
}

void Node::SetEnabled(bool value) {
    enabled = value;
    desk->CheckFocus();
}

void Node::SetFont(FontRef value) {
    if (!value)
        Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
    font = std::move(value);
}

// --- Form ------------------------------------------------------------------------

HeadlessForm::HeadlessForm(HeadlessDesktop::Impl& d, std::string n) : WidgetImpl(d, Kind::Form, std::move(n), nullptr) {
    visible = false;  // forms start hidden and unloaded
    width = 4800;
    height = 3600;
}

void HeadlessForm::Load() {
    if (loaded)
        return;
    loaded = true;
    Fire(*desk, id, OnLoad);
}

// QueryUnload may cancel; otherwise the form is hidden and unloaded. Its
// widgets stay: they belong to whoever created them.
void HeadlessForm::Unload() {
    if (!loaded)
        return;
    HeadlessDesktop::Impl& d = *desk;
    const std::uint64_t me = id;
    std::int16_t cancel = 0;
    if (!Fire(d, me, OnQueryUnload, cancel) || cancel != 0)
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
    : WidgetImpl(d, Kind::UserControl, std::move(n), &p), dc(d.nextHdc++), ambient(a) {
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
    Fire(*desk, id, OnResize);
}

void HeadlessUserControl::SetHeight(float value) {
    CheckSize(value);
    if (value == height)
        return;
    height = value;
    Fire(*desk, id, OnResize);
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
    Fire(*desk, id, OnPaint);
}

// --- Label, Image, Timer ----------------------------------------------------------------

HeadlessLabel::HeadlessLabel(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetImpl(d, Kind::Label, std::move(n), &p) {
    width = 1215;
    height = 255;
}

HeadlessImage::HeadlessImage(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetImpl(d, Kind::Image, std::move(n), &p) {
    width = 480;
    height = 480;
}

HeadlessTimer::HeadlessTimer(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetImpl(d, Kind::Timer, std::move(n), &p) {}

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
