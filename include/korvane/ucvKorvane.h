/// @file
/// ucvKorvane, the KorvaneBox: a combo box whose rows hold a column-1 text, a
/// column-2 text and an item number, in three styles. A host places it on a
/// form of a toolkit desktop, fills it at run time, saves its properties with
/// the form at design time and reads back what the user chose.
///
/// This header is the whole public interface. The control's state lives
/// behind it; nothing of the widgets it is made of shows here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "korvane/errors.h"
#include "korvane/events.h"
#include "korvane/korvane_export.h"
#include "korvane/style.h"
#include "korvane/toolkit/desktop.h"
#include "korvane/toolkit/property_bag.h"

/// The control and everything a host needs to use it.
namespace korvane {

/// How the host places the control on its form.
struct Site {
    std::string Name = "KorvaneBox1";  ///< the control's name on the form (unique on it)
    bool UserMode = true;              ///< false while the host form is being designed
    float Left = 0;                    ///< the left edge on the form, in twips
    float Top = 0;                     ///< the top edge on the form, in twips
};

/// The KorvaneBox: a combo box with two text columns and an item number a
/// row.
///
/// **Rows.** Each row holds a column-1 text, a column-2 text (UTF-8, kept
/// byte for byte) and a 32-bit item number. Rows are numbered from 0 in the
/// order they were added until Sort orders them. A row whose column-1 text is
/// already in some row and whose column-2 text is already in some row (case
/// ignored, not necessarily the same row) is refused with a beep. At most
/// 32767 rows.
///
/// **Row text.** Members that read or write a whole row (List, Text) join the
/// two columns with a tab, "EUR\tEuro"; a text without a tab is column 1
/// alone. At design time Text shows a ";" in place of the tab.
///
/// **Errors.** Members throw korvane::RuntimeError with the numbers of
/// korvane::ErrorCode; each member says which. At design time
/// (Site::UserMode false) the property writers show the error's text in a
/// message box instead, and keep the smallest value they allow. While Sort
/// runs (a handler called back into the control during a sort), the row
/// members show "Sorting in progress, wait please" and return without
/// doing anything (reads give "" or 0).
///
/// **Events** go to the ucvKorvaneEvents given to Advise, synchronously; see
/// there for what each means. A handler may destroy the control; the member
/// that raised the event then returns at once.
///
/// Sizes are twips (1/1440 inch). The control is not copyable and belongs to
/// one desktop and its thread.
class KORVANE_EXPORT ucvKorvane {
public:
    /// Creates the control on `hostForm` (its desktop creates the widgets)
    /// and initialises it. The host then calls InitProperties for a new
    /// control or ReadProperties for a saved one. The form must outlive the
    /// control.
    explicit ucvKorvane(tk::Form& hostForm, Site site = {});
    /// Terminates the control: closes its About box, stops its timer and
    /// releases its drop-down window.
    ~ucvKorvane();
    ucvKorvane(const ucvKorvane&) = delete;
    ucvKorvane& operator=(const ucvKorvane&) = delete;

    // --- container life cycle (called by the hosting form, not application code)
    /// Gives a new control its defaults: Dropdown Combo, column widths 1100
    /// and 2900, the desktop's window colours, the default font, no rows,
    /// not Locked, no AutoFill, no tool tip. At run time it also loads the
    /// drop-down window and starts the focus watcher.
    void InitProperties();
    /// Gives a saved control the properties saved in `bag` (see
    /// WriteProperties). A value the control cannot hold leaves that
    /// property at its default; nothing is thrown.
    void ReadProperties(const tk::PropertyBag& bag);
    /// Saves the properties a form keeps (Font, the colours, Enabled,
    /// WidthCol1, WidthCol2, ListHeight, Style, Locked, AutoFill,
    /// ToolTipText, ...) into `bag`, each with its default so the bag may
    /// leave out the ones equal to it. Rows are not saved.
    void WriteProperties(tk::PropertyBag& bag);
    /// Where the control's events go; nullptr for nowhere. Not owned: the
    /// sink must outlive the control or be replaced first.
    void Advise(ucvKorvaneEvents* sink);

