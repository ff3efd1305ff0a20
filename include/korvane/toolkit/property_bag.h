// The property bag through which a host saves a control's properties with
// its form and hands them back, and the variant values it holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "korvane/toolkit/types.h"

namespace korvane::tk {

using Variant = std::variant<std::monostate, bool, std::int16_t, std::int32_t, float, double, std::string, FontRef>;

class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The stored value, or `def` when the key is missing.
    virtual Variant ReadProperty(std::string_view key, const Variant& def) const = 0;
    virtual void WriteProperty(std::string_view key, const Variant& value, const Variant& def) = 0;
};

// A bag kept in memory, in the order the keys were first written.
class MemoryPropertyBag : public PropertyBag {
public:
    Variant ReadProperty(std::string_view key, const Variant& def) const override;
    void WriteProperty(std::string_view key, const Variant& value, const Variant& def) override;

    bool Contains(std::string_view key) const;
    const std::vector<std::pair<std::string, Variant>>& Entries() const { return entries_; }
    void Set(std::string_view key, Variant value);  // as a saved form would hold it
    void Remove(std::string_view key);

private:
    std::vector<std::pair<std::string, Variant>> entries_;
};

}  // namespace korvane::tk
