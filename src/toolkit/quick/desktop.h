// The private model behind the Qt Quick desktop: the state every widget
// shares (Node, which owns the item that shows it), the item every widget
// paints and takes input through (NodeItem), and the desktop's own state
// (Impl) with the model's registry, focus and activation, records, posted
// work and modal scripts, the foreign items controls are moved into, the
// windows of forms shown on their own, and the clock.
//
// As on the Qt Widgets face, the desktop keeps its own account of the focus
// and the active window and moves Qt Quick after it: the control reads
// GetFocus right after SetFocus, while Qt Quick settles the active focus
// item when its window is active. What the user does (a press, Tab, a
// click in QML on another item) arrives as item events and is folded into
// the same account.
//
// Widgets refer to each other by id whenever a handler can run in between:
// any handler may destroy the widget that raised it, its form, or anything
// else. An item whose event handler is still on the stack is deleted later.
#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QRect>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../model/desktop_model.h"
#include "../model/text.h"
#include "../qt/clock.h"
#include "../qt/conversions.h"
#include "korvane/toolkit/quick.h"

class QEventLoop;
class QQuickWindow;

namespace korvane::tk::quick {

using model::Fire;
using model::Kind;

struct Node;

// Runs `work`, and keeps whatever it throws inside: nothing may leave
// through Qt's event loop. What was thrown goes to the log.
void Guarded(const std::function<void()>& work);

// --- the item that shows a widget --------------------------------------------

// Every widget with a face is one of these: it paints its node and hands
// its input to the node's desktop. It knows its node by id, so an item that
// outlives its node (deleted later) does nothing.
class NodeItem : public QQuickPaintedItem {
    Q_OBJECT
public:
    NodeItem(QuickDesktop::Impl& desk, std::uint64_t id);

    void paint(QPainter* painter) override;
    // Asks for a paint at the next frame, or once the item is shown.
    void RequestPaint();
    // The node is gone: the item forgets it and is deleted later.
    void Orphan();

    QuickDesktop::Impl* desk;
    std::uint64_t id;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hoverEnterEvent(QHoverEvent* event) override;
    void hoverMoveEvent(QHoverEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    Node* Live() const;
    bool staleWhileHidden_ = false;
};

// --- the shared part of every widget -----------------------------------------

struct Node : model::NodeBase<Node, QuickDesktop::Impl> {
    Node(QuickDesktop::Impl& desk, Kind kind, std::string name, Node* parent, Widget& self);
    ~Node() override;

    QPointer<NodeItem> item;  // none for timers
    // A form shown on its own has a window of its own; its item is the
    // window's content.
    std::unique_ptr<QQuickWindow> window;
    bool inOverlay = false;   // a form shown over a foreign item's window
    bool topMost = false;     // a form set top-most (SetWindowPos), also before it has a window
    bool messageBox = false;  // the desktop's message box, an alert to a screen reader

    // Makes the item (called once by each widget kind with a face); a kind
    // whose item does more than paint and hand on input makes its own.
    void MakeItem(NodeItem* made = nullptr);
    // The item the node's item sits in: its foreign item, its parent's item.
    QQuickItem* HolderItem() const;

    void ApplyGeometry() override;
    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;
    void SetColors(OleColor backColor, OleColor foreColor) override;
    void SetFont(FontRef value) override;
    void SetToolTip(std::string value) override;
    void Repaint() override;
    // Asks the item to paint again at the next frame.
    void Update() const;
    // Draws the widget in the item's pixels.
    virtual void Paint(QPainter& painter);

    // The user's input, from the item (input.cpp). Each reports whether
    // the node survived its handlers.
    bool RaiseMouse(const MouseHandler& handler, std::int16_t buttons, std::int16_t shift, QPointF posPx);
    // Wheel notches scroll a list (list_box.cpp).
    virtual void Wheel(int /*notches*/) {}
};

// --- the desktop's state ---------------------------------------------------------

struct QuickDesktop::Impl : model::DesktopModel<QuickDesktop::Impl, Node>, QObject {
    // An item of the host's scene that holds moved windows.
    struct Foreign {
        QPointer<QQuickItem> Item;
        std::string ClassName;
    };

    Impl(QuickDesktop& owner, const Options& options);
    ~Impl() override;

