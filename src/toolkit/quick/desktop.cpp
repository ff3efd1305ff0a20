// The Qt Quick desktop itself: the widget registry and factories, the node
// every widget shares and the item that shows it, the screen, fonts and
// their measurements, the window functions, the records, and the clock
// every timer runs on.
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QPalette>
#include <QQuickWindow>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "../model/fonts.h"
#include "../qt/conversions.h"
#include "korvane/errors.h"
#include "korvane/toolkit/desktop_opener.h"
#include "widget_kinds.h"

Q_LOGGING_CATEGORY(korvaneQuick, "korvane.quick")

namespace korvane::tk::quick {

using qt::ToQ;
using qt::ToQFont;

void Guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        qCWarning(korvaneQuick, "%s", e.what());
    } catch (...) {
        qCWarning(korvaneQuick, "an unknown exception was stopped at the event loop");
    }
}

// --- NodeItem -------------------------------------------------------------------

NodeItem::NodeItem(QuickDesktop::Impl& d, std::uint64_t nodeId) : desk(&d), id(nodeId) {
    setAcceptedMouseButtons(Qt::AllButtons);
    setAcceptHoverEvents(true);
    setAntialiasing(false);
}

Node* NodeItem::Live() const {
    return desk != nullptr ? desk->Get(id) : nullptr;
}

void NodeItem::paint(QPainter* painter) {
    if (Node* node = Live())
        Guarded([&] { node->Paint(*painter); });
}

// A hidden item (a closed drop-down's lists, while rows are added) paints
// when it is shown.
void NodeItem::RequestPaint() {
    if (!isVisible()) {
        staleWhileHidden_ = true;
        return;
    }
    update();
}

void NodeItem::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemVisibleHasChanged && value.boolValue && staleWhileHidden_) {
        staleWhileHidden_ = false;
        update();
    }
}

void NodeItem::Orphan() {
    desk = nullptr;
    setVisible(false);
    setParentItem(nullptr);
    deleteLater();
}

// --- Node ------------------------------------------------------------------------

Node::Node(QuickDesktop::Impl& d, Kind k, std::string n, Node* p, Widget& s) : NodeBase(d, k, std::move(n), p, s) {
    d.Adopt(*this);
}

Node::~Node() {
    if (desk != nullptr)
        desk->Unregister(*this);
    Unlink();
    // Children's items leave this item first, so they go in any order.
    if (item != nullptr) {
        for (QQuickItem* child : item->childItems()) {
            if (auto* other = qobject_cast<NodeItem*>(child))
                other->setParentItem(nullptr);
        }
        item->Orphan();
    }
    if (window != nullptr) {
        window->hide();
        window.release()->deleteLater();
    }
}

void Node::MakeItem(NodeItem* made) {
    item = made != nullptr ? made : new NodeItem(*desk, id);
    item->setParentItem(HolderItem());
    item->setVisible(visible && kind != Kind::Form);
    ApplyGeometry();
}

QQuickItem* Node::HolderItem() const {
    if (foreignParent != 0 && desk != nullptr) {
        auto it = desk->foreign.find(foreignParent);
        if (it != desk->foreign.end())
            return it->second.Item;
    }
    return parent != nullptr ? parent->item.data() : nullptr;
}

void Node::ApplyGeometry() {
    if (item == nullptr || desk == nullptr)
        return;
    const float t = desk->Tpp();
    item->setSize(QSizeF(Px(width, t), Px(GetHeight(), t)));
    if (kind != Kind::Form)
        item->setPosition(QPointF(Px(left, t), Px(top, t)));
}

void Node::SetVisible(bool value) {
    visible = value;
    if (item != nullptr)
        item->setVisible(value);
    if (desk != nullptr)
        desk->CheckFocus();
}

void Node::SetEnabled(bool value) {
    enabled = value;
    if (item != nullptr)
        item->setEnabled(value);
    Update();
    if (desk != nullptr)
        desk->CheckFocus();
}

void Node::SetColors(OleColor backColor, OleColor foreColor) {
    NodeBase::SetColors(backColor, foreColor);
    Update();
}

void Node::SetFont(FontRef value) {
    NodeBase::SetFont(std::move(value));
    Update();
}

void Node::SetToolTip(std::string value) {
    NodeBase::SetToolTip(std::move(value));
}

void Node::Repaint() {
    Update();
}

void Node::Update() const {
    if (item != nullptr)
        item->RequestPaint();
}

// The plain face: the widget's background.
void Node::Paint(QPainter& painter) {
    painter.fillRect(QRectF(0, 0, item->width(), item->height()), qt::ToQColor(back));
}

