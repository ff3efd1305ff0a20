// Small procedures over the desktop's window functions: z-order and
// top-most, system colours and metrics, counting lines, opening a document
// or address with the desktop's handler, and the hyperlink hand cursor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "korvane/toolkit/desktop.h"

namespace korvane::detail {

void SetZOrder(tk::Desktop& desktop, tk::Hwnd window, tk::Hwnd insertAfter);
void MakeTopMost(tk::Desktop& desktop, tk::Hwnd window);
std::int32_t VScrollWidth(tk::Desktop& desktop);
tk::OleColor SysWindowColor(tk::Desktop& desktop);
tk::OleColor SysWindowTextColor(tk::Desktop& desktop);
tk::OleColor SysHighlightColor(tk::Desktop& desktop);
tk::OleColor SysHighlightTextColor(tk::Desktop& desktop);
// Carriage returns in `text` (line feeds do not count).
std::int16_t CountLines(std::string_view text);
// Opens `target` with the desktop's handler; "" on success, else a message.
std::string ShellOpen(tk::Desktop& desktop, std::string_view target);
// The same without waiting for the handler: `done` gets the message once
// the handler has answered (not at all if the desktop goes first).
void ShellOpenLater(tk::Desktop& desktop, std::string_view target, std::function<void(const std::string&)> done);
// The message for a ShellExecuteA result code; "" for success.
std::string ShellMessage(std::intptr_t code);
void SetHandCursor(tk::Widget& widget);
// Sets a widget's rectangle, in twips of its container: left, top, width,
// then height.
void Place(tk::Widget& widget, float left, float top, float width, float height);
void ResetCursor(tk::Widget& widget);

}  // namespace korvane::detail
