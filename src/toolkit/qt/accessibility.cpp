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
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <map>
#include <set>

#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

using Impl = QtDesktop::Impl;

// Our faces alive, for the tests that check a listening reader leaves
// nothing behind.
int g_liveFaces = 0;
struct Counted {
    Counted() { ++g_liveFaces; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    ~Counted() { --g_liveFaces; }
};

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

class RowList;

// One row of the list: both columns in its name, its place as description.
class RowItem final : public QAccessibleInterface, Counted {
public:
    RowItem(RowList* list, std::int32_t row) : list_(list), row_(row) {}

    // row_ is the row's place among the rows shown (a search shows only
    // its matches, and only they are exposed).
    bool isValid() const override { return List() != nullptr && row_ < List()->ShownCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        QtListBox* list = List();
        if (list == nullptr)
            return {};
        if (t == QAccessible::Name || t == QAccessible::Value)
            return RowText(*list, list->ShownEntry(row_));
        if (t == QAccessible::Description)
            return Position(row_, list->ShownCount());
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QtListBox* list = List();
        QWidget* w = list != nullptr ? list->Q() : nullptr;
        QWidget* window = w != nullptr ? w->window() : nullptr;
        if (window == nullptr)
            return {};
        const int rowPx = static_cast<int>(list->RowPx());
        const QPoint at = w->mapToGlobal(QPoint(0, (row_ - list->FirstShown()) * rowPx));
        return {at.x(), at.y(),
                list->parent != nullptr && list->parent->role == Role::DropDown ? window->width() : w->width(), rowPx};
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        QtListBox* list = List();
        if (list == nullptr)
            return s;
        if (list->ListIndex() == list->ShownEntry(row_)) {
            s.selected = true;
            s.active = true;
            s.focused = list->desk != nullptr && list->desk->focus == list->id;
        }
        QWidget* w = list->Q();
        const QRect shown = w != nullptr && w->isVisible() ? QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) : QRect();
        s.invisible = !shown.intersects(rect());
        s.offscreen = s.invisible;
        return s;
    }

private:
    QtListBox* List() const;

    RowList* list_;
    std::int32_t row_;
};

// The combo box's list of rows: the first column's list box, standing for
// the rows of all columns. Its parent is the combo box, also when it lies
// in the drop-down window.
class RowList final : public QAccessibleWidget, Counted {
public:
    explicit RowList(QWidget* w) : QAccessibleWidget(w, QAccessible::List) {}
    ~RowList() override {
        for (const auto& [row, id] : rows_)
            QAccessible::deleteAccessibleInterface(id);
    }

    QtListBox* Box() const {
        Node* node = NodeOfInterface(*this);
        return node != nullptr && node->kind == Kind::ListBox ? static_cast<QtListBox*>(node) : nullptr;
    }
    QAccessibleInterface* parent() const override {
        Node* node = NodeOfInterface(*this);
        Node* combo = node != nullptr ? ComboOf(*node) : nullptr;
        if (QAccessibleInterface* face = FaceOf(combo))
            return face;
        return QAccessibleWidget::parent();
    }
    int childCount() const override {
        QtListBox* box = Box();
        return box != nullptr && OnScreen(*box) ? box->ShownCount() : 0;
    }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (auto it = rows_.find(index); it != rows_.end()) {
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(it->second))
                return known;
        }
        auto* row = new RowItem(const_cast<RowList*>(this), index);
        rows_[index] = QAccessible::registerAccessibleInterface(row);
        return row;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : rows_) {
            if (QAccessible::accessibleInterface(id) == child)
                return row;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            if (QAccessibleInterface* row = child(i); row != nullptr && row->rect().contains(x, y))
                return row;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            if (QAccessibleInterface* combo = parent(); combo != nullptr && combo->role() == QAccessible::ComboBox)
                return combo->text(QAccessible::Name);
        }
        if (t == QAccessible::Value) {
            if (QtListBox* box = Box())
                return RowText(*box, box->ListIndex());
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        QtListBox* box = Box();
        s.focused = box != nullptr && box->desk != nullptr && box->desk->focus == box->id;
        return s;
    }

private:
    mutable std::map<int, QAccessible::Id> rows_;
};

