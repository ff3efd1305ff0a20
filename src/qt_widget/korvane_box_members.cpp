// KorvaneBox's members: the QComboBox-like ones (count, currentIndex,
// currentText, currentData, itemText, findText), the Qt properties in
// pixels, and the control's own members in its units. Each reaches the
// control through Read or Write, so a refused call is logged under
// "korvane.qt", remembered for errorNumber(), and never thrown at a Qt
// program.
#include <cmath>

#include "find_text.h"
#include "korvane_box_p.h"

namespace korvane::qt {

// --- errors ------------------------------------------------------------------------------

void KorvaneBox::Private::Succeeded() const {
    errorNumber = 0;
    errorString.clear();
}

void KorvaneBox::Private::Refused(const char* what, const RuntimeError& e, bool remember) const {
    qCWarning(lcKorvaneQt, "KorvaneBox: %s refused: %s (%d)", what, e.Description().c_str(),
              static_cast<int>(e.Number()));
    if (remember) {
        errorNumber = e.Number();
        errorString = FromUtf8(e.Description());
    }
}

// Not one of the control's numbered errors (memory ran out, a slot threw):
// it is logged and kept as "Internal error" without a number of the control.
void KorvaneBox::Private::Failed(const char* what, const std::exception& e, bool remember) const {
    qCWarning(lcKorvaneQt, "KorvaneBox: %s failed: %s", what, e.what());
    if (remember) {
        errorNumber = -1;
        errorString = QString::fromLocal8Bit(e.what());
    }
}

int KorvaneBox::errorNumber() const {
    return d->errorNumber;
}

QString KorvaneBox::errorString() const {
    return d->errorString;
}

void KorvaneBox::advise(korvane::ucvKorvaneEvents* sink) {
    d->hostSink = sink;
}

// --- as a QComboBox ------------------------------------------------------------------------

int KorvaneBox::count() const {
    return d->Read("count", 0, [&] { return static_cast<int>(d->control->ListCount()); });
}

int KorvaneBox::currentIndex() const {
    return d->control->ListIndex();
}

void KorvaneBox::setCurrentIndex(int index) {
    d->Write("currentIndex", [&] { d->control->ListIndex(index); });
}

QString KorvaneBox::currentText(int column) const {
    return textCol(column);
}

QVariant KorvaneBox::currentData() const {
    const int row = d->control->ListIndex();
    if (row < 0)
        return {};
    return d->Read("currentData", QVariant(), [&] { return QVariant(static_cast<int>(d->control->ItemData(row))); });
}

QString KorvaneBox::itemText(int row, int column) const {
    return listCol(column, row);
}

int KorvaneBox::findText(const QString& text, int column, Qt::MatchFlags flags) const {
    return d->Read("findText", -1, [&] { return FindText(*d->control, text, column, flags); });
}

// --- properties ----------------------------------------------------------------------------

KorvaneBox::Style KorvaneBox::boxStyle() const {
    return static_cast<Style>(d->control->Style());
}

// At run time the control refuses a new style (it is read with the form);
// until the widget is first shown its form is still being read, so the
// control is made anew with the new style, as a form would load it.
void KorvaneBox::setBoxStyle(Style style) {
    d->Write("boxStyle", [&] {
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

QString KorvaneBox::text() const {
    return d->Read("text", QString(), [&] { return FromUtf8(d->control->Text()); });
}
void KorvaneBox::setText(const QString& text) {
    d->Write("text", [&] { d->control->Text(Utf8(text)); });
}
bool KorvaneBox::locked() const {
    return d->control->Locked();
}
void KorvaneBox::setLocked(bool locked) {
    d->Write("locked", [&] { d->control->Locked(locked); });
}
bool KorvaneBox::autoFill() const {
    return d->control->AutoFill();
}
int KorvaneBox::searchMode() const {
    return d->control->SearchMode();
}
void KorvaneBox::setSearchMode(int mode) {
    d->Write("searchMode", [&] {
        // A value beyond 16 bits is as invalid as any other out of range.
        d->control->SearchMode(static_cast<std::int16_t>(mode < -1 || mode > 3 ? -1 : mode));
    });
}
int KorvaneBox::searchColumns() const {
    return d->control->SearchColumns();
}
void KorvaneBox::setSearchColumns(int columns) {
    d->Write("searchColumns",
             [&] { d->control->SearchColumns(static_cast<std::int16_t>(columns < 0 || columns > 7 ? 0 : columns)); });
}
void KorvaneBox::setAutoFill(bool on) {
    d->Write("autoFill", [&] { d->control->AutoFill(on); });
}
int KorvaneBox::column1Width() const {
    return d->ToPx(static_cast<float>(d->control->WidthCol1()));
}
void KorvaneBox::setColumn1Width(int pixels) {
    d->WriteWidth(1, d->ToTwips(pixels));
}
int KorvaneBox::column2Width() const {
    return d->ToPx(static_cast<float>(d->control->WidthCol2()));
}
void KorvaneBox::setColumn2Width(int pixels) {
    d->WriteWidth(2, d->ToTwips(pixels));
}
int KorvaneBox::listViewHeight() const {
    return d->ToPx(static_cast<float>(d->control->ListHeight()));
}
void KorvaneBox::setListViewHeight(int pixels) {
    d->Write("listViewHeight", [&] { d->control->ListHeight(d->ToTwips(pixels)); });
}
QColor KorvaneBox::backColor() const {
    return ToQColor(d->control->Backcolor());
}
void KorvaneBox::setBackColor(const QColor& color) {
    d->hostBackColor = true;
    d->Write("backColor", [&] { d->control->Backcolor(FromQColor(color)); });
}
QColor KorvaneBox::foreColor() const {
    return ToQColor(d->control->Forecolor());
}
void KorvaneBox::setForeColor(const QColor& color) {
    d->hostForeColor = true;
    d->Write("foreColor", [&] { d->control->Forecolor(FromQColor(color)); });
}

void KorvaneBox::Private::WriteWidth(int col, int twips) {
    Write(col == 1 ? "widthCol1" : "widthCol2", [&] {
        const std::int32_t before = col == 1 ? control->WidthCol1() : control->WidthCol2();
        const std::int32_t other = col == 1 ? control->WidthCol2() : control->WidthCol1();
        const std::int32_t smallest = other == 0 ? 270 : 0;
        auto set = [&](std::int32_t v) { col == 1 ? control->WidthCol1(v) : control->WidthCol2(v); };
        set(twips);
        if (designMode && twips < smallest)
            set(before);
    });
}

// --- the control's own members -----------------------------------------------------------

int KorvaneBox::listIndex() const {
    return d->control->ListIndex();
}
void KorvaneBox::setListIndex(int index) {
    d->Write("listIndex", [&] { d->control->ListIndex(index); });
}
int KorvaneBox::widthCol1() const {
    return d->control->WidthCol1();
}
void KorvaneBox::setWidthCol1(int twips) {
    d->WriteWidth(1, twips);
}
int KorvaneBox::widthCol2() const {
    return d->control->WidthCol2();
}
void KorvaneBox::setWidthCol2(int twips) {
    d->WriteWidth(2, twips);
}
int KorvaneBox::listHeight() const {
    return d->control->ListHeight();
}
void KorvaneBox::setListHeight(int twips) {
    d->Write("listHeight", [&] { d->control->ListHeight(twips); });
}
int KorvaneBox::topIndex() const {
    return d->control->TopIndex();
}
void KorvaneBox::setTopIndex(int row) {
    d->Write("topIndex", [&] { d->control->TopIndex(row); });
}
QString KorvaneBox::list(int row) const {
    return d->Read("list", QString(), [&] { return FromUtf8(d->control->List(row)); });
}
QString KorvaneBox::textCol(int col) const {
    return d->Read("textCol", QString(), [&] {
        // The control's column is 16 bits wide: a larger one is no column
        // either, not the column it would wrap to.
        if (col < -32768 || col > 32767)
            korvane::Raise(ErrorCode::InvalidProcedureCall);
        return FromUtf8(d->control->TextCol(static_cast<std::int16_t>(col)));
    });
}
QString KorvaneBox::listCol(int col, int row) const {
    return d->Read("listCol", QString(), [&] {
        if (col < -32768 || col > 32767)
            korvane::Raise(ErrorCode::InvalidProcedureCall);
        return FromUtf8(d->control->ListCol(static_cast<std::int16_t>(col), row));
    });
}
int KorvaneBox::listCount() const {
    return count();
}
int KorvaneBox::newIndex() const {
    return d->control->NewIndex();
}
int KorvaneBox::itemData(int row) const {
    return d->Read("itemData", 0, [&] { return static_cast<int>(d->control->ItemData(row)); });
}

// --- methods -------------------------------------------------------------------------------

void KorvaneBox::addItem(const QString& col1, const QString& col2, int id) {
    d->Write("addItem", [&] { d->control->AddItem(Utf8(col1), Utf8(col2), id); });
}
void KorvaneBox::removeItem(int row) {
    d->Write("removeItem", [&] { d->control->RemoveItem(row); });
}
void KorvaneBox::clear() {
    d->Write("clear", [&] { d->control->Clear(); });
}
void KorvaneBox::setList(int row, const QString& text) {
    d->Write("list", [&] { d->control->List(row, Utf8(text)); });
}
void KorvaneBox::setItemData(int row, int value) {
    d->Write("itemData", [&] { d->control->ItemData(row, value); });
}
void KorvaneBox::sort(int col, bool onNumeric) {
    d->Write("sort", [&] {
        if (col < -32768 || col > 32767)
            korvane::Raise(ErrorCode::InvalidProcedureCall);
        d->control->Sort(static_cast<std::int16_t>(col), onNumeric);
    });
}
void KorvaneBox::about() {
    d->Write("about", [&] { d->control->About(); });
}
void KorvaneBox::refresh() {
    d->Write("refresh", [&] { d->control->Refresh(); });
}

}  // namespace korvane::qt
