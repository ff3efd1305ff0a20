// The private model behind the headless desktop: the state every widget
// shares (Node), the desktop's own state (HeadlessDesktop::Impl), the text
// and font measurements, and the template that gives each widget kind the
// members common to all widgets.
//
// Widgets refer to each other by id, never by pointer, whenever a handler can
// run in between: any handler may destroy the widget that raised it, its
// form, or anything else, and the model looks the id up again afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "korvane/toolkit/headless.h"

namespace korvane::tk::headless {

enum class Kind { Form, UserControl, TextBox, Label, ListBox, Image, Timer };

// --- text (fonts.cpp) ------------------------------------------------------

// One unit of a UTF-8 text: a whole code point, or a single byte that does
// not start a valid sequence. Editing and measuring work in these units, so a
// malformed text is still a sequence of things the caret can step over.
struct TextUnit {
    char32_t CodePoint = 0;  // the byte value for an invalid byte
    std::size_t Bytes = 1;
    bool Valid = true;
};
TextUnit DecodeUnit(std::string_view text, std::size_t pos);
// Byte offsets where the units start, followed by text.size().
std::vector<std::size_t> UnitStarts(std::string_view text);
std::int32_t UnitCount(std::string_view text);
std::string EncodeUtf8(char32_t codePoint);
// Lines split on CR LF, CR or LF; the empty text is one line.
std::vector<std::string_view> SplitLines(std::string_view text);
bool SameName(std::string_view a, std::string_view b);  // ASCII case-insensitive

// --- the shared part of every widget ---------------------------------------

struct Node {
    Node(HeadlessDesktop::Impl& desk, Kind kind, std::string name, Node* parent, Widget& self);
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    HeadlessDesktop::Impl* desk;  // null once the desktop is gone
    Widget* self;
    Kind kind;
    std::uint64_t id = 0;
    std::string name;
    Node* parent;  // null for forms, and for children whose parent was destroyed first
    std::vector<Node*> children;
    Hwnd hwnd = 0;
    Hwnd foreignParent = 0;  // set when the window was moved under a foreign window
    bool visible = true;
    bool enabled = true;
    float left = 0, top = 0, width = 0, height = 0;
    OleColor back = 0xFFFFFF, fore = 0;
    FontRef font;
    std::string toolTip;
    std::int16_t pointer = 0;
    PictureRef icon;
    std::int32_t repaints = 0;

    bool Windowed() const { return hwnd != 0; }

    virtual float GetHeight() const { return height; }
    virtual void SetWidth(float value);
    virtual void SetHeight(float value);
    virtual void SetVisible(bool value);
    virtual void SetEnabled(bool value);
    virtual void SetFont(FontRef value);
    virtual void Repaint() { ++repaints; }
    // What the widget does with a key or character its handlers left alone.
    virtual void DefaultKeyDown(std::int16_t /*keyCode*/, std::int16_t /*shift*/) {}
    virtual void DefaultChar(std::int16_t /*keyAscii*/, std::string_view /*typed*/) {}
    // A left press at `yPx` pixels below the widget's top edge, before the
    // press handlers run (list boxes select the row there).
    virtual void PressAt(float /*yPx*/) {}

    float TextHeight(std::string_view text) const;
    float TextWidth(std::string_view text) const;
    void CheckSize(float value) const;  // refuses negative sizes
};

// Calls a copy of `handler` (the handler may destroy its own widget, and with
// it the std::function being run) and reports whether node `id` survived.
template <class H, class... Args>
bool Fire(HeadlessDesktop::Impl& desk, std::uint64_t id, const H& handler, Args&... args);

// --- the desktop's state ---------------------------------------------------

struct HeadlessDesktop::Impl {
    struct TopLevel {
        Hwnd Window = 0;
        std::uint64_t Form = 0;  // 0 for a foreign window
        std::string ClassName;
        Rect BoundsPx;  // foreign windows only
        bool TopMost = false;
        std::uint64_t LastFocus = 0;
    };

    Impl(HeadlessDesktop& owner, Options options);
    ~Impl();

    HeadlessDesktop& owner;
    Options options;
    AppInfo app;
    std::string userLocale;
    std::map<int, std::uint32_t> sysColors;
    std::vector<std::pair<std::string, FontMeasure>> fonts;
    int msgBoxAnswer = 1;
    std::intptr_t shellResult = 42;
    std::int16_t screenPointer = 0;

    std::vector<MessageBoxRecord> messageBoxes;
    std::int32_t beeps = 0;
    std::vector<std::uint32_t> messageBeeps;
    std::vector<std::int16_t> pointerHistory;
    std::vector<PropertyChangeRecord> propertyChanges;
    std::vector<FocusRectRecord> focusRects;
    std::vector<ShellRequest> shellRequests;
    std::vector<SetWindowPosRecord> windowPosCalls;

