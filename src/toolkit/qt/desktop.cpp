// The Qt desktop itself: the widget registry and factories, the screen as
// the primary Qt screen reports it, the application globals (message boxes,
// beeps, the busy pointer, the event pump), the window functions, and the
// accessibility of the widgets. What hosts, demos and tests ask of it
// beyond the toolkit interface is in host_calls.cpp.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "clock.h"
#include "korvane/errors.h"
#include "korvane/toolkit/desktop_opener.h"
#include "opener.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

using Impl = QtDesktop::Impl;

// Colours for the indexes the palette has no role for.
const std::map<int, std::uint32_t> kFallbackSysColors = {
    {0, 0xC0C0C0},  {1, 0x808000},  {2, 0x800000},  {3, 0x808080},  {4, 0xC0C0C0},  {6, 0x000000},  {7, 0x000000},
    {9, 0xFFFFFF},  {10, 0xC0C0C0}, {11, 0xC0C0C0}, {12, 0x808080}, {16, 0x808080}, {17, 0x808080}, {19, 0xC0C0C0},
    {20, 0xFFFFFF}, {21, 0x000000}, {22, 0xDFDFDF}, {23, 0x000000}, {24, 0xE1FFFF},
};

QScreen* PrimaryScreen() {
    return QGuiApplication::primaryScreen();
}

// Presses, window switches and the loss of the application's activation,
// seen before any widget handles them.
class InputFilter final : public QObject {
public:
    explicit InputFilter(Impl& desk) : desk_(desk) {}

protected:
    // All boxes of an application share one desktop, so this filter sees
    // each event once. Only the few kinds it acts on go further; everything
    // else (mouse moves, paints, timers) costs one switch.
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                Pressed(watched, *static_cast<const QInputEvent*>(event));
                return false;
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                if (auto* w = qobject_cast<QWidget*>(watched);
                    w != nullptr && Redirect(*w, *static_cast<QKeyEvent*>(event)))
                    return true;
                return false;
            case QEvent::ApplicationDeactivate:
                QTimer::singleShot(0, this, [this] { Guarded([&] { desk_.QtApplicationDeactivated(); }); });
                return false;
            case QEvent::FocusIn:
                FocusIn(watched);
                return false;
            default:
                return false;
        }
    }

private:
    void Pressed(QObject* watched, const QInputEvent& press) {
        const auto time = press.timestamp();
        if (&press != desk_.lastPress || time != desk_.lastPressTime) {
            ++desk_.presses;
            desk_.lastPress = &press;
            desk_.lastPressTime = time;
        }
        if (auto* w = qobject_cast<QWidget*>(watched))
            Guarded([&] { desk_.QtPressed(w); });
    }

    // Focus on a widget that is not ours takes it from ours: a host's own
    // widget, also one that sits on a form of ours. The inner parts of our
    // widgets (a list's viewport) are ours.
    void FocusIn(QObject* watched) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w == nullptr || dynamic_cast<Backref*>(w) != nullptr)
            return;
        Node* holder = nullptr;
        for (QObject* o = w->parent(); o != nullptr && holder == nullptr; o = o->parent())
            holder = desk_.NodeOfObject(o);
        const bool ours = holder != nullptr && holder->kind != Kind::Form && holder->kind != Kind::UserControl;
        if (!ours)
            Guarded([&] { desk_.QtForeignFocusIn(w); });
    }

    // Keys typed right after the focus moved to another window of ours (the
    // drop-down opened by Alt+Down) may still arrive at the window the X
    // server had focused: they go where the focus is now, as the control
    // was told by GetFocus.
    bool Redirect(QWidget& receiver, QKeyEvent& key) {
        // An open popup (a field's context menu) takes the keys until it
        // closes, as Qt's popups do.
        if (QApplication::activePopupWidget() != nullptr)
            return false;
        Node* target = desk_.Get(desk_.focus);
        QWidget* to = target != nullptr ? target->Q() : nullptr;
        if (to == nullptr || to == &receiver || to->isAncestorOf(&receiver) || !to->isVisible())
            return false;
        if (to->window() == receiver.window())
            return false;  // inside one window Qt's focus is ours
        bool ours = false;
        for (QObject* o = &receiver; o != nullptr && !ours; o = o->parent())
            ours = desk_.NodeOfObject(o) != nullptr;
        if (!ours)
            return false;
        QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.nativeScanCode(), key.nativeVirtualKey(),
                       key.nativeModifiers(), key.text(), key.isAutoRepeat(), static_cast<quint16>(key.count()));
        Guarded([&] { QApplication::sendEvent(to, &copy); });
        return true;
    }

    Impl& desk_;
};

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

