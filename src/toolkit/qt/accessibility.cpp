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
#include "combo_reading.h"
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
    return reading::Trimmed(text);
}

QString ReaderText(std::string_view utf8) {
    return reading::ReaderText(utf8);
}

Node* ComboOf(const Node& part) {
    return reading::ComboOf(part);
}

// The desktop's tool controls name a combo box's drop-down first.
Node* DropDownOf(const Node& combo) {
    if (combo.desk == nullptr)
        return nullptr;
    if (auto it = combo.desk->toolControls.find(combo.id); it != combo.desk->toolControls.end()) {
        if (Node* form = combo.desk->Get(it->second); form != nullptr && form->role == Role::DropDown)
            return form;
    }
    return reading::DropDownAmongNodes(combo);
}

Node* ChildWithRole(const Node& parent, Role role, bool visibleOnly) {
    return reading::ChildWithRole(parent, role, visibleOnly);
}

bool OnScreen(const Node& node) {
    QWidget* w = node.Q();
    return node.visible && w != nullptr && w->isVisible();
}

QtListBox* RowsOf(const Node& combo) {
    return reading::RowsOf<QtListBox>(combo, DropDownOf(combo));
}

Node* ShownRowList(const Node& combo) {
    Node* drop = DropDownOf(combo);
    return reading::ShownRowList(combo, drop, drop != nullptr && OnScreen(*drop));
}

bool Expandable(const Node& combo) {
    return reading::Expandable(combo);
}

bool Expanded(const Node& combo) {
    Node* drop = DropDownOf(combo);
    return Expandable(combo) && drop != nullptr && OnScreen(*drop);
}

QString RowText(const Node& list, std::int32_t row) {
    return reading::RowText<QtListBox>(list, row);
}

QString Position(std::int32_t row, std::int32_t count) {
    return reading::Position(row, count);
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
