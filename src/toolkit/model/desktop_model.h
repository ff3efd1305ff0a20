// What both desktops decide alike about their widgets (DesktopModel): the
// registry with the names and window handles of the widgets, windows and
// their rectangles, the focus, the tab order, the activation and its event
// order, showing and hiding forms, the bounded records of what a person
// saw and heard, and what hosts and tests hand a desktop to do later (work
// posted for the next turn of events, scripts for modal loops). A desktop
// supplies the face: what a widget looks like, how real input arrives,
// timers and the screen.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "korvane/errors.h"
#include "korvane/toolkit/desktop.h"
#include "korvane/toolkit/widgets.h"
#include "node.h"

namespace korvane::tk::model {

// The records a desktop keeps of what a person saw or heard hold a window
// of the newest ones, so a program that runs for ever does not grow: at
// least the last kRecordWindow of each kind, never more than twice that.
constexpr std::size_t kRecordWindow = 512;

// Appends a record, dropping the oldest window's worth once the list holds
// two (one move of the rest per kRecordWindow records).
template <class T>
void Record(std::vector<T>& records, T record) {
    if (records.size() >= 2 * kRecordWindow)
        records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(kRecordWindow));
    records.push_back(std::move(record));
}

// --- the desktop's registry, focus and activation --------------------------------

// What a desktop supplies (called on DeskT):
//   bool IsForeign(Hwnd) const, bool ForeignVisible(Hwnd) const, bool ForeignRect(Hwnd, Rect&) const,
//   std::string ForeignClass(Hwnd) const        the windows of others it knows
//   Rect ScreenRect() const, Rect RectPx(const NodeT&) const   where things are on the screen
//   void PresentForm(NodeT&, int modal), void ConcealForm(NodeT&), Hwnd NextActive(id, Hwnd),
//   void FormHidden(Hwnd), void RunModal(id)   a form shown and hidden on the screen
//   void ShowActivation(Hwnd, bool fromSystem)   raise the newly active window
//   void FocusMoved(NodeT* now, NodeT* old)      the focus record moved
//   float LineHeightPx(const Font&) const, float LineWidthPx(const Font&, line) const, float Tpp() const
template <class DeskT, class NodeT>
class DesktopModel {
public:
    explicit DesktopModel(Desktop& o) : owner(o) { desktopWindow = NewHwnd(); }

    Desktop& owner;

    // Registry, in creation order.
    std::uint64_t nextId = 1;
    Hwnd nextHwnd = 0x100;
    Hdc nextHdc = 0x7000;
    std::map<std::uint64_t, NodeT*> nodes;
    std::unordered_map<Hwnd, std::uint64_t> byHwnd;
    Hwnd desktopWindow = 0;

    // The active window, the focused widget, and the widget each window
    // had the focus on when it was last active.
    Hwnd active = 0;
    std::uint64_t focus = 0;
    // The widget the focus moved to whose GotFocus has not been raised yet
    // (the old widget's LostFocus runs first): if that handler moves the
    // focus on, this widget never had it and hears nothing.
    std::uint64_t awaitingGotFocus = 0;
    std::map<Hwnd, std::uint64_t> lastFocus;

    // Button presses taken in, counted before anything a press causes runs.
    std::uint64_t presses = 0;

    // The records of what a person saw and heard.
    DesktopRecords records;
    // With recording on, a message box is recorded and answered with
    // msgBoxAnswer instead of being shown.
    bool recordMessageBoxes = false;
    int msgBoxAnswer = 1;
    // Set: documents are not opened, a request is answered with it.
    std::optional<std::intptr_t> shellAnswer;
    // The focus rectangles on the screen, by device context.
    std::map<Hdc, std::vector<Rect>> focusRects;
    // Empty: the locale comes from the environment.
    std::string userLocale;
    // Work posted by the host (Post) and the scripts of modal loops (OnModal).
    std::deque<std::function<void()>> posted;
    std::deque<std::function<void(Form&)>> modalScripts;

