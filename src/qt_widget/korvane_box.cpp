// KorvaneBox, the Qt widget: one control on a desktop of its own, whose
// user control lives inside the widget. The control's host form stays
// hidden; the widget is adopted as the control's parent window, so the
// control sees an ordinary form of ours (its drop-down opens modeless) while
// Qt sees a child widget in the host's layout and focus chain.
//
// Property writes are compared with a snapshot of the control afterwards,
// and the changed values go out as NOTIFY signals; what the user changes
// is noticed after each of the control's events.
#include <QApplication>
#include <QFocusEvent>
#include <QLayout>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "korvane/errors.h"
#include "korvane/qt/KorvaneBox.h"
#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace korvane::qt {

namespace {

std::string Utf8(const QString& s) {
    return s.toStdString();
}

QString FromUtf8(const std::string& s) {
    return QString::fromStdString(s);
}

QColor ToQColor(tk::OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

tk::OleColor FromQColor(const QColor& c) {
    return tk::Rgb(c.red(), c.green(), c.blue());
}

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

// Everything a NOTIFY signal reports, read back from the control.
struct Snapshot {
    int style = 0;
    int listIndex = -1;
    std::string text;
    bool locked = false;
    bool autoFill = false;
    int widthCol1 = 0;
    int widthCol2 = 0;
    int listHeight = 0;
    int topIndex = 0;
    std::string toolTip;
    tk::OleColor back = 0;
    tk::OleColor fore = 0;
};

}  // namespace

struct KorvaneBox::Private final : ucvKorvaneEvents {
    explicit Private(KorvaneBox& owner, bool design) : q(owner), designMode(design) {}

    KorvaneBox& q;
    bool designMode;
    bool shown = false;  // Style is read-only at run time once the form is on the screen
    bool notifyQueued = false;
    int syncing = 0;  // our own resizes of the widget, not the layout's
    // The application's one desktop, shared by all boxes, and its hidden host form.
    std::shared_ptr<tk::qt::QtDesktop> desktop;
    tk::Form* form = nullptr;
    std::unique_ptr<ucvKorvane> control;
    tk::Hwnd hostWindow = 0;
    Snapshot last;

    // How deep the control's events to us are nested. The desktop may be on
    // the stack below them; a widget destroyed inside one lets its share of
    // the desktop go later.
    int inEvent = 0;

    void Build(const tk::PropertyBag* bag);
    void Rebuild(std::optional<StyleType> style);
    Snapshot Take() const;
    void Notify();
    void QueueNotify();
    void Fit();
    float Tpp() const { return static_cast<float>(desktop->TwipsPerPixelX()); }
    int ToPx(float twips) const { return static_cast<int>(std::lround(twips / Tpp())); }
    int ButtonTwips() const { return static_cast<int>(Tpp()) * (desktop->GetSystemMetrics(tk::sm::CxVScroll) + 2); }

    template <class F>
    void Write(const char* name, F&& f) {
        QPointer<KorvaneBox> alive(&q);
        try {
            f();
        } catch (const RuntimeError& e) {
            qWarning("KorvaneBox: %s refused: %s", name, e.what());
        }
        if (alive)
            Notify();
    }
    // A C++ member: the control's error reaches the caller, the signals go
    // out either way.
    template <class F>
    void Set(F&& f) {
        QPointer<KorvaneBox> alive(&q);
        struct After {
            QPointer<KorvaneBox>& alive;
            Private* d;
            ~After() {
                // Also while the control's error unwinds: nothing may escape here.
                try {
                    if (alive)
                        d->Notify();
                } catch (const std::exception& e) {
                    qWarning("KorvaneBox: %s", e.what());
                }
            }
        } after{alive, this};
        f();
    }

