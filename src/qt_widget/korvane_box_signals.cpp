// KorvaneBox's signals: the control's events turned into Qt's (activated,
// highlighted, filled, clicked), the change signals of every property,
// found by comparing the control with what was last reported, and the key
// and mouse events of the box's parts offered to the box's own filters and
// handlers before the control sees them.
//
// Every emission may meet a slot that destroys the widget or throws: the
// widget checks it is still alive after each one, and nothing a slot
// throws travels on into the control or the event loop.
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <exception>
#include <functional>

#include "korvane_box_p.h"

namespace korvane::qt {

namespace {

bool IsKeyOrMouse(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            return false;
    }
}

// Watches the box's parts (fields, labels, button, lists) for key and mouse
// events, and new parts as they come.
class PartsFilter final : public QObject {
public:
    // `offer` hands an event on to the box; true when the box took it.
    explicit PartsFilter(std::function<bool(QWidget&, QEvent&)> offer) : offer_(std::move(offer)) {}

    void Watch(QObject& part) {
        part.installEventFilter(this);
        for (QObject* child : part.children()) {
            if (child->isWidgetType())
                Watch(*child);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child != nullptr && child->isWidgetType())
                Watch(*child);
            return false;
        }
        if (!IsKeyOrMouse(event->type()) || !watched->isWidgetType())
            return false;
        // A window of a part's own (a field's context menu) keeps its keys:
        // Escape there closes the menu, not the dialog around the box.
        auto* part = static_cast<QWidget*>(watched);
        if (part->isWindow())
            return false;
        return offer_(*part, *event);
    }

private:
    std::function<bool(QWidget&, QEvent&)> offer_;
};

}  // namespace

// --- the change signals ----------------------------------------------------------------------

Snapshot KorvaneBox::Private::Take() const {
    Snapshot s;
    s.style = static_cast<int>(control->Style());
    s.listIndex = control->ListIndex();
    s.text = control->Text();
    s.text1 = control->TextCol(1);
    s.text2 = control->TextCol(2);
    s.locked = control->Locked();
    s.autoFill = control->AutoFill();
    s.searchMode = control->SearchMode();
    s.searchColumns = control->SearchColumns();
    s.widthCol1 = control->WidthCol1();
    s.widthCol2 = control->WidthCol2();
    s.listHeight = control->ListHeight();
    s.topIndex = control->TopIndex();
    s.back = control->Backcolor();
    s.fore = control->Forecolor();
    return s;
}

// Emits a signal for each value that changed since the last look, in the
// order a QComboBox user expects (the row, then its texts). A slot may
// destroy the widget; then nothing more goes out.
void KorvaneBox::Private::Notify() {
    if (!control)
        return;
    Snapshot now;
    try {
        now = Take();
    } catch (const std::exception& e) {
        qCWarning(lcKorvaneQt, "KorvaneBox: %s", e.what());
        return;
    }
    const Snapshot before = last;
    last = now;
    QPointer<KorvaneBox> alive(&q);
    KorvaneBox* box = &q;
    auto go = [&](bool changed, auto&& emitIt) {
        if (!changed || !alive)
            return;
        try {
            emitIt();
        } catch (const std::exception& e) {
            qCWarning(lcKorvaneQt, "KorvaneBox: a slot threw: %s", e.what());
        }
    };
    // Everything read from this object is read before the first signal: a
    // slot may destroy the widget and this with it.
    auto px = [&](int twips) { return ToPx(static_cast<float>(twips)); };
    const int w1Px = px(now.widthCol1), w1PxBefore = px(before.widthCol1);
    const int w2Px = px(now.widthCol2), w2PxBefore = px(before.widthCol2);
    const int lhPx = px(now.listHeight), lhPxBefore = px(before.listHeight);
    go(now.style != before.style, [&] { emit box->boxStyleChanged(static_cast<Style>(now.style)); });
    go(now.listIndex != before.listIndex, [&] { emit box->currentIndexChanged(now.listIndex); });
    go(now.listIndex != before.listIndex, [&] { emit box->listIndexChanged(now.listIndex); });
    go(now.text1 != before.text1, [&] { emit box->editTextChanged(1, FromUtf8(now.text1)); });
    go(now.text2 != before.text2, [&] { emit box->editTextChanged(2, FromUtf8(now.text2)); });
    go(now.text != before.text, [&] { emit box->textChanged(FromUtf8(now.text)); });
    go(now.locked != before.locked, [&] { emit box->lockedChanged(now.locked); });
    go(now.autoFill != before.autoFill, [&] { emit box->autoFillChanged(now.autoFill); });
    go(now.searchMode != before.searchMode, [&] { emit box->searchModeChanged(now.searchMode); });
    go(now.searchColumns != before.searchColumns, [&] { emit box->searchColumnsChanged(now.searchColumns); });
    go(w1Px != w1PxBefore, [&] { emit box->column1WidthChanged(w1Px); });
    go(now.widthCol1 != before.widthCol1, [&] { emit box->widthCol1Changed(now.widthCol1); });
    go(w2Px != w2PxBefore, [&] { emit box->column2WidthChanged(w2Px); });
    go(now.widthCol2 != before.widthCol2, [&] { emit box->widthCol2Changed(now.widthCol2); });
    go(lhPx != lhPxBefore, [&] { emit box->listViewHeightChanged(lhPx); });
    go(now.listHeight != before.listHeight, [&] { emit box->listHeightChanged(now.listHeight); });
    go(now.topIndex != before.topIndex, [&] { emit box->topIndexChanged(now.topIndex); });
    go(now.back != before.back, [&] { emit box->backColorChanged(ToQColor(now.back)); });
    go(now.fore != before.fore, [&] { emit box->foreColorChanged(ToQColor(now.fore)); });
    const bool resized = now.style != before.style || now.widthCol1 != before.widthCol1 ||
                         now.widthCol2 != before.widthCol2 || now.listHeight != before.listHeight;
    if (resized && alive) {
        box->d->Fit();
        box->d->UpdateFocusProxy();
    }
}

