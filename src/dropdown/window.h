// The drop-down window: a top-level form with two list boxes side by side,
// lstCol1 and lstCol2, that hold the rows of the two drop-down styles. It
// tracks the pointer, handles the navigation keys and closes on a click,
// Enter, Escape or deactivation, leaving the chosen row in ListIndex and
// Selected for the control to take over. It never calls the control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "korvane/toolkit/desktop.h"

namespace korvane::detail {

class Window {
public:
    explicit Window(tk::Desktop& desktop);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    tk::Form& Form() const { return *form_; }
    tk::ListBox& lstCol1() const { return *lstCol1_; }
    tk::ListBox& lstCol2() const { return *lstCol2_; }

    void HideChildForm();
    // The control removed row `index` (or every row): the row the window
    // holds follows its row, or is dropped with it, and a chosen row that is
    // gone is no longer handed over.
    void RowRemoved(std::int32_t index);
    void RowsCleared();
    // True when the open window was closed by another window taking the
    // activation within the press that is being handled: that press was
    // meant to close it, not to open it again. A close by Escape, Enter or
    // a chosen row never counts, nor does a deactivation by an earlier
    // press. Asking clears it.
    bool TakeClosedByDeactivation();
    void lstCol1_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);

    // While set (a search opened the window as the user types), another
    // window taking the activation does not close it, and the pointer over
    // it does not take the focus from the field; hiding clears it.
    void StayOpen(bool value) { stayOpen_ = value; }
    bool StaysOpen() const { return stayOpen_; }
    // Told when the window hides, as the last step of hiding.
    void OnHidden(std::function<void()> handler) { onHidden_ = std::move(handler); }

    bool FlagShowList() const { return flagShowList_; }
    void FlagShowList(bool value) { flagShowList_ = value; }
    bool Modal() const { return modal_; }
    void Modal(bool value) { modal_ = value; }
    void Locked(bool value) { locked_ = value; }
    bool IsLocked() const { return locked_; }
    std::int32_t ListIndex() const { return listIndex_; }
    void ListIndex(std::int32_t value);
    void cFont(tk::FontRef value) { cFont_ = std::move(value); }
    const tk::FontRef& cFont() const { return cFont_; }
    std::int32_t TopIndex() const { return topIndex_; }
    void TopIndex(std::int32_t value) { topIndex_ = value; }
    void cBackcolor(tk::OleColor value) { cBackcolor_ = value; }
    tk::OleColor cBackcolor() const { return cBackcolor_; }
    void cForecolor(tk::OleColor value) { cForecolor_ = value; }
    tk::OleColor cForecolor() const { return cForecolor_; }
    bool Selected() const { return selected_; }
    void Selected(bool value) { selected_ = value; }
    // Told of each row the user highlights with the pointer or the keys,
    // as the last step of that input: the handler may destroy the window.
    void OnHighlighted(std::function<void(std::int32_t row)> handler) { onHighlighted_ = std::move(handler); }

private:
    void SyncLists(std::int16_t mode);
    // The window's row, or -1 when its lists no longer have it.
    std::int32_t RowInLists() const;
    void ListMouseMove(tk::ListBox& self, tk::ListBox& other, float y);
    void ListMouseDown(tk::ListBox& self, std::int16_t button, std::int16_t shift, std::int16_t syncMode);
    void ListKeyDown(tk::ListBox& self, tk::ListBox& other, std::int16_t& keyCode, std::int16_t shift);
    void MoveByKey(tk::ListBox& self, tk::ListBox& other, std::int16_t& keyCode);
    void ListKeyPress(tk::ListBox& self, std::int16_t& keyAscii);
    // Moves both lists to `row`; true when the highlighted row changed.
    bool MoveLists(tk::ListBox& self, tk::ListBox& other, std::int32_t row);
    void TellHighlighted(std::int32_t row);
    void Wire();

    tk::Desktop& desktop_;
    std::unique_ptr<tk::Form> form_;
    std::unique_ptr<tk::ListBox> lstCol1_;
    std::unique_ptr<tk::ListBox> lstCol2_;

    // Members, in the window's order.
    tk::FontRef cFont_;
    tk::OleColor cBackcolor_ = 0;
    tk::OleColor cForecolor_ = 0;
    bool locked_ = false;
    bool modal_ = false;
    std::int32_t listIndex_ = -1;
    std::int32_t topIndex_ = 0;
    bool flagShowList_ = false;
    std::int32_t rowHeight_ = 0;
    bool selected_ = false;
    tk::Hwnd focusHandle_ = 0;
    bool hiding_ = false;              // the window is hiding itself
    std::uint64_t deactivatedBy_ = 0;  // the press whose deactivation closed it; 0 none
    std::function<void(std::int32_t)> onHighlighted_;
    bool stayOpen_ = false;
    std::function<void()> onHidden_;
};

}  // namespace korvane::detail
