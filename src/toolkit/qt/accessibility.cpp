// What a screen reader sees of our widgets. A user control whose role is
// the combo box is one combo box, as a QComboBox is: named from the host's
// buddy label or its site name, its value the current row's columns, its
// place among the rows ("row 4 of 11") after its tool tip as description,
// with the states the screen shows (expandable, expanded or collapsed,
// focused, editable or read-only) and the actions Press and ShowMenu.
// Its children are its editable fields and, while it shows, its list of
// rows (the open drop-down, or Simple Combo's list), each row one list item
// naming both columns. Everything else the control is made of (hidden
// fields and labels, the button, its pictures, the second column's list,
// scroll bars) is not shown to a reader. The toolkit knows each widget by
// the role the control gave it (tk::Role), never by its name.
//
// This file holds the factory that picks a widget's face by its role, and
// where the parts of a combo box are; the faces live in
// accessible_combo_box.cpp (the combo box and its drop-down window),
// accessible_rows.cpp (the list of rows and each row) and
// accessible_parts.cpp (fields, hidden parts, widgets outside a combo box),
// and what the reader is told when things change in accessible_events.cpp.
#include "accessibility_p.h"
#include "reader_role.h"

namespace korvane::tk::qt {

namespace a11y {

namespace {
int g_liveFaces = 0;
}  // namespace

Counted::Counted() {
    ++g_liveFaces;
}
Counted::~Counted() {
    --g_liveFaces;
}
int LiveFaces() {
    return g_liveFaces;
}

Node* NodeOfInterface(const QAccessibleWidget& iface) {
    auto* ref = dynamic_cast<Backref*>(iface.object());
    return ref != nullptr ? ref->node : nullptr;
}

QAccessibleInterface* FaceOf(const Node* node) {
    QWidget* w = node != nullptr ? node->Q() : nullptr;
    return w != nullptr ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Text as a reader gets it: a NUL would cut the string short on the bus.
QString ReaderText(std::string_view utf8) {
    QString text = ToQ(utf8);
    text.replace(QChar(0), QChar(QChar::ReplacementCharacter));
    return text;
}

// The combo box a part belongs to: a drop-down's is named by its role, the
// other parts' is their parent.
Node* ComboOf(const Node& part) {
    if (part.desk == nullptr)
        return nullptr;
    if (part.role == Role::ComboBox)
        return const_cast<Node*>(&part);
    if (part.role == Role::DropDown)
        return part.desk->Get(part.roleWhole);
    Node* parent = part.parent;
    if (parent != nullptr && parent->role == Role::DropDown)
        return ComboOf(*parent);
    return parent != nullptr && parent->role == Role::ComboBox ? parent : nullptr;
}

// The drop-down window of a combo box, shown or not; null before the
// control made one.
Node* DropDownOf(const Node& combo) {
    if (combo.desk == nullptr)
        return nullptr;
    if (auto it = combo.desk->toolControls.find(combo.id); it != combo.desk->toolControls.end()) {
        if (Node* form = combo.desk->Get(it->second); form != nullptr && form->role == Role::DropDown)
            return form;
    }
    for (const auto& [id, node] : combo.desk->nodes) {
        if (node->role == Role::DropDown && node->roleWhole == combo.id)
            return node;
    }
    return nullptr;
}

Node* ChildWithRole(const Node& parent, Role role, bool visibleOnly) {
    for (Node* child : parent.children) {
        if (child->role == role && (child->visible || !visibleOnly))
            return child;
    }
    return nullptr;
}

bool OnScreen(const Node& node) {
    QWidget* w = node.Q();
    return node.visible && w != nullptr && w->isVisible();
}

// The list that holds the combo box's rows: Simple Combo's own, else the
// drop-down's first column (there even while closed).
QtListBox* RowsOf(const Node& combo) {
    if (Node* own = ChildWithRole(combo, Role::RowList, true))
        return static_cast<QtListBox*>(own);
    Node* drop = DropDownOf(combo);
    Node* list = drop != nullptr ? ChildWithRole(*drop, Role::RowList, false) : nullptr;
    return static_cast<QtListBox*>(list);
}

// The rows' list a reader may enter: Simple Combo's, or the open drop-down's.
Node* ShownRowList(const Node& combo) {
    if (Node* own = ChildWithRole(combo, Role::RowList, true))
        return own;
    Node* drop = DropDownOf(combo);
    if (drop == nullptr || !OnScreen(*drop))
        return nullptr;
    return ChildWithRole(*drop, Role::RowList, true);
}

bool Expandable(const Node& combo) {
    return ChildWithRole(combo, Role::DropDownButton, true) != nullptr;
}

bool Expanded(const Node& combo) {
    Node* drop = DropDownOf(combo);
    return Expandable(combo) && drop != nullptr && OnScreen(*drop);
}

// The columns of a row, from a list and the lists of further columns beside
// it, trimmed as the control shows them.
QString RowText(const Node& list, std::int32_t row) {
    QStringList parts;
    if (list.parent == nullptr)
        return {};
    for (Node* column : list.parent->children) {
        if ((column->role != Role::RowList && column->role != Role::RowListColumn) || column->width <= 0)
            continue;
        auto* l = static_cast<QtListBox*>(column);
        if (row >= 0 && row < l->ListCount())
            parts << ReaderText(Trimmed(l->EntryText(row)));
    }
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" "));
}

QString Position(std::int32_t row, std::int32_t count) {
    return QStringLiteral("row %1 of %2").arg(row + 1).arg(count);
}

}  // namespace a11y

