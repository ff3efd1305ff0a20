// Opening the drop-down: the button (and, in Dropdown List, the labels) with
// its pressed and released pictures, sizing the window's two lists, placing
// the window under the control (or above it when there is more room there),
// clamped to the screen, and showing it top-most, or modal when the host is
// not one of our forms.
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "control/guards.h"
#include "control/text.h"
#include "control/ucvKorvane_p.h"
#include "shell/window_utils.h"

namespace korvane {

namespace {

// Widths given to a column that is hidden in the control.
constexpr float kHiddenCol1Width = 1100;
constexpr float kHiddenCol2Width = 2900;

bool ContainsNoCase(std::string_view text, std::string_view part) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < part.size() && lower(text[i + k]) == lower(part[k]))
            ++k;
        if (k == part.size())
            return true;
    }
    return false;
}

}  // namespace

void ucvKorvane::Private::SizeDropDown() {
    if (!window)
        return;
    tk::ListBox& l1 = window->lstCol1();
    tk::ListBox& l2 = window->lstCol2();
    l1.Height(static_cast<float>(listHeight));
    l2.Height(static_cast<float>(listHeight));
    q.ListHeight(detail::RoundHalfEven(l1.Height()));

    const auto W1 = static_cast<float>(widthCol1);
    const auto W2 = static_cast<float>(widthCol2);
    const auto B = static_cast<float>(buttonWidth);
    const float P2 = 2.0f * static_cast<float>(twipsPerPixelX);
    bool sized = true;
    if (widthCol1 > 0 && widthCol2 > 0) {
        l1.Width(W1 + B);
        l2.Width(W2 + B - P2);
        l2.Left(W1);
    } else if (widthCol1 == 0 && widthCol2 > 0) {
        l1.Width(kHiddenCol1Width + B);
        l2.Width(W2 + B - P2);
        l2.Left(kHiddenCol1Width);
    } else if (widthCol1 > 0 && widthCol2 == 0) {
        l1.Width(W1 + B);
        l2.Width(kHiddenCol2Width + B - P2);
        l2.Left(W1);
    } else {
        sized = false;
    }
    if (sized)
        window->Form().Width(FitScreen(l1, l2));
    window->Form().Height(static_cast<float>(listHeight));
}

// The drop-down ends where its lists end: column 2's list, which overlaps
// column 1's by the button's width, reaches the control's right edge, so
// the window lines up with the box instead of showing a strip of its own
// background past the scroll bar. It is never wider than the screen it
// opens on: lists that would run past it are cut at its right edge (column
// 2's scroll bar then still shows when column 1 alone fits), and so is the
// window.
float ucvKorvane::Private::FitScreen(tk::ListBox& l1, tk::ListBox& l2) {
    const float screen = desktop.ScreenWidth();
    const float width = std::max(l1.Left() + l1.Width(), l2.Left() + l2.Width());
    if (screen <= 0 || width <= screen)
        return width;
    const float minimum = 2.0f * static_cast<float>(buttonWidth);
    if (l1.Width() > screen)
        l1.Width(screen);
    if (l2.Left() > screen - minimum)
        l2.Left(std::max(0.0f, screen - minimum));
    if (l2.Left() + l2.Width() > screen)
        l2.Width(std::max(minimum, screen - l2.Left()));
    return screen;
}

std::string ucvKorvane::Private::GetWindowClass(tk::Hwnd hwnd) {
    std::string name;
    systemCallResult = desktop.GetClassNameA(hwnd, name, 250);
    if (systemCallResult <= 0)
        return "";
    return name.substr(0, static_cast<std::size_t>(systemCallResult));
}

