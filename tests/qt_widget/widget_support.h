// What the KorvaneBox widget's tests share: running Qt's events for a while
// or until a condition holds, finding the box's parts and its open
// drop-down, typing a key as a person does, and screenshots taken from the
// X server.
#pragma once

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <functional>

#include "korvane/qt/KorvaneBox.h"

namespace korvane::test {

// Runs Qt's events (deferred deletions too) until `done` holds or the time
// is up.
inline bool Until(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Runs Qt's events for `ms` milliseconds.
inline void Pump(int ms) {
    Until([] { return false; }, ms);
}

// A part of the box by its name ("txtCol1", "imgCombo", ...).
inline QWidget* Child(qt::KorvaneBox& box, const char* name) {
    return box.findChild<QWidget*>(QString::fromLatin1(name));
}

// The open drop-down: a tool window on the screen.
inline QWidget* DropDownWindow() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && (top->windowFlags() & Qt::Tool) == Qt::Tool)
            return top;
    }
    return nullptr;
}

inline bool DropDownShown() {
    return DropDownWindow() != nullptr;
}

// The drop-down's first list, while it is open.
inline QWidget* DropDownList() {
    QWidget* window = DropDownWindow();
    return window != nullptr ? window->findChild<QWidget*>(QStringLiteral("lstCol1")) : nullptr;
}

// A key pressed and released on `to`; the release goes nowhere when the
// press destroyed the widget.
inline void SendKey(QWidget* to, int key, const QString& text = {}, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QPointer<QWidget> alive(to);
    QKeyEvent press(QEvent::KeyPress, key, m, text);
    QApplication::sendEvent(to, &press);
    if (!alive)
        return;
    QKeyEvent release(QEvent::KeyRelease, key, m, text);
    QApplication::sendEvent(to, &release);
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

}  // namespace korvane::test