    // --- the control's events, as signals ---------------------------------
    template <class F>
    void Raise(F&& emitIt) {
        QPointer<KorvaneBox> alive(&q);
        ++inEvent;
        struct Leave {
            QPointer<KorvaneBox>& alive;
            Private* d;
            ~Leave() {
                if (alive)
                    --d->inEvent;
            }
        } leave{alive, this};
        emitIt();
        if (alive)
            QueueNotify();
    }
    void Click() override {
        Raise([&] { emit q.clicked(); });
    }
    void Filled() override {
        Raise([&] { emit q.filled(); });
    }
    void KeyDown(std::int16_t& code, std::int16_t& shift) override { Key(&KorvaneBox::keyDown, code, shift); }
    void KeyUp(std::int16_t& code, std::int16_t& shift) override { Key(&KorvaneBox::keyUp, code, shift); }
    void KeyPress(std::int16_t& ascii, std::int16_t& col) override {
        KeyPressEvent e{ascii, col};
        Raise([&] { emit q.keyPress(&e); });
        ascii = e.keyAscii;
        col = e.col;
    }
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(&KorvaneBox::mouseDown, b, s, x, y);
    }
    void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(&KorvaneBox::mouseMove, b, s, x, y);
    }
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(&KorvaneBox::mouseUp, b, s, x, y);
    }
    void Key(void (KorvaneBox::*signal)(KeyEvent*), std::int16_t& code, std::int16_t& shift) {
        KeyEvent e{code, shift};
        Raise([&] { emit(q.*signal)(&e); });
        code = e.keyCode;
        shift = e.shift;
    }
    void Mouse(void (KorvaneBox::*signal)(MouseEvent*), std::int16_t& b, std::int16_t& s, float& x, float& y) {
        MouseEvent e{b, s, x, y};
        Raise([&] { emit(q.*signal)(&e); });
        b = e.button;
        s = e.shift;
        x = e.x;
        y = e.y;
    }
};

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
    float natural = static_cast<float>(saved("WidthCol1", 1100) + saved("WidthCol2", 2900)) - 2 * Tpp();
    if (saved("Style", 0) != static_cast<std::int32_t>(StyleType::SimpleCombo))
        natural += static_cast<float>(ButtonTwips());
    if (natural > 0)
        control->Container().Width(natural);
    if (bag != nullptr) {
        control->ReadProperties(*bag);
    } else {
        control->InitProperties();
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
            qWarning("KorvaneBox: the widget's font was refused: %s", e.what());
        }
    }
    control->Enabled(q.isEnabled());
}

