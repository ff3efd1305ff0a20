// The control as one combo box to a screen reader: its name, value,
// description and states, its fields and list of rows as children, the
// actions that press its button; and its drop-down window, which holds the
// list while open.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <vector>

#include "accessibility_p.h"
#include "combo_reading.h"

namespace korvane::tk::qt::a11y {

namespace {

// A press of the drop-down button, as a person's, once the reader's call
// is over: the button's handlers may run a modal loop or destroy the box.
void PressLater(QWidget* button) {
    QPointer<QWidget> target(button);
    QMetaObject::invokeMethod(
        button,
        [target] {
            Guarded([&] {
                const QPointF centre(target->width() / 2.0, target->height() / 2.0);
                const QPointF global = target->mapToGlobal(centre);
                QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(target, &press);
                if (!target)
                    return;
                QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QApplication::sendEvent(target, &release);
            });
        },
        Qt::QueuedConnection);
}

// The control as one combo box.
class ComboBox final : public QAccessibleWidget, public QAccessibleTextInterface, Counted {
public:
    explicit ComboBox(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (node == nullptr)
            return QAccessibleWidget::text(t);
        switch (t) {
            case QAccessible::Name:
                return Name(*node);
            case QAccessible::Value:
                return Value(*node);
            case QAccessible::Description:
                return Description(*node);
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        Node* node = NodeOfInterface(*this);
        if (node == nullptr || node->desk == nullptr)
            return s;
        s.expandable = Expandable(*node);
        s.expanded = Expanded(*node);
        s.collapsed = s.expandable && !s.expanded;
        s.editable = false;
        for (Node* part : Editors(*node)) {
            if (!static_cast<QtTextBox*>(part)->locked)
                s.editable = true;
        }
        s.readOnly = !s.editable;
        s.focusable = true;
        Node* focus = node->desk->Get(node->desk->focus);
        s.focused = focus != nullptr && node->desk->Inside(focus->id, *node);
        return s;
    }

    // Its fields, then its list while a reader may enter it.
    int childCount() const override { return static_cast<int>(Parts().size()); }
    QAccessibleInterface* child(int index) const override { return reading::ChildFace(Parts(), index, FaceOf); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return reading::IndexOfChildFace(Parts(), child, FaceOf);
    }
    QAccessibleInterface* childAt(int x, int y) const override { return reading::ChildFaceAt(Parts(), x, y, FaceOf); }

    // The actions (QAccessibleWidget's QAccessibleActionInterface): both
    // open or close the drop-down, as the button does; Simple Combo's list
    // is always shown.
    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    void doAction(const QString& name) override {
        Node* node = NodeOfInterface(*this);
        if (node == nullptr || (name != pressAction() && name != showMenuAction()) || !node->enabled)
            return;
        Node* button = ChildWithRole(*node, Role::DropDownButton, true);
        if (button != nullptr && button->Q() != nullptr)
            PressLater(button->Q());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // QAccessibleTextInterface: the value as read-only text, which is where
    // a reader on AT-SPI reads a combo box's current text.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return text(QAccessible::Value).mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(text(QAccessible::Value).size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset;
        return {};
    }

private:
    static std::vector<Node*> Editors(const Node& node) {
        std::vector<Node*> editors;
        for (Node* child : node.children) {
            if (child->role == Role::Editor && child->visible && child->kind == Kind::TextBox)
                editors.push_back(child);
        }
        return editors;
    }
    std::vector<Node*> Parts() const {
        Node* node = NodeOfInterface(*this);
        if (node == nullptr)
            return {};
        std::vector<Node*> parts = Editors(*node);
        if (Node* list = ShownRowList(*node))
            parts.push_back(list);
        return parts;
    }

    QString Name(const Node& node) const {
        // A host's label that names this control as its buddy.
        if (QWidget* parent = widget()->parentWidget()) {
            for (QLabel* label : parent->findChildren<QLabel*>()) {
                if (label->buddy() == widget())
                    return label->text().remove(QChar('&'));
            }
        }
        // Embedded in a host's widget without a name of its own: named as
        // that widget is (by its buddy label, say).
        if (widget()->accessibleName().isEmpty() && node.foreignParent != 0) {
            if (QWidget* holder = widget()->parentWidget()) {
                if (QAccessibleInterface* outer = QAccessible::queryAccessibleInterface(holder))
                    return outer->text(QAccessible::Name);
            }
        }
        return QAccessibleWidget::text(QAccessible::Name);
    }

    // The texts the control shows: its fields, or its labels in the
    // list-only style.
    static QString Value(const Node& node) {
        QStringList shown;
        for (Node* child : node.children) {
            if (!child->visible)
                continue;
            if (child->role == Role::Editor && child->kind == Kind::TextBox)
                shown << ReaderText(Trimmed(static_cast<QtTextBox*>(child)->Text()));
            if (child->role == Role::ShownValue && child->kind == Kind::Label)
                shown << ReaderText(Trimmed(static_cast<QtLabel*>(child)->caption));
        }
        shown.removeAll(QString());
        return shown.join(QStringLiteral(" "));
    }

    // The tool tip, then the current row's place among the rows.
    QString Description(const Node& node) const {
        QStringList parts;
        if (!node.toolTip.empty()) {
            parts << ReaderText(node.toolTip);
        } else {
            for (Node* child : node.children) {
                if (!child->toolTip.empty()) {
                    parts << ReaderText(child->toolTip);
                    break;
                }
            }
        }
        if (QtListBox* rows = RowsOf(node); rows != nullptr && rows->ListIndex() >= 0)
            parts << Position(rows->ListIndex(), rows->ListCount());
        // A search's view: how many rows match.
        if (QtListBox* rows = RowsOf(node); rows != nullptr && rows->Filtered())
            parts << QStringLiteral("%1 matches").arg(rows->ShownCount());
        return parts.join(QStringLiteral(", "));
    }
};

// The drop-down window: a window holding the combo box's list while open.
class DropDownWindow final : public QAccessibleWidget, Counted {
public:
    explicit DropDownWindow(QWidget* w) : QAccessibleWidget(w, QAccessible::Window) {}

    int childCount() const override { return List() != nullptr ? 1 : 0; }
    QAccessibleInterface* child(int index) const override { return index == 0 ? FaceOf(List()) : nullptr; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child == FaceOf(List()) ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (t == QAccessible::Name && node != nullptr) {
            if (QAccessibleInterface* combo = FaceOf(ComboOf(*node)))
                return combo->text(t);
        }
        return QAccessibleWidget::text(t);
    }

private:
    Node* List() const {
        Node* node = NodeOfInterface(*this);
        return node != nullptr && OnScreen(*node) ? ChildWithRole(*node, Role::RowList, true) : nullptr;
    }
};

}  // namespace

QAccessibleInterface* NewComboBoxFace(QWidget* w) {
    return new ComboBox(w);
}

QAccessibleInterface* NewDropDownFace(QWidget* w) {
    return new DropDownWindow(w);
}

}  // namespace korvane::tk::qt::a11y
