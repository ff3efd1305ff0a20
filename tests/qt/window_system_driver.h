// What the drivers over the two Qt desktops (tests/qt/qt_driver.cpp on Qt
// Widgets, tests/quick/quick_driver.cpp on Qt Quick) share: a person's
// mouse and keys entering Qt as the window system's events do (QtGui's
// qt_handleMouseEvent and qt_handleKeyEvent, the entries Qt's own test
// library uses), so grabs, popups, modal windows, enter and leave,
// shortcuts and the focus decide where they land. Each driver says which
// window is under a point and which window takes the keys. Both desktops
// answer the driver's other calls alike (DesktopDriver): a manual clock,
// posted work, modal scripts, message boxes and documents recorded and
// answered, never shown or started.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QWindow>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "driver.h"

namespace korvane::test {

// The Qt modifiers of the control's shift bits.
Qt::KeyboardModifiers QtModifiers(std::int16_t shiftState);

class WindowSystemDriver : public TestDesktop {
public:
    void MouseMove(std::int32_t xPx, std::int32_t yPx) override;
    void MouseDown(std::int16_t button) override;
    void MouseUp(std::int16_t button) override;
    void MoveTo(const tk::Widget& widget, float xTwips, float yTwips) override;
    void ClickRow(const tk::ListBox& list, std::int32_t row, std::int16_t button) override;
    void MoveToRow(const tk::ListBox& list, std::int32_t row) override;

    void KeyDown(std::int16_t keyCode) override;
    void KeyUp(std::int16_t keyCode) override;
    void PressKey(std::int16_t keyCode, std::int16_t shiftState) override;
    void Type(std::string_view text) override;
    void Tab(bool backwards) override;

protected:
    // The top-level window under a screen point (the one a press there
    // reaches), and the window the keys go to; nullptr for none.
    virtual QWindow* WindowAt(std::int32_t x, std::int32_t y) const = 0;
    virtual QWindow* KeyWindow() const = 0;
    // The middle of a row of a list in twips of the list; nullopt for a
    // row not on view.
    virtual std::optional<float> RowCentre(const tk::ListBox& list, std::int32_t row) const = 0;

    // The middle of a row, below the list's one-pixel top frame; a row
    // scrolled out of view is not scrolled in, and a row the list does not
    // have is no place at all. `ListT` is a face's list box on the model's.
    template <class ListT>
    std::optional<float> RowCentreOf(const ListT* node, std::int32_t row) const {
        if (node == nullptr)
            return std::nullopt;
        const std::int32_t at = node->ShownPosition(row);
        if (at < 0)
            return std::nullopt;
        const float offset = static_cast<float>(std::int64_t{at} - node->FirstShown()) + 0.5f;
        return (offset * node->RowPx() + 1.0f) * static_cast<float>(TwipsPerPixelY());
    }

    // Runs what Qt has queued (the window system's answers among it), as
    // the event loop does between a person's gestures.
    static void Settle();
    // Runs one gesture; once the outermost is over, the event loop turns
    // and deletes what was left for it.
    template <typename F>
    void Gesture(F&& gesture) {
        {
            const Depth depth(depth_);
            Settle();
            gesture();
        }
        if (depth_ == 0)
            SettleAndDelete();
    }
    // Qt delivers no move to where its pointer already is, and keeps the
    // window under it: each test starts with the pointer in the screen's
    // corner, where no test puts a window, as if the person had moved it
    // away between two sessions.
    void ParkPointer();
    // Releases what a test left held, so the next test starts with no
    // button down.
    void Release();

    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    Qt::MouseButtons buttons_;
    std::int16_t held_ = 0;
    std::int16_t pressShift_ = 0;

private:
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    };
    static void SettleAndDelete();
    void Send(QWindow* window, QEvent::Type type, Qt::MouseButton button);
    void SendKey(QEvent::Type type, std::int16_t keyCode);

    QPointer<QWindow> pressed_;
    int depth_ = 0;
    // The window system's event time runs on through the whole program:
    // Qt keeps the last one it saw.
    static inline int timestamp_ = 1000;
};

// The calls every Qt desktop answers alike, for a driver over `DesktopT`
// (QtDesktop, QuickDesktop), made on a manual clock.
template <class DesktopT>
class DesktopDriver : public WindowSystemDriver {
public:
    explicit DesktopDriver(typename DesktopT::Options options) : desktop_(Manual(std::move(options))) {
        desktop_.RecordMessageBoxes(true, 1);
        desktop_.AnswerShellRequests(42);
    }

    tk::Desktop& Toolkit() override { return desktop_; }

    void SetApp(tk::AppInfo app) override { desktop_.SetApp(std::move(app)); }
    void SetUserLocale(std::string locale) override { desktop_.SetUserLocale(std::move(locale)); }
    void SetMsgBoxAnswer(int answer) override { desktop_.RecordMessageBoxes(true, answer); }
    void SetShellResult(std::intptr_t code) override { desktop_.AnswerShellRequests(code); }
    void Reparent(tk::Widget& child, tk::Hwnd newParent) override {
        desktop_.Reparent(child, newParent);
        Settle();
    }

    const std::vector<tk::MessageBoxRecord>& MessageBoxes() const override { return Records().MessageBoxes; }
    std::int32_t Beeps() const override { return Records().Beeps; }
    const std::vector<std::uint32_t>& MessageBeeps() const override { return Records().MessageBeeps; }
    const std::vector<std::int16_t>& PointerHistory() const override { return Records().PointerHistory; }
    const std::vector<tk::PropertyChangeRecord>& PropertyChanges() const override { return Records().PropertyChanges; }
    // Every rectangle drawn since the records were cleared, as the
    // headless desktop keeps them.
    std::vector<tk::FocusRectRecord> FocusRects() const override { return Records().FocusRectCalls; }
    const std::vector<tk::ShellRequest>& ShellRequests() const override { return Records().ShellRequests; }
    const std::vector<std::string>& Logged() const override { return Records().Logged; }
    void ClearRecords() override { desktop_.ClearRecords(); }

    tk::Widget* Find(std::string_view path) const override { return desktop_.Find(path); }
    tk::Widget* FocusWidget() const override { return desktop_.FocusWidget(); }
    bool IsTopMost(tk::Hwnd window) const override { return desktop_.IsTopMost(window); }
    tk::Rect ScreenRectPx(const tk::Widget& widget) const override { return desktop_.ScreenRectPx(widget); }
    std::int32_t VisibleRows(const tk::ListBox& list) const override { return desktop_.VisibleRows(list); }

    void Advance(std::int64_t ms) override {
        Gesture([&] { desktop_.Advance(ms); });
    }
    void Post(std::function<void()> work) override { desktop_.Post(std::move(work)); }
    void OnModal(std::function<void(tk::Form&)> script) override { desktop_.OnModal(std::move(script)); }

protected:
    DesktopT desktop_;

private:
    static typename DesktopT::Options Manual(typename DesktopT::Options options) {
        options.ManualClock = true;
        return options;
    }
    const tk::DesktopRecords& Records() const { return desktop_.Records(); }
};

}  // namespace korvane::test
