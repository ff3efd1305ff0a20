/// @file
/// The widgets the control is made of, as an abstract interface: text boxes,
/// labels, list boxes, images, push buttons, timers, top-level forms and the
/// user-control container. A desktop (desktop.h) creates them; the control only ever talks
/// to these classes, never to a concrete widget library.
///
/// Sizes and positions are twips (1/1440 inch) relative to the parent's
/// client area. A widget that refuses a value raises a korvane::RuntimeError
/// (ToolkitInvalidPropertyValue, ToolkitInvalidArrayIndex, ToolkitCantSetFocus).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "korvane/korvane_export.h"
#include "korvane/toolkit/types.h"

namespace korvane::tk {

class Desktop;

/// What a widget is to the person using the control, for a desktop that
/// shows the control to a screen reader as one combo box. The control says
/// it once for each widget it makes; a desktop without a screen-reader face
/// keeps it and does nothing more.
enum class Role : std::uint8_t {
    Plain,           ///< a widget of its own (the default)
    ComboBox,        ///< the user control that is the whole combo box
    Editor,          ///< a field of the combo box: one column of its value, editable
    ShownValue,      ///< a read-only label of the combo box: one column of its value
    RowList,         ///< a list of rows of the combo box: its first column, standing for the rows
    RowListColumn,   ///< a further column of the rows of the list beside it, never shown apart
    DropDownButton,  ///< what the person presses to open the drop-down
    Decoration,      ///< a picture or holder that means nothing to a reader
    DropDown,        ///< the window that opens with the combo box's rows (its `whole` is the combo box)
};

/// What every widget has. Windowless widgets (labels, images, timers) report
/// hWnd 0 and cannot take the focus. Widgets are not copyable; their
/// creator owns them (Desktop::CreateTextBox and the other factories hand
/// out a std::unique_ptr).
///
/// The On... members are the widget's events: set one to a function to
/// handle it. Key and mouse arguments are by reference; the widget goes on
/// with what the handler left.
class KORVANE_EXPORT Widget {
public:
    virtual ~Widget() = default;
    /// Widgets are made by a Desktop.
    Widget() = default;
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    /// The name the widget was created with (unique among its siblings).
    virtual const std::string& Name() const = 0;
    /// The desktop that made the widget.
    virtual Desktop& Owner() const = 0;
    /// The parent widget; nullptr for a form.
    virtual Widget* Parent() const = 0;
    /// The window handle; 0 for windowless widgets.
    virtual Hwnd hWnd() const = 0;

    /// Whether the widget is shown (its parents may still hide it).
    virtual bool Visible() const = 0;
    /// Shows or hides the widget.
    virtual void Visible(bool value) = 0;
    /// Whether the widget takes input.
    virtual bool Enabled() const = 0;
    /// Lets the widget take input or not; a disabled widget is drawn grey.
    virtual void Enabled(bool value) = 0;

    /// The left edge in twips, in the parent's client area (a form: on the screen).
    virtual float Left() const = 0;
    /// Moves the left edge; see Left().
    virtual void Left(float value) = 0;
    /// The top edge in twips, like Left().
    virtual float Top() const = 0;
    /// Moves the top edge; see Top().
    virtual void Top(float value) = 0;
    /// The width in twips.
    virtual float Width() const = 0;
    /// Sets the width; a negative value raises ToolkitInvalidPropertyValue.
    virtual void Width(float value) = 0;
    /// The height in twips.
    virtual float Height() const = 0;
    /// Sets the height; a negative value raises ToolkitInvalidPropertyValue.
    /// A list box rounds its height to whole rows, a text box keeps at least
    /// one line of its font.
    virtual void Height(float value) = 0;

    /// The background colour.
    virtual OleColor BackColor() const = 0;
    /// Sets the background colour; the widget repaints.
    virtual void BackColor(OleColor value) = 0;
    /// The text colour.
    virtual OleColor ForeColor() const = 0;
    /// Sets the text colour; the widget repaints.
    virtual void ForeColor(OleColor value) = 0;
    /// The font object the widget draws with (shared, see tk::Font).
    virtual FontRef Font() const = 0;
    /// Makes the widget draw with `value`; it keeps the object, not a copy.
    virtual void Font(FontRef value) = 0;
    /// The tool tip shown while the pointer rests on the widget; "" for none.
    virtual const std::string& ToolTipText() const = 0;
    /// Sets the tool tip; "" removes it.
    virtual void ToolTipText(std::string value) = 0;

