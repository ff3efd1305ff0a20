// The QML KorvaneBox's properties: each read from the control's last
// snapshot or the control, each written as one call of the control, in the
// item's pixels.
#include <algorithm>
#include <memory>
#include <tuple>

#include "korvane/toolkit/quick.h"
#include "korvane/ucvKorvane.h"
#include "korvane_box_item_p.h"

namespace korvane::quick {

using detail::FromQ;
using detail::ToQ;

// --- properties -----------------------------------------------------------------------

KorvaneBox::Style KorvaneBox::boxStyle() const {
    return style_;
}

void KorvaneBox::setBoxStyle(Style style) {
    if (style == style_)
        return;
    if (style < DropdownCombo || style > DropdownList) {
        qmlWarning(this) << "boxStyle: " << static_cast<int>(style) << " is no style";
        return;
    }
    if (isComponentComplete()) {
        qmlWarning(this) << "boxStyle can only be set where the KorvaneBox is declared";
        return;
    }
    style_ = style;
    Build();
    emit boxStyleChanged();
}

int KorvaneBox::currentIndex() const {
    return last_.index;
}

void KorvaneBox::setCurrentIndex(int index) {
    Call("currentIndex", [&] { control_->ListIndex(index); });
}

QString KorvaneBox::currentText() const {
    return ToQ(last_.text1);
}

QVariant KorvaneBox::currentData() const {
    if (last_.index < 0 || control_ == nullptr)
        return {};
    return itemData(last_.index);
}

int KorvaneBox::count() const {
    return last_.count;
}

QString KorvaneBox::text() const {
    if (control_ == nullptr)
        return {};
    try {
        return ToQ(control_->Text());
    } catch (const RuntimeError&) {
        return {};
    }
}

void KorvaneBox::setText(const QString& value) {
    Call("text", [&] { control_->Text(FromQ(value)); });
}

bool KorvaneBox::locked() const {
    return last_.locked;
}

void KorvaneBox::setLocked(bool on) {
    Call("locked", [&] { control_->Locked(on); });
}

bool KorvaneBox::autoFill() const {
    return last_.autoFill;
}

void KorvaneBox::setAutoFill(bool on) {
    Call("autoFill", [&] { control_->AutoFill(on); });
}

int KorvaneBox::column1Width() const {
    return static_cast<int>(std::lround(last_.width1 / static_cast<double>(desktop_->TwipsPerPixelX())));
}

void KorvaneBox::setColumn1Width(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelX();
    Call("column1Width", [&] {
        control_->WidthCol1(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
}

int KorvaneBox::column2Width() const {
    return static_cast<int>(std::lround(last_.width2 / static_cast<double>(desktop_->TwipsPerPixelX())));
}

void KorvaneBox::setColumn2Width(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelX();
    Call("column2Width", [&] {
        control_->WidthCol2(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
}

int KorvaneBox::searchMode() const {
    return control_ != nullptr ? control_->SearchMode() : 0;
}

void KorvaneBox::setSearchMode(int mode) {
    if (mode < INT16_MIN || mode > INT16_MAX) {
        qmlWarning(this) << "searchMode: " << mode << " is no search mode";
        return;
    }
    Call("searchMode", [&] { control_->SearchMode(static_cast<std::int16_t>(mode)); });
}

int KorvaneBox::searchColumns() const {
    return control_ != nullptr ? control_->SearchColumns() : 0;
}

void KorvaneBox::setSearchColumns(int columns) {
    if (columns < INT16_MIN || columns > INT16_MAX) {
        qmlWarning(this) << "searchColumns: " << columns << " names no columns";
        return;
    }
    Call("searchColumns", [&] { control_->SearchColumns(static_cast<std::int16_t>(columns)); });
}

int KorvaneBox::listViewHeight() const {
    if (control_ == nullptr)
        return 0;
    return static_cast<int>(std::lround(control_->ListHeight() / static_cast<double>(desktop_->TwipsPerPixelY())));
}

void KorvaneBox::setListViewHeight(int pixels) {
    const auto twips = static_cast<std::int64_t>(pixels) * desktop_->TwipsPerPixelY();
    Call("listViewHeight", [&] {
        control_->ListHeight(static_cast<std::int32_t>(std::clamp<std::int64_t>(twips, INT32_MIN, INT32_MAX)));
    });
    FollowControl();
}

int KorvaneBox::topIndex() const {
    return last_.topIndex;
}

void KorvaneBox::setTopIndex(int row) {
    Call("topIndex", [&] { control_->TopIndex(row); });
}

namespace {
QColor ColorOf(tk::OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}
}  // namespace

QColor KorvaneBox::backColor() const {
    return control_ != nullptr ? ColorOf(control_->Backcolor()) : QColor();
}

void KorvaneBox::setBackColor(const QColor& color) {
    if (!color.isValid()) {
        qmlWarning(this) << "backColor: not a colour";
        return;
    }
    ownBackColor_ = true;
    if (Call("backColor", [&] { control_->Backcolor(tk::Rgb(color.red(), color.green(), color.blue())); }))
        emit colorsChanged();
}

QColor KorvaneBox::foreColor() const {
    return control_ != nullptr ? ColorOf(control_->Forecolor()) : QColor();
}

void KorvaneBox::setForeColor(const QColor& color) {
    if (!color.isValid()) {
        qmlWarning(this) << "foreColor: not a colour";
        return;
    }
    ownForeColor_ = true;
    if (Call("foreColor", [&] { control_->Forecolor(tk::Rgb(color.red(), color.green(), color.blue())); }))
        emit colorsChanged();
}

QFont KorvaneBox::font() const {
    QFont f;
    if (control_ == nullptr)
        return f;
    const tk::FontRef font = control_->Font();
    f.setFamily(ToQ(font->Name));
    if (tk::DrawableSize(*font))
        f.setPointSizeF(font->Size);
    f.setBold(font->Bold);
    f.setItalic(font->Italic);
    f.setUnderline(font->Underline);
    f.setStrikeOut(font->Strikethrough);
    return f;
}

// The control keeps a font object of its own; a size QML leaves unset
// (-1, as for a pixel size) keeps the control's. A font the program sets
// stays the box's own: the window's font no longer reaches it.
void KorvaneBox::setFont(const QFont& f) {
    ownFont_ = true;
    ApplyFont(f);
}

void KorvaneBox::ApplyFont(const QFont& f) {
    auto font = std::make_shared<tk::Font>(*control_->Font());
    if (!f.family().isEmpty())
        font->Name = FromQ(f.family());
    if (f.pointSizeF() > 0)
        font->Size = static_cast<float>(f.pointSizeF());
    font->Bold = f.bold();
    font->Italic = f.italic();
    font->Underline = f.underline();
    font->Strikethrough = f.strikeOut();
    const tk::Font& was = *control_->Font();
    auto fields = [](const tk::Font& x) {
        return std::tie(x.Name, x.Size, x.Bold, x.Italic, x.Underline, x.Strikethrough);
    };
    if (fields(*font) == fields(was))
        return;
    if (Call("font", [&] { control_->Font(font); })) {
        FollowControl();
        emit fontChanged();
    }
}

}  // namespace korvane::quick
