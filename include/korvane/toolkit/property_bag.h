/// @file
/// The property bag through which a host saves a control's properties with
/// its form and hands them back, and the variant values it holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "korvane/korvane_export.h"
#include "korvane/toolkit/types.h"

namespace korvane::tk {

/// A saved property's value: empty (std::monostate), a Boolean, a 16- or
/// 32-bit integer, a float or double, a UTF-8 text, or a font.
using Variant = std::variant<std::monostate, bool, std::int16_t, std::int32_t, float, double, std::string, FontRef>;

/// Where a control saves its properties (ucvKorvane::WriteProperties) and
/// reads them back (ucvKorvane::ReadProperties). A host implements it over
/// its own storage, or uses MemoryPropertyBag or korvane::FormPropertyBag.
class KORVANE_EXPORT PropertyBag {
public:
    virtual ~PropertyBag() = default;
    /// The stored value of `key`, or `def` when the key is missing. The
    /// value may be of another type than `def`; the control checks it.
    virtual Variant ReadProperty(std::string_view key, const Variant& def) const = 0;
    /// Stores `value` under `key`. `def` is the property's default: a bag
    /// may leave out a value equal to it, since ReadProperty gives `def`
    /// back for a missing key.
    virtual void WriteProperty(std::string_view key, const Variant& value, const Variant& def) = 0;
};

/// A bag kept in memory, in the order the keys were first written. It keeps
/// every value written, defaults included.
class KORVANE_EXPORT MemoryPropertyBag : public PropertyBag {
public:
    /// The stored value of `key`, or `def` when the key is missing.
    Variant ReadProperty(std::string_view key, const Variant& def) const override;
    /// Stores `value` under `key` (replacing an earlier one, keeping its place).
    void WriteProperty(std::string_view key, const Variant& value, const Variant& def) override;

    /// Whether a value is stored under `key`.
    bool Contains(std::string_view key) const;
    /// Every stored key and value, in the order the keys were first written.
    const std::vector<std::pair<std::string, Variant>>& Entries() const { return entries_; }
    /// Stores `value` under `key` as a saved form would hold it (for tests
    /// and hosts that fill a bag themselves).
    void Set(std::string_view key, Variant value);
    /// Removes `key` and its value; nothing happens when it is missing.
    void Remove(std::string_view key);

private:
    std::vector<std::pair<std::string, Variant>> entries_;
};

}  // namespace korvane::tk
