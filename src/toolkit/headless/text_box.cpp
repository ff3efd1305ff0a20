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
    Forget();
    selStart = 0;
    selLength = 0;
    Fire(*this, OnChange);
}

void HeadlessTextBox::SelStart(std::int32_t value) {
    selStart = std::clamp(value, 0, Units());
    selLength = 0;
}

void HeadlessTextBox::SelLength(std::int32_t value) {
    selStart = std::clamp(selStart, 0, Units());
    selLength = std::clamp(value, 0, Units() - selStart);
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

void HeadlessTextBox::Forget() const {
    units = -1;
    markUnit = 0;
    markByte = 0;
}

std::int32_t HeadlessTextBox::Units() const {
    if (units < 0)
        units = UnitCount(text);
    return units;
}

std::size_t HeadlessTextBox::ByteOfUnit(std::int32_t unit) const {
    if (unit < markUnit) {
        markUnit = 0;
        markByte = 0;
    }
    while (markUnit < unit && markByte < text.size()) {
        markByte += DecodeUnit(text, markByte).Bytes;
        ++markUnit;
    }
    return markByte;
}

// Only the text from a few units before the edit is decoded again: no unit
// is longer than four bytes, so inserted malformed bytes can join at most
// the units just before and after them. Typing at the end of a long text
// therefore costs the same at every length.
void HeadlessTextBox::Edit(std::int32_t from, std::int32_t count, std::string_view bytes) {
    const std::int32_t anchorUnit = std::max(0, from - 4);
    const std::size_t anchorByte = ByteOfUnit(anchorUnit);
    const std::size_t begin = ByteOfUnit(from);
    const std::size_t end = ByteOfUnit(from + count);
    const bool atEnd = end == text.size();
    const bool changed = end - begin != bytes.size() || text.compare(begin, end - begin, bytes) != 0;
    text.replace(begin, end - begin, bytes);
    // Inserted malformed bytes may join their neighbours into one unit; the
    // caret then stands after the joined unit.
    const std::size_t caretByte = begin + bytes.size();
    std::int32_t unit = anchorUnit;
    std::size_t pos = anchorByte;
    // Where the unit four before the caret starts: the next edit at the
    // caret begins its walk there.
    std::size_t recent[4] = {anchorByte, anchorByte, anchorByte, anchorByte};
    while (pos < caretByte && pos < text.size()) {
        recent[unit % 4] = pos;
        pos += DecodeUnit(text, pos).Bytes;
        ++unit;
    }
    selStart = unit;
    selLength = 0;
    if (atEnd) {
        std::int32_t after = unit;
        for (std::size_t at = pos; at < text.size(); at += DecodeUnit(text, at).Bytes)
            ++after;
        units = after;
    } else {
        units = -1;
    }
    if (unit - anchorUnit >= 4) {
        markUnit = unit - 4;
        markByte = recent[markUnit % 4];
    } else {
        markUnit = anchorUnit;
        markByte = anchorByte;
    }
    if (changed)
        Fire(*this, OnChange);
}

// Arrows collapse the selection or step the caret; Shift does not extend the
// selection here. Delete is refused while Locked.
void HeadlessTextBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t) {
    const std::int32_t length = Units();
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
    const std::int32_t length = Units();
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
