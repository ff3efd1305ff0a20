// The control's state: its child widgets and its members, in one table, and
// the private procedures that the per-concern source files share. Every
// file of the control reads and writes the members by these names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/row_index.h"
#include "control/search_index.h"
#include "control/sort_scratch.h"
#include "dropdown/window.h"
#include "korvane/ucvKorvane.h"

namespace korvane {

// Colours the control paints with while locked.
inline constexpr tk::OleColor kLockedGrey = tk::Rgb(192, 192, 192);
inline constexpr tk::OleColor kBlack = tk::Rgb(0, 0, 0);
inline constexpr const char* kSortingMessage = "Sorting in progress, wait please";
// A font the control can measure and lay out: one the desktops draw at its
// own size.
inline bool CanLayOut(const tk::Font& font) {
    return tk::DrawableSize(font);
}

// The two list boxes that hold the rows in the present style.
struct ListPair {
    tk::ListBox* col1 = nullptr;
    tk::ListBox* col2 = nullptr;
    explicit operator bool() const { return col1 != nullptr && col2 != nullptr; }
};

struct ucvKorvane::Private {
    Private(ucvKorvane& q, tk::Form& hostForm, const Site& site);
    ~Private();

    ucvKorvane& q;
    tk::Desktop& desktop;
    tk::Form& hostForm;

    // --- child widgets ------------------------------------------------------
    std::unique_ptr<tk::UserControl> container;
    std::unique_ptr<tk::TextBox> txtCol1;
    std::unique_ptr<tk::TextBox> txtCol2;
    std::unique_ptr<tk::Label> lblCol1;
    std::unique_ptr<tk::Label> lblCol2;
    std::unique_ptr<tk::ListBox> lstCol1a;
    std::unique_ptr<tk::ListBox> lstCol2a;
    std::unique_ptr<tk::Image> imgCombo;
    std::unique_ptr<tk::Image> imgCboUp;
    std::unique_ptr<tk::Image> imgCboDown;
    std::unique_ptr<tk::Timer> TimerProc;

    // --- members --------------------------------------------------------------
    std::unique_ptr<detail::Window> window;           // the drop-down window, styles 0 and 2
    std::function<void(std::int32_t)> onHighlighted;  // a face's ear for the drop-down's highlight
    bool highlightShown = false;
    bool highlightRenewed = false;
    // Where the control and its form were on the screen when the drop-down
    // opened: a drop-down whose box has moved since is left behind.
    tk::Rect openedAt;
    tk::Rect openedFormAt;
    std::string lastTickError;  // the focus watcher's last error, logged once
    tk::OleColor sysWindowColor = 0;
    tk::OleColor sysTextColor = 0;
    tk::FontRef font;
    tk::OleColor backColor = 0;
    tk::OleColor foreColor = 0;
    std::string lastRowText;
    std::int32_t storedRowCount = 0;
    std::int32_t currentRow = -1;
    std::int32_t lastItemData = 0;
    std::int32_t widthCol1 = 1100;
    std::int32_t widthCol2 = 2900;
    StyleType style = StyleType::DropdownCombo;
    std::int32_t topRow = 0;
    bool autoFill = false;
    bool locked = false;
    std::string lastText;
    std::int32_t newestRow = -1;
    std::int32_t listHeight = 1800;
    std::string toolTipText;
    tk::FontRef defaultFont;
    std::int32_t fieldHeight = 315;
    std::int32_t closedHeight = 330;
    std::int32_t buttonWidth = 0;
    std::int16_t twipsPerPixelX = 15;
    std::int16_t twipsPerPixelY = 15;
    std::vector<std::string> sortCol1;
    std::vector<std::string> sortCol2;
    std::vector<std::int32_t> sortItemData;
    bool numericSort = false;
    bool plainNumbers = false;
    bool buttonPressed = false;
    bool sorting = false;
    bool settingWidth = false;
    bool showingRow = false;  // the fields are being given the current row's texts
    std::int32_t systemCallResult = 0;

    // --- beyond the table: the host connection and bookkeeping -------------
    ucvKorvaneEvents* sink = nullptr;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    bool holdsStartupBusy = false;  // Initialize set the busy flag; the properties clear it
    detail::RowIndex rowIndex;      // kept in step with the style's list pair
    detail::SortScratch sortScratch;
    // Find as you type (search.cpp): the index is built when a mode is
    // first set; the view shows while a query is typed.
    std::int16_t searchMode = 0;
    std::int16_t searchColumns = detail::search_columns::Default;
    detail::SearchIndex searchIndex;
    std::string searchQuery;                    // the query the view shows; "" none
    bool searchShown = false;                   // the lists show only the matches
    bool searchStaysOpen = false;               // the drop-down opened by typing
    const tk::TextBox* searchSource = nullptr;  // the field the query was typed in
    std::string listQuery;                      // the letters typed in Dropdown List
    std::vector<std::int32_t> searchMatches;    // the rows shown, ascending

