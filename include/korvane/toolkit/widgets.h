// The widgets the control is made of, as an abstract interface: text boxes,
// labels, list boxes, images, push buttons, timers, top-level forms and the
// user-control container. A desktop (desktop.h) creates them; the control only ever talks
// to these classes, never to a concrete widget library.
//
// Sizes and positions are twips (1/1440 inch) relative to the parent's
// client area. A widget that refuses a value raises a korvane::RuntimeError
// (ToolkitInvalidPropertyValue, ToolkitInvalidArrayIndex, ToolkitCantSetFocus).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/types.h"

namespace korvane::tk {

class Desktop;

// What every widget has. Windowless widgets (labels, images, timers) report
// hWnd 0 and cannot take the focus.
class Widget {
public:
    virtual ~Widget() = default;
    Widget() = default;
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    virtual const std::string& Name() const = 0;
    virtual Desktop& Owner() const = 0;
    virtual Widget* Parent() const = 0;
    virtual Hwnd hWnd() const = 0;

    virtual bool Visible() const = 0;
    virtual void Visible(bool value) = 0;
    virtual bool Enabled() const = 0;
    virtual void Enabled(bool value) = 0;

    virtual float Left() const = 0;
    virtual void Left(float value) = 0;
    virtual float Top() const = 0;
    virtual void Top(float value) = 0;
    virtual float Width() const = 0;
    virtual void Width(float value) = 0;
    virtual float Height() const = 0;
    virtual void Height(float value) = 0;

    virtual OleColor BackColor() const = 0;
    virtual void BackColor(OleColor value) = 0;
    virtual OleColor ForeColor() const = 0;
    virtual void ForeColor(OleColor value) = 0;
    virtual FontRef Font() const = 0;
    virtual void Font(FontRef value) = 0;
    virtual const std::string& ToolTipText() const = 0;
    virtual void ToolTipText(std::string value) = 0;

    virtual std::int16_t MousePointer() const = 0;
    virtual void MousePointer(std::int16_t value) = 0;
    virtual PictureRef MouseIcon() const = 0;
    virtual void MouseIcon(PictureRef value) = 0;

    // Gives the widget the keyboard focus; hidden, disabled and windowless
    // widgets refuse with ToolkitCantSetFocus.
    virtual void SetFocus() = 0;
    virtual void Refresh() = 0;

    MouseHandler OnMouseDown;
    MouseHandler OnMouseMove;
    MouseHandler OnMouseUp;
    KeyHandler OnKeyDown;
    KeyPressHandler OnKeyPress;
    KeyHandler OnKeyUp;
    Handler OnGotFocus;
    Handler OnLostFocus;
};

class TextBox : public Widget {
public:
    virtual const std::string& Text() const = 0;
    virtual void Text(std::string value) = 0;  // raises Change
    // Selection in characters (code points) of Text.
    virtual std::int32_t SelStart() const = 0;
    virtual void SelStart(std::int32_t value) = 0;
    virtual std::int32_t SelLength() const = 0;
    virtual void SelLength(std::int32_t value) = 0;
    virtual bool Locked() const = 0;
    virtual void Locked(bool value) = 0;

    Handler OnChange;
};

class Label : public Widget {
public:
    virtual const std::string& Caption() const = 0;
    virtual void Caption(std::string value) = 0;
};

// A push button. A press and release of the left button on it clicks it,
// and so do Space and Enter while it has the focus. The default button of
// a window is also clicked by Enter, and its cancel button by Escape, when
// the widget with the focus leaves the key alone (its handlers do not set
// KeyAscii to 0).
class CommandButton : public Widget {
public:
    virtual const std::string& Caption() const = 0;
    virtual void Caption(std::string value) = 0;
    virtual bool Default() const = 0;
    virtual void Default(bool value) = 0;
    virtual bool Cancel() const = 0;
    virtual void Cancel(bool value) = 0;
    // Drawn as its caption alone, in its colour and font, the way a link is;
    // the focus still shows around it.
    virtual bool Flat() const = 0;
    virtual void Flat(bool value) = 0;

    Handler OnClick;
};

class Image : public Widget {
public:
    virtual PictureRef Picture() const = 0;
    virtual void Picture(PictureRef value) = 0;
};

// Entries are kept in the order they were added; the widget never sorts.
// Indexes are 0-based; entry -1 reads as the empty string.
class ListBox : public Widget {
public:
    static constexpr std::int32_t MaxEntries = 32767;

    virtual void AddItem(std::string_view item) = 0;  // appends; sets NewIndex
    virtual void RemoveItem(std::int32_t index) = 0;
    virtual void Clear() = 0;
    virtual std::string List(std::int32_t index) const = 0;
    virtual void List(std::int32_t index, std::string_view value) = 0;
    virtual std::int32_t ListCount() const = 0;
    virtual std::int32_t NewIndex() const = 0;
    // -1 = no selection. A write that changes the selected entry scrolls it
    // into view and raises Click; an index past the end is refused.
    virtual std::int32_t ListIndex() const = 0;
    virtual void ListIndex(std::int32_t value) = 0;
    // Limited so that the last page stays full.
    virtual std::int32_t TopIndex() const = 0;
    virtual void TopIndex(std::int32_t value) = 0;
    virtual std::int32_t ItemData(std::int32_t index) const = 0;
    virtual void ItemData(std::int32_t index, std::int32_t value) = 0;
    // Puts the entries in a new order, their numbers travelling with them:
    // entry k becomes the entry that was at order[k]. `order` must name
    // every entry once (else nothing changes and the index error is raised).
    // The selection, the top entry and NewIndex keep their numbers; the
    // list is redrawn once.
    virtual void Reorder(const std::vector<std::int32_t>& order) = 0;

    Handler OnClick;
    Handler OnScroll;
};

class Timer : public Widget {
public:
    virtual std::int32_t Interval() const = 0;  // milliseconds; 0 never ticks
    virtual void Interval(std::int32_t value) = 0;

    Handler OnTimer;
};

// The user-control container: the control's own window on the host form.
struct Ambient {
    bool UserMode = true;  // false while the host form is being designed
};

class UserControl : public Widget {
public:
    virtual Hdc hDC() const = 0;
    virtual const tk::Ambient& Ambient() const = 0;
    // Text measurement in the container's font, in twips.
    virtual float TextHeight(std::string_view text) const = 0;
    virtual float TextWidth(std::string_view text) const = 0;
    // Tells the host that a saved property changed.
    virtual void PropertyChanged(std::string_view name) = 0;

    Handler OnResize;
    Handler OnPaint;
};

// A top-level window. Show(1) is modal: it runs a nested event loop and
// returns when the form has been hidden or unloaded.
class Form : public Widget {
public:
    static constexpr int Modeless = 0;
    static constexpr int Modal = 1;

    virtual bool Loaded() const = 0;
    virtual void Load() = 0;
    virtual void Unload() = 0;
    virtual void Show(int modal = Modeless) = 0;
    virtual void Hide() = 0;
    virtual const std::string& Caption() const = 0;
    virtual void Caption(std::string value) = 0;
    virtual PictureRef Icon() const = 0;
    virtual void Icon(PictureRef value) = 0;
    virtual float TextHeight(std::string_view text) const = 0;
    virtual float TextWidth(std::string_view text) const = 0;
    // A dialog: a fixed frame with a title and a close box, no minimise or
    // maximise box.
    virtual bool Dialog() const = 0;
    virtual void Dialog(bool value) = 0;

    Handler OnLoad;
    CancelHandler OnQueryUnload;
    Handler OnActivate;
    Handler OnDeactivate;
};

}  // namespace korvane::tk
