// The test driver over the Qt Quick desktop. The mouse and the keys enter
// at the window under the pointer or with the focus as the window
// system's events do (tests/qt/window_system_driver.h), so Qt Quick's own
// grabs, hover, focus and modal blocking decide which item takes them; a
// wheel turn is a QWheelEvent the window delivers to the item under the
// pointer, and a drag of a list's scroll bar scrolls the list as the drag
// would. The desktop runs on a manual clock that only Advance moves;
// message boxes and documents opened are recorded and answered, never
// shown or started.
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "korvane/toolkit/quick.h"
#include "qt/window_system_driver.h"
#include "toolkit/quick/widget_kinds.h"

namespace korvane::test {
namespace {

using tk::quick::QuickDesktop;

class QuickDriver final : public DesktopDriver<QuickDesktop> {
public:
    // The lists' scroll bars are as wide as the headless desktop's.
    explicit QuickDriver(const Options& options) : DesktopDriver(Lists(options)) { ParkPointer(); }

    ~QuickDriver() override {
        Release();
        foreign_.clear();
        ParkPointer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::string Face() const override { return "Quick"; }

    // Another program's window is a scene of a host's: a window whose
    // content holds one item the size of the window, which the desktop
    // adopts as the foreign window.
    tk::Hwnd CreateForeignWindow(std::string className, tk::Rect r) override {
        auto window = std::make_unique<QQuickWindow>();
        window->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        auto* scene = new QQuickItem(window->contentItem());
        scene->setSize(QSizeF(r.Right - r.Left, r.Bottom - r.Top));
        window->show();
        const tk::Hwnd h = desktop_.AdoptForeignItem(*scene, std::move(className));
        foreign_.push_back(std::move(window));
        Settle();
        return h;
    }

    // The list scrolls as under a person's drag of its thumb to the row. A
    // list nobody can see or reach is left alone.
    void ScrollTo(tk::ListBox& list, std::int32_t topIndex) override {
        Gesture([&] {
            auto* node = dynamic_cast<tk::quick::QuickListBox*>(&list);
            QQuickItem* item = desktop_.ItemOf(list);
            if (node == nullptr || item == nullptr || !item->isVisible() || !item->isEnabled())
                return;
            node->UserScroll(node->Filtered() ? std::max(0, node->ShownPosition(topIndex)) : topIndex);
        });
    }

    void MouseWheel(std::int32_t notches) override {
        Gesture([&] {
            QWindow* window = WindowAt(x_, y_);
            if (window == nullptr)
                return;
            if (QWindow* modal = QGuiApplication::modalWindow(); modal != nullptr && modal != window)
                return;
            const QPointF global(x_, y_);
            const QPointF local = global - QPointF(window->geometry().topLeft());
            QWheelEvent wheel(local, global, QPoint(), QPoint(0, 120 * notches), buttons_, QtModifiers(held_),
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(window, &wheel);
        });
    }

protected:
    // The window under a screen point: top-most windows (the drop-down),
    // then the active window, then the rest. Qt blocks what a modal window
    // keeps from the others.
    QWindow* WindowAt(std::int32_t x, std::int32_t y) const override {
        const QPoint at(x, y);
        QWindow* best = nullptr;
        int bestRank = -1;
        for (QWindow* w : QGuiApplication::topLevelWindows()) {
            if (!w->isVisible() || !w->geometry().contains(at))
                continue;
            int rank = 0;
            if ((w->flags() & Qt::WindowStaysOnTopHint) != 0)
                rank = 2;
            else if (w == QGuiApplication::focusWindow())
                rank = 1;
            if (rank > bestRank) {
                best = w;
                bestRank = rank;
            }
        }
        return best;
    }

    // Keys go to the window that has Qt's focus, and there to its active
    // focus item; while none has it, to the window of the desktop's focus.
    QWindow* KeyWindow() const override {
        if (QWindow* focused = QGuiApplication::focusWindow())
            return focused;
        tk::Widget* focus = desktop_.FocusWidget();
        QQuickItem* item = focus != nullptr ? desktop_.ItemOf(*focus) : nullptr;
        return item != nullptr ? item->window() : nullptr;
    }

    std::optional<float> RowCentre(const tk::ListBox& list, std::int32_t row) const override {
        return RowCentreOf(dynamic_cast<const tk::quick::QuickListBox*>(&list), row);
    }

private:
    static QuickDesktop::Options Lists(const Options& options) {
        QuickDesktop::Options quick;
        quick.ScrollBarPx = options.ScrollBarWidthPx;
        return quick;
    }

    std::vector<std::unique_ptr<QQuickWindow>> foreign_;
};

}  // namespace

std::unique_ptr<TestDesktop> MakeTestDesktop(const TestDesktop::Options& options) {
    return std::make_unique<QuickDriver>(options);
}

}  // namespace korvane::test
