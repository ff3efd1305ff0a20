// KorvaneBox for Qt Quick: the control as a QQuickItem of the QML module
// Korvane (import Korvane). It reads like Qt Quick Controls' ComboBox whose
// rows have two texts and an item number: currentIndex, currentText,
// currentData, count, the signals activated, highlighted and
// currentIndexChanged, and methods a QML developer calls from JavaScript.
// Sizes are in the item's pixels.
//
// Every box of the application runs on the shared Quick desktop
// (QuickDesktop::Shared): the control sits on the desktop's hidden host
// form, its window is moved into this item, and its drop-down opens in the
// overlay of the item's window. A call the control refuses changes nothing
// and prints a QML warning naming the control's error.
#pragma once

#include <QtQml/qqmlregistration.h>

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QVariant>
#include <memory>
#include <string>
#include <vector>

#include "korvane/events.h"
#include "korvane/toolkit/types.h"

namespace korvane {
class ucvKorvane;
namespace tk::quick {
class QuickDesktop;
}
}  // namespace korvane

namespace korvane::quick {

class KorvaneBox : public QQuickItem, private ucvKorvaneEvents {
    Q_OBJECT
    QML_ELEMENT
    /// The style; it can be set only while the item is being made (in its
    /// QML declaration), as the control's style only at design time.
    Q_PROPERTY(Style boxStyle READ boxStyle WRITE setBoxStyle NOTIFY boxStyleChanged)
    /// The current row; -1 for none. Writing it shows the row.
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
    /// Column 1 of the current row as shown (what the user typed, in a
    /// Dropdown Combo or Simple Combo).
    Q_PROPERTY(QString currentText READ currentText NOTIFY currentTextChanged)
    /// The current row's item number; undefined when no row is current.
    Q_PROPERTY(QVariant currentData READ currentData NOTIFY currentIndexChanged)
    /// How many rows there are.
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    /// Both columns as the control's Text: "col1\tcol2".
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY currentTextChanged)
    /// Whether the user can only look.
    Q_PROPERTY(bool locked READ locked WRITE setLocked NOTIFY lockedChanged)
    /// Whether Enter in column 2 adds the typed pair as a new row.
    Q_PROPERTY(bool autoFill READ autoFill WRITE setAutoFill NOTIFY autoFillChanged)
    /// Column widths in pixels.
    Q_PROPERTY(int column1Width READ column1Width WRITE setColumn1Width NOTIFY columnWidthsChanged)
    Q_PROPERTY(int column2Width READ column2Width WRITE setColumn2Width NOTIFY columnWidthsChanged)
    /// How typing finds rows: 0 off, 1 starts with, 2 contains, 3 every
    /// typed word starts a word.
    Q_PROPERTY(int searchMode READ searchMode WRITE setSearchMode NOTIFY searchChanged)
    /// The columns a search looks in: 1 column 1, 2 column 2, 4 the item
    /// number, added together.
    Q_PROPERTY(int searchColumns READ searchColumns WRITE setSearchColumns NOTIFY searchChanged)
    /// The height of the rows' list in pixels (the drop-down's, or a Simple
    /// Combo's under its fields).
    Q_PROPERTY(int listViewHeight READ listViewHeight WRITE setListViewHeight NOTIFY columnWidthsChanged)
    /// The colours of the fields and the rows.
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor NOTIFY colorsChanged)
    /// The font of the fields and the rows.
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)
    /// The row at the top of the rows' list; writing it scrolls the list.
    Q_PROPERTY(int topIndex READ topIndex WRITE setTopIndex NOTIFY topIndexChanged)
    /// The control's error of the last refused call (0 for none).
    Q_PROPERTY(int errorNumber READ errorNumber NOTIFY errorChanged)

