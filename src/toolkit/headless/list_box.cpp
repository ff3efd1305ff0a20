// The headless list box: the model's list box, measured in the headless
// fonts and sized like a fresh list box of the classic toolkits.
#include "widget_kinds.h"

namespace korvane::tk::headless {

HeadlessListBox::HeadlessListBox(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : ListBoxModel(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    RequestHeight(1035);
}

}  // namespace korvane::tk::headless
