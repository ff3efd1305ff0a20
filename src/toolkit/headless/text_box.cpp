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

// Arrows collapse the selection or step the caret, and with Shift extend
// the selection from where it began, as Home and End do; Ctrl+A selects
// the whole text. Delete is refused while Locked.
void HeadlessTextBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t shiftState) {
    const std::int32_t length = field.Units();
    const std::int32_t start = field.SelStart();
    const std::int32_t end = start + field.SelLength();
    const bool extend = (shiftState & shift::Shift) != 0;
    switch (keyCode) {
        case key::Left:
            if (extend)
                field.MoveCaret(std::max(0, field.Caret() - 1), true);
            else
                field.MoveCaret(field.HasSelection() ? start : std::max(0, start - 1), false);
            break;
        case key::Right:
            if (extend)
                field.MoveCaret(std::min(length, field.Caret() + 1), true);
            else
                field.MoveCaret(field.HasSelection() ? end : std::min(length, end + 1), false);
            break;
        case key::Home:
            field.MoveCaret(0, extend);
            break;
        case key::End:
            field.MoveCaret(length, extend);
            break;
        case 'A':
            if ((shiftState & shift::Ctrl) != 0)
                field.Select(0, length);
            break;
        case key::Delete:
            if (locked)
                break;
            if (field.HasSelection()) {
                Edit(start, end - start, {});
            } else if (start < length) {
                Edit(start, 1, {});
            }
            break;
        default:
            break;
    }
}

// Backspace deletes; control characters (Enter, Escape, Tab, ...) are not
// text; everything else replaces the selection.
void HeadlessTextBox::DefaultChar(std::int16_t keyAscii, std::string_view typed) {
    if (locked)
        return;
    const std::int32_t start = field.SelStart();
    if (keyAscii == key::Back) {
        if (field.HasSelection()) {
            Edit(start, field.SelLength(), {});
        } else if (start > 0) {
            Edit(start - 1, 1, {});
        }
        return;
    }
    if (keyAscii >= 0 && (keyAscii < 32 || keyAscii == 127))
        return;
    Edit(start, field.SelLength(), typed);
}

}  // namespace korvane::tk::headless