// --- registry ------------------------------------------------------------------------

Impl::Impl(QtDesktop& o, Options opts) : DesktopModel(o), options(std::move(opts)) {
    if (QApplication::instance() == nullptr)
        Raise(ErrorCode::InvalidProcedureCall, "the Qt desktop needs a QApplication");
    if (QScreen* screen = PrimaryScreen()) {
        const double dpi = screen->logicalDotsPerInchY();
        tpp = static_cast<std::int16_t>(std::max(1L, std::lround(1440.0 / (dpi > 0 ? dpi : 96.0))));
    }
    startMs = NowMs();
    static bool factoryInstalled = false;
    if (!factoryInstalled) {
        QAccessible::installFactory(AccessibleFactory);
        factoryInstalled = true;
    }
    filter = std::make_unique<InputFilter>(*this);
    QApplication::instance()->installEventFilter(filter.get());
    clock = new Clock([this](std::uint64_t id) { Tick(id); }, options.ManualClock);
}

// Widgets may outlive the desktop: their Qt objects go now, and they must
// not reach back into it.
Impl::~Impl() {
    clock->Stop();  // deletes it, or lets it go once its tick has returned
    clock = nullptr;
    // A desktop kept by widgets may outlive the QApplication.
    if (filter && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(filter.get());
    if (overrideCursor && QCoreApplication::instance() != nullptr)
        QGuiApplication::restoreOverrideCursor();
    ++settingFocus;
    for (const ModalLoop& m : modalLoops) {
        if (m.Loop != nullptr)
            m.Loop->quit();
    }
    for (auto& [id, node] : nodes) {
        if (auto* ref = dynamic_cast<Backref*>(node->object.data()))
            ref->node = nullptr;
    }
    for (auto& [id, node] : nodes) {
        if (node->kind == Kind::Form || node->parent == nullptr || node->kind == Kind::Timer) {
            if (QObject* o = node->object.data()) {
                if (node->dispatching > 0) {
                    o->deleteLater();
                } else {
                    delete o;
                }
            }
        }
    }
    for (auto& [id, node] : nodes) {
        if (QObject* o = node->object.data()) {
            if (node->dispatching > 0) {
                o->deleteLater();
            } else {
                delete o;
            }
        }
        node->desk = nullptr;
    }
}

void Impl::Unregister(Node& node) {
    Forget(node);
    if (node.object)
        byObject.erase(node.object.data());
    if (auto* control = dynamic_cast<QtUserControl*>(&node)) {
        focusRects.erase(control->dc);
        byDc.erase(control->dc);
    }
    if (node.kind == Kind::Timer && clock != nullptr)
        clock->Cancel(node.id);
    if (node.kind == Kind::Form) {
        toolOwners.erase(node.id);
        // Its tool windows close once the destruction is over.
        const Hwnd gone = node.hwnd;
        QTimer::singleShot(0, filter.get(), [this, gone] { Guarded([&] { HideOwnedToolWindows(gone); }); });
        for (const ModalLoop& m : modalLoops) {
            if (m.Form == node.id && m.Loop != nullptr)
                m.Loop->quit();
        }
    }
}

void Impl::ForgetForeign(Hwnd window, const QWidget* widget) {
    if (auto w = foreignByWidget.find(widget); w != foreignByWidget.end() && w->second == window)
        foreignByWidget.erase(w);
    foreign.erase(window);
    lastFocus.erase(window);
    if (active == window)
        active = 0;
}

Hwnd Impl::ForeignHolding(const QWidget* widget) const {
    if (foreignByWidget.empty())
        return 0;
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto it = foreignByWidget.find(w); it != foreignByWidget.end())
            return it->second;
        if (w->isWindow())
            break;
    }
    return 0;
}

