// The headless text box: the shared field text (UTF-8 edited by units, a
// caret and a selection counted in units), the keys and characters a
// person uses to edit, and a height that never drops below one line of its
// font.
#include <algorithm>

#include "widget_kinds.h"

namespace korvane::tk::headless {

HeadlessTextBox::HeadlessTextBox(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::TextBox, std::move(n), &p) {
    width = 1215;
    height = 285;
}

// Change is raised only when the text really changes, as an edit field
// notifies only real changes; the caret goes back to the start.
void HeadlessTextBox::Text(std::string value) {
    if (field.Assign(std::move(value)))
        Fire(*this, OnChange);
}

void HeadlessTextBox::SelLength(std::int32_t value) {
    const std::int32_t start = field.SelStart();
    field.Select(start, start + std::max(0, value));
}

// A field lower than one line of its font would cut the text: a lower
// height written is raised to that line. A font changed later leaves the
// height as it is until the next write, as a real edit field keeps its size.
float HeadlessTextBox::GetHeight() const {
    return height;
}

void HeadlessTextBox::SetHeight(float value) {
    CheckSize(value);
    height = std::max(value, TextHeight("X"));
}

void HeadlessTextBox::Edit(std::int32_t from, std::int32_t count, std::string_view bytes) {
    if (field.Replace(from, count, bytes))
        Fire(*this, OnChange);
}

// The plain field's keys and characters, as every desktop's field has them.
void HeadlessTextBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t shiftState) {
    model::PlainFieldKeyDown(
        field, keyCode, shiftState, locked,
        [this](std::int32_t from, std::int32_t count, std::string_view bytes) { Edit(from, count, bytes); });
}

void HeadlessTextBox::DefaultChar(std::int16_t keyAscii, std::string_view typed) {
    model::PlainFieldChar(
        field, keyAscii, typed, locked,
        [this](std::int32_t from, std::int32_t count, std::string_view bytes) { Edit(from, count, bytes); });
}

}  // namespace korvane::tk::headless
