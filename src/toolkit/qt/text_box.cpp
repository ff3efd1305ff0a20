// The text box on Qt, the toolkit's side: the shared field text, written by
// code and by the user's edits in the field (field_widget.cpp), and a
// height that never drops below one line of its font.
#include <QAccessible>
#include <algorithm>

#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

FieldWidget* FieldOf(const Node& node) {
    return dynamic_cast<FieldWidget*>(node.object.data());
}

}  // namespace

QtTextBox::QtTextBox(QtDesktop::Impl& d, Node& p, std::string n) : WidgetBase(d, Kind::TextBox, std::move(n), &p) {
    width = 1215;
    height = 285;
    Attach(new FieldWidget(p.Q()));
}

// Change is raised only when the text really changes; the caret goes back
// to the start.
void QtTextBox::Text(std::string value) {
    const std::string old = QAccessible::isActive() ? field.Text() : std::string();
    if (!field.Assign(std::move(value)))
        return;
    if (FieldWidget* f = FieldOf(*this))
        f->TextReplaced(old);
    AccessibleValueChanged(*this);
    Fire(*this, OnChange);
}

void QtTextBox::SelStart(std::int32_t value) {
    field.Select(value, value);
    if (FieldWidget* f = FieldOf(*this))
        f->CaretMoved();
}

void QtTextBox::SelLength(std::int32_t value) {
    const std::int32_t start = field.SelStart();
    field.Select(start, start + std::max(0, value));
    if (FieldWidget* f = FieldOf(*this))
        f->CaretMoved();
}

// A listening screen reader hears what went and what came, at which UTF-16
// offset, before the handlers of Change run.
bool QtTextBox::UserEdit(std::int32_t from, std::int32_t count, std::string_view bytes) {
    FieldWidget* f = QAccessible::isActive() ? FieldOf(*this) : nullptr;
    const int offset = f != nullptr ? f->Utf16Offset(from) : 0;
    const QString gone = f != nullptr ? ToQ(field.Slice(from, from + count)) : QString();
    if (!field.Replace(from, count, bytes))
        return true;
    if (f != nullptr) {
        if (!gone.isEmpty()) {
            QAccessibleTextRemoveEvent removed(f, offset, gone);
            QAccessible::updateAccessibility(&removed);
        }
        if (!bytes.empty()) {
            QAccessibleTextInsertEvent inserted(f, offset, ToQ(bytes));
            QAccessible::updateAccessibility(&inserted);
        }
    }
    return Fire(*this, OnChange);
}

void QtTextBox::Locked(bool value) {
    locked = value;
    if (FieldWidget* f = FieldOf(*this))
        f->update();
}

// A field lower than one line of its font would cut the text.
void QtTextBox::SetHeight(float value) {
    CheckSize(value);
    height = std::max(value, TextHeight("X"));
    ApplyGeometry();
}

}  // namespace korvane::tk::qt
