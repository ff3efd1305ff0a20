// The drop-down window's behaviour: keeping its two lists aligned, hover
// selection, commit by click or Enter, Escape, deactivation and the
// navigation keys. While it moves its own lists it holds the busy flag, so
// the control's handlers ignore those moves.
#include "dropdown/window.h"

#include <cmath>

#include "control/guards.h"
#include "control/navigation.h"

namespace korvane::detail {

Window::Window(tk::Desktop& desktop) : desktop_(desktop) {
    form_ = desktop_.CreateForm("Window");
    lstCol1_ = desktop_.CreateListBox(*form_, "lstCol1");
    lstCol2_ = desktop_.CreateListBox(*form_, "lstCol2");
    lstCol1_->AccessibleRole(tk::Role::RowList);
    lstCol2_->AccessibleRole(tk::Role::RowListColumn);
    // As designed: lstCol2 lies over the right-hand strip of lstCol1, where
    // lstCol1's scroll bar would be, so only one scroll bar shows.
    lstCol1_->Left(0);
    lstCol1_->Top(0);
    lstCol1_->Width(1100);
    lstCol1_->Height(1785);
    lstCol2_->Left(1070);
    lstCol2_->Top(0);
    lstCol2_->Width(3140);
    lstCol2_->Height(1785);
    Wire();
}

Window::~Window() {
    // Handlers capture this window; the lists may outlive it for a moment
    // while the members are torn down.
    for (tk::ListBox* list : {lstCol1_.get(), lstCol2_.get()}) {
        list->OnClick = nullptr;
        list->OnMouseMove = nullptr;
        list->OnMouseDown = nullptr;
        list->OnKeyDown = nullptr;
        list->OnKeyPress = nullptr;
        list->OnScroll = nullptr;
    }
    form_->OnDeactivate = nullptr;
}

void Window::Wire() {
    form_->OnDeactivate = [this] {
        // Only another window taking the activation from the open drop-down
        // counts, not the window hiding itself after Escape, Enter or a
        // chosen row.
        if (stayOpen_)
            return;
        if (flagShowList_ && !hiding_)
            deactivatedBy_ = desktop_.PressCount();
        HideChildForm();
    };
    lstCol1_->OnClick = [this] {
        if (locked_)
            SyncLists(1);
    };
    lstCol2_->OnClick = [this] {
        if (locked_)
            SyncLists(2);
    };
    lstCol1_->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float& y) {
        ListMouseMove(*lstCol1_, *lstCol2_, y);
    };
    lstCol2_->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float& y) {
        ListMouseMove(*lstCol2_, *lstCol1_, y);
    };
    lstCol1_->OnMouseDown = [this](std::int16_t& b, std::int16_t& s, float&, float&) {
        ListMouseDown(*lstCol1_, b, s, 1);
    };
    lstCol2_->OnMouseDown = [this](std::int16_t& b, std::int16_t& s, float&, float&) {
        ListMouseDown(*lstCol2_, b, s, 2);
    };
    lstCol1_->OnKeyDown = [this](std::int16_t& k, std::int16_t& s) { ListKeyDown(*lstCol1_, *lstCol2_, k, s); };
    lstCol2_->OnKeyDown = [this](std::int16_t& k, std::int16_t& s) { ListKeyDown(*lstCol2_, *lstCol1_, k, s); };
    lstCol1_->OnKeyPress = [this](std::int16_t& a) { ListKeyPress(*lstCol1_, a); };
    lstCol2_->OnKeyPress = [this](std::int16_t& a) { ListKeyPress(*lstCol2_, a); };
    lstCol2_->OnScroll = [this] {
        lstCol1_->TopIndex(lstCol2_->TopIndex());
        topIndex_ = lstCol2_->TopIndex();
    };
}

bool Window::TakeClosedByDeactivation() {
    // The press being handled is the one that took the activation away when
    // no press has come in since. A later press, however soon, is the
    // user's next wish.
    const bool same = deactivatedBy_ != 0 && deactivatedBy_ == desktop_.PressCount();
    deactivatedBy_ = 0;
    return same;
}

void Window::ListIndex(std::int32_t value) {
    listIndex_ = value;
    SyncLists(0);
}

void Window::RowRemoved(std::int32_t index) {
    if (listIndex_ == index) {
        listIndex_ = -1;
        selected_ = false;
    } else if (listIndex_ > index) {
        --listIndex_;
    }
}

void Window::RowsCleared() {
    listIndex_ = -1;
    topIndex_ = 0;
    selected_ = false;
}

std::int32_t Window::RowInLists() const {
    return listIndex_ < lstCol1_->ListCount() && listIndex_ < lstCol2_->ListCount() ? listIndex_ : -1;
}

void Window::SyncLists(std::int16_t mode) {
    lstCol1_->ListIndex(RowInLists());
    lstCol2_->ListIndex(RowInLists());
    if (mode == 1) {
        lstCol2_->TopIndex(lstCol1_->TopIndex());
    } else if (mode == 2) {
        lstCol1_->TopIndex(lstCol2_->TopIndex());
    } else {
        const std::int32_t top = topIndex_ < lstCol1_->ListCount() ? topIndex_ : 0;
        lstCol1_->TopIndex(top);
        lstCol2_->TopIndex(top);
    }
}

