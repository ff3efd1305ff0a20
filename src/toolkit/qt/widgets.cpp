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
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "clock.h"
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
    // In a right-to-left application the control keeps its left-to-right
    // geometry as a whole: columns, button and scroll bars stay where the
    // twips put them, rather than Qt mirroring some of them (the text
    // itself still runs in its own direction).
    w->setLayoutDirection(Qt::LeftToRight);
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

// Puts the Qt widget where the twips say.
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
    // The control's colours are the enabled look; a disabled widget draws
    // in the style's disabled colours, as every other widget of the window.
    QPalette pal = w->palette();
    const QPalette system = QApplication::palette(w);
    const auto set = [&](QPalette::ColorRole role, const QColor& color) {
        pal.setColor(QPalette::Active, role, color);
        pal.setColor(QPalette::Inactive, role, color);
        pal.setColor(QPalette::Disabled, role, system.color(QPalette::Disabled, role));
    };
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        set(role, ToQColor(back));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        set(role, ToQColor(fore));
    // A list's frame is drawn in the window-text colour: the style's frame
    // grey looks like the desktop's own lists.
    if (kind == Kind::ListBox)
        set(QPalette::WindowText, system.color(QPalette::Dark));
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
        // The palette holds the label's colours, and the style's disabled
        // ones while it is disabled.
        const bool fieldLike = node->parent != nullptr && node->parent->kind == Kind::UserControl;
        p.fillRect(rect(), palette().color(fieldLike ? QPalette::Base : QPalette::Window));
        p.setPen(palette().color(fieldLike ? QPalette::Text : QPalette::WindowText));
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
                   oneLine ? Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine
                           : Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
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

QtForm::QtForm(QtDesktop::Impl& d, std::string n) : FormBase(d, std::move(n)) {
    auto* w = new FormWindow(Qt::Window);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    Attach(w);
    if (d.IsToolWindow(name))
        BecomeToolWindow();
}

// A tool window (a combo box's drop-down, which the control marks by its
// role) is borderless and top-most, and does not take the X server's focus:
// the form under it keeps it, as under a combo box's list, and the desktop
// routes the keys to the list that has the focus.
void QtForm::BecomeToolWindow() {
    toolWindow = true;
    QWidget* w = Q();
    if (w == nullptr)
        return;
    const bool shown = w->isVisible();
    w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    if (shown)
        w->show();
}

void QtForm::RoleChanged() {
    Node::RoleChanged();
    if (role == Role::DropDown && !toolWindow)
        BecomeToolWindow();
}

void QtForm::ApplyGeometry() {
    QWidget* w = Q();
    if (w == nullptr || desk == nullptr)
        return;
    w->move(desk->ToPx(left), desk->ToPx(top));
    w->resize(std::max(1, desk->ToPx(width)), std::max(1, desk->ToPx(height)));
}

// A dialog's frame: title and close box only. Qt applies new flags to a
// shown window by hiding it, so a shown form shows again.
void QtForm::DialogChanged() {
    QWidget* w = Q();
    if (w == nullptr || toolWindow)
        return;
    const bool shown = w->isVisible();
    w->setWindowFlags(dialog ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                             : Qt::Window);
    if (shown)
        w->show();
}

void QtForm::CaptionChanged() {
    if (QWidget* w = Q())
        w->setWindowTitle(ToQ(caption));
}

// A tool window remembers the form that was active when it opened.
void QtDesktop::Impl::PresentForm(Node& node, int modal) {
    auto& form = static_cast<QtForm&>(node);
    if (form.toolWindow && active != form.hwnd)
        toolOwners[form.id] = active;
    if (form.toolWindow) {
        Node* from = Get(focus);
        while (from != nullptr && from->kind != Kind::UserControl)
            from = from->parent;
        if (from != nullptr)
            toolControls[from->id] = form.id;
    }
    QWidget* w = form.Q();
    if (w == nullptr)
        return;
    ++settingFocus;
    // Shown modal it blocks every other window, so it must take the keys
    // itself.
    if (modal == Form::Modal && !w->isVisible()) {
        w->setWindowModality(Qt::ApplicationModal);
        if (form.toolWindow)
            w->setWindowFlag(Qt::WindowDoesNotAcceptFocus, false);
    }
    w->show();
    w->raise();
    AccessibleDropDownShown(form);
    // A window shown again right after it hid (a box closed and opened at
    // once) can still be Qt's focus window, whose focus-out the window system
    // reports late: the focus-in that follows is then no change to Qt, and
    // the window would take no keys. It is the active window again now.
    if (w->windowHandle() != nullptr && QGuiApplication::focusWindow() == w->windowHandle() && !w->isActiveWindow()) {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(w);
        QT_WARNING_POP
    }
    --settingFocus;
}

