// The private model behind the Qt desktop: the state every widget shares
// (Node, which owns its Qt object), the desktop's own state (Impl) with its
// registry, focus and activation, and the template that gives each widget
// kind the members common to all widgets.
//
// The desktop keeps its own account of the focus and the active window and
// moves Qt after it: a code path that sets the focus must see the focus at
// once, while Qt only settles it when the window system has answered. What
// the user does arrives as Qt events and is folded into the same account.
//
// Widgets refer to each other by id whenever a handler can run in between:
// any handler may destroy the widget that raised it, its form, or anything
// else. A Qt object whose handler is still on the stack is deleted later.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "korvane/toolkit/qt.h"

class QEventLoop;
class QFont;
class QKeyEvent;
class QMouseEvent;
class QTimer;

namespace korvane::tk::qt {

enum class Kind { Form, UserControl, TextBox, Label, ListBox, Image, Timer };

// --- text and keys (qt_text.cpp) ---------------------------------------------

QString ToQ(std::string_view utf8);
std::string FromQ(const QString& text);
// The Qt font for a toolkit font: a face the machine does not have falls
// back to the desktop's sans-serif, while the font object keeps its name.
QFont ToQFont(const Font& font);
float LineHeightPx(const Font& font);
std::vector<std::string_view> SplitLines(std::string_view text);
bool SameName(std::string_view a, std::string_view b);  // ASCII case-insensitive
std::int16_t KeyCodeOf(const QKeyEvent& event);         // 0 for keys the control has no code for
std::int16_t ShiftOf(Qt::KeyboardModifiers modifiers);
std::int16_t ButtonOf(Qt::MouseButton button);
std::int16_t ButtonsOf(Qt::MouseButtons buttons);
// The KeyAscii a key makes (0 for none): its text's code point, or the
// control character of Backspace, Enter, Escape; none with Ctrl or Alt.
std::int16_t CharOf(const QKeyEvent& event, std::int16_t keyCode);
QColor ToQColor(OleColor color);
OleColor FromQColor(const QColor& color);

// --- the shared part of every widget -----------------------------------------

struct Node {
    Node(QtDesktop::Impl& desk, Kind kind, std::string name, Node* parent, Widget& self);
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    QtDesktop::Impl* desk;  // null once the desktop is gone
    Widget* self;
    Kind kind;
    std::uint64_t id = 0;
    std::string name;
    Node* parent;  // null for forms, and for children whose parent was destroyed first
    std::vector<Node*> children;
    Hwnd hwnd = 0;
    Hwnd foreignParent = 0;  // set when the window was moved into a foreign window
    QPointer<QObject> object;
    int dispatching = 0;  // handlers of this widget on the stack
    bool visible = true;
    bool enabled = true;
    float left = 0, top = 0, width = 0, height = 0;
    OleColor back = 0xFFFFFF, fore = 0;
    FontRef font;
    std::string toolTip;
    std::int16_t pointer = 0;
    PictureRef icon;

    QWidget* Q() const { return qobject_cast<QWidget*>(object.data()); }
    bool Windowed() const { return hwnd != 0; }
    // Takes the Qt object; called once by each widget kind's constructor.
    void Attach(QObject* created);

    virtual float GetHeight() const { return height; }
    virtual void SetWidth(float value);
    virtual void SetHeight(float value);
    virtual void SetLeft(float value);
    virtual void SetTop(float value);
    virtual void SetVisible(bool value);
    virtual void SetEnabled(bool value);
    virtual void SetFont(FontRef value);
    virtual void SetColors(OleColor backColor, OleColor foreColor);
    virtual void Repaint();
    // Puts the Qt widget where the twips say.
    virtual void ApplyGeometry();
    void ApplyPalette();
    void ApplyFont();
    void ApplyCursor();

    float TextHeight(std::string_view text) const;
    float TextWidth(std::string_view text) const;
    void CheckSize(float value) const;  // refuses negative sizes

    // Input from Qt, as the toolkit's events. Each returns false when the
    // widget died in a handler.
    bool RaiseMouse(const MouseHandler& handler, std::int16_t button, std::int16_t shift, QPointF posPx);
    // KeyDown with the translated code; `code` and `shift` come back as
    // the handler left them. Keys without a code raise nothing.
    bool RaiseKeyDown(const QKeyEvent& event, std::int16_t& code, std::int16_t& shift);
    bool RaiseKeyPress(std::int16_t& ascii);
    bool RaiseKeyUp(const QKeyEvent& event);
};

// Calls a copy of `handler` (the handler may destroy its own widget, and
// with it the std::function being run) and reports whether the node survived.
template <class H, class... Args>
bool Fire(Node& node, const H& handler, Args&... args);

// --- the desktop's state -------------------------------------------------------

struct QtDesktop::Impl {
    struct Foreign {
        QPointer<QWidget> Window;
        std::string ClassName;
    };
    struct ModalLoop {
        std::uint64_t Form = 0;
        QEventLoop* Loop = nullptr;
    };

    Impl(QtDesktop& owner, Options options);
    ~Impl();

    QtDesktop& owner;
    Options options;
    AppInfo app;
    std::int16_t tpp = 15;
    bool recordMessageBoxes = false;
    int msgBoxAnswer = 1;
    std::vector<MessageBoxRecord> messageBoxes;
    std::int32_t beeps = 0;
    std::int16_t screenPointer = 0;
    bool overrideCursor = false;
    std::map<Hdc, std::vector<Rect>> focusRects;
    std::int64_t startMs = 0;
    // Button presses taken in; the last one counted, which Qt hands to each
    // parent in turn while the children ignore it.
    std::uint64_t presses = 0;
    const QEvent* lastPress = nullptr;
    std::uint64_t lastPressTime = 0;
    std::unique_ptr<QObject> filter;  // application-wide event filter

