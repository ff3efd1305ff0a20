// What the KorvaneBox widget's tests share: running Qt's events for a while
// or until a condition holds, finding the box's parts and its open
// drop-down, and typing a key as a person does.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
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

}  // namespace korvane::test
