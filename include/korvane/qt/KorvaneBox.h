// KorvaneBox as a Qt widget: a QWidget that owns one KorvaneBox control on
// the application's Qt desktop, for Qt applications that never heard of
// desktops, forms, twips or property bags. Put it in any layout next to
// ordinary Qt widgets; it reads like a QComboBox whose rows have two texts
// and an item number.
//
// The widget uses the QApplication the host made; it never makes one.
#pragma once

#include <QColor>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <memory>

#include "korvane/qt/korvane_qt_export.h"

namespace korvane {
class ucvKorvaneEvents;
}

namespace korvane::qt {

/// A two-column combo box: rows of a column-1 text, a column-2 text and an
/// item number, shown as a Dropdown Combo (editable fields and a drop-down
/// list), a Simple Combo (fields over an open list) or a Dropdown List
/// (a read-only face and a drop-down list).
///
/// It follows QComboBox where the two agree: currentIndex() is the USER
/// property (so QDataWidgetMapper and item delegates use it), count(),
/// currentText(), currentData(), itemText(), findText(), and the signals
/// activated(), currentIndexChanged() and highlighted(). Sizes of the Qt
/// properties are device-independent pixels.
///
/// No member ever throws. A call the control refuses changes nothing, logs
/// a warning under the logging category "korvane.qt" and leaves the
/// control's numbered error in errorNumber() and errorString() (the
/// numbers of korvane/errors.h, e.g. 6 for a row that does not exist);
/// every call that succeeds clears them. A getter asked for a row or column
/// that does not exist returns an empty value (an empty string, 0, or an
/// invalid QVariant) the same way.
///
/// Keys and the mouse are customised as on any Qt widget: an event filter
/// installed on the box, or an override of its keyPressEvent(),
/// keyReleaseEvent() and mouse handlers in a subclass, sees every key and
/// mouse event of the box's fields, labels, button and list first (mouse
/// positions in the box's coordinates); accepting the event (or filtering
/// it out) keeps it from the control. Hosts written against the control's
/// own events (key codes, twips) advise() a sink instead.
///
/// Members of the control itself (listIndex(), widthCol1() in twips, ...)
/// stay for hosts that drive the control by its own rules and for forms
/// saved with them; they do not throw either.
class KORVANE_QT_EXPORT KorvaneBox : public QWidget {
    Q_OBJECT
    /// The style (one of Style). At run time it can be changed until the
    /// widget is first shown (while a form is being set up); after that a
    /// change is refused with "Can't assign to read-only property" (7). An
    /// unknown value is refused with "Illegal value style" (9). In design
    /// mode it is always writable.
    Q_PROPERTY(Style boxStyle READ boxStyle WRITE setBoxStyle NOTIFY boxStyleChanged)
    /// The chosen row, -1 for none: the widget's USER property.
    Q_PROPERTY(
        int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged USER true DESIGNABLE false)
    /// The number of rows.
    Q_PROPERTY(int count READ count STORED false DESIGNABLE false)
    /// What the fields show, "column 1\tcolumn 2"; the control's default member.
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// Whether the user is kept from changing the text and the row.
    Q_PROPERTY(bool locked READ locked WRITE setLocked NOTIFY lockedChanged)
    /// Whether Enter in column 2 adds the typed pair as a new row.
    Q_PROPERTY(bool autoFill READ autoFill WRITE setAutoFill NOTIFY autoFillChanged)
    /// How typing finds rows: 0 not at all, 1 starts with, 2 contains, 3
    /// every typed word starts a word of the row.
    Q_PROPERTY(int searchMode READ searchMode WRITE setSearchMode NOTIFY searchModeChanged)
    /// What a search compares: 1 column 1, 2 column 2, 4 the item number,
    /// added together (default 3).
    Q_PROPERTY(int searchColumns READ searchColumns WRITE setSearchColumns NOTIFY searchColumnsChanged)
    /// Width of column 1 in pixels; 0 hides it.
    Q_PROPERTY(int column1Width READ column1Width WRITE setColumn1Width NOTIFY column1WidthChanged)
    /// Width of column 2 in pixels; 0 hides it.
    Q_PROPERTY(int column2Width READ column2Width WRITE setColumn2Width NOTIFY column2WidthChanged)
    /// Height of the rows' list in pixels, rounded by the lists to whole rows.
    Q_PROPERTY(int listViewHeight READ listViewHeight WRITE setListViewHeight NOTIFY listViewHeightChanged)
    /// The background of the fields and the list.
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor NOTIFY backColorChanged)
    /// The colour of the text in the fields and the list.
    Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor NOTIFY foreColorChanged)

    // The control's own names, for forms saved with them; not shown in
    // Designer and not saved again.
    Q_PROPERTY(Style style READ boxStyle WRITE setBoxStyle NOTIFY boxStyleChanged DESIGNABLE false STORED false)
    Q_PROPERTY(int listIndex READ listIndex WRITE setListIndex NOTIFY listIndexChanged DESIGNABLE false STORED false)
    Q_PROPERTY(int widthCol1 READ widthCol1 WRITE setWidthCol1 NOTIFY widthCol1Changed DESIGNABLE false STORED false)
    Q_PROPERTY(int widthCol2 READ widthCol2 WRITE setWidthCol2 NOTIFY widthCol2Changed DESIGNABLE false STORED false)
    Q_PROPERTY(
        int listHeight READ listHeight WRITE setListHeight NOTIFY listHeightChanged DESIGNABLE false STORED false)
    Q_PROPERTY(int topIndex READ topIndex WRITE setTopIndex NOTIFY topIndexChanged DESIGNABLE false STORED false)
    Q_PROPERTY(QString toolTipText READ toolTip WRITE setToolTip DESIGNABLE false STORED false)