    Hwnd NewHwnd() {
        const Hwnd h = nextHwnd;
        nextHwnd += 4;
        return h;
    }

    // A new node joins the registry and its parent; edit fields and lists
    // paint in the window colours, everything else in the button face.
    void Adopt(NodeT& node) {
        node.id = nextId++;
        nodes[node.id] = &node;
        if (IsWindowed(node.kind)) {
            node.hwnd = NewHwnd();
            byHwnd[node.hwnd] = node.id;
        }
        if (node.parent != nullptr)
            node.parent->children.push_back(&node);
        const bool field = node.kind == Kind::TextBox || node.kind == Kind::ListBox;
        node.back = Self().SysColor(field ? 5 : 15);
        node.fore = Self().SysColor(field ? 8 : 18);
    }

    // No handler runs here: the focus held by the node, or by one of its
    // children, is simply dropped.
    void Forget(NodeT& node) {
        if (Inside(focus, node))
            focus = 0;
        nodes.erase(node.id);
        if (node.hwnd != 0) {
            byHwnd.erase(node.hwnd);
            lastFocus.erase(node.hwnd);
        }
        if (node.kind == Kind::Form && active == node.hwnd)
            active = 0;
    }

    // Node `id` is `node` or lies inside it.
    bool Inside(std::uint64_t id, const NodeT& node) const {
        for (const NodeT* n = Get(id); n != nullptr; n = n->parent) {
            if (n == &node)
                return true;
        }
        return false;
    }

    NodeT* Get(std::uint64_t id) const {
        auto it = nodes.find(id);
        return it == nodes.end() ? nullptr : it->second;
    }
    bool Alive(std::uint64_t id) const { return nodes.count(id) != 0; }
    NodeT* NodeOf(const Widget& widget) const {
        auto* node = dynamic_cast<NodeT*>(const_cast<Widget*>(&widget));
        return node != nullptr && node->desk == &Self() ? node : nullptr;
    }
    NodeT* NodeOf(Hwnd window) const {
        auto it = byHwnd.find(window);
        return it == byHwnd.end() ? nullptr : Get(it->second);
    }
    // The node of a widget of this desktop; a widget of another desktop is
    // refused.
    NodeT& OwnNode(Widget& widget) const {
        NodeT* node = NodeOf(widget);
        if (node == nullptr)
            Raise(ErrorCode::InvalidProcedureCall, "the parent belongs to another desktop");
        return *node;
    }
    NodeT* FormOf(Hwnd window) const {
        NodeT* node = NodeOf(window);
        return node != nullptr && node->kind == Kind::Form ? node : nullptr;
    }

    // Enter or Escape that widget `from` left alone: the default (Enter) or
    // cancel (Escape) button of its window, when one can be clicked. A
    // button takes Enter itself, and leaves Escape to the cancel button.
    NodeT* DialogButton(std::uint64_t from, std::int16_t keyAscii) const {
        NodeT* origin = Get(from);
        if (origin == nullptr || (origin->kind == Kind::CommandButton && keyAscii == key::Return))
            return nullptr;
        NodeT* form = FormOf(TopOf(*origin));
        if (form == nullptr)
            return nullptr;
        std::vector<NodeT*> pending{form};
        while (!pending.empty()) {
            NodeT* n = pending.back();
            pending.pop_back();
            if (n->kind == Kind::CommandButton && EffectivelyVisible(*n) && EffectivelyEnabled(*n)) {
                const auto* button = dynamic_cast<const CommandButton*>(n->self);
                if (button != nullptr &&
                    ((keyAscii == key::Return && button->Default()) || (keyAscii == key::Escape && button->Cancel())))
                    return n;
            }
            for (NodeT* child : n->children)
                pending.push_back(child);
        }
        return nullptr;
    }

    // --- names and windows ---

