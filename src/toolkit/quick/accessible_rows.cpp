// The combo box's list of rows as a screen reader meets it on the Qt Quick
// desktop: the first column's list stands for the rows of all columns, and
// each row the list shows is one list item naming both columns, with its
// place as description.
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <map>

#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

namespace {

class RowList;

// One row of the list: both columns in its name, its place as description.
class RowItem final : public QAccessibleInterface {
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
        QuickListBox* list = List();
        if (list == nullptr)
            return {};
        if (t == QAccessible::Name || t == QAccessible::Value)
            return RowText(*list, list->ShownEntry(row_));
        if (t == QAccessible::Description)
            return Position(row_, list->ShownCount());
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    // The row's line across the list (across the drop-down, which holds the
    // further columns beside it).
    QRect rect() const override {
        QuickListBox* list = List();
        if (list == nullptr || list->item == nullptr)
            return {};
        const QRect box = ScreenRect(*list->item);
        const int rowPx = static_cast<int>(list->RowPx());
        const bool inDropDown = list->parent != nullptr && list->parent->role == Role::DropDown;
        const int width =
            inDropDown && list->parent->item != nullptr ? ScreenRect(*list->parent->item).width() : box.width();
        return {box.left(), box.top() + 1 + (row_ - list->FirstShown()) * rowPx, width, rowPx};
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        QuickListBox* list = List();
        if (list == nullptr)
            return s;
        if (list->ListIndex() == list->ShownEntry(row_)) {
            s.selected = true;
            s.active = true;
            s.focused = list->desk != nullptr && list->desk->focus == list->id;
        }
        const QRect shown = OnScreen(*list) ? ScreenRect(*list->item) : QRect();
        s.invisible = !shown.intersects(rect());
        s.offscreen = s.invisible;
        return s;
    }

private:
    QuickListBox* List() const;

    RowList* list_;
    std::int32_t row_;
};

// The combo box's list of rows: the first column's list, standing for the
// rows of all columns. Its parent is the combo box, also when it lies in
// the drop-down.
class RowList final : public QAccessibleObject {
public:
    explicit RowList(QQuickItem* item) : QAccessibleObject(item) {}
    ~RowList() override {
        for (const auto& [row, id] : rows_)
            QAccessible::deleteAccessibleInterface(id);
    }

    QuickListBox* Box() const {
        Node* node = NodeOfItem(object());
        return node != nullptr && node->kind == Kind::ListBox ? static_cast<QuickListBox*>(node) : nullptr;
    }
    QWindow* window() const override {
        auto* item = static_cast<QQuickItem*>(object());
        return item != nullptr ? item->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        QuickListBox* box = Box();
        return box != nullptr ? FaceOf(ComboOf(*box)) : nullptr;
    }
    QAccessible::Role role() const override { return QAccessible::List; }
    QRect rect() const override {
        auto* item = static_cast<QQuickItem*>(object());
        return item != nullptr ? ScreenRect(*item) : QRect();
    }
    int childCount() const override {
        QuickListBox* box = Box();
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
                return row < childCount() ? row : -1;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QuickListBox* box = Box();
        if (box == nullptr)
            return nullptr;
        const std::int32_t last = std::min(childCount(), box->FirstShown() + box->VisibleRows() + 1);
        for (int i = box->FirstShown(); i < last; ++i) {
            if (QAccessibleInterface* row = child(i); row != nullptr && row->rect().contains(x, y))
                return row;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        QuickListBox* box = Box();
        if (t == QAccessible::Name) {
            if (QAccessibleInterface* combo = parent())
                return combo->text(QAccessible::Name);
        }
        if (t == QAccessible::Value && box != nullptr)
            return RowText(*box, box->ListIndex());
        return {};
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        QuickListBox* box = Box();
        s.invisible = box == nullptr || !OnScreen(*box);
        s.focusable = true;
        s.focused = box != nullptr && box->desk != nullptr && box->desk->focus == box->id;
        s.disabled = box != nullptr && box->item != nullptr && !box->item->isEnabled();
        return s;
    }

private:
    mutable std::map<int, QAccessible::Id> rows_;
};

QuickListBox* RowItem::List() const {
    return list_ != nullptr ? list_->Box() : nullptr;
}
QWindow* RowItem::window() const {
    return list_ != nullptr ? list_->window() : nullptr;
}
QAccessibleInterface* RowItem::parent() const {
    return list_;
}

}  // namespace

QAccessibleInterface* NewRowListFace(QQuickItem* item) {
    return new RowList(item);
}

QAccessibleInterface* CurrentRowFace(Node& list) {
    auto* face = dynamic_cast<RowList*>(FaceOf(&list));
    if (face == nullptr)
        return nullptr;
    auto& box = static_cast<QuickListBox&>(list);
    const std::int32_t row = box.ShownPosition(box.ListIndex());
    return row >= 0 && row < face->childCount() ? face->child(row) : nullptr;
}

}  // namespace korvane::tk::quick::a11y
