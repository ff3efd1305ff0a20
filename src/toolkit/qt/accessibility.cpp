// What a screen reader sees of our widgets. The control is one combo box:
// named from the host's buddy label or its site name, its value the current
// row's text, with the expandable, expanded, focused and read-only states,
// the tool tip as its description, and the drop-down list as its child
// while it is open, whose rows are list items naming both columns. The
// pieces keep roles of their own (fields, lists, the button, labels); a
// field is editable text a reader can read, select and edit.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <map>

#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

using Impl = QtDesktop::Impl;

Node* NodeOfInterface(const QAccessibleWidget& iface) {
    auto* ref = dynamic_cast<Backref*>(iface.object());
    return ref != nullptr ? ref->node : nullptr;
}

Node* ChildNamed(const Node& parent, std::string_view name, Kind kind) {
    for (Node* child : parent.children) {
        if (child->kind == kind && child->name == name)
            return child;
    }
    return nullptr;
}

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The drop-down of a control: the tool window it opened, while it shows.
Node* OpenDropDown(const Node& control) {
    Impl* desk = control.desk;
    if (desk == nullptr)
        return nullptr;
    auto it = desk->toolControls.find(control.id);
    if (it == desk->toolControls.end())
        return nullptr;
    Node* form = desk->Get(it->second);
    return form != nullptr && form->visible ? form : nullptr;
}

// The user control that opened the tool window `form`.
Node* ControlOfDropDown(const Node& form) {
    Impl* desk = form.desk;
    if (desk == nullptr)
        return nullptr;
    for (const auto& [control, tool] : desk->toolControls) {
        if (tool == form.id)
            return desk->Get(control);
    }
    return nullptr;
}

std::vector<QtListBox*> ListsOf(const Node& form) {
    std::vector<QtListBox*> lists;
    for (Node* child : form.children) {
        if (child->kind == Kind::ListBox && child->visible)
            lists.push_back(static_cast<QtListBox*>(child));
    }
    return lists;
}

class DropDownList;

// One row of the drop-down: both columns in its name.
class DropDownRow final : public QAccessibleInterface {
public:
    DropDownRow(DropDownList* list, std::int32_t row) : list_(list), row_(row) {}

    bool isValid() const override { return Form() != nullptr && row_ < Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        Node* form = Form();
        if (form == nullptr || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        QStringList parts;
        for (QtListBox* list : ListsOf(*form)) {
            if (row_ < list->ListCount() && list->width > 0)
                parts << ToQ(Trimmed(list->List(row_)));
        }
        parts.removeAll(QString());
        return parts.join(QStringLiteral(" "));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        Node* form = Form();
        if (form == nullptr)
            return {};
        auto lists = ListsOf(*form);
        if (lists.empty() || lists.front()->Q() == nullptr)
            return {};
        QtListBox& first = *lists.front();
        const int rowPx = static_cast<int>(first.RowPx());
        QWidget* w = form->Q();
        const QPoint at = first.Q()->mapToGlobal(QPoint(0, (row_ - first.TopIndex()) * rowPx));
        return {at.x(), at.y(), w->width(), rowPx};
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        Node* form = Form();
        if (form == nullptr)
            return s;
        auto lists = ListsOf(*form);
        if (!lists.empty() && lists.front()->ListIndex() == row_) {
            s.selected = true;
            s.active = true;
            s.focused = true;
        }
        const QRect shown = form->Q() != nullptr ? form->Q()->geometry() : QRect();
        s.invisible = !shown.intersects(rect());
        return s;
    }
    std::int32_t Row() const { return row_; }

private:
    Node* Form() const;
    std::int32_t Count() const {
        Node* form = Form();
        if (form == nullptr)
            return 0;
        auto lists = ListsOf(*form);
        return lists.empty() ? 0 : lists.front()->ListCount();
    }

    DropDownList* list_;
    std::int32_t row_;
};

// The drop-down window, as the list of the combo box that opened it.
class DropDownList final : public QAccessibleWidget {
public:
    explicit DropDownList(QWidget* w) : QAccessibleWidget(w, QAccessible::List) {}
    ~DropDownList() override { Forget(); }

