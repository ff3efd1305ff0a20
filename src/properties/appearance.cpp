// Appearance and behaviour properties: colours, font, Enabled, Locked, tool
// tip and AutoFill, copied onto the column widgets and, in the drop-down
// styles, pushed into the drop-down window whose lists show the rows.
#include <cmath>

#include "control/guards.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

namespace {
// The six widgets that show column text.
template <typename F>
void ForColumnWidgets(ucvKorvane::Private& d, F&& f) {
    f(static_cast<tk::Widget&>(*d.txtCol1));
    f(static_cast<tk::Widget&>(*d.txtCol2));
    f(static_cast<tk::Widget&>(*d.lblCol1));
    f(static_cast<tk::Widget&>(*d.lblCol2));
    f(static_cast<tk::Widget&>(*d.lstCol1a));
    f(static_cast<tk::Widget&>(*d.lstCol2a));
}

template <typename F>
void ForColumnWidgetsLabelsFirst(ucvKorvane::Private& d, F&& f) {
    f(static_cast<tk::Widget&>(*d.lblCol1));
    f(static_cast<tk::Widget&>(*d.lblCol2));
    f(static_cast<tk::Widget&>(*d.txtCol1));
    f(static_cast<tk::Widget&>(*d.txtCol2));
    f(static_cast<tk::Widget&>(*d.lstCol1a));
    f(static_cast<tk::Widget&>(*d.lstCol2a));
}
}  // namespace

// --- pushes into the drop-down window ---------------------------------------------

void ucvKorvane::Private::PushFont() {
    if (!window)
        return;
    window->lstCol1().Font(font);
    window->lstCol2().Font(font);
    window->Form().Font(font);
    fieldHeight = detail::RoundHalfEven(container->TextHeight("X"));
    if (fieldHeight <= 315)
        fieldHeight = 315;
    // The lists take the stored height first, so that what is re-read is
    // that height rounded to whole rows of the new font; re-reading the
    // height they were designed with would lose a saved ListHeight.
    window->lstCol1().Height(static_cast<float>(listHeight));
    window->lstCol2().Height(static_cast<float>(listHeight));
    listHeight = detail::RoundHalfEven(window->lstCol1().Height());
    SizeDropDown();
}

void ucvKorvane::Private::PushBackColor() {
    if (!window)
        return;
    window->cBackcolor(backColor);
    window->lstCol1().BackColor(backColor);
    window->lstCol2().BackColor(backColor);
}

void ucvKorvane::Private::PushForeColor() {
    if (!window)
        return;
    window->cForecolor(foreColor);
    window->lstCol1().ForeColor(foreColor);
    window->lstCol2().ForeColor(foreColor);
}

void ucvKorvane::Private::PushLocked() {
    if (!window)
        return;
    window->cForecolor(foreColor);
    window->cBackcolor(backColor);
    window->Locked(locked);
    window->lstCol1().BackColor(locked ? kLockedGrey : backColor);
    window->lstCol2().BackColor(locked ? kLockedGrey : backColor);
    window->lstCol1().ForeColor(locked ? kBlack : foreColor);
    window->lstCol2().ForeColor(locked ? kBlack : foreColor);
}

void ucvKorvane::Private::PushAll() {
    PushFont();
    PushBackColor();
    PushForeColor();
    PushLocked();
}

// --- public members -------------------------------------------------------------

tk::OleColor ucvKorvane::Backcolor() const {
    return d->backColor;
}

void ucvKorvane::Backcolor(tk::OleColor New_BackColor) {
    d->backColor = New_BackColor;
    ForColumnWidgetsLabelsFirst(*d, [&](tk::Widget& w) { w.BackColor(New_BackColor); });
    d->container->PropertyChanged("BackColor");
    if (d->HasDropDownStyle())
        d->PushBackColor();
}

tk::OleColor ucvKorvane::Forecolor() const {
    return d->foreColor;
}

void ucvKorvane::Forecolor(tk::OleColor New_ForeColor) {
    d->foreColor = New_ForeColor;
    ForColumnWidgetsLabelsFirst(*d, [&](tk::Widget& w) { w.ForeColor(New_ForeColor); });
    d->container->PropertyChanged("ForeColor");
    if (d->HasDropDownStyle())
        d->PushForeColor();
}

bool ucvKorvane::Enabled() const {
    return d->container->Enabled();
}

void ucvKorvane::Enabled(bool New_Enabled) {
    d->container->Enabled(New_Enabled);
    d->container->PropertyChanged("Enabled");
}

tk::FontRef ucvKorvane::Font() const {
    return d->font;
}

void ucvKorvane::Font(tk::FontRef New_Font) {
    // A missing font object would leave nothing to measure with.
    if (!New_Font)
        Raise(ErrorCode::InvalidPropertyValue);
    // A size the layout cannot hold (NaN, infinite, huge, not positive) is
    // refused like any invalid value, and the font in use stays.
    if (!CanLayOut(*New_Font)) {
        d->RefuseWrite(ErrorCode::ToolkitInvalidPropertyValue);
        return;
    }
    // The control is laid out anew for the font; a font it cannot hold on
    // this screen (its closed height alone would not fit) is refused the
    // same way, and the font in use is laid out again.
    auto layOut = [this] {
        d->Arrange();
        if (d->style == StyleType::SimpleCombo) {
            d->lstCol1a->Top(static_cast<float>(d->fieldHeight));
            d->lstCol2a->Top(static_cast<float>(d->fieldHeight));
        } else if (d->HasDropDownStyle() && d->window) {
            d->window->cFont(d->font);
            d->PushFont();
        }
        d->Resize();
    };
    tk::FontRef previous = d->font;
    d->font = std::move(New_Font);
    try {
        layOut();
    } catch (const RuntimeError&) {
        d->font = std::move(previous);
        detail::ContinueOnError(layOut);
        d->RefuseWrite(ErrorCode::ToolkitInvalidPropertyValue);
        return;
    }
    d->container->PropertyChanged("Font");
}

void ucvKorvane::Refresh() {
    d->container->Refresh();
}

void ucvKorvane::Locked(bool NewValue) {
    d->locked = NewValue;
    d->txtCol1->Locked(NewValue);
    d->txtCol2->Locked(NewValue);
    d->container->PropertyChanged("Locked");
    ForColumnWidgets(*d, [&](tk::Widget& w) { w.BackColor(NewValue ? kLockedGrey : d->backColor); });
    ForColumnWidgets(*d, [&](tk::Widget& w) { w.ForeColor(NewValue ? kBlack : d->foreColor); });
    if (d->HasDropDownStyle())
        d->PushLocked();
}

const std::string& ucvKorvane::ToolTipText() const {
    return d->toolTipText;
}

void ucvKorvane::ToolTipText(const std::string& NewValue) {
    d->toolTipText = NewValue;
    d->txtCol1->ToolTipText(NewValue);
    d->txtCol2->ToolTipText(NewValue);
    d->lstCol1a->ToolTipText(NewValue);
    d->lstCol2a->ToolTipText(NewValue);
}

bool ucvKorvane::AutoFill() const {
    return d->autoFill;
}

void ucvKorvane::AutoFill(bool New_AutoFill) {
    switch (d->style) {
        case StyleType::DropdownCombo:
        case StyleType::SimpleCombo:
            d->autoFill = New_AutoFill;
            d->container->PropertyChanged("AutoFill");
            break;
        case StyleType::DropdownList:
            // Dropdown List has no fields to fill a row from.
            d->autoFill = false;
            break;
    }
}

}  // namespace korvane
