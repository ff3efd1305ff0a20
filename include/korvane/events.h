/// @file
/// The events a KorvaneBox raises to its host. Arguments are by reference: a
/// handler may change them and the control goes on with what it left (a
/// KeyCode or KeyAscii of 0 consumes the key). Events are raised
/// synchronously; a handler may call back into the control, and may even
/// destroy it.
#pragma once

#include <cstdint>

#include "korvane/korvane_export.h"

namespace korvane {

/// Receives the events of one KorvaneBox. Derive from it, override the
/// events you want and pass the object to ucvKorvane::Advise; every event
/// you leave alone does nothing.
///
/// Events arrive synchronously on the thread that drives the desktop, while
/// the control is in the middle of the user's gesture or the host's call
/// that caused them. A handler may call any member of the control, and may
/// destroy it; the control then stops the gesture at once. An exception a
/// handler throws leaves the event and reaches whoever called into the
/// control (the host's call, or the desktop's event dispatch).
class KORVANE_EXPORT ucvKorvaneEvents {
public:
    virtual ~ucvKorvaneEvents() = default;

    /// A row was chosen: the user picked one (a click on a row, Enter in the
    /// open list, an arrow key in a field or on the closed Dropdown List;
    /// an arrow key in Simple Combo's lists moves the row without it) or the
    /// host wrote ucvKorvane::ListIndex (also with the row already current). Raised after the fields show the row,
    /// so ucvKorvane::ListIndex and ucvKorvane::Text already give it; not
    /// raised while the control is Locked.
    virtual void Click() {}
    /// A key went down while a field or list of the control had the focus.
    /// @param KeyCode the key (korvane::tk::key); set it to 0 to swallow the
    ///                key, or to another code for the control to act on.
    /// @param Shift   the shift state (korvane::tk::shift bits); may be changed.
    virtual void KeyDown([[maybe_unused]] std::int16_t& KeyCode, [[maybe_unused]] std::int16_t& Shift) {}
    /// A character was typed into one of the control's fields (Dropdown
    /// Combo and Simple Combo; Enter is not reported here).
    /// @param KeyAscii the character's code point (one past U+7FFF arrives
    ///                 as '?'; 8 is Backspace, 13 is Enter); set it to 0 to
    ///                 drop it, or to another character to type that one
    ///                 instead.
    /// @param Col      the column the character goes to, 1 or 2; the control
    ///                 ignores a changed value.
    virtual void KeyPress([[maybe_unused]] std::int16_t& KeyAscii, [[maybe_unused]] std::int16_t& Col) {}
    /// A key went up while a field or list of the control had the focus.
    /// @param KeyCode the key (korvane::tk::key); may be changed.
    /// @param Shift   the shift state (korvane::tk::shift bits); may be changed.
    virtual void KeyUp([[maybe_unused]] std::int16_t& KeyCode, [[maybe_unused]] std::int16_t& Shift) {}
    /// A mouse button went down over the control.
    /// @param Button the button (korvane::tk::button bits).
    /// @param Shift  the shift state (korvane::tk::shift bits).
    /// @param X,Y    where, in twips from the control's top-left corner.
    virtual void MouseDown([[maybe_unused]] std::int16_t& Button, [[maybe_unused]] std::int16_t& Shift,
                           [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
    /// The pointer moved over the control; the arguments are those of
    /// MouseDown, Button holding the buttons that are down.
    virtual void MouseMove([[maybe_unused]] std::int16_t& Button, [[maybe_unused]] std::int16_t& Shift,
                           [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
    /// A mouse button went up over the control; the arguments are those of
    /// MouseDown.
    virtual void MouseUp([[maybe_unused]] std::int16_t& Button, [[maybe_unused]] std::int16_t& Shift,
                         [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
    /// With AutoFill set, the user pressed Enter in column 2 and the typed
    /// pair of texts was added as a new row (ucvKorvane::NewIndex gives it).
    /// A pair the list refuses (the duplicate rule) stays in the fields,
    /// beeps and raises no Filled.
    virtual void Filled() {}
    /// With a SearchMode set, what the user typed changed the rows shown:
    /// only the rows the query finds show in the drop-down or in Simple
    /// Combo's lists (every row again when the field was emptied). The
    /// rows themselves and their indexes do not change.
    /// @param Matches how many rows show; the control ignores a changed value.
    virtual void SearchChanged([[maybe_unused]] std::int32_t& Matches) {}
};

/// Event numbers, as late-bound hosts see them (korvane::component::EventSink).
namespace event_id {
constexpr int Click = 1;          ///< ucvKorvaneEvents::Click
constexpr int KeyDown = 2;        ///< ucvKorvaneEvents::KeyDown
constexpr int KeyPress = 3;       ///< ucvKorvaneEvents::KeyPress
constexpr int KeyUp = 4;          ///< ucvKorvaneEvents::KeyUp
constexpr int MouseDown = 5;      ///< ucvKorvaneEvents::MouseDown
constexpr int MouseMove = 6;      ///< ucvKorvaneEvents::MouseMove
constexpr int MouseUp = 7;        ///< ucvKorvaneEvents::MouseUp
constexpr int Filled = 8;         ///< ucvKorvaneEvents::Filled
constexpr int SearchChanged = 9;  ///< ucvKorvaneEvents::SearchChanged
}  // namespace event_id

}  // namespace korvane
