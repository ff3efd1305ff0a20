// The text of a one-line field as both desktops keep it: UTF-8 split into
// units (a code point, or a single malformed byte), a caret and an anchor
// counted in units, and edits that decode again only the few units around
// them. The field remembers where one unit starts and walks from there,
// forwards or backwards, so typing, deleting and drawing near the caret
// cost the same at every length of text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace korvane::tk::model
