// The Qt push button: a QPushButton raising the toolkit's events, clicked
// by a left press and release on it, Space or Enter; a flat one paints its
// caption alone, like a link, with the focus drawn around it. Enter and
// Escape that another widget leaves alone go to the window's default and
// cancel buttons.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "widget_kinds.h"

namespace korvane::tk::qt {

ButtonWidget::ButtonWidget(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

void ButtonWidget::paintEvent(QPaintEvent* e) {
    auto* button = dynamic_cast<QtCommandButton*>(node);
    if (button == nullptr || button->desk == nullptr || !button->flat)
        return QPushButton::paintEvent(e);
    QPainter p(this);
    p.setFont(ToQFont(*button->font));
    p.setPen(ToQColor(button->fore));
    p.drawText(rect().adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               ToQ(button->caption));
    if (hasFocus()) {
        QPen pen(ToQColor(button->fore));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// Space and Enter on the button click it; Escape goes to the window's
// cancel button.
void ButtonWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e, [](std::int16_t, std::int16_t) {},
        [this](std::int16_t ascii, bool) {
            if (ascii == key::Space || ascii == key::Return) {
                if (auto* button = dynamic_cast<QtCommandButton*>(node))
                    button->Click();
            }
        });
}
void ButtonWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}
void ButtonWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        setDown(true);
    Mouse(*this, *e, MouseEvent::Down);
}
void ButtonWidget::mouseMoveEvent(QMouseEvent* e) {
    if ((e->buttons() & Qt::LeftButton) != 0)
        setDown(rect().contains(e->position().toPoint()));
    Mouse(*this, *e, MouseEvent::Move);
}
// A click is a left press and release on the button.
void ButtonWidget::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = e->button() == Qt::LeftButton && isDown() && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        setDown(false);
    if (!Mouse(*this, *e, MouseEvent::Up) || !click)
        return;
    if (auto* button = dynamic_cast<QtCommandButton*>(node))
        Guarded([&] { button->Click(); });
}
void ButtonWidget::focusInEvent(QFocusEvent* e) {
    QPushButton::focusInEvent(e);
    FocusIn(*this);
}

QtCommandButton::QtCommandButton(QtDesktop::Impl& d, Node& p, std::string n) : CommandButtonBase(d, p, std::move(n)) {
    Attach(new ButtonWidget(p.Q()));
}

void QtCommandButton::LookChanged() {
    if (auto* w = static_cast<QPushButton*>(Q())) {
        w->setText(ToQ(caption));
        w->setDefault(isDefault);
        w->setFlat(flat);
        w->update();
    }
}

void QtDesktop::Impl::PressDialogButton(std::uint64_t from, std::int16_t keyAscii) {
    if (Node* button = DialogButton(from, keyAscii))
        static_cast<QtCommandButton*>(button)->Click();
}

}  // namespace korvane::tk::qt