namespace {

// Every step of the opening goes on after a failing one; the failures are
// remembered, because a failed modeless show falls back to a modal one.
struct Steps {
    bool failed = false;
    template <class F>
    void operator()(F&& f) {
        if (!detail::ContinueOnError(f))
            failed = true;
    }
};

// Sized, then placed below the control, or above it when there is more
// room there; a list that fits neither is cut to the room left and then to
// whole rows. Where the control and its form are now is remembered: the
// drop-down closes once they move.
void PlaceDropDown(ucvKorvane::Private& d, Steps& step) {
    tk::Form& form = d.window->Form();
    tk::ListBox& l1 = d.window->lstCol1();
    tk::ListBox& l2 = d.window->lstCol2();
    const double tppX = d.twipsPerPixelX;
    const double tppY = d.twipsPerPixelY;
    step([&] { d.SizeDropDown(); });
    tk::Rect r;
    step([&] { d.systemCallResult = d.desktop.GetWindowRect(d.container->hWnd(), r); });
    d.openedAt = r;
    step([&] { d.desktop.GetWindowRect(d.hostForm.hWnd(), d.openedFormAt); });
    double y = tppY * r.Top + tppY * (r.Bottom - r.Top);
    double h = d.listHeight;
    const double screenH = d.desktop.ScreenHeight();
    const double screenW = d.desktop.ScreenWidth();
    for (int guard = 0; guard < 64; ++guard) {
        if (y + h > screenH && screenH - y < y) {
            y = tppY * r.Top - h;
            if (y < 0) {
                h += y;
                y = 0;
            }
        }
        if (screenH - y < h) {
            h = detail::RoundHalfEven(screenH - y);
            step([&] {
                l1.Height(static_cast<float>(h));
                l2.Height(static_cast<float>(h));
            });
            h = detail::RoundHalfEven(l1.Height());
            continue;
        }
        break;
    }
    double x = d.widthCol1 > 0 ? tppX * r.Left : tppX * r.Left - kHiddenCol1Width;
    if (x < 0)
        x = 0;
    if (x + form.Width() > screenW)
        x = detail::RoundHalfEven(screenW - form.Width());
    step([&] { form.Top(static_cast<float>(y)); });
    step([&] { form.Left(static_cast<float>(x)); });
    step([&] { form.Height(static_cast<float>(h)); });
}

// The lists start on the current row and the window on the top row. They
// are moved with the busy flag held, so their own handlers ignore these
// moves; it is given back before the window shows: a modal window runs its
// own loop, and a held flag would make it ignore clicks.
void PrepareLists(ucvKorvane::Private& d, Steps& step) {
    tk::ListBox& l1 = d.window->lstCol1();
    tk::ListBox& l2 = d.window->lstCol2();
    detail::FlagGuard busy(d.Busy());
    if (d.currentRow > -1) {
        step([&] { l1.ListIndex(d.currentRow); });
        step([&] { l2.ListIndex(d.currentRow); });
        step([&] { l1.TopIndex(d.currentRow); });
        step([&] { l2.TopIndex(d.currentRow); });
        step([&] { d.q.TopIndex(l2.TopIndex()); });
    }
    step([&] { d.window->TopIndex(d.topRow); });
    step([&] { d.window->ListIndex(d.currentRow); });
    step([&] { d.window->FlagShowList(true); });
    step([&] { d.window->Selected(false); });
    step([&] { d.window->Form().Load(); });
}

// Modal in a host that is not one of our forms (its own loop runs until the
// drop-down closes), modeless and top-most in ours. True when the opening
// goes on to focus the list: the control is still there and the window was
// shown modeless.
bool ShowDropDown(ucvKorvane::Private& d, Steps& step, bool foreign) {
    tk::Form& form = d.window->Form();
    auto token = d.alive;
    if (foreign) {
        step([&] { d.window->Modal(true); });
        step([&] { form.Show(tk::Form::Modal); });
        return *token && d.window;
    }
    step([&] { form.Show(tk::Form::Modeless); });
    step([&] { d.desktop.DoEvents(); });
    if (!*token)
        return false;
    if (step.failed) {
        step([&] { d.window->Modal(true); });
        step([&] { form.Show(tk::Form::Modal); });
        return false;
    }
    step([&] { d.window->Modal(false); });
    step([&] { detail::SetZOrder(d.desktop, form.hWnd(), tk::hwnd::TopMost); });
    return *token && d.window;
}

// The focus goes to the first list shown (column 2's when column 1 is
// hidden).
void FocusDropDownList(ucvKorvane::Private& d, Steps& step) {
    tk::ListBox& l1 = d.window->lstCol1();
    tk::ListBox& l2 = d.window->lstCol2();
    detail::FlagGuard busy(d.Busy());
    auto focusFirstVisible = [&](tk::ListBox& first, tk::ListBox& second) {
        if (first.Visible()) {
            first.SetFocus();
        } else if (second.Visible()) {
            second.SetFocus();
        }
    };
    step([&] {
        if (d.widthCol1 < 1) {
            focusFirstVisible(l2, l1);
        } else {
            focusFirstVisible(l1, l2);
        }
    });
    if (d.style == StyleType::DropdownList)
        step([&] { d.RestoreLabelColours(); });
}

}  // namespace

void ucvKorvane::Private::OpenDropDown() {
    if (!window)
        return;  // nothing to open: every step would fail
    Steps step;
    PlaceDropDown(*this, step);
    bool foreign = true;
    step([&] { foreign = !ContainsNoCase(GetWindowClass(desktop.GetParent(container->hWnd())), "Thunder"); });
    PrepareLists(*this, step);
    if (ShowDropDown(*this, step, foreign))
        FocusDropDownList(*this, step);
}

void ucvKorvane::Private::OpenForSearch(tk::Widget& keys) {
    // On a foreign host form the drop-down would open modal and take the
    // keys: the view then shows when the user opens it.
    bool foreign = true;
    detail::ContinueOnError(
        [&] { foreign = !ContainsNoCase(GetWindowClass(desktop.GetParent(container->hWnd())), "Thunder"); });
    if (!window || foreign || !keys.Visible() || !keys.Enabled())
        return;
    auto* field = dynamic_cast<tk::TextBox*>(&keys);
    const std::int32_t caret = field != nullptr ? field->SelStart() : 0;
    searchStaysOpen = true;
    window->StayOpen(true);
    auto token = alive;
    OpenDropDown();
    if (!*token || !window)
        return;
    if (!window->FlagShowList()) {
        searchStaysOpen = false;
        window->StayOpen(false);
        return;
    }
    detail::ContinueOnError([&] {
        keys.SetFocus();
        if (field != nullptr) {
            field->SelStart(caret);
            field->SelLength(0);
        }
    });
}

