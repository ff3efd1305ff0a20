// KorvaneBox as a Qt widget: a QWidget that owns one KorvaneBox control on
// the Qt desktop, for Qt applications that never heard of desktops, forms,
// twips or property bags. Put it in any layout next to ordinary Qt widgets;
// its properties are Qt properties, its events Qt signals.
//
// The widget uses the QApplication the host made; it never makes one.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "korvane/qt/korvane_qt_export.h"

namespace korvane::qt {

/// The arguments of a KeyDown or KeyUp signal. A slot connected with
/// Qt::DirectConnection may change them: the control goes on with the key
/// the slot left, and a keyCode of 0 swallows the key.
struct KeyEvent {
    std::int16_t keyCode = 0;  ///< The key's code (Down is 40, F4 is 115, letters their capital).
    std::int16_t shift = 0;    ///< Shift 1, Ctrl 2, Alt 4, added up.
};

/// The arguments of a KeyPress signal. A slot connected with
/// Qt::DirectConnection may change the character; 0 swallows it.
struct KeyPressEvent {
    std::int16_t keyAscii = 0;  ///< The character typed (its code point; Backspace 8, Enter 13).
    std::int16_t col = 0;       ///< The column (1 or 2) whose field the character was typed into.
};

/// The arguments of a mouse signal. A slot connected with
/// Qt::DirectConnection may change them before the control goes on.
struct MouseEvent {
    std::int16_t button = 0;  ///< Left 1, right 2, middle 4 (for moves: the buttons held).
    std::int16_t shift = 0;   ///< Shift 1, Ctrl 2, Alt 4, added up.
    float x = 0;              ///< Position across the widget that got the input, in twips.
    float y = 0;              ///< Position down the widget that got the input, in twips.
};

/// A two-column combo box: rows of a column-1 text, a column-2 text and an
/// item number, shown as a Dropdown Combo (editable fields and a drop-down
/// list), a Simple Combo (fields over an open list) or a Dropdown List
/// (a read-only face and a drop-down list).
///
/// Sizes of the control's own properties (widthCol1, widthCol2,
/// listHeight) are in twips, 1/1440 inch, as the control stores them;
/// sizeHint() and the widget's geometry are in device-independent pixels.
/// Resizing the widget rescales the columns: the widths it then reports
/// are the ones the control chose.
///
/// Members that the control refuses raise korvane::RuntimeError (see
/// korvane/errors.h) with the control's own error numbers. Writes made
/// through QObject::setProperty (Qt Designer, QUiLoader) cannot raise:
/// a refused value there leaves the property as it was and logs a warning.
///
/// Events arrive as Qt signals, synchronously, while the control is inside
/// the event. The key and mouse signals hand their arguments by pointer;
/// the pointer is only valid during the emission, so connect them with
/// Qt::DirectConnection (the default for widgets of one thread). A slot
/// may destroy the widget; the control notices and stops.
class KORVANE_QT_EXPORT KorvaneBox : public QWidget {
    Q_OBJECT
    /// The style, one of Style. At run time it can be written until the
    /// widget is first shown (while a form is being set up); after that a
    /// write raises "Can't assign to read-only property" (7). An unknown
    /// value raises "Illegal value style" (9). In design mode it is always
    /// writable.
    Q_PROPERTY(Style style READ comboStyle WRITE writeStyle NOTIFY styleChanged)
    /// The chosen row, -1 for none. Not saved with a form.
    Q_PROPERTY(int listIndex READ listIndex WRITE writeListIndex NOTIFY listIndexChanged DESIGNABLE false)
    /// The text of the shown column(s); the control's default member.
    Q_PROPERTY(QString text READ text WRITE writeText NOTIFY textChanged)
    /// Whether the user may change the text and the row.
    Q_PROPERTY(bool locked READ locked WRITE writeLocked NOTIFY lockedChanged)
    /// Whether typing completes the text from the first matching row.
    Q_PROPERTY(bool autoFill READ autoFill WRITE writeAutoFill NOTIFY autoFillChanged)
    /// Width of column 1 in twips; 0 hides it.
    Q_PROPERTY(int widthCol1 READ widthCol1 WRITE writeWidthCol1 NOTIFY widthCol1Changed)
    /// Width of column 2 in twips; 0 hides it.
    Q_PROPERTY(int widthCol2 READ widthCol2 WRITE writeWidthCol2 NOTIFY widthCol2Changed)
    /// Height of the list in twips, rounded by the control to whole rows.
    Q_PROPERTY(int listHeight READ listHeight WRITE writeListHeight NOTIFY listHeightChanged)
    /// The first row shown in the list. Not saved with a form.
    Q_PROPERTY(int topIndex READ topIndex WRITE writeTopIndex NOTIFY topIndexChanged DESIGNABLE false)
    /// The tip shown over the control's fields.
    Q_PROPERTY(QString toolTipText READ toolTipText WRITE writeToolTipText NOTIFY toolTipTextChanged)
    /// The background of the fields and the list.
    Q_PROPERTY(QColor backColor READ backColor WRITE writeBackColor NOTIFY backColorChanged)
    /// The colour of the text in the fields and the list.
    Q_PROPERTY(QColor foreColor READ foreColor WRITE writeForeColor NOTIFY foreColorChanged)

public:
    /// The control's three styles.
    enum Style {
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
    /// a message box instead of raising, Style is writable, and the timer
    /// that watches the focus does not run.
    bool designMode() const;
    /// Switches between design and use. The control is made anew with the
    /// properties it had; its rows, which only exist at run time, are kept.
    void setDesignMode(bool on);