void QtDesktop::Impl::ConcealForm(Node& form) {
    for (const ModalLoop& m : modalLoops) {
        if (m.Form == form.id && m.Loop != nullptr)
            m.Loop->quit();
    }
    if (QWidget* w = form.Q()) {
        ++settingFocus;
        w->hide();
        w->setWindowModality(Qt::NonModal);
        if (static_cast<QtForm&>(form).toolWindow)
            w->setWindowFlag(Qt::WindowDoesNotAcceptFocus, true);
        --settingFocus;
        AccessibleDropDownShown(form);
    }
}

// A tool window hands the activation back to the form it opened from; other
// windows to the form Qt has active, else the newest.
Hwnd QtDesktop::Impl::NextActive(std::uint64_t formId, Hwnd hidden) const {
    if (auto owner = toolOwners.find(formId); owner != toolOwners.end()) {
        if (Node* o = NodeOf(owner->second); o != nullptr && o->visible)
            return o->hwnd;
        // A control embedded in a host's widget opened it: back to that one.
        if (auto f = foreign.find(owner->second);
            f != foreign.end() && f->second.Window && f->second.Window->isVisible())
            return owner->second;
    }
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        Node* n = it->second;
        if (n->kind == Kind::Form && n->visible && n->hwnd != hidden) {
            if (QWidget* w = n->Q(); w != nullptr && w->isActiveWindow())
                return n->hwnd;
        }
    }
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        if (it->second->kind == Kind::Form && it->second->visible && it->second->hwnd != hidden)
            return it->second->hwnd;
    }
    return 0;
}

// The tool windows a hidden form opened close with it.
void QtDesktop::Impl::FormHidden(Hwnd hwnd) {
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
// until the form is hidden, unloaded or destroyed. On the manual clock
// nobody sits at the screen: the loop plays the scripts instead.
void QtDesktop::Impl::RunModal(std::uint64_t formId) {
    if (clock != nullptr && clock->Manual())
        return RunScriptedModal(formId);
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
    // A script given to OnModal and the posted work run from inside the
    // loop, once it turns; what they throw ends the loop and comes out of
    // the modal Show, as it would from a scripted loop.
    std::exception_ptr failed;
    while (waiting()) {
        auto script = std::move(modalScripts.empty() ? std::function<void(Form&)>{} : modalScripts.front());
        if (!modalScripts.empty())
            modalScripts.pop_front();
        QTimer::singleShot(0, &loop, [this, formId, &loop, &failed, script = std::move(script)] {
            try {
                Node* form = Get(formId);
                if (script && form != nullptr && form->visible)
                    script(static_cast<Form&>(*form->self));
                RunPosted();
            } catch (...) {
                failed = std::current_exception();
                HideForm(formId);
                loop.quit();
            }
        });
        loop.exec();
        if (failed)
            std::rethrow_exception(failed);
    }
}

// Each turn runs Qt's pending events, then the model's scripted turn (the
// next script given to OnModal, the posted work, or the stalled loop's
// failure).
void QtDesktop::Impl::RunScriptedModal(std::uint64_t formId) {
    int roundsWithoutScript = 0;
    modalLoops.push_back({formId, nullptr});
    struct Leave {
        std::vector<ModalLoop>& loops;
        ~Leave() { loops.pop_back(); }
    } leave{modalLoops};
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (ScriptedModalTurn(formId, roundsWithoutScript));
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
    auto owner = byDc.find(dc);
    if (auto* control = owner != byDc.end() ? dynamic_cast<QtUserControl*>(Get(owner->second)) : nullptr) {
        if (QWidget* w = control->Q())
            w->update();
        for (Node* child : control->children) {
            if (QWidget* cw = child->Q())
                cw->update();
        }
    }
}

// --- UserControl ----------------------------------------------------------------------

QtUserControl::QtUserControl(QtDesktop::Impl& d, Node& p, std::string n, tk::Ambient a)
    : UserControlBase(d, p, std::move(n), a) {
    d.byDc[dc] = id;
    Attach(new SurfaceWidget(p.Q()));
}

void QtUserControl::PropertyChanged(std::string_view property) {
    if (desk != nullptr)
        model::Record(desk->records.PropertyChanges, {name, std::string(property)});
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

QtLabel::QtLabel(QtDesktop::Impl& d, Node& p, std::string n) : LabelBase(d, p, std::move(n)) {
    Attach(new PassiveWidget(p.Q()));
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

QtImage::QtImage(QtDesktop::Impl& d, Node& p, std::string n) : ImageBase(d, p, std::move(n)) {
    Attach(new PassiveWidget(p.Q()));
}

void QtImage::PictureChanged() {
    if (QWidget* w = Q())
        w->update();
}

// A timer has no Qt object of its own: it is an entry in the desktop's
// clock, so the event loop waits on one Qt timer however many there are.
QtTimer::QtTimer(QtDesktop::Impl& d, Node& p, std::string n) : TimerBase(d, p, std::move(n)) {}

void QtTimer::Reschedule() {
    if (desk == nullptr || desk->clock == nullptr)
        return;
    if (enabled && interval > 0) {
        desk->clock->Schedule(id, interval);
    } else {
        desk->clock->Cancel(id);
    }
}

}  // namespace korvane::tk::qt
