// Editing a field's UTF-8 text by units (field_text.h).
#include "field_text.h"

#include <algorithm>
#include <cstdlib>

#include "text/utf8.h"

namespace korvane::tk::model {

bool FieldText::Assign(std::string value) {
    if (value == text_)
        return false;
    text_ = std::move(value);
    units_ = -1;
    markUnit_ = 0;
    markByte_ = 0;
    caret_ = 0;
    anchor_ = 0;
    ++version_;
    return true;
}

std::int32_t FieldText::Units() const {
    if (units_ < 0)
        units_ = utf8::UnitCount(text_);
    return units_;
}

std::size_t FieldText::ByteOf(std::int32_t unit) const {
    if (unit <= 0)
        return 0;
    const std::int32_t total = Units();
    if (unit >= total)
        return text_.size();
    // Start from the nearest unit whose start is known.
    std::int32_t at = 0;
    std::size_t byte = 0;
    if (std::abs(unit - markUnit_) < unit) {
        at = markUnit_;
        byte = markByte_;
    }
    if (total - unit < std::abs(unit - at)) {
        at = total;
        byte = text_.size();
    }
    while (at < unit) {
        byte += utf8::DecodeUnit(text_, byte).Bytes;
        ++at;
    }
    while (at > unit) {
        byte = utf8::PreviousUnitStart(text_, byte);
        --at;
    }
    markUnit_ = at;
    markByte_ = byte;
    return byte;
}

std::int32_t FieldText::UnitAt(std::size_t byte) const {
    if (byte >= text_.size())
        return Units();
    // From the known unit when it lies before the byte, else from the start.
    std::int32_t at = 0;
    std::size_t pos = 0;
    if (markByte_ <= byte) {
        at = markUnit_;
        pos = markByte_;
    }
    for (;;) {
        const std::size_t next = pos + utf8::DecodeUnit(text_, pos).Bytes;
        if (next > byte)
            break;
        pos = next;
        ++at;
    }
    markUnit_ = at;
    markByte_ = pos;
    return at;
}

std::string_view FieldText::Slice(std::int32_t from, std::int32_t to) const {
    const std::size_t begin = ByteOf(from);
    const std::size_t end = std::max(begin, ByteOf(to));
    return std::string_view(text_).substr(begin, end - begin);
}

void FieldText::Select(std::int32_t anchor, std::int32_t caret) {
    const std::int32_t total = Units();
    anchor_ = std::clamp(anchor, 0, total);
    caret_ = std::clamp(caret, 0, total);
}

// Only the text from four units before the edit is decoded again: no unit
// is longer than four bytes, so the units before that cannot change. After
// the inserted bytes, the walk stops at the first unit that starts at or
// past their end; the bytes it swallowed past their end were continuation
// bytes standing alone, one unit each, so the count of the units after
// the edit follows from the count before it.
bool FieldText::Replace(std::int32_t from, std::int32_t count, std::string_view bytes) {
    const std::int32_t total = Units();
    from = std::clamp(from, 0, total);
    count = std::clamp(count, 0, total - from);
    const std::int32_t anchorUnit = std::max(0, from - 4);
    const std::size_t anchorByte = ByteOf(anchorUnit);
    const std::size_t begin = ByteOf(from);
    const std::size_t end = ByteOf(from + count);
    const bool changed = end - begin != bytes.size() || text_.compare(begin, end - begin, bytes) != 0;
    text_.replace(begin, end - begin, bytes);
    const std::size_t insertedEnd = begin + bytes.size();
    std::int32_t unit = anchorUnit;
    std::size_t pos = anchorByte;
    while (pos < insertedEnd) {
        pos += utf8::DecodeUnit(text_, pos).Bytes;
        ++unit;
    }
    const auto swallowed = static_cast<std::int32_t>(pos - insertedEnd);
    units_ = unit + (total - from - count) - swallowed;
    markUnit_ = unit;
    markByte_ = pos;
    caret_ = unit;
    anchor_ = unit;
    if (changed)
        ++version_;
    return changed;
}

}  // namespace korvane::tk::model