// --- the desktop's state -------------------------------------------------------------

QuickDesktop::Impl::Impl(QuickDesktop& o) : DesktopModel(o) {
    started.start();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchY();
        if (dpi > 0)
            tpp = static_cast<float>(std::round(1440.0 / dpi));
    }
}

QuickDesktop::Impl::~Impl() {
    wake.stop();
    for (auto& [id, loop] : modalLoops)
        loop->quit();
    // Widgets may outlive the desktop; they must not reach back into it.
    for (auto& [id, node] : nodes) {
        node->desk = nullptr;
        if (node->item != nullptr)
            node->item->desk = nullptr;
    }
}

// No handler runs here: the focus held by the widget, or by one of its
// children, is simply dropped.
void QuickDesktop::Impl::Unregister(Node& node) {
    if (Inside(pressed, node))
        pressed = 0;
    Unschedule(node.id);
    Forget(node);
    if (node.kind == Kind::Form) {
        activations.erase(std::remove(activations.begin(), activations.end(), node.hwnd), activations.end());
        if (auto loop = modalLoops.find(node.id); loop != modalLoops.end())
            loop->second->quit();
    }
}

// The colours of the application's palette, as a person's other windows
// show them.
std::uint32_t QuickDesktop::Impl::SysColor(int index) const {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
        case syscolor::Window:
            return qt::FromQColor(palette.color(QPalette::Base));
        case syscolor::WindowText:
            return qt::FromQColor(palette.color(QPalette::Text));
        case syscolor::Highlight:
            return qt::FromQColor(palette.color(QPalette::Highlight));
        case syscolor::HighlightText:
            return qt::FromQColor(palette.color(QPalette::HighlightedText));
        case 15:  // button face
            return qt::FromQColor(palette.color(QPalette::Button));
        case 16:  // button shadow
            return qt::FromQColor(palette.color(QPalette::Mid));
        case 17:  // grey text
            return qt::FromQColor(palette.color(QPalette::Disabled, QPalette::Text));
        case 18:  // button text
            return qt::FromQColor(palette.color(QPalette::ButtonText));
        case 20:  // button highlight
            return qt::FromQColor(palette.color(QPalette::Light));
        default:
            return qt::FromQColor(palette.color(QPalette::Window));
    }
}

QPointF QuickDesktop::Impl::OriginPx(const Node& node) const {
    const float t = Tpp();
    if (node.kind == Kind::Form)
        return {Px(node.left, t), Px(node.top, t)};
    QPointF origin;
    if (node.foreignParent != 0) {
        auto it = foreign.find(node.foreignParent);
        if (it != foreign.end() && it->second.Item != nullptr)
            origin = it->second.Item->mapToGlobal(QPointF(0, 0));
    } else if (node.parent != nullptr) {
        origin = OriginPx(*node.parent);
    }
    return origin + QPointF(Px(node.left, t), Px(node.top, t));
}

// Every window sits on whole pixels, as on a real screen.
Rect QuickDesktop::Impl::RectPx(const Node& node) const {
    const QPointF o = OriginPx(node);
    const float t = Tpp();
    Rect r;
    r.Left = static_cast<std::int32_t>(std::floor(o.x() + 0.5));
    r.Top = static_cast<std::int32_t>(std::floor(o.y() + 0.5));
    r.Right = r.Left + static_cast<std::int32_t>(Px(node.width, t));
    r.Bottom = r.Top + static_cast<std::int32_t>(Px(node.GetHeight(), t));
    return r;
}

float QuickDesktop::Impl::LineHeightPx(const Font& font) const {
    return lines.HeightPx(font);
}

float QuickDesktop::Impl::LineWidthPx(const Font& font, std::string_view line) const {
    return lines.WidthPx(font, line);
}

bool QuickDesktop::Impl::ForeignVisible(Hwnd window) const {
    auto it = foreign.find(window);
    return it != foreign.end() && it->second.Item != nullptr && it->second.Item->isVisible();
}

bool QuickDesktop::Impl::ForeignRect(Hwnd window, Rect& rect) const {
    auto it = foreign.find(window);
    if (it == foreign.end() || it->second.Item == nullptr)
        return false;
    const QQuickItem& item = *it->second.Item;
    const QPointF o = item.mapToGlobal(QPointF(0, 0));
    rect.Left = static_cast<std::int32_t>(std::floor(o.x() + 0.5));
    rect.Top = static_cast<std::int32_t>(std::floor(o.y() + 0.5));
    rect.Right = rect.Left + static_cast<std::int32_t>(std::ceil(item.width()));
    rect.Bottom = rect.Top + static_cast<std::int32_t>(std::ceil(item.height()));
    return true;
}

