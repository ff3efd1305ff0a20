// The test driver over the Qt desktop. Input goes through Qt's own event
// delivery, as the window system's would: the mouse and the keys enter at
// the window (window_system_driver.h), a wheel turn is a QWheelEvent sent
// to the widget under the pointer, a scroll bar drag moves the list's own
// scroll bar. The desktop runs on a manual clock that only Advance moves;
// message boxes and documents opened are recorded and answered, never
// shown or started.
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include "korvane/toolkit/qt.h"
#include "toolkit/qt/widget_kinds.h"
#include "window_system_driver.h"

namespace korvane::test {
namespace {

using tk::qt::QtDesktop;

class QtDriver final : public DesktopDriver<QtDesktop> {
public:
    explicit QtDriver(const Options&) : DesktopDriver({}) { ParkPointer(); }

    ~QtDriver() override {
        Release();
        foreign_.clear();
        ParkPointer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::string Face() const override { return "Qt"; }

    tk::Hwnd CreateForeignWindow(std::string className, tk::Rect r) override {
        auto window = std::make_unique<QWidget>();
        window->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        window->show();
        const tk::Hwnd h = desktop_.AdoptForeignWindow(*window, std::move(className));
        foreign_.push_back(std::move(window));
        Settle();
        return h;
    }

    // The thumb is dragged to the row: the list's own scroll bar moves as
    // under a person's drag. A list nobody can see or reach is left alone.
    void ScrollTo(tk::ListBox& list, std::int32_t topIndex) override {
        Gesture([&] {
            auto* node = dynamic_cast<tk::qt::QtListBox*>(&list);
            auto* area = qobject_cast<QAbstractScrollArea*>(desktop_.WidgetOf(list));
            if (node == nullptr || area == nullptr || !area->isVisible() || !area->isEnabled())
                return;
            QScrollBar* bar = area->verticalScrollBar();
            const int value = node->Filtered() ? std::max(0, node->ShownPosition(topIndex)) : topIndex;
            bar->setSliderDown(true);
            bar->setSliderPosition(value);
            bar->setSliderDown(false);
        });
    }

    void MouseWheel(std::int32_t notches) override {
        Gesture([&] {
            QWidget* top = TopAt(x_, y_);
            if (top == nullptr)
                return;
            if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != top)
                return;
            const QPoint global(x_, y_);
            QWidget* under = top->childAt(top->mapFromGlobal(global));
            if (under == nullptr)
                under = top;
            const QPointF local = under->mapFromGlobal(QPointF(global));
            QWheelEvent wheel(local, QPointF(global), QPoint(), QPoint(0, 120 * notches), buttons_, QtModifiers(held_),
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(under, &wheel);
        });
    }

protected:
    // The window under a screen point: a popup, then the modal window (it
    // takes the input, the others are blocked), then top-most windows, the
    // active window and the rest.
    QWindow* WindowAt(std::int32_t x, std::int32_t y) const override {
        QWidget* top = TopAt(x, y);
        return top != nullptr ? top->windowHandle() : nullptr;
    }

    // Keys go to the window that has Qt's focus, and there to its focus
    // widget; while none has it, to the window of the desktop's focus.
    QWindow* KeyWindow() const override {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup->windowHandle();
        if (QWindow* focused = QGuiApplication::focusWindow())
            return focused;
        tk::Widget* focus = desktop_.FocusWidget();
        QWidget* w = focus != nullptr ? desktop_.WidgetOf(*focus) : nullptr;
        return w != nullptr ? w->window()->windowHandle() : nullptr;
    }

    std::optional<float> RowCentre(const tk::ListBox& list, std::int32_t row) const override {
        return RowCentreOf(dynamic_cast<const tk::qt::QtListBox*>(&list), row);
    }

private:
    static QWidget* TopAt(std::int32_t x, std::int32_t y) {
        const QPoint at(x, y);
        auto holds = [&](QWidget* w) { return w != nullptr && w->isVisible() && w->frameGeometry().contains(at); };
        if (QWidget* popup = QApplication::activePopupWidget(); holds(popup))
            return popup;
        QWidget* best = nullptr;
        int bestRank = -1;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!holds(w) || w->windowHandle() == nullptr)
                continue;
            int rank = 0;
            if ((w->windowFlags() & Qt::WindowStaysOnTopHint) != 0)
                rank = 2;
            else if (w == QApplication::activeWindow())
                rank = 1;
            if (rank > bestRank) {
                best = w;
                bestRank = rank;
            }
        }
        return best;
    }

    std::vector<std::unique_ptr<QWidget>> foreign_;
};

}  // namespace

std::unique_ptr<TestDesktop> MakeTestDesktop(const TestDesktop::Options& options) {
    return std::make_unique<QtDriver>(options);
}

}  // namespace korvane::test
