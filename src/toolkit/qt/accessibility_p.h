// What the accessible faces of the Qt desktop share (accessibility.cpp and
// the accessible_*.cpp files): the count of faces alive, where the parts of
// a combo box are (its drop-down, its lists, its fields), the texts a reader
// gets, and the faces each file makes.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "widget_kinds.h"

namespace korvane::tk::qt::a11y {

using Impl = QtDesktop::Impl;

// Every face of ours counts itself, for the tests that check a listening
// reader leaves nothing behind.
struct Counted {
    Counted();
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    ~Counted();
};
int LiveFaces();

Node* NodeOfInterface(const QAccessibleWidget& iface);
QAccessibleInterface* FaceOf(const Node* node);
std::string Trimmed(std::string_view text);
// Text as a reader gets it: a NUL would cut the string short on the bus.
QString ReaderText(std::string_view utf8);
// The combo box a part belongs to: a drop-down's is named by its role, the
// other parts' is their parent.
Node* ComboOf(const Node& part);
// The drop-down window of a combo box, shown or not; null before the
// control made one.
Node* DropDownOf(const Node& combo);
Node* ChildWithRole(const Node& parent, Role role, bool visibleOnly);
bool OnScreen(const Node& node);
// The list that holds the combo box's rows: Simple Combo's own, else the
// drop-down's first column (there even while closed).
QtListBox* RowsOf(const Node& combo);
// The rows' list a reader may enter: Simple Combo's, or the open drop-down's.
Node* ShownRowList(const Node& combo);
bool Expandable(const Node& combo);
bool Expanded(const Node& combo);
// The columns of a row, from a list and the lists of further columns beside
// it, trimmed as the control shows them.
QString RowText(const Node& list, std::int32_t row);
// "row 4 of 11"
QString Position(std::int32_t row, std::int32_t count);

// The faces (accessible_combo_box.cpp, accessible_rows.cpp,
// accessible_parts.cpp).
QAccessibleInterface* NewComboBoxFace(QWidget* w);
QAccessibleInterface* NewDropDownFace(QWidget* w);
QAccessibleInterface* NewRowListFace(QWidget* w);
QAccessibleInterface* NewUnshownFace(QWidget* w);
QAccessibleInterface* NewPieceFace(QWidget* w, QAccessible::Role role);
QAccessibleInterface* NewFieldFace(FieldWidget* w);

// The face of the current row of a list of rows, or null when the list has
// no face of rows or its current row is not among the rows shown.
QAccessibleInterface* CurrentRowFace(Node& list);

}  // namespace korvane::tk::qt::a11y
