// Fonts, text and colours between the toolkit and Qt: UTF-8 and QString,
// toolkit fonts and Qt fonts (with the fallback for faces the machine
// lacks), the text measurements of every widget, and colour values.
#include "../model/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringEncoder>
#include <algorithm>

#include "desktop.h"
#include "text/utf8.h"

namespace korvane::tk::qt {

// A byte that is no UTF-8 travels through Qt as the lone low surrogate
// U+DC80 to U+DCFF (no valid text holds one), and comes back as that byte:
// a text edited in a Qt field keeps every byte it had, and the caret steps
// over such a byte as one character, as the model counts it.
constexpr char16_t kEscapedByte = 0xDC00;

QString ToQ(std::string_view utf8) {
    if (utf8::IsValid(utf8))
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    QString out;
    out.reserve(static_cast<qsizetype>(utf8.size()));
    for (std::size_t pos = 0; pos < utf8.size();) {
        const utf8::Unit unit = utf8::DecodeUnit(utf8, pos);
        if (!unit.Valid)
            out += QChar(static_cast<char16_t>(kEscapedByte + static_cast<unsigned char>(utf8[pos])));
        else
            out += QString::fromUcs4(&unit.CodePoint, 1);
        pos += unit.Bytes;
    }
    return out;
}

namespace {

// The second half of a surrogate pair (U+10080 is D800 DC80) is a
// character, not an escaped byte.
bool EscapedAt(QStringView text, qsizetype i) {
    const char16_t c = text[i].unicode();
    return c >= kEscapedByte + 0x80 && c <= kEscapedByte + 0xFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Appends `text`, which holds no escaped byte, as UTF-8.
void AppendUtf8(std::string& out, QStringView text) {
    if (text.isEmpty())
        return;
    const std::size_t at = out.size();
    QStringEncoder encoder(QStringEncoder::Utf8);
    out.resize(at + static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* end = encoder.appendToBuffer(out.data() + at, text);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

}  // namespace

void AssignFromQ(QStringView text, std::string& out) {
    const auto n = static_cast<std::size_t>(text.size());
    const char16_t* units = text.utf16();
    // Most texts are ASCII: one pass, no encoder.
    std::size_t ascii = 0;
    while (ascii < n && units[ascii] < 0x80)
        ++ascii;
    out.resize(ascii);
    for (std::size_t i = 0; i < ascii; ++i)
        out[i] = static_cast<char>(units[i]);
    if (ascii == n)
        return;
    qsizetype from = static_cast<qsizetype>(ascii);
    for (qsizetype i = from; i < text.size(); ++i) {
        if (!EscapedAt(text, i))
            continue;
        AppendUtf8(out, text.sliced(from, i - from));
        out += static_cast<char>(text[i].unicode() - kEscapedByte);
        from = i + 1;
    }
    AppendUtf8(out, text.sliced(from));
}

std::string FromQ(const QString& text) {
    std::string out;
    AssignFromQ(text, out);
    return out;
}

// Faces are looked up once each; a face the font database does not know
// (the classic default "MS Sans Serif" on most machines) is drawn in the
// desktop's general sans-serif face at the same size.
QFont ToQFont(const Font& font) {
    static std::map<std::string, QString> faces;
    auto it = faces.find(font.Name);
    if (it == faces.end()) {
        // A host that names ever new faces does not make the cache grow
        // without end.
        if (faces.size() >= 256)
            faces.clear();
        const QString wanted = ToQ(font.Name);
        QString face = wanted;
        if (!QFontDatabase::hasFamily(wanted))
            face = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        it = faces.emplace(font.Name, face).first;
    }
    QFont q(it->second);
    q.setPointSizeF(std::max(1.0, static_cast<double>(model::DrawnSize(font))));
    q.setBold(font.Bold);
    q.setItalic(font.Italic);
    q.setUnderline(font.Underline);
    q.setStrikeOut(font.Strikethrough);
    return q;
}

namespace {
bool SameFont(const Font& a, const Font& b) {
    return a.Size == b.Size && a.Bold == b.Bold && a.Italic == b.Italic && a.Underline == b.Underline &&
           a.Strikethrough == b.Strikethrough && a.Name == b.Name;
}
constexpr std::size_t kMeasuredFonts = 8;
}  // namespace

float LineMeasures::HeightPx(const Font& font) const {
    for (const auto& [measured, height] : heights_)
        if (SameFont(measured, font))
            return height;
    const auto height = static_cast<float>(std::max(1, QFontMetrics(ToQFont(font)).height()));
    if (heights_.size() >= kMeasuredFonts)
        heights_.erase(heights_.begin());
    heights_.emplace_back(font, height);
    return height;
}

float LineMeasures::WidthPx(const Font& font, std::string_view line) const {
    return static_cast<float>(QFontMetrics(ToQFont(font)).horizontalAdvance(ToQ(line)));
}

float QtDesktop::Impl::LineHeightPx(const Font& font) const {
    return lines.HeightPx(font);
}

float QtDesktop::Impl::LineWidthPx(const Font& font, std::string_view line) const {
    return lines.WidthPx(font, line);
}

QColor ToQColor(OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

OleColor FromQColor(const QColor& c) {
    return Rgb(c.red(), c.green(), c.blue());
}

}  // namespace korvane::tk::qt
