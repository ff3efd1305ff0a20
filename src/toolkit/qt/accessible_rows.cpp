// The combo box's list of rows as a screen reader meets it: the first
// column's list box stands for the rows of all columns, and each row the
// list shows is one list item naming both columns, with its place as
// description.
#include <map>

#include "accessibility_p.h"

namespace korvane::tk::qt::a11y {

namespace {

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

}  // namespace

QAccessibleInterface* NewRowListFace(QWidget* w) {
    return new RowList(w);
}

QAccessibleInterface* CurrentRowFace(Node& list) {
    auto* face = dynamic_cast<RowList*>(FaceOf(&list));
    if (face == nullptr)
        return nullptr;
    auto& box = static_cast<QtListBox&>(list);
    const std::int32_t row = box.ShownPosition(box.ListIndex());
    return row >= 0 && row < face->childCount() ? face->child(row) : nullptr;
}

}  // namespace korvane::tk::qt::a11y
