// The headless list box: the model's list box measured in the headless
// fonts; its Click and Scroll are raised on the virtual desktop.
#include "widget_kinds.h"

namespace korvane::tk::headless {

HeadlessListBox::HeadlessListBox(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : ListBoxModel(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    RequestHeight(1035);
}

float HeadlessListBox::RowPx() const {
    return desk->Metrics(*font).LineHeightPx;
}

float HeadlessListBox::TwipsPerPixelY() const {
    return desk != nullptr ? desk->Tpy() : 0;
}

void HeadlessListBox::RaiseClick() {
    Fire(*this, OnClick);
}

void HeadlessListBox::RaiseScroll() {
    Fire(*this, OnScroll);
}

}  // namespace korvane::tk::headless
