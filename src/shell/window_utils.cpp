// The window utilities: thin layers over one or two desktop functions each.
#include "shell/window_utils.h"

#include <algorithm>
#include <memory>

namespace korvane::detail {

namespace {
constexpr unsigned kNoSizeNoMove = tk::swp::NoSize | tk::swp::NoMove;
}  // namespace

void SetZOrder(tk::Desktop& desktop, tk::Hwnd window, tk::Hwnd insertAfter) {
    desktop.SetWindowPos(window, insertAfter, 0, 0, 0, 0, kNoSizeNoMove);
}

void MakeTopMost(tk::Desktop& desktop, tk::Hwnd window) {
    desktop.SetWindowPos(window, tk::hwnd::TopMost, 0, 0, 0, 0, kNoSizeNoMove);
}

std::int32_t VScrollWidth(tk::Desktop& desktop) {
    return desktop.GetSystemMetrics(tk::sm::CxVScroll);
}

tk::OleColor SysWindowColor(tk::Desktop& desktop) {
    return desktop.GetSysColor(tk::syscolor::Window);
}
tk::OleColor SysWindowTextColor(tk::Desktop& desktop) {
    return desktop.GetSysColor(tk::syscolor::WindowText);
}
tk::OleColor SysHighlightColor(tk::Desktop& desktop) {
    return desktop.GetSysColor(tk::syscolor::Highlight);
}
tk::OleColor SysHighlightTextColor(tk::Desktop& desktop) {
    return desktop.GetSysColor(tk::syscolor::HighlightText);
}

std::int16_t CountLines(std::string_view text) {
    auto count = std::count(text.begin(), text.end(), '\r');
    return static_cast<std::int16_t>(std::min<std::ptrdiff_t>(count, INT16_MAX));
}

std::string ShellOpen(tk::Desktop& desktop, std::string_view target) {
    constexpr std::int32_t kShowNormal = 1;
    return ShellMessage(desktop.ShellExecuteA(desktop.GetDesktopWindow(), "", target, "", "C:\\", kShowNormal));
}

void ShellOpenLater(tk::Desktop& desktop, std::string_view target, std::function<void(const std::string&)> done) {
    desktop.ShellExecuteLater(target, [done = std::move(done)](std::intptr_t r) {
        if (done)
            done(ShellMessage(r));
    });
}

std::string ShellMessage(std::intptr_t r) {
    if (r >= 33)
        return "";
    switch (r) {
        case 2:
            return "File not found.";
        case 3:
            return "Path not found.";
        case 5:
            return "Access denied.";
        case 27:
            return "Incomplete association type of file.";
        case 31:
            return "Missing association type of file.";
        default:
            return "Generic access file error.";
    }
}

void Place(tk::Widget& widget, float left, float top, float width, float height) {
    widget.Left(left);
    widget.Top(top);
    widget.Width(width);
    widget.Height(height);
}

void SetHandCursor(tk::Widget& label) {
    label.MousePointer(tk::pointer::Custom);
    static const auto hand = std::make_shared<const tk::Picture>(tk::Picture{"HandCursor", 32, 32});
    label.MouseIcon(hand);
}

void ResetCursor(tk::Widget& label) {
    label.MousePointer(tk::pointer::Default);
    label.MouseIcon(nullptr);
}

}  // namespace korvane::detail
