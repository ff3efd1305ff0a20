// KorvaneBox, the Qt widget: one control on the application's one Qt
// desktop, whose user control lives inside the widget. The control sits on
// the desktop's hidden host form; the widget is adopted as the control's
// parent window, so the control sees an ordinary form of ours (its drop-down
// opens modeless) while Qt sees a child widget in the host's layout and
// focus chain.
//
// This file builds the control and keeps the widget's size, font, enabled
// state and tool tip in step with it; korvane_box_members.cpp holds the
// widget's members, korvane_box_signals.cpp the change signals and the
// events.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFocusEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "korvane/toolkit/property_bag.h"
#include "korvane_box_p.h"

namespace korvane::qt {

namespace {

tk::FontRef ToFont(const QFont& f) {
    auto font = std::make_shared<tk::Font>();
    font->Name = Utf8(f.family());
    font->Size = f.pointSizeF() > 0 ? static_cast<float>(f.pointSizeF()) : static_cast<float>(f.pixelSize()) * 0.75f;
    font->Bold = f.bold();
    font->Italic = f.italic();
    font->Underline = f.underline();
    font->Strikethrough = f.strikeOut();
    return font;
}

// Whether a layout (or one nested in it) places `w`.
bool LaysOut(const QLayout* layout, const QWidget* w) {
    if (layout == nullptr)
        return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item == nullptr)
            continue;
        if (item->widget() == w || LaysOut(item->layout(), w))
            return true;
    }
    return false;
}

}  // namespace

// Makes the control on the hidden host form and moves its window into the
// widget. A saved state (`bag`) is read back; otherwise the control starts
// as a new one.
void KorvaneBox::Private::Build(const tk::PropertyBag* bag) {
    if (form == nullptr)
        form = &desktop->HiddenHostForm();
    Site site;
    site.Name = "KorvaneBox1";
    site.UserMode = !designMode;
    control = std::make_unique<ucvKorvane>(*form, site);
    control->Advise(this);
    // A host gives a control the extent its columns make before it reads
    // them; a container of another width would rescale them at once.
    auto saved = [&](const char* key, std::int32_t def) {
        const tk::Variant v = bag != nullptr ? bag->ReadProperty(key, def) : tk::Variant(def);
        if (const auto* i = std::get_if<std::int32_t>(&v))
            return *i;
        if (const auto* s = std::get_if<std::int16_t>(&v))
            return static_cast<std::int32_t>(*s);
        return def;
    };
    const float natural = NaturalWidth(saved("WidthCol1", 1100), saved("WidthCol2", 2900),
                                       saved("Style", 0) == static_cast<std::int32_t>(StyleType::SimpleCombo));
    if (natural > 0)
        control->Container().Width(natural);
    if (bag != nullptr) {
        control->ReadProperties(*bag);
    } else {
        control->InitProperties();
    }
    // A Simple Combo's lists take the height its container leaves under the
    // fields; a host gives it the height of its saved list, as a form does.
    if (control->Style() == StyleType::SimpleCombo) {
        const float list = static_cast<float>(saved("ListHeight", 0));
        tk::UserControl& c = control->Container();
        if (list > 0 && c.Height() < list)
            c.Height(c.Height() + list);
    }
    desktop->Reparent(control->Container(), hostWindow);
    if (QWidget* surface = desktop->WidgetOf(control->Container())) {
        // Named by the widget that holds it (a buddy label, for one).
        surface->setAccessibleName(QString());
        surface->show();
    }
    if (bag == nullptr) {
        try {
            control->Font(ToFont(q.font()));
        } catch (const RuntimeError& e) {
            qCWarning(lcKorvaneQt, "the widget's font was refused: %s", e.what());
        }
    }
    control->Enabled(q.isEnabled());
    // The widget's tool tip is the control's: a saved one comes back to the
    // widget, a tip the host gave the widget goes to the new control.
    if (!control->ToolTipText().empty()) {
        q.setToolTip(FromUtf8(control->ToolTipText()));
    } else if (!q.toolTip().isEmpty()) {
        control->ToolTipText(Utf8(q.toolTip()));
    }
    control->OnHighlighted([this](std::int32_t row) { Highlighted(row); });
    WatchParts();
    WatchScrolling();
    UpdateFocusProxy();
}

// The box's first Tab stop stands for the box in the window's tab order, as
// a QComboBox's line edit stands for it: QWidget::setTabOrder (which uic's
// forms call) then moves the box's own stops with it, and Tab and
// Shift+Tab enter and leave the box where the form says.
void KorvaneBox::Private::UpdateFocusProxy() {
    QWidget* first = nullptr;
    for (QWidget* w = q.nextInFocusChain(); w != nullptr && w != &q && first == nullptr; w = w->nextInFocusChain()) {
        if (!q.isAncestorOf(w))
            break;
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isVisibleTo(&q) && w->isEnabledTo(&q))
            first = w;
    }
    if (q.focusProxy() != first)
        q.setFocusProxy(first);
}

