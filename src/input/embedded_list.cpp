// The always-visible lists of Simple Combo: two list boxes that must look
// like one two-column list. They keep the same top row and highlight, choose
// the current row with the mouse (at the press and at the release), put the
// stored row back while the control is locked, and move with the
// navigation keys (letters move neither list).
#include "control/guards.h"
#include "control/navigation.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

namespace {

// The row to show as selected: the current row, or none when the current
// row names a row the list does not have (a restored index before the host
// added its rows).
std::int32_t StoredRowFor(const ucvKorvane::Private& d, const tk::ListBox& list) {
    return d.currentRow < list.ListCount() ? d.currentRow : -1;
}

struct EmbeddedList {
    ucvKorvane::Private& d;
    tk::ListBox& self;
    tk::ListBox& other;
    std::int16_t column;

    void Sync() {
        d.lstCol1a->ListIndex(StoredRowFor(d, *d.lstCol1a));
        d.lstCol2a->ListIndex(StoredRowFor(d, *d.lstCol2a));
        if (column == 1) {
            d.lstCol2a->TopIndex(d.lstCol1a->TopIndex());
        } else {
            d.lstCol1a->TopIndex(d.lstCol2a->TopIndex());
        }
    }

    void Scroll() {
        other.TopIndex(self.TopIndex());
        d.topRow = self.TopIndex();
    }

    void Click() {
        if (d.locked)
            Sync();
    }

    void MouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
        if (d.Busy())
            return;
        if (d.style == StyleType::SimpleCombo && !d.RaiseMouseDown(button, shift, x, y))
            return;
        if (d.locked) {
            Sync();
        } else if (button == tk::button::Left && self.ListIndex() >= 0) {
            d.q.ListIndex(self.ListIndex());
        }
    }

    void MouseMove(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
        if (d.style == StyleType::SimpleCombo && !d.RaiseMouseMove(button, shift, x, y))
            return;
        if (d.locked) {
            self.ListIndex(StoredRowFor(d, self));
        } else {
            Scroll();
            other.ListIndex(self.ListIndex());
        }
    }

    void MouseUp(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
        if (d.style == StyleType::SimpleCombo && !d.RaiseMouseUp(button, shift, x, y))
            return;
        if (button == tk::button::Left && shift == tk::shift::None && self.ListIndex() >= 0)
            d.q.ListIndex(self.ListIndex());
    }

    void KeyDown(std::int16_t& keyCode, std::int16_t& shift) {
        const bool simple = d.style == StyleType::SimpleCombo;
        if (d.locked) {
            if (simple)
                d.RaiseKeyDown(keyCode, shift);
            return;
        }
        const std::int32_t cur = self.ListIndex();
        std::int32_t next = cur;
        if (detail::IsListNavigationKey(keyCode)) {
            const std::int16_t key = keyCode;
            keyCode = 0;
            auto moved = detail::RowAfterKey(self, key, detail::KeysOf::List);
            if (!moved)
                return;
            next = *moved;
        } else if (keyCode == tk::key::Delete) {
            if (cur == -1 || self.ListCount() == 0) {
                keyCode = 0;
                return;
            }
        } else {
            // The list's own keys (letters) would move it alone.
            keyCode = 0;
            return;
        }
        // Unlike a field's key, a key in the lists moves the row without Click.
        d.MoveCurrentRowByKey({d.lstCol1a.get(), d.lstCol2a.get()}, next);
        if (simple)
            d.RaiseKeyDown(keyCode, shift);
    }
};

void Wire(ucvKorvane::Private& d, tk::ListBox& self, tk::ListBox& other, std::int16_t column) {
    auto list = std::make_shared<EmbeddedList>(EmbeddedList{d, self, other, column});
    self.OnScroll = [list] { list->Scroll(); };
    self.OnClick = [list] { list->Click(); };
    self.OnMouseDown = [list](std::int16_t& b, std::int16_t& s, float& x, float& y) { list->MouseDown(b, s, x, y); };
    self.OnMouseMove = [list](std::int16_t& b, std::int16_t& s, float& x, float& y) { list->MouseMove(b, s, x, y); };
    self.OnMouseUp = [list](std::int16_t& b, std::int16_t& s, float& x, float& y) { list->MouseUp(b, s, x, y); };
    self.OnKeyDown = [list](std::int16_t& k, std::int16_t& s) { list->KeyDown(k, s); };
    // Characters would start the list's own first-letter jump, which moves
    // this list alone; the rows move by the navigation keys only.
    self.OnKeyPress = [](std::int16_t& keyAscii) { keyAscii = 0; };
    self.OnKeyUp = [&d](std::int16_t& k, std::int16_t& s) {
        if (d.style == StyleType::SimpleCombo)
            d.RaiseKeyUp(k, s);
    };
}

}  // namespace

void ucvKorvane::Private::WireEmbeddedList() {
    Wire(*this, *lstCol1a, *lstCol2a, 1);
    Wire(*this, *lstCol2a, *lstCol1a, 2);
}

}  // namespace korvane
