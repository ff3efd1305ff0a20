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
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "../model/desktop_model.h"
#include "../model/text.h"
#include "conversions.h"
#include "korvane/toolkit/qt.h"

class QEventLoop;
class QFont;
class QKeyEvent;
class QMouseEvent;
class QTimer;

namespace korvane::tk::qt {

class Clock;
class LaterOpens;

using model::Fire;
using model::Kind;

// --- text (fonts.cpp) and input codes (input.cpp), shared with the Qt Quick
// face through conversions.h ------------------------------------------------------

using model::SameName;
using model::SplitLines;

// --- the shared part of every widget -----------------------------------------

struct Node : model::NodeBase<Node, QtDesktop::Impl> {
    Node(QtDesktop::Impl& desk, Kind kind, std::string name, Node* parent, Widget& self);
    ~Node() override;

    QPointer<QObject> object;

    QWidget* Q() const { return qobject_cast<QWidget*>(object.data()); }
    // Takes the Qt object; called once by each widget kind's constructor.
    void Attach(QObject* created);

    // The model's changes, carried over to the Qt widget.
    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;
    void SetFont(FontRef value) override;
    void SetColors(OleColor backColor, OleColor foreColor) override;
    void SetToolTip(std::string value) override;
    void SetPointer(std::int16_t value, PictureRef pointerIcon) override;
    void Repaint() override;
    void ApplyGeometry() override;
    // A screen reader's face follows the role (accessibility.cpp).
    void RoleChanged() override;
    void AccessibleNameChanged() override;
    void ApplyPalette();
    void ApplyFont();
    void ApplyCursor();

    // Input from Qt, as the toolkit's events. Each returns false when the
    // widget died in a handler.
    bool RaiseMouse(const MouseHandler& handler, std::int16_t button, std::int16_t shift, QPointF posPx);
    // KeyDown with the translated code; `code` and `shift` come back as
    // the handler left them. Keys without a code raise nothing.
    bool RaiseKeyDown(const QKeyEvent& event, std::int16_t& code, std::int16_t& shift);
    bool RaiseKeyPress(std::int16_t& ascii);
    bool RaiseKeyUp(const QKeyEvent& event);
};

// --- the desktop's state -------------------------------------------------------

struct QtDesktop::Impl : model::DesktopModel<QtDesktop::Impl, Node> {
    struct Foreign {
        QPointer<QWidget> Window;
        std::string ClassName;
    };
    struct ModalLoop {
        std::uint64_t Form = 0;
        QEventLoop* Loop = nullptr;  // none for a loop the manual clock plays (RunScriptedModal)
    };

    Impl(QtDesktop& owner, Options options);
    ~Impl();

    Options options;
    AppInfo app;
    std::int16_t tpp = 15;
    std::int16_t screenPointer = 0;
    bool overrideCursor = false;
    std::int64_t startMs = 0;
    // The last press counted, which Qt hands to each parent in turn while
    // the children ignore it.
    const QEvent* lastPress = nullptr;
    std::uint64_t lastPressTime = 0;
    std::unique_ptr<QObject> filter;  // application-wide event filter
    // Every timer widget ticks on this one clock (clock.h); it stops with
    // the desktop.
    Clock* clock = nullptr;
    // The hidden form controls embedded in foreign windows sit on (made on
    // first use).
    std::unique_ptr<Form> hiddenHost;

    std::unordered_map<const QObject*, std::uint64_t> byObject;
    std::map<Hwnd, Foreign> foreign;
    // The foreign windows by their widget, and the user control of each
    // device context: found without walking every window or widget.
    std::unordered_map<const QWidget*, Hwnd> foreignByWidget;
    std::unordered_map<Hdc, std::uint64_t> byDc;
    int settingFocus = 0;  // our own moves of Qt's focus, not the user's
    std::vector<ModalLoop> modalLoops;
    // Tool windows (drop-down lists) and the form that was active when they
    // opened: they close with it, so none is left on the screen alone.
    std::map<std::uint64_t, Hwnd> toolOwners;
    // The user control each tool window was opened from (the one that had
    // the focus then): a screen reader meets the drop-down as its child.
    std::map<std::uint64_t, std::uint64_t> toolControls;

    // registry (desktop.cpp)
    void Unregister(Node& node);
    // A foreign window whose widget was destroyed is forgotten.
    void ForgetForeign(Hwnd window, const QWidget* widget);
    // The foreign window that holds `widget` (or is it); 0 for none.
    Hwnd ForeignHolding(const QWidget* widget) const;
    // Runs one tick of timer `id`.
    void Tick(std::uint64_t id);
    Node* NodeOfObject(const QObject* object) const;
    float Tpp() const { return tpp; }
    int ToPx(float twips) const;
    std::uint32_t SysColor(int index) const;
    bool IsToolWindow(std::string_view formName) const;

    // fonts (fonts.cpp)
    // Measured once per font: a list asks for its row height on every
    // change, and building Qt's font and metrics costs far more than a row.
    float LineHeightPx(const Font& font) const;
    LineMeasures lines;  // the fonts measured last
    float LineWidthPx(const Font& font, std::string_view line) const;

    // windows, focus and activation (focus.cpp)
    Rect RectPx(const Node& node) const;
    void UpdateFocusPolicy(Node* container);
    // What the model asks of the desktop.
    bool IsForeign(Hwnd window) const;
    bool ForeignVisible(Hwnd window) const;
    bool ForeignRect(Hwnd window, Rect& rect) const;
    std::string ForeignClass(Hwnd window) const;
    Rect ScreenRect() const;
    void ShowActivation(Hwnd window, bool fromSystem);
    void KeepTopMostAbove(QWidget* raised);
    void FocusMoved(Node* now, Node* old);
    // Qt's side: the user moved the focus or the activation.
    void QtFocusIn(QWidget* widget);
    // A widget we did not make took Qt's focus: its window (ours, or the
    // host's) is the active one, and none of our widgets has the focus.
    void QtForeignFocusIn(QWidget* widget);
    void QtActivated(QWidget* window);
    // The window system activated the window holding `widget`.
    void QtActivatedAt(QWidget* widget);
    void QtPressed(QWidget* widget);
    bool ToolWindowActive() const;
    bool OpenedTheActiveToolWindow(const Node& node) const;
    void QtApplicationDeactivated();

    // forms (widgets.cpp)
    void PresentForm(Node& form, int modal);
    void ConcealForm(Node& form);
    Hwnd NextActive(std::uint64_t form, Hwnd hidden) const;
    void FormHidden(Hwnd hwnd);
    void HideOwnedToolWindows(Hwnd owner);
    void RunModal(std::uint64_t form);
    // A modal loop on the manual clock: scripts, posted work and Qt's
    // pending events, and a failure when none is left.
    void RunScriptedModal(std::uint64_t form);
    // Qt's pending events, then the posted work.
    void Pump();
    void EraseFocusRects(Hdc dc, const QRect& areaPx);
    // Enter or Escape left alone by the widget `from`: the default or the
    // cancel button of its window takes it (button.cpp).
    void PressDialogButton(std::uint64_t from, std::int16_t keyAscii);

    // Documents and addresses being opened (opener.cpp); made on first use.
    std::shared_ptr<LaterOpens> opens;
};

// --- the members every widget kind has --------------------------------------------

template <class Base>
using WidgetImpl = model::WidgetBase<Base, Node>;

}  // namespace korvane::tk::qt
