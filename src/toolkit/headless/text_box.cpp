// The headless text box: UTF-8 text edited by units (code points, or single
// malformed bytes), a caret and selection counted in those units, the keys
// and characters a person uses to edit, and a height that never drops below
// one line of its font.
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
    if (value == text)
        return;
    text = std::move(value);
    selStart = 0;
    selLength = 0;
    Fire(*this, OnChange);
}

void HeadlessTextBox::SelStart(std::int32_t value) {
    selStart = std::clamp(value, 0, UnitCount(text));
    selLength = 0;
}

void HeadlessTextBox::SelLength(std::int32_t value) {
    selStart = std::clamp(selStart, 0, UnitCount(text));
    selLength = std::clamp(value, 0, UnitCount(text) - selStart);
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
    const auto starts = UnitStarts(text);
    const std::size_t begin = starts[static_cast<std::size_t>(from)];
    const std::size_t end = starts[static_cast<std::size_t>(from + count)];
    std::string edited = text.substr(0, begin);
    edited.append(bytes);
    edited.append(text, end);
    const std::size_t caretByte = begin + bytes.size();
    const bool changed = edited != text;
    text = std::move(edited);
    // Inserted malformed bytes may join their neighbours into one unit; the
    // caret then stands after the joined unit.
    const auto now = UnitStarts(text);
    selStart = static_cast<std::int32_t>(std::lower_bound(now.begin(), now.end() - 1, caretByte) - now.begin());
    selLength = 0;
    if (changed)
        Fire(*this, OnChange);
}

// Arrows collapse the selection or step the caret; Shift does not extend the
// selection here. Delete is refused while Locked.
void HeadlessTextBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t) {
    const std::int32_t length = UnitCount(text);
    selStart = std::clamp(selStart, 0, length);
    selLength = std::clamp(selLength, 0, length - selStart);
    switch (keyCode) {
        case key::Left:
            selStart = selLength > 0 ? selStart : std::max(0, selStart - 1);
            selLength = 0;
            break;
        case key::Right:
            selStart = selLength > 0 ? selStart + selLength : std::min(length, selStart + 1);
            selLength = 0;
            break;
        case key::Home:
            selStart = 0;
            selLength = 0;
            break;
        case key::End:
            selStart = length;
            selLength = 0;
            break;
        case key::Delete:
            if (locked)
                break;
            if (selLength > 0) {
                Edit(selStart, selLength, {});
            } else if (selStart < length) {
                Edit(selStart, 1, {});
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
    const std::int32_t length = UnitCount(text);
    selStart = std::clamp(selStart, 0, length);
    selLength = std::clamp(selLength, 0, length - selStart);
    if (keyAscii == key::Back) {
        if (selLength > 0) {
            Edit(selStart, selLength, {});
        } else if (selStart > 0) {
            Edit(selStart - 1, 1, {});
        }
        return;
    }
    if (keyAscii >= 0 && (keyAscii < 32 || keyAscii == 127))
        return;
    Edit(selStart, selLength, typed);
}

}  // namespace korvane::tk::headless
