// Layout and painting: the column widths and the list height, the
// container's Resize (which rescales the columns to a new width and forces
// the height), the arrangement after a font change, and the Dropdown List
// focus look drawn on the labels.
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "control/guards.h"
#include "control/ucvKorvane_p.h"
#include "shell/window_utils.h"

namespace korvane {

void ucvKorvane::Private::WireLayout() {
    container->OnResize = [this] { Resize(); };
    container->OnPaint = [this] { Paint(); };
}

// --- column widths ------------------------------------------------------------------

namespace {

enum class Column { One, Two };

// The widest column the control lays out: far wider than any screen, and
// small enough that two columns, the button and every position computed
// from them stay exact in the toolkit's float sizes and in a toolkit's
// pixel sizes at any resolution.
constexpr std::int32_t kWidestColumn = 1'000'000;

// The width a control of these columns should have.
float ControlWidth(const ucvKorvane::Private& d) {
    const float border = 2.0f * static_cast<float>(d.twipsPerPixelX);
    float w = static_cast<float>(d.widthCol1) + static_cast<float>(d.widthCol2) - border;
    if (d.style != StyleType::SimpleCombo)
        w += static_cast<float>(d.buttonWidth);
    return w;
}

void WriteWidth(ucvKorvane::Private& d, Column column, std::int32_t value) {
    std::int32_t& mine = column == Column::One ? d.widthCol1 : d.widthCol2;
    const std::int32_t other = column == Column::One ? d.widthCol2 : d.widthCol1;
    // Never both columns hidden: with the other one at 0 this one needs 270.
    const std::int32_t smallest = other == 0 ? 270 : 0;
    if (value < smallest) {
        if (d.UserMode())
            Raise(ErrorCode::InvalidPropertyValue);
        d.ShowCritical(ErrorDescription(ErrorCode::InvalidPropertyValue));
        mine = smallest;
        return;
    }
    // A width past the widest is refused the same way, but at design time
    // the width stays as it was: there is no widest width worth storing.
    if (value > kWidestColumn) {
        if (d.UserMode())
            Raise(ErrorCode::InvalidPropertyValue);
        d.ShowCritical(ErrorDescription(ErrorCode::InvalidPropertyValue));
        return;
    }
    detail::FlagGuard setting(d.settingWidth);
    if (value >= 1 && value <= 269)
        value = 270;
    mine = value;
    // A style read from a damaged saved form is no style: nothing to place.
    if (d.style == StyleType::SimpleCombo || d.HasDropDownStyle()) {
        d.PlaceColumns();
        d.container->Width(ControlWidth(d));
    }
    d.container->PropertyChanged(column == Column::One ? "WidthCol1" : "WidthCol2");
}

}  // namespace

// The one placement of the columns' widgets, for every change of style or
// width and for a saved form: a column shows in its field (edit styles) or
// label (Dropdown List), and in Simple Combo also in its list under the
// field; a column of width 0 is hidden. Widgets show before others hide,
// so the focus never falls out of the control on the way.
void ucvKorvane::Private::PlaceColumns() {
    const float border = 2.0f * static_cast<float>(twipsPerPixelX);
    const auto W1 = static_cast<float>(widthCol1);
    const auto W2 = static_cast<float>(widthCol2);
    const bool shown1 = widthCol1 >= 1;
    const bool shown2 = widthCol2 >= 1;
    const bool labels = style == StyleType::DropdownList;
    const bool lists = style == StyleType::SimpleCombo;
    const std::pair<tk::Widget*, bool> visible[] = {{txtCol1.get(), shown1 && !labels},
                                                    {txtCol2.get(), shown2 && !labels},
                                                    {lblCol1.get(), shown1 && labels},
                                                    {lblCol2.get(), shown2 && labels},
                                                    {lstCol1a.get(), shown1 && lists},
                                                    {lstCol2a.get(), shown2 && lists},
                                                    {imgCombo.get(), !lists}};
    for (bool show : {true, false})
        for (const auto& [widget, wanted] : visible)
            if (wanted == show)
                widget->Visible(show);
    // Where the rules part: the rightmost field (and list) ends a border
    // short, where its frame is; a label has no frame and keeps its width.
    const float fieldWidth1 = shown2 ? W1 : W1 - border;
    if (shown1) {
        txtCol1->Width(fieldWidth1);
        lblCol1->Width(W1);
        if (lists)
            lstCol1a->Width(fieldWidth1);
    }
    if (shown2) {
        txtCol2->Width(W2 - border);
        lblCol2->Width(W2);
        if (lists)
            lstCol2a->Width(W2 - border);
    }
    txtCol2->Left(W1);
    lblCol2->Left(W1);
    if (lists)
        lstCol2a->Left(W1);
    imgCombo->Left(W1 + W2 - border);
}

std::int32_t ucvKorvane::WidthCol1() const {
    return d->widthCol1;
}
void ucvKorvane::WidthCol1(std::int32_t New_WidthCol1) {
    WriteWidth(*d, Column::One, New_WidthCol1);
}
std::int32_t ucvKorvane::WidthCol2() const {
    return d->widthCol2;
}
void ucvKorvane::WidthCol2(std::int32_t New_WidthCol2) {
    WriteWidth(*d, Column::Two, New_WidthCol2);
}

// --- list height ----------------------------------------------------------------------

std::int32_t ucvKorvane::ListHeight() const {
    return d->listHeight;
}

void ucvKorvane::ListHeight(std::int32_t NewValue) {
    // A height the lists refuse (a negative one) leaves the stored height
    // as it was; the list's error reaches the caller.
    const std::int32_t previous = d->listHeight;
    try {
        d->WriteListHeight(NewValue);
    } catch (...) {
        d->listHeight = previous;
        throw;
    }
}

void ucvKorvane::Private::WriteListHeight(std::int32_t NewValue) {
    listHeight = NewValue;
    container->PropertyChanged("ListHeight");
    const double screen = desktop.ScreenHeight();
    if (screen < static_cast<double>(closedHeight) + listHeight)
        listHeight = detail::RoundHalfEven(screen - closedHeight);
    if (HasDropDownStyle() && window) {
        window->lstCol1().Height(static_cast<float>(listHeight));
        window->lstCol2().Height(static_cast<float>(listHeight));
        listHeight = detail::RoundHalfEven(window->lstCol1().Height());
    } else if (style == StyleType::SimpleCombo) {
        container->Height(static_cast<float>(closedHeight + listHeight));
    }
}

// --- resize ------------------------------------------------------------------------------

void ucvKorvane::Private::Resize() {
    bool& busy = Busy();
    if (busy)
        return;
    detail::FlagGuard guard(busy);
    if (!settingWidth) {
        // Widths no setter would store (read from a damaged saved form) are
        // brought back into range first, or the control could never be laid
        // out again: below 0 means hidden, 1 to 269 means 270, and the two
        // columns are never both hidden.
        if (widthCol1 < 0)
            widthCol1 = 0;
        if (widthCol2 < 0)
            widthCol2 = 0;
        if (widthCol1 > 0 && widthCol1 < 270)
            widthCol1 = 270;
        if (widthCol2 > 0 && widthCol2 < 270)
            widthCol2 = 270;
        if (widthCol1 == 0 && widthCol2 == 0)
            widthCol2 = 270;
        widthCol1 = std::min(widthCol1, kWidestColumn);
        widthCol2 = std::min(widthCol2, kWidestColumn);
        detail::ContinueOnError([&] {
            const float old = ControlWidth(*this);
            if (old <= 0)
                return;  // nothing sensible to scale from
            const auto p1 = static_cast<float>(widthCol1 * 100.0 / old);
            const auto p2 = static_cast<float>(widthCol2 * 100.0 / old);
            std::int32_t w1 = widthCol1;
            std::int32_t w2 = widthCol2;
            if (container->Width() != old) {
                const std::int32_t width = detail::RoundHalfEven(container->Width());
                w1 = detail::RoundHalfEven(static_cast<double>(p1) * width / 100.0);
                w2 = detail::RoundHalfEven(static_cast<double>(p2) * width / 100.0);
                if (w2 < 270)
                    w2 = w1 < 270 ? 270 : 0;
                if (w1 < 270)
                    w1 = w2 < 270 ? 270 : 0;
                w1 = std::min(w1, kWidestColumn);
                w2 = std::min(w2, kWidestColumn);
            }
            detail::ContinueOnError([&] { q.WidthCol1(w1); });
            detail::ContinueOnError([&] { q.WidthCol2(w2); });
        });
        detail::ContinueOnError([&] { container->Width(ControlWidth(*this)); });
    }
    switch (style) {
        case StyleType::SimpleCombo:
            detail::ContinueOnError([&] { desktop.DoEvents(); });
            detail::ContinueOnError([&] { detail::SetZOrder(desktop, container->hWnd(), tk::hwnd::Top); });
            detail::ContinueOnError([&] {
                std::int32_t h = detail::RoundHalfEven(container->Height() - static_cast<float>(closedHeight));
                if (h < 0)
                    h = 0;
                lstCol1a->Height(static_cast<float>(h));
                lstCol2a->Height(static_cast<float>(h));
            });
            detail::ContinueOnError([&] { listHeight = detail::RoundHalfEven(lstCol1a->Height()); });
            detail::ContinueOnError([&] { container->Height(static_cast<float>(closedHeight + listHeight)); });
            break;
        case StyleType::DropdownCombo:
        case StyleType::DropdownList:
            detail::ContinueOnError([&] { container->Height(static_cast<float>(closedHeight)); });
            break;
    }
}

// --- arrangement after a font change -------------------------------------------------

void ucvKorvane::Private::Arrange() {
    detail::FlagGuard busy(Busy());
    auto fieldHeights = [&](float h) {
        txtCol1->Height(h);
        txtCol2->Height(h);
        lblCol1->Height(h);
        lblCol2->Height(h);
    };
    fieldHeights(315);
    lstCol1a->Height(static_cast<float>(listHeight));
    lstCol2a->Height(static_cast<float>(listHeight));
    if (style == StyleType::DropdownList && window) {
        window->lstCol1().Height(static_cast<float>(listHeight));
        window->lstCol2().Height(static_cast<float>(listHeight));
    }
    imgCombo->Width(static_cast<float>(buttonWidth));
    imgCombo->Height(315);
    container->Font(font);
    for (tk::Widget* w : {static_cast<tk::Widget*>(lblCol1.get()), static_cast<tk::Widget*>(lblCol2.get()),
                          static_cast<tk::Widget*>(txtCol1.get()), static_cast<tk::Widget*>(txtCol2.get()),
                          static_cast<tk::Widget*>(lstCol1a.get()), static_cast<tk::Widget*>(lstCol2a.get())})
        w->Font(font);
    fieldHeight = detail::RoundHalfEven(container->TextHeight("X"));
    std::int32_t h = 0;
    if (style == StyleType::DropdownCombo || style == StyleType::SimpleCombo)
        h = detail::RoundHalfEven(txtCol1->Height());
    if (style == StyleType::DropdownList)
        h = detail::RoundHalfEven(lblCol1->Height());
    bool retried = false;
    for (;;) {
        if (fieldHeight > h) {
            closedHeight = twipsPerPixelY + fieldHeight;
        } else {
            fieldHeight = 315;
            closedHeight = twipsPerPixelY + 315;
        }
        fieldHeights(static_cast<float>(fieldHeight));
        // A field that will not shrink to the font's height sets the height.
        if (txtCol1->Height() > static_cast<float>(fieldHeight) && !retried) {
            retried = true;
            fieldHeight = detail::RoundHalfEven(txtCol1->Height());
            continue;
        }
        break;
    }
    imgCombo->Height(static_cast<float>(fieldHeight));
    imgCombo->Width(static_cast<float>(buttonWidth));
}

// --- painting ----------------------------------------------------------------------------

void ucvKorvane::Private::Paint() {
    if (style != StyleType::DropdownList)
        return;
    systemCallResult = desktop.GetFocus();
    if (systemCallResult == container->hWnd()) {
        DrawHighlight();
        return;
    }
    for (tk::Label* label : {lblCol1.get(), lblCol2.get()})
        label->BackColor(locked ? kLockedGrey : backColor);
    for (tk::Label* label : {lblCol1.get(), lblCol2.get()})
        label->ForeColor(locked ? kBlack : foreColor);
    lblCol1->Refresh();
    lblCol2->Refresh();
}

void ucvKorvane::Private::DrawHighlight() {
    lblCol1->BackColor(detail::SysHighlightColor(desktop));
    lblCol1->ForeColor(detail::SysHighlightTextColor(desktop));
    lblCol2->BackColor(detail::SysHighlightColor(desktop));
    lblCol2->ForeColor(detail::SysHighlightTextColor(desktop));
    lblCol1->Refresh();
    lblCol2->Refresh();
    tk::Rect rect;
    rect.Left = 2;
    rect.Top = 2;
    rect.Right = detail::RoundHalfEven((static_cast<double>(widthCol1) + widthCol2) / twipsPerPixelX - 3);
    rect.Bottom = detail::RoundHalfEven(static_cast<double>(closedHeight) / twipsPerPixelY - 4);
    systemCallResult = desktop.DrawFocusRect(container->hDC(), rect);
}

}  // namespace korvane
