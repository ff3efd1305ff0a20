// The in-memory property bag.
#include "korvane/toolkit/property_bag.h"

#include <algorithm>

namespace korvane::tk {

namespace {
template <typename Entries>
auto FindKey(Entries& entries, std::string_view key) {
    return std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == key; });
}
}  // namespace

Variant MemoryPropertyBag::ReadProperty(std::string_view key, const Variant& def) const {
    auto it = FindKey(entries_, key);
    return it == entries_.end() ? def : it->second;
}

void MemoryPropertyBag::WriteProperty(std::string_view key, const Variant& value, const Variant&) {
    Set(key, value);
}

bool MemoryPropertyBag::Contains(std::string_view key) const {
    return FindKey(entries_, key) != entries_.end();
}

void MemoryPropertyBag::Set(std::string_view key, Variant value) {
    auto it = FindKey(entries_, key);
    if (it == entries_.end()) {
        entries_.emplace_back(std::string(key), std::move(value));
    } else {
        it->second = std::move(value);
    }
}

void MemoryPropertyBag::Remove(std::string_view key) {
    auto it = FindKey(entries_, key);
    if (it != entries_.end())
        entries_.erase(it);
}

}  // namespace korvane::tk