    QAccessibleInterface* parent() const override {
        Node* form = NodeOfInterface(*this);
        Node* control = form != nullptr ? ControlOfDropDown(*form) : nullptr;
        if (control != nullptr && control->Q() != nullptr)
            return QAccessible::queryAccessibleInterface(control->Q());
        return QAccessibleWidget::parent();
    }
    int childCount() const override {
        Node* form = NodeOfInterface(*this);
        if (form == nullptr)
            return 0;
        auto lists = ListsOf(*form);
        return lists.empty() ? 0 : lists.front()->ListCount();
    }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto it = rows_.find(index);
        if (it != rows_.end()) {
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(it->second))
                return known;
        }
        Node* form = NodeOfInterface(*this);
        if (form == nullptr)
            return nullptr;
        auto* row = new DropDownRow(const_cast<DropDownList*>(this), index);
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
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            if (QAccessibleInterface* combo = parent(); combo != nullptr && combo->role() == QAccessible::ComboBox)
                return combo->text(QAccessible::Name);
        }
        return QAccessibleWidget::text(t);
    }
    // Rows are made again when the list changes.
    void Forget() {
        for (const auto& [row, id] : rows_)
            QAccessible::deleteAccessibleInterface(id);
        rows_.clear();
    }

private:
    mutable std::map<int, QAccessible::Id> rows_;
};

QWindow* DropDownRow::window() const {
    return list_ != nullptr ? list_->window() : nullptr;
}
QAccessibleInterface* DropDownRow::parent() const {
    return list_;
}
Node* DropDownRow::Form() const {
    return list_ != nullptr ? NodeOfInterface(*list_) : nullptr;
}

