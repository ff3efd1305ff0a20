// What the accessible faces of the Qt Quick desktop share (accessibility.cpp
// and the accessible_*.cpp files beside it): where the parts of a combo box
// are (the item that stands for it, its drop-down, its lists and fields),
// which widgets are on a form of the desktop's own, the texts a reader
// gets, and the faces each file makes.
#pragma once

#include <QAccessible>
#include <QAccessibleObject>
#include <QQuickItem>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../model/reader.h"
#include "accessibility.h"
#include "widget_kinds.h"

class QQuickItem;
class QQuickWindow;

namespace korvane::tk::quick {

namespace a11y {

// The live node an item of ours shows; null for other items.
Node* NodeOfItem(const QObject* object);
// The combo box whose item `holder` is: a foreign item holding a user
// control with the combo box's role, or that user control's own item.
Node* ComboOfHolder(const QQuickItem& holder);
// The item that stands for a combo box to a reader: the foreign item it
// was moved into, else its own item.
QQuickItem* HolderOf(const Node& combo);
// Qt Quick's Accessible attached object of an item (what QML says of it),
// made when `create` is true; null when there is none.
QObject* AccessibleAttached(QQuickItem& item, bool create);
// A node's face: a combo box's is its holder's.
QAccessibleInterface* FaceOf(const Node* node);

std::string Trimmed(std::string_view text);
// Text as a reader gets it: a NUL would cut the string short on the bus.
QString ReaderText(std::string_view utf8);
// The combo box a part belongs to: a drop-down's is named by its role, the
// other parts' is their parent (or their drop-down's combo box).
Node* ComboOf(const Node& part);
// The drop-down form of a combo box, shown or not; null before the
// control made one.
Node* DropDownOf(const Node& combo);
Node* ChildWithRole(const Node& parent, Role role, bool visibleOnly);
// Shown on the screen: the node and every item above it visible.
bool OnScreen(const Node& node);
// The list that holds the combo box's rows: Simple Combo's own, else the
// drop-down's first column (there even while closed).
QuickListBox* RowsOf(const Node& combo);
// The rows' list a reader may enter: Simple Combo's, or the open drop-down's.
Node* ShownRowList(const Node& combo);
bool Expandable(const Node& combo);
bool Expanded(const Node& combo);
// The columns of a row, from a list and the lists of further columns beside
// it, trimmed as the control shows them.
QString RowText(const Node& list, std::int32_t row);
// "row 4 of 11"
QString Position(std::int32_t row, std::int32_t count);
// An item's rectangle on the screen, in pixels.
QRect ScreenRect(const QQuickItem& item);

// The form of the desktop's own (one the control gave no role: a host's
// form, the About box, the message box) that `node` is on; null for the
// control's drop-down and for what lies in a host's scene.
Node* OwnFormOf(const Node& node);
// The form of the desktop's own whose window `window` is.
Node* OwnFormOfWindow(const QQuickWindow& window);
// What a widget of the desktop's own is to a reader (model/reader.h).
model::ReaderKind ReaderKindOf(const Node& node);
// What a reader meets on a form of the desktop's own, in the form's order:
// its shown widgets, read through the host's user controls, a combo box
// as one.
std::vector<Node*> ReaderChildren(const Node& form);
// The face that lists a part: its combo box's, else its form's window's.
QAccessibleInterface* ParentFaceOf(const Node& node);

// A field's text in the reader's UTF-16 offsets: where unit `unit` starts,
// and the unit at an offset.
int Utf16Offset(const QuickTextBox& box, std::int32_t unit);
std::int32_t UnitOfUtf16(const QuickTextBox& box, int offset);

// What every face of an item of ours has: its window, place and parent
// (the combo box it belongs to, or its form's window).
class ItemFace : public QAccessibleObject {
public:
    explicit ItemFace(QQuickItem* item) : QAccessibleObject(item) {}

    QQuickItem* Item() const { return static_cast<QQuickItem*>(object()); }
    Node* NodeOf() const { return NodeOfItem(object()); }
    QWindow* window() const override { return Item() != nullptr ? Item()->window() : nullptr; }
    QRect rect() const override { return Item() != nullptr ? ScreenRect(*Item()) : QRect(); }
    QAccessibleInterface* parent() const override {
        Node* node = NodeOf();
        return node != nullptr ? ParentFaceOf(*node) : nullptr;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

// The faces (accessible_combo_box.cpp, accessible_rows.cpp,
// accessible_parts.cpp).
QAccessibleInterface* NewComboBoxFace(QQuickItem* holder);
QAccessibleInterface* NewDropDownFace(QQuickWindow* window);
QAccessibleInterface* NewRowListFace(QQuickItem* item);
QAccessibleInterface* NewFieldFace(QQuickItem* item);
QAccessibleInterface* NewUnshownFace(QQuickItem* item);
// A widget on a form of the desktop's own, and that form's window
// (accessible_forms.cpp).
QAccessibleInterface* NewPieceFace(QQuickItem* item);
QAccessibleInterface* NewOwnFormFace(QQuickWindow* window);

// The face of the current row of a list of rows, or null when the list has
// no face of rows or its current row is not among the rows shown.
QAccessibleInterface* CurrentRowFace(Node& list);

}  // namespace a11y
}  // namespace korvane::tk::quick
