// The shared widget state (Node) and the simpler widget kinds on Qt: forms
// with their load, show, hide and modal loop; the user-control surface with
// its focus rectangles; labels and images drawn by hand; timers. Text boxes
// and list boxes have their own files.
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

// A press on a windowless widget focuses the user control that holds it,
// unless the focus already is inside that control.
void FocusContainer(Node& node) {
    QtDesktop::Impl& d = *node.desk;
    Node* container = node.parent;
    while (container != nullptr && container->kind != Kind::UserControl)
        container = container->parent;
    if (container == nullptr || !d.CanFocus(*container))
        return;
    for (Node* f = d.Get(d.focus); f != nullptr; f = f->parent) {
        if (f == container)
            return;
    }
    d.SetFocusTo(d.FocusTarget(*container));
}

}  // namespace

void PaintFocusRects(QPainter& p, const std::vector<Rect>& rects, QPoint offset) {
    if (rects.empty())
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white);
    pen.setDashPattern({1.0, 1.0});  // every other pixel, as a focus rectangle is dotted
    pen.setWidth(1);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const Rect& r : rects) {
        if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1)
            continue;
        p.drawRect(QRect(r.Left - offset.x(), r.Top - offset.y(), r.Right - r.Left - 1, r.Bottom - r.Top - 1));
    }
    p.restore();
}

// --- Node --------------------------------------------------------------------------

Node::Node(QtDesktop::Impl& d, Kind k, std::string n, Node* p, Widget& s) : NodeBase(d, k, std::move(n), p, s) {
    d.Adopt(*this);
}

void Node::Attach(QObject* created) {
    object = created;
    if (auto* ref = dynamic_cast<Backref*>(created))
        ref->node = this;
    if (desk != nullptr)
        desk->byObject[created] = id;
    QWidget* w = Q();
    if (w == nullptr)
        return;
    w->setObjectName(ToQ(name));
    w->setMouseTracking(true);
    ApplyFont();
    ApplyPalette();
    ApplyGeometry();
    if (kind != Kind::Form)
        w->setVisible(visible);
}

// Parent and children may go in either order. The children's Qt widgets
// are taken out of this one first, so deleting it cannot take them along.
Node::~Node() {
    QtDesktop::Impl* d = desk;
    if (d != nullptr) {
        ++d->settingFocus;
        d->Unregister(*this);
    }
    for (Node* child : children) {
        if (QWidget* cw = child->Q(); cw != nullptr && child->foreignParent == 0) {
            cw->hide();
            cw->setParent(nullptr);
        }
    }
    Unlink();
    if (QObject* o = object.data()) {
        if (auto* ref = dynamic_cast<Backref*>(o))
            ref->node = nullptr;
        if (QWidget* w = Q())
            w->hide();
        if (dispatching > 0) {
            // One of its event handlers is still running: Qt deletes it once
            // that has returned.
            if (QWidget* w = Q())
                w->setParent(nullptr);
            o->deleteLater();
        } else {
            delete o;
        }
    }
    if (d != nullptr)
        --d->settingFocus;
}

void Node::SetWidth(float value) {
    NodeBase::SetWidth(value);
    ApplyGeometry();
}

void Node::SetHeight(float value) {
    NodeBase::SetHeight(value);
    ApplyGeometry();
}

void Node::SetLeft(float value) {
    NodeBase::SetLeft(value);
    ApplyGeometry();
}

void Node::SetTop(float value) {
    NodeBase::SetTop(value);
    ApplyGeometry();
}

void Node::ApplyGeometry() {
    QWidget* w = Q();
    if (w == nullptr || desk == nullptr)
        return;
    w->setGeometry(desk->ToPx(left), desk->ToPx(top), desk->ToPx(width), desk->ToPx(GetHeight()));
}

void Node::SetVisible(bool value) {
    visible = value;
    if (desk == nullptr)
        return;
    if (QWidget* w = Q())
        w->setVisible(value);
    desk->UpdateFocusPolicy(parent);
    desk->CheckFocus();
}

void Node::SetEnabled(bool value) {
    enabled = value;
    if (desk == nullptr)
        return;
    if (QWidget* w = Q())
        w->setEnabled(value);
    desk->UpdateFocusPolicy(parent);
    desk->CheckFocus();
}

void Node::SetFont(FontRef value) {
    NodeBase::SetFont(std::move(value));
    ApplyFont();
}

