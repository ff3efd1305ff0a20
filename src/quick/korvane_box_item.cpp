// KorvaneBox for Qt Quick (see korvane_box_item.h): the control built on
// the shared Quick desktop and moved into the item, the item's properties
// and methods as calls of the control, and the change signals, emitted
// from a comparison of the control before and after every call and every
// event of the user.
#include "korvane_box_item.h"

#include <QtQml/qqmlinfo.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QPalette>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTimer>
#include <cmath>
#include <tuple>

#include "korvane/errors.h"
#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/quick.h"
#include "korvane/ucvKorvane.h"
#include "qt_widget/find_text.h"
#include "toolkit/qt/conversions.h"

namespace korvane::quick {

namespace {

using tk::qt::AssignFromQ;
using tk::qt::FromQ;
using tk::qt::ToQ;

// Whether a value from JavaScript may be a column's text: a string or a
// number; undefined, null and objects are refused.
bool IsText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
        case QMetaType::Int:
        case QMetaType::Double:
        case QMetaType::LongLong:
            return true;
        default:
            return false;
    }
}

// A text argument from JavaScript into `out` (whose room is used again).
bool TextOf(const QVariant& value, std::string& out) {
    if (!IsText(value))
        return false;
    if (value.typeId() == QMetaType::QString)
        AssignFromQ(*static_cast<const QString*>(value.constData()), out);
    else
        AssignFromQ(value.toString(), out);
    return true;
}

// An item number from JavaScript: a finite number within 32 bits.
bool NumberOf(const QVariant& value, std::int32_t& out) {
    if (value.typeId() == QMetaType::Int) {
        out = *static_cast<const int*>(value.constData());
        return true;
    }
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d != std::floor(d) || d < INT32_MIN || d > INT32_MAX)
        return false;
    out = static_cast<std::int32_t>(d);
    return true;
}

// Keeps a share of the desktop for as long as it lives.
class DesktopShare : public QObject {
public:
    DesktopShare(std::shared_ptr<tk::quick::QuickDesktop> desktop, QObject* parent)
        : QObject(parent), desktop_(std::move(desktop)) {}

private:
    std::shared_ptr<tk::quick::QuickDesktop> desktop_;
};

}  // namespace

KorvaneBox::KorvaneBox(QQuickItem* parent) : QQuickItem(parent) {
    setFlag(ItemHasContents, false);
    // A focus scope: the focus given to the box goes to the part of the
    // control that had it last (at first its first Tab stop).
    setFlag(ItemIsFocusScope, true);
    setActiveFocusOnTab(true);
    desktop_ = tk::quick::QuickDesktop::Shared();
    hostWindow_ = desktop_->AdoptForeignItem(*this, "ThunderForm");
    Build();
}

// The control goes first; the desktop, which may be on the stack below the
// event that destroyed the item, is let go at the next turn of the event
// loop.
//
// The share is held by an object of the application, deleted later: at the
// next turn of the loop, or with the application. (A queued call holding
// it would be destroyed, with the desktop, while Qt clears the posted
// events of an application that ends, where the desktop cannot post the
// deletion of its items.)
KorvaneBox::~KorvaneBox() {
    control_.reset();
    auto* holder = new DesktopShare(std::move(desktop_), QCoreApplication::instance());
    holder->deleteLater();
}

void KorvaneBox::Build() {
    control_.reset();
    Site site;
    site.Name = "KorvaneBox1";
    control_ = std::make_unique<ucvKorvane>(desktop_->HiddenHostForm(), site);
    control_->Advise(this);
    if (style_ == DropdownCombo) {
        control_->InitProperties();
    } else {
        // The style is fixed at run time: a control of another style is
        // made from saved properties, as a form loads it.
        tk::MemoryPropertyBag bag;
        bag.WriteProperty("Style", static_cast<std::int32_t>(style_), std::int32_t{0});
        control_->ReadProperties(bag);
    }
    // A Simple Combo's rows take the height its window leaves under the
    // fields: a new one gets room below them for the list height a new
    // control saves (1800 twips), as a form gives it.
    if (style_ == SimpleCombo) {
        constexpr float kNewListHeight = 1800;
        tk::UserControl& c = control_->Container();
        c.Height(c.Height() + kNewListHeight);
    }
    desktop_->Reparent(control_->Container(), hostWindow_);
    control_->Container().Visible(true);
    control_->Enabled(isEnabled());
    control_->OnHighlighted([this](std::int32_t row) { emit highlighted(row); });
    FocusFirstStop();
    FollowControl();
    Sync();
}