    // --- shared procedures ----------------------------------------------------
    bool UserMode() const;
    bool HasDropDownStyle() const;
    ListPair Pair() const;
    bool& Busy();

    // A refused property write: the error at run time, the same text in a
    // message box at design time.
    void RefuseWrite(ErrorCode code);
    void ShowCritical(std::string_view text);
    // While a sort runs, the guarded members show the refusal and return.
    bool RefusedWhileSorting();
    // Error 5 for a negative index, error 6 past the last row of the pair.
    void CheckIndexNotNegative(std::int32_t index) const;
    void CheckIndexInPair(const ListPair& pair, std::int32_t index) const;

    // Rows, as the sort uses them (no checks, no duplicate rule).
    void AppendRow(const std::string& col1, const std::string& col2, std::int32_t itemData);
    void ClearRows();
    std::string RowText(std::int32_t index);
    std::int32_t RowItemData(std::int32_t index);
    void RebuildRowIndex();

    void ShowCurrentRow();
    // A key moved the current row to `row`: both lists of `pair` select it
    // and the fields or labels show it. Whether Click follows is the
    // caller's rule.
    void MoveCurrentRowByKey(const ListPair& pair, std::int32_t row);
    void ClearCurrentRow();  // typing drops the current row

    // Window creation and release follow the style.
    void EnsureWindow();
    void ReleaseWindow();

    // Events to the host. Each returns false when the host destroyed the
    // control inside its handler; the caller must then return at once.
    bool RaiseClick();
    bool RaiseKeyDown(std::int16_t& keyCode, std::int16_t& shift);
    bool RaiseKeyPress(std::int16_t& keyAscii, std::int16_t& col);
    bool RaiseKeyUp(std::int16_t& keyCode, std::int16_t& shift);
    bool RaiseMouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y);
    bool RaiseMouseMove(std::int16_t& button, std::int16_t& shift, float& x, float& y);
    bool RaiseMouseUp(std::int16_t& button, std::int16_t& shift, float& x, float& y);
    bool RaiseFilled();
    bool RaiseSearchChanged(std::int32_t matches);

    // Find as you type (search.cpp).
    bool Searching() const { return searchMode != 0; }
    // The user's query changed in a field (or the Dropdown List's typed
    // letters): show the rows it finds and raise SearchChanged. False when
    // the host destroyed the control.
    bool SearchTyped(const std::string& query);
    // The view ends: every row shows again (no event).
    void EndSearch();
    // The rows changed under a shown view: find again, quietly.
    void SearchRowsChanged();
    void SearchRowsMoved();
    void SearchRowAdded(std::int32_t row, std::string_view col1, std::string_view col2, std::int32_t itemData);
    void SearchRowRemoved(std::int32_t row);
    void SearchRowReplaced(std::int32_t row);
    // Up, Down, Page Up, Page Down among the matches; true when it took the key.
    bool SearchNavigate(std::int16_t keyCode);
    // Enter on a highlighted match chooses it; Escape ends the search. True
    // when it took the key (then set to 0).
    bool SearchEnterOrEscape(std::int16_t& keyAscii);
    // The highlighted match, -1 for none.
    std::int32_t SearchHighlighted() const;
    void ApplySearchView();

    // Appearance and layout (appearance.cpp, layout.cpp).
    void PushFont();
    void PushBackColor();
    void PushForeColor();
    void PushLocked();
    void PushAll();
    void Arrange();
    void Resize();
    void Paint();
    void DrawHighlight();
    void ApplyStyleWidgets();
    void PlaceColumns();
    void WriteListHeight(std::int32_t value);

    // The drop-down (dropdown.cpp) and the focus watcher (focus_watcher.cpp).
    float FitScreen(tk::ListBox& l1, tk::ListBox& l2);
    void SizeDropDown();
    void OpenDropDown();
    // Opens the drop-down for a search and gives the focus back to `field`.
    void OpenForSearch(tk::Widget& keys);
    std::string GetWindowClass(tk::Hwnd window);
    void TimerProc_Timer();
    bool MovedSinceOpening();
    void LogTickError(std::string_view what);
    void RestoreLabelColours();

    // Widget event wiring (one function per concern).
    void WireTextEntry();
    void WireKeyboard();
    void WireEmbeddedList();
    void WireDropDownButton();
    void WireFocusWatcher();
    void WireLayout();
};

}  // namespace korvane
