// The events a KorvaneBox raises to its host. Arguments are by reference: a
// handler may change them and the control goes on with what it left (a
// KeyCode or KeyAscii of 0 consumes the key). Events are raised
// synchronously; a handler may call back into the control, and may even
// destroy it.
#pragma once

#include <cstdint>

namespace korvane {

class ucvKorvaneEvents {
public:
    virtual ~ucvKorvaneEvents() = default;

    virtual void Click() {}
    virtual void KeyDown(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) {}
    virtual void KeyPress(std::int16_t& /*KeyAscii*/, std::int16_t& /*Col*/) {}
    virtual void KeyUp(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) {}
    virtual void MouseDown(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/, float& /*Y*/) {}
    virtual void MouseMove(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/, float& /*Y*/) {}
    virtual void MouseUp(std::int16_t& /*Button*/, std::int16_t& /*Shift*/, float& /*X*/, float& /*Y*/) {}
    // AutoFill added the typed pair as a new row (Enter in column 2). A pair
    // the list refuses (the duplicate rule) stays in the fields and raises
    // no Filled.
    virtual void Filled() {}
};

// Event numbers, as late-bound hosts see them.
namespace event_id {
constexpr int Click = 1;
constexpr int KeyDown = 2;
constexpr int KeyPress = 3;
constexpr int KeyUp = 4;
constexpr int MouseDown = 5;
constexpr int MouseMove = 6;
constexpr int MouseUp = 7;
constexpr int Filled = 8;
}  // namespace event_id

}  // namespace korvane
