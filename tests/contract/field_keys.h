// What a person's keys do in a one-line field on every desktop: typing,
// deleting, the caret keys with and without Shift, select-all and a locked
// field. Stated once, in the toolkit's key codes; each desktop's tests play
// the table with their own input (the headless desktop's PressKey and
// Type, Qt's key events), and add what only a real desktop has.
#pragma once

#include <cstdint>
#include <vector>

#include "korvane/toolkit/types.h"

namespace korvane::tk::contract {

// One key: a key code with its shift state, or a character typed.
struct FieldKey {
    std::int16_t Code = 0;
    std::int16_t Shift = shift::None;
    const char* Typed = nullptr;  // UTF-8; set for a character
};

// A field's text and selection, the keys pressed, and what they leave;
// `Key` is how a desktop's tests spell a key.
template <class Key>
struct FieldKeysCaseOf {
    const char* Name;
    const char* Text;
    std::int32_t SelStart, SelLength;
    bool Locked;
    std::vector<Key> Keys;
    const char* TextAfter;
    std::int32_t SelStartAfter, SelLengthAfter;
    int Changes;  // Change is raised once per edit
};
using FieldKeysCase = FieldKeysCaseOf<FieldKey>;

inline FieldKey Typed(const char* text) {
    return {0, shift::None, text};
}

inline const std::vector<FieldKeysCase>& FieldKeysCases() {
    static const std::vector<FieldKeysCase> cases = {
        {"typing inserts at the caret", "abc", 1, 0, false, {Typed("x"), Typed("y")}, "axybc", 3, 0, 2},
        {"typing replaces the selection", "abcdef", 1, 3, false, {Typed("z")}, "azef", 2, 0, 1},
        {"a character past U+FFFF is one",
         "ab",
         1,
         0,
         false,
         {Typed("\xF0\x9F\x98\x80"), {key::Left}},
         "a\xF0\x9F\x98\x80"
         "b",
         1,
         0,
         1},
        {"Shift+Left selects backwards",
         "abcdef",
         4,
         0,
         false,
         {{key::Left, shift::Shift}, {key::Left, shift::Shift}},
         "abcdef",
         2,
         2,
         0},
        {"Shift+Right after Shift+Left gives back",
         "abcdef",
         4,
         0,
         false,
         {{key::Left, shift::Shift}, {key::Left, shift::Shift}, {key::Right, shift::Shift}},
         "abcdef",
         3,
         1,
         0},
        {"Shift+End selects to the end", "abcdef", 2, 0, false, {{key::End, shift::Shift}}, "abcdef", 2, 4, 0},
        {"Shift+Home selects to the start", "abcdef", 2, 0, false, {{key::Home, shift::Shift}}, "abcdef", 0, 2, 0},
        {"Ctrl+A selects everything", "abcdef", 2, 0, false, {{'A', shift::Ctrl}}, "abcdef", 0, 6, 0},
        {"Left leaves a selection at its start", "abcdef", 1, 3, false, {{key::Left}}, "abcdef", 1, 0, 0},
        {"Right leaves a selection at its end", "abcdef", 1, 3, false, {{key::Right}}, "abcdef", 4, 0, 0},
        {"Home and End", "abcdef", 3, 0, false, {{key::Home}, {key::Right}, {key::End}}, "abcdef", 6, 0, 0},
        {"Delete takes the character after the caret", "abc", 1, 0, false, {{key::Delete}}, "ac", 1, 0, 1},
        {"Backspace takes the character before it",
         "a\xF0\x9F\x98\x80"
         "b",
         2,
         0,
         false,
         {{key::Back}},
         "ab",
         1,
         0,
         1},
        {"Delete takes the selection", "abcdef", 1, 3, false, {{key::Delete}}, "aef", 1, 0, 1},
        {"typing over a selection made with Shift",
         "abcdef",
         5,
         0,
         false,
         {{key::Left, shift::Shift}, {key::Left, shift::Shift}, Typed("Z")},
         "abcZf",
         4,
         0,
         1},
        {"a locked field selects but does not change",
         "abcdef",
         3,
         0,
         true,
         {Typed("x"), {key::Back}, {key::Delete}, {key::Left, shift::Shift}},
         "abcdef",
         2,
         1,
         0},
    };
    return cases;
}

}  // namespace korvane::tk::contract