std::string QuickDesktop::Impl::ForeignClass(Hwnd window) const {
    auto it = foreign.find(window);
    return it != foreign.end() ? it->second.ClassName : std::string();
}

Rect QuickDesktop::Impl::ScreenRect() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {0, 0, 1024, 768};
    const QRect g = screen->geometry();
    return {g.left(), g.top(), g.right() + 1, g.bottom() + 1};
}

// --- the clock ---------------------------------------------------------------------

void QuickDesktop::Impl::Schedule(std::uint64_t timer, std::int64_t due) {
    Unschedule(timer);
    schedule.emplace(due, timer);
    Rearm();
}

void QuickDesktop::Impl::Unschedule(std::uint64_t timer) {
    for (auto it = schedule.begin(); it != schedule.end(); ++it) {
        if (it->second == timer) {
            schedule.erase(it);
            break;
        }
    }
}

void QuickDesktop::Impl::Rearm() {
    if (schedule.empty() || manualClock) {
        wake.stop();
        return;
    }
    const auto wait = std::max<std::int64_t>(0, schedule.begin()->first - Now());
    wake.start(static_cast<int>(std::min<std::int64_t>(wait, 1 << 30)), Qt::PreciseTimer, this);
}

// The due timers tick in time order; each ticks again one interval after
// its last due time, and ticks missed while the loop was busy are dropped.
// A handler may add, move or remove timers.
void QuickDesktop::Impl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != wake.timerId())
        return;
    const std::int64_t now = Now();
    std::vector<std::uint64_t> due;
    while (!schedule.empty() && schedule.begin()->first <= now) {
        auto first = schedule.begin();
        const std::uint64_t id = first->second;
        std::int64_t next = first->first;
        schedule.erase(first);
        if (auto* timer = dynamic_cast<QuickTimer*>(Get(id)); timer != nullptr && timer->interval > 0) {
            while (next <= now)
                next += timer->interval;
            schedule.emplace(next, id);
            due.push_back(id);
        }
    }
    for (std::uint64_t id : due) {
        if (auto* timer = dynamic_cast<QuickTimer*>(Get(id)))
            Guarded([&] { Fire(*timer, timer->OnTimer); });
    }
    Rearm();
}

// --- QuickDesktop: construction and factories ------------------------------------

namespace {
std::weak_ptr<QuickDesktop>& SharedSlot() {
    static std::weak_ptr<QuickDesktop> shared;
    return shared;
}
}  // namespace

std::shared_ptr<QuickDesktop> QuickDesktop::Shared() {
    if (auto existing = SharedSlot().lock())
        return existing;
    auto made = std::make_shared<QuickDesktop>();
    SharedSlot() = made;
    return made;
}

QuickDesktop::QuickDesktop() : QuickDesktop(Options{}) {}

QuickDesktop::QuickDesktop(Options options) {
    if (qGuiApp == nullptr)
        Raise(ErrorCode::InvalidProcedureCall, "a QGuiApplication must exist before a QuickDesktop");
    impl_ = std::make_unique<Impl>(*this);
    impl_->manualClock = options.ManualClock;
}

// Each tick runs with the clock at its due time; a timer ticks again one
// interval after it. A handler may add, move or remove timers, or destroy
// the desktop's widgets.
void QuickDesktop::Advance(std::int64_t ms) {
    Impl& d = *impl_;
    if (!d.manualClock)
        Raise(ErrorCode::InvalidProcedureCall, "only a manual clock is moved by hand");
    if (ms < 0)
        Raise(ErrorCode::InvalidProcedureCall, "the clock only moves forward");
    if (ms > std::numeric_limits<std::int64_t>::max() - d.manualNow)
        Raise(ErrorCode::Overflow, "the clock cannot move past its last millisecond");
    const std::int64_t end = d.manualNow + ms;
    while (!d.schedule.empty() && d.schedule.begin()->first <= end) {
        auto first = d.schedule.begin();
        const std::int64_t due = first->first;
        const std::uint64_t id = first->second;
        d.schedule.erase(first);
        auto* timer = dynamic_cast<QuickTimer*>(d.Get(id));
        if (timer == nullptr || timer->interval <= 0)
            continue;
        d.manualNow = due;
        if (due <= std::numeric_limits<std::int64_t>::max() - timer->interval)
            d.schedule.emplace(due + timer->interval, id);
        Fire(*timer, timer->OnTimer);
    }
    d.manualNow = end;
}