QtListBox* RowItem::List() const {
    return list_ != nullptr ? list_->Box() : nullptr;
}
QWindow* RowItem::window() const {
    return list_ != nullptr ? list_->window() : nullptr;
}
QAccessibleInterface* RowItem::parent() const {
    return list_;
}

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
    QAccessibleInterface* child(int index) const override {
        const auto parts = Parts();
        return index >= 0 && index < static_cast<int>(parts.size()) ? FaceOf(parts[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto parts = Parts();
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (child != nullptr && FaceOf(parts[i]) == child)
                return static_cast<int>(i);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (Node* part : Parts()) {
            if (QAccessibleInterface* face = FaceOf(part); face != nullptr && face->rect().contains(x, y))
                return face;
        }
        return nullptr;
    }

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

// A part a reader never meets on its own (the button, pictures, hidden
// labels, a further column): no children, and invisible.
class Unshown final : public QAccessibleWidget, Counted {
public:
    explicit Unshown(QWidget* w) : QAccessibleWidget(w, QAccessible::NoRole) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

// A widget of our own outside any combo box: a list with its current row
// as value, a label as text.
class Piece final : public QAccessibleWidget, Counted {
public:
    Piece(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (node != nullptr && t == QAccessible::Value) {
            if (auto* list = ListBoxOf(node); list != nullptr && list->ListIndex() >= 0)
                return ReaderText(list->EntryText(list->ListIndex()));
            if (node->kind == Kind::Label)
                return ReaderText(static_cast<QtLabel*>(node)->caption);
        }
        return QAccessibleWidget::text(t);
    }
};

// A field: editable text whose offsets are Qt's UTF-16 offsets of the
// whole text, as a screen reader counts them.
class Field final : public QAccessibleWidget,
                    public QAccessibleTextInterface,
                    public QAccessibleEditableTextInterface,
                    Counted {
public:
    explicit Field(FieldWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return F()->WholeText();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value || Box() == nullptr || Box()->locked)
            return;
        Guarded([&] { Box()->Text(FromQ(text)); });
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.selectableText = true;
        s.readOnly = Box() != nullptr && Box()->locked;
        return s;
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        const QtTextBox* box = Box();
        if (index != 0 || box == nullptr || !box->field.HasSelection())
            return;
        *start = F()->Utf16Offset(box->field.SelStart());
        *end = F()->Utf16Offset(box->field.SelStart() + box->field.SelLength());
    }
    int selectionCount() const override { return Box() != nullptr && Box()->field.HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        if (const QtTextBox* box = Box())
            F()->SelectUnits(box->field.Caret(), box->field.Caret());
    }
    void setSelection(int, int start, int end) override {
        F()->SelectUnits(F()->UnitOfUtf16(start), F()->UnitOfUtf16(end));
    }
    int cursorPosition() const override { return Box() != nullptr ? F()->Utf16Offset(Box()->field.Caret()) : 0; }
    void setCursorPosition(int position) override {
        const std::int32_t unit = F()->UnitOfUtf16(position);
        F()->SelectUnits(unit, unit);
    }
    QString text(int start, int end) const override { return F()->WholeText().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(F()->WholeText().size()); }
    QRect characterRect(int offset) const override {
        const QRect r = F()->CharacterRect(F()->UnitOfUtf16(offset));
        return r.isNull() ? QRect() : QRect(F()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return F()->Utf16Offset(F()->UnitAt(F()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int) override { setCursorPosition(start); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset;
        return {};
    }

    // QAccessibleEditableTextInterface
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        QtTextBox* box = Box();
        if (box == nullptr || box->locked)
            return;
        const std::int32_t from = F()->UnitOfUtf16(start);
        const std::int32_t to = F()->UnitOfUtf16(end);
        Guarded([&] { box->UserEdit(from, std::max(0, to - from), FromQ(text)); });
    }

private:
    FieldWidget* F() const { return static_cast<FieldWidget*>(widget()); }
    QtTextBox* Box() const {
        Node* node = NodeOfInterface(*this);
        return node != nullptr && node->desk != nullptr && node->kind == Kind::TextBox ? static_cast<QtTextBox*>(node)
                                                                                       : nullptr;
    }
};

// The face of a widget the control gave a role.
QAccessibleInterface* FaceForRole(QWidget* w, Node& node) {
    switch (node.role) {
        case Role::ComboBox:
            return new ComboBox(w);
        case Role::Editor:
            if (auto* field = dynamic_cast<FieldWidget*>(w))
                return new Field(field);
            return nullptr;
        case Role::RowList:
            return new RowList(w);
        case Role::DropDown:
            return new DropDownWindow(w);
        case Role::ShownValue:
        case Role::RowListColumn:
        case Role::DropDownButton:
        case Role::Decoration:
            return new Unshown(w);
        case Role::Plain:
            break;
    }
    return nullptr;
}

// The face of a widget of its own.
QAccessibleInterface* PlainFace(QWidget* w, const Node& node) {
    switch (node.kind) {
        case Kind::TextBox:
            if (auto* field = dynamic_cast<FieldWidget*>(w))
                return new Field(field);
            return nullptr;
        case Kind::ListBox:
            return new Piece(w, QAccessible::List);
        case Kind::Image:
            return new Piece(w, QAccessible::Graphic);
        case Kind::Label:
            return new Piece(w, QAccessible::StaticText);
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
    return g_liveFaces;
}

// A list's current row moved (Up, Down, the pointer, the program). A row
// the person sees is selected, and focused when its list has the focus; a
// combo box's value changed, as a QComboBox's does, whether its list shows
// or not.
void AccessibleRowChanged(Node& list) {
    if (!QAccessible::isActive() || list.kind != Kind::ListBox || list.role == Role::RowListColumn)
        return;
    const std::uint64_t id = list.id;
    Impl* desk = list.desk;
    if (list.role != Role::RowList) {
        if (QWidget* w = list.Q()) {
            QAccessibleValueChangeEvent event(
                w, ReaderText(static_cast<QtListBox&>(list).EntryText(static_cast<QtListBox&>(list).ListIndex())));
            QAccessible::updateAccessibility(&event);
        }
        return;
    }
    auto& box = static_cast<QtListBox&>(list);
    const std::int32_t row = box.ShownPosition(box.ListIndex());
    auto* face = dynamic_cast<RowList*>(FaceOf(&list));
    if (face != nullptr && row >= 0 && row < face->childCount()) {
        if (desk != nullptr && desk->focus == id) {
            QAccessibleEvent focus(face->child(row), QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
        QAccessibleEvent selection(face->child(row), QAccessible::Selection);
        QAccessible::updateAccessibility(&selection);
    }
    // A reader's handler may run in between: find the list anew.
    if (Node* again = desk != nullptr ? desk->Get(id) : nullptr)
        AccessibleValueChanged(*again);
}

namespace {
// Tells the reader of a change of the combo box that holds `part` once,
// after the current turn of the event loop, whatever number of changes
// the turn made: its value (DescriptionChanged false) or its description.
void TellComboLater(Node& part, bool description) {
    static std::set<std::pair<QAccessible::Id, bool>> pending;
    if (!QAccessible::isActive())
        return;
    Node* combo = ComboOf(part);
    QWidget* w = combo != nullptr ? combo->Q() : nullptr;
    QAccessibleInterface* face = w != nullptr ? QAccessible::queryAccessibleInterface(w) : nullptr;
    if (face == nullptr || face->role() != QAccessible::ComboBox)
        return;
    const QAccessible::Id id = QAccessible::uniqueId(face);
    if (!pending.insert({id, description}).second)
        return;
    QMetaObject::invokeMethod(
        w,
        [id, description] {
            pending.erase({id, description});
            QAccessibleInterface* again = QAccessible::accessibleInterface(id);
            if (again == nullptr || !again->isValid() || !QAccessible::isActive())
                return;
            if (description) {
                QAccessibleEvent changed(again, QAccessible::DescriptionChanged);
                QAccessible::updateAccessibility(&changed);
            } else {
                QAccessibleValueChangeEvent value(again, again->text(QAccessible::Value));
                QAccessible::updateAccessibility(&value);
            }
        },
        Qt::QueuedConnection);
}
}  // namespace

// The value a reader hears is the one the control ends with: both fields,
// or both labels, are written one after the other, so the news goes out
// once, after the current turn of the event loop.
void AccessibleValueChanged(Node& part) {
    TellComboLater(part, false);
}

// A search's match count is in the description.
void AccessibleDescriptionChanged(Node& part) {
    TellComboLater(part, true);
}

// Qt tells a reader of its own focus moves; a move into a drop-down, which
// takes no X focus, and back out of it is ours to tell: the list's current
// row, or the part of the combo box that has the focus again.
void AccessibleFocusMoved(Impl& desk, std::uint64_t id, std::uint64_t old) {
    Node* now = desk.Get(id);
    Node* before = desk.Get(old);
    const bool fromDropDown = before != nullptr && before->parent != nullptr && before->parent->role == Role::DropDown;
    if (!QAccessible::isActive() || now == nullptr || !OnScreen(*now) ||
        (now->Q() == QApplication::focusWidget() && !fromDropDown))
        return;
    if (ComboOf(*now) == nullptr)
        return;
    QAccessibleInterface* face = FaceOf(now);
    if (auto* list = dynamic_cast<RowList*>(face)) {
        auto* rows = static_cast<QtListBox*>(now);
        const std::int32_t row = rows->ShownPosition(rows->ListIndex());
        if (row >= 0 && row < list->childCount())
            face = list->child(row);
    }
    if (face == nullptr || face->state().invisible)
        return;
    QAccessibleEvent focus(face, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

// A drop-down opened or closed: its combo box is expanded or collapsed now.
void AccessibleDropDownShown(Node& form) {
    if (!QAccessible::isActive() || form.role != Role::DropDown)
        return;
    Node* combo = ComboOf(form);
    QAccessibleInterface* face = FaceOf(combo);
    if (face == nullptr)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(face, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace korvane::tk::qt