void Node::SetColors(OleColor b, OleColor f) {
    NodeBase::SetColors(b, f);
    ApplyPalette();
}

void Node::SetToolTip(std::string value) {
    NodeBase::SetToolTip(std::move(value));
    if (QWidget* w = Q())
        w->setToolTip(ToQ(toolTip));
}

void Node::SetPointer(std::int16_t value, PictureRef pointerIcon) {
    NodeBase::SetPointer(value, std::move(pointerIcon));
    ApplyCursor();
}

void Node::Repaint() {
    ApplyFont();
    if (QWidget* w = Q())
        w->update();
}

void Node::ApplyPalette() {
    QWidget* w = Q();
    if (w == nullptr)
        return;
    QPalette pal = w->palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        pal.setColor(role, ToQColor(back));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, ToQColor(fore));
    // A list's frame is drawn in the window-text colour: the style's frame
    // grey looks like the desktop's own lists.
    if (kind == Kind::ListBox)
        pal.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Dark));
    w->setPalette(pal);
    w->update();
}

void Node::ApplyFont() {
    if (QWidget* w = Q(); w != nullptr && font) {
        const QFont f = ToQFont(*font);
        if (w->font() != f)
            w->setFont(f);
    }
}

void Node::ApplyCursor() {
    QWidget* w = Q();
    if (w == nullptr)
        return;
    switch (pointer) {
        case pointer::Hourglass:
            w->setCursor(Qt::WaitCursor);
            break;
        case pointer::Custom:
            w->setCursor(icon && icon->Name.find("Hand") != std::string::npos ? Qt::PointingHandCursor
                                                                              : Qt::ArrowCursor);
            break;
        case 1:
            w->setCursor(Qt::ArrowCursor);
            break;
        case 2:
            w->setCursor(Qt::CrossCursor);
            break;
        case 3:
            w->setCursor(Qt::IBeamCursor);
            break;
        default:
            w->unsetCursor();
            break;
    }
}

// --- Qt widgets ------------------------------------------------------------------------

FormWindow::FormWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

bool FormWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && node != nullptr && node->desk != nullptr)
        Guarded([&] { node->desk->QtActivated(this); });
    return QWidget::event(e);
}

// Closing the window from its title bar is an unload that QueryUnload may
// cancel.
void FormWindow::closeEvent(QCloseEvent* e) {
    if (node == nullptr || node->desk == nullptr || !node->visible)
        return QWidget::closeEvent(e);
    e->ignore();
    Guarded([&] { static_cast<QtForm*>(node)->Unload(); });
}

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    if (node == nullptr || node->desk == nullptr)
        return;
    QPainter p(this);
    auto* control = static_cast<QtUserControl*>(node);
    PaintFocusRects(p, node->desk->focusRects[control->dc], QPoint(0, 0));
}

void SurfaceWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e, [](std::int16_t, std::int16_t) {}, [](std::int16_t, bool) {});
}
void SurfaceWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}
void SurfaceWidget::mousePressEvent(QMouseEvent* e) {
    Mouse(*this, *e, MouseEvent::Down);
}
void SurfaceWidget::mouseMoveEvent(QMouseEvent* e) {
    Mouse(*this, *e, MouseEvent::Move);
}
void SurfaceWidget::mouseReleaseEvent(QMouseEvent* e) {
    Mouse(*this, *e, MouseEvent::Up);
}
void SurfaceWidget::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    FocusIn(*this);
}

PassiveWidget::PassiveWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

namespace {

// The drop-down button: a push button face with the arrow of the desktop
// style, sunken while pressed.
void PaintComboButton(QWidget& w, QPainter& p, bool down) {
    QStyleOptionButton button;
    button.initFrom(&w);
    button.rect = w.rect();
    button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    w.style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &p, &w);
    QStyleOption arrow;
    arrow.initFrom(&w);
    const int side = std::min(w.width(), w.height());
    const int size = std::max(5, side / 2);
    arrow.rect = QRect((w.width() - size) / 2 + (down ? 1 : 0), (w.height() - size) / 2 + (down ? 1 : 0), size, size);
    w.style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &p, &w);
}

}  // namespace

