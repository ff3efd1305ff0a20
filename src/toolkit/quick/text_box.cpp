// The text box on Qt Quick: the shared field text (UTF-8 edited by units,
// a caret and a selection counted in units), edited by the editor the Qt
// Widgets field uses too (qt/field_editor.h: the keys, undo, the
// clipboard, the mouse's selection, input methods, pieces of the text laid
// out), and drawn in its frame. The item that takes its input is a
// FieldItem (field_item.h).
#include <QGuiApplication>
#include <QInputMethod>
#include <QPainter>
#include <algorithm>

#include "../qt/conversions.h"
#include "../qt/field_editor.h"
#include "field_item.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

using qt::ToQColor;
using qt::ToQFont;

namespace {
constexpr qreal kMarginPx = 2;
}

// The text box as its editor's face: the item's size, focus and pixels.
struct QuickTextBox::EditorFace final : qt::FieldEditor::Face {
    QuickTextBox& box;

    explicit EditorFace(QuickTextBox& b) : box(b) {}

    model::FieldText* Text() override { return box.desk != nullptr ? &box.field : nullptr; }
    bool ReadOnly() const override { return box.locked; }
    // A person's edit, typed or made through a screen reader: the reader
    // hears what was inserted and removed where.
    bool UserEdit(std::int32_t from, std::int32_t count, std::string_view bytes) override {
        const FieldEditNews news = AccessibleFieldEditing(box, from, count);
        if (!box.field.Replace(from, count, bytes))
            return true;
        box.Update();
        AccessibleFieldEdited(box, news, bytes);
        return Fire(box, box.OnChange);
    }
    QFont TextFont() const override { return ToQFont(*box.font); }
    // As on Qt Widgets, the control keeps its left-to-right layout in a
    // right-to-left application; the text runs in its own direction inside.
    Qt::LayoutDirection Direction() const override { return Qt::LeftToRight; }
    QRectF TextArea() const override {
        if (box.item == nullptr)
            return {};
        return {kMarginPx, 1, std::max<qreal>(0, box.item->width() - 2 * kMarginPx),
                std::max<qreal>(0, box.item->height() - 2)};
    }
    bool Focused() const override { return box.item != nullptr && box.item->hasActiveFocus(); }
    void Redraw() override { box.Update(); }
    void Changed() override {
        box.Update();
        TellInputMethod();
        AccessibleCaretMoved(box);
    }
    void TellInputMethod() override {
        if (Focused())
            QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
    }
};

QuickTextBox::QuickTextBox(QuickDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::TextBox, std::move(n), &p),
      face_(std::make_unique<EditorFace>(*this)),
      editor_(std::make_unique<qt::FieldEditor>(*face_)) {
    width = 1215;
    height = 285;
    MakeItem(new FieldItem(d, id));
    item->setActiveFocusOnTab(true);
}

QuickTextBox::~QuickTextBox() = default;

void QuickTextBox::ReaderEdit(std::int32_t from, std::int32_t count, std::string_view bytes) {
    if (!locked)
        face_->UserEdit(from, count, bytes);
}

// Change is raised only when the text really changes, as an edit field
// notifies only real changes; the caret goes back to the start.
void QuickTextBox::Text(std::string value) {
    const FieldEditNews news = AccessibleFieldEditing(*this, 0, field.Units());
    if (field.Assign(std::move(value))) {
        editor_->TextReplaced();
        AccessibleFieldRewritten(*this, news);
        AccessibleValueChanged(*this);
        Fire(*this, OnChange);
    }
}

void QuickTextBox::SelStart(std::int32_t value) {
    field.Select(value, value);
    editor_->CaretMoved();
}

void QuickTextBox::SelLength(std::int32_t value) {
    const std::int32_t start = field.SelStart();
    field.Select(start, start + std::max(0, value));
    editor_->CaretMoved();
}

void QuickTextBox::Locked(bool value) {
    locked = value;
    Update();
}

// A field lower than one line of its font would cut the text: a lower
// height written is raised to that line.
void QuickTextBox::SetHeight(float value) {
    CheckSize(value);
    height = std::max(value, TextHeight("X"));
    ApplyGeometry();
}

void QuickTextBox::SetFont(FontRef value) {
    Node::SetFont(std::move(value));
    editor_->Relayout();
}

// The key as Qt delivered it, which the platform's bindings are matched
// against: keys reach a text box only through its item.
void QuickTextBox::DefaultKeyDown(std::int16_t, std::int16_t) {
    const auto* at = dynamic_cast<const FieldItem*>(item.data());
    if (at != nullptr && at->key != nullptr)
        editor_->Key(*at->key);
}

void QuickTextBox::DefaultChar(std::int16_t keyAscii, std::string_view typed) {
    editor_->Char(keyAscii, typed);
}

// A press of the left button puts the caret (Shift extends the selection)
// and starts selecting with the pointer.
void QuickTextBox::PressAt(float) {
    const auto* at = dynamic_cast<const FieldItem*>(item.data());
    const bool extend = at != nullptr && (at->pressModifiers & Qt::ShiftModifier) != 0;
    editor_->Press(pressXPx, Qt::LeftButton, extend);
}

// The frame, then the text with its selection in the highlight colours and
// the caret while the field has the focus.
void QuickTextBox::Paint(QPainter& painter) {
    const QRectF r(0, 0, item->width(), item->height());
    painter.fillRect(r, ToQColor(back));
    painter.setPen(ToQColor(fore).darker(150));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setFont(ToQFont(*font));
    const QColor highlight = ToQColor(desk != nullptr ? desk->SysColor(syscolor::Highlight) : fore);
    const QColor highlighted = ToQColor(desk != nullptr ? desk->SysColor(syscolor::HighlightText) : back);
    editor_->Draw(painter, {enabled ? ToQColor(fore) : ToQColor(fore).lighter(200), highlight, highlighted, 1});
}

}  // namespace korvane::tk::quick
