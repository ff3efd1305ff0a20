// The QML KorvaneBox's methods for its rows: adding (one or many at a
// time), removing, reading, finding, writing and sorting them, each one
// call of the control.
#include <vector>

#include "korvane/ucvKorvane.h"
#include "korvane_box_item_p.h"
#include "qt_widget/find_text.h"

namespace korvane::quick {

using detail::FromQ;
using detail::IsText;
using detail::NumberOf;
using detail::TextOf;
using detail::ToQ;

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