namespace {

using namespace a11y;

// The face of a widget the control gave a role.
QAccessibleInterface* FaceForRole(QWidget* w, Node& node) {
    switch (node.role) {
        case Role::ComboBox:
            return NewComboBoxFace(w);
        case Role::Editor:
            if (auto* field = dynamic_cast<FieldWidget*>(w))
                return NewFieldFace(field);
            return nullptr;
        case Role::RowList:
            return NewRowListFace(w);
        case Role::DropDown:
            return NewDropDownFace(w);
        case Role::ShownValue:
        case Role::RowListColumn:
        case Role::DropDownButton:
        case Role::Decoration:
            return NewUnshownFace(w);
        case Role::Plain:
            break;
    }
    return nullptr;
}

// The face of a widget of its own, of the role every face gives it
// (model/reader.h); forms and push buttons keep Qt's own faces.
QAccessibleInterface* PlainFace(QWidget* w, const Node& node) {
    switch (node.kind) {
        case Kind::TextBox:
            if (auto* field = dynamic_cast<FieldWidget*>(w))
                return NewFieldFace(field);
            return nullptr;
        case Kind::ListBox:
        case Kind::Image:
        case Kind::Label:
            return NewPieceFace(w, ToQRole(model::ReaderKindOf(node, false)));
        default:
            return nullptr;
    }
}

}  // namespace

void Node::AccessibleNameChanged() {
    if (QWidget* w = Q())
        w->setAccessibleName(ToQ(accessibleName.empty() ? name : accessibleName));
}

QAccessibleInterface* AccessibleFactory(const QString&, QObject* object) {
    auto* ref = dynamic_cast<Backref*>(object);
    auto* w = qobject_cast<QWidget*>(object);
    if (ref == nullptr || w == nullptr || ref->node == nullptr)
        return nullptr;
    Node& node = *ref->node;
    if (node.role != Role::Plain)
        return FaceForRole(w, node);
    return PlainFace(w, node);
}

// Qt keeps the face it made first; one made before the control gave the
// widget its role goes, and the next query makes the face of the role.
void Node::RoleChanged() {
    QWidget* w = Q();
    if (w == nullptr)
        return;
    if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

int LiveAccessibleFaces() {
    return a11y::LiveFaces();
}

}  // namespace korvane::tk::qt