void KorvaneBox::componentComplete() {
    QQuickItem::componentComplete();
    FollowWindow();
    FollowControl();
}

template <class Work>
bool KorvaneBox::Call(const char* what, Work&& work) {
    QPointer<KorvaneBox> self(this);
    bool done = false;
    ++calls_;
    try {
        work();
        done = true;
    } catch (const RuntimeError& e) {
        if (self != nullptr) {
            error_ = e.Number();
            errorText_ = ToQ(e.Description());
            qmlWarning(this) << what << ": " << errorText_ << " (error " << error_ << ")";
        }
    } catch (const std::exception& e) {
        if (self != nullptr)
            qmlWarning(this) << what << ": " << e.what();
    }
    if (self == nullptr)
        return false;
    --calls_;
    if (done && error_ != 0) {
        error_ = 0;
        errorText_.clear();
        emit errorChanged();
        if (self == nullptr)
            return false;
    } else if (!done) {
        emit errorChanged();
        if (self == nullptr)
            return false;
    }
    Sync();
    return done;
}

void KorvaneBox::Sync() {
    if (control_ == nullptr)
        return;
    Snapshot now;
    try {
        now.index = control_->ListIndex();
        now.count = control_->ListCount();
        now.text1 = control_->TextCol(1);
        now.text2 = control_->TextCol(2);
        now.locked = control_->Locked();
        now.autoFill = control_->AutoFill();
        now.width1 = control_->WidthCol1();
        now.width2 = control_->WidthCol2();
        now.topIndex = control_->TopIndex();
    } catch (const RuntimeError&) {
        return;  // a sort under way: read again after it
    }
    const Snapshot was = last_;
    last_ = now;
    QPointer<KorvaneBox> self(this);
    auto emitIf = [&](bool changed, void (KorvaneBox::*signal)()) {
        if (changed && self != nullptr)
            (this->*signal)();
    };
    emitIf(now.count != was.count, &KorvaneBox::countChanged);
    emitIf(now.index != was.index, &KorvaneBox::currentIndexChanged);
    emitIf(now.text1 != was.text1 || now.text2 != was.text2, &KorvaneBox::currentTextChanged);
    if (self != nullptr && now.text1 != was.text1)
        emit editTextChanged(1, ToQ(now.text1));
    if (self != nullptr && now.text2 != was.text2)
        emit editTextChanged(2, ToQ(now.text2));
    emitIf(now.topIndex != was.topIndex, &KorvaneBox::topIndexChanged);
    emitIf(now.locked != was.locked, &KorvaneBox::lockedChanged);
    emitIf(now.autoFill != was.autoFill, &KorvaneBox::autoFillChanged);
    emitIf(now.width1 != was.width1 || now.width2 != was.width2, &KorvaneBox::columnWidthsChanged);
    if (self != nullptr && (now.width1 != was.width1 || now.width2 != was.width2))
        FollowControl();
}

// The item's implicit size is the control's: the columns, the button and
// the closed height (with the list, in a Simple Combo).
void KorvaneBox::FollowControl() {
    if (control_ == nullptr || sizing_)
        return;
    sizing_ = true;
    const tk::UserControl& c = control_->Container();
    const qreal tpp = desktop_->TwipsPerPixelX();
    setImplicitSize(std::round(c.Width() / tpp), std::round(c.Height() / tpp));
    sizing_ = false;
}

// A size a layout gives goes to the control's window, which rescales the
// columns.
void KorvaneBox::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (control_ == nullptr || sizing_ || newGeometry.size() == oldGeometry.size())
        return;
    if (newGeometry.width() <= 0 || newGeometry.height() <= 0)
        return;
    sizing_ = true;
    const float tpp = desktop_->TwipsPerPixelX();
    Call("resize", [&] {
        tk::UserControl& c = control_->Container();
        c.Width(static_cast<float>(newGeometry.width()) * tpp);
        c.Height(static_cast<float>(newGeometry.height()) * tpp);
    });
    sizing_ = false;
}