    /// The pointer shown over the widget (tk::pointer values).
    virtual std::int16_t MousePointer() const = 0;
    /// Sets the pointer shown over the widget (tk::pointer values).
    virtual void MousePointer(std::int16_t value) = 0;
    /// The picture shown as the pointer when MousePointer is pointer::Custom.
    virtual PictureRef MouseIcon() const = 0;
    /// Sets the picture of pointer::Custom.
    virtual void MouseIcon(PictureRef value) = 0;

    /// Gives the widget the keyboard focus; hidden, disabled and windowless
    /// widgets refuse with ToolkitCantSetFocus.
    virtual void SetFocus() = 0;
    /// Repaints the widget now.
    virtual void Refresh() = 0;
    /// Says what the widget is to a screen reader's user (see Role); `whole`
    /// is the combo box a drop-down belongs to, and null for the other roles,
    /// which belong to their parent.
    virtual void AccessibleRole(Role role, Widget* whole = nullptr) = 0;
    /// The name a screen reader reads for the widget ("Column 1"); empty,
    /// the widget's own name.
    virtual void AccessibleName(std::string name) = 0;

    MouseHandler OnMouseDown;    ///< a mouse button went down over the widget
    MouseHandler OnMouseMove;    ///< the pointer moved over the widget
    MouseHandler OnMouseUp;      ///< a mouse button went up over the widget
    KeyHandler OnKeyDown;        ///< a key went down while the widget had the focus
    KeyPressHandler OnKeyPress;  ///< a character was typed while the widget had the focus
    KeyHandler OnKeyUp;          ///< a key went up while the widget had the focus
    Handler OnGotFocus;          ///< the widget took the keyboard focus
    Handler OnLostFocus;         ///< the widget lost the keyboard focus
};

/// A one-line text field.
class KORVANE_EXPORT TextBox : public Widget {
public:
    /// The text, UTF-8.
    virtual const std::string& Text() const = 0;
    /// Replaces the text, clears the selection and raises OnChange; writing
    /// the same text does nothing.
    virtual void Text(std::string value) = 0;
    /// Where the selection starts, in characters (code points) of Text.
    virtual std::int32_t SelStart() const = 0;
    /// Moves the selection start (past the end means the end) and empties
    /// the selection.
    virtual void SelStart(std::int32_t value) = 0;
    /// How many characters are selected.
    virtual std::int32_t SelLength() const = 0;
    /// Sets how many characters are selected, up to the end of the text.
    virtual void SelLength(std::int32_t value) = 0;
    /// Whether the user can change the text (the host always can).
    virtual bool Locked() const = 0;
    /// Lets the user change the text or not.
    virtual void Locked(bool value) = 0;

    Handler OnChange;  ///< the text changed, by the user or through Text()
};

/// A read-only line of text.
class KORVANE_EXPORT Label : public Widget {
public:
    /// The text shown, UTF-8.
    virtual const std::string& Caption() const = 0;
    /// Sets the text shown.
    virtual void Caption(std::string value) = 0;
};

/// A push button. A press and release of the left button on it clicks it,
/// and so do Space and Enter while it has the focus. The default button of
/// a window is also clicked by Enter, and its cancel button by Escape, when
/// the widget with the focus leaves the key alone (its handlers do not set
/// KeyAscii to 0).
class KORVANE_EXPORT CommandButton : public Widget {
public:
    /// The text on the button.
    virtual const std::string& Caption() const = 0;
    /// Sets the text on the button.
    virtual void Caption(std::string value) = 0;
    /// Whether Enter clicks it (the window's default button).
    virtual bool Default() const = 0;
    /// Makes it the window's default button or not.
    virtual void Default(bool value) = 0;
    /// Whether Escape clicks it (the window's cancel button).
    virtual bool Cancel() const = 0;
    /// Makes it the window's cancel button or not.
    virtual void Cancel(bool value) = 0;
    /// Whether it is drawn as its caption alone, in its colour and font, the
    /// way a link is; the focus still shows around it.
    virtual bool Flat() const = 0;
    /// Draws it flat or as a button.
    virtual void Flat(bool value) = 0;

