// The texts a screen reader gets of a combo box on both Qt faces (see
// combo_reading.h).
#include "combo_reading.h"

#include "conversions.h"

namespace korvane::tk::qt::reading {

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

QString ReaderText(std::string_view utf8) {
    QString text = ToQ(utf8);
    text.replace(QChar(0), QChar(QChar::ReplacementCharacter));
    return text;
}

QString Position(std::int32_t row, std::int32_t count) {
    return QStringLiteral("row %1 of %2").arg(row + 1).arg(count);
}

}  // namespace korvane::tk::qt::reading