void PassiveWidget::paintEvent(QPaintEvent*) {
    if (node == nullptr || node->desk == nullptr)
        return;
    QPainter p(this);
    if (node->kind == Kind::Label) {
        auto* label = static_cast<QtLabel*>(node);
        p.fillRect(rect(), ToQColor(node->back));
        p.setPen(ToQColor(node->fore));
        p.setFont(ToQFont(*node->font));
        // One line sits inset like the text of an edit field, so a label in
        // a field's place shows its text where the field would; a label of
        // several lines wraps its words from the top.
        QString text = ToQ(label->caption);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
        const bool oneLine = height() < 2 * p.fontMetrics().height();
        // A one-line label on a user control stands in for an edit field
        // (the read-only columns of a list-only combo box) and is framed
        // like one.
        if (oneLine && node->parent != nullptr && node->parent->kind == Kind::UserControl) {
            QStyleOptionFrame frame;
            frame.initFrom(this);
            frame.rect = rect();
            frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
            frame.midLineWidth = 0;
            frame.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &p, this);
        }
        p.drawText(rect().adjusted(oneLine ? 3 : 0, 0, -1, 0),
                   oneLine ? Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine
                           : Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   text);
    } else {
        auto* image = static_cast<QtImage*>(node);
        if (image->picture && image->picture->Name.rfind("Combo", 0) == 0)
            PaintComboButton(*this, p, image->picture->Name == "ComboDown");
    }
    if (auto* control = dynamic_cast<QtUserControl*>(node->parent))
        PaintFocusRects(p, node->desk->focusRects[control->dc], pos());
}

// While a drop-down list is open, a press on the control's button or label
// is for the control to judge (it closes the list): the focus stays put.
void PassiveWidget::mousePressEvent(QMouseEvent* e) {
    if (node != nullptr && node->desk != nullptr && !node->desk->ToolWindowActive()) {
        const std::uint64_t id = node->id;
        QtDesktop::Impl* d = node->desk;
        Guarded([&] { FocusContainer(*node); });
        if (!d->Alive(id))
            return;
    }
    Mouse(*this, *e, MouseEvent::Down);
}
void PassiveWidget::mouseMoveEvent(QMouseEvent* e) {
    Mouse(*this, *e, MouseEvent::Move);
}
void PassiveWidget::mouseReleaseEvent(QMouseEvent* e) {
    Mouse(*this, *e, MouseEvent::Up);
}

// --- Form ----------------------------------------------------------------------------

QtForm::QtForm(QtDesktop::Impl& d, std::string n) : WidgetBase(d, Kind::Form, std::move(n), nullptr) {
    visible = false;
    width = 4800;
    height = 3600;
    toolWindow = d.IsToolWindow(name);
    // A tool window (the drop-down list) does not take the X server's
    // focus: the form under it keeps it, as under a combo box's list, and
    // the desktop routes the keys to the list that has the focus.
    Qt::WindowFlags flags = Qt::Window;
    if (toolWindow)
        flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
    auto* w = new FormWindow(flags);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    Attach(w);
}

void QtForm::ApplyGeometry() {
    QWidget* w = Q();
    if (w == nullptr || desk == nullptr)
        return;
    w->move(desk->ToPx(left), desk->ToPx(top));
    w->resize(std::max(1, desk->ToPx(width)), std::max(1, desk->ToPx(height)));
}

void QtForm::Caption(std::string value) {
    caption = std::move(value);
    if (QWidget* w = Q())
        w->setWindowTitle(ToQ(caption));
}

void QtForm::Load() {
    if (loaded)
        return;
    loaded = true;
    Fire(*this, OnLoad);
}

void QtForm::Unload() {
    if (!loaded || desk == nullptr)
        return;
    QtDesktop::Impl& d = *desk;
    const std::uint64_t me = id;
    std::int16_t cancel = 0;
    if (!Fire(*this, OnQueryUnload, cancel) || cancel != 0)
        return;
    d.HideForm(me);
    if (Node* still = d.Get(me))
        static_cast<QtForm*>(still)->loaded = false;
}

void QtForm::Show(int modal) {
    if (desk != nullptr)
        desk->ShowForm(id, modal);
}

void QtForm::Hide() {
    if (desk != nullptr)
        desk->HideForm(id);
}

void QtForm::SetVisible(bool value) {
    if (value) {
        Show(Modeless);
    } else {
        Hide();
    }
}

