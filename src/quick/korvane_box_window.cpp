// The QML KorvaneBox and its window: the font and colours the program did
// not set follow the window's, and the window's input makes the box read
// itself again.
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPalette>
#include <QQuickWindow>
#include <QTimer>

#include "korvane/ucvKorvane.h"
#include "korvane_box_item_p.h"

namespace korvane::quick {

// --- the window's font and palette ------------------------------------------------------

namespace {

// The window's font: an ApplicationWindow's font property, else the
// application's, as a Text item gets it.
QFont WindowFont(QQuickWindow* window) {
    if (window != nullptr) {
        const QVariant font = window->property("font");
        if (font.typeId() == QMetaType::QFont)
            return font.value<QFont>();
    }
    return QGuiApplication::font();
}

// A colour of the window's palette: an ApplicationWindow's palette
// property (whose groups name their colours), else the application's.
QColor WindowColor(QQuickWindow* window, const char* name, QPalette::ColorRole role) {
    if (window != nullptr) {
        if (auto* palette = window->property("palette").value<QObject*>()) {
            const QVariant color = palette->property(name);
            if (color.typeId() == QMetaType::QColor)
                return color.value<QColor>();
        }
    }
    return QGuiApplication::palette().color(QPalette::Active, role);
}

}  // namespace

// The font and the colours the program did not set come from the window,
// as a Text's do, and follow it when the window's or the application's
// change.
void KorvaneBox::FollowWindow() {
    if (control_ == nullptr)
        return;
    QQuickWindow* w = window();
    if (!ownFont_)
        ApplyFont(WindowFont(w));
    const QColor base = WindowColor(w, "base", QPalette::Base);
    const QColor text = WindowColor(w, "text", QPalette::Text);
    bool changed = false;
    if (!ownBackColor_ && base.isValid() && base != backColor())
        changed |= Call("backColor", [&] { control_->Backcolor(tk::Rgb(base.red(), base.green(), base.blue())); });
    if (!ownForeColor_ && text.isValid() && text != foreColor())
        changed |= Call("foreColor", [&] { control_->Forecolor(tk::Rgb(text.red(), text.green(), text.blue())); });
    if (changed)
        emit colorsChanged();
}

// Watches the window the box is in: an ApplicationWindow's font and
// palette signals, and the application's changes, which reach each window.
void KorvaneBox::WatchWindow(QQuickWindow* w) {
    for (const QMetaObject::Connection& c : windowWatch_)
        disconnect(c);
    windowWatch_.clear();
    if (watchedWindow_ != nullptr)
        watchedWindow_->removeEventFilter(this);
    watchedWindow_ = w;
    if (w == nullptr)
        return;
    w->installEventFilter(this);
    const QMetaObject* meta = w->metaObject();
    const QMetaMethod follow = metaObject()->method(metaObject()->indexOfSlot("followWindow()"));
    for (const char* signal : {"fontChanged()", "paletteChanged()"}) {
        const int index = meta->indexOfSignal(signal);
        if (index >= 0)
            windowWatch_.push_back(connect(w, meta->method(index), this, follow));
    }
    if (auto* palette = w->property("palette").value<QObject*>()) {
        const int index = palette->metaObject()->indexOfSignal("changed()");
        if (index >= 0)
            windowWatch_.push_back(connect(palette, palette->metaObject()->method(index), this, follow));
    }
}

// The window's input may have scrolled the box's lists (its scroll bar, the
// wheel), which the control raises no event for: the box reads itself again
// once the input is handled.
bool KorvaneBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_) {
        switch (event->type()) {
            case QEvent::ApplicationFontChange:
            case QEvent::ApplicationPaletteChange:
                FollowWindow();
                break;
            case QEvent::MouseMove:
                // A drag may scroll (a scroll bar's thumb); the pointer
                // passing over the window does not.
                if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton)
                    QueueSync();
                break;
            case QEvent::MouseButtonRelease:
            case QEvent::Wheel:
            case QEvent::KeyRelease:
                QueueSync();
                break;
            default:
                break;
        }
    }
    return QQuickItem::eventFilter(watched, event);
}

void KorvaneBox::QueueSync() {
    if (syncQueued_)
        return;
    syncQueued_ = true;
    QPointer<KorvaneBox> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self == nullptr)
            return;
        self->syncQueued_ = false;
        self->Sync();
    });
}

void KorvaneBox::followWindow() {
    FollowWindow();
}

void KorvaneBox::readAgain() {
    QueueSync();
}

}  // namespace korvane::quick
