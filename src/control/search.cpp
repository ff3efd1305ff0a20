// Find as you type: the SearchMode and SearchColumns properties, the view
// of matching rows in the style's lists, keeping it in step with the rows,
// the keys that walk the matches, and SearchChanged. With SearchMode 0
// nothing here runs and the index holds no memory.
#include <algorithm>

#include "control/guards.h"
#include "control/navigation.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

using detail::SearchKind;

namespace {

SearchKind KindOf(const ucvKorvane::Private& d) {
    return static_cast<SearchKind>(d.searchMode);
}

}  // namespace

// --- the view ----------------------------------------------------------------------

void ucvKorvane::Private::ApplySearchView() {
    ListPair pair = Pair();
    if (!pair)
        return;
    detail::FlagGuard busy(Busy());
    if (!searchShown) {
        pair.col1->MarkMatches(nullptr);
        pair.col2->MarkMatches(nullptr);
        pair.col1->ShowAll();
        pair.col2->ShowAll();
        return;
    }
    pair.col1->ShowOnly(searchMatches);
    pair.col2->ShowOnly(searchMatches);
    // Each cell marks its own matched parts; only the rows drawn pay.
    const SearchKind kind = KindOf(*this);
    const std::string query = searchQuery;
    auto marker = [kind, query](std::int16_t column, std::int16_t columns) {
        return [kind, query, column, columns](std::string_view text) {
            if ((columns & column) == 0)
                return std::vector<std::pair<std::int32_t, std::int32_t>>{};
            return detail::MatchedSpans(text, query, kind);
        };
    };
    pair.col1->MarkMatches(marker(detail::search_columns::Col1, searchColumns));
    pair.col2->MarkMatches(marker(detail::search_columns::Col2, searchColumns));
}

void ucvKorvane::Private::EndSearch() {
    searchQuery.clear();
    listQuery.clear();
    searchMatches.clear();
    if (!searchShown)
        return;
    searchShown = false;
    ApplySearchView();
}

void ucvKorvane::Private::SearchRowsChanged() {
    if (!searchShown)
        return;
    searchIndex.MarkStale();
    SearchRowsMoved();
}

// The index moved with the rows (a sort): a search on view is found again
// without folding anything anew.
void ucvKorvane::Private::SearchRowsMoved() {
    if (!searchShown)
        return;
    ListPair pair = Pair();
    if (!pair)
        return;
    searchShown = searchIndex.Find(searchQuery, KindOf(*this), searchColumns, *pair.col1, *pair.col2, searchMatches);
    ApplySearchView();
}

void ucvKorvane::Private::SearchRowAdded(std::int32_t row, std::string_view col1, std::string_view col2,
                                         std::int32_t itemData) {
    if (!searchIndex.Built())
        return;
    searchIndex.Append(col1, col2, itemData);
    if (!searchShown)
        return;
    // The new row joins the view when the query finds it: the query is
    // asked of the new row alone.
    ListPair pair = Pair();
    if (pair && searchIndex.RowMatches(row, searchQuery, KindOf(*this), searchColumns, *pair.col1, *pair.col2)) {
        searchMatches.push_back(row);
        ApplySearchView();
    }
}

void ucvKorvane::Private::SearchRowRemoved(std::int32_t row) {
    if (!searchIndex.Built())
        return;
    searchIndex.Remove(row);
    if (!searchShown)
        return;
    // The lists took the row out of their view themselves.
    auto it = std::lower_bound(searchMatches.begin(), searchMatches.end(), row);
    if (it != searchMatches.end() && *it == row)
        it = searchMatches.erase(it);
    for (; it != searchMatches.end(); ++it)
        --*it;
}

void ucvKorvane::Private::SearchRowReplaced(std::int32_t row) {
    if (!searchIndex.Built())
        return;
    ListPair pair = Pair();
    if (!pair)
        return;
    searchIndex.Replace(row, pair.col1->EntryText(row), pair.col2->EntryText(row), pair.col1->ItemData(row));
    if (!searchShown)
        return;
    const bool found = searchIndex.RowMatches(row, searchQuery, KindOf(*this), searchColumns, *pair.col1, *pair.col2);
    auto it = std::lower_bound(searchMatches.begin(), searchMatches.end(), row);
    const bool shown = it != searchMatches.end() && *it == row;
    if (found == shown)
        return;
    if (found) {
        searchMatches.insert(it, row);
    } else {
        searchMatches.erase(it);
    }
    ApplySearchView();
}