void KorvaneBox::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickItem::itemChange(change, value);
    if (change == ItemEnabledHasChanged && control_ != nullptr)
        Call("enabled", [&] { control_->Enabled(value.boolValue); });
    if (change == ItemSceneChange) {
        WatchWindow(value.window);
        FollowWindow();
    }
}

// The part that takes the focus when the box gets it: the first part of
// the control that a person can Tab to.
void KorvaneBox::FocusFirstStop() {
    QQuickItem* container = desktop_->ItemOf(control_->Container());
    if (container == nullptr)
        return;
    for (QQuickItem* part : container->childItems()) {
        if (part->activeFocusOnTab() && part->isVisible() && part->isEnabled()) {
            part->setFocus(true);
            return;
        }
    }
    container->setFocus(true);
}

// The focus given to the box (Tab, a click in QML, forceActiveFocus) goes
// on to the control's first stop.
void KorvaneBox::focusInEvent(QFocusEvent* event) {
    QQuickItem::focusInEvent(event);
    if (control_ != nullptr && control_->Container().Visible())
        Call("focus", [&] { control_->Container().SetFocus(); });
}

// --- the control's events -------------------------------------------------------

// A Click no call of the program caused is the user's choice.
void KorvaneBox::Click() {
    QPointer<KorvaneBox> self(this);
    Sync();
    if (self == nullptr || control_ == nullptr)
        return;
    emit clicked();
    if (self == nullptr || calls_ > 0 || control_ == nullptr)
        return;
    emit activated(control_->ListIndex());
}

void KorvaneBox::Filled() {
    QPointer<KorvaneBox> self(this);
    Sync();
    if (self != nullptr && control_ != nullptr)
        emit filled(control_->NewIndex());
}

// A typed character is in the field once the key is over: the text is read
// again then.
void KorvaneBox::KeyUp(std::int16_t&, std::int16_t&) {
    QueueSync();
}

void KorvaneBox::SearchChanged(std::int32_t& matches) {
    emit searchChanged(matches);
}

// --- properties -----------------------------------------------------------------------

KorvaneBox::Style KorvaneBox::boxStyle() const {
    return style_;
}

void KorvaneBox::setBoxStyle(Style style) {
    if (style == style_)
        return;
    if (style < DropdownCombo || style > DropdownList) {
        qmlWarning(this) << "boxStyle: " << static_cast<int>(style) << " is no style";
        return;
    }
    if (isComponentComplete()) {
        qmlWarning(this) << "boxStyle can only be set where the KorvaneBox is declared";
        return;
    }
    style_ = style;
    Build();
    emit boxStyleChanged();
}

int KorvaneBox::currentIndex() const {
    return last_.index;
}

void KorvaneBox::setCurrentIndex(int index) {
    Call("currentIndex", [&] { control_->ListIndex(index); });
}

QString KorvaneBox::currentText() const {
    return ToQ(last_.text1);
}

QVariant KorvaneBox::currentData() const {
    if (last_.index < 0 || control_ == nullptr)
        return {};
    return itemData(last_.index);
}

int KorvaneBox::count() const {
    return last_.count;
}

QString KorvaneBox::text() const {
    if (control_ == nullptr)
        return {};
    try {
        return ToQ(control_->Text());
    } catch (const RuntimeError&) {
        return {};
    }
}

void KorvaneBox::setText(const QString& value) {
    Call("text", [&] { control_->Text(FromQ(value)); });
}

bool KorvaneBox::locked() const {
    return last_.locked;
}

void KorvaneBox::setLocked(bool on) {
    Call("locked", [&] { control_->Locked(on); });
}

bool KorvaneBox::autoFill() const {
    return last_.autoFill;
}

void KorvaneBox::setAutoFill(bool on) {
    Call("autoFill", [&] { control_->AutoFill(on); });
}

int KorvaneBox::column1Width() const {
    return static_cast<int>(std::lround(last_.width1 / static_cast<double>(desktop_->TwipsPerPixelX())));
}

