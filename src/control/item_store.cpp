// The rows: added, read, changed, numbered and removed in the style's list
// pair (the column-1 list holds the item numbers), with the duplicate rule,
// the row limit and the index errors. The row procedures at the end serve
// the sort, which needs the rows without checks.
#include <string>

#include "control/text.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

using detail::SplitRowText;

// --- row procedures for the sort ------------------------------------------------

void ucvKorvane::Private::AppendRow(const std::string& col1, const std::string& col2, std::int32_t itemData) {
    ListPair pair = Pair();
    if (!pair)
        return;
    pair.col1->AddItem(col1, itemData);
    pair.col2->AddItem(col2);
    rowIndex.Add(col1, col2);
    searchIndex.MarkStale();
}

void ucvKorvane::Private::ClearRows() {
    if (HasDropDownStyle() && window) {
        window->lstCol1().Clear();
        window->lstCol2().Clear();
        window->RowsCleared();
    }
    lblCol1->Caption("");
    lblCol2->Caption("");
    txtCol1->Text("");
    txtCol2->Text("");
    lstCol1a->Clear();
    lstCol2a->Clear();
    rowIndex.Clear();
    searchIndex.Clear();
    searchMatches.clear();
    currentRow = -1;
    topRow = 0;
}

std::string ucvKorvane::Private::RowText(std::int32_t index) {
    ListPair pair = Pair();
    if (!pair)
        return lastRowText;
    lastRowText = pair.col1->List(index) + '\t' + pair.col2->List(index);
    return lastRowText;
}

std::int32_t ucvKorvane::Private::RowItemData(std::int32_t index) {
    ListPair pair = Pair();
    if (!pair)
        return lastItemData;
    lastItemData = pair.col1->ItemData(index);
    return lastItemData;
}

void ucvKorvane::Private::RebuildRowIndex() {
    // Another pair holds the rows: the search index is made again from it
    // when next asked.
    searchIndex.MarkStale();
    rowIndex.Clear();
    ListPair pair = Pair();
    if (!pair)
        return;
    std::int32_t n = pair.col1->ListCount();
    rowIndex.Reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        rowIndex.Add(pair.col1->EntryText(i), pair.col2->EntryText(i));
}

// --- public members -------------------------------------------------------------

void ucvKorvane::AddItem(const std::string& Col1, const std::string& Col2, std::int32_t ID) {
    // The index folds the texts once for the check and the count below.
    d->rowIndex.Prepare(Col1, Col2);
    if (d->RefusedWhileSorting())
        return;
    ListPair pair = d->Pair();
    if (!pair)
        return;
    // The rule applies to whichever pair holds the rows, so the same rows
    // added to any style give the same list.
    if (d->rowIndex.Refuses()) {
        d->desktop.Beep();
        return;
    }
    if (pair.col1->ListCount() >= tk::ListBox::MaxEntries)
        Raise(ErrorCode::ListFull);
    pair.col1->AddItem(Col1, ID);
    try {
        pair.col2->AddItem(Col2);
    } catch (...) {
        // Never leave the two lists out of step.
        pair.col1->RemoveItem(pair.col1->NewIndex());
        throw;
    }
    d->rowIndex.Add();
    d->newestRow = pair.col2->NewIndex();
    d->SearchRowAdded(d->newestRow, Col1, Col2, ID);
}

namespace {

// What a member that names row `index` meets: a sort in progress (the
// member is refused), no lists yet (what a saved form holds stands in), or
// the row in `pair`. Error 5 for an index below 0, 6 past the last row.
enum class RowAccess { Refused, NoList, Row };
RowAccess AccessRow(ucvKorvane::Private& d, std::int32_t index, ListPair& pair) {
    if (d.RefusedWhileSorting())
        return RowAccess::Refused;
    d.CheckIndexNotNegative(index);
    pair = d.Pair();
    if (!pair)
        return RowAccess::NoList;
    d.CheckIndexInPair(pair, index);
    return RowAccess::Row;
}

}  // namespace