public:
    /// The control's three styles. Its type is fixed, so a value outside
    /// them (from setProperty, say) is an int the control refuses, not
    /// undefined behaviour.
    enum Style : int {
        DropdownCombo = 0,  ///< Editable fields and a button that drops the list down.
        SimpleCombo = 1,    ///< Editable fields over a list that is always shown.
        DropdownList = 2,   ///< A read-only face and a button that drops the list down.
    };
    Q_ENUM(Style)

    /// Makes the control as a new one (the control's initial properties)
    /// under `parent`. A QApplication must exist.
    explicit KorvaneBox(QWidget* parent = nullptr);
    /// Makes the control for design (`designMode` true) or for use.
    KorvaneBox(bool designMode, QWidget* parent);
    /// Destroys the control: its drop-down window closes and its timer stops.
    ~KorvaneBox() override;

    /// Whether the control runs as in a form designer: refused values show
    /// the control's message box (and the property keeps its value), the
    /// style is always writable, and the timer that watches the focus does
    /// not run.
    bool designMode() const;
    /// Switches between design and use. The control is made anew with the
    /// properties it had; its rows, which only exist at run time, are kept.
    void setDesignMode(bool on);

    /// Hands the control's own events (Click, the keys with the control's
    /// key codes, the mouse in twips, Filled) to `sink` as well, with
    /// arguments it may change as the control allows; nullptr stops it.
    /// The sink must outlive the box or be advised away first.
    void advise(korvane::ucvKorvaneEvents* sink);

    /// The number of the control's error from the last call that was
    /// refused (for example 6, "Item '9' do not exist"); 0 after a call
    /// that succeeded.
    Q_INVOKABLE int errorNumber() const;
    /// The description of that error; empty after a call that succeeded.
    Q_INVOKABLE QString errorString() const;

    // --- as a QComboBox ----------------------------------------------------
    /// The number of rows.
    Q_INVOKABLE int count() const;
    /// The chosen row, -1 for none (also after the user typed free text).
    Q_INVOKABLE int currentIndex() const;
    /// What the field (or label) of `column`, 1 or 2, shows; a typed text
    /// too. Another column is refused (5) with an empty string.
    Q_INVOKABLE QString currentText(int column = 1) const;
    /// The chosen row's item number, or an invalid QVariant when no row is
    /// chosen.
    Q_INVOKABLE QVariant currentData() const;
    /// The text of column `column` (1 or 2) of row `row`. A row below 0 or a
    /// column other than 1 or 2 is refused (5), a row past the last (6),
    /// each with an empty string.
    Q_INVOKABLE QString itemText(int row, int column = 1) const;
    /// The first row whose column `column` (1 or 2) matches `text` as
    /// `flags` ask (Qt::MatchExactly, MatchFixedString (case ignored),
    /// MatchContains, MatchStartsWith, MatchEndsWith, MatchWildcard,
    /// MatchRegularExpression; with Qt::MatchCaseSensitive or not); -1 when
    /// none does or the column does not exist.
    Q_INVOKABLE int findText(const QString& text, int column = 1,
                             Qt::MatchFlags flags = Qt::MatchExactly | Qt::MatchCaseSensitive) const;

    // --- properties -----------------------------------------------------------
    /// The style.
    Style boxStyle() const;
    /// The text of the shown columns, "column 1\tcolumn 2" ("column 1"
    /// alone when column 2 is empty).
    QString text() const;
    /// Whether the user is kept from changing the text and the row.
    bool locked() const;
    /// Whether Enter in column 2 adds the typed pair as a new row.
    bool autoFill() const;
    /// How typing finds rows (see the searchMode property).
    int searchMode() const;
    /// What a search compares (see the searchColumns property).
    int searchColumns() const;
    /// Width of column 1 in pixels; 0 when it is hidden.
    int column1Width() const;
    /// Width of column 2 in pixels; 0 when it is hidden.
    int column2Width() const;
    /// Height of the rows' list in pixels.
    int listViewHeight() const;
    /// The background of the fields and the list.
    QColor backColor() const;
    /// The colour of the text.
    QColor foreColor() const;

    // --- the control's own members ---------------------------------------------
    /// The chosen row, -1 for none; the same as currentIndex().
    Q_INVOKABLE int listIndex() const;
    /// Width of column 1 in twips (1/1440 inch); 0 when it is hidden.
    Q_INVOKABLE int widthCol1() const;
    /// Width of column 2 in twips; 0 when it is hidden.
    Q_INVOKABLE int widthCol2() const;
    /// Height of the rows' list in twips.
    Q_INVOKABLE int listHeight() const;
    /// The row shown at the top of the rows' list.
    Q_INVOKABLE int topIndex() const;
    /// Row `row` as "column 1\tcolumn 2"; refused (5 below 0, 6 past the
    /// last row) with an empty string.
    Q_INVOKABLE QString list(int row) const;
    /// What the field (or label) of column `col`, 1 or 2, shows.
    Q_INVOKABLE QString textCol(int col) const;
    /// Column `col` (1 or 2) of row `row`; the same as itemText(row, col).
    Q_INVOKABLE QString listCol(int col, int row) const;
    /// The number of rows; the same as count().
    Q_INVOKABLE int listCount() const;
    /// The row the last addItem() added; -1 before the first.
    Q_INVOKABLE int newIndex() const;
    /// The item number of row `row`; refused (5 below 0, 6 past the last
    /// row) with 0.
    Q_INVOKABLE int itemData(int row) const;

    // --- QWidget ------------------------------------------------------------
    /// The size the control asks for: its column widths and closed height
    /// (in Simple Combo with the list under the fields), in pixels.
    QSize sizeHint() const override;
    /// The smallest size that still shows both columns.
    QSize minimumSizeHint() const override;

