// The faces of the parts of a combo box on the Qt Quick desktop that are
// not the combo box or its rows: a field (text in Qt's UTF-16 offsets, as
// a screen reader counts them), and a part a reader never meets on its
// own.
#include <QQuickItem>
#include <QQuickWindow>

#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

namespace {

// What every face of an item of ours has: its window, place and parent
// (the combo box it belongs to).
class ItemFace : public QAccessibleObject {
public:
    explicit ItemFace(QQuickItem* item) : QAccessibleObject(item) {}

    QQuickItem* Item() const { return static_cast<QQuickItem*>(object()); }
    Node* NodeOf() const { return NodeOfItem(object()); }
    QWindow* window() const override { return Item() != nullptr ? Item()->window() : nullptr; }
    QRect rect() const override { return Item() != nullptr ? ScreenRect(*Item()) : QRect(); }
    QAccessibleInterface* parent() const override {
        Node* node = NodeOf();
        Node* combo = node != nullptr ? ComboOf(*node) : nullptr;
        return combo != nullptr && combo != node ? FaceOf(combo) : nullptr;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

// A part a reader never meets on its own (the button, pictures, labels,
// a further column, the drop-down's form, the user control inside its
// holder): no children, and invisible.
class Unshown final : public ItemFace {
public:
    using ItemFace::ItemFace;
    QAccessible::Role role() const override { return QAccessible::NoRole; }
    QString text(QAccessible::Text) const override { return {}; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = true;
        return s;
    }
};

// A field: its text as value and as read-only text for the reader, the
// caret and the selection where the person has them.
class Field final : public ItemFace, public QAccessibleTextInterface {
public:
    using ItemFace::ItemFace;

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
    }
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Whole();
        // The name the control gave the field ("Column 1").
        if (Node* node = NodeOf(); t == QAccessible::Name && node != nullptr)
            return ReaderText(node->accessibleName);
        return {};
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        QuickTextBox* box = Box();
        s.invisible = box == nullptr || !OnScreen(*box);
        s.disabled = Item() != nullptr && !Item()->isEnabled();
        s.focusable = true;
        s.focused = box != nullptr && box->desk != nullptr && box->desk->focus == box->id;
        s.editable = true;
        s.selectableText = true;
        s.readOnly = box != nullptr && box->Locked();
        return s;
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        const QuickTextBox* box = Box();
        if (index != 0 || box == nullptr || !box->Field().HasSelection())
            return;
        *start = Utf16(box->Field().SelStart());
        *end = Utf16(box->Field().SelStart() + box->Field().SelLength());
    }
    int selectionCount() const override { return Box() != nullptr && Box()->Field().HasSelection() ? 1 : 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return Box() != nullptr ? Utf16(Box()->Field().Caret()) : 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Whole().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Whole().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset;
        return {};
    }

private:
    QuickTextBox* Box() const {
        Node* node = NodeOf();
        return node != nullptr && node->kind == Kind::TextBox ? static_cast<QuickTextBox*>(node) : nullptr;
    }
    QString Whole() const { return Box() != nullptr ? ReaderText(Box()->Text()) : QString(); }
    // The UTF-16 offset where unit `unit` of the text starts.
    int Utf16(std::int32_t unit) const {
        const QuickTextBox* box = Box();
        return box != nullptr ? static_cast<int>(ReaderText(box->Field().Slice(0, unit)).size()) : 0;
    }
};

}  // namespace

QAccessibleInterface* NewFieldFace(QQuickItem* item) {
    return new Field(item);
}

QAccessibleInterface* NewUnshownFace(QQuickItem* item) {
    return new Unshown(item);
}

}  // namespace korvane::tk::quick::a11y