void QtDesktop::Impl::ShowForm(std::uint64_t formId, int modal) {
    auto* form = static_cast<QtForm*>(Get(formId));
    if (form == nullptr)
        return;
    if (!form->loaded) {
        form->Load();
        form = static_cast<QtForm*>(Get(formId));
        if (form == nullptr)
            return;
    }
    form->visible = true;
    if (form->toolWindow && active != form->hwnd)
        toolOwners[formId] = active;
    if (QWidget* w = form->Q()) {
        ++settingFocus;
        // Shown modal it blocks every other window, so it must take the
        // keys itself.
        if (modal == Form::Modal && !w->isVisible()) {
            w->setWindowModality(Qt::ApplicationModal);
            if (form->toolWindow)
                w->setWindowFlag(Qt::WindowDoesNotAcceptFocus, false);
        }
        w->show();
        w->raise();
        --settingFocus;
    }
    Activate(form->hwnd, true);
    form = static_cast<QtForm*>(Get(formId));
    if (form == nullptr)
        return;
    PaintTree(*form);
    if (modal == Form::Modal)
        RunModal(formId);
}

// Hiding the active form hands the activation to the top-most visible
// window left, whose last focused widget gets the focus back.
void QtDesktop::Impl::HideForm(std::uint64_t formId) {
    Node* form = Get(formId);
    if (form == nullptr || !form->visible)
        return;
    const Hwnd hwnd = form->hwnd;
    form->visible = false;
    for (const ModalLoop& m : modalLoops) {
        if (m.Form == formId)
            m.Loop->quit();
    }
    if (QWidget* w = form->Q()) {
        ++settingFocus;
        w->hide();
        w->setWindowModality(Qt::NonModal);
        if (static_cast<QtForm*>(form)->toolWindow)
            w->setWindowFlag(Qt::WindowDoesNotAcceptFocus, true);
        --settingFocus;
    }
    if (active == hwnd) {
        // A tool window hands the activation back to the form it opened
        // from; other windows to the form Qt has active, else the newest.
        Hwnd next = 0;
        if (auto owner = toolOwners.find(formId); owner != toolOwners.end()) {
            if (Node* o = NodeOf(owner->second); o != nullptr && o->visible)
                next = o->hwnd;
        }
        for (auto it = nodes.rbegin(); it != nodes.rend() && next == 0; ++it) {
            Node* n = it->second;
            if (n->kind == Kind::Form && n->visible && n->hwnd != hwnd) {
                if (QWidget* w = n->Q(); w != nullptr && w->isActiveWindow())
                    next = n->hwnd;
            }
        }
        for (auto it = nodes.rbegin(); it != nodes.rend() && next == 0; ++it) {
            if (it->second->kind == Kind::Form && it->second->visible && it->second->hwnd != hwnd)
                next = it->second->hwnd;
        }
        Activate(next, true);
    }
    CheckFocus();
    HideOwnedToolWindows(hwnd);
}

void QtDesktop::Impl::HideOwnedToolWindows(Hwnd owner) {
    std::vector<std::uint64_t> owned;
    for (const auto& [tool, by] : toolOwners) {
        if (by == owner && owner != 0)
            owned.push_back(tool);
    }
    for (std::uint64_t tool : owned)
        HideForm(tool);
}

// The nested loop of a modal form: Qt's event loop, timers included, runs
// until the form is hidden, unloaded or destroyed.
void QtDesktop::Impl::RunModal(std::uint64_t formId) {
    QEventLoop loop;
    modalLoops.push_back({formId, &loop});
    struct Leave {
        std::vector<ModalLoop>& loops;
        QEventLoop* loop;
        ~Leave() {
            loops.erase(std::remove_if(loops.begin(), loops.end(), [&](const ModalLoop& m) { return m.Loop == loop; }),
                        loops.end());
        }
    } leave{modalLoops, &loop};
    auto waiting = [&] {
        Node* form = Get(formId);
        return form != nullptr && form->visible;
    };
    while (waiting())
        loop.exec();
}

void QtDesktop::Impl::EraseFocusRects(Hdc dc, const QRect& area) {
    auto it = focusRects.find(dc);
    if (it == focusRects.end())
        return;
    auto& rects = it->second;
    const auto before = rects.size();
    rects.erase(std::remove_if(rects.begin(), rects.end(),
                               [&](const Rect& r) {
                                   return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top).intersects(area);
                               }),
                rects.end());
    if (rects.size() == before)
        return;
    for (auto& [id, node] : nodes) {
        if (auto* control = dynamic_cast<QtUserControl*>(node); control != nullptr && control->dc == dc) {
            if (QWidget* w = control->Q())
                w->update();
            for (Node* child : control->children) {
                if (QWidget* cw = child->Q())
                    cw->update();
            }
        }
    }
}