// After the control's key and mouse events: what the user changed is read
// once the control has finished with the input (a typed character is in
// the field only after KeyPress).
void KorvaneBox::Private::QueueNotify() {
    if (notifyQueued)
        return;
    notifyQueued = true;
    QTimer::singleShot(0, &q, [this] {
        notifyQueued = false;
        Notify();
    });
}

// --- the control's events ------------------------------------------------------------------

template <class F>
void KorvaneBox::Private::Raise(const char* what, F&& emitIt) {
    QPointer<KorvaneBox> alive(&q);
    Nesting event(q, inEvent);
    try {
        emitIt(alive);
    } catch (const std::exception& e) {
        qCWarning(lcKorvaneQt, "KorvaneBox: a handler of %s threw: %s", what, e.what());
    }
}

// The row is in the fields by the time the control raises Click, so the
// change signals go out first, as QComboBox's currentIndexChanged goes out
// before its activated.
void KorvaneBox::Private::Click() {
    const bool byUser = programCalls == 0;
    Raise("Click", [&](const QPointer<KorvaneBox>& alive) {
        Notify();
        if (!alive)
            return;
        const int row = control->ListIndex();
        emit q.clicked();
        if (alive && byUser)
            emit q.activated(row);
        if (alive && hostSink != nullptr)
            hostSink->Click();
    });
}

void KorvaneBox::Private::Filled() {
    Raise("Filled", [&](const QPointer<KorvaneBox>& alive) {
        Notify();
        if (!alive)
            return;
        emit q.filled(control->NewIndex());
        if (alive && hostSink != nullptr)
            hostSink->Filled();
    });
}

void KorvaneBox::Private::SearchChanged(std::int32_t& matches) {
    const std::int32_t shown = matches;
    Raise("SearchChanged", [&](const QPointer<KorvaneBox>& alive) {
        emit q.searchChanged(shown);
        if (alive && hostSink != nullptr) {
            std::int32_t copy = shown;
            hostSink->SearchChanged(copy);
        }
        if (alive)
            QueueNotify();
    });
}

void KorvaneBox::Private::Highlighted(std::int32_t row) {
    Raise("the drop-down's highlight", [&](const QPointer<KorvaneBox>&) { emit q.highlighted(row); });
}

// The key and mouse events go to an advised sink only; Qt programs see
// them as events of the box (Offer). What they changed is read afterwards;
// a move changes nothing.
template <class Call>
void KorvaneBox::Private::ToSink(const char* what, bool changes, Call&& call) {
    Raise(what, [&](const QPointer<KorvaneBox>& alive) {
        if (hostSink != nullptr)
            call(*hostSink);
        if (changes && alive)
            QueueNotify();
    });
}

