// The per-desktop busy flag.
#include "control/guards.h"

#include <unordered_map>

namespace korvane::detail {

bool& g_Busy(const tk::Desktop& desktop) {
    // One flag per desktop on this thread. The flag is always put back to
    // false when the work that set it ends, so an entry left behind by a
    // destroyed desktop is harmless to one that later reuses its address.
    thread_local std::unordered_map<const tk::Desktop*, bool> flags;
    return flags[&desktop];
}

}  // namespace korvane::detail