    // Registry, in creation order.
    std::uint64_t nextId = 1;
    Hwnd nextHwnd = 0x100;
    Hdc nextHdc = 0x7000;
    std::map<std::uint64_t, Node*> nodes;
    std::unordered_map<Hwnd, std::uint64_t> byHwnd;
    std::map<Hwnd, TopLevel> tops;
    std::vector<Hwnd> zOrder;  // top first; top-most windows always ahead of the rest
    Hwnd desktopWindow = 0;

    // Input state.
    Hwnd active = 0;
    std::uint64_t focus = 0;
    std::uint64_t capture = 0;
    std::int16_t buttons = 0;
    std::int32_t mouseX = 0, mouseY = 0;
    std::int16_t heldShift = 0;
    std::int16_t pressShift = 0;
    std::vector<std::uint64_t> modalForms;  // innermost last

    // Clock and queues.
    std::int64_t now = 0;
    std::uint64_t presses = 0;  // button presses taken in
    std::deque<std::function<void()>> posted;
    std::deque<std::function<void(Form&)>> scripts;

    // registry (desktop.cpp)
    void Register(Node& node, bool windowed);
    void Unregister(Node& node);
    Node* Get(std::uint64_t id) const;
    bool Alive(std::uint64_t id) const { return nodes.count(id) != 0; }
    Node* NodeOf(const Widget& widget) const;
    Node* NodeOf(Hwnd window) const;
    float Tpx() const { return options.TwipsPerPixel; }
    float Tpy() const { return options.TwipsPerPixel; }
    std::uint32_t SysColor(int index) const;
    FontMetrics Metrics(const Font& font) const;
    void RunPosted();

    // windows and z-order (desktop.cpp)
    Hwnd TopOf(const Node& node) const;  // the form or foreign window holding the node; 0 if orphaned
    Rect RectPx(const Node& node) const;
    void BringToTop(Hwnd window);
    void PlaceInZOrder(Hwnd window, Hwnd insertAfter);
    std::vector<Hwnd> VisibleZOrder() const;
    bool TopVisible(Hwnd window) const;

    // focus and activation (focus.cpp)
    bool EffectivelyVisible(const Node& node) const;
    bool EffectivelyEnabled(const Node& node) const;
    bool CanFocus(const Node& node) const;
    Node* FocusTarget(Node& node) const;
    std::vector<Node*> TabStops(Hwnd top) const;
    void SetFocusTo(Node* node);
    void FocusByCode(Node& node);
    void Activate(Hwnd window, bool restoreFocus);
    void RestoreFocus(Hwnd window);
    void CheckFocus();
    void PaintTree(Node& node);

    // forms (widgets.cpp)
    void ShowForm(std::uint64_t form, int modal);
    void HideForm(std::uint64_t form);
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
};

template <class H, class... Args>
bool Fire(HeadlessDesktop::Impl& desk, std::uint64_t id, const H& handler, Args&... args) {
    if (handler) {
        H copy = handler;
        copy(args...);
    }
    return desk.Alive(id);
}

// --- the members every widget kind has --------------------------------------

template <class Base>
class WidgetImpl : public Base, public Node {
public:
    WidgetImpl(HeadlessDesktop::Impl& desk, Kind kind, std::string name, Node* parent)
        : Node(desk, kind, std::move(name), parent, *this) {}

    const std::string& Name() const override { return name; }
    Desktop& Owner() const override { return desk->owner; }
    Widget* Parent() const override { return parent ? parent->self : nullptr; }
    Hwnd hWnd() const override { return hwnd; }

    bool Visible() const override { return visible; }
    void Visible(bool value) override { SetVisible(value); }
    bool Enabled() const override { return enabled; }
    void Enabled(bool value) override { SetEnabled(value); }

    float Left() const override { return left; }
    void Left(float value) override { left = value; }
    float Top() const override { return top; }
    void Top(float value) override { top = value; }
    float Width() const override { return width; }
    void Width(float value) override { SetWidth(value); }
    float Height() const override { return GetHeight(); }
    void Height(float value) override { SetHeight(value); }

    OleColor BackColor() const override { return back; }
    void BackColor(OleColor value) override { back = value; }
    OleColor ForeColor() const override { return fore; }
    void ForeColor(OleColor value) override { fore = value; }
    FontRef Font() const override { return font; }
    void Font(FontRef value) override { SetFont(std::move(value)); }
    const std::string& ToolTipText() const override { return toolTip; }
    void ToolTipText(std::string value) override { toolTip = std::move(value); }

    std::int16_t MousePointer() const override { return pointer; }
    void MousePointer(std::int16_t value) override { pointer = value; }
    PictureRef MouseIcon() const override { return icon; }
    void MouseIcon(PictureRef value) override { icon = std::move(value); }

    void SetFocus() override { desk->FocusByCode(*this); }
    void Refresh() override { Repaint(); }
};

}  // namespace korvane::tk::headless