    std::uint64_t nextId = 1;
    Hwnd nextHwnd = 0x100;
    Hdc nextHdc = 0x7000;
    std::map<std::uint64_t, Node*> nodes;
    std::unordered_map<Hwnd, std::uint64_t> byHwnd;
    std::unordered_map<const QObject*, std::uint64_t> byObject;
    std::map<Hwnd, Foreign> foreign;
    Hwnd desktopWindow = 0;

    Hwnd active = 0;
    std::uint64_t focus = 0;
    std::map<Hwnd, std::uint64_t> lastFocus;
    int settingFocus = 0;  // our own moves of Qt's focus, not the user's
    std::vector<ModalLoop> modalLoops;
    // Tool windows (drop-down lists) and the form that was active when they
    // opened: they close with it, so none is left on the screen alone.
    std::map<std::uint64_t, Hwnd> toolOwners;

    // registry (qt_desktop.cpp)
    void Register(Node& node, bool windowed);
    void Unregister(Node& node);
    Node* Get(std::uint64_t id) const;
    bool Alive(std::uint64_t id) const { return nodes.count(id) != 0; }
    Node* NodeOf(const Widget& widget) const;
    Node* NodeOf(Hwnd window) const;
    Node* NodeOfObject(const QObject* object) const;
    Node* FormOf(Hwnd window) const;
    float Tpp() const { return tpp; }
    int ToPx(float twips) const;
    std::uint32_t SysColor(int index) const;
    bool IsToolWindow(std::string_view formName) const;

    // windows, focus and activation (qt_focus.cpp)
    Hwnd TopOf(const Node& node) const;
    Rect RectPx(const Node& node) const;
    bool EffectivelyVisible(const Node& node) const;
    bool EffectivelyEnabled(const Node& node) const;
    bool CanFocus(const Node& node) const;
    Node* FocusTarget(Node& node) const;
    std::vector<Node*> TabStops(Hwnd top) const;
    void SetFocusTo(Node* node);
    void FocusByCode(Node& node);
    void Activate(Hwnd window, bool restoreFocus, bool fromQt = false);
    void RestoreFocus(Hwnd window);
    void CheckFocus();
    void PaintTree(Node& root);
    void UpdateFocusPolicy(Node* container);
    // Qt's side: the user moved the focus or the activation.
    void QtFocusIn(QWidget* widget);
    void QtActivated(QWidget* window);
    void QtPressed(QWidget* widget);
    bool ToolWindowActive() const;
    void QtApplicationDeactivated();

    // forms (qt_widgets.cpp)
    void ShowForm(std::uint64_t form, int modal);
    void HideForm(std::uint64_t form);
    void HideOwnedToolWindows(Hwnd owner);
    void RunModal(std::uint64_t form);
    void EraseFocusRects(Hdc dc, const QRect& areaPx);
};

template <class H, class... Args>
bool Fire(Node& node, const H& handler, Args&... args) {
    QtDesktop::Impl* desk = node.desk;
    const std::uint64_t id = node.id;
    if (desk == nullptr)
        return false;
    if (handler) {
        H copy = handler;
        ++node.dispatching;
        struct Leave {
            QtDesktop::Impl* desk;
            std::uint64_t id;
            ~Leave() {
                if (Node* still = desk->Get(id))
                    --still->dispatching;
            }
        } leave{desk, id};
        copy(args...);
    }
    return desk->Alive(id);
}

// --- the members every widget kind has --------------------------------------------

template <class Base>
class WidgetImpl : public Base, public Node {
public:
    WidgetImpl(QtDesktop::Impl& desk, Kind kind, std::string name, Node* parent)
        : Node(desk, kind, std::move(name), parent, *this) {}

    const std::string& Name() const override { return name; }
    Desktop& Owner() const override { return ownerDesktop; }
    Widget* Parent() const override { return parent ? parent->self : nullptr; }
    Hwnd hWnd() const override { return hwnd; }

    bool Visible() const override { return visible; }
    void Visible(bool value) override { SetVisible(value); }
    bool Enabled() const override { return enabled; }
    void Enabled(bool value) override { SetEnabled(value); }

    float Left() const override { return left; }
    void Left(float value) override { SetLeft(value); }
    float Top() const override { return top; }
    void Top(float value) override { SetTop(value); }
    float Width() const override { return width; }
    void Width(float value) override { SetWidth(value); }
    float Height() const override { return GetHeight(); }
    void Height(float value) override { SetHeight(value); }

    OleColor BackColor() const override { return back; }
    void BackColor(OleColor value) override { SetColors(value, fore); }
    OleColor ForeColor() const override { return fore; }
    void ForeColor(OleColor value) override { SetColors(back, value); }
    tk::FontRef Font() const override { return font; }
    void Font(tk::FontRef value) override { SetFont(std::move(value)); }
    const std::string& ToolTipText() const override { return toolTip; }
    void ToolTipText(std::string value) override {
        toolTip = std::move(value);
        if (QWidget* w = Q())
            w->setToolTip(ToQ(toolTip));
    }

    std::int16_t MousePointer() const override { return pointer; }
    void MousePointer(std::int16_t value) override {
        pointer = value;
        ApplyCursor();
    }
    PictureRef MouseIcon() const override { return icon; }
    void MouseIcon(PictureRef value) override {
        icon = std::move(value);
        ApplyCursor();
    }

    void SetFocus() override {
        if (desk != nullptr)
            desk->FocusByCode(*this);
    }
    void Refresh() override { Repaint(); }

private:
    Desktop& ownerDesktop = desk->owner;
};

}  // namespace korvane::tk::qt
