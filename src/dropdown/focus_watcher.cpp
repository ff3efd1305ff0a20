// The focus watcher: every 100 ms it compares the window that has the focus
// with the control's windows, closes an open drop-down as soon as the focus
// is elsewhere or its box has moved (a window moved or resized by the
// keyboard, which no click outside announces), keeps the Dropdown List
// highlight in step with the focus, and hands a row chosen in the drop-down
// over to the control. What fails in a tick is logged once.
#include <exception>
#include <string>
#include <string_view>

#include "control/guards.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

void ucvKorvane::Private::TimerProc_Timer() {
    if (!window)
        return;
    const tk::Hwnd f = desktop.GetFocus();
    systemCallResult = f;
    const tk::Hwnd self = container->hWnd();
    const bool dropDownList = style == StyleType::DropdownList;

    if (window->FlagShowList()) {
        if (MovedSinceOpening()) {
            window->HideChildForm();
            return;
        }
        const bool typing =
            window->StaysOpen() && (f == txtCol1->hWnd() || f == txtCol2->hWnd() || f == container->hWnd());
        if (typing || f == window->lstCol1().hWnd() || f == window->lstCol2().hWnd() || f == window->Form().hWnd()) {
            // The user is working in the drop-down.
            highlightRenewed = false;
            return;
        }
        window->HideChildForm();
        if (f == self && dropDownList)
            DrawHighlight();
    } else if (highlightShown) {
        if (f != self && dropDownList) {
            RestoreLabelColours();
            highlightShown = false;
            highlightRenewed = false;
        } else if (f == self && dropDownList && !highlightRenewed) {
            DrawHighlight();
            highlightRenewed = true;
        }
    } else if (f == self && dropDownList && !buttonPressed) {
        DrawHighlight();
        highlightShown = true;
    }

    // Hand-over of a committed row, once. The row is gone when the host
    // removed it since (the window then no longer holds it as chosen).
    if (window && window->Selected()) {
        const std::int32_t chosen = window->ListIndex();
        window->Selected(false);
        if (chosen < q.ListCount())
            q.ListIndex(chosen);
    }
}

// The drop-down hangs under the box where it opened; once the box or its
// form is elsewhere on the screen (or a different size), it would hang
// detached, so it closes.
bool ucvKorvane::Private::MovedSinceOpening() {
    tk::Rect control;
    tk::Rect form;
    desktop.GetWindowRect(container->hWnd(), control);
    desktop.GetWindowRect(hostForm.hWnd(), form);
    return control != openedAt || form != openedFormAt;
}

// An error of a tick goes to the desktop's log, once: the next ticks that
// fail the same way would only repeat it ten times a second.
void ucvKorvane::Private::LogTickError(std::string_view what) {
    if (what == lastTickError)
        return;
    lastTickError = what;
    detail::ContinueOnError(
        [&] { desktop.Log(container->Name() + ": a tick of the focus watcher failed: " + std::string(what)); });
}

void ucvKorvane::Private::WireFocusWatcher() {
    TimerProc->OnTimer = [this] {
        // Never in the designer. The tick runs in the desktop's event loop,
        // where nobody could take an error: what fails here (a host handler
        // that throws, a widget that refuses) ends this tick only.
        if (!UserMode())
            return;
        try {
            TimerProc_Timer();
        } catch (const std::exception& e) {
            LogTickError(e.what());
        } catch (...) {
            LogTickError("an error that is not a std::exception");
        }
    };
}

}  // namespace korvane