void ucvKorvane::Private::RestoreLabelColours() {
    lblCol1->BackColor(locked ? kLockedGrey : backColor);
    lblCol2->BackColor(locked ? kLockedGrey : backColor);
    lblCol1->ForeColor(locked ? kBlack : foreColor);
    lblCol2->ForeColor(locked ? kBlack : foreColor);
}

// --- the button and the labels -----------------------------------------------------

namespace {

void ButtonDown(ucvKorvane::Private& d, std::int16_t button) {
    if (button != tk::button::Left)
        return;
    // The press is recorded before the host's events run: a release that
    // arrived with the press (a tap, an automation tool) is among them, and
    // its handler must find the press to release.
    d.buttonPressed = true;
    // Let the host finish what the press started (focus changes) first.
    d.container->Refresh();
    auto alive = d.alive;
    d.desktop.DoEvents();
    if (!*alive)
        return;
    const bool stillHeld = d.buttonPressed;
    d.buttonPressed = false;
    if (!d.window)
        return;
    // A press on the button while the drop-down is open closes it, also
    // when taking the activation from the drop-down has closed it already.
    if (d.window->FlagShowList() || d.window->TakeClosedByDeactivation()) {
        if (d.style == StyleType::DropdownCombo) {
            d.window->HideChildForm();
            tk::TextBox& field = d.widthCol1 <= 0 ? *d.txtCol2 : *d.txtCol1;
            field.SelStart(0);
            field.SelLength(static_cast<std::int32_t>(detail::CodePoints(field.Text())));
            field.SetFocus();
        } else if (d.style == StyleType::DropdownList) {
            d.window->HideChildForm();
            d.DrawHighlight();
        }
        return;
    }
    // Drawn pressed only while the button is still held.
    if (stillHeld) {
        d.imgCombo->Picture(d.imgCboDown->Picture());
        d.buttonPressed = true;
    }
    if (!d.HasDropDownStyle())
        return;
    d.OpenDropDown();
    if (!*alive || !d.window)
        return;
    if (d.window->Modal()) {
        d.imgCombo->Picture(d.imgCboUp->Picture());
        d.buttonPressed = false;
    }
}

void ButtonMove(ucvKorvane::Private& d, float x, float y) {
    if (!d.buttonPressed)
        return;
    const bool outside = x <= 0 || x >= d.imgCombo->Width() || y <= 0 || y >= d.imgCombo->Height();
    d.imgCombo->Picture(outside ? d.imgCboUp->Picture() : d.imgCboDown->Picture());
}

void ButtonUp(ucvKorvane::Private& d, std::int16_t button, std::int16_t shift) {
    if (button == tk::button::Left) {
        d.imgCombo->Picture(d.imgCboUp->Picture());
        d.buttonPressed = false;
    }
    // The hidden gesture: right button with Shift, Ctrl and Alt.
    if (button == tk::button::Right && shift == (tk::shift::Shift | tk::shift::Ctrl | tk::shift::Alt))
        d.q.About();
}

void LabelDown(ucvKorvane::Private& d, std::int16_t& button, std::int16_t& shift, float& x, float& y) {
    if (d.style == StyleType::DropdownList && !d.RaiseMouseDown(button, shift, x, y))
        return;
    if (button != tk::button::Left || shift != tk::shift::None)
        return;
    if (!d.window)
        return;
    if (d.window->FlagShowList() || d.window->TakeClosedByDeactivation()) {
        d.window->HideChildForm();
        d.DrawHighlight();
    } else {
        d.buttonPressed = true;
        d.OpenDropDown();
    }
}

}  // namespace

void ucvKorvane::Private::WireDropDownButton() {
    imgCombo->OnMouseDown = [this](std::int16_t& b, std::int16_t&, float&, float&) { ButtonDown(*this, b); };
    imgCombo->OnMouseMove = [this](std::int16_t&, std::int16_t&, float& x, float& y) { ButtonMove(*this, x, y); };
    imgCombo->OnMouseUp = [this](std::int16_t& b, std::int16_t& s, float&, float&) { ButtonUp(*this, b, s); };
    for (tk::Label* label : {lblCol1.get(), lblCol2.get()}) {
        label->OnMouseDown = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
            LabelDown(*this, b, s, x, y);
        };
        label->OnMouseMove = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
            if (style == StyleType::DropdownList)
                RaiseMouseMove(b, s, x, y);
        };
        label->OnMouseUp = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
            if (style == StyleType::DropdownList && !RaiseMouseUp(b, s, x, y))
                return;
            buttonPressed = false;
        };
    }
}

}  // namespace korvane
