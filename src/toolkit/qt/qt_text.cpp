// Text, fonts, colours and input codes between the toolkit and Qt: UTF-8
// and QString, toolkit fonts and Qt fonts (with the fallback for faces the
// machine lacks), colour values, and the key, shift and button codes the
// control's handlers expect whatever Qt calls them.
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <algorithm>

#include "qt_model.h"

namespace korvane::tk::qt {

QString ToQ(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQ(const QString& text) {
    return text.toStdString();
}

// Faces are looked up once each; a face the font database does not know
// (the classic default "MS Sans Serif" on most machines) is drawn in the
// desktop's general sans-serif face at the same size.
QFont ToQFont(const Font& font) {
    static std::map<std::string, QString> faces;
    auto it = faces.find(font.Name);
    if (it == faces.end()) {
        const QString wanted = ToQ(font.Name);
        QString face = wanted;
        if (!QFontDatabase::hasFamily(wanted))
            face = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        it = faces.emplace(font.Name, face).first;
    }
    QFont q(it->second);
    q.setPointSizeF(std::max(1.0, static_cast<double>(font.Size)));
    q.setBold(font.Bold);
    q.setItalic(font.Italic);
    q.setUnderline(font.Underline);
    q.setStrikeOut(font.Strikethrough);
    return q;
}

float LineHeightPx(const Font& font) {
    return static_cast<float>(std::max(1, QFontMetrics(ToQFont(font)).height()));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::int16_t KeyCodeOf(const QKeyEvent& event) {
    const int k = event.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<std::int16_t>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        if ((event.modifiers() & Qt::KeypadModifier) != 0)
            return static_cast<std::int16_t>(96 + (k - Qt::Key_0));
        return static_cast<std::int16_t>('0' + (k - Qt::Key_0));
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return static_cast<std::int16_t>(112 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace:
            return key::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return key::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return key::Return;
        case Qt::Key_Shift:
            return key::Shift;
        case Qt::Key_Control:
            return key::Control;
        case Qt::Key_Alt:
            return key::Menu;
        case Qt::Key_Escape:
            return key::Escape;
        case Qt::Key_Space:
            return key::Space;
        case Qt::Key_PageUp:
            return key::PageUp;
        case Qt::Key_PageDown:
            return key::PageDown;
        case Qt::Key_End:
            return key::End;
        case Qt::Key_Home:
            return key::Home;
        case Qt::Key_Left:
            return key::Left;
        case Qt::Key_Up:
            return key::Up;
        case Qt::Key_Right:
            return key::Right;
        case Qt::Key_Down:
            return key::Down;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return key::Delete;
        default:
            return 0;
    }
}

std::int16_t ShiftOf(Qt::KeyboardModifiers modifiers) {
    std::int16_t s = 0;
    if ((modifiers & Qt::ShiftModifier) != 0)
        s |= shift::Shift;
    if ((modifiers & Qt::ControlModifier) != 0)
        s |= shift::Ctrl;
    if ((modifiers & Qt::AltModifier) != 0)
        s |= shift::Alt;
    return s;
}

std::int16_t ButtonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return button::Left;
        case Qt::RightButton:
            return button::Right;
        case Qt::MiddleButton:
            return button::Middle;
        default:
            return button::None;
    }
}

std::int16_t ButtonsOf(Qt::MouseButtons buttons) {
    std::int16_t b = 0;
    if ((buttons & Qt::LeftButton) != 0)
        b |= button::Left;
    if ((buttons & Qt::RightButton) != 0)
        b |= button::Right;
    if ((buttons & Qt::MiddleButton) != 0)
        b |= button::Middle;
    return b;
}

std::int16_t CharOf(const QKeyEvent& event, std::int16_t keyCode) {
    if ((event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0)
        return 0;
    if (keyCode == key::Back || keyCode == key::Return || keyCode == key::Escape || keyCode == key::Space)
        return keyCode;
    if (keyCode == key::Tab || keyCode == key::Delete)
        return 0;
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    const char32_t cp = text.toUcs4().value(0);
    if (cp < 32 || cp == 127)
        return 0;
    return static_cast<std::int16_t>(cp < 0x8000 ? cp : U'?');
}

QColor ToQColor(OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

OleColor FromQColor(const QColor& c) {
    return Rgb(c.red(), c.green(), c.blue());
}

}  // namespace korvane::tk::qt
