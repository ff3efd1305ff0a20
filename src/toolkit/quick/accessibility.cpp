// What a screen reader finds of a control on the Qt Quick desktop: the
// item of the host's scene that holds the control (the QML KorvaneBox) is
// one combo box, as Qt Quick Controls' ComboBox is, with the control's
// editable fields and, while it shows, its list of rows as children.
// Everything else the control is made of (labels, the button, pictures,
// the second column's list, the drop-down's form) has no face a reader
// meets. The pieces are known by the role the control gave them (tk::Role),
// never by their names. A form of the desktop's own (a host's form, the
// About box, the message box) is a window or a dialog holding its widgets
// as a person sees them, read as on the Qt Widgets face (model/reader.h).
//
// Qt Quick lists only the items it counts as accessible: those with an
// Accessible attached object that is not ignored. The desktop attaches one
// to the holder when a combo box moves into it; the items of our own
// widgets never get one, so a reader meets them only through the combo
// box's face.
//
// This file holds the factory that picks an item's face, the attaching,
// and where the parts of a combo box are; the faces live in
// accessible_combo_box.cpp (the combo box and a drop-down's own window),
// accessible_rows.cpp (the list of rows and each row),
// accessible_parts.cpp (fields, parts a reader never meets) and
// accessible_forms.cpp (forms of the desktop's own and their widgets), and
// what the reader is told when things change in accessible_events.cpp.
#include <QtQml/qqml.h>

#include <QMetaType>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>

#include "../qt/combo_reading.h"
#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

Node* NodeOfItem(const QObject* object) {
    const auto* item = qobject_cast<const NodeItem*>(object);
    return item != nullptr && item->desk != nullptr ? item->desk->Get(item->id) : nullptr;
}

Node* ComboOfHolder(const QQuickItem& holder) {
    if (Node* own = NodeOfItem(&holder); own != nullptr && own->role == Role::ComboBox && own->foreignParent == 0)
        return own;
    for (QQuickItem* child : holder.childItems()) {
        Node* node = NodeOfItem(child);
        if (node != nullptr && node->role == Role::ComboBox && node->foreignParent != 0)
            return node;
    }
    return nullptr;
}

QQuickItem* HolderOf(const Node& combo) {
    if (combo.foreignParent != 0) {
        if (QQuickItem* holder = combo.HolderItem())
            return holder;
    }
    return combo.item.data();
}

QAccessibleInterface* FaceOf(const Node* node) {
    if (node == nullptr)
        return nullptr;
    QQuickItem* item = node->role == Role::ComboBox ? HolderOf(*node) : node->item.data();
    return item != nullptr ? QAccessible::queryAccessibleInterface(item) : nullptr;
}

std::string Trimmed(std::string_view text) {
    return qt::reading::Trimmed(text);
}

QString ReaderText(std::string_view utf8) {
    return qt::reading::ReaderText(utf8);
}

Node* ComboOf(const Node& part) {
    return qt::reading::ComboOf(part);
}

Node* DropDownOf(const Node& combo) {
    return qt::reading::DropDownAmongNodes(combo);
}

Node* ChildWithRole(const Node& parent, Role role, bool visibleOnly) {
    return qt::reading::ChildWithRole(parent, role, visibleOnly);
}

bool OnScreen(const Node& node) {
    const QQuickItem* item = node.item.data();
    return node.visible && item != nullptr && item->isVisible() && item->window() != nullptr &&
           item->window()->isVisible();
}

QuickListBox* RowsOf(const Node& combo) {
    return qt::reading::RowsOf<QuickListBox>(combo, DropDownOf(combo));
}

Node* ShownRowList(const Node& combo) {
    Node* drop = DropDownOf(combo);
    return qt::reading::ShownRowList(combo, drop, drop != nullptr && OnScreen(*drop));
}

bool Expandable(const Node& combo) {
    return qt::reading::Expandable(combo);
}

bool Expanded(const Node& combo) {
    Node* drop = DropDownOf(combo);
    return Expandable(combo) && drop != nullptr && OnScreen(*drop);
}

QString RowText(const Node& list, std::int32_t row) {
    return qt::reading::RowText<QuickListBox>(list, row);
}

QString Position(std::int32_t row, std::int32_t count) {
    return qt::reading::Position(row, count);
}

QRect ScreenRect(const QQuickItem& item) {
    if (item.window() == nullptr)
        return {};
    const QRectF scene = item.mapRectToScene(QRectF(0, 0, item.width(), item.height()));
    return {item.window()->mapToGlobal(scene.topLeft().toPoint()), scene.size().toSize()};
}

Node* OwnFormOf(const Node& node) {
    const Node* top = &node;
    while (top->parent != nullptr && top->foreignParent == 0)
        top = top->parent;
    // What was moved into a host's scene is the scene's, whatever form
    // holds it in the desktop's tree.
    if (top->foreignParent != 0)
        return nullptr;
    if (top->kind != Kind::Form || top->role != Role::Plain || top->inOverlay)
        return nullptr;
    return const_cast<Node*>(top);
}

Node* OwnFormOfWindow(const QQuickWindow& window) {
    for (QQuickItem* child : window.contentItem()->childItems()) {
        Node* node = NodeOfItem(child);
        if (node != nullptr && node->kind == Kind::Form && node->window.get() == &window && OwnFormOf(*node) == node)
            return node;
    }
    return nullptr;
}

model::ReaderKind ReaderKindOf(const Node& node) {
    return model::ReaderKindOf(node, node.messageBox);
}

