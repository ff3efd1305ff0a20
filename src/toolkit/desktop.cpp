// What every desktop shares: the user's locale taken from the environment,
// the log on the standard error stream, and opening a document through ShellExecuteA for the desktops whose
// handler answers at once.
#include "korvane/toolkit/desktop.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace korvane::tk {

void Desktop::Log(std::string_view message) {
    std::cerr << "korvane: " << message << '\n';
}

std::string Desktop::UserLocale() const {
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string id(value);
        // "de_DE.UTF-8@euro" -> "de_DE"
        id = id.substr(0, id.find_first_of(".@"));
        if (id != "C" && id != "POSIX")
            return id;
        break;
    }
    // No locale of the user's, or the plain C one: English rules, whose
    // collation ignores case as a user would expect.
    return "en_US";
}

void Desktop::ShellExecuteLater(std::string_view file, std::function<void(std::intptr_t code)> done) {
    constexpr std::int32_t kShowNormal = 1;
    const std::intptr_t code = ShellExecuteA(GetDesktopWindow(), "", file, "", "", kShowNormal);
    if (done)
        done(code);
}

}  // namespace korvane::tk