    // A form by name (the newest of that name), then its children by name:
    // "frmMain.ucvBox.txtCol1", ASCII case-insensitive.
    Widget* Find(std::string_view path) const {
        auto dot = path.find('.');
        auto head = path.substr(0, dot);
        NodeT* found = nullptr;
        for (auto it = nodes.rbegin(); it != nodes.rend() && found == nullptr; ++it) {
            if (it->second->kind == Kind::Form && SameName(it->second->name, head))
                found = it->second;
        }
        while (found != nullptr && dot != std::string_view::npos) {
            path = path.substr(dot + 1);
            dot = path.find('.');
            head = path.substr(0, dot);
            NodeT* next = nullptr;
            for (NodeT* child : found->children) {
                if (SameName(child->name, head)) {
                    next = child;
                    break;
                }
            }
            found = next;
        }
        return found != nullptr ? found->self : nullptr;
    }

    Widget* FromHwnd(Hwnd window) const {
        NodeT* node = NodeOf(window);
        return node != nullptr ? node->self : nullptr;
    }
    Widget* FocusWidget() const {
        NodeT* node = Get(focus);
        return node != nullptr ? node->self : nullptr;
    }
    Hwnd FocusHwnd() const {
        NodeT* node = Get(focus);
        return node != nullptr ? node->hwnd : 0;
    }

    // The window a windowed widget sits in: its foreign window, or the
    // nearest windowed container.
    Hwnd ParentHwnd(Hwnd window) const {
        NodeT* node = NodeOf(window);
        if (node == nullptr || node->kind == Kind::Form)
            return 0;
        if (node->foreignParent != 0)
            return node->foreignParent;
        for (NodeT* p = node->parent; p != nullptr; p = p->parent) {
            if (p->foreignParent != 0 && !p->Windowed())
                return p->foreignParent;
            if (p->Windowed())
                return p->hwnd;
        }
        return 0;
    }

    // A window's rectangle on the screen in pixels: the screen for the
    // desktop window; 0 for a window that is not there.
    std::int32_t WindowRect(Hwnd window, Rect& rect) const {
        if (window != 0 && window == desktopWindow) {
            rect = Self().ScreenRect();
            return 1;
        }
        if (Self().IsForeign(window))
            return Self().ForeignRect(window, rect) ? 1 : 0;
        NodeT* node = NodeOf(window);
        if (node == nullptr)
            return 0;
        rect = Self().RectPx(*node);
        return 1;
    }

    // The class name of a window; empty for none. Forms carry the class
    // name of the native host forms, so the control opens its drop-down
    // modeless on them.
    std::string ClassOf(Hwnd window) const {
        if (window != 0 && window == desktopWindow)
            return "KorvaneDesktop";
        if (Self().IsForeign(window))
            return Self().ForeignClass(window);
        NodeT* node = NodeOf(window);
        if (node == nullptr)
            return {};
        switch (node->kind) {
            case Kind::Form:
                return "ThunderForm";
            case Kind::UserControl:
                return "KorvaneUserControl";
            case Kind::TextBox:
                return "KorvaneTextBox";
            case Kind::ListBox:
                return "KorvaneListBox";
            case Kind::CommandButton:
                return "KorvaneCommandButton";
            default:
                return {};
        }
    }

    // The form or foreign window holding the node; 0 if orphaned.
    Hwnd TopOf(const NodeT& node) const {
        for (const NodeT* n = &node; n != nullptr; n = n->parent) {
            if (n->foreignParent != 0)
                return n->foreignParent;
            if (n->kind == Kind::Form)
                return n->hwnd;
        }
        return 0;
    }

    // --- focus and activation ---

    bool EffectivelyVisible(const NodeT& node) const {
        for (const NodeT* n = &node; n != nullptr; n = n->parent) {
            if (!n->visible)
                return false;
            if (n->foreignParent != 0)
                return Self().ForeignVisible(n->foreignParent);
            if (n->kind == Kind::Form)
                return true;
        }
        return false;  // its form was destroyed
    }

