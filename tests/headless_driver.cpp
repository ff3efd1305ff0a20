// The test driver over the headless desktop: every call goes straight to
// its simulated user, virtual clock and records.
#include "driver.h"

namespace korvane::test {
namespace {

using tk::headless::HeadlessDesktop;

class HeadlessDriver final : public TestDesktop {
public:
    explicit HeadlessDriver(const Options& options) : desktop_(options) {}

    tk::Desktop& Toolkit() override { return desktop_; }
    std::string Face() const override { return "Headless"; }
    HeadlessDesktop* Headless() override { return &desktop_; }

    void SetApp(tk::AppInfo app) override { desktop_.SetApp(std::move(app)); }
    void SetUserLocale(std::string locale) override { desktop_.SetUserLocale(std::move(locale)); }
    void SetMsgBoxAnswer(int answer) override { desktop_.SetMsgBoxAnswer(answer); }
    void SetShellResult(std::intptr_t code) override { desktop_.SetShellResult(code); }
    tk::Hwnd CreateForeignWindow(std::string className, tk::Rect boundsPx) override {
        return desktop_.CreateForeignWindow(std::move(className), boundsPx);
    }
    void Reparent(tk::Widget& child, tk::Hwnd newParent) override { desktop_.Reparent(child, newParent); }

    const std::vector<tk::MessageBoxRecord>& MessageBoxes() const override { return desktop_.MessageBoxes(); }
    std::int32_t Beeps() const override { return desktop_.Beeps(); }
    const std::vector<std::uint32_t>& MessageBeeps() const override { return desktop_.MessageBeeps(); }
    const std::vector<std::int16_t>& PointerHistory() const override { return desktop_.PointerHistory(); }
    const std::vector<tk::PropertyChangeRecord>& PropertyChanges() const override { return desktop_.PropertyChanges(); }
    std::vector<tk::FocusRectRecord> FocusRects() const override { return desktop_.FocusRects(); }
    const std::vector<tk::ShellRequest>& ShellRequests() const override { return desktop_.ShellRequests(); }
    const std::vector<std::string>& Logged() const override { return desktop_.Logged(); }
    void ClearRecords() override { desktop_.ClearRecords(); }

    tk::Widget* Find(std::string_view path) const override { return desktop_.Find(path); }
    tk::Widget* FocusWidget() const override { return desktop_.FocusWidget(); }
    bool IsTopMost(tk::Hwnd window) const override { return desktop_.IsTopMost(window); }
    tk::Rect ScreenRectPx(const tk::Widget& widget) const override { return desktop_.ScreenRectPx(widget); }
    std::int32_t VisibleRows(const tk::ListBox& list) const override { return desktop_.VisibleRows(list); }

    void Advance(std::int64_t ms) override { desktop_.Advance(ms); }
    void Post(std::function<void()> work) override { desktop_.Post(std::move(work)); }
    void OnModal(std::function<void(tk::Form&)> script) override { desktop_.OnModal(std::move(script)); }

    void MouseMove(std::int32_t xPx, std::int32_t yPx) override { desktop_.MouseMove(xPx, yPx); }
    void MouseDown(std::int16_t button) override { desktop_.MouseDown(button); }
    void MouseUp(std::int16_t button) override { desktop_.MouseUp(button); }
    void MoveTo(const tk::Widget& widget, float xTwips, float yTwips) override {
        desktop_.MoveTo(widget, xTwips, yTwips);
    }
    void ClickRow(const tk::ListBox& list, std::int32_t row, std::int16_t button) override {
        desktop_.ClickRow(list, row, button);
    }
    void MoveToRow(const tk::ListBox& list, std::int32_t row) override { desktop_.MoveToRow(list, row); }
    void ScrollTo(tk::ListBox& list, std::int32_t topIndex) override { desktop_.ScrollTo(list, topIndex); }
    void MouseWheel(std::int32_t notches) override { desktop_.MouseWheel(notches); }

    void KeyDown(std::int16_t keyCode) override { desktop_.KeyDown(keyCode); }
    void KeyUp(std::int16_t keyCode) override { desktop_.KeyUp(keyCode); }
    void PressKey(std::int16_t keyCode, std::int16_t shiftState) override { desktop_.PressKey(keyCode, shiftState); }
    void Type(std::string_view text) override { desktop_.Type(text); }
    void Tab(bool backwards) override { desktop_.Tab(backwards); }

private:
    HeadlessDesktop desktop_;
};

}  // namespace

std::unique_ptr<TestDesktop> MakeTestDesktop(const TestDesktop::Options& options) {
    return std::make_unique<HeadlessDriver>(options);
}

}  // namespace korvane::test