QuickDesktop::~QuickDesktop() = default;

std::unique_ptr<Form> QuickDesktop::CreateForm(std::string name) {
    return std::make_unique<QuickForm>(*impl_, std::move(name));
}
std::unique_ptr<UserControl> QuickDesktop::CreateUserControl(Widget& parent, std::string name, tk::Ambient ambient) {
    return std::make_unique<QuickUserControl>(*impl_, impl_->OwnNode(parent), std::move(name), ambient);
}
std::unique_ptr<TextBox> QuickDesktop::CreateTextBox(Widget& parent, std::string name) {
    return std::make_unique<QuickTextBox>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Label> QuickDesktop::CreateLabel(Widget& parent, std::string name) {
    return std::make_unique<QuickLabel>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<ListBox> QuickDesktop::CreateListBox(Widget& parent, std::string name) {
    return std::make_unique<QuickListBox>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Image> QuickDesktop::CreateImage(Widget& parent, std::string name) {
    return std::make_unique<QuickImage>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<CommandButton> QuickDesktop::CreateCommandButton(Widget& parent, std::string name) {
    return std::make_unique<QuickCommandButton>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Timer> QuickDesktop::CreateTimer(Widget& parent, std::string name) {
    return std::make_unique<QuickTimer>(*impl_, impl_->OwnNode(parent), std::move(name));
}

// --- screen and application globals ------------------------------------------------

float QuickDesktop::ScreenWidth() const {
    const Rect s = impl_->ScreenRect();
    return static_cast<float>(s.Right - s.Left) * impl_->Tpp();
}
float QuickDesktop::ScreenHeight() const {
    const Rect s = impl_->ScreenRect();
    return static_cast<float>(s.Bottom - s.Top) * impl_->Tpp();
}
std::int16_t QuickDesktop::TwipsPerPixelX() const {
    return static_cast<std::int16_t>(impl_->Tpp());
}
std::int16_t QuickDesktop::TwipsPerPixelY() const {
    return static_cast<std::int16_t>(impl_->Tpp());
}
std::int16_t QuickDesktop::MousePointer() const {
    return impl_->screenPointer;
}

// The busy pointer over the whole application while the control sorts.
void QuickDesktop::MousePointer(std::int16_t value) {
    if (value == impl_->screenPointer)
        return;
    if (impl_->screenPointer == pointer::Hourglass)
        QGuiApplication::restoreOverrideCursor();
    impl_->screenPointer = value;
    if (value == pointer::Hourglass)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

AppInfo QuickDesktop::App() const {
    return impl_->app;
}

// Qt Quick has no message box of its own: the desktop makes one of its own
// widgets, a dialog form with the prompt and an OK button that is its
// default and cancel button, shown modal (Enter, Escape or a click on OK
// closes it).
int QuickDesktop::MsgBox(std::string_view prompt, int style, std::string_view title) {
    if (impl_->recording) {
        impl_->RecordMessageBox(prompt, style, title, impl_->app.Title);
        return impl_->recordedAnswer;
    }
    const float t = impl_->Tpp();
    auto form = CreateForm("KorvaneMessageBox");
    form->Dialog(true);
    form->Caption(title.empty() ? impl_->app.Title : std::string(title));
    auto label = CreateLabel(*form, "lblPrompt");
    label->Caption(std::string(prompt));
    const float margin = 12 * t;
    const float textWidth = std::clamp(form->TextWidth(prompt), 120 * t, ScreenWidth() * 0.8f);
    label->Left(margin);
    label->Top(margin);
    label->Width(textWidth);
    label->Height(form->TextHeight(prompt));
    auto ok = CreateCommandButton(*form, "btnOK");
    ok->Caption("OK");
    ok->Default(true);
    ok->Cancel(true);
    ok->Width(75 * t);
    ok->Height(23 * t);
    ok->Top(label->Top() + label->Height() + margin);
    form->Width(textWidth + 2 * margin);
    ok->Left((form->Width() - ok->Width()) / 2);
    form->Height(ok->Top() + ok->Height() + margin);
    form->Left((ScreenWidth() - form->Width()) / 2);
    form->Top((ScreenHeight() - form->Height()) / 2);
    Form* shown = form.get();
    ok->OnClick = [shown] { shown->Hide(); };
    form->Show(Form::Modal);
    return 1;
}

void QuickDesktop::Beep() {
    ++impl_->beeps;
}

void QuickDesktop::Log(std::string_view message) {
    qCWarning(korvaneQuick, "%s", std::string(message).c_str());
}

void QuickDesktop::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::int64_t QuickDesktop::TickCount() const {
    return impl_->Now();
}

std::uint64_t QuickDesktop::PressCount() const {
    return impl_->presses;
}

// --- window functions ------------------------------------------------------------------

Hwnd QuickDesktop::GetFocus() {
    return impl_->FocusHwnd();
}

std::int32_t QuickDesktop::GetWindowRect(Hwnd window, Rect& rect) {
    return impl_->WindowRect(window, rect);
}

Hwnd QuickDesktop::GetParent(Hwnd window) {
    return impl_->ParentHwnd(window);
}

std::int32_t QuickDesktop::GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) {
    return model::CopyClassName(impl_->ClassOf(window), name, maxCount);
}

// Moves and sizes a window in screen pixels; the stacking only follows a
// form's own window (a drop-down in an overlay is always on top of the
// scene).
std::int32_t QuickDesktop::SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                                        std::int32_t cy, unsigned flags) {
    Node* node = impl_->NodeOf(window);
    if (node == nullptr)
        return impl_->IsForeign(window) ? 1 : 0;
    const std::uint64_t id = node->id;
    if (node->kind == Kind::Form && node->window != nullptr) {
        if (insertAfter == hwnd::TopMost || insertAfter == hwnd::NoTopMost)
            node->window->setFlag(Qt::WindowStaysOnTopHint, insertAfter == hwnd::TopMost);
        if (insertAfter == hwnd::Top || insertAfter == hwnd::TopMost)
            node->window->raise();
    }
    const float t = impl_->Tpp();
    if ((flags & swp::NoMove) == 0) {
        node->left = static_cast<float>(x) * t;
        node->top = static_cast<float>(y) * t;
        node->ApplyGeometry();
    }
    if ((flags & swp::NoSize) == 0) {
        node->SetWidth(static_cast<float>(cx) * t);
        if (Node* still = impl_->Get(id))
            still->SetHeight(static_cast<float>(cy) * t);
    }
    return 1;
}

std::int32_t QuickDesktop::GetSystemMetrics(int index) {
    const Rect s = impl_->ScreenRect();
    switch (index) {
        case 0:
            return s.Right - s.Left;
        case 1:
            return s.Bottom - s.Top;
        case 2:   // vertical scroll bar width
        case 3:   // horizontal scroll bar height
        case 20:  // vertical scroll arrow height
        case 21:  // horizontal scroll arrow width
            return 12;
        default:
            return 0;
    }
}

std::uint32_t QuickDesktop::GetSysColor(int index) {
    return impl_->SysColor(index);
}

// The same rectangle drawn twice erases it, as an inverting pen does.
std::int32_t QuickDesktop::DrawFocusRect(Hdc dc, const Rect& rect) {
    auto& rects = impl_->focusRects[dc];
    auto it = std::find(rects.begin(), rects.end(), rect);
    if (it != rects.end()) {
        rects.erase(it);
    } else {
        rects.push_back(rect);
    }
    for (auto& [id, node] : impl_->nodes) {
        if (auto* control = dynamic_cast<QuickUserControl*>(node); control != nullptr && control->dc == dc)
            control->Update();
    }
    return 1;
}

std::int32_t QuickDesktop::MessageBeep(std::uint32_t) {
    ++impl_->beeps;
    return 1;
}

Hwnd QuickDesktop::GetDesktopWindow() {
    return impl_->desktopWindow;
}

std::intptr_t QuickDesktop::ShellExecuteA(Hwnd, std::string_view, std::string_view file, std::string_view,
                                          std::string_view, std::int32_t) {
    return tk::OpenWithDesktop(file);
}

// --- for hosts and tests ---------------------------------------------------------------

void QuickDesktop::SetApp(AppInfo app) {
    impl_->app = std::move(app);
}

void QuickDesktop::RecordMessageBoxes(bool on, int answer) {
    impl_->recording = on;
    impl_->recordedAnswer = answer;
}

const std::vector<MessageBoxRecord>& QuickDesktop::MessageBoxes() const {
    return impl_->messageBoxes;
}

std::int32_t QuickDesktop::Beeps() const {
    return impl_->beeps;
}

std::vector<Rect> QuickDesktop::FocusRects(Hdc dc) const {
    auto it = impl_->focusRects.find(dc);
    return it != impl_->focusRects.end() ? it->second : std::vector<Rect>{};
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