    Handler OnClick;  ///< the button was clicked
};

/// A picture on a form (the control's drop-down button).
class KORVANE_EXPORT Image : public Widget {
public:
    /// The picture shown; nullptr for none.
    virtual PictureRef Picture() const = 0;
    /// Sets the picture shown.
    virtual void Picture(PictureRef value) = 0;
};

/// A call on each of a run of list entries, made without copying their
/// texts: a reference to any callable taking (std::string_view text,
/// std::int32_t itemData). It refers to the callable, which must outlive it.
class KORVANE_EXPORT EntryVisitor {
public:
    /// Refers to `f`.
    template <class F>
    EntryVisitor(const F& f)  // NOLINT(google-explicit-constructor): made where it is passed
        : object_(&f), call_([](const void* o, std::string_view text, std::int32_t data) {
              (*static_cast<const F*>(o))(text, data);
          }) {}
    /// Calls the callable.
    void operator()(std::string_view text, std::int32_t data) const { call_(object_, text, data); }

private:
    const void* object_;
    void (*call_)(const void*, std::string_view, std::int32_t);
};

/// A list of text entries with an item number each. Entries are kept in the
/// order they were added; the widget never sorts. Indexes are 0-based;
/// entry -1 reads as the empty string. An index past the end raises
/// ToolkitInvalidArrayIndex.
class KORVANE_EXPORT ListBox : public Widget {
public:
    /// The most entries a list box holds.
    static constexpr std::int32_t MaxEntries = 32767;

    /// Appends an entry and sets NewIndex to it.
    virtual void AddItem(std::string_view item) = 0;
    /// Appends an entry with item number `itemData` and sets NewIndex to
    /// it: AddItem, then ItemData of the new entry, in one step.
    virtual void AddItem(std::string_view item, std::int32_t itemData) = 0;
    /// Removes entry `index`; the entries after it move up.
    virtual void RemoveItem(std::int32_t index) = 0;
    /// Removes every entry.
    virtual void Clear() = 0;
    /// The text of entry `index` ("" for -1).
    virtual std::string List(std::int32_t index) const = 0;
    /// The text of entry `index` without a copy; the view stays valid until
    /// the entries change. An index outside the entries raises the index
    /// error.
    virtual std::string_view EntryText(std::int32_t index) const = 0;
    /// Calls `visit` with the text and item number of `count` entries from
    /// `first` on, in order, without copying a text; the views stay valid
    /// until the entries change. `visit` must not change the list. A run
    /// outside the entries raises the index error.
    virtual void VisitEntries(std::int32_t first, std::int32_t count, const EntryVisitor& visit) const = 0;
    /// Replaces the text of entry `index`.
    virtual void List(std::int32_t index, std::string_view value) = 0;
    /// How many entries there are.
    virtual std::int32_t ListCount() const = 0;
    /// The index of the entry added last; -1 when there is none.
    virtual std::int32_t NewIndex() const = 0;
    /// The selected entry; -1 for no selection.
    virtual std::int32_t ListIndex() const = 0;
    /// Selects an entry (-1: none). A write that changes the selected entry
    /// scrolls it into view and raises OnClick; an index past the end is
    /// refused.
    virtual void ListIndex(std::int32_t value) = 0;
    /// The entry shown in the top row.
    virtual std::int32_t TopIndex() const = 0;
    /// Scrolls entry `value` to the top row, limited so that the last page
    /// stays full.
    virtual void TopIndex(std::int32_t value) = 0;
    /// The item number of entry `index`.
    virtual std::int32_t ItemData(std::int32_t index) const = 0;
    /// Sets the item number of entry `index`.
    virtual void ItemData(std::int32_t index, std::int32_t value) = 0;
    /// Puts the entries in a new order, their numbers travelling with them:
    /// entry k becomes the entry that was at order[k]. `order` must name
    /// every entry once (else nothing changes and the index error is raised).
    /// The selection, the top entry and NewIndex keep their numbers; the
    /// list is redrawn once.
    virtual void Reorder(const std::vector<std::int32_t>& order) = 0;

