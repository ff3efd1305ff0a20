// The current row and the scroll position: ListIndex, TopIndex, the shown
// texts (Text, TextCol), Locked as read, and showing the current row in the
// fields (edit styles) or the labels (Dropdown List).
#include <string>

#include "control/guards.h"
#include "control/text.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

using detail::Trim;
using detail::TrimLeft;

namespace {
// Entry -1 of a list reads as the empty string; so does an entry the list
// no longer has. Labels show their cell after one blank.
std::string Entry(const tk::ListBox& list, std::int32_t index) {
    if (index < 0 || index >= list.ListCount())
        return "";
    return list.List(index);
}
std::string LabelText(const tk::ListBox& list, std::int32_t index) {
    std::string text(1, ' ');
    text += Entry(list, index);
    return text;
}
}  // namespace

void ucvKorvane::Private::ShowCurrentRow() {
    const std::int32_t c = currentRow;
    // The fields may pass through "both empty" on the way to the row's
    // texts; that is not the user emptying them.
    detail::FlagGuard showing(showingRow);
    switch (style) {
        case StyleType::DropdownCombo:
            if (!window)
                return;
            txtCol1->Text(Entry(window->lstCol1(), c));
            txtCol2->Text(Entry(window->lstCol2(), c));
            break;
        case StyleType::SimpleCombo:
            txtCol1->Text(Entry(*lstCol1a, c));
            txtCol2->Text(Entry(*lstCol2a, c));
            break;
        case StyleType::DropdownList:
            if (!window)
                return;
            lblCol1->Caption(LabelText(window->lstCol1(), c));
            lblCol2->Caption(LabelText(window->lstCol2(), c));
            break;
    }
}

void ucvKorvane::Private::MoveCurrentRowByKey(const ListPair& pair, std::int32_t row) {
    currentRow = row;
    pair.col1->ListIndex(row);
    pair.col2->ListIndex(row);
    ShowCurrentRow();
}

std::int32_t ucvKorvane::ListIndex() const {
    return d->currentRow;
}

void ucvKorvane::ListIndex(std::int32_t New_ListIndex) {
    if (d->RefusedWhileSorting())
        return;
    if (New_ListIndex < -1)
        Raise(ErrorCode::InvalidProcedureCall);
    ListPair pair = d->Pair();
    if (pair && New_ListIndex != -1)
        d->CheckIndexInPair(pair, New_ListIndex);
    d->currentRow = New_ListIndex;
    // Choosing a row ends a search: every row shows again.
    d->EndSearch();
    if (pair) {
        // Each list selects the row, scrolls it into view and reports the
        // change through its own Click.
        pair.col1->ListIndex(New_ListIndex);
        pair.col2->ListIndex(New_ListIndex);
    }
    d->container->PropertyChanged("ListIndex");
    d->ShowCurrentRow();
    if (d->locked)
        return;
    if (!d->RaiseClick())
        return;
    if (d->style == StyleType::DropdownList) {
        d->systemCallResult = d->desktop.GetFocus();
        if (d->systemCallResult == d->container->hWnd())
            d->DrawHighlight();
    }
}

std::int32_t ucvKorvane::TopIndex() const {
    return d->topRow;
}

void ucvKorvane::TopIndex(std::int32_t New_TopIndex) {
    if (d->RefusedWhileSorting())
        return;
    if (New_TopIndex < 0)
        Raise(ErrorCode::InvalidProcedureCall);
    ListPair pair = d->Pair();
    if (pair) {
        d->CheckIndexInPair(pair, New_TopIndex);
        pair.col1->TopIndex(New_TopIndex);
        pair.col2->TopIndex(New_TopIndex);
        // Near the end the list cannot scroll that far; keep what it shows.
        d->topRow = pair.col2->TopIndex();
    }
    d->container->PropertyChanged("TopIndex");
}

std::string ucvKorvane::Text() {
    std::string text;
    if (d->style == StyleType::DropdownList) {
        text = std::string(TrimLeft(d->lblCol1->Caption())) + '\t' + std::string(TrimLeft(d->lblCol2->Caption()));
    } else {
        text = d->txtCol1->Text() + '\t' + d->txtCol2->Text();
    }
    if (Trim(text) == "\t") {
        text.clear();
    } else if (text.back() == '\t') {
        // Column 2 is empty: column 1 alone.
        text.erase(text.find('\t'));
    }
    if (!d->UserMode()) {
        auto tab = text.find('\t');
        if (tab != std::string::npos)
            text[tab] = ';';
    }
    d->lastText = text;
    return text;
}

void ucvKorvane::Text(const std::string& NewValue) {
    if (d->style == StyleType::DropdownList) {
        if (d->UserMode())
            Raise(ErrorCode::ReadOnlyProperty);
        if (!detail::EqualsNoCase(NewValue, d->lastText))
            d->ShowCritical(ErrorDescription(ErrorCode::ReadOnlyProperty));
        return;
    }
    d->lastText = NewValue;
    if (d->style == StyleType::DropdownCombo || d->style == StyleType::SimpleCombo) {
        auto [col1, col2] = detail::SplitRowText(NewValue);
        d->txtCol1->Text(col1);
        d->txtCol2->Text(col2);
    }
    d->container->PropertyChanged("Text");
}

std::string ucvKorvane::TextCol(std::int16_t Col) {
    if (d->RefusedWhileSorting())
        return "";
    if (Col != 1 && Col != 2)
        Raise(ErrorCode::InvalidProcedureCall);
    switch (d->style) {
        case StyleType::DropdownCombo:
        case StyleType::SimpleCombo:
            return Col == 1 ? d->txtCol1->Text() : d->txtCol2->Text();
        case StyleType::DropdownList:
            return std::string(Trim(Col == 1 ? d->lblCol1->Caption() : d->lblCol2->Caption()));
    }
    return "";
}

bool ucvKorvane::Locked() const {
    return d->locked;
}

}  // namespace korvane