// The control made anew from its saved properties (and rows), with another
// style or in another mode.
void KorvaneBox::Private::Rebuild(std::optional<StyleType> style) {
    tk::MemoryPropertyBag bag;
    control->WriteProperties(bag);
    if (style) {
        bag.Set("Style", static_cast<std::int32_t>(*style));
        // A new style is a change of style, not a form read back: as the
        // control's own Style does, Dropdown List takes AutoFill away, having
        // no fields to fill a row from.
        if (*style == StyleType::DropdownList)
            bag.Remove("AutoFill");
    }
    // The chosen row and its text belong to the rows; they are chosen anew
    // below rather than read back without them.
    bag.Remove("ListIndex");
    bag.Remove("Text");
    bag.Remove("List");
    bag.Remove("ItemData");
    bag.Remove("NewIndex");
    std::vector<std::tuple<std::string, std::string, std::int32_t>> rows;
    const std::int32_t count = control->ListCount();
    for (std::int32_t i = 0; i < count; ++i)
        rows.emplace_back(control->ListCol(1, i), control->ListCol(2, i), control->ItemData(i));
    const std::int32_t chosen = control->ListIndex();
    control.reset();
    Build(&bag);
    for (const auto& [col1, col2, id] : rows)
        control->AddItem(col1, col2, id);
    if (chosen >= 0 && chosen < control->ListCount())
        control->ListIndex(chosen);
}

int KorvaneBox::Private::ToPx(float twips) const {
    const double px = std::nearbyint(static_cast<double>(twips) / Tpp());
    return static_cast<int>(std::clamp(px, -double(QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX)));
}

// Pixels past what twips can hold are refused by the control as any other
// out-of-range value would be.
int KorvaneBox::Private::ToTwips(int pixels) const {
    const double twips = static_cast<double>(pixels) * Tpp();
    return static_cast<int>(std::clamp(twips, -2147483648.0, 2147483647.0));
}

int KorvaneBox::Private::ButtonTwips() const {
    return static_cast<int>(Tpp()) * (desktop->GetSystemMetrics(tk::sm::CxVScroll) + 2);
}

float KorvaneBox::Private::NaturalWidth(std::int32_t col1, std::int32_t col2, bool simple) const {
    // In float: widths read from a damaged form may sum past an int.
    float w = static_cast<float>(col1) + static_cast<float>(col2) - 2 * Tpp();
    if (!simple)
        w += static_cast<float>(ButtonTwips());
    return w;
}

float KorvaneBox::Private::NaturalWidth() const {
    return NaturalWidth(control->WidthCol1(), control->WidthCol2(), control->Style() == StyleType::SimpleCombo);
}

// The control decides its own size when its columns, style or font change:
// the layout hears of it, and a widget outside any layout takes that size.
void KorvaneBox::Private::Fit() {
    if (!control)
        return;
    q.setSizePolicy(QSizePolicy::Preferred,
                    control->Style() == StyleType::SimpleCombo ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    q.updateGeometry();
    const QWidget* parent = q.parentWidget();
    if (parent != nullptr && LaysOut(parent->layout(), &q))
        return;
    const tk::Widget& c = control->Container();
    const QSize size(ToPx(c.Width()), ToPx(c.Height()));
    if (size != q.size()) {
        ++syncing;
        q.resize(size);
        --syncing;
    }
}

// --- construction ----------------------------------------------------------------------

Q_LOGGING_CATEGORY(lcKorvaneQt, "korvane.qt")

namespace {

// To a screen reader the combo box is the control inside the box; the box
// itself only holds it, so it is no focus stop of its own (its fields take
// the focus) and offers no actions.
class BoxHolderAccessible : public QAccessibleWidget {
public:
    explicit BoxHolderAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = false;
        s.focused = false;
        return s;
    }
    QStringList actionNames() const override { return {}; }
};

QAccessibleInterface* BoxHolderFactory(const QString& /*className*/, QObject* object) {
    if (auto* box = qobject_cast<KorvaneBox*>(object))
        return new BoxHolderAccessible(box);
    return nullptr;
}

}  // namespace

KorvaneBox::KorvaneBox(QWidget* parent) : KorvaneBox(false, parent) {}

KorvaneBox::KorvaneBox(bool designMode, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Private>(*this, designMode)) {
    setFocusPolicy(Qt::ClickFocus);  // not a Tab stop itself: its fields are
    static std::once_flag holderFactory;
    std::call_once(holderFactory, [] { QAccessible::installFactory(BoxHolderFactory); });
    setAttribute(Qt::WA_InputMethodEnabled, false);
    d->desktop = tk::qt::QtDesktop::Shared();
    // The control takes the widget for a form of ours, so its drop-down
    // opens modeless and the rest of the host's window keeps working.
    d->hostWindow = d->desktop->AdoptForeignWindow(*this, "ThunderForm");
    d->Build(nullptr);
    d->last = d->Take();
    d->Fit();
}

