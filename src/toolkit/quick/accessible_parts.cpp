// The faces of the parts of a combo box on the Qt Quick desktop that are
// not the combo box or its rows: a field (editable text in Qt's UTF-16
// offsets, as a screen reader counts them, edited through the field's own
// edits), and a part a reader never meets on its own. A field on a form of
// the desktop's own has the same face.
#include <QQuickItem>
#include <QQuickWindow>
#include <algorithm>

#include "../qt/conversions.h"
#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

namespace {

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

// A field: its text as value and as editable text for the reader, the
// caret and the selection where the person has them. A reader's edits and
// moves go through the field as a person's do, so the control hears of
// them (Change); a locked field refuses the edits.
class Field final : public ItemFace, public QAccessibleTextInterface, public QAccessibleEditableTextInterface {
public:
    using ItemFace::ItemFace;

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return nullptr;
    }
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Whole();
        // The name the control gave the field ("Column 1").
        if (Node* node = NodeOf(); t == QAccessible::Name && node != nullptr)
            return ReaderText(model::ReaderName(*node));
        if (Node* node = NodeOf(); t == QAccessible::Description && node != nullptr)
            return ReaderText(node->toolTip);
        return {};
    }
    void setText(QAccessible::Text t, const QString& text) override {
        QuickTextBox* box = Box();
        if (t != QAccessible::Value || box == nullptr || box->Locked())
            return;
        Guarded([&] { box->Text(qt::FromQ(text)); });
        TellHolder();
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
        *start = Utf16Offset(*box, box->Field().SelStart());
        *end = Utf16Offset(*box, box->Field().SelStart() + box->Field().SelLength());
    }
    int selectionCount() const override { return Box() != nullptr && Box()->Field().HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        if (QuickTextBox* box = Box())
            Select(box->Field().Caret(), 0);
    }
    void setSelection(int, int start, int end) override {
        if (QuickTextBox* box = Box()) {
            const std::int32_t from = UnitOfUtf16(*box, std::min(start, end));
            Select(from, UnitOfUtf16(*box, std::max(start, end)) - from);
        }
    }
    int cursorPosition() const override { return Box() != nullptr ? Utf16Offset(*Box(), Box()->Field().Caret()) : 0; }
    void setCursorPosition(int position) override {
        if (QuickTextBox* box = Box())
            Select(UnitOfUtf16(*box, position), 0);
    }
    QString text(int start, int end) const override { return Whole().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Whole().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
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
        QuickTextBox* box = Box();
        if (box == nullptr || box->Locked())
            return;
        const std::int32_t from = UnitOfUtf16(*box, std::min(start, end));
        const std::int32_t to = UnitOfUtf16(*box, std::max(start, end));
        Guarded([&] { box->ReaderEdit(from, to - from, qt::FromQ(text)); });
        TellHolder();
    }

private:
    QuickTextBox* Box() const {
        Node* node = NodeOf();
        return node != nullptr && node->kind == Kind::TextBox ? static_cast<QuickTextBox*>(node) : nullptr;
    }
    QString Whole() const { return Box() != nullptr ? ReaderText(Box()->Text()) : QString(); }
    // The item of the host's scene that holds the combo box reads the
    // control again after a reader's edit, as it does after a person's
    // input (the QML KorvaneBox's readAgain).
    void TellHolder() const {
        Node* node = NodeOf();
        Node* combo = node != nullptr ? ComboOf(*node) : nullptr;
        QQuickItem* holder = combo != nullptr && combo->foreignParent != 0 ? HolderOf(*combo) : nullptr;
        if (holder != nullptr && holder->metaObject()->indexOfMethod("readAgain()") >= 0)
            QMetaObject::invokeMethod(holder, "readAgain", Qt::QueuedConnection);
    }
    // Through the field's own properties, which draw it and tell the reader.
    void Select(std::int32_t start, std::int32_t length) {
        QuickTextBox* box = Box();
        Guarded([&] {
            box->SelStart(start);
            box->SelLength(length);
        });
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
