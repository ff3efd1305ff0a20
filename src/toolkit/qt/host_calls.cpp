// What hosts, demos and tests ask of the Qt desktop beyond the toolkit
// interface: the records of what a person saw and heard (message boxes,
// beeps, pointer shapes, property notifications, shell requests, the log,
// focus rectangles), the manual clock and posted work, finding widgets and
// their Qt widgets, foreign windows, and screenshots.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include "clock.h"
#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

// --- for hosts, demos and tests -------------------------------------------------------------

void QtDesktop::SetApp(AppInfo app) {
    impl_->app = std::move(app);
}

void QtDesktop::RecordMessageBoxes(bool on, int answer) {
    impl_->recordMessageBoxes = on;
    impl_->msgBoxAnswer = answer;
}

const DesktopRecords& QtDesktop::Records() const {
    return impl_->records;
}

const std::vector<MessageBoxRecord>& QtDesktop::MessageBoxes() const {
    return impl_->records.MessageBoxes;
}

std::int32_t QtDesktop::Beeps() const {
    return impl_->records.Beeps;
}

const std::vector<std::uint32_t>& QtDesktop::MessageBeeps() const {
    return impl_->records.MessageBeeps;
}

std::vector<FocusRectRecord> QtDesktop::FocusRects() const {
    return impl_->ShownFocusRects();
}

const std::vector<FocusRectRecord>& QtDesktop::FocusRectCalls() const {
    return impl_->records.FocusRectCalls;
}

const std::vector<std::int16_t>& QtDesktop::PointerHistory() const {
    return impl_->records.PointerHistory;
}

const std::vector<PropertyChangeRecord>& QtDesktop::PropertyChanges() const {
    return impl_->records.PropertyChanges;
}

const std::vector<ShellRequest>& QtDesktop::ShellRequests() const {
    return impl_->records.ShellRequests;
}

const std::vector<std::string>& QtDesktop::Logged() const {
    return impl_->records.Logged;
}

// The focus rectangles are not records: they are what the screen shows,
// and each is wiped by drawing it again.
void QtDesktop::ClearRecords() {
    impl_->records.Clear();
}

void QtDesktop::AnswerShellRequests(std::intptr_t code) {
    impl_->shellAnswer = code;
}

void QtDesktop::SetUserLocale(std::string locale) {
    impl_->userLocale = std::move(locale);
}

std::string QtDesktop::UserLocale() const {
    return impl_->userLocale.empty() ? Desktop::UserLocale() : impl_->userLocale;
}

void QtDesktop::Advance(std::int64_t ms) {
    Impl& d = *impl_;
    if (d.clock == nullptr || !d.clock->Manual())
        Raise(ErrorCode::InvalidProcedureCall, "the desktop's clock runs on real time");
    if (ms < 0)
        Raise(ErrorCode::InvalidProcedureCall, "the clock only moves forward");
    d.Pump();
    d.clock->Advance(ms, [&d] { d.Pump(); });
}

void QtDesktop::Post(std::function<void()> work) {
    impl_->posted.push_back(std::move(work));
}

void QtDesktop::OnModal(std::function<void(Form& modal)> script) {
    impl_->modalScripts.push_back(std::move(script));
}

Widget* QtDesktop::FocusWidget() const {
    Node* node = impl_->Get(impl_->focus);
    return node != nullptr ? node->self : nullptr;
}

std::int32_t QtDesktop::VisibleRows(const ListBox& list) const {
    const auto* node = dynamic_cast<const QtListBox*>(&list);
    return node != nullptr ? node->VisibleRows() : 0;
}

// Deferred deletions wait for the event loop: a step may run inside a
// handler whose Qt object is one of them.
void QtDesktop::Impl::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    RunPosted();
}

std::vector<Rect> QtDesktop::FocusRects(Hdc dc) const {
    auto it = impl_->focusRects.find(dc);
    return it == impl_->focusRects.end() ? std::vector<Rect>{} : it->second;
}

bool QtDesktop::IsTopMost(Hwnd window) const {
    Node* node = impl_->NodeOf(window);
    QWidget* w = node != nullptr ? node->Q() : nullptr;
    return w != nullptr && (w->windowFlags() & Qt::WindowStaysOnTopHint) != 0;
}

QWidget* QtDesktop::WidgetOf(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? node->Q() : nullptr;
}

Widget* QtDesktop::Find(std::string_view path) const {
    return impl_->Find(path);
}

Widget* QtDesktop::FromHwnd(Hwnd window) const {
    return impl_->FromHwnd(window);
}

Rect QtDesktop::ScreenRectPx(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? impl_->RectPx(*node) : Rect{};
}

// The window is forgotten when its widget is destroyed, so widgets that come
// and go (every KorvaneBox is one) leave nothing behind.
Hwnd QtDesktop::AdoptForeignWindow(QWidget& window, std::string className) {
    const Hwnd h = impl_->NewHwnd();
    impl_->foreign[h] = Impl::Foreign{&window, std::move(className)};
    impl_->foreignByWidget[&window] = h;
    Impl* desk = impl_.get();
    const QWidget* key = &window;
    QObject::connect(&window, &QObject::destroyed, impl_->filter.get(),
                     [desk, h, key] { desk->ForgetForeign(h, key); });
    return h;
}

// Named like no form of a host's, so a path from Find never lands on it
// by chance.
Form& QtDesktop::HiddenHostForm() {
    if (!impl_->hiddenHost)
        impl_->hiddenHost = CreateForm("KorvaneHiddenHost");
    return *impl_->hiddenHost;
}

QtDesktop::Census QtDesktop::Count() const {
    return Census{impl_->nodes.size(), impl_->foreign.size(), impl_->clock->Size()};
}

void QtDesktop::Reparent(Widget& child, Hwnd newParent) {
    Node& node = impl_->OwnNode(child);
    QWidget* w = node.Q();
    auto it = impl_->foreign.find(newParent);
    if (it == impl_->foreign.end() || !it->second.Window) {
        node.foreignParent = 0;
        if (w != nullptr && node.parent != nullptr)
            w->setParent(node.parent->Q());
    } else {
        node.foreignParent = newParent;
        if (w != nullptr)
            w->setParent(it->second.Window.data());
    }
    if (w != nullptr) {
        node.ApplyGeometry();
        w->setVisible(node.visible);
    }
    impl_->CheckFocus();
}

void QtDesktop::ProcessEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool QtDesktop::SaveScreenPng(const Rect& r, const std::string& path) const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return false;
    const QPixmap shot = screen->grabWindow(0, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    return !shot.isNull() && shot.save(ToQ(path), "PNG");
}

}  // namespace korvane::tk::qt