void Impl::Tick(std::uint64_t id) {
    Node* node = Get(id);
    if (node == nullptr || node->kind != Kind::Timer)
        return;
    auto& timer = static_cast<QtTimer&>(*node);
    Guarded([&] { Fire(timer, timer.OnTimer); });
}

Node* Impl::NodeOfObject(const QObject* object) const {
    auto it = byObject.find(object);
    return it == byObject.end() ? nullptr : Get(it->second);
}

int Impl::ToPx(float twips) const {
    return static_cast<int>(std::floor(static_cast<double>(twips) / tpp + 0.5));
}

// The system colours the control paints with come from the palette of the
// desktop style; the rest keep classic values.
std::uint32_t Impl::SysColor(int index) const {
    const QPalette pal = QApplication::palette();
    switch (index) {
        case 5:
            return FromQColor(pal.color(QPalette::Base));
        case 8:
            return FromQColor(pal.color(QPalette::Text));
        case 13:
            return FromQColor(pal.color(QPalette::Highlight));
        case 14:
            return FromQColor(pal.color(QPalette::HighlightedText));
        case 15:
            return FromQColor(pal.color(QPalette::Button));
        case 18:
            return FromQColor(pal.color(QPalette::ButtonText));
        default:
            break;
    }
    auto it = kFallbackSysColors.find(index);
    return it == kFallbackSysColors.end() ? 0 : it->second;
}

bool Impl::IsToolWindow(std::string_view formName) const {
    return std::any_of(options.ToolWindowForms.begin(), options.ToolWindowForms.end(),
                       [&](const std::string& n) { return SameName(n, formName); });
}

// --- construction and factories -----------------------------------------------------------

// The desktop belongs to the QApplication it was made under: a new
// application (a test program may make one after another) gets its own.
// It lives as long as its holders rather than as long as the application,
// so an application that closed its last box pays nothing for it, and no
// box ever meets a desktop that was taken away below it.
std::shared_ptr<QtDesktop> QtDesktop::Shared() {
    struct Slot {
        std::weak_ptr<QtDesktop> desktop;
        QPointer<QCoreApplication> app;
    };
    static Slot slot;
    QCoreApplication* app = QCoreApplication::instance();
    if (auto desktop = slot.desktop.lock(); desktop && app != nullptr && slot.app == app)
        return desktop;
    auto desktop = std::make_shared<QtDesktop>();
    slot = Slot{desktop, app};
    return desktop;
}

QtDesktop::QtDesktop() : QtDesktop(Options{}) {}
QtDesktop::QtDesktop(Options options) : impl_(std::make_unique<Impl>(*this, std::move(options))) {}
QtDesktop::~QtDesktop() {
    impl_->hiddenHost.reset();
}

std::unique_ptr<Form> QtDesktop::CreateForm(std::string name) {
    return std::make_unique<QtForm>(*impl_, std::move(name));
}

std::unique_ptr<UserControl> QtDesktop::CreateUserControl(Widget& parent, std::string name, tk::Ambient ambient) {
    auto control = std::make_unique<QtUserControl>(*impl_, impl_->OwnNode(parent), std::move(name), ambient);
    if (QWidget* w = control->Q())
        w->setAccessibleName(ToQ(control->Name()));
    return control;
}

namespace {
template <class T>
std::unique_ptr<T> Named(std::unique_ptr<T> widget) {
    if (QWidget* w = widget->Q())
        w->setAccessibleName(ToQ(widget->Name()));
    return widget;
}
}  // namespace

std::unique_ptr<TextBox> QtDesktop::CreateTextBox(Widget& parent, std::string name) {
    Node& p = impl_->OwnNode(parent);
    auto text = Named(std::make_unique<QtTextBox>(*impl_, p, std::move(name)));
    impl_->UpdateFocusPolicy(&p);
    return text;
}
std::unique_ptr<Label> QtDesktop::CreateLabel(Widget& parent, std::string name) {
    return Named(std::make_unique<QtLabel>(*impl_, impl_->OwnNode(parent), std::move(name)));
}
std::unique_ptr<ListBox> QtDesktop::CreateListBox(Widget& parent, std::string name) {
    Node& p = impl_->OwnNode(parent);
    auto list = Named(std::make_unique<QtListBox>(*impl_, p, std::move(name)));
    impl_->UpdateFocusPolicy(&p);
    return list;
}
std::unique_ptr<Image> QtDesktop::CreateImage(Widget& parent, std::string name) {
    return Named(std::make_unique<QtImage>(*impl_, impl_->OwnNode(parent), std::move(name)));
}
// A button's accessible name is its caption, which Qt reads from its text.
std::unique_ptr<CommandButton> QtDesktop::CreateCommandButton(Widget& parent, std::string name) {
    Node& p = impl_->OwnNode(parent);
    auto button = std::make_unique<QtCommandButton>(*impl_, p, std::move(name));
    impl_->UpdateFocusPolicy(&p);
    return button;
}
std::unique_ptr<Timer> QtDesktop::CreateTimer(Widget& parent, std::string name) {
    return std::make_unique<QtTimer>(*impl_, impl_->OwnNode(parent), std::move(name));
}