void KorvaneBox::setColumn1Width(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelX();
    Call("column1Width", [&] {
        control_->WidthCol1(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
}

int KorvaneBox::column2Width() const {
    return static_cast<int>(std::lround(last_.width2 / static_cast<double>(desktop_->TwipsPerPixelX())));
}

void KorvaneBox::setColumn2Width(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelX();
    Call("column2Width", [&] {
        control_->WidthCol2(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
}

int KorvaneBox::searchMode() const {
    return control_ != nullptr ? control_->SearchMode() : 0;
}

void KorvaneBox::setSearchMode(int mode) {
    if (mode < INT16_MIN || mode > INT16_MAX) {
        qmlWarning(this) << "searchMode: " << mode << " is no search mode";
        return;
    }
    Call("searchMode", [&] { control_->SearchMode(static_cast<std::int16_t>(mode)); });
}

int KorvaneBox::searchColumns() const {
    return control_ != nullptr ? control_->SearchColumns() : 0;
}

void KorvaneBox::setSearchColumns(int columns) {
    if (columns < INT16_MIN || columns > INT16_MAX) {
        qmlWarning(this) << "searchColumns: " << columns << " names no columns";
        return;
    }
    Call("searchColumns", [&] { control_->SearchColumns(static_cast<std::int16_t>(columns)); });
}

int KorvaneBox::listViewHeight() const {
    if (control_ == nullptr)
        return 0;
    return static_cast<int>(std::lround(control_->ListHeight() / static_cast<double>(desktop_->TwipsPerPixelY())));
}

void KorvaneBox::setListViewHeight(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelY();
    Call("listViewHeight", [&] {
        control_->ListHeight(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
    FollowControl();
}

namespace {
QColor ColorOf(tk::OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}
}  // namespace

QColor KorvaneBox::backColor() const {
    return control_ != nullptr ? ColorOf(control_->Backcolor()) : QColor();
}

void KorvaneBox::setBackColor(const QColor& color) {
    if (!color.isValid()) {
        qmlWarning(this) << "backColor: not a colour";
        return;
    }
    ownBackColor_ = true;
    if (Call("backColor", [&] { control_->Backcolor(tk::Rgb(color.red(), color.green(), color.blue())); }))
        emit colorsChanged();
}

QColor KorvaneBox::foreColor() const {
    return control_ != nullptr ? ColorOf(control_->Forecolor()) : QColor();
}

void KorvaneBox::setForeColor(const QColor& color) {
    if (!color.isValid()) {
        qmlWarning(this) << "foreColor: not a colour";
        return;
    }
    ownForeColor_ = true;
    if (Call("foreColor", [&] { control_->Forecolor(tk::Rgb(color.red(), color.green(), color.blue())); }))
        emit colorsChanged();
}

QFont KorvaneBox::font() const {
    QFont f;
    if (control_ == nullptr)
        return f;
    const tk::FontRef font = control_->Font();
    f.setFamily(ToQ(font->Name));
    if (tk::DrawableSize(*font))
        f.setPointSizeF(font->Size);
    f.setBold(font->Bold);
    f.setItalic(font->Italic);
    f.setUnderline(font->Underline);
    f.setStrikeOut(font->Strikethrough);
    return f;
}

// The control keeps a font object of its own; a size QML leaves unset
// (-1, as for a pixel size) keeps the control's. A font the program sets
// stays the box's own: the window's font no longer reaches it.
void KorvaneBox::setFont(const QFont& f) {
    ownFont_ = true;
    ApplyFont(f);
}

void KorvaneBox::ApplyFont(const QFont& f) {
    auto font = std::make_shared<tk::Font>(*control_->Font());
    if (!f.family().isEmpty())
        font->Name = FromQ(f.family());
    if (f.pointSizeF() > 0)
        font->Size = static_cast<float>(f.pointSizeF());
    font->Bold = f.bold();
    font->Italic = f.italic();
    font->Underline = f.underline();
    font->Strikethrough = f.strikeOut();
    const tk::Font& was = *control_->Font();
    auto fields = [](const tk::Font& x) {
        return std::tie(x.Name, x.Size, x.Bold, x.Italic, x.Underline, x.Strikethrough);
    };
    if (fields(*font) == fields(was))
        return;
    if (Call("font", [&] { control_->Font(font); })) {
        FollowControl();
        emit fontChanged();
    }
}

// --- the window's font and palette ------------------------------------------------------

namespace {

// The window's font: an ApplicationWindow's font property, else the
// application's, as a Text item gets it.
QFont WindowFont(QQuickWindow* window) {
    if (window != nullptr) {
        const QVariant font = window->property("font");
        if (font.typeId() == QMetaType::QFont)
            return font.value<QFont>();
    }
    return QGuiApplication::font();
}

// A colour of the window's palette: an ApplicationWindow's palette
// property (whose groups name their colours), else the application's.
QColor WindowColor(QQuickWindow* window, const char* name, QPalette::ColorRole role) {
    if (window != nullptr) {
        if (auto* palette = window->property("palette").value<QObject*>()) {
            const QVariant color = palette->property(name);
            if (color.typeId() == QMetaType::QColor)
                return color.value<QColor>();
        }
    }
    return QGuiApplication::palette().color(QPalette::Active, role);
}

}  // namespace

// The font and the colours the program did not set come from the window,
// as a Text's do, and follow it when the window's or the application's
// change.
void KorvaneBox::FollowWindow() {
    if (control_ == nullptr)
        return;
    QQuickWindow* w = window();
    if (!ownFont_)
        ApplyFont(WindowFont(w));
    const QColor base = WindowColor(w, "base", QPalette::Base);
    const QColor text = WindowColor(w, "text", QPalette::Text);
    bool changed = false;
    if (!ownBackColor_ && base.isValid() && base != backColor())
        changed |= Call("backColor", [&] { control_->Backcolor(tk::Rgb(base.red(), base.green(), base.blue())); });
    if (!ownForeColor_ && text.isValid() && text != foreColor())
        changed |= Call("foreColor", [&] { control_->Forecolor(tk::Rgb(text.red(), text.green(), text.blue())); });
    if (changed)
        emit colorsChanged();
}

// Watches the window the box is in: an ApplicationWindow's font and
// palette signals, and the application's changes, which reach each window.
void KorvaneBox::WatchWindow(QQuickWindow* w) {
    for (const QMetaObject::Connection& c : windowWatch_)
        disconnect(c);
    windowWatch_.clear();
    if (watchedWindow_ != nullptr)
        watchedWindow_->removeEventFilter(this);
    watchedWindow_ = w;
    if (w == nullptr)
        return;
    w->installEventFilter(this);
    const QMetaObject* meta = w->metaObject();
    const QMetaMethod follow = metaObject()->method(metaObject()->indexOfSlot("followWindow()"));
    for (const char* signal : {"fontChanged()", "paletteChanged()"}) {
        const int index = meta->indexOfSignal(signal);
        if (index >= 0)
            windowWatch_.push_back(connect(w, meta->method(index), this, follow));
    }
    if (auto* palette = w->property("palette").value<QObject*>()) {
        const int index = palette->metaObject()->indexOfSignal("changed()");
        if (index >= 0)
            windowWatch_.push_back(connect(palette, palette->metaObject()->method(index), this, follow));
    }
}

// The window's input may have scrolled the box's lists (its scroll bar, the
// wheel), which the control raises no event for: the box reads itself again
// once the input is handled.
bool KorvaneBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_) {
        switch (event->type()) {
            case QEvent::ApplicationFontChange:
            case QEvent::ApplicationPaletteChange:
                FollowWindow();
                break;
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::KeyRelease:
                QueueSync();
                break;
            default:
                break;
        }
    }
    return QQuickItem::eventFilter(watched, event);
}

void KorvaneBox::QueueSync() {
    if (syncQueued_)
        return;
    syncQueued_ = true;
    QPointer<KorvaneBox> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self == nullptr)
            return;
        self->syncQueued_ = false;
        self->Sync();
    });
}

void KorvaneBox::followWindow() {
    FollowWindow();
}

void KorvaneBox::readAgain() {
    QueueSync();
}

// --- methods --------------------------------------------------------------------------

void KorvaneBox::addItem(const QVariant& column1, const QVariant& column2, const QVariant& id) {
    std::string col1, col2;
    std::int32_t number = 0;
    if (!TextOf(column1, col1) || !TextOf(column2, col2)) {
        qmlWarning(this) << "addItem: the columns must be strings";
        return;
    }
    if (!NumberOf(id, number)) {
        qmlWarning(this) << "addItem: the item number must be a whole number of 32 bits";
        return;
    }
    Call("addItem", [&] { control_->AddItem(col1, col2, number); });
}

namespace {

// One row of addItems: [column1, column2, itemNumber], where column 2 and
// the number may be left out, or column 1's text alone.
struct RowArgs {
    const QVariant* col1 = nullptr;
    const QVariant* col2 = nullptr;
    const QVariant* id = nullptr;
};

bool RowOf(const QVariant& value, RowArgs& row) {
    static const QVariant empty = QString();
    static const QVariant zero = 0;
    if (IsText(value)) {
        row = {&value, &empty, &zero};
        return true;
    }
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    const auto& cells = *static_cast<const QVariantList*>(value.constData());
    if (cells.isEmpty() || cells.size() > 3)
        return false;
    row = {&cells[0], cells.size() > 1 ? &cells[1] : &empty, cells.size() > 2 ? &cells[2] : &zero};
    std::int32_t number = 0;
    return IsText(*row.col1) && IsText(*row.col2) && NumberOf(*row.id, number);
}

}  // namespace

// Every row is checked before the first is added, so a bad row adds none;
// the rows then go in as one call of the program, with one round of change
// signals after the last.
void KorvaneBox::addItems(const QVariantList& rows) {
    std::vector<RowArgs> checked(static_cast<std::size_t>(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!RowOf(rows[i], checked[static_cast<std::size_t>(i)])) {
            qmlWarning(this) << "addItems: row " << i
                             << " is not [column1, column2, itemNumber] with texts and a whole number of 32 bits;"
                                " no row was added";
            return;
        }
    }
    Call("addItems", [&] {
        std::string col1, col2;
        for (const RowArgs& row : checked) {
            std::int32_t number = 0;
            TextOf(*row.col1, col1);
            TextOf(*row.col2, col2);
            NumberOf(*row.id, number);
            control_->AddItem(col1, col2, number);
        }
    });
}

void KorvaneBox::removeItem(int row) {
    Call("removeItem", [&] { control_->RemoveItem(row); });
}

void KorvaneBox::clear() {
    Call("clear", [&] { control_->Clear(); });
}

QString KorvaneBox::itemText(int row, int column) const {
    if (control_ == nullptr || row < 0 || row >= last_.count || (column != 1 && column != 2))
        return {};
    try {
        return ToQ(control_->ListCol(static_cast<std::int16_t>(column), row));
    } catch (const RuntimeError&) {
        return {};
    }
}

QVariant KorvaneBox::itemData(int row) const {
    if (control_ == nullptr || row < 0 || row >= last_.count)
        return {};
    try {
        return control_->ItemData(row);
    } catch (const RuntimeError&) {
        return {};
    }
}

int KorvaneBox::find(const QString& text, int column) const {
    for (int row = 0; row < last_.count; ++row) {
        if (itemText(row, column).compare(text, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

void KorvaneBox::sort(int column, bool numeric) {
    if (column < 1 || column > 3) {
        qmlWarning(this) << "sort: the column must be 1, 2 or 3";
        return;
    }
    Call("sort", [&] { control_->Sort(static_cast<std::int16_t>(column), numeric); });
}

int KorvaneBox::topIndex() const {
    return last_.topIndex;
}

void KorvaneBox::setTopIndex(int row) {
    Call("topIndex", [&] { control_->TopIndex(row); });
}

int KorvaneBox::findText(const QString& text, int column, int flags) const {
    if (control_ == nullptr)
        return -1;
    try {
        return qt::FindText(*control_, text, column, Qt::MatchFlags::fromInt(flags));
    } catch (const RuntimeError&) {
        return -1;
    }
}

void KorvaneBox::setList(int row, const QString& text) {
    Call("setList", [&] { control_->List(row, FromQ(text)); });
}

void KorvaneBox::setItemData(int row, const QVariant& value) {
    std::int32_t number = 0;
    if (!NumberOf(value, number)) {
        qmlWarning(this) << "setItemData: the item number must be a whole number of 32 bits";
        return;
    }
    Call("setItemData", [&] { control_->ItemData(row, number); });
}

void KorvaneBox::about() {
    Call("about", [&] { control_->About(); });
}

void KorvaneBox::refresh() {
    Call("refresh", [&] { control_->Refresh(); });
}

QString KorvaneBox::displayText(int column) const {
    if (column == 1)
        return ToQ(last_.text1);
    if (column == 2)
        return ToQ(last_.text2);
    return {};
}

QString KorvaneBox::errorString() const {
    return errorText_;
}

}  // namespace korvane::quick
