// How a screen reader reads a combo box made of toolkit widgets, on both Qt
// faces: which combo box a part belongs to, its drop-down, the list of rows
// a reader may enter, whether it is expanded, a row's text and its place.
// The pieces are known by the role the control gave them (tk::Role). The
// Qt Widgets and the Qt Quick faces keep different nodes, so the walks are
// templates over the face's node and list types; what is on screen is the
// face's to say.
#pragma once

#include <QAccessibleInterface>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/widgets.h"

namespace korvane::tk::qt::reading {

// The text without the blanks the control pads it with.
std::string Trimmed(std::string_view text);
// Text as a reader gets it: a NUL would cut the string short on the bus.
QString ReaderText(std::string_view utf8);
// "row 4 of 11"
QString Position(std::int32_t row, std::int32_t count);

template <class NodeT>
NodeT* ChildWithRole(const NodeT& parent, Role role, bool visibleOnly) {
    for (NodeT* child : parent.children) {
        if (child->role == role && (child->visible || !visibleOnly))
            return child;
    }
    return nullptr;
}

// The combo box a part belongs to: a drop-down's is named by its role, the
// other parts' is their parent.
template <class NodeT>
NodeT* ComboOf(const NodeT& part) {
    if (part.desk == nullptr)
        return nullptr;
    if (part.role == Role::ComboBox)
        return const_cast<NodeT*>(&part);
    if (part.role == Role::DropDown)
        return part.desk->Get(part.roleWhole);
    NodeT* parent = part.parent;
    if (parent != nullptr && parent->role == Role::DropDown)
        return ComboOf(*parent);
    return parent != nullptr && parent->role == Role::ComboBox ? parent : nullptr;
}

// The drop-down window of a combo box among the desktop's nodes, shown or
// not; null before the control made one.
template <class NodeT>
NodeT* DropDownAmongNodes(const NodeT& combo) {
    if (combo.desk == nullptr)
        return nullptr;
    for (const auto& [id, node] : combo.desk->nodes) {
        if (node->role == Role::DropDown && node->roleWhole == combo.id)
            return node;
    }
    return nullptr;
}

// The list that holds the combo box's rows: Simple Combo's own, else the
// drop-down's first column (there even while closed).
template <class ListT, class NodeT>
ListT* RowsOf(const NodeT& combo, const NodeT* dropDown) {
    if (NodeT* own = ChildWithRole(combo, Role::RowList, true))
        return static_cast<ListT*>(own);
    NodeT* list = dropDown != nullptr ? ChildWithRole(*dropDown, Role::RowList, false) : nullptr;
    return static_cast<ListT*>(list);
}

// The rows' list a reader may enter: Simple Combo's, or the open
// drop-down's (`dropDownShown` says whether it is on screen).
template <class NodeT>
NodeT* ShownRowList(const NodeT& combo, const NodeT* dropDown, bool dropDownShown) {
    if (NodeT* own = ChildWithRole(combo, Role::RowList, true))
        return own;
    if (dropDown == nullptr || !dropDownShown)
        return nullptr;
    return ChildWithRole(*dropDown, Role::RowList, true);
}

template <class NodeT>
bool Expandable(const NodeT& combo) {
    return ChildWithRole(combo, Role::DropDownButton, true) != nullptr;
}

// The columns of a row, from a list and the lists of further columns beside
// it, trimmed as the control shows them.
template <class ListT, class NodeT>
QString RowText(const NodeT& list, std::int32_t row) {
    QStringList parts;
    if (list.parent == nullptr)
        return {};
    for (NodeT* column : list.parent->children) {
        if ((column->role != Role::RowList && column->role != Role::RowListColumn) || column->width <= 0)
            continue;
        auto* l = static_cast<ListT*>(column);
        if (row >= 0 && row < l->ListCount())
            parts << ReaderText(Trimmed(l->EntryText(row)));
    }
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" "));
}

// A face whose children are the faces of its parts (a combo box's fields
// and rows, a form's widgets): the child at an index, the index of a
// child, the child at a point. `faceOf` gives a part's face.
template <class NodeT, class FaceOfF>
QAccessibleInterface* ChildFace(const std::vector<NodeT*>& parts, int index, FaceOfF faceOf) {
    return index >= 0 && index < static_cast<int>(parts.size()) ? faceOf(parts[static_cast<std::size_t>(index)])
                                                                : nullptr;
}

template <class NodeT, class FaceOfF>
int IndexOfChildFace(const std::vector<NodeT*>& parts, const QAccessibleInterface* child, FaceOfF faceOf) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (child != nullptr && faceOf(parts[i]) == child)
            return static_cast<int>(i);
    }
    return -1;
}

template <class NodeT, class FaceOfF>
QAccessibleInterface* ChildFaceAt(const std::vector<NodeT*>& parts, int x, int y, FaceOfF faceOf) {
    for (NodeT* part : parts) {
        if (QAccessibleInterface* face = faceOf(part); face != nullptr && face->rect().contains(x, y))
            return face;
    }
    return nullptr;
}

}  // namespace korvane::tk::qt::reading
