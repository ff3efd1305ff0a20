// How the component layer compares names a host hands it (member and event
// names, class identifiers, words such as "True"): letter for letter with
// ASCII case ignored, as late-bound hosts expect.
#pragma once

#include <cctype>
#include <string_view>

namespace korvane::component {

inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace korvane::component