    bool EffectivelyEnabled(const NodeT& node) const {
        for (const NodeT* n = &node; n != nullptr; n = n->parent) {
            if (!n->enabled)
                return false;
            if (n->foreignParent != 0 || n->kind == Kind::Form)
                return true;
        }
        return false;
    }

    bool CanFocus(const NodeT& node) const {
        return node.Windowed() && EffectivelyVisible(node) && EffectivelyEnabled(node);
    }

    // A container's focus stops in creation order. A user control whose own
    // children can take the focus is not a stop itself; one with none (its
    // fields hidden) takes the focus and the keys itself.
    static void CollectStops(const NodeT& container, std::vector<NodeT*>& out) {
        for (NodeT* child : container.children) {
            if (child->foreignParent != 0 || !child->visible || !child->enabled)
                continue;
            if (child->kind == Kind::UserControl) {
                const auto before = out.size();
                CollectStops(*child, out);
                if (out.size() == before)
                    out.push_back(child);
            } else if (child->Windowed()) {
                out.push_back(child);
            }
        }
    }

    // Focus given to a form or a user control goes on to its first stop.
    NodeT* FocusTarget(NodeT& node) const {
        if (node.kind != Kind::Form && node.kind != Kind::UserControl)
            return &node;
        std::vector<NodeT*> stops;
        CollectStops(node, stops);
        return stops.empty() ? &node : stops.front();
    }

    std::vector<NodeT*> TabStops(Hwnd window) const {
        std::vector<NodeT*> stops;
        if (NodeT* form = FormOf(window)) {
            CollectStops(*form, stops);
            return stops;
        }
        if (window == 0)
            return stops;
        for (const auto& [id, node] : nodes) {  // the windows moved into a foreign window
            if (node->foreignParent != window || !node->visible || !node->enabled)
                continue;
            const auto before = stops.size();
            CollectStops(*node, stops);
            if (stops.size() == before && node->Windowed())
                stops.push_back(node);
        }
        return stops;
    }