    // --- public members, in the order of the control's type information --
    /// The background colour of the fields and lists.
    tk::OleColor Backcolor() const;
    /// Sets the background colour of the fields and lists (a Locked control
    /// shows grey until it is unlocked).
    void Backcolor(tk::OleColor New_BackColor);
    /// The text colour of the fields and lists.
    tk::OleColor Forecolor() const;
    /// Sets the text colour of the fields and lists.
    void Forecolor(tk::OleColor New_ForeColor);
    /// Whether the control takes input.
    bool Enabled() const;
    /// Lets the control take input or not (the control's window is enabled
    /// or disabled with everything in it).
    void Enabled(bool New_Enabled);
    /// The font of the fields and lists. The object is shared (see
    /// tk::Font); write it back with Font() to lay the control out for a
    /// change made to it.
    tk::FontRef Font() const;
    /// Sets the font of the fields and lists and lays the control out again
    /// (its height follows the font).
    void Font(tk::FontRef New_Font);
    /// Repaints the control now.
    void Refresh();
    /// The window handle of the control's own window (its container).
    std::int32_t hWnd() const;
    /// The device context of the control's own window.
    std::int32_t hDC() const;
    /// Appends a row. A pair the duplicate rule refuses beeps and adds
    /// nothing. Sets NewIndex to the new row.
    /// @throws RuntimeError 1000 (ListFull) when the list already holds 32767 rows.
    void AddItem(const std::string& Col1, const std::string& Col2, std::int32_t ID = 0);
    /// Removes row `Index`; the rows after it move up. When it was the
    /// current row, the fields empty and ListIndex becomes -1.
    /// @throws RuntimeError 5 for an index below 0, 6 past the last row.
    void RemoveItem(std::int32_t Index);
    /// Removes every row and empties the fields; ListIndex becomes -1.
    void Clear();
    /// Row `Index` as "column 1\tcolumn 2".
    /// @throws RuntimeError 5 for an index below 0, 6 past the last row.
    std::string List(std::int32_t Index);
    /// The text the user sees in column `Col` (1 or 2) of the fields.
    /// @throws RuntimeError 5 for a column other than 1 or 2.
    std::string TextCol(std::int16_t Col);
    /// Column `Col` (1 or 2) of row `Index`.
    /// @throws RuntimeError 5 for a column other than 1 or 2 or an index
    ///         below 0, 6 for an index past the last row.
    std::string ListCol(std::int16_t Col, std::int32_t Index);
    /// Replaces row `Index` with `NewValue`, split at its first tab into the
    /// two columns (no tab: column 1, with column 2 empty).
    /// @throws RuntimeError 5 for an index below 0, 6 past the last row.
    void List(std::int32_t Index, const std::string& NewValue);
    /// How many rows there are.
    std::int32_t ListCount();
    /// ListCount is read-only.
    /// @throws RuntimeError 7 (ReadOnlyProperty) at run time; at design time
    ///         a message box says so.
    void ListCount(std::int32_t NewValue);
    /// The row AddItem added last; -1 before the first.
    std::int32_t NewIndex() const;
    /// The current row: the one the fields show; -1 for none (the user
    /// typed free text, or nothing was chosen).
    std::int32_t ListIndex() const;
    /// Makes row `New_ListIndex` current (-1: none): the fields show it, the
    /// lists select it and scroll it into view, and Click is raised (also
    /// for the row already current, never while Locked).
    /// @throws RuntimeError 5 for a value below -1, 6 past the last row.
    void ListIndex(std::int32_t New_ListIndex);
    /// The item number of row `Index`.
    /// @throws RuntimeError 5 for an index below 0, 6 past the last row.
    std::int32_t ItemData(std::int32_t Index);
    /// Whether the user is kept from changing the control (fields read-only,
    /// no row chosen, drawn grey).
    bool Locked() const;
    /// Keeps the user from changing the control, or lets them again. The
    /// host's own calls still work.
    void Locked(bool NewValue);
    /// Sets the item number of row `Index`.
    /// @throws RuntimeError 5 for an index below 0, 6 past the last row.
    void ItemData(std::int32_t Index, std::int32_t New_ItemData);
    /// What the fields show, as "column 1\tcolumn 2" ("column 1" alone
    /// when column 2 is empty, "" when both are). The control's default
    /// member.
    std::string Text();
    /// Puts `NewValue`, split at its first tab, into the two fields. The
    /// current row does not change by this alone.
    /// @throws RuntimeError 7 (ReadOnlyProperty) in Dropdown List at run
    ///         time; at design time a message box says so.
    void Text(const std::string& NewValue);
    /// The width of column 1 in twips; 0 hides the column.
    std::int32_t WidthCol1() const;
    /// Sets the width of column 1 and lays the control out again. A width
    /// from 1 to 269 becomes 270; with column 2 hidden (width 0) column 1
    /// needs at least 270. No column is wider than 1000000 twips.
    /// @throws RuntimeError 8 (InvalidPropertyValue) for a width below its
    ///         minimum or above 1000000 at run time; at design time a message
    ///         box says so and the minimum (or, for a width too wide, the
    ///         width it had) is kept.
    void WidthCol1(std::int32_t New_WidthCol1);
    /// The width of column 2 in twips; 0 hides the column.
    std::int32_t WidthCol2() const;
    /// Sets the width of column 2, with the rules of WidthCol1.
    /// @throws RuntimeError 8 (InvalidPropertyValue), as WidthCol1.
    void WidthCol2(std::int32_t New_WidthCol2);
    /// The height of the rows' list in twips (the drop-down's lists, or the
    /// lists under the fields in Simple Combo).
    std::int32_t ListHeight() const;
    /// Sets the height of the rows' list. The lists round it to whole rows,
    /// and it is lowered so the open list fits on the screen; ListHeight
    /// then gives what the lists took.
    /// @throws RuntimeError 380 (ToolkitInvalidPropertyValue) for a
    ///         negative height; the stored height stays as it was.
    void ListHeight(std::int32_t NewValue);
    /// The style.
    StyleType Style() const;
    /// Changes the style; only while the form is being designed. The rows
    /// move with the control.
    /// @throws RuntimeError 9 (IllegalValueStyle) for a value other than 0, 1
    ///         or 2 and 7 (ReadOnlyProperty) at run time; at design time an
    ///         illegal value shows a message box instead.
    void Style(StyleType NewValue);
    /// The row shown at the top of the rows' list.
    std::int32_t TopIndex() const;
    /// Scrolls row `New_TopIndex` to the top of the rows' list, as far as
    /// the list can scroll (the last page stays full).
    /// @throws RuntimeError 5 for a value below 0, 6 past the last row.
    void TopIndex(std::int32_t New_TopIndex);
    /// Orders the rows by column `Col`: 1 or 2 by that column's text, 3 by
    /// item number. Texts compare case ignored in the user's locale, or, with
    /// `OnNumeric` (always for 3), as numbers read in the user's locale.
    /// While it runs the control is disabled and the pointer shows the
    /// hourglass; the host's events run between rows. Afterwards no row is
    /// current (the fields are empty), the first row is at the top, and the
    /// texts have lost their leading and trailing spaces.
    /// @throws RuntimeError 5 for a column other than 1 to 3, 13
    ///         (TypeMismatch) for a numeric sort over a text that is not a
    ///         number; the rows are then left as they were.
    void Sort(std::int16_t Col, bool OnNumeric = false);
    /// Shows the About box (the control's name, version and links) until
    /// the user closes it.
    void About();
    /// Whether Enter in column 2 adds the typed pair as a new row.
    bool AutoFill() const;
    /// Lets Enter in column 2 add the typed pair as a new row (raising
    /// Filled). Dropdown List has no fields to fill from: there it stays
    /// false.
    void AutoFill(bool New_AutoFill);
    /// The tool tip of the fields and lists; "" for none.
    const std::string& ToolTipText() const;
    /// Sets the tool tip of the fields and lists; "" removes it.
    void ToolTipText(const std::string& NewValue);