// The control goes first (it closes its drop-down and stops its timer).
// Inside one of the control's events the shared desktop may still be
// running below us: this box's share of it is let go once that has
// returned, so the last box never ends the desktop under its own feet.
KorvaneBox::~KorvaneBox() {
    d->partsFilter.reset();
    d->control.reset();
    d->form = nullptr;
    if (d->inEvent > 0)
        QTimer::singleShot(0, QCoreApplication::instance(), [desk = std::move(d->desktop)] {});
}

bool KorvaneBox::designMode() const {
    return d->designMode;
}

void KorvaneBox::setDesignMode(bool on) {
    if (on == d->designMode)
        return;
    d->designMode = on;
    d->Write("designMode", [&] { d->Rebuild(std::nullopt); });
}

// --- QWidget ---------------------------------------------------------------------------------

// Never more than the screen holds: a window laid out around a box wider
// than any screen would only ask the window system for memory in vain.
QSize KorvaneBox::sizeHint() const {
    const QSize wanted(d->ToPx(d->NaturalWidth()), d->ToPx(d->control->Container().Height()));
    const QScreen* on = screen();
    return on != nullptr ? wanted.boundedTo(on->virtualSize()) : wanted;
}

QSize KorvaneBox::minimumSizeHint() const {
    const tk::Widget& c = d->control->Container();
    const bool simple = d->control->Style() == StyleType::SimpleCombo;
    const float border = 2 * d->Tpp();
    float w = 540 - border;
    if (!simple)
        w += static_cast<float>(d->ButtonTwips());
    float closed = c.Height();
    if (simple)
        closed -= static_cast<float>(d->control->ListHeight());
    // A Simple Combo keeps room for a row or so of its list.
    const float h = simple ? 2 * closed : closed;
    return {d->ToPx(w), d->ToPx(h)};
}

// A width in pixels holds the natural width in twips only to the nearest
// pixel: the widget given the size it asked for hands the control its
// natural width, so merely showing a form never rescales the columns.
void KorvaneBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (d->syncing > 0 || !d->control)
        return;
    QPointer<KorvaneBox> alive(this);
    tk::Widget& c = d->control->Container();
    const float natural = d->NaturalWidth();
    const int widthPx = event->size().width();
    const float width = widthPx == d->ToPx(natural) ? natural : static_cast<float>(widthPx) * d->Tpp();
    try {
        if (std::abs(c.Width() - width) >= 0.5f)
            c.Width(width);
        if (d->ToPx(c.Height()) != event->size().height())
            c.Height(static_cast<float>(event->size().height()) * d->Tpp());
    } catch (const std::exception& e) {
        qCWarning(lcKorvaneQt, "the control refused its new size: %s", e.what());
    }
    if (!alive)
        return;
    // The widths the control chose for this size are reported; the layout
    // keeps the size it gave.
    Nesting ours(*this, d->syncing);
    d->Notify();
}

void KorvaneBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!d->shown && d->control)
        d->FollowPalette();  // a style sheet set before the box was shown
    d->shown = true;
}

void KorvaneBox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (!d->control)
        return;
    try {
        d->control->Container().SetFocus();
    } catch (const std::exception&) {
        // Hidden or disabled: the focus stays where Qt put it.
    }
}

void KorvaneBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (!d || !d->control)
        return;
    if (event->type() == QEvent::FontChange) {
        d->Write(
            "font", [&] { d->control->Font(ToFont(font())); }, Private::Caller::Widget);
    } else if (event->type() == QEvent::EnabledChange) {
        d->Write(
            "enabled", [&] { d->control->Enabled(isEnabled()); }, Private::Caller::Widget);
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        d->FollowPalette();
    }
}

namespace {

// The palette a QLineEdit gets in the box's place: the box's palette with
// any style sheet rule for QLineEdit (on the application, a window or the
// box) applied, as it would reach a QComboBox's editor there.
QPalette LineEditPalette(QWidget& box) {
    QLineEdit probe(&box);
    probe.setAttribute(Qt::WA_DontShowOnScreen);
    probe.ensurePolished();
    return probe.palette();
}

}  // namespace

// A palette, style or style sheet changed while the box exists (a dark
// palette switched on, say): the colours the host did not choose follow
// it, as the fields of any Qt widget do.
void KorvaneBox::Private::FollowPalette() {
    const QPalette pal = LineEditPalette(q);
    const tk::OleColor base = FromQColor(pal.color(QPalette::Active, QPalette::Base));
    const tk::OleColor text = FromQColor(pal.color(QPalette::Active, QPalette::Text));
    if (!hostBackColor && base != control->Backcolor())
        Write(
            "the palette's base", [&] { control->Backcolor(base); }, Caller::Widget);
    if (!hostForeColor && text != control->Forecolor())
        Write(
            "the palette's text", [&] { control->Forecolor(text); }, Caller::Widget);
}

}  // namespace korvane::qt
