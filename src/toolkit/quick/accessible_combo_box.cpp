// The control as one combo box to a screen reader, on the item that holds
// it: its name, value, description and states, its fields and list of rows
// as children, the actions that press its button; and the window of its
// own a drop-down opens in where the scene's window has no room, which
// holds the list while open.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <vector>

#include "../qt/combo_reading.h"
#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

namespace {

// A press of the drop-down button, as a person's, once the reader's call
// is over: the button's handlers may destroy the box.
void PressLater(QQuickItem* button) {
    QPointer<QQuickItem> target(button);
    QMetaObject::invokeMethod(
        button,
        [target] {
            Guarded([&] {
                const QPointF centre(target->width() / 2.0, target->height() / 2.0);
                const QPointF global = target->mapToGlobal(centre);
                QMouseEvent press(QEvent::MouseButtonPress, centre, centre, global, Qt::LeftButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QCoreApplication::sendEvent(target, &press);
                if (!target)
                    return;
                QMouseEvent release(QEvent::MouseButtonRelease, centre, centre, global, Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QCoreApplication::sendEvent(target, &release);
            });
        },
        Qt::QueuedConnection);
}

// The fields a person sees.
std::vector<Node*> Editors(const Node& combo) {
    std::vector<Node*> editors;
    for (Node* child : combo.children) {
        if (child->role == Role::Editor && child->visible && child->kind == Kind::TextBox)
            editors.push_back(child);
    }
    return editors;
}

// The texts the control shows: its fields, or its labels in the list-only
// style.
QString Value(const Node& combo) {
    QStringList shown;
    for (Node* child : combo.children) {
        if (!child->visible)
            continue;
        if (child->role == Role::Editor && child->kind == Kind::TextBox)
            shown << ReaderText(Trimmed(static_cast<QuickTextBox*>(child)->Text()));
        if (child->role == Role::ShownValue && child->kind == Kind::Label)
            shown << ReaderText(Trimmed(static_cast<QuickLabel*>(child)->caption));
    }
    shown.removeAll(QString());
    return shown.join(QStringLiteral(" "));
}

// The item the nearest accessible ancestor of `item` is (Qt Quick's rule:
// one with an Accessible attached object not ignored), or the window.
QAccessibleInterface* AccessibleParentOf(QQuickItem& item) {
    QQuickWindow* window = item.window();
    for (QQuickItem* up = item.parentItem(); up != nullptr; up = up->parentItem()) {
        if (window != nullptr && up == window->contentItem())
            return QAccessible::queryAccessibleInterface(window);
        if (QObject* attached = AccessibleAttached(*up, false);
            attached != nullptr && !attached->property("ignored").toBool())
            return QAccessible::queryAccessibleInterface(up);
    }
    return window != nullptr ? QAccessible::queryAccessibleInterface(window) : nullptr;
}

// The control as one combo box.
class ComboBox final : public QAccessibleObject, public QAccessibleActionInterface, public QAccessibleTextInterface {
public:
    explicit ComboBox(QQuickItem* holder) : QAccessibleObject(holder) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return nullptr;
    }

    QWindow* window() const override { return Holder() != nullptr ? Holder()->window() : nullptr; }
    QAccessibleInterface* parent() const override {
        return Holder() != nullptr ? AccessibleParentOf(*Holder()) : nullptr;
    }
    QAccessible::Role role() const override { return QAccessible::ComboBox; }
    QRect rect() const override { return Holder() != nullptr ? ScreenRect(*Holder()) : QRect(); }

    QString text(QAccessible::Text t) const override {
        Node* node = Combo();
        if (node == nullptr)
            return {};
        switch (t) {
            case QAccessible::Name:
                return Name(*node);
            case QAccessible::Value:
                return Value(*node);
            case QAccessible::Description:
                return Description(*node);
            default:
                return {};
        }
    }

    QAccessible::State state() const override;

    // Its fields, then its list while a reader may enter it.
    int childCount() const override { return static_cast<int>(Children().size()); }
    QAccessibleInterface* child(int index) const override { return qt::reading::ChildFace(Children(), index, FaceOf); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return qt::reading::IndexOfChildFace(Children(), child, FaceOf);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return qt::reading::ChildFaceAt(Children(), x, y, FaceOf);
    }

    // QAccessibleActionInterface: Press and ShowMenu open or close the
    // drop-down, as the button does (Simple Combo's list is always shown);
    // SetFocus gives the box the focus, as on every item of Qt Quick.
    QStringList actionNames() const override { return {pressAction(), showMenuAction(), setFocusAction()}; }
    void doAction(const QString& name) override {
        Node* node = Combo();
        if (node == nullptr || !node->enabled || Holder() == nullptr || !Holder()->isEnabled())
            return;
        if (name == setFocusAction()) {
            Holder()->forceActiveFocus(Qt::OtherFocusReason);
            return;
        }
        if (name != pressAction() && name != showMenuAction())
            return;
        Node* button = ChildWithRole(*node, Role::DropDownButton, true);
        if (button != nullptr && button->item != nullptr)
            PressLater(button->item);
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
    QQuickItem* Holder() const { return static_cast<QQuickItem*>(object()); }
    Node* Combo() const { return Holder() != nullptr ? ComboOfHolder(*Holder()) : nullptr; }

    std::vector<Node*> Children() const {
        Node* node = Combo();
        if (node == nullptr)
            return {};
        std::vector<Node*> parts = Editors(*node);
        if (Node* list = ShownRowList(*node))
            parts.push_back(list);
        return parts;
    }

    // What QML named the box (Accessible.name); else, as a ComboBox of Qt
    // Quick Controls is, the text it shows.
    QString Name(const Node& node) const {
        if (QObject* attached = AccessibleAttached(*Holder(), false)) {
            if (const QString named = attached->property("name").toString(); !named.isEmpty())
                return named;
        }
        return Value(node);
    }

    // What QML says of the box (Accessible.description) or the control's
    // tool tip, then the current row's place among the rows, and a search's
    // number of matches.
    QString Description(const Node& node) const {
        QStringList parts;
        QObject* attached = AccessibleAttached(*Holder(), false);
        if (const QString said = attached != nullptr ? attached->property("description").toString() : QString();
            !said.isEmpty()) {
            parts << said;
        } else if (!node.toolTip.empty()) {
            parts << ReaderText(node.toolTip);
        }
        QuickListBox* rows = RowsOf(node);
        if (rows != nullptr && rows->ListIndex() >= 0)
            parts << Position(rows->ListIndex(), rows->ListCount());
        if (rows != nullptr && rows->Filtered())
            parts << QStringLiteral("%1 matches").arg(rows->ShownCount());
        return parts.join(QStringLiteral(", "));
    }
};

// The states the screen shows: expandable while the button shows, expanded
// while the drop-down shows, editable while an unlocked field shows,
// focused while the desktop's focus is inside.
QAccessible::State ComboBox::state() const {
    QAccessible::State s;
    QQuickItem* holder = Holder();
    Node* node = Combo();
    if (holder == nullptr || node == nullptr || node->desk == nullptr) {
        s.invisible = true;
        return s;
    }
    s.invisible = !holder->isVisible() || holder->window() == nullptr || !holder->window()->isVisible();
    s.offscreen = s.invisible;
    s.disabled = !holder->isEnabled() || !node->enabled;
    s.focusable = true;
    Node* focus = node->desk->Get(node->desk->focus);
    s.focused = focus != nullptr && node->desk->Inside(focus->id, *node);
    s.expandable = Expandable(*node);
    s.expanded = Expanded(*node);
    s.collapsed = s.expandable && !s.expanded;
    for (Node* part : Editors(*node)) {
        if (!static_cast<QuickTextBox*>(part)->Locked())
            s.editable = true;
    }
    s.readOnly = !s.editable;
    return s;
}

// A drop-down's own window: a window holding the combo box's list while
// open, named as its combo box.
class DropDownWindow final : public QAccessibleObject {
public:
    explicit DropDownWindow(QQuickWindow* window) : QAccessibleObject(window) {}

    QWindow* window() const override { return static_cast<QQuickWindow*>(object()); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    QAccessible::Role role() const override { return QAccessible::Window; }
    QRect rect() const override { return window() != nullptr ? window()->geometry() : QRect(); }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = window() == nullptr || !window()->isVisible();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        Node* form = Form();
        if (t == QAccessible::Name && form != nullptr) {
            if (QAccessibleInterface* combo = FaceOf(ComboOf(*form)))
                return combo->text(t);
        }
        return {};
    }
    int childCount() const override { return List() != nullptr ? 1 : 0; }
    QAccessibleInterface* child(int index) const override { return index == 0 ? FaceOf(List()) : nullptr; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child == FaceOf(List()) ? 0 : -1;
    }

private:
    Node* Form() const {
        auto* w = static_cast<QQuickWindow*>(object());
        if (w == nullptr)
            return nullptr;
        for (QQuickItem* child : w->contentItem()->childItems()) {
            if (Node* node = NodeOfItem(child); node != nullptr && node->role == Role::DropDown)
                return node;
        }
        return nullptr;
    }
    Node* List() const {
        Node* form = Form();
        return form != nullptr && OnScreen(*form) ? ChildWithRole(*form, Role::RowList, true) : nullptr;
    }
};

}  // namespace

QAccessibleInterface* NewComboBoxFace(QQuickItem* holder) {
    return new ComboBox(holder);
}

QAccessibleInterface* NewDropDownFace(QQuickWindow* window) {
    return new DropDownWindow(window);
}

}  // namespace korvane::tk::quick::a11y