void Window::HideChildForm() {
    FlagGuard busy(g_Busy(desktop_));
    if (form_->Visible()) {
        FlagGuard hiding(hiding_);
        form_->Hide();
    }
    flagShowList_ = false;
    stayOpen_ = false;
    if (!selected_) {
        // What the user only hovered over is dropped.
        lstCol1_->ListIndex(RowInLists());
        lstCol2_->ListIndex(RowInLists());
    }
    if (onHidden_) {
        auto tell = onHidden_;
        tell();
    }
}

void Window::ListMouseMove(tk::ListBox& self, tk::ListBox& other, float y) {
    if (self.ListCount() == 0)
        return;
    bool moved = false;
    try {
        if (locked_) {
            self.ListIndex(listIndex_);
            return;
        }
        FlagGuard busy(g_Busy(desktop_));
        if (cFont_)
            form_->Font(cFont_);
        rowHeight_ = static_cast<std::int32_t>(std::nearbyint(form_->TextHeight("T")));
        if (rowHeight_ <= 0)
            return;
        auto row = static_cast<std::int32_t>(std::floor(y / static_cast<float>(rowHeight_))) + self.TopIndex();
        if (self.Filtered()) {
            // A search's view: the row drawn there, or none past the last.
            const std::int32_t below = static_cast<std::int32_t>(std::floor(y / static_cast<float>(rowHeight_)));
            row = self.ShownEntry(self.ShownPosition(self.TopIndex()) + below);
            if (row < 0)
                return;
        }
        moved = MoveLists(self, other, row);
        focusHandle_ = desktop_.GetFocus();
        if (focusHandle_ != self.hWnd() && !stayOpen_)
            self.SetFocus();
    } catch (const std::exception&) {
        // A row past the last one, or a list that refuses the focus: the
        // pointer just selects nothing new.
    }
    if (moved)
        TellHighlighted(self.ListIndex());
}

bool Window::MoveLists(tk::ListBox& self, tk::ListBox& other, std::int32_t row) {
    const std::int32_t before = self.ListIndex();
    self.ListIndex(static_cast<std::int16_t>(row));
    other.ListIndex(self.ListIndex());
    return self.ListIndex() != before && self.ListIndex() != -1;
}

// The last step of the input that moved the highlight: the handler may
// destroy the window, so nothing of it is touched afterwards.
void Window::TellHighlighted(std::int32_t row) {
    if (!onHighlighted_)
        return;
    auto tell = onHighlighted_;
    tell(row);
}

void Window::ListMouseDown(tk::ListBox& self, std::int16_t button, std::int16_t shift, std::int16_t syncMode) {
    if (g_Busy(desktop_))
        return;
    // Every step goes on after a failing one.
    auto step = [](auto&& f) { ContinueOnError(f); };
    if (locked_) {
        step([&] { selected_ = false; });
        step([&] { SyncLists(syncMode); });
        step([&] { HideChildForm(); });
        return;
    }
    if (button != tk::button::Left || shift != tk::shift::None)
        return;
    step([&] {
        if (self.ListIndex() != -1) {
            selected_ = true;
            listIndex_ = self.ListIndex();
        } else {
            selected_ = false;
        }
    });
    step([&] { HideChildForm(); });
}

// The closed Dropdown List's box moves the rows as the open list would.
void Window::lstCol1_KeyDown(std::int16_t& KeyCode, std::int16_t& /*Shift*/) {
    MoveByKey(*lstCol1_, *lstCol2_, KeyCode);
}

// In the open list F4, Alt+Up and Alt+Down close it as Escape does; the
// other keys move the row.
void Window::ListKeyDown(tk::ListBox& self, tk::ListBox& other, std::int16_t& keyCode, std::int16_t shift) {
    if (IsCloseKey(keyCode, shift)) {
        keyCode = 0;
        selected_ = false;
        HideChildForm();
        return;
    }
    MoveByKey(self, other, keyCode);
}

void Window::MoveByKey(tk::ListBox& self, tk::ListBox& other, std::int16_t& keyCode) {
    if (locked_) {
        keyCode = 0;
        return;
    }
    // The open list only highlights the row; closing it chooses the row.
    auto next = RowAfterKey(self, keyCode, KeysOf::List);
    // Every key is consumed, so the list box's own handling never moves it.
    keyCode = 0;
    bool moved = false;
    {
        FlagGuard busy(g_Busy(desktop_));
        if (next)
            moved = MoveLists(self, other, *next);
    }
    if (moved)
        TellHighlighted(self.ListIndex());
}

void Window::ListKeyPress(tk::ListBox& self, std::int16_t& keyAscii) {
    if (keyAscii == tk::key::Return) {
        if (locked_) {
            selected_ = false;
        } else if (self.ListIndex() != -1) {
            selected_ = true;
            listIndex_ = self.ListIndex();
        } else {
            selected_ = false;
        }
        HideChildForm();
    } else if (keyAscii == tk::key::Escape) {
        selected_ = false;
        HideChildForm();
    } else {
        // A list box's own first-letter jump would move this list alone, and
        // Enter would then commit a row the other column never showed. The
        // drop-down moves by the navigation keys only, as the lists of Simple
        // Combo do.
        keyAscii = 0;
    }
}

}  // namespace korvane::detail
