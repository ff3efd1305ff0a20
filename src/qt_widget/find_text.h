// Finding a row of a control by the text of one of its columns, matched
// as Qt's item models match a string (find_text.cpp).
#pragma once

#include <QString>
#include <Qt>

namespace korvane {
class ucvKorvane;
}

namespace korvane::qt {

// The first row whose column `column` (1 or 2) matches `text` as `flags`
// ask; -1 when none does or the column does not exist. Throws what the
// control throws (a sort under way).
int FindText(ucvKorvane& control, const QString& text, int column, Qt::MatchFlags flags);

}  // namespace korvane::qt