    /// Shows only the entries named in `view` (ascending entry numbers; the
    /// others stay in the list, unseen). Indexes (ListIndex, TopIndex, the
    /// entries) keep their numbers; the top row, scrolling, the navigation
    /// keys, the row under the pointer and the rows drawn walk the entries
    /// shown. Removing an entry takes it out of the view; an entry added
    /// while a view is shown is not in it; Reorder keeps the view's entries.
    virtual void ShowOnly(const std::vector<std::int32_t>& view) = 0;
    /// Shows every entry again.
    virtual void ShowAll() = 0;
    /// Whether only some entries are shown (ShowOnly since the last ShowAll).
    virtual bool Filtered() const = 0;
    /// How many entries are shown (ListCount without a view).
    virtual std::int32_t ShownCount() const = 0;
    /// The entry shown at `position` (0: the first shown); -1 outside.
    virtual std::int32_t ShownEntry(std::int32_t position) const = 0;
    /// The position of entry `index` among those shown; -1 when it is not
    /// shown.
    virtual std::int32_t ShownPosition(std::int32_t index) const = 0;
    /// Gives an entry's text the byte ranges [first, second) of it to draw
    /// highlighted (the parts a search matched).
    using SpanMarker = std::function<std::vector<std::pair<std::int32_t, std::int32_t>>(std::string_view text)>;
    /// Draws the parts `marker` names highlighted in every entry shown; an
    /// empty marker draws entries plain again.
    virtual void MarkMatches(SpanMarker marker) = 0;

    Handler OnClick;   ///< the selected entry changed
    Handler OnScroll;  ///< the top row changed
};

/// A clock that calls OnTimer every Interval milliseconds of the desktop's
/// clock, while it is Enabled.
class KORVANE_EXPORT Timer : public Widget {
public:
    /// The period in milliseconds; 0 never ticks.
    virtual std::int32_t Interval() const = 0;
    /// Sets the period in milliseconds; 0 stops the timer.
    virtual void Interval(std::int32_t value) = 0;

    Handler OnTimer;  ///< the period elapsed
};

/// What the host form tells the user-control container about its place.
struct Ambient {
    bool UserMode = true;  ///< false while the host form is being designed
};

/// The user-control container: the control's own window on the host form.
class KORVANE_EXPORT UserControl : public Widget {
public:
    /// The device context the container draws on.
    virtual Hdc hDC() const = 0;
    /// What the host form said about the container's place.
    virtual const tk::Ambient& Ambient() const = 0;
    /// The height of `text` in the container's font, in twips.
    virtual float TextHeight(std::string_view text) const = 0;
    /// The width of `text` in the container's font, in twips.
    virtual float TextWidth(std::string_view text) const = 0;
    /// Tells the host that a saved property changed (it then saves the form
    /// again).
    virtual void PropertyChanged(std::string_view name) = 0;

    Handler OnResize;  ///< the container's size changed
    Handler OnPaint;   ///< the container must be drawn
};

/// A top-level window. Show(Modal) runs a nested event loop and returns when
/// the form has been hidden or unloaded.
class KORVANE_EXPORT Form : public Widget {
public:
    static constexpr int Modeless = 0;  ///< Show returns at once
    static constexpr int Modal = 1;     ///< Show returns when the form is hidden or unloaded

    /// Whether the form is loaded (made and not yet unloaded).
    virtual bool Loaded() const = 0;
    /// Loads the form (raises OnLoad) if it is not loaded.
    virtual void Load() = 0;
    /// Unloads the form: raises OnQueryUnload, which may cancel, then hides it.
    virtual void Unload() = 0;
    /// Shows the form, loading it first; `modal` is Modeless or Modal.
    virtual void Show(int modal = Modeless) = 0;
    /// Hides the form; it stays loaded. Ends a modal Show.
    virtual void Hide() = 0;
    /// The title bar's text.
    virtual const std::string& Caption() const = 0;
    /// Sets the title bar's text.
    virtual void Caption(std::string value) = 0;
    /// The window's icon; nullptr for the desktop's.
    virtual PictureRef Icon() const = 0;
    /// Sets the window's icon.
    virtual void Icon(PictureRef value) = 0;
    /// The height of `text` in the form's font, in twips.
    virtual float TextHeight(std::string_view text) const = 0;
    /// The width of `text` in the form's font, in twips.
    virtual float TextWidth(std::string_view text) const = 0;
    /// Whether the form is a dialog: a fixed frame with a title and a close
    /// box, no minimise or maximise box.
    virtual bool Dialog() const = 0;
    /// Makes the form a dialog or an ordinary window.
    virtual void Dialog(bool value) = 0;

    Handler OnLoad;               ///< the form was loaded
    CancelHandler OnQueryUnload;  ///< the form is about to unload; set Cancel to keep it
    Handler OnActivate;           ///< the form became the active window
    Handler OnDeactivate;         ///< another window became the active one
};

}  // namespace korvane::tk
