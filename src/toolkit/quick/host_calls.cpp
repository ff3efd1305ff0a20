// What hosts and tests ask of the Qt Quick desktop beyond the toolkit
// interface: the records of what a person saw and heard, the manual clock,
// posted work and the scripts of modal loops, finding widgets and their
// items, and the items of a host's scene that controls are moved into.
#include <QCoreApplication>
#include <QQuickWindow>
#include <algorithm>
#include <limits>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

// --- the records ---------------------------------------------------------------------

void QuickDesktop::SetApp(AppInfo app) {
    impl_->app = std::move(app);
}

void QuickDesktop::RecordMessageBoxes(bool on, int answer) {
    impl_->recordMessageBoxes = on;
    impl_->msgBoxAnswer = answer;
}

const DesktopRecords& QuickDesktop::Records() const {
    return impl_->records;
}

const std::vector<MessageBoxRecord>& QuickDesktop::MessageBoxes() const {
    return impl_->records.MessageBoxes;
}

std::int32_t QuickDesktop::Beeps() const {
    return impl_->records.Beeps;
}

// The focus rectangles are not records: they are what the screen shows,
// and each is wiped by drawing it again.
void QuickDesktop::ClearRecords() {
    impl_->records.Clear();
}

void QuickDesktop::AnswerShellRequests(std::intptr_t code) {
    impl_->shellAnswer = code;
}

void QuickDesktop::SetUserLocale(std::string locale) {
    impl_->userLocale = std::move(locale);
}

std::string QuickDesktop::UserLocale() const {
    return impl_->userLocale.empty() ? Desktop::UserLocale() : impl_->userLocale;
}

// --- the clock, posted work and modal scripts ----------------------------------------------

// Each tick runs with the clock at its due time; a timer ticks again one
// interval after it. A handler may add, move or remove timers, or destroy
// the desktop's widgets.
void QuickDesktop::Advance(std::int64_t ms) {
    Impl& d = *impl_;
    if (!d.clock->Manual())
        Raise(ErrorCode::InvalidProcedureCall, "only a manual clock is moved by hand");
    if (ms < 0)
        Raise(ErrorCode::InvalidProcedureCall, "the clock only moves forward");
    if (ms > std::numeric_limits<std::int64_t>::max() - d.Now())
        Raise(ErrorCode::Overflow, "the clock cannot move past its last millisecond");
    d.Pump();
    d.clock->Advance(ms, [&d] { d.Pump(); });
}

void QuickDesktop::Post(std::function<void()> work) {
    impl_->posted.push_back(std::move(work));
}

void QuickDesktop::OnModal(std::function<void(Form& modal)> script) {
    impl_->modalScripts.push_back(std::move(script));
}

// What a tick throws goes to the log: it runs in the event loop, where
// nobody could take it.
void QuickDesktop::Impl::Tick(std::uint64_t id) {
    if (auto* timer = dynamic_cast<QuickTimer*>(Get(id)))
        Guarded([&] { Fire(*timer, timer->OnTimer); });
}

// Deferred deletions wait for the event loop: a step may run inside a
// handler whose item is one of them.
void QuickDesktop::Impl::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    RunPosted();
}

// --- finding widgets and what they show ---------------------------------------------------

std::vector<Rect> QuickDesktop::FocusRects(Hdc dc) const {
    auto it = impl_->focusRects.find(dc);
    return it != impl_->focusRects.end() ? it->second : std::vector<Rect>{};
}

std::int32_t QuickDesktop::VisibleRows(const ListBox& list) const {
    const auto* node = dynamic_cast<const QuickListBox*>(impl_->NodeOf(list));
    return node != nullptr ? node->VisibleRows() : 0;
}

bool QuickDesktop::IsTopMost(Hwnd window) const {
    Node* form = impl_->FormOf(window);
    return form != nullptr && (form->topMost || form->role == Role::DropDown);
}

QQuickItem* QuickDesktop::ItemOf(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? node->item.data() : nullptr;
}

QQuickWindow* QuickDesktop::WindowOf(const Form& form) const {
    Node* node = impl_->NodeOf(form);
    if (node == nullptr)
        return nullptr;
    if (node->window != nullptr)
        return node->window.get();
    return node->item != nullptr ? node->item->window() : nullptr;
}

Widget* QuickDesktop::Find(std::string_view path) const {
    return impl_->Find(path);
}

Widget* QuickDesktop::FromHwnd(Hwnd window) const {
    return impl_->FromHwnd(window);
}

Widget* QuickDesktop::FocusWidget() const {
    return impl_->FocusWidget();
}

Rect QuickDesktop::ScreenRectPx(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? impl_->RectPx(*node) : Rect{};
}

Hwnd QuickDesktop::AdoptForeignItem(QQuickItem& item, std::string className) {
    const Hwnd h = impl_->NewHwnd();
    impl_->foreign[h] = Impl::Foreign{&item, std::move(className)};
    Impl* d = impl_.get();
    QObject::connect(&item, &QObject::destroyed, d, [d, h] {
        // What sat in the item stays with its nodes, which no longer show.
        for (auto& [id, node] : d->nodes) {
            if (node->foreignParent == h)
                node->foreignParent = 0;
        }
        d->foreign.erase(h);
        d->activations.erase(std::remove(d->activations.begin(), d->activations.end(), h), d->activations.end());
        if (d->active == h)
            d->active = 0;
        d->CheckFocus();
    });
    // A box moved to another window while its drop-down is open: the box's
    // window takes the activation, and the drop-down closes as it does when
    // a person activates another window.
    QObject::connect(&item, &QQuickItem::windowChanged, d, [d, h](QQuickWindow*) {
        Guarded([&] {
            for (auto& [id, node] : d->nodes) {
                Node* whole = node->role == Role::DropDown && node->visible ? d->Get(node->roleWhole) : nullptr;
                if (whole != nullptr && d->TopOf(*whole) == h && d->active != h) {
                    d->Activate(h, false, true);
                    return;
                }
            }
        });
    });
    return h;
}

void QuickDesktop::Reparent(Widget& child, Hwnd newParent) {
    Node& node = impl_->OwnNode(child);
    node.foreignParent = impl_->IsForeign(newParent) ? newParent : 0;
    if (node.item != nullptr) {
        node.item->setParentItem(node.HolderItem());
        node.ApplyGeometry();
        if (QQuickItem* holder = node.foreignParent != 0 ? node.HolderItem() : nullptr)
            AccessibleHolderAdopted(*holder, node);
    }
    impl_->CheckFocus();
}

Form& QuickDesktop::HiddenHostForm() {
    if (impl_->hiddenHostForm == nullptr) {
        impl_->hiddenHostForm = CreateForm("KorvaneHiddenHost");
        impl_->hiddenHost = impl_->NodeOf(*impl_->hiddenHostForm)->id;
    }
    return *impl_->hiddenHostForm;
}

}  // namespace korvane::tk::quick