void KorvaneBox::Private::KeyDown(std::int16_t& code, std::int16_t& shift) {
    ToSink("KeyDown", true, [&](ucvKorvaneEvents& sink) { sink.KeyDown(code, shift); });
}
void KorvaneBox::Private::KeyUp(std::int16_t& code, std::int16_t& shift) {
    ToSink("KeyUp", true, [&](ucvKorvaneEvents& sink) { sink.KeyUp(code, shift); });
}
void KorvaneBox::Private::KeyPress(std::int16_t& ascii, std::int16_t& col) {
    ToSink("KeyPress", true, [&](ucvKorvaneEvents& sink) { sink.KeyPress(ascii, col); });
}
void KorvaneBox::Private::MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) {
    ToSink("MouseDown", true, [&](ucvKorvaneEvents& sink) { sink.MouseDown(b, s, x, y); });
}
void KorvaneBox::Private::MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) {
    ToSink("MouseMove", false, [&](ucvKorvaneEvents& sink) { sink.MouseMove(b, s, x, y); });
}
void KorvaneBox::Private::MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) {
    ToSink("MouseUp", true, [&](ucvKorvaneEvents& sink) { sink.MouseUp(b, s, x, y); });
}

// --- the parts' input, offered to the box first --------------------------------------------

void KorvaneBox::Private::WatchParts() {
    if (!partsFilter)
        partsFilter = std::make_unique<PartsFilter>(
            [this](QWidget& part, QEvent& event) { return !forwarding && Offer(part, event); });
    auto& filter = static_cast<PartsFilter&>(*partsFilter);
    for (QObject* child : q.children()) {
        if (child->isWidgetType())
            filter.Watch(*child);
    }
}

// A list the user scrolls (by its scroll bar or the wheel) moves the
// control's top row with no event of the control: the change is read once
// the scroll has settled, as after a key.
void KorvaneBox::Private::WatchScrolling() {
    for (QScrollBar* bar : q.findChildren<QScrollBar*>()) {
        if (bar->property("korvaneWatched").toBool())
            continue;
        bar->setProperty("korvaneWatched", true);
        QObject::connect(bar, &QAbstractSlider::valueChanged, &q, [this] { QueueNotify(); });
    }
}

bool KorvaneBox::Private::Offer(QWidget& part, QEvent& event) {
    std::unique_ptr<QEvent> copy;
    if (event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease) {
        copy.reset(event.clone());
    } else {
        const auto& m = static_cast<const QMouseEvent&>(event);
        copy =
            std::make_unique<QMouseEvent>(m.type(), part.mapTo(&q, m.position()), m.scenePosition(), m.globalPosition(),
                                          m.button(), m.buttons(), m.modifiers(), m.pointingDevice());
    }
    QPointer<KorvaneBox> alive(&q);
    forwarding = true;
    forwardTaken = true;  // stays so when a filter of the box eats the copy
    try {
        QCoreApplication::sendEvent(&q, copy.get());
    } catch (const std::exception& e) {
        qCWarning(lcKorvaneQt, "KorvaneBox: a handler of a key or mouse event threw: %s", e.what());
    }
    if (!alive)
        return true;  // the box and its parts are going away
    forwarding = false;
    if (forwardTaken)
        return true;
    return event.type() == QEvent::KeyPress && DialogTakes(static_cast<const QKeyEvent&>(event));
}

// As in any dialog of Qt's: Escape rejects it, and Enter presses its
// default button when it has one; where there is none the control's own
// rules for Enter apply. Either may close or destroy the dialog and the box
// with it, so nothing is touched afterwards.
bool KorvaneBox::Private::DialogTakes(const QKeyEvent& key) {
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if ((!enter && key.key() != Qt::Key_Escape) || (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* dialog = qobject_cast<QDialog*>(q.window());
    if (dialog == nullptr)
        return false;
    if (!enter) {
        dialog->reject();
        return true;
    }
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

bool KorvaneBox::event(QEvent* event) {
    if (d && d->forwarding && IsKeyOrMouse(event->type())) {
        QPointer<KorvaneBox> alive(this);
        event->ignore();
        switch (event->type()) {
            case QEvent::KeyPress:
                keyPressEvent(static_cast<QKeyEvent*>(event));
                break;
            case QEvent::KeyRelease:
                keyReleaseEvent(static_cast<QKeyEvent*>(event));
                break;
            case QEvent::MouseButtonPress:
                mousePressEvent(static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseButtonRelease:
                mouseReleaseEvent(static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseButtonDblClick:
                mouseDoubleClickEvent(static_cast<QMouseEvent*>(event));
                break;
            default:
                mouseMoveEvent(static_cast<QMouseEvent*>(event));
                break;
        }
        if (alive)
            d->forwardTaken = event->isAccepted();
        // Taken or not, the copy goes no further: the part itself, not the
        // box's parents, handles what the box leaves.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ToolTipChange && d && d->control)
        d->Write(
            "toolTip", [&] { d->control->ToolTipText(Utf8(toolTip())); }, Private::Caller::Widget);
    return QWidget::event(event);
}

}  // namespace korvane::qt