    AppInfo app;
    std::int16_t screenPointer = 0;
    std::map<Hwnd, Foreign> foreign;
    std::vector<Hwnd> activations;  // the windows in the order they were last active, newest last
    // The modal loops running, by form; a loop the manual clock plays has
    // no QEventLoop (RunScriptedModal).
    std::map<std::uint64_t, QEventLoop*> modalLoops;
    std::uint64_t hiddenHost = 0;
    std::unique_ptr<Form> hiddenHostForm;
    // Our own focus moves under way: the item focus they cause is no
    // news from the user.
    int echo = 0;
    // The widget the last press went to, for the release (and its drags).
    std::uint64_t pressed = 0;
    // Where the person's pointer last moved to, in screen pixels: hover
    // delivered again at the same place is no move.
    QPointF pointerAt{-1e9, -1e9};
    float tpp = 15;
    std::int32_t scrollBarPx = 12;  // Options::ScrollBarPx
    qt::LineMeasures lines;         // the fonts measured last

    // Every timer ticks on the clock the Qt Widgets face runs its timers
    // on (qt/clock.h): one schedule, one Qt timer, or a manual clock that
    // only Advance moves. It stops with the desktop.
    qt::Clock* clock = nullptr;
    std::int64_t Now() const { return clock->Now(); }
    // The tick of timer `id` (host_calls.cpp).
    void Tick(std::uint64_t id);
    // Qt's pending events, then the posted work (host_calls.cpp).
    void Pump();

    // registry and screen (desktop.cpp)
    void Unregister(Node& node);
    float Tpp() const { return tpp; }
    std::uint32_t SysColor(int index) const;
    Rect RectPx(const Node& node) const;
    QPointF OriginPx(const Node& node) const;  // the node's top-left corner on the screen

    // fonts (desktop.cpp)
    float LineHeightPx(const Font& font) const;
    float LineWidthPx(const Font& font, std::string_view line) const;

    // what the model asks of the desktop (desktop.cpp, focus.cpp)
    bool IsForeign(Hwnd window) const { return foreign.count(window) != 0; }
    bool ForeignVisible(Hwnd window) const;
    bool ForeignRect(Hwnd window, Rect& rect) const;
    std::string ForeignClass(Hwnd window) const;
    Rect ScreenRect() const;
    void ShowActivation(Hwnd window, bool fromSystem);
    void FocusMoved(Node* now, Node* old);

    // forms (forms.cpp)
    void PresentForm(Node& form, int modal);
    void ConcealForm(Node& form);
    Hwnd NextActive(std::uint64_t form, Hwnd hidden) const;
    void FormHidden(Hwnd window);
    void RunModal(std::uint64_t form);
    // A modal loop on the manual clock: Qt's pending events, the scripts
    // and the posted work, and a failure when none is left.
    void RunScriptedModal(std::uint64_t form);
    // Where a form lies on the screen, in pixels.
    QRect ScreenRectPx(const Node& form) const;
    // The host's scene item a drop-down form's combo box lies in, else null.
    QQuickItem* SceneItemOf(const Node& form) const;
    // The foreign item a drop-down form opens over, else null.
    QQuickItem* OverlayHolder(const Node& form) const;
    // Places a form's item where its twips say on the screen.
    void PlaceForm(Node& form);

    // input (input.cpp)
    // Keys at a form's window while the focus is in another window of ours
    // go on there (installed on every form's own window).
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The user's focus arrived on node `id`'s item from Qt Quick.
    void UserFocus(std::uint64_t id);
    // A press on the item of node `id`: activation and focus move first.
    void Pressed(std::uint64_t id);
    // The application lost the activation to another program.
    void ApplicationDeactivated();
    // Tab (or Shift+Tab) that the handlers of the item's node left alone.
    void TabFrom(NodeItem& item, bool backwards);
    // Enter or Escape left alone by widget `from`: the window's default or
    // cancel button takes it.
    void PressDialogButton(std::uint64_t from, std::int16_t keyAscii);
};

// --- the members every widget kind has --------------------------------------

template <class Base>
using WidgetImpl = model::WidgetBase<Base, Node>;

// Pixels of twips, rounded to the nearest.
inline qreal Px(float twips, float tpp) {
    return std::floor(static_cast<double>(twips) / tpp + 0.5);
}

}  // namespace korvane::tk::quick