namespace {

void CollectReaderChildren(const Node& parent, std::vector<Node*>& out) {
    for (Node* child : parent.children) {
        if (!child->visible || child->item == nullptr || !child->item->isVisible())
            continue;
        if (child->role == Role::ComboBox && child->foreignParent == 0) {
            out.push_back(child);
        } else if (child->role == Role::Plain && child->kind == Kind::UserControl) {
            CollectReaderChildren(*child, out);
        } else if (child->role == Role::Plain && model::ReaderMeets(*child, ReaderKindOf(*child))) {
            out.push_back(child);
        }
    }
}

}  // namespace

std::vector<Node*> ReaderChildren(const Node& form) {
    std::vector<Node*> out;
    CollectReaderChildren(form, out);
    return out;
}

QAccessibleInterface* ParentFaceOf(const Node& node) {
    Node* combo = ComboOf(node);
    if (combo != nullptr && combo != &node)
        return FaceOf(combo);
    Node* form = OwnFormOf(node);
    if (form == nullptr || form == &node || form->window == nullptr)
        return nullptr;
    return QAccessible::queryAccessibleInterface(form->window.get());
}

int Utf16Offset(const QuickTextBox& box, std::int32_t unit) {
    return static_cast<int>(ReaderText(box.Field().Slice(0, unit)).size());
}

std::int32_t UnitOfUtf16(const QuickTextBox& box, int offset) {
    const model::FieldText& field = box.Field();
    int at = 0;
    std::int32_t unit = 0;
    for (; unit < field.Units() && at < offset; ++unit)
        at += static_cast<int>(ReaderText(field.Slice(unit, unit + 1)).size());
    return unit;
}

namespace {

// The drop-down form whose own window `window` is; null for other windows.
Node* DropDownOfWindow(const QQuickWindow& window) {
    for (QQuickItem* child : window.contentItem()->childItems()) {
        if (Node* node = NodeOfItem(child); node != nullptr && node->role == Role::DropDown && node->window != nullptr)
            return node;
    }
    return nullptr;
}

// The face of an item of our own, by the role the control gave its node.
QAccessibleInterface* FaceByRole(QQuickItem* item, const Node& node) {
    switch (node.role) {
        case Role::ComboBox:
            return node.foreignParent == 0 ? NewComboBoxFace(item) : NewUnshownFace(item);
        case Role::Editor:
            return node.kind == Kind::TextBox ? NewFieldFace(item) : NewUnshownFace(item);
        case Role::RowList:
            return NewRowListFace(item);
        case Role::ShownValue:
        case Role::RowListColumn:
        case Role::DropDownButton:
        case Role::Decoration:
        case Role::DropDown:
            return NewUnshownFace(item);
        case Role::Plain:
            break;
    }
    // Widgets of the desktop's own: a face where a person sees them on a
    // form of its own; the form's item is its window's.
    if (OwnFormOf(node) == nullptr || node.kind == Kind::Form || ReaderKindOf(node) == model::ReaderKind::None)
        return NewUnshownFace(item);
    return node.kind == Kind::TextBox ? NewFieldFace(item) : NewPieceFace(item);
}

// Asked for every class of an object from the most derived up; we answer
// at the most derived one, before Qt Quick's own factory is asked.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (object == nullptr || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (auto* window = qobject_cast<QQuickWindow*>(object)) {
        if (DropDownOfWindow(*window) != nullptr)
            return NewDropDownFace(window);
        return OwnFormOfWindow(*window) != nullptr ? NewOwnFormFace(window) : nullptr;
    }
    auto* item = qobject_cast<QQuickItem*>(object);
    if (item == nullptr)
        return nullptr;
    if (Node* node = NodeOfItem(item))
        return FaceByRole(item, *node);
    return ComboOfHolder(*item) != nullptr ? NewComboBoxFace(item) : nullptr;
}

void InstallFactoryOnce() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

// The type of Qt Quick's Accessible attached object. Qt Quick registers it
// when a QML engine first imports QtQuick; a box made from C++ before any
// did has a throwaway engine import it.
const QMetaObject* AccessibleAttachedType() {
    const char* const name = "QQuickAccessibleAttached*";
    QMetaType type = QMetaType::fromName(name);
    if (!type.isValid()) {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nQtObject {}", QUrl());
        delete component.create();
        type = QMetaType::fromName(name);
    }
    return type.isValid() ? type.metaObject() : nullptr;
}

}  // namespace

// Qt Quick's attached object holds what QML says of the item (its
// Accessible.name and description, which the combo box's face reads) and
// makes Qt Quick list the item among the scene's accessible ones.
QObject* AccessibleAttached(QQuickItem& item, bool create) {
    static const QMetaObject* const type = AccessibleAttachedType();
    if (type == nullptr)
        return nullptr;
    return qmlAttachedPropertiesObject(&item, qmlAttachedPropertiesFunction(&item, type), create);
}

}  // namespace korvane::tk::quick::a11y

namespace korvane::tk::quick {

void InstallAccessibleFaces() {
    a11y::InstallFactoryOnce();
}

// The attached object is made at the next turn of the event loop: the
// QML KorvaneBox moves its control into itself from its constructor, while
// QML is still making it, and QML gives the item its own QML data once it
// is made, which would orphan data made for an attached object now.
void AccessibleHolderAdopted(QQuickItem& holder, Node& combo) {
    if (combo.role != Role::ComboBox)
        return;
    a11y::InstallFactoryOnce();
    QPointer<QQuickItem> item(&holder);
    QMetaObject::invokeMethod(
        &holder,
        [item] {
            if (item == nullptr)
                return;
            if (QObject* attached = a11y::AccessibleAttached(*item, true))
                attached->setProperty("ignored", false);
        },
        Qt::QueuedConnection);
}

}  // namespace korvane::tk::quick
