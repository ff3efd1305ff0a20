// Finding a row by its text as Qt's item models match strings: exactly,
// ignoring case, by a part, a wildcard or a regular expression. The Qt
// Widgets KorvaneBox and the Qt Quick one find rows with it.
#include "find_text.h"

#include <QRegularExpression>

#include "korvane/ucvKorvane.h"
#include "toolkit/qt/conversions.h"

namespace korvane::qt {

namespace {

// Whether `text` matches `wanted` as `flags` ask, the way Qt's item
// models match a string.
class Matcher {
public:
    Matcher(const QString& wanted, Qt::MatchFlags flags) : wanted_(wanted) {
        type_ = static_cast<int>((flags & Qt::MatchTypeMask).toInt());
        cs_ = flags.testFlag(Qt::MatchCaseSensitive) ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (type_ == Qt::MatchWildcard) {
            re_ = QRegularExpression(QRegularExpression::wildcardToRegularExpression(wanted));
        } else if (type_ == Qt::MatchRegularExpression) {
            re_ = QRegularExpression(QRegularExpression::anchoredPattern(wanted));
        }
        if (cs_ == Qt::CaseInsensitive)
            re_.setPatternOptions(re_.patternOptions() | QRegularExpression::CaseInsensitiveOption);
    }

    bool Matches(const QString& text) const {
        switch (type_) {
            case Qt::MatchExactly:
                return text == wanted_;
            case Qt::MatchFixedString:
                return text.compare(wanted_, cs_) == 0;
            case Qt::MatchContains:
                return text.contains(wanted_, cs_);
            case Qt::MatchStartsWith:
                return text.startsWith(wanted_, cs_);
            case Qt::MatchEndsWith:
                return text.endsWith(wanted_, cs_);
            case Qt::MatchWildcard:
            case Qt::MatchRegularExpression:
                return re_.isValid() && re_.match(text).hasMatch();
            default:
                return false;
        }
    }

private:
    QString wanted_;
    int type_ = 0;
    Qt::CaseSensitivity cs_ = Qt::CaseSensitive;
    QRegularExpression re_;
};

}  // namespace

int FindText(ucvKorvane& control, const QString& text, int column, Qt::MatchFlags flags) {
    if (column != 1 && column != 2)
        return -1;
    const Matcher matcher(text, flags);
    const std::int32_t rows = control.ListCount();
    const auto col = static_cast<std::int16_t>(column);
    for (std::int32_t i = 0; i < rows; ++i) {
        if (matcher.Matches(tk::qt::ToQ(control.ListCol(col, i))))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace korvane::qt