    // --- properties -------------------------------------------------------
    /// The style. (Named so because QWidget::style() is the widget's QStyle.)
    Style comboStyle() const;
    /// Sets the style; see the `style` property for when it may change.
    /// Raises IllegalValueStyle (9) or ReadOnlyProperty (7).
    void setStyle(Style style);
    using QWidget::setStyle;
    /// The chosen row, -1 for none.
    int listIndex() const;
    /// Chooses a row (-1 for none) and raises clicked(). An index outside
    /// the list raises InvalidPropertyValue (8).
    void setListIndex(int index);
    /// The text of the shown column(s).
    QString text() const;
    /// Sets the text; the control looks for a row with that text.
    void setText(const QString& text);
    /// Whether the user may change the text and the row.
    bool locked() const;
    /// Locks or unlocks the control for the user.
    void setLocked(bool locked);
    /// Whether typing completes the text from the first matching row.
    bool autoFill() const;
    /// Turns completion while typing on or off.
    void setAutoFill(bool on);
    /// Width of column 1 in twips.
    int widthCol1() const;
    /// Sets column 1's width in twips (1 to 269 become 270; 0 hides it).
    /// Raises InvalidPropertyValue (8) for a negative width, or for 0 while
    /// column 2 is hidden.
    void setWidthCol1(int twips);
    /// Width of column 2 in twips.
    int widthCol2() const;
    /// Sets column 2's width in twips, with the rules of setWidthCol1().
    void setWidthCol2(int twips);
    /// Height of the list in twips.
    int listHeight() const;
    /// Sets the list's height in twips; the control rounds it to whole rows.
    /// A negative height raises the toolkit's "Invalid property value" (380).
    void setListHeight(int twips);
    /// The first row shown in the list.
    int topIndex() const;
    /// Scrolls the list so that `index` is the first row shown.
    void setTopIndex(int index);
    /// The tip shown over the control's fields.
    QString toolTipText() const;
    /// Sets the tip shown over the control's fields.
    void setToolTipText(const QString& text);
    /// The background of the fields and the list.
    QColor backColor() const;
    /// Sets the background of the fields and the list (alpha is ignored).
    void setBackColor(const QColor& color);
    /// The colour of the text.
    QColor foreColor() const;
    /// Sets the colour of the text (alpha is ignored).
    void setForeColor(const QColor& color);

