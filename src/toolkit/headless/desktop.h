// The private state behind the headless desktop: the node every widget
// kind builds on (the model's fields plus a repaint count), the desktop's
// own state (HeadlessDesktop::Impl: the model's registry, focus and
// activation, plus the z-order, the virtual clock, the simulated user's
// input and the records tests read), and the widget base of every kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../model/desktop_model.h"
#include "../model/text.h"
#include "korvane/toolkit/headless.h"

namespace korvane::tk::headless {

using model::DecodeUnit;
using model::EncodeUtf8;
using model::Fire;
using model::Kind;
using model::Record;
using model::SameName;
using model::SplitLines;
using model::TextUnit;
using model::UnitCount;
using model::UnitStarts;

// --- the shared part of every widget ---------------------------------------

struct Node : model::NodeBase<Node, HeadlessDesktop::Impl> {
    Node(HeadlessDesktop::Impl& desk, Kind kind, std::string name, Node* parent, Widget& self);
    ~Node() override;

    std::int32_t repaints = 0;

    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;
    void Repaint() override { ++repaints; }
};

// --- the desktop's state ---------------------------------------------------

struct HeadlessDesktop::Impl : model::DesktopModel<HeadlessDesktop::Impl, Node> {
    struct TopLevel {
        Hwnd Window = 0;
        std::uint64_t Form = 0;  // 0 for a foreign window
        std::string ClassName;
        Rect BoundsPx;  // foreign windows only
        bool TopMost = false;
    };

    Impl(HeadlessDesktop& owner, Options options);
    ~Impl();

    Options options;
    AppInfo app;
    std::map<int, std::uint32_t> sysColors;
    std::vector<std::pair<std::string, FontMeasure>> fonts;
    std::intptr_t shellResult = 42;
    std::int16_t screenPointer = 0;

    std::vector<SetWindowPosRecord> windowPosCalls;

    // Top-level windows and their stacking.
    std::map<Hwnd, TopLevel> tops;
    std::vector<Hwnd> zOrder;  // top first; top-most windows always ahead of the rest

    // Input state.
    std::uint64_t capture = 0;
    std::int16_t buttons = 0;
    std::int32_t mouseX = 0, mouseY = 0;
    std::int16_t heldShift = 0;
    std::int16_t pressShift = 0;
    std::vector<std::uint64_t> modalForms;  // innermost last

    // Clock and queues.
    std::int64_t now = 0;

    // registry (desktop.cpp)
    void Unregister(Node& node);
    float Tpx() const { return options.TwipsPerPixel; }
    float Tpy() const { return options.TwipsPerPixel; }
    float Tpp() const { return options.TwipsPerPixel; }
    std::uint32_t SysColor(int index) const;

    // fonts (fonts.cpp)
    FontMetrics Metrics(const Font& font) const;
    float LineHeightPx(const Font& font) const { return Metrics(font).LineHeightPx; }
    float LineWidthPx(const Font& font, std::string_view line) const;

    // windows and z-order (desktop.cpp)
    Rect RectPx(const Node& node) const;
    void BringToTop(Hwnd window);
    void PlaceInZOrder(Hwnd window, Hwnd insertAfter);
    std::vector<Hwnd> VisibleZOrder() const;
    bool TopVisible(Hwnd window) const;

    // what the model asks of the desktop (desktop.cpp, focus.cpp)
    bool IsForeign(Hwnd window) const;
    bool ForeignVisible(Hwnd) const { return true; }
    bool ForeignRect(Hwnd window, Rect& rect) const;
    std::string ForeignClass(Hwnd window) const;
    Rect ScreenRect() const;
    void ShowActivation(Hwnd window, bool fromSystem);
    void FocusMoved(Node*, Node*) {}

    // forms (widgets.cpp)
    void PresentForm(Node& form, int modal);
    void ConcealForm(Node&) {}
    Hwnd NextActive(std::uint64_t form, Hwnd hidden) const;
    void FormHidden(Hwnd) {}
    void RunModal(std::uint64_t form);

    // input (input.cpp)
    struct Hit {
        Hwnd Top = 0;
        Node* Target = nullptr;
    };
    Hit HitTest(std::int32_t xPx, std::int32_t yPx) const;
    bool InputBlocked(Hwnd top) const;
    std::int16_t Shift() const { return static_cast<std::int16_t>(heldShift | pressShift); }
    void DeliverKeyDown(std::int16_t keyCode);
    void DeliverKeyUp(std::int16_t keyCode);
    // KeyPress on node `id`, then its own handling of what the handler left;
    // `typed` is what gets inserted when the handler left KeyAscii alone.
    void DeliverChar(std::uint64_t id, std::int16_t keyAscii, std::string_view typed);
    // Enter or Escape left alone by the widget `from`: the default or cancel
    // button of its window takes it (button.cpp).
    void PressDialogButton(std::uint64_t from, std::int16_t keyAscii);
};

// --- the members every widget kind has --------------------------------------

template <class Base>
using WidgetImpl = model::WidgetBase<Base, Node>;

}  // namespace korvane::tk::headless
