// The About box.
#include "control/ucvKorvane_p.h"

namespace korvane {

void ucvKorvane::About() {}

}  // namespace korvane
