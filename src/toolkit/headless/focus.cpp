// Keyboard focus and window activation on the headless desktop. What the
// focus, the tab order and the Activate / Deactivate / GotFocus / LostFocus
// order are lives in the model (model/desktop_model.h); the headless desktop only
// stacks the newly active window on top.
#include "widget_kinds.h"

namespace korvane::tk::headless {

void HeadlessDesktop::Impl::ShowActivation(Hwnd window, bool /*fromSystem*/) {
    if (window != 0)
        BringToTop(window);
}

}  // namespace korvane::tk::headless
