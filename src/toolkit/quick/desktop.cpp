// The Qt Quick desktop itself: the node every widget shares and the item
// that shows it, the desktop's state and registry, the screen, fonts and
// their measurements, the factories and the application's globals. The
// window functions are in window_functions.cpp, what hosts and tests ask
// beyond the toolkit interface in host_calls.cpp.
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QPalette>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>

#include "../model/fonts.h"
#include "../qt/conversions.h"
#include "korvane/errors.h"
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

QuickDesktop::Impl::Impl(QuickDesktop& o, const Options& options) : DesktopModel(o) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchY();
        if (dpi > 0)
            tpp = static_cast<float>(std::round(1440.0 / dpi));
    }
    scrollBarPx = std::max<std::int32_t>(1, options.ScrollBarPx);
    clock = new qt::Clock([this](std::uint64_t id) { Tick(id); }, options.ManualClock);
    InstallAccessibleFaces();
    // Told once the state has settled, as the Qt Widgets face is told.
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            QTimer::singleShot(0, this, [this] { Guarded([&] { ApplicationDeactivated(); }); });
    });
}

QuickDesktop::Impl::~Impl() {
    clock->Stop();  // deletes it, or lets it go once its tick has returned
    clock = nullptr;
    for (auto& [id, loop] : modalLoops) {
        if (loop != nullptr)
            loop->quit();
    }
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
    clock->Cancel(node.id);
    Forget(node);
    if (node.kind == Kind::Form) {
        activations.erase(std::remove(activations.begin(), activations.end(), node.hwnd), activations.end());
        if (auto loop = modalLoops.find(node.id); loop != modalLoops.end() && loop->second != nullptr)
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
    impl_ = std::make_unique<Impl>(*this, options);
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
    model::Record(impl_->records.PointerHistory, value);
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

void QuickDesktop::Beep() {
    ++impl_->records.Beeps;
}

void QuickDesktop::Log(std::string_view message) {
    model::Record(impl_->records.Logged, std::string(message));
    qCWarning(korvaneQuick, "%s", std::string(message).c_str());
}

void QuickDesktop::DoEvents() {
    impl_->Pump();
}

std::int64_t QuickDesktop::TickCount() const {
    return impl_->Now();
}

std::uint64_t QuickDesktop::PressCount() const {
    return impl_->presses;
}

}  // namespace korvane::tk::quick