    // --- methods ------------------------------------------------------------
    /// Adds a row; `id` is its item number (itemData). Where the row goes
    /// follows the control's rules; newIndex() tells. A full list (32767
    /// rows) raises ListFull (1000).
    void addItem(const QString& col1, const QString& col2, int id = 0);
    /// Removes row `index`; a row that does not exist raises ItemDoesNotExist (6).
    void removeItem(int index);
    /// Removes every row.
    void clear();
    /// Column 1's text of row `index`.
    QString list(int index) const;
    /// Replaces column 1's text of row `index`.
    void setList(int index, const QString& text);
    /// The text of column `col` (1 or 2) as shown in the fields.
    QString textCol(int col) const;
    /// The text of column `col` (1 or 2) of row `index`.
    QString listCol(int col, int index) const;
    /// The number of rows.
    int listCount() const;
    /// The row the last addItem() put its row at.
    int newIndex() const;
    /// The item number of row `index`.
    int itemData(int index) const;
    /// Sets the item number of row `index`.
    void setItemData(int index, int value);
    /// Sorts the rows by column `col` (1 or 2), as numbers when `onNumeric`.
    void sort(int col, bool onNumeric = false);
    /// Shows the About box.
    void about();
    /// Repaints the control.
    void refresh();

    // --- QWidget ------------------------------------------------------------
    /// The size the control asks for: its column widths and closed height
    /// (in Simple Combo with the list under the fields), in pixels.
    QSize sizeHint() const override;
    /// The smallest size that still shows both columns.
    QSize minimumSizeHint() const override;

signals:
    /// The user or the program chose a row.
    void clicked();
    /// The list was filled by the control.
    void filled();
    /// A key went down in the control; `event` may be changed by a direct slot.
    void keyDown(korvane::qt::KeyEvent* event);
    /// A character was typed; `event` may be changed by a direct slot.
    void keyPress(korvane::qt::KeyPressEvent* event);
    /// A key went up; `event` may be changed by a direct slot.
    void keyUp(korvane::qt::KeyEvent* event);
    /// A mouse button went down over the control.
    void mouseDown(korvane::qt::MouseEvent* event);
    /// The mouse moved over the control.
    void mouseMove(korvane::qt::MouseEvent* event);
    /// A mouse button went up over the control.
    void mouseUp(korvane::qt::MouseEvent* event);
    /// The style changed.
    void styleChanged(korvane::qt::KorvaneBox::Style style);
    /// The chosen row changed (by the user or the program).
    void listIndexChanged(int index);
    /// The text changed (by the user or the program).
    void textChanged(const QString& text);
    /// Locked changed.
    void lockedChanged(bool locked);
    /// AutoFill changed.
    void autoFillChanged(bool on);
    /// Column 1's width changed (also when a resize rescaled it).
    void widthCol1Changed(int twips);
    /// Column 2's width changed (also when a resize rescaled it).
    void widthCol2Changed(int twips);
    /// The list's height changed (also when a resize changed it).
    void listHeightChanged(int twips);
    /// The first row shown changed.
    void topIndexChanged(int index);
    /// The tool tip text changed.
    void toolTipTextChanged(const QString& text);
    /// The background colour changed.
    void backColorChanged(const QColor& color);
    /// The text colour changed.
    void foreColorChanged(const QColor& color);

protected:
    /// Hands the new size to the control, which rescales its columns.
    void resizeEvent(QResizeEvent* event) override;
    /// Ends the form-loading phase in which Style may still be written.
    void showEvent(QShowEvent* event) override;
    /// Passes the focus on to the control's field.
    void focusInEvent(QFocusEvent* event) override;
    /// Follows the widget's font and enabled state into the control.
    void changeEvent(QEvent* event) override;

private:
    // The meta-object's writes: they log refused values instead of raising.
    void writeStyle(Style style);
    void writeListIndex(int index);
    void writeText(const QString& text);
    void writeLocked(bool locked);
    void writeAutoFill(bool on);
    void writeWidthCol1(int twips);
    void writeWidthCol2(int twips);
    void writeListHeight(int twips);
    void writeTopIndex(int index);
    void writeToolTipText(const QString& text);
    void writeBackColor(const QColor& color);
    void writeForeColor(const QColor& color);

    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace korvane::qt
