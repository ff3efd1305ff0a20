// The text of a one-line field as both desktops keep it: UTF-8 split into
// units (a code point, or a single malformed byte), a caret and an anchor
// counted in units, and edits that decode again only the few units around
// them. The field remembers where one unit starts and walks from there,
// forwards or backwards, so typing, deleting and drawing near the caret
// cost the same at every length of text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "korvane/toolkit/types.h"

namespace korvane::tk::model {

class FieldText {
public:
    const std::string& Text() const { return text_; }
    // Replaces the whole text, with the caret at the start and nothing
    // selected. Returns false, and leaves the caret, when it is the same.
    bool Assign(std::string value);
    // Replaces the units [from, from + count) by `bytes`, leaving the caret
    // after them and nothing selected. Inserted malformed bytes may join
    // their neighbours into one unit; the caret then stands after the
    // joined unit. Returns whether the text changed.
    bool Replace(std::int32_t from, std::int32_t count, std::string_view bytes);
    // Replaces the selection (or inserts at the caret).
    bool ReplaceSelection(std::string_view bytes) { return Replace(SelStart(), SelLength(), bytes); }

    // The number of units; counted once after the text is assigned, and
    // kept in step by every edit.
    std::int32_t Units() const;
    // The byte where unit `unit` starts (the text's size past the end).
    std::size_t ByteOf(std::int32_t unit) const;
    // The unit whose bytes hold byte `byte` (Units() at or past the end).
    std::int32_t UnitAt(std::size_t byte) const;
    // The first unit that starts at or after byte `byte`.
    std::int32_t UnitFrom(std::size_t byte) const {
        const std::int32_t unit = UnitAt(byte);
        return ByteOf(unit) < byte ? unit + 1 : unit;
    }
    // The bytes of the units [from, to), each clamped to the text.
    std::string_view Slice(std::int32_t from, std::int32_t to) const;

    // The caret moves with the keys; the anchor stays where the selection
    // began, on either side of the caret.
    std::int32_t Caret() const { return caret_; }
    std::int32_t Anchor() const { return anchor_; }
    std::int32_t SelStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    std::int32_t SelLength() const { return caret_ < anchor_ ? anchor_ - caret_ : caret_ - anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    // Selects from `anchor` to `caret`, each clamped to the text.
    void Select(std::int32_t anchor, std::int32_t caret);
    // Puts the caret at `unit`, keeping the anchor when `extend` is true.
    void MoveCaret(std::int32_t unit, bool extend) { Select(extend ? anchor_ : unit, unit); }

    // Changes with every change of the text, so a desktop knows when a
    // layout it keeps of a piece of the text is stale.
    std::uint64_t Version() const { return version_; }

private:
    std::string text_;
    std::int32_t caret_ = 0;
    std::int32_t anchor_ = 0;
    mutable std::int32_t units_ = 0;  // -1 until counted
    // A unit whose start is known: walks start from here, from the start
    // or from the end, whichever is nearest.
    mutable std::int32_t markUnit_ = 0;
    mutable std::size_t markByte_ = 0;
    std::uint64_t version_ = 0;
};

// The keys a plain field (one no user of the desktop drew itself) acts on:
// arrows collapse the selection or step the caret, and with Shift extend
// the selection from where it began, as Home and End do; Ctrl+A selects
// the whole text; Delete, refused while `locked`, edits through
// `edit(from, count, bytes)`. True when only the caret or the selection
// moved, so the field draws itself again.
template <typename Edit>
bool PlainFieldKeyDown(FieldText& field, std::int16_t keyCode, std::int16_t shiftState, bool locked, Edit&& edit) {
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
            return true;
        case key::Right:
            if (extend)
                field.MoveCaret(std::min(length, field.Caret() + 1), true);
            else
                field.MoveCaret(field.HasSelection() ? end : std::min(length, end + 1), false);
            return true;
        case key::Home:
            field.MoveCaret(0, extend);
            return true;
        case key::End:
            field.MoveCaret(length, extend);
            return true;
        case 'A':
            if ((shiftState & shift::Ctrl) == 0)
                return false;
            field.Select(0, length);
            return true;
        case key::Delete:
            if (locked)
                return false;
            if (field.HasSelection()) {
                edit(start, end - start, std::string_view{});
            } else if (start < length) {
                edit(start, 1, std::string_view{});
            }
            return false;
        default:
            return false;
    }
}

// The characters a plain field takes: Backspace deletes, control
// characters (Enter, Escape, Tab, ...) are not text, everything else
// replaces the selection; nothing while `locked`.
template <typename Edit>
void PlainFieldChar(FieldText& field, std::int16_t keyAscii, std::string_view typed, bool locked, Edit&& edit) {
    if (locked)
        return;
    const std::int32_t start = field.SelStart();
    if (keyAscii == key::Back) {
        if (field.HasSelection()) {
            edit(start, field.SelLength(), std::string_view{});
        } else if (start > 0) {
            edit(start - 1, 1, std::string_view{});
        }
        return;
    }
    if (keyAscii >= 0 && (keyAscii < 32 || keyAscii == 127))
        return;
    edit(start, field.SelLength(), typed);
}

}  // namespace korvane::tk::model