    // Tab and Shift+Tab: the next stop of the active window, wrapping.
    NodeT* NextStop(bool backwards) const {
        auto stops = TabStops(active);
        if (stops.empty())
            return nullptr;
        const auto count = static_cast<std::ptrdiff_t>(stops.size());
        std::ptrdiff_t at = -1;
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            if (stops[static_cast<std::size_t>(i)]->id == focus)
                at = i;
        }
        std::ptrdiff_t next = 0;
        if (at < 0) {
            next = backwards ? count - 1 : 0;
        } else {
            next = (at + (backwards ? count - 1 : 1)) % count;
        }
        return stops[static_cast<std::size_t>(next)];
    }

    // Moves the focus without touching the activation: LostFocus on the old
    // widget, then GotFocus on the new one unless a LostFocus handler has
    // sent the focus elsewhere meanwhile; the widget passed over so hears
    // neither.
    void SetFocusTo(NodeT* node) {
        const std::uint64_t newId = node != nullptr ? node->id : 0;
        if (newId == focus)
            return;
        const std::uint64_t oldId = focus;
        const bool oldHadIt = oldId != awaitingGotFocus;
        focus = newId;
        awaitingGotFocus = newId;
        if (node != nullptr)
            lastFocus[TopOf(*node)] = newId;
        Self().FocusMoved(node, Get(oldId));
        if (NodeT* old = Get(oldId); old != nullptr && oldHadIt)
            Fire(*old, old->self->OnLostFocus);
        if (NodeT* now = Get(newId); now != nullptr && focus == newId) {
            awaitingGotFocus = 0;
            Fire(*now, now->self->OnGotFocus);
        }
    }

    // SetFocus from code: refused for widgets a person could not reach; a
    // widget on another window activates that window first.
    void FocusByCode(NodeT& node) {
        if (!CanFocus(node))
            Raise(ErrorCode::ToolkitCantSetFocus, node.name);
        NodeT* target = FocusTarget(node);
        const std::uint64_t targetId = target->id;
        const Hwnd top = TopOf(*target);
        if (top != active) {
            Activate(top, false);
            target = Get(targetId);
            if (target == nullptr || !CanFocus(*target))
                return;
        }
        SetFocusTo(target);
    }

    // Deactivate goes to the old form after the new one is already active,
    // so a handler that hides the old form does not hand the activation
    // back to it. `fromSystem`: the window system has made it active
    // already.
    void Activate(Hwnd window, bool restoreFocus, bool fromSystem = false) {
        if (window == active) {
            NodeT* current = Get(focus);
            if (restoreFocus && (current == nullptr || TopOf(*current) != window))
                RestoreFocus(window);
            return;
        }
        const Hwnd old = active;
        active = window;
        Self().ShowActivation(window, fromSystem);
        if (NodeT* oldForm = FormOf(old))
            Fire(*oldForm, static_cast<Form*>(oldForm->self)->OnDeactivate);
        if (active != window)
            return;
        if (NodeT* newForm = FormOf(window))
            Fire(*newForm, static_cast<Form*>(newForm->self)->OnActivate);
        if (active != window)
            return;
        if (restoreFocus)
            RestoreFocus(window);
    }

    // The widget that had the focus when the window was last active, else
    // its first stop, else the form itself.
    void RestoreFocus(Hwnd window) {
        NodeT* target = nullptr;
        if (window != 0) {
            auto last = lastFocus.find(window);
            NodeT* was = last != lastFocus.end() ? Get(last->second) : nullptr;
            if (was != nullptr && TopOf(*was) == window && CanFocus(*was))
                target = was;
            if (target == nullptr) {
                auto stops = TabStops(window);
                if (!stops.empty())
                    target = stops.front();
            }
            NodeT* form = FormOf(window);
            if (target == nullptr && form != nullptr && CanFocus(*form))
                target = form;
        }
        SetFocusTo(target);
    }

    // After a widget was hidden or disabled: a focus it can no longer hold
    // goes to its form, or nowhere.
    void CheckFocus() {
        NodeT* current = Get(focus);
        if (current == nullptr || CanFocus(*current))
            return;
        NodeT* form = FormOf(TopOf(*current));
        SetFocusTo(form != nullptr && CanFocus(*form) ? form : nullptr);
    }

    // --- forms ---

    // Loads the form if need be, shows it on top, activates it and paints
    // its controls; shown modal, returns once it is hidden again.
    void ShowForm(std::uint64_t formId, int modal) {
        NodeT* form = Get(formId);
        if (form == nullptr)
            return;
        if (!static_cast<Form*>(form->self)->Loaded()) {
            static_cast<Form*>(form->self)->Load();
            form = Get(formId);
            if (form == nullptr)
                return;
        }
        form->visible = true;
        Self().PresentForm(*form, modal);
        Activate(form->hwnd, true);
        form = Get(formId);
        if (form == nullptr)
            return;
        PaintTree(*form);
        if (modal == Form::Modal)
            Self().RunModal(formId);
    }

    // One turn of a modal loop with no user at the keyboard (a test's): the
    // next script given to OnModal, then the work posted so far. A turn
    // with neither while the form still waits would wait for ever, so the
    // form is hidden and the loop fails; posted work that keeps posting more
    // counts as waiting after a while. False once the form no longer waits.
    bool ScriptedModalTurn(std::uint64_t formId, int& roundsWithoutScript) {
        constexpr int kMaxRoundsWithoutScript = 10000;
        auto waiting = [&]() -> NodeT* {
            NodeT* form = Get(formId);
            return form != nullptr && form->visible ? form : nullptr;
        };
        NodeT* form = waiting();
        if (form == nullptr)
            return false;
        bool worked = false;
        if (!modalScripts.empty()) {
            auto script = std::move(modalScripts.front());
            modalScripts.pop_front();
            worked = true;
            roundsWithoutScript = 0;
            if (script)
                script(static_cast<Form&>(*form->self));
            if (waiting() == nullptr)
                return false;
        }
        if (!posted.empty()) {
            worked = ++roundsWithoutScript <= kMaxRoundsWithoutScript;
            RunPosted();
        }
        form = waiting();
        if (form != nullptr && !worked) {
            const std::string formName = form->name;
            HideForm(formId);
            Raise(ErrorCode::ToolkitModalStalled, formName);
        }
        return form != nullptr;
    }

    // Hiding the active form hands the activation to the window the
    // desktop picks (the top-most visible one left), whose last focused
    // widget gets the focus back.
    void HideForm(std::uint64_t formId) {
        NodeT* form = Get(formId);
        if (form == nullptr || !form->visible)
            return;
        const Hwnd hwnd = form->hwnd;
        form->visible = false;
        Self().ConcealForm(*form);
        if (active == hwnd)
            Activate(Self().NextActive(formId, hwnd), true);
        CheckFocus();
        Self().FormHidden(hwnd);
    }

    // Paints the user controls of a subtree that are now on view.
    void PaintTree(NodeT& root) {
        std::vector<std::uint64_t> controls;
        std::vector<NodeT*> pending{&root};
        while (!pending.empty()) {
            NodeT* n = pending.back();
            pending.pop_back();
            if (!n->visible)
                continue;
            if (n->kind == Kind::UserControl)
                controls.push_back(n->id);
            for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
                pending.push_back(*it);
        }
        for (std::uint64_t id : controls) {
            if (NodeT* n = Get(id); n != nullptr && EffectivelyVisible(*n))
                n->Repaint();
        }
    }

    // A message box as the user would see it: the title falls back to the
    // application's.
    void RecordMessageBox(std::string_view prompt, int style, std::string_view title, const std::string& appTitle) {
        Record(records.MessageBoxes, {std::string(prompt), style, title.empty() ? appTitle : std::string(title)});
    }

    // A ShellExecuteA call: recorded, and answered at once when the
    // desktop opens nothing (shellAnswer); else nullopt, to open it.
    std::optional<std::intptr_t> RecordShellRequest(ShellRequest request) {
        Record(records.ShellRequests, std::move(request));
        return shellAnswer;
    }

    // The rectangle inverts what is under it, as on a device context:
    // drawing the same one again takes it away. Every call is recorded.
    void ToggleFocusRect(Hdc dc, const Rect& rect) {
        Record(records.FocusRectCalls, {dc, rect});
        auto& rects = focusRects[dc];
        auto same = std::find(rects.begin(), rects.end(), rect);
        if (same != rects.end()) {
            rects.erase(same);
        } else {
            rects.push_back(rect);
        }
    }

    // Every focus rectangle on the screen, on any device context.
    std::vector<FocusRectRecord> ShownFocusRects() const {
        std::vector<FocusRectRecord> all;
        for (const auto& [dc, rects] : focusRects) {
            for (const Rect& r : rects)
                all.push_back({dc, r});
        }
        return all;
    }

    // Runs the work posted so far; work posted meanwhile waits for the
    // next round, so work that keeps posting cannot hold the desktop.
    void RunPosted() {
        for (std::size_t n = posted.size(); n > 0 && !posted.empty(); --n) {
            auto work = std::move(posted.front());
            posted.pop_front();
            if (work)
                work();
        }
    }

private:
    DeskT& Self() { return static_cast<DeskT&>(*this); }
    const DeskT& Self() const { return static_cast<const DeskT&>(*this); }
};

// Copies a class name into the caller's buffer of `maxCount` characters
// (the terminator included); returns the characters copied.
inline std::int32_t CopyClassName(const std::string& cls, std::string& name, std::int32_t maxCount) {
    if (cls.empty() || maxCount <= 0)
        return 0;
    name = cls.substr(0, static_cast<std::size_t>(maxCount - 1));
    return static_cast<std::int32_t>(name.size());
}

}  // namespace korvane::tk::model
