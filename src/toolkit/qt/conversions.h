// What every face of the toolkit on Qt converts alike, declared apart from
// the Qt Widgets desktop so the Qt Quick face (src/toolkit/quick) calls the
// same code: UTF-8 and QString (fonts.cpp), toolkit fonts and colours and
// Qt's, and the lines measured in them (fonts.cpp), and Qt's key, shift and button codes as the control's
// (input.cpp). Nothing here needs Qt Widgets.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "korvane/toolkit/types.h"

class QKeyEvent;

namespace korvane::tk::qt {

QString ToQ(std::string_view utf8);
std::string FromQ(const QString& text);
// FromQ into `out`, whose room is used again: a caller converting many
// texts in a row allocates once.
void AssignFromQ(QStringView text, std::string& out);
// The Qt font for a toolkit font: a face the machine does not have falls
// back to the desktop's sans-serif, while the font object keeps its name.
QFont ToQFont(const Font& font);
std::int16_t KeyCodeOf(const QKeyEvent& event);  // 0 for keys the control has no code for
std::int16_t ShiftOf(Qt::KeyboardModifiers modifiers);
std::int16_t ButtonOf(Qt::MouseButton button);
std::int16_t ButtonsOf(Qt::MouseButtons buttons);
// The KeyAscii a key makes (0 for none): its text's code point, or the
// control character of Backspace, Enter, Escape; none with Ctrl or Alt.
std::int16_t CharOf(const QKeyEvent& event, std::int16_t keyCode);
QColor ToQColor(OleColor color);
OleColor FromQColor(const QColor& color);

// A line's height and width in a toolkit font, in pixels, as Qt measures
// them. The last few fonts' heights are kept; a font changed in place
// (through the shared font object) no longer matches its old measurement
// and is measured again.
class LineMeasures {
public:
    float HeightPx(const Font& font) const;
    float WidthPx(const Font& font, std::string_view line) const;

private:
    mutable std::vector<std::pair<Font, float>> heights_;
};

}  // namespace korvane::tk::qt
