// Typing into the two fields: free text drops the current row (with a
// SearchMode set it also shows only the rows it finds), Enter walks from column 1 to column 2, and with
// AutoFill Enter in column 2 appends the typed pair as a new row and raises
// Filled; a pair that the list refuses stays in the fields for the user to
// change. The fields' key and mouse events reach the host as the control's.
#include "control/text.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

using detail::Trim;

void ucvKorvane::Private::ClearCurrentRow() {
    topRow = 0;
    currentRow = -1;
    if (style != StyleType::DropdownCombo && style != StyleType::SimpleCombo)
        return;
    ListPair pair = Pair();
    if (!pair)
        return;
    pair.col1->TopIndex(0);
    pair.col2->TopIndex(0);
    pair.col1->ListIndex(-1);
    pair.col2->ListIndex(-1);
}

namespace {

bool EditStyle(const ucvKorvane::Private& d) {
    return d.style == StyleType::DropdownCombo || d.style == StyleType::SimpleCombo;
}

// Moves the focus to a field that can take it; a hidden or disabled field
// leaves the focus where it is.
void FocusField(tk::TextBox& field) {
    if (field.Visible() && field.Enabled())
        field.SetFocus();
}

void EmptinessRule(ucvKorvane::Private& d) {
    if (d.showingRow)
        return;
    if (d.txtCol1->Text().empty() && d.txtCol2->Text().empty() && !d.autoFill && !d.locked)
        d.ClearCurrentRow();
}

// The user changed a field's text: with a SearchMode set, the rows it finds
// show, in the drop-down (opened without taking the focus from the field)
// or in Simple Combo's lists. Text written by code, or shown for a chosen
// row, searches nothing.
void SearchField(ucvKorvane::Private& d, tk::TextBox& field) {
    if (!d.Searching() || d.showingRow || !EditStyle(d))
        return;
    if (d.locked || !d.UserMode() || d.desktop.GetFocus() != field.hWnd()) {
        // The program rewrote the field the query came from (the host's
        // Text, a sort emptying the fields): the view ends with it.
        if (d.searchShown && d.searchSource == &field) {
            if (d.window && d.window->StaysOpen())
                d.window->HideChildForm();
            d.EndSearch();
        }
        return;
    }
    d.searchSource = &field;
    auto token = d.alive;
    if (!d.SearchTyped(field.Text()) || !*token)
        return;
    if (d.style != StyleType::DropdownCombo || !d.window)
        return;
    if (d.searchShown && !d.window->FlagShowList())
        d.OpenForSearch(field);
    else if (!d.searchShown && d.window->FlagShowList() && d.window->StaysOpen())
        d.window->HideChildForm();
}

void FieldGotFocus(ucvKorvane::Private& d, tk::TextBox& field) {
    // The drop-down a search opened stays open while the user types.
    if (d.searchStaysOpen)
        return;
    if (d.style == StyleType::DropdownCombo && d.window && d.window->FlagShowList() && !d.buttonPressed)
        d.window->HideChildForm();
    field.SelStart(0);
    field.SelLength(static_cast<std::int32_t>(detail::CodePoints(field.Text())));
}

// Appends the typed pair; false when the list refused it (the duplicate
// rule, which has beeped, a sort in progress, which has said so, or a full
// list, whose message is shown here: the error has nobody to go to from a
// key handler): the user keeps what they typed, and the host hears of no
// new row. Also false when the control did not survive the refusal's
// message.
bool AppendTyped(ucvKorvane::Private& d, const std::string& col1, const std::string& col2) {
    auto token = d.alive;
    const std::int32_t before = d.q.ListCount();
    try {
        d.q.AddItem(col1, col2, 0);
    } catch (const RuntimeError& e) {
        d.ShowCritical(e.Description());
        return false;
    }
    return *token && d.q.ListCount() != before;
}

// Enter in column 2 with AutoFill: the typed pair becomes a new row.
void FillRow(ucvKorvane::Private& d, std::int16_t& keyAscii) {
    if (d.locked) {
        keyAscii = 0;
        return;
    }
    auto token = d.alive;
    if (d.widthCol1 != 0) {
        if (!d.autoFill || Trim(d.txtCol1->Text()).empty() || Trim(d.txtCol2->Text()).empty()) {
            FocusField(*d.txtCol1);
            return;
        }
        if (!AppendTyped(d, d.txtCol1->Text(), d.txtCol2->Text())) {
            keyAscii = 0;
            return;
        }
        d.q.TopIndex(d.q.ListCount() - 1);
        d.txtCol1->Text("");
        d.txtCol2->Text("");
        FocusField(*d.txtCol1);
    } else {
        if (!d.autoFill || Trim(d.txtCol2->Text()).empty())
            return;
        if (!AppendTyped(d, "", d.txtCol2->Text())) {
            keyAscii = 0;
            return;
        }
        d.q.TopIndex(d.q.ListCount() - 1);
        d.txtCol2->Text("");
        FocusField(*d.txtCol2);
    }
    if (!*token)
        return;
    d.RaiseFilled();
}

void FieldKeyPress(ucvKorvane::Private& d, std::int16_t column, std::int16_t& keyAscii) {
    if (!d.locked && d.SearchEnterOrEscape(keyAscii))
        return;
    if (keyAscii == tk::key::Return) {
        if (column == 1) {
            keyAscii = 0;
            FocusField(*d.txtCol2);
        } else {
            FillRow(d, keyAscii);
        }
        return;
    }
    if (EditStyle(d)) {
        std::int16_t col = column;  // the host may change its copy; it has no effect
        if (!d.RaiseKeyPress(keyAscii, col))
            return;
    }
    if (d.q.ListCount() == 0 || d.autoFill)
        return;
    // Column 1 keeps the row when the host cancelled the key; column 2
    // drops it whatever the host did.
    if (column == 1 && keyAscii == 0)
        return;
    d.ClearCurrentRow();
}

void WireField(ucvKorvane::Private& d, tk::TextBox& field, std::int16_t column) {
    field.OnChange = [&d, &field] {
        auto token = d.alive;
        EmptinessRule(d);
        if (*token)
            SearchField(d, field);
    };
    field.OnGotFocus = [&d, &field] { FieldGotFocus(d, field); };
    field.OnKeyPress = [&d, column](std::int16_t& keyAscii) { FieldKeyPress(d, column, keyAscii); };
    field.OnKeyUp = [&d](std::int16_t& keyCode, std::int16_t& shift) {
        if (EditStyle(d))
            d.RaiseKeyUp(keyCode, shift);
    };
    field.OnMouseDown = [&d](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        if (EditStyle(d))
            d.RaiseMouseDown(b, s, x, y);
    };
    field.OnMouseMove = [&d](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        if (EditStyle(d))
            d.RaiseMouseMove(b, s, x, y);
    };
    field.OnMouseUp = [&d](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        if (EditStyle(d))
            d.RaiseMouseUp(b, s, x, y);
    };
}

}  // namespace

void ucvKorvane::Private::WireTextEntry() {
    WireField(*this, *txtCol1, 1);
    WireField(*this, *txtCol2, 2);
}

}  // namespace korvane
