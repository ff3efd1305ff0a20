// Keyboard navigation in the three places that take keys: the fields (edit
// styles), the control itself (Dropdown List, whose labels cannot take the
// focus) and the embedded lists (Simple Combo). Up and Down move one row,
// Page Up and Page Down ten; Alt+Down opens the drop-down; Delete drops the
// current row in a field. As on a combo box of the desktop, F4 opens the
// drop-down too, and the closed Dropdown List opens on Space and goes to
// its first and last row on Home and End; these come after the control's
// KeyDown, which may take the key away. With a SearchMode set, the keys
// walk the matches, and in Dropdown List typed letters search as a field's
// text does.
#include "control/navigation.h"
#include "control/ucvKorvane_p.h"
#include "text/utf8.h"

namespace korvane {

using detail::IsListNavigationKey;
using detail::IsNavigationKey;
using detail::KeysOf;
using detail::RowAfterKey;

namespace {

constexpr bool IsAltDown(std::int16_t keyCode, std::int16_t shift) {
    return keyCode == tk::key::Down && shift == tk::shift::Alt;
}

void FieldKeyDown(ucvKorvane::Private& d, std::int16_t column, std::int16_t& keyCode, std::int16_t& shift) {
    if (IsAltDown(keyCode, shift)) {
        if (d.style == StyleType::DropdownCombo)
            d.OpenDropDown();
        keyCode = 0;
        return;
    }
    if (d.style == StyleType::DropdownCombo || d.style == StyleType::SimpleCombo) {
        if (!d.RaiseKeyDown(keyCode, shift))
            return;
    }
    if (keyCode == tk::key::F4 && shift == tk::shift::None) {
        if (d.style == StyleType::DropdownCombo)
            d.OpenDropDown();
        keyCode = 0;
        return;
    }
    if (d.locked)
        return;
    if (d.SearchNavigate(keyCode)) {
        keyCode = 0;
        return;
    }
    ListPair pair = d.Pair();
    if (!pair)
        return;
    if (IsNavigationKey(keyCode)) {
        auto next = RowAfterKey(column == 1 ? *pair.col1 : *pair.col2, keyCode, KeysOf::Field);
        if (!next)
            return;
        keyCode = 0;
        d.MoveCurrentRowByKey(pair, *next);
        // A field's key chooses the row at once: Click, as the host's own choice raises it.
        d.RaiseClick();
    } else if (keyCode == tk::key::Delete) {
        // The field still deletes the character: the key is left as it is.
        d.ClearCurrentRow();
    }
}

void ControlKeyDown(ucvKorvane::Private& d, std::int16_t& keyCode, std::int16_t& shift) {
    if (d.style != StyleType::DropdownList)
        return;
    const std::int16_t arrived = keyCode;
    if (!d.RaiseKeyDown(keyCode, shift))
        return;
    // Space opens the list, unless it goes into a search's query being typed.
    const bool typingQuery = d.Searching() && !d.listQuery.empty();
    const bool space = keyCode == tk::key::Space && shift == tk::shift::None && !typingQuery;
    if (detail::IsOpenKey(keyCode, shift) || space) {
        d.OpenDropDown();
        return;
    }
    if (!d.window)
        return;
    if (!d.locked && d.SearchNavigate(keyCode)) {
        keyCode = 0;
        return;
    }
    const std::int32_t before = d.window->lstCol1().ListIndex();
    d.window->lstCol1_KeyDown(keyCode, shift);
    const std::int32_t after = d.window->lstCol1().ListIndex();
    // The key that arrived decides, not the host's substitute.
    if (after != before && IsListNavigationKey(arrived)) {
        auto token = d.alive;
        d.q.ListIndex(after);
        if (*token)
            d.DrawHighlight();
    }
}

// Dropdown List has no field: with a SearchMode set the typed letters are
// the query (Backspace takes the last one back), shown in the drop-down.
void ControlKeyPress(ucvKorvane::Private& d, std::int16_t& keyAscii) {
    if (d.style != StyleType::DropdownList || !d.Searching() || d.locked || !d.UserMode())
        return;
    if (d.SearchEnterOrEscape(keyAscii))
        return;
    std::string query = d.listQuery;
    if (keyAscii == tk::key::Back) {
        if (!query.empty())
            query.erase(utf8::PreviousUnitStart(query, query.size()));
    } else if (keyAscii >= 32 || keyAscii < 0) {
        query += utf8::Encode(static_cast<char16_t>(keyAscii));
    } else {
        return;
    }
    keyAscii = 0;
    auto token = d.alive;
    if (!d.SearchTyped(query) || !*token)
        return;
    d.listQuery = d.searchShown ? query : std::string();
    if (!d.window)
        return;
    if (d.searchShown && !d.window->FlagShowList())
        d.OpenForSearch(*d.container);
    else if (!d.searchShown && d.window->FlagShowList() && d.window->StaysOpen())
        d.window->HideChildForm();
}

}  // namespace

void ucvKorvane::Private::WireKeyboard() {
    txtCol1->OnKeyDown = [this](std::int16_t& k, std::int16_t& s) { FieldKeyDown(*this, 1, k, s); };
    txtCol2->OnKeyDown = [this](std::int16_t& k, std::int16_t& s) { FieldKeyDown(*this, 2, k, s); };
    container->OnKeyDown = [this](std::int16_t& k, std::int16_t& s) { ControlKeyDown(*this, k, s); };
    container->OnKeyPress = [this](std::int16_t& a) { ControlKeyPress(*this, a); };
    container->OnKeyUp = [this](std::int16_t& k, std::int16_t& s) {
        if (style == StyleType::DropdownList)
            RaiseKeyUp(k, s);
    };
}

}  // namespace korvane
