// Support for the tests on the Qt desktop: a host form with one control on
// a real X server, waiting on conditions while Qt's event loop runs, input
// from outside the program through xdotool, and screenshots into the
// folder named by KORVANE_SCREENSHOTS.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"
#include "support.h"

namespace korvane::test {

using tk::qt::QtDesktop;

// Runs Qt's events until `done` holds or `timeoutMs` have passed; true
// when it held.
inline bool WaitUntil(QtDesktop& desktop, const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        desktop.ProcessEventsFor(5);
    }
    return true;
}

// Input from outside the program, as a person's: the X server delivers it
// to whichever window is under the pointer or has the focus.
inline void Xdo(const std::string& args) {
    const std::string command = "xdotool " + args;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// How much of a window the X server shows as the window drew itself: the
// share of the pixels of the screen's copy (the root window's, what a
// person sees) that are within a few levels of the widget's own rendering.
// A window the server never received a picture for (all black) scores
// near 0.
inline double ShownAsDrawn(QWidget* w) {
    QImage drawn = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect g(w->mapToGlobal(QPoint(0, 0)), w->size());
    QScreen* screen = w->screen();
    if (screen == nullptr || drawn.isNull())
        return 0;
    const QImage seen =
        screen->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage().convertToFormat(QImage::Format_RGB32);
    if (seen.isNull() || seen.width() == 0)
        return 0;
    if (drawn.size() != seen.size())
        drawn = drawn.scaled(seen.size());
    long same = 0;
    for (int y = 0; y < seen.height(); ++y) {
        for (int x = 0; x < seen.width(); ++x) {
            const QRgb a = seen.pixel(x, y), b = drawn.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= 24)
                ++same;
        }
    }
    return static_cast<double>(same) / (static_cast<double>(seen.width()) * seen.height());
}

// What the X server shows of a rectangle of the screen (what a person
// sees), saved as a PNG into the folder KORVANE_SCREENSHOTS names, when the
// test run names one.
inline QImage ScreenShot(const QRect& onScreen, const QString& name) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QImage shot =
        screen->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height()).toImage();
    const QByteArray dir = qgetenv("KORVANE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        shot.save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
    return shot;
}

inline QRect OnScreen(const QWidget* w) {
    return {w->mapToGlobal(QPoint(0, 0)), w->size()};
}

inline bool HaveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