// --- screen and application globals ----------------------------------------------------

float QtDesktop::ScreenWidth() const {
    return static_cast<float>(const_cast<QtDesktop*>(this)->GetSystemMetrics(0)) * impl_->Tpp();
}
float QtDesktop::ScreenHeight() const {
    return static_cast<float>(const_cast<QtDesktop*>(this)->GetSystemMetrics(1)) * impl_->Tpp();
}
std::int16_t QtDesktop::TwipsPerPixelX() const {
    return impl_->tpp;
}
std::int16_t QtDesktop::TwipsPerPixelY() const {
    return impl_->tpp;
}
std::int16_t QtDesktop::MousePointer() const {
    return impl_->screenPointer;
}

// The busy pointer is Qt's override cursor: set once while busy, taken
// back when the pointer returns to the default.
void QtDesktop::MousePointer(std::int16_t value) {
    impl_->screenPointer = value;
    model::Record(impl_->records.PointerHistory, value);
    const bool busy = value == pointer::Hourglass;
    if (busy && !impl_->overrideCursor) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        impl_->overrideCursor = true;
    } else if (!busy && impl_->overrideCursor) {
        QGuiApplication::restoreOverrideCursor();
        impl_->overrideCursor = false;
    }
}

AppInfo QtDesktop::App() const {
    return impl_->app;
}

int QtDesktop::MsgBox(std::string_view prompt, int style, std::string_view title) {
    impl_->RecordMessageBox(prompt, style, title, impl_->app.Title);
    const std::string shownTitle = impl_->records.MessageBoxes.back().Title;
    if (impl_->recordMessageBoxes)
        return impl_->msgBoxAnswer;
    QMessageBox box((style & msgbox::Critical) == msgbox::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    ToQ(shownTitle), ToQ(prompt), QMessageBox::Ok);
    box.exec();
    return 1;
}

Q_LOGGING_CATEGORY(lcToolkit, "korvane.toolkit")

void QtDesktop::Log(std::string_view message) {
    model::Record(impl_->records.Logged, std::string(message));
    qCWarning(lcToolkit).noquote() << QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
}

void QtDesktop::Beep() {
    ++impl_->records.Beeps;
    QApplication::beep();
}

void QtDesktop::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    impl_->RunPosted();
}

std::int64_t QtDesktop::TickCount() const {
    if (impl_->clock != nullptr && impl_->clock->Manual())
        return impl_->clock->Now();
    return NowMs() - impl_->startMs;
}

std::uint64_t QtDesktop::PressCount() const {
    return impl_->presses;
}

// --- window functions ------------------------------------------------------------------

Hwnd QtDesktop::GetFocus() {
    return impl_->FocusHwnd();
}