// --- typing and keys ---------------------------------------------------------------

bool ucvKorvane::Private::SearchTyped(const std::string& query) {
    ListPair pair = Pair();
    if (!Searching() || !pair)
        return true;
    searchQuery = query;
    searchShown = searchIndex.Find(query, KindOf(*this), searchColumns, *pair.col1, *pair.col2, searchMatches);
    if (!searchShown)
        searchQuery.clear();
    {
        detail::FlagGuard busy(Busy());
        pair.col1->ListIndex(-1);
        pair.col2->ListIndex(-1);
    }
    ApplySearchView();
    return RaiseSearchChanged(pair.col1->ShownCount());
}

std::int32_t ucvKorvane::Private::SearchHighlighted() const {
    ListPair pair = Pair();
    if (!pair || !searchShown)
        return -1;
    const std::int32_t row = pair.col1->ListIndex();
    return pair.col1->ShownPosition(row) >= 0 ? row : -1;
}

bool ucvKorvane::Private::SearchNavigate(std::int16_t keyCode) {
    ListPair pair = Pair();
    if (!searchShown || !pair || !detail::IsNavigationKey(keyCode))
        return false;
    const auto next = detail::RowAfterKey(*pair.col1, keyCode, detail::KeysOf::Field);
    if (!next)
        return true;
    // A search's keys only highlight a match; Enter chooses it.
    const std::int32_t row = *next;
    {
        detail::FlagGuard busy(Busy());
        pair.col1->ListIndex(row);
        pair.col2->ListIndex(row);
        if (window && HasDropDownStyle())
            window->TopIndex(pair.col1->TopIndex());
    }
    // The face's ear hears of the highlighted row as the last step.
    if (onHighlighted) {
        auto tell = onHighlighted;
        tell(row);
    }
    return true;
}

bool ucvKorvane::Private::SearchEnterOrEscape(std::int16_t& keyAscii) {
    if (!searchShown)
        return false;
    if (keyAscii == tk::key::Escape) {
        // Every row shows again: the host's count hears of it. The callers
        // return at once, so the control may be gone afterwards.
        keyAscii = 0;
        if (window && window->FlagShowList())
            window->HideChildForm();
        EndSearch();
        RaiseSearchChanged(q.ListCount());
        return true;
    }
    const std::int32_t row = SearchHighlighted();
    if (keyAscii != tk::key::Return || row < 0)
        return false;
    keyAscii = 0;
    if (window && window->FlagShowList())
        window->HideChildForm();
    q.ListIndex(row);
    return true;
}

// --- the properties ----------------------------------------------------------------

std::int16_t ucvKorvane::SearchMode() const {
    return d->searchMode;
}

void ucvKorvane::SearchMode(std::int16_t NewValue) {
    if (!detail::ValidSearchMode(NewValue)) {
        d->RefuseWrite(ErrorCode::ToolkitInvalidPropertyValue);
        return;
    }
    d->searchMode = NewValue;
    if (NewValue == 0) {
        // The drop-down a search opened closes with it.
        if (d->window && d->window->StaysOpen())
            d->window->HideChildForm();
        d->EndSearch();
        d->searchIndex.Drop();
    } else if (d->searchShown) {
        // A query on view is found again the new way.
        d->SearchRowsChanged();
    }
    d->container->PropertyChanged("SearchMode");
}

std::int16_t ucvKorvane::SearchColumns() const {
    return d->searchColumns;
}

void ucvKorvane::SearchColumns(std::int16_t NewValue) {
    if (!detail::ValidSearchColumns(NewValue)) {
        d->RefuseWrite(ErrorCode::ToolkitInvalidPropertyValue);
        return;
    }
    d->searchColumns = NewValue;
    d->SearchRowsChanged();
    d->container->PropertyChanged("SearchColumns");
}

std::int32_t ucvKorvane::SearchMatches() {
    ListPair pair = d->Pair();
    if (!pair)
        return 0;
    return d->searchShown ? pair.col1->ShownCount() : pair.col1->ListCount();
}

}  // namespace korvane