public slots:
    /// Chooses row `index`, -1 for none: the fields show it,
    /// currentIndexChanged() follows when the row changed, and clicked()
    /// follows also for the row already chosen, but not while the control
    /// is locked. Refused below -1 (5) or past the last row (6).
    void setCurrentIndex(int index);
    /// The same as setCurrentIndex().
    void setListIndex(int index);
    /// Sets the style; see the boxStyle property for when it may change.
    void setBoxStyle(Style style);
    /// Puts `text`, split at its first tab, into the two fields. No row is
    /// looked up and the chosen row stays as it was. Refused in Dropdown
    /// List (7) at run time.
    void setText(const QString& text);
    /// Keeps the user from changing the text and the row, or lets them
    /// again; the program's calls still work.
    void setLocked(bool locked);
    /// Lets Enter in column 2 add the typed pair as a new row (filled()
    /// follows). A Dropdown List has no fields to fill from: there it stays
    /// false.
    void setAutoFill(bool on);
    /// Sets how typing finds rows: 0 to 3; another value is refused (380).
    void setSearchMode(int mode);
    /// Sets what a search compares: 1 to 7; another value is refused (380).
    void setSearchColumns(int columns);
    /// Sets column 1's width in pixels: 0 hides it, a width from 1 up to
    /// the smallest one (18 pixels at 96 dpi) becomes the smallest. Refused
    /// (8) below 0, below the smallest width while column 2 is hidden, or
    /// past the widest (1000000 twips, 66666 pixels at 96 dpi).
    void setColumn1Width(int pixels);
    /// Sets column 2's width in pixels, with the rules of setColumn1Width().
    void setColumn2Width(int pixels);
    /// Sets the list's height in pixels; the lists round it to whole rows
    /// and lower it so the open list fits on the screen. Refused (380)
    /// below 0.
    void setListViewHeight(int pixels);
    /// Sets column 1's width in twips: 0 hides it, 1 to 269 become 270.
    /// Refused (8) below 0, below 270 while column 2 is hidden, or past
    /// 1000000.
    void setWidthCol1(int twips);
    /// Sets column 2's width in twips, with the rules of setWidthCol1().
    void setWidthCol2(int twips);
    /// Sets the list's height in twips, as setListViewHeight(). Refused
    /// (380) below 0.
    void setListHeight(int twips);
    /// Scrolls row `row` to the top of the rows' list, as far as the list
    /// can scroll. Refused below 0 (5) or past the last row (6).
    void setTopIndex(int row);
    /// Sets the background of the fields and the list (alpha is ignored).
    void setBackColor(const QColor& color);
    /// Sets the colour of the text (alpha is ignored).
    void setForeColor(const QColor& color);

    /// Appends a row with item number `id`. A pair whose column-1 text is
    /// already in some row and whose column-2 text is already in some row
    /// (case ignored) is refused with a beep and adds nothing (no error).
    /// newIndex() and count() tell where it went. A full list (32767 rows)
    /// is refused (1000).
    void addItem(const QString& col1, const QString& col2, int id = 0);
    /// Removes row `row`; the rows after it move up, and when it was the
    /// chosen row the fields empty and no row is chosen. Refused below 0
    /// (5) or past the last row (6).
    void removeItem(int row);
    /// Removes every row and empties the fields; no row is chosen.
    void clear();
    /// Replaces row `row` with `text`, split at its first tab into the two
    /// columns (no tab: column 1, column 2 empty). Refused as removeItem().
    void setList(int row, const QString& text);
    /// Sets the item number of row `row`. Refused as removeItem().
    void setItemData(int row, int value);
    /// Orders the rows by column `col`: 1 or 2 by that column's text (case
    /// ignored), 3 by item number; with `onNumeric` (always for 3) as
    /// numbers: each text's leading number with a full stop as the decimal
    /// point ("12 kg" is 12, "kg" is 0), or, when the first row's text
    /// holds a comma, the whole text read by the user's locale rules.
    /// Afterwards no row is chosen and the first row is at the top.
    /// Refused for another column (5), or (13) when a text read by the
    /// locale's rules is not a number; the rows then stay as they were.
    void sort(int col, bool onNumeric = false);
    /// Shows the About box until the user closes it.
    void about();
    /// Repaints the control now.
    void refresh();

