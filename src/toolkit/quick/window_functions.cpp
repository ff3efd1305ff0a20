// The window functions of the Qt Quick desktop, by handle: focus, window
// rectangles, parents and class names, moving and stacking, the screen's
// metrics and colours, focus rectangles, beeps and opening documents.
#include <QQuickWindow>

#include "korvane/toolkit/desktop_opener.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

Hwnd QuickDesktop::GetFocus() {
    return impl_->FocusHwnd();
}

std::int32_t QuickDesktop::GetWindowRect(Hwnd window, Rect& rect) {
    return impl_->WindowRect(window, rect);
}

Hwnd QuickDesktop::GetParent(Hwnd window) {
    return impl_->ParentHwnd(window);
}

std::int32_t QuickDesktop::GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) {
    return model::CopyClassName(impl_->ClassOf(window), name, maxCount);
}

// Moves and sizes a window in screen pixels; the stacking only follows a
// form's own window (a drop-down in an overlay is always on top of the
// scene).
std::int32_t QuickDesktop::SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                                        std::int32_t cy, unsigned flags) {
    Node* node = impl_->NodeOf(window);
    if (node == nullptr)
        return impl_->IsForeign(window) ? 1 : 0;
    const std::uint64_t id = node->id;
    if (node->kind == Kind::Form) {
        if (insertAfter == hwnd::TopMost || insertAfter == hwnd::NoTopMost)
            node->topMost = insertAfter == hwnd::TopMost;
        if (node->window != nullptr) {
            node->window->setFlag(Qt::WindowStaysOnTopHint, node->topMost || node->role == Role::DropDown);
            if (insertAfter == hwnd::Top || insertAfter == hwnd::TopMost)
                node->window->raise();
        }
    }
    const float t = impl_->Tpp();
    if ((flags & swp::NoMove) == 0) {
        node->left = static_cast<float>(x) * t;
        node->top = static_cast<float>(y) * t;
        node->ApplyGeometry();
    }
    if ((flags & swp::NoSize) == 0) {
        node->SetWidth(static_cast<float>(cx) * t);
        if (Node* still = impl_->Get(id))
            still->SetHeight(static_cast<float>(cy) * t);
    }
    return 1;
}

std::int32_t QuickDesktop::GetSystemMetrics(int index) {
    const Rect s = impl_->ScreenRect();
    switch (index) {
        case 0:
            return s.Right - s.Left;
        case 1:
            return s.Bottom - s.Top;
        case 2:   // vertical scroll bar width
        case 3:   // horizontal scroll bar height
        case 20:  // vertical scroll arrow height
        case 21:  // horizontal scroll arrow width
            return impl_->scrollBarPx;
        default:
            return 0;
    }
}

std::uint32_t QuickDesktop::GetSysColor(int index) {
    return impl_->SysColor(index);
}

// The same rectangle drawn twice erases it, as an inverting pen does.
std::int32_t QuickDesktop::DrawFocusRect(Hdc dc, const Rect& rect) {
    impl_->ToggleFocusRect(dc, rect);
    for (auto& [id, node] : impl_->nodes) {
        if (auto* control = dynamic_cast<QuickUserControl*>(node); control != nullptr && control->dc == dc)
            control->Update();
    }
    return 1;
}

std::int32_t QuickDesktop::MessageBeep(std::uint32_t type) {
    model::Record(impl_->records.MessageBeeps, type);
    Beep();
    return 1;
}

Hwnd QuickDesktop::GetDesktopWindow() {
    return impl_->desktopWindow;
}

// Recorded, and answered at once while the desktop opens nothing.
std::intptr_t QuickDesktop::ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                          std::string_view parameters, std::string_view directory,
                                          std::int32_t showCmd) {
    const auto answer = impl_->RecordShellRequest(
        {owner, std::string(operation), std::string(file), std::string(parameters), std::string(directory), showCmd});
    return answer ? *answer : tk::OpenWithDesktop(file);
}

}  // namespace korvane::tk::quick