// A press and release of the left button in the middle of a widget, sent
// straight to it (for tests that are not about where input comes from).
inline void SendClick(QWidget* w, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF centre(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(w, &release);
}

// One host form at (leftPx, topPx) with one control created from saved
// properties (its style and AutoFill among them), shown and active.
class QtHost {
public:
    struct Options {
        StyleType Style = StyleType::DropdownCombo;
        bool AutoFill = false;
        int LeftPx = 100;
        int TopPx = 100;
        int ControlLeftPx = 20;
        int ControlTopPx = 20;
        bool HostFieldFirst = false;  // a text box of the host's ahead of the control in tab order
        bool Fill = true;
    };

    explicit QtHost(Options options) : options_(options) {
        desktop.RecordMessageBoxes(true);
        const float tpp = desktop.TwipsPerPixelX();
        form = desktop.CreateForm("Form1");
        form->Caption("Korvane test");
        form->Left(static_cast<float>(options.LeftPx) * tpp);
        form->Top(static_cast<float>(options.TopPx) * tpp);
        form->Width(480 * tpp);
        form->Height(300 * tpp);
        if (options.HostFieldFirst) {
            hostField = desktop.CreateTextBox(*form, "txtHost");
            hostField->Left(20 * tpp);
            hostField->Top(240 * tpp);
            hostField->Width(100 * tpp);
            hostField->Height(315);
        }
        Site site;
        site.Left = static_cast<float>(options.ControlLeftPx) * tpp;
        site.Top = static_cast<float>(options.ControlTopPx) * tpp;
        control = std::make_unique<ucvKorvane>(*form, site);
        control->Advise(&recorder);
        const bool simple = options.Style == StyleType::SimpleCombo;
        control->Container().Width(4240);
        control->Container().Height(simple ? 2130.0f : 330.0f);
        tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(options.Style));
        bag.Set("WidthCol1", static_cast<std::int32_t>(900));
        bag.Set("WidthCol2", static_cast<std::int32_t>(3000));
        bag.Set("AutoFill", options.AutoFill);
        control->ReadProperties(bag);
        if (options.Fill) {
            const char* rows[][2] = {{"CHF", "Swiss franc"},    {"DKK", "Danish krone"},    {"EUR", "Euro"},
                                     {"GBP", "Pound sterling"}, {"JPY", "Japanese yen"},    {"NOK", "Norwegian krone"},
                                     {"SEK", "Swedish krona"},  {"USD", "US dollar"},       {"CZK", "Czech koruna"},
                                     {"PLN", "Polish zloty"},   {"HUF", "Hungarian forint"}};
            std::int32_t id = 0;
            for (const auto& row : rows)
                control->AddItem(row[0], row[1], ++id * 10);
        }
        form->Show();
        Settle();
        recorder.Clear();
    }

    ~QtHost() {
        control.reset();
        hostField.reset();
        form.reset();
        desktop.ProcessEventsFor(20);
    }

    // Runs events until the form is the active window on the X server, so
    // that input from outside reaches it.
    void Settle() {
        QWidget* w = desktop.WidgetOf(*form);
        WaitUntil(desktop, [&] { return w->isActiveWindow() && w->isVisible(); });
        desktop.ProcessEventsFor(50);
    }

    tk::Widget& Widget(const std::string& name) {
        tk::Widget* w = desktop.Find("Form1." + control->Container().Name() + "." + name);
        if (w == nullptr)
            w = desktop.Find("Window." + name);
        if (w == nullptr)
            throw std::runtime_error("no widget " + name);
        return *w;
    }
    tk::ListBox& List(const std::string& name) { return dynamic_cast<tk::ListBox&>(Widget(name)); }
    tk::TextBox& Text(const std::string& name) { return dynamic_cast<tk::TextBox&>(Widget(name)); }
    tk::Form& DropDown() { return dynamic_cast<tk::Form&>(*desktop.Find("Window")); }
    bool DropDownOpen() {
        tk::Widget* w = desktop.Find("Window");
        return w != nullptr && w->Visible() && desktop.WidgetOf(*w)->isVisible();
    }

    // The centre of a widget, or of a list's row, in screen pixels.
    std::pair<int, int> Centre(const tk::Widget& w) {
        const tk::Rect r = desktop.ScreenRectPx(w);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    std::pair<int, int> RowCentre(tk::ListBox& list, int row) {
        const tk::Rect r = desktop.ScreenRectPx(list);
        const float rowPx = form->TextHeight("X") / static_cast<float>(desktop.TwipsPerPixelY());
        const float y = 1 + (static_cast<float>(row - list.TopIndex()) + 0.5f) * rowPx;
        return {r.Left + 30, r.Top + static_cast<int>(y)};
    }
    void MoveTo(std::pair<int, int> at) {
        Xdo("mousemove " + std::to_string(at.first) + " " + std::to_string(at.second));
    }
    void ClickAt(std::pair<int, int> at) {
        MoveTo(at);
        Xdo("click 1");
    }

    // Saves the form and an open drop-down as a PNG into the screenshot
    // folder, when the test run names one.
    void Shot(const std::string& name) {
        const char* dir = std::getenv("KORVANE_SCREENSHOTS");
        if (dir == nullptr || *dir == '\0')
            return;
        std::system((std::string("mkdir -p '") + dir + "'").c_str());
        desktop.ProcessEventsFor(150);
        tk::Rect r = desktop.ScreenRectPx(*form);
        if (DropDownOpen()) {
            const tk::Rect d = desktop.ScreenRectPx(DropDown());
            r = {std::min(r.Left, d.Left), std::min(r.Top, d.Top), std::max(r.Right, d.Right),
                 std::max(r.Bottom, d.Bottom)};
        }
        EXPECT_TRUE(desktop.SaveScreenPng(r, std::string(dir) + "/" + name + ".png")) << name;
    }

    QtDesktop desktop;
    std::unique_ptr<tk::Form> form;
    std::unique_ptr<tk::TextBox> hostField;
    EventRecorder recorder;
    std::unique_ptr<ucvKorvane> control;

private:
    Options options_;
};

}  // namespace korvane::test