void ucvKorvane::RemoveItem(std::int32_t Index) {
    ListPair pair;
    if (AccessRow(*d, Index, pair) != RowAccess::Row)
        return;

    // The index folds the row's texts (read in place) and loads its counts
    // (the slots, then the entries they name) while the lists remove the
    // row: with many rows each is a wait for memory, and these overlap.
    d->rowIndex.Prepare(pair.col1->EntryText(Index), pair.col2->EntryText(Index));
    d->rowIndex.PrefetchSlots();
    pair.col1->RemoveItem(Index);
    d->rowIndex.PrefetchEntries();
    pair.col2->RemoveItem(Index);
    d->rowIndex.Remove();
    d->SearchRowRemoved(Index);
    if (d->HasDropDownStyle() && d->window)
        d->window->RowRemoved(Index);

    if (Index == d->currentRow) {
        if (d->style != StyleType::SimpleCombo) {
            d->lblCol1->Caption("");
            d->lblCol2->Caption("");
        }
        d->txtCol1->Text("");
        d->txtCol2->Text("");
        d->currentRow = -1;
    }
    if (Index < d->currentRow && d->currentRow != -1)
        --d->currentRow;
    // The list knows which row it now shows at the top; lowering the old
    // value blindly could reach -1, a top row no list has.
    d->topRow = pair.col2->TopIndex();
}

void ucvKorvane::Clear() {
    if (d->RefusedWhileSorting())
        return;
    d->ClearRows();
}

std::string ucvKorvane::List(std::int32_t Index) {
    ListPair pair;
    switch (AccessRow(*d, Index, pair)) {
        case RowAccess::Refused:
            return "";
        case RowAccess::NoList:
            return d->lastRowText;
        case RowAccess::Row:
            break;
    }
    return d->RowText(Index);
}

void ucvKorvane::List(std::int32_t Index, const std::string& NewValue) {
    ListPair pair;
    if (AccessRow(*d, Index, pair) != RowAccess::Row)
        return;
    auto [col1, col2] = SplitRowText(NewValue);
    std::string old1 = pair.col1->List(Index);
    std::string old2 = pair.col2->List(Index);
    pair.col1->List(Index, col1);
    pair.col2->List(Index, col2);
    d->rowIndex.Remove(old1, old2);
    d->rowIndex.Add(col1, col2);
    d->SearchRowReplaced(Index);
}

std::string ucvKorvane::ListCol(std::int16_t Col, std::int32_t Index) {
    if (d->RefusedWhileSorting())
        return "";
    d->CheckIndexNotNegative(Index);
    if (Col != 1 && Col != 2)
        Raise(ErrorCode::InvalidProcedureCall);
    ListPair pair = d->Pair();
    if (!pair)
        return "";
    d->CheckIndexInPair(pair, Index);
    return Col == 1 ? pair.col1->List(Index) : pair.col2->List(Index);
}

std::int32_t ucvKorvane::ListCount() {
    ListPair pair = d->Pair();
    if (pair)
        d->storedRowCount = pair.col2->ListCount();
    return d->storedRowCount;
}

void ucvKorvane::ListCount(std::int32_t /*NewValue*/) {
    d->RefuseWrite(ErrorCode::ReadOnlyProperty);
}

std::int32_t ucvKorvane::NewIndex() const {
    return d->newestRow;
}

std::int32_t ucvKorvane::ItemData(std::int32_t Index) {
    ListPair pair;
    switch (AccessRow(*d, Index, pair)) {
        case RowAccess::Refused:
            return 0;
        case RowAccess::NoList:
            return d->lastItemData;
        case RowAccess::Row:
            break;
    }
    return d->RowItemData(Index);
}

void ucvKorvane::ItemData(std::int32_t Index, std::int32_t New_ItemData) {
    if (d->RefusedWhileSorting())
        return;
    d->CheckIndexNotNegative(Index);
    ListPair pair = d->Pair();
    if (pair) {
        d->CheckIndexInPair(pair, Index);
        d->lastItemData = New_ItemData;
        pair.col1->ItemData(Index, New_ItemData);
        d->SearchRowReplaced(Index);
    }
    d->container->PropertyChanged("ItemData");
}

}  // namespace korvane
