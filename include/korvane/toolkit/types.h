// Plain types shared by the toolkit interface and the control: window and
// device-context handles, colours, rectangles, fonts and pictures, and the
// key, button and pointer codes that event handlers receive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace korvane::tk {

using Hwnd = std::int32_t;  // 0 = no window
using Hdc = std::int32_t;   // 0 = no device context
using OleColor = std::uint32_t;

constexpr OleColor Rgb(int r, int g, int b) {
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

struct Rect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A font object. It is shared by reference: the control, its widgets and the
// host may all hold the same object, and a change made through one holder is
// seen by the others at their next measurement or repaint.
struct Font {
    std::string Name = "MS Sans Serif";
    float Size = 8.0f;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
};
using FontRef = std::shared_ptr<Font>;

// A picture held by an image or used as a cursor. Only its identity and
// size matter to the control.
struct Picture {
    std::string Name;
    std::int32_t WidthPx = 0;
    std::int32_t HeightPx = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

// Key codes the control looks at.
namespace key {
constexpr std::int16_t Back = 8;
constexpr std::int16_t Tab = 9;
constexpr std::int16_t Return = 13;
constexpr std::int16_t Shift = 16;
constexpr std::int16_t Control = 17;
constexpr std::int16_t Menu = 18;  // Alt
constexpr std::int16_t Escape = 27;
constexpr std::int16_t Space = 32;
constexpr std::int16_t PageUp = 33;
constexpr std::int16_t PageDown = 34;
constexpr std::int16_t End = 35;
constexpr std::int16_t Home = 36;
constexpr std::int16_t Left = 37;
constexpr std::int16_t Up = 38;
constexpr std::int16_t Right = 39;
constexpr std::int16_t Down = 40;
constexpr std::int16_t Delete = 46;
constexpr std::int16_t F4 = 115;
}  // namespace key

// Shift-state bits of key and mouse events.
namespace shift {
constexpr std::int16_t None = 0;
constexpr std::int16_t Shift = 1;
constexpr std::int16_t Ctrl = 2;
constexpr std::int16_t Alt = 4;
}  // namespace shift

// Mouse button bits.
namespace button {
constexpr std::int16_t None = 0;
constexpr std::int16_t Left = 1;
constexpr std::int16_t Right = 2;
constexpr std::int16_t Middle = 4;
}  // namespace button

// Screen.MousePointer values.
namespace pointer {
constexpr std::int16_t Default = 0;
constexpr std::int16_t Hourglass = 11;
constexpr std::int16_t Custom = 99;
}  // namespace pointer

// Message box styles the control uses.
namespace msgbox {
constexpr int OkOnly = 0;
constexpr int Critical = 16;
}  // namespace msgbox

// Event handler shapes. Arguments are by reference: a handler may change
// them, and the widget goes on with what the handler left (a KeyCode or
// KeyAscii of 0 cancels the widget's own handling of the key).
using Handler = std::function<void()>;
using KeyHandler = std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)>;
using KeyPressHandler = std::function<void(std::int16_t& KeyAscii)>;
using MouseHandler = std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)>;
using CancelHandler = std::function<void(std::int16_t& Cancel)>;

// A message box a desktop showed (or, in tests, only recorded).
struct MessageBoxRecord {
    std::string Prompt;
    int Style = 0;
    std::string Title;  // the title shown: the application title when none was given
};

}  // namespace korvane::tk