public:
    /// The three styles, as the control numbers them.
    enum Style { DropdownCombo = 0, SimpleCombo = 1, DropdownList = 2 };
    Q_ENUM(Style)

    explicit KorvaneBox(QQuickItem* parent = nullptr);
    ~KorvaneBox() override;

    Style boxStyle() const;
    void setBoxStyle(Style style);
    int currentIndex() const;
    void setCurrentIndex(int index);
    QString currentText() const;
    QVariant currentData() const;
    int count() const;
    QString text() const;
    void setText(const QString& text);
    bool locked() const;
    void setLocked(bool on);
    bool autoFill() const;
    void setAutoFill(bool on);
    int column1Width() const;
    void setColumn1Width(int pixels);
    int column2Width() const;
    void setColumn2Width(int pixels);
    int errorNumber() const { return error_; }
    int searchMode() const;
    void setSearchMode(int mode);
    int searchColumns() const;
    void setSearchColumns(int columns);
    int listViewHeight() const;
    void setListViewHeight(int pixels);
    int topIndex() const;
    void setTopIndex(int row);
    QColor backColor() const;
    void setBackColor(const QColor& color);
    QColor foreColor() const;
    void setForeColor(const QColor& color);
    QFont font() const;
    void setFont(const QFont& font);

    /// Adds a row; `id` is its item number. Texts must be strings or
    /// numbers, the item number a number.
    Q_INVOKABLE void addItem(const QVariant& column1, const QVariant& column2, const QVariant& id = 0);
    /// Adds many rows in one call, each [column1, column2, itemNumber]
    /// (column 2 and the number may be left out) or column 1's text alone.
    /// A row that is neither adds no row at all.
    Q_INVOKABLE void addItems(const QVariantList& rows);
    /// Removes row `row`.
    Q_INVOKABLE void removeItem(int row);
    /// Removes every row.
    Q_INVOKABLE void clear();
    /// The text of column `column` (1 or 2) of row `row`; "" for a row that
    /// does not exist.
    Q_INVOKABLE QString itemText(int row, int column = 1) const;
    /// The item number of row `row`; undefined for a row that does not exist.
    Q_INVOKABLE QVariant itemData(int row) const;
    /// The first row whose column `column` is `text` (case ignored); -1.
    Q_INVOKABLE int find(const QString& text, int column = 1) const;
    /// The first row whose column `column` (1 or 2) matches `text` as
    /// `flags` ask, as Qt's models match strings (Qt.MatchExactly,
    /// Qt.MatchFixedString (case ignored), Qt.MatchContains,
    /// Qt.MatchStartsWith, Qt.MatchEndsWith, Qt.MatchWildcard,
    /// Qt.MatchRegularExpression; with Qt.MatchCaseSensitive or not); -1.
    Q_INVOKABLE int findText(const QString& text, int column = 1,
                             int flags = Qt::MatchExactly | Qt::MatchCaseSensitive) const;
    /// Writes column 1's text of row `row`.
    Q_INVOKABLE void setList(int row, const QString& text);
    /// Writes the item number of row `row`.
    Q_INVOKABLE void setItemData(int row, const QVariant& value);
    /// Shows the control's About box, modal, over the item's window.
    Q_INVOKABLE void about();
    /// Draws the control again.
    Q_INVOKABLE void refresh();
    /// Orders the rows by column `column` (1, 2, or 3 for the item number),
    /// as text or as numbers.
    Q_INVOKABLE void sort(int column, bool numeric = false);
    /// What column `column` (1 or 2) of the box shows now.
    Q_INVOKABLE QString displayText(int column) const;
    /// The control's error text of the last refused call ("" for none).
    Q_INVOKABLE QString errorString() const;

signals:
    /// The user chose row `index`.
    void activated(int index);
    /// The row under the pointer or the keys in the open list.
    void highlighted(int index);
    void currentIndexChanged();
    void currentTextChanged();
    /// What column `column` (1 or 2) of the box shows changed: typed, or a
    /// row chosen.
    void editTextChanged(int column, const QString& text);
    /// The control's Click: a row chosen by the user or written by the
    /// program (activated is the user's alone).
    void clicked();
    void topIndexChanged();
    void countChanged();
    /// The user added row `row` with Enter (autoFill).
    void filled(int row);
    /// What the typed text shows changed: `matches` rows are shown (also
    /// when searchMode or searchColumns is written).
    void searchChanged(int matches);
    void colorsChanged();
    void fontChanged();
    void boxStyleChanged();
    void lockedChanged();
    void autoFillChanged();
    void columnWidthsChanged();
    void errorChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void followWindow();
    // The control changed outside the window's input (a screen reader
    // edited a field): the box reads itself again once the call is over.
    void readAgain();

private:
    // The control's events (ucvKorvaneEvents).
    void Click() override;
    void Filled() override;
    void KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override;
    void SearchChanged(std::int32_t& Matches) override;

    // Makes the control (again) in the style asked for.
    void Build();
    // Runs a call of the control: a refusal becomes a QML warning and the
    // error properties; then the change signals of what changed.
    template <class Work>
    bool Call(const char* what, Work&& work);
    // Reads the control into a snapshot and emits the signals of what
    // changed since the last one.
    void Sync();
    // Sync at the next turn of the event loop (once for many calls).
    void QueueSync();
    // Makes the control's first Tab stop the part the box's focus goes to.
    void FocusFirstStop();
    // Gives the item the size the control's window has.
    void FollowControl();
    // Gives the control the font and the colours of the window that the
    // program did not set itself.
    void FollowWindow();
    void WatchWindow(QQuickWindow* window);
    void ApplyFont(const QFont& font);

    struct Snapshot {
        int index = -1;
        int count = 0;
        std::string text1;  // as the control holds them
        std::string text2;
        bool locked = false;
        bool autoFill = false;
        int width1 = 0;
        int width2 = 0;
        int topIndex = 0;
        bool operator==(const Snapshot&) const = default;
    };

    std::shared_ptr<tk::quick::QuickDesktop> desktop_;
    std::unique_ptr<ucvKorvane> control_;
    tk::Hwnd hostWindow_ = 0;
    Style style_ = DropdownCombo;
    Snapshot last_;
    int calls_ = 0;  // calls of the program under way (their Click is no activation)
    bool sizing_ = false;
    int error_ = 0;
    bool syncQueued_ = false;
    bool ownFont_ = false;  // set by the program: the window's no longer reaches the box
    bool ownBackColor_ = false;
    bool ownForeColor_ = false;
    QPointer<QQuickWindow> watchedWindow_;
    std::vector<QMetaObject::Connection> windowWatch_;
    QString errorText_;
};

}  // namespace korvane::quick