signals:
    /// The user chose a row (with the mouse, the keys, or by leaving an
    /// open drop-down on a row); not emitted for the program's choices.
    void activated(int index);
    /// The chosen row changed, by the user or the program (-1: none).
    void currentIndexChanged(int index);
    /// The row under the pointer, or reached with the keys, in the open
    /// drop-down, before any row is chosen.
    void highlighted(int index);
    /// The text in the field (or label) of `column`, 1 or 2, changed: typed
    /// by the user, chosen with a row, or set by the program.
    void editTextChanged(int column, const QString& text);
    /// The user added row `row` by Enter in column 2 with autoFill on.
    void filled(int row);
    /// With a searchMode set, what the user typed changed the rows shown:
    /// `matches` rows show (every row again when the field was emptied).
    void searchChanged(int matches);
    /// The control's Click: a row was chosen by the user or the program
    /// (also the row already chosen).
    void clicked();
    /// The style changed.
    void boxStyleChanged(korvane::qt::KorvaneBox::Style style);
    /// The chosen row changed; the same as currentIndexChanged().
    void listIndexChanged(int index);
    /// The text of the shown columns changed.
    void textChanged(const QString& text);
    /// Locked changed.
    void lockedChanged(bool locked);
    /// AutoFill changed.
    void autoFillChanged(bool on);
    /// The search mode changed.
    void searchModeChanged(int mode);
    /// The columns a search compares changed.
    void searchColumnsChanged(int columns);
    /// Column 1's width changed, in pixels (also when a resize rescaled it).
    void column1WidthChanged(int pixels);
    /// Column 2's width changed, in pixels (also when a resize rescaled it).
    void column2WidthChanged(int pixels);
    /// The list's height changed, in pixels.
    void listViewHeightChanged(int pixels);
    /// Column 1's width changed, in twips.
    void widthCol1Changed(int twips);
    /// Column 2's width changed, in twips.
    void widthCol2Changed(int twips);
    /// The list's height changed, in twips.
    void listHeightChanged(int twips);
    /// The row at the top of the list changed.
    void topIndexChanged(int row);
    /// The background colour changed.
    void backColorChanged(const QColor& color);
    /// The text colour changed.
    void foreColorChanged(const QColor& color);

protected:
    /// Takes the key and mouse events handed over from the box's parts
    /// (see the class) and the tool tip, which the control shows on its
    /// fields.
    bool event(QEvent* event) override;
    /// Hands the new size to the control, which rescales its columns.
    void resizeEvent(QResizeEvent* event) override;
    /// Ends the form-loading phase in which the style may still change.
    void showEvent(QShowEvent* event) override;
    /// Passes the focus on to the control's field.
    void focusInEvent(QFocusEvent* event) override;
    /// Follows the widget's font and enabled state into the control.
    void changeEvent(QEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace korvane::qt