// Moves, sizes and restacks; with NoMove and NoSize only the stacking (and
// the top-most band) changes. It never activates the window.
std::int32_t QtDesktop::SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                                     std::int32_t cy, unsigned flags) {
    constexpr unsigned kNoZOrder = 0x4;
    Node* node = impl_->NodeOf(window);
    QWidget* w = nullptr;
    if (node != nullptr) {
        w = node->Q();
    } else if (auto it = impl_->foreign.find(window); it != impl_->foreign.end()) {
        w = it->second.Window.data();
    }
    if (w == nullptr)
        return 0;
    if (w->isWindow() && (flags & kNoZOrder) == 0) {
        ++impl_->settingFocus;
        if (insertAfter == hwnd::TopMost || insertAfter == hwnd::NoTopMost) {
            const bool on = insertAfter == hwnd::TopMost;
            if (((w->windowFlags() & Qt::WindowStaysOnTopHint) != 0) != on) {
                // Qt re-creates the window for new flags, which hides it.
                const bool shown = w->isVisible();
                w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
                if (shown)
                    w->show();
            }
            w->raise();
        } else if (insertAfter == hwnd::Bottom) {
            w->lower();
        } else {
            w->raise();
        }
        --impl_->settingFocus;
    }
    if (node == nullptr) {
        if ((flags & swp::NoMove) == 0)
            w->move(x, y);
        if ((flags & swp::NoSize) == 0)
            w->resize(cx, cy);
        return 1;
    }
    if ((flags & swp::NoMove) == 0) {
        node->left = static_cast<float>(x) * impl_->Tpp();
        node->top = static_cast<float>(y) * impl_->Tpp();
        node->ApplyGeometry();
    }
    if ((flags & swp::NoSize) == 0) {
        const std::uint64_t id = node->id;
        node->SetWidth(static_cast<float>(cx) * impl_->Tpp());
        if (Node* still = impl_->Get(id))
            still->SetHeight(static_cast<float>(cy) * impl_->Tpp());
    }
    return 1;
}

std::int32_t QtDesktop::GetWindowRect(Hwnd window, Rect& rect) {
    return impl_->WindowRect(window, rect);
}

Hwnd QtDesktop::GetParent(Hwnd window) {
    return impl_->ParentHwnd(window);
}

std::int32_t QtDesktop::GetSystemMetrics(int index) {
    switch (index) {
        case 0:
            return PrimaryScreen() != nullptr ? PrimaryScreen()->geometry().width() : 0;
        case 1:
            return PrimaryScreen() != nullptr ? PrimaryScreen()->geometry().height() : 0;
        case 2:
        case 3:
        case 20:
        case 21:
            return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        default:
            return 0;
    }
}

std::int32_t QtDesktop::GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) {
    return model::CopyClassName(impl_->ClassOf(window), name, maxCount);
}

std::uint32_t QtDesktop::GetSysColor(int index) {
    return impl_->SysColor(index);
}

// The rectangle inverts what is under it: drawing the same one again takes
// it away. A user control paints the rectangles of its device context over
// itself and its windowless widgets until something repaints them.
std::int32_t QtDesktop::DrawFocusRect(Hdc dc, const Rect& rect) {
    auto owner = impl_->byDc.find(dc);
    auto* control = owner != impl_->byDc.end() ? dynamic_cast<QtUserControl*>(impl_->Get(owner->second)) : nullptr;
    if (control == nullptr)
        return 0;
    impl_->ToggleFocusRect(dc, rect);
    if (QWidget* w = control->Q())
        w->update();
    for (Node* child : control->children) {
        if (QWidget* cw = child->Q())
            cw->update();
    }
    return 1;
}

std::int32_t QtDesktop::MessageBeep(std::uint32_t type) {
    model::Record(impl_->records.MessageBeeps, type);
    Beep();
    return 1;
}

Hwnd QtDesktop::GetDesktopWindow() {
    return impl_->desktopWindow;
}

void QtDesktop::ShellExecuteLater(std::string_view file, std::function<void(std::intptr_t code)> done) {
    if (impl_->shellAnswer) {
        Desktop::ShellExecuteLater(file, std::move(done));  // recorded and answered at once
        return;
    }
    model::Record(impl_->records.ShellRequests, {impl_->desktopWindow, "", std::string(file), "", "", 1});
    if (!impl_->opens)
        impl_->opens = std::make_shared<LaterOpens>();
    impl_->opens->Start(std::string(file), std::move(done));
}

std::intptr_t QtDesktop::ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                       std::string_view parameters, std::string_view directory, std::int32_t showCmd) {
    const auto answer = impl_->RecordShellRequest(
        {owner, std::string(operation), std::string(file), std::string(parameters), std::string(directory), showCmd});
    return answer ? *answer : OpenWithDesktop(file);
}

std::unique_ptr<QtDesktop> CreateQtDesktop(int& argc, char** argv, QtDesktop::Options options) {
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);  // lives until the process ends
    return std::make_unique<QtDesktop>(std::move(options));
}

}  // namespace korvane::tk::qt
