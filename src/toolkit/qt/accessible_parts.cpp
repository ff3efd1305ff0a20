// The faces of the parts that are not the combo box or its rows: a field
// (editable text in Qt's UTF-16 offsets), a part a reader never meets on
// its own, and a widget of ours outside any combo box.
#include <algorithm>

#include "../model/reader.h"
#include "accessibility_p.h"

namespace korvane::tk::qt::a11y {

namespace {

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
// as value, a label as text. Named and described as on every face
// (model/reader.h): a label by what it shows, a picture by what it shows.
class Piece final : public QAccessibleWidget, Counted {
public:
    Piece(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        Node* node = NodeOfInterface(*this);
        if (node != nullptr && (t == QAccessible::Name || t == QAccessible::Description)) {
            const std::string said =
                t == QAccessible::Name ? model::ReaderName(*node) : model::ReaderDescription(*node);
            if (!said.empty())
                return ReaderText(said);
        }
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

}  // namespace

QAccessibleInterface* NewUnshownFace(QWidget* w) {
    return new Unshown(w);
}

QAccessibleInterface* NewPieceFace(QWidget* w, QAccessible::Role role) {
    return new Piece(w, role);
}

QAccessibleInterface* NewFieldFace(FieldWidget* w) {
    return new Field(w);
}

}  // namespace korvane::tk::qt::a11y
