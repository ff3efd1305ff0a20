/// @file
/// Opening a document or an address with the desktop's opener program, for
/// the desktops that run on a real screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "korvane/korvane_export.h"

namespace korvane::tk {

/// Starts `opener` directly (never through a shell) with `target` as its one
/// argument, and returns a code in the manner of ShellExecuteA: above 32 for
/// success; 2 the file was not found; 5 access denied; 31 there is no
/// handler (or no opener); 0 any other failure. A target that starts with "-"
/// is passed as "./" + target so that no opener reads it as an option. An
/// opener still running after `waitMs` counts as started; it is reaped later.
KORVANE_EXPORT std::intptr_t OpenWithDesktop(std::string_view target, const std::string& opener = "xdg-open",
                                             int waitMs = 5000);

}  // namespace korvane::tk
