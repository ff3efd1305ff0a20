// The control's life cycle with its saved properties: the defaults of a new
// control, reading the 16 saved keys and rebuilding the widgets from them,
// and writing them back when the host saves its form.
#include <cmath>
#include <exception>

#include "control/guards.h"
#include "control/text.h"
#include "control/ucvKorvane_p.h"
#include "shell/window_utils.h"

namespace korvane {

namespace {

// Values read back from a bag: a value of another type than the key's gives
// the default, so one damaged key never stops the others.
std::int32_t AsInt32(const tk::Variant& v, std::int32_t def) {
    if (auto p = std::get_if<std::int32_t>(&v))
        return *p;
    if (auto p = std::get_if<std::int16_t>(&v))
        return *p;
    if (auto p = std::get_if<bool>(&v))
        return *p ? -1 : 0;
    auto fromFloating = [&](double x) {
        if (!std::isfinite(x) || x > INT32_MAX || x < INT32_MIN)
            return def;
        return static_cast<std::int32_t>(std::nearbyint(x));
    };
    if (auto p = std::get_if<double>(&v))
        return fromFloating(*p);
    if (auto p = std::get_if<float>(&v))
        return fromFloating(*p);
    return def;
}

bool AsBool(const tk::Variant& v, bool def) {
    if (auto p = std::get_if<bool>(&v))
        return *p;
    if (auto p = std::get_if<std::int16_t>(&v))
        return *p != 0;
    if (auto p = std::get_if<std::int32_t>(&v))
        return *p != 0;
    return def;
}

std::string AsString(const tk::Variant& v, const std::string& def) {
    if (auto p = std::get_if<std::string>(&v))
        return *p;
    return def;
}

tk::FontRef AsFont(const tk::Variant& v, const tk::FontRef& def) {
    // A saved font the control cannot lay out gives the default one.
    if (auto p = std::get_if<tk::FontRef>(&v); p && *p && CanLayOut(**p))
        return *p;
    return def;
}

}  // namespace

void ucvKorvane::InitProperties() {
    d->sysWindowColor = detail::SysWindowColor(d->desktop);
    d->sysTextColor = detail::SysWindowTextColor(d->desktop);
    d->font = d->defaultFont;
    d->backColor = d->sysWindowColor;
    d->foreColor = d->sysTextColor;
    d->lastRowText.clear();
    d->lastText.clear();
    d->currentRow = -1;
    d->lastItemData = 0;
    d->widthCol1 = 1100;
    d->widthCol2 = 2900;
    d->lblCol2->Left(1100);
    d->txtCol2->Left(1100);
    d->imgCombo->Left(static_cast<float>(d->widthCol1 + d->widthCol2 - 2 * d->twipsPerPixelX));
    d->style = StyleType::DropdownCombo;
    d->autoFill = false;
    d->locked = false;
    d->newestRow = -1;
    d->toolTipText.clear();
    d->searchMode = 0;
    d->searchColumns = detail::search_columns::Default;
    // A new control in a drop-down style needs its drop-down window at
    // once: it holds the rows, and without it every row added is lost.
    d->EnsureWindow();
    d->window->cFont(d->font);
    d->window->cBackcolor(d->backColor);
    d->window->cForecolor(d->foreColor);
    d->window->Locked(d->locked);
    if (d->UserMode()) {
        detail::ContinueOnError([&] { d->window->Form().Load(); });
        detail::ContinueOnError([&] { d->TimerProc->Enabled(true); });
    }
    d->Busy() = false;
    d->holdsStartupBusy = false;
}

namespace {

// The saved values, each read on its own: a value that cannot be read
// leaves the member as it was.
void ReadSavedValues(ucvKorvane::Private& p, const tk::PropertyBag& bag) {
    auto read = [&](const char* key, const tk::Variant& def) { return bag.ReadProperty(key, def); };
    detail::ContinueOnError([&] { p.font = AsFont(read("Font", p.defaultFont), p.defaultFont); });
    detail::ContinueOnError([&] {
        p.backColor = static_cast<tk::OleColor>(AsInt32(read("BackColor", static_cast<std::int32_t>(p.sysWindowColor)),
                                                        static_cast<std::int32_t>(p.sysWindowColor)));
    });
    detail::ContinueOnError([&] {
        p.foreColor = static_cast<tk::OleColor>(AsInt32(read("ForeColor", static_cast<std::int32_t>(p.sysTextColor)),
                                                        static_cast<std::int32_t>(p.sysTextColor)));
    });
    detail::ContinueOnError([&] { p.lastRowText = AsString(read("List", std::string()), ""); });
    detail::ContinueOnError([&] { p.currentRow = AsInt32(read("ListIndex", -1), -1); });
    detail::ContinueOnError([&] { p.lastItemData = AsInt32(read("ItemData", 0), 0); });
    detail::ContinueOnError([&] { p.widthCol1 = AsInt32(read("WidthCol1", 1100), 1100); });
    detail::ContinueOnError([&] { p.widthCol2 = AsInt32(read("WidthCol2", 2900), 2900); });
    detail::ContinueOnError([&] { p.buttonWidth = p.twipsPerPixelX * (detail::VScrollWidth(p.desktop) + 2); });
    detail::ContinueOnError([&] { p.style = static_cast<StyleType>(AsInt32(read("Style", std::int16_t{0}), 0)); });
    detail::ContinueOnError([&] { p.autoFill = AsBool(read("AutoFill", false), false); });
    detail::ContinueOnError([&] { p.locked = AsBool(read("Locked", false), false); });
    detail::ContinueOnError([&] { p.lastText = AsString(read("Text", std::string()), ""); });
    detail::ContinueOnError([&] { p.newestRow = AsInt32(read("NewIndex", -1), -1); });
    detail::ContinueOnError([&] { p.listHeight = AsInt32(read("ListHeight", 1800), 1800); });
    detail::ContinueOnError([&] { p.toolTipText = AsString(read("ToolTipText", std::string()), ""); });
    // A search value the control cannot hold leaves the default (no search).
    detail::ContinueOnError([&] {
        const std::int32_t mode = AsInt32(read("SearchMode", std::int16_t{0}), 0);
        p.searchMode = static_cast<std::int16_t>(detail::ValidSearchMode(mode) ? mode : 0);
    });
    detail::ContinueOnError([&] {
        const std::int32_t columns =
            AsInt32(read("SearchColumns", detail::search_columns::Default), detail::search_columns::Default);
        p.searchColumns =
            static_cast<std::int16_t>(detail::ValidSearchColumns(columns) ? columns : detail::search_columns::Default);
    });
    detail::ContinueOnError([&] { p.container->Enabled(AsBool(read("Enabled", true), true)); });
}

// The drop-down window for the drop-down styles, then the locked state and
// the colours on the fields, labels and lists, and the row's height.
void ApplyColoursAndLock(ucvKorvane::Private& p) {
    if (p.HasDropDownStyle())
        detail::ContinueOnError([&] { p.EnsureWindow(); });
    detail::ContinueOnError([&] { p.txtCol1->Locked(p.locked); });
    detail::ContinueOnError([&] { p.txtCol2->Locked(p.locked); });
    for (tk::Widget* w : {static_cast<tk::Widget*>(p.txtCol1.get()), static_cast<tk::Widget*>(p.txtCol2.get()),
                          static_cast<tk::Widget*>(p.lblCol1.get()), static_cast<tk::Widget*>(p.lblCol2.get()),
                          static_cast<tk::Widget*>(p.lstCol1a.get()), static_cast<tk::Widget*>(p.lstCol2a.get())})
        detail::ContinueOnError([&] { w->BackColor(p.locked ? kLockedGrey : p.backColor); });
    for (tk::Widget* w : {static_cast<tk::Widget*>(p.lblCol1.get()), static_cast<tk::Widget*>(p.lblCol2.get()),
                          static_cast<tk::Widget*>(p.txtCol1.get()), static_cast<tk::Widget*>(p.txtCol2.get()),
                          static_cast<tk::Widget*>(p.lstCol1a.get()), static_cast<tk::Widget*>(p.lstCol2a.get())})
        detail::ContinueOnError([&] { w->ForeColor(p.foreColor); });
    detail::ContinueOnError([&] { p.Arrange(); });
}

// The columns placed by the layout's one rule, Simple Combo's lists under
// the fields.
void PlaceStyleWidgets(ucvKorvane::Private& p) {
    detail::ContinueOnError([&] { p.PlaceColumns(); });
    detail::ContinueOnError([&] { p.lstCol1a->Top(static_cast<float>(p.fieldHeight)); });
    detail::ContinueOnError([&] { p.lstCol2a->Top(static_cast<float>(p.fieldHeight)); });
}

// The saved text in the fields, and the drop-down window loaded with the
// control's font, colours and locked state.
void FillFieldsAndWindow(ucvKorvane::Private& p) {
    if (p.style == StyleType::DropdownCombo || p.style == StyleType::SimpleCombo) {
        const auto parts = detail::SplitRowText(p.lastText);
        detail::ContinueOnError([&] { p.txtCol1->Text(parts.first); });
        detail::ContinueOnError([&] { p.txtCol2->Text(parts.second); });
    }
    if (p.HasDropDownStyle() && p.window) {
        if (p.UserMode()) {
            detail::ContinueOnError([&] { p.window->Form().Load(); });
            detail::ContinueOnError([&] { p.TimerProc->Enabled(true); });
        }
        detail::ContinueOnError([&] { p.window->cFont(p.font); });
        detail::ContinueOnError([&] { p.window->cBackcolor(p.backColor); });
        detail::ContinueOnError([&] { p.window->cForecolor(p.foreColor); });
        detail::ContinueOnError([&] { p.window->Locked(p.locked); });
        detail::ContinueOnError([&] { p.PushFont(); });
        detail::ContinueOnError([&] { p.PushBackColor(); });
        detail::ContinueOnError([&] { p.PushForeColor(); });
        detail::ContinueOnError([&] { p.PushLocked(); });
    }
}

}  // namespace

void ucvKorvane::ReadProperties(const tk::PropertyBag& bag) {
    auto& p = *d;
    ReadSavedValues(p, bag);
    ApplyColoursAndLock(p);
    PlaceStyleWidgets(p);
    FillFieldsAndWindow(p);
    p.Busy() = false;
    p.holdsStartupBusy = false;
    detail::ContinueOnError([&] { p.Resize(); });
}

void ucvKorvane::WriteProperties(tk::PropertyBag& bag) {
    auto& p = *d;
    bag.WriteProperty("Font", p.font, p.defaultFont);
    bag.WriteProperty("BackColor", static_cast<std::int32_t>(p.backColor), static_cast<std::int32_t>(p.sysWindowColor));
    bag.WriteProperty("ForeColor", static_cast<std::int32_t>(p.foreColor), static_cast<std::int32_t>(p.sysTextColor));
    bag.WriteProperty("Enabled", p.container->Enabled(), true);
    bag.WriteProperty("List", p.lastRowText, std::string());
    bag.WriteProperty("ListIndex", p.currentRow, -1);
    bag.WriteProperty("ItemData", p.lastItemData, 0);
    bag.WriteProperty("WidthCol1", p.widthCol1, 1100);
    bag.WriteProperty("WidthCol2", p.widthCol2, 2900);
    bag.WriteProperty("Style", static_cast<std::int32_t>(p.style), std::int16_t{0});
    bag.WriteProperty("AutoFill", p.autoFill, false);
    bag.WriteProperty("Locked", p.locked, false);
    bag.WriteProperty("Text", p.lastText, std::string());
    bag.WriteProperty("NewIndex", p.newestRow, -1);
    bag.WriteProperty("ListHeight", p.listHeight, 1800);
    bag.WriteProperty("ToolTipText", p.toolTipText, std::string());
    // The search keys are newer than every form saved so far: written only
    // when set, a form that does not search is saved exactly as before.
    if (p.searchMode != 0)
        bag.WriteProperty("SearchMode", static_cast<std::int32_t>(p.searchMode), std::int32_t{0});
    if (p.searchColumns != detail::search_columns::Default)
        bag.WriteProperty("SearchColumns", static_cast<std::int32_t>(p.searchColumns),
                          static_cast<std::int32_t>(detail::search_columns::Default));
}

}  // namespace korvane
