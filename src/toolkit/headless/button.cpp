// The headless push button (its rules are the model's), and Enter and
// Escape that the focused widget leaves alone going to its window's default
// and cancel buttons.
#include "korvane/toolkit/types.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

HeadlessCommandButton::HeadlessCommandButton(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : CommandButtonBase(d, p, std::move(n)) {}

// Enter or Escape left alone by another widget.
void HeadlessDesktop::Impl::PressDialogButton(std::uint64_t from, std::int16_t keyAscii) {
    if (Node* button = DialogButton(from, keyAscii))
        static_cast<HeadlessCommandButton*>(button)->Click();
}

}  // namespace korvane::tk::headless