// The control made anew from its saved properties (and rows), with another
// style or in another mode.
void KorvaneBox::Private::Rebuild(std::optional<StyleType> style) {
    tk::MemoryPropertyBag bag;
    control->WriteProperties(bag);
    if (style)
        bag.Set("Style", static_cast<std::int32_t>(*style));
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

Snapshot KorvaneBox::Private::Take() const {
    Snapshot s;
    s.style = static_cast<int>(control->Style());
    s.listIndex = control->ListIndex();
    s.text = control->Text();
    s.locked = control->Locked();
    s.autoFill = control->AutoFill();
    s.widthCol1 = control->WidthCol1();
    s.widthCol2 = control->WidthCol2();
    s.listHeight = control->ListHeight();
    s.topIndex = control->TopIndex();
    s.toolTip = control->ToolTipText();
    s.back = control->Backcolor();
    s.fore = control->Forecolor();
    return s;
}

// Emits a signal for each value that changed since the last look. A slot
// may destroy the widget; then nothing more goes out.
void KorvaneBox::Private::Notify() {
    if (!control)
        return;
    Snapshot now;
    try {
        now = Take();
    } catch (const std::exception& e) {
        qWarning("KorvaneBox: %s", e.what());
        return;
    }
    const Snapshot before = last;
    last = now;
    const bool resized = now.style != before.style || now.widthCol1 != before.widthCol1 ||
                         now.widthCol2 != before.widthCol2 || now.listHeight != before.listHeight;
    QPointer<KorvaneBox> alive(&q);
    KorvaneBox* box = &q;
    auto go = [&](bool changed, auto&& emitIt) {
        if (changed && alive)
            emitIt();
    };
    go(now.style != before.style, [&] { emit box->styleChanged(static_cast<Style>(now.style)); });
    go(now.listIndex != before.listIndex, [&] { emit box->listIndexChanged(now.listIndex); });
    go(now.text != before.text, [&] { emit box->textChanged(FromUtf8(now.text)); });
    go(now.locked != before.locked, [&] { emit box->lockedChanged(now.locked); });
    go(now.autoFill != before.autoFill, [&] { emit box->autoFillChanged(now.autoFill); });
    go(now.widthCol1 != before.widthCol1, [&] { emit box->widthCol1Changed(now.widthCol1); });
    go(now.widthCol2 != before.widthCol2, [&] { emit box->widthCol2Changed(now.widthCol2); });
    go(now.listHeight != before.listHeight, [&] { emit box->listHeightChanged(now.listHeight); });
    go(now.topIndex != before.topIndex, [&] { emit box->topIndexChanged(now.topIndex); });
    go(now.toolTip != before.toolTip, [&] { emit box->toolTipTextChanged(FromUtf8(now.toolTip)); });
    go(now.back != before.back, [&] { emit box->backColorChanged(ToQColor(now.back)); });
    go(now.fore != before.fore, [&] { emit box->foreColorChanged(ToQColor(now.fore)); });
    if (resized && alive)
        box->d->Fit();
}

// After the control's events: what the user changed is read once the
// control has finished with the input (a typed character is in the field
// only after KeyPress).
void KorvaneBox::Private::QueueNotify() {
    if (notifyQueued)
        return;
    notifyQueued = true;
    QTimer::singleShot(0, &q, [this] {
        notifyQueued = false;
        Notify();
    });
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

KorvaneBox::KorvaneBox(QWidget* parent) : KorvaneBox(false, parent) {}

KorvaneBox::KorvaneBox(bool designMode, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Private>(*this, designMode)) {
    setFocusPolicy(Qt::ClickFocus);  // not a Tab stop itself: its fields are
    setAttribute(Qt::WA_InputMethodEnabled, false);
    d->desktop = tk::qt::QtDesktop::Shared();
    // The control takes the widget for a form of ours, so its drop-down
    // opens modeless and the rest of the host's window keeps working.
    d->hostWindow = d->desktop->AdoptForeignWindow(*this, "ThunderForm");
    d->Build(nullptr);
    d->last = d->Take();
    d->Fit();
}

// The control goes first (it closes its drop-down and stops its timer);
// the shared host form stays for the other boxes. Inside one of the
// control's events the desktop may still be running below us: if this box
// holds the last share of it, that share is let go once the event has
// returned.
KorvaneBox::~KorvaneBox() {
    d->control.reset();
    d->form = nullptr;
    if (d->inEvent > 0) {
        QTimer::singleShot(0, QCoreApplication::instance(), [desk = std::move(d->desktop)] {});
    } else {
        d->desktop.reset();
    }
}

bool KorvaneBox::designMode() const {
    return d->designMode;
}

void KorvaneBox::setDesignMode(bool on) {
    if (on == d->designMode)
        return;
    d->designMode = on;
    d->Set([&] { d->Rebuild(std::nullopt); });
}

// --- properties -------------------------------------------------------------------------

KorvaneBox::Style KorvaneBox::comboStyle() const {
    return static_cast<Style>(d->control->Style());
}

// At run time the control refuses a new style (it is read with the form);
// until the widget is first shown its form is still being read, so the
// control is made anew with the new style, as a form would load it.
void KorvaneBox::setStyle(Style style) {
    d->Set([&] {
        const auto value = static_cast<StyleType>(style);
        try {
            d->control->Style(value);
        } catch (const RuntimeError& e) {
            if (e.Number() != ErrorNumber(ErrorCode::ReadOnlyProperty) || d->shown)
                throw;
            d->Rebuild(value);
        }
    });
}

int KorvaneBox::listIndex() const {
    return d->control->ListIndex();
}
void KorvaneBox::setListIndex(int index) {
    d->Set([&] { d->control->ListIndex(index); });
}
QString KorvaneBox::text() const {
    return FromUtf8(d->control->Text());
}
void KorvaneBox::setText(const QString& text) {
    d->Set([&] { d->control->Text(Utf8(text)); });
}
bool KorvaneBox::locked() const {
    return d->control->Locked();
}
void KorvaneBox::setLocked(bool locked) {
    d->Set([&] { d->control->Locked(locked); });
}
bool KorvaneBox::autoFill() const {
    return d->control->AutoFill();
}
void KorvaneBox::setAutoFill(bool on) {
    d->Set([&] { d->control->AutoFill(on); });
}
int KorvaneBox::widthCol1() const {
    return d->control->WidthCol1();
}
void KorvaneBox::setWidthCol1(int twips) {
    d->Set([&] { d->control->WidthCol1(twips); });
}
int KorvaneBox::widthCol2() const {
    return d->control->WidthCol2();
}
void KorvaneBox::setWidthCol2(int twips) {
    d->Set([&] { d->control->WidthCol2(twips); });
}
int KorvaneBox::listHeight() const {
    return d->control->ListHeight();
}
void KorvaneBox::setListHeight(int twips) {
    d->Set([&] { d->control->ListHeight(twips); });
}
int KorvaneBox::topIndex() const {
    return d->control->TopIndex();
}
void KorvaneBox::setTopIndex(int index) {
    d->Set([&] { d->control->TopIndex(index); });
}
QString KorvaneBox::toolTipText() const {
    return FromUtf8(d->control->ToolTipText());
}
void KorvaneBox::setToolTipText(const QString& text) {
    d->Set([&] { d->control->ToolTipText(Utf8(text)); });
}
QColor KorvaneBox::backColor() const {
    return ToQColor(d->control->Backcolor());
}
void KorvaneBox::setBackColor(const QColor& color) {
    d->Set([&] { d->control->Backcolor(FromQColor(color)); });
}
QColor KorvaneBox::foreColor() const {
    return ToQColor(d->control->Forecolor());
}
void KorvaneBox::setForeColor(const QColor& color) {
    d->Set([&] { d->control->Forecolor(FromQColor(color)); });
}

void KorvaneBox::writeStyle(Style style) {
    d->Write("style", [&] { setStyle(style); });
}
void KorvaneBox::writeListIndex(int index) {
    d->Write("listIndex", [&] { setListIndex(index); });
}
void KorvaneBox::writeText(const QString& text) {
    d->Write("text", [&] { setText(text); });
}
void KorvaneBox::writeLocked(bool locked) {
    d->Write("locked", [&] { setLocked(locked); });
}
void KorvaneBox::writeAutoFill(bool on) {
    d->Write("autoFill", [&] { setAutoFill(on); });
}
void KorvaneBox::writeWidthCol1(int twips) {
    d->Write("widthCol1", [&] { setWidthCol1(twips); });
}
void KorvaneBox::writeWidthCol2(int twips) {
    d->Write("widthCol2", [&] { setWidthCol2(twips); });
}
void KorvaneBox::writeListHeight(int twips) {
    d->Write("listHeight", [&] { setListHeight(twips); });
}
void KorvaneBox::writeTopIndex(int index) {
    d->Write("topIndex", [&] { setTopIndex(index); });
}
void KorvaneBox::writeToolTipText(const QString& text) {
    d->Write("toolTipText", [&] { setToolTipText(text); });
}
void KorvaneBox::writeBackColor(const QColor& color) {
    d->Write("backColor", [&] { setBackColor(color); });
}
void KorvaneBox::writeForeColor(const QColor& color) {
    d->Write("foreColor", [&] { setForeColor(color); });
}

// --- methods -------------------------------------------------------------------------------

void KorvaneBox::addItem(const QString& col1, const QString& col2, int id) {
    d->Set([&] { d->control->AddItem(Utf8(col1), Utf8(col2), id); });
}
void KorvaneBox::removeItem(int index) {
    d->Set([&] { d->control->RemoveItem(index); });
}
void KorvaneBox::clear() {
    d->Set([&] { d->control->Clear(); });
}
QString KorvaneBox::list(int index) const {
    return FromUtf8(d->control->List(index));
}
void KorvaneBox::setList(int index, const QString& text) {
    d->Set([&] { d->control->List(index, Utf8(text)); });
}
QString KorvaneBox::textCol(int col) const {
    return FromUtf8(d->control->TextCol(static_cast<std::int16_t>(col)));
}
QString KorvaneBox::listCol(int col, int index) const {
    return FromUtf8(d->control->ListCol(static_cast<std::int16_t>(col), index));
}
int KorvaneBox::listCount() const {
    return d->control->ListCount();
}
int KorvaneBox::newIndex() const {
    return d->control->NewIndex();
}
int KorvaneBox::itemData(int index) const {
    return d->control->ItemData(index);
}
void KorvaneBox::setItemData(int index, int value) {
    d->Set([&] { d->control->ItemData(index, value); });
}
void KorvaneBox::sort(int col, bool onNumeric) {
    d->Set([&] { d->control->Sort(static_cast<std::int16_t>(col), onNumeric); });
}
void KorvaneBox::about() {
    d->control->About();
}
void KorvaneBox::refresh() {
    d->control->Refresh();
}

// --- QWidget ---------------------------------------------------------------------------------

QSize KorvaneBox::sizeHint() const {
    const tk::Widget& c = d->control->Container();
    const float border = 2 * d->Tpp();
    float w = static_cast<float>(d->control->WidthCol1() + d->control->WidthCol2()) - border;
    if (d->control->Style() != StyleType::SimpleCombo)
        w += static_cast<float>(d->ButtonTwips());
    return {d->ToPx(w), d->ToPx(c.Height())};
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

void KorvaneBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (d->syncing > 0 || !d->control)
        return;
    QPointer<KorvaneBox> alive(this);
    tk::Widget& c = d->control->Container();
    const float tpp = d->Tpp();
    try {
        c.Width(static_cast<float>(event->size().width()) * tpp);
        c.Height(static_cast<float>(event->size().height()) * tpp);
    } catch (const RuntimeError& e) {
        qWarning("KorvaneBox: the control refused its new size: %s", e.what());
    }
    if (!alive)
        return;
    // The widths the control chose for this size are reported; the layout
    // keeps the size it gave.
    ++d->syncing;
    d->Notify();
    if (alive)
        --d->syncing;
}

void KorvaneBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    d->shown = true;
}

void KorvaneBox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (!d->control)
        return;
    try {
        d->control->Container().SetFocus();
    } catch (const RuntimeError&) {
        // Hidden or disabled: the focus stays where Qt put it.
    }
}

void KorvaneBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (!d || !d->control)
        return;
    try {
        if (event->type() == QEvent::FontChange) {
            d->Set([&] { d->control->Font(ToFont(font())); });
        } else if (event->type() == QEvent::EnabledChange) {
            d->control->Enabled(isEnabled());
        }
    } catch (const RuntimeError& e) {
        qWarning("KorvaneBox: %s", e.what());
    }
}

}  // namespace korvane::qt
