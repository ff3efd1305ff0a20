// What every desktop shares: the user's locale taken from the environment.
#include "korvane/toolkit/desktop.h"

#include <cstdlib>
#include <string>

namespace korvane::tk {

std::string Desktop::UserLocale() const {
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string id(value);
        // "de_DE.UTF-8@euro" -> "de_DE"
        id = id.substr(0, id.find_first_of(".@"));
        if (id == "C" || id == "POSIX")
            return "en_US_POSIX";
        return id;
    }
    return "en_US_POSIX";
}

}  // namespace korvane::tk