// --- UserControl ----------------------------------------------------------------------

QtUserControl::QtUserControl(QtDesktop::Impl& d, Node& p, std::string n, tk::Ambient a)
    : WidgetBase(d, Kind::UserControl, std::move(n), &p), dc(d.nextHdc++), ambient(a) {
    width = 2400;
    height = 330;
    Attach(new SurfaceWidget(p.Q()));
}

// Resize is raised at once, inside the write; a handler may write the size
// again, which raises Resize again if it changes.
void QtUserControl::SetWidth(float value) {
    CheckSize(value);
    if (value == width)
        return;
    width = value;
    ApplyGeometry();
    Fire(*this, OnResize);
}

void QtUserControl::SetHeight(float value) {
    CheckSize(value);
    if (value == height)
        return;
    height = value;
    ApplyGeometry();
    Fire(*this, OnResize);
}

void QtUserControl::SetVisible(bool value) {
    const bool wasVisible = visible;
    QtDesktop::Impl* d = desk;
    const std::uint64_t me = id;
    Node::SetVisible(value);
    if (d == nullptr)
        return;
    if (Node* still = d->Get(me); still != nullptr && value && !wasVisible && d->EffectivelyVisible(*still))
        d->PaintTree(*still);
}

// A repaint wipes what was drawn on the surface; Paint draws it again.
void QtUserControl::Repaint() {
    if (desk == nullptr)
        return;
    desk->focusRects.erase(dc);
    Node::Repaint();
    for (Node* child : children) {
        if (QWidget* cw = child->Q())
            cw->update();
    }
    Fire(*this, OnPaint);
}

// --- Label, Image, Timer ----------------------------------------------------------------

QtLabel::QtLabel(QtDesktop::Impl& d, Node& p, std::string n) : WidgetBase(d, Kind::Label, std::move(n), &p) {
    width = 1215;
    height = 255;
    Attach(new PassiveWidget(p.Q()));
}

void QtLabel::Caption(std::string value) {
    if (value == caption)
        return;
    caption = std::move(value);
    Repaint();
}

void QtLabel::SetColors(OleColor b, OleColor f) {
    const bool changed = b != back || f != fore;
    Node::SetColors(b, f);
    if (changed)
        Repaint();
}

// A windowless label is painted on its container: repainting it wipes the
// container's drawing where it lies.
void QtLabel::Repaint() {
    Node::Repaint();
    QWidget* w = Q();
    auto* control = dynamic_cast<QtUserControl*>(parent);
    if (w != nullptr && control != nullptr && desk != nullptr)
        desk->EraseFocusRects(control->dc, w->geometry());
}

QtImage::QtImage(QtDesktop::Impl& d, Node& p, std::string n) : WidgetBase(d, Kind::Image, std::move(n), &p) {
    width = 480;
    height = 480;
    Attach(new PassiveWidget(p.Q()));
}

void QtImage::Picture(PictureRef value) {
    picture = std::move(value);
    if (QWidget* w = Q())
        w->update();
}

QtTimer::QtTimer(QtDesktop::Impl& d, Node& p, std::string n) : WidgetBase(d, Kind::Timer, std::move(n), &p) {
    auto* timer = new QTimer();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [this] { Guarded([&] { Fire(*this, OnTimer); }); });
    Attach(timer);
}

void QtTimer::Interval(std::int32_t value) {
    if (value < 0)
        Raise(ErrorCode::ToolkitInvalidPropertyValue, name);
    interval = value;
    Reschedule();
}

// Enabling a stopped timer starts its count again; enabling a running one
// leaves it alone.
void QtTimer::SetEnabled(bool value) {
    const bool restart = value != enabled || !value;
    enabled = value;
    if (restart)
        Reschedule();
}

void QtTimer::Reschedule() {
    auto* timer = qobject_cast<QTimer*>(object.data());
    if (timer == nullptr)
        return;
    if (enabled && interval > 0 && desk != nullptr) {
        timer->start(interval);
    } else {
        timer->stop();
    }
}

}  // namespace korvane::tk::qt