// The control as one combo box.
class ComboBox final : public QAccessibleWidget {
public:
    explicit ComboBox(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (node == nullptr)
            return QAccessibleWidget::text(t);
        switch (t) {
            case QAccessible::Name: {
                // A host's label that names this control as its buddy.
                if (QWidget* parent = widget()->parentWidget()) {
                    for (QLabel* label : parent->findChildren<QLabel*>()) {
                        if (label->buddy() == widget())
                            return label->text().remove(QChar('&'));
                    }
                }
                // Embedded in a host's widget without a name of its own: named
                // as that widget is (by its buddy label, say).
                if (widget()->accessibleName().isEmpty() && node->foreignParent != 0) {
                    if (QWidget* holder = widget()->parentWidget()) {
                        if (QAccessibleInterface* outer = QAccessible::queryAccessibleInterface(holder))
                            return outer->text(t);
                    }
                }
                return QAccessibleWidget::text(t);
            }
            case QAccessible::Value:
                return Value(*node);
            case QAccessible::Description: {
                if (!node->toolTip.empty())
                    return ToQ(node->toolTip);
                for (Node* child : node->children) {
                    if (!child->toolTip.empty())
                        return ToQ(child->toolTip);
                }
                return QAccessibleWidget::text(t);
            }
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        Node* node = NodeOfInterface(*this);
        if (node == nullptr || node->desk == nullptr)
            return s;
        Node* button = ChildNamed(*node, "imgCombo", Kind::Image);
        s.expandable = button != nullptr && button->visible;
        s.expanded = s.expandable && OpenDropDown(*node) != nullptr;
        s.collapsed = s.expandable && !s.expanded;
        s.readOnly = true;
        for (Node* child : node->children) {
            if (child->kind == Kind::TextBox && child->visible)
                s.readOnly = false;
        }
        s.focusable = true;
        Node* focus = node->desk->Get(node->desk->focus);
        s.focused = focus != nullptr && node->desk->Inside(focus->id, *node);
        return s;
    }

    int childCount() const override { return QAccessibleWidget::childCount() + (DropDownChild() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleWidget::childCount();
        if (index == own)
            return DropDownChild();
        return QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        QAccessibleInterface* drop = DropDownChild();
        if (drop != nullptr && child == drop)
            return QAccessibleWidget::childCount();
        return QAccessibleWidget::indexOfChild(child);
    }

private:
    // The texts the control shows: its fields, or its labels in the
    // list-only style.
    static QString Value(const Node& node) {
        QStringList fields, labels;
        for (Node* child : node.children) {
            if (!child->visible)
                continue;
            if (child->kind == Kind::TextBox)
                fields << ToQ(Trimmed(static_cast<QtTextBox*>(child)->Text()));
            if (child->kind == Kind::Label)
                labels << ToQ(Trimmed(static_cast<QtLabel*>(child)->caption));
        }
        QStringList& shown = fields.isEmpty() ? labels : fields;
        shown.removeAll(QString());
        return shown.join(QStringLiteral(" "));
    }
    QAccessibleInterface* DropDownChild() const {
        Node* node = NodeOfInterface(*this);
        Node* form = node != nullptr ? OpenDropDown(*node) : nullptr;
        return form != nullptr && form->Q() != nullptr ? QAccessible::queryAccessibleInterface(form->Q()) : nullptr;
    }
};

// The pieces: the list with its current row as value, the drop-down
// button as a push button, labels as text.
class Piece final : public QAccessibleWidget {
public:
    Piece(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (node != nullptr && t == QAccessible::Value) {
            if (auto* list = ListBoxOf(node); list != nullptr && list->ListIndex() >= 0)
                return ToQ(list->List(list->ListIndex()));
            if (node->kind == Kind::Label)
                return ToQ(static_cast<QtLabel*>(node)->caption);
        }
        return QAccessibleWidget::text(t);
    }
};

// A field: editable text whose offsets are Qt's UTF-16 offsets of the
// whole text, as a screen reader counts them.
class Field final : public QAccessibleWidget, public QAccessibleTextInterface, public QAccessibleEditableTextInterface {
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

}  // namespace

QString AccessibleName(const std::string& name) {
    static const std::map<std::string, const char*> names = {
        {"txtCol1", "Column 1"},  {"txtCol2", "Column 2"},  {"lblCol1", "Column 1"},
        {"lblCol2", "Column 2"},  {"lstCol1", "Column 1"},  {"lstCol2", "Column 2"},
        {"lstCol1a", "Column 1"}, {"lstCol2a", "Column 2"}, {"imgCombo", "Open the list"},
    };
    auto it = names.find(name);
    return it != names.end() ? QString::fromLatin1(it->second) : ToQ(name);
}

QAccessibleInterface* AccessibleFactory(const QString&, QObject* object) {
    auto* ref = dynamic_cast<Backref*>(object);
    auto* w = qobject_cast<QWidget*>(object);
    if (ref == nullptr || w == nullptr || ref->node == nullptr)
        return nullptr;
    Node* node = ref->node;
    switch (node->kind) {
        case Kind::TextBox:
            if (auto* field = dynamic_cast<FieldWidget*>(object))
                return new Field(field);
            return nullptr;
        case Kind::ListBox:
            return new Piece(w, QAccessible::List);
        case Kind::Image:
            return new Piece(w, node->name == "imgCombo" ? QAccessible::PushButton : QAccessible::Graphic);
        case Kind::Label:
            return new Piece(w, QAccessible::StaticText);
        case Kind::UserControl:
            return new ComboBox(w);
        case Kind::Form:
            if (static_cast<QtForm*>(node)->toolWindow)
                return new DropDownList(w);
            return nullptr;
        default:
            return nullptr;
    }
}

// The drop-down's current row moved (Up, Down, the pointer): the row the
// screen reader follows, and the control's value.
void AccessibleRowChanged(Node& list) {
    if (!QAccessible::isActive() || list.parent == nullptr || list.parent->kind != Kind::Form)
        return;
    Node* form = list.parent;
    if (!static_cast<QtForm*>(form)->toolWindow || form->Q() == nullptr)
        return;
    QAccessibleInterface* drop = QAccessible::queryAccessibleInterface(form->Q());
    auto* lists = ListsOf(*form).empty() ? nullptr : ListsOf(*form).front();
    if (drop == nullptr || lists == nullptr || lists != &list || list.id == 0)
        return;
    const std::int32_t row = static_cast<QtListBox&>(list).ListIndex();
    if (row < 0 || row >= drop->childCount())
        return;
    QAccessibleEvent focus(drop->child(row), QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
    QAccessibleEvent selection(drop->child(row), QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
}

}  // namespace korvane::tk::qt