    /// How typing finds rows: 0 not at all (typed text drops the current
    /// row), 1 rows whose text starts with what was typed, 2 rows that
    /// contain it, 3 rows where every typed word starts a word. Case is
    /// ignored as the duplicate rule ignores it, and so are accents.
    std::int16_t SearchMode() const;
    /// Sets how typing finds rows (see SearchMode()). The first mode other
    /// than 0 builds the control's search index; 0 frees it and shows
    /// every row again.
    /// @throws RuntimeError 380 (ToolkitInvalidPropertyValue) for a value
    ///         other than 0 to 3; at design time a message box says so.
    void SearchMode(std::int16_t NewValue);
    /// What a search compares: 1 column 1, 2 column 2, 4 the item number's
    /// decimal text, added together (default 3, both columns).
    std::int16_t SearchColumns() const;
    /// Sets what a search compares (see SearchColumns()).
    /// @throws RuntimeError 380 (ToolkitInvalidPropertyValue) for 0 or a
    ///         value outside 1 to 7; at design time a message box says so.
    void SearchColumns(std::int16_t NewValue);
    /// How many rows the present search shows; ListCount when no search
    /// is shown.
    std::int32_t SearchMatches();

    /// The control's own window on the host form (the user-control
    /// container): move and size the control through it.
    tk::UserControl& Container() const;

    /// For a toolkit's face of the control: `handler` hears of each row the
    /// user highlights in the open drop-down, with the pointer or the keys,
    /// before any row is chosen (an empty handler stops it). It is called
    /// as the last step of that input and may destroy the control.
    void OnHighlighted(std::function<void(std::int32_t row)> handler);

    /// The control's state (private to the library).
    struct Private;

private:
    std::unique_ptr<Private> d;
};

}  // namespace korvane
