// The simple widget kinds on Qt Quick: labels, push buttons, images (the
// control's drop-down button is a picture named "Combo..." drawn as a
// button with an arrow) and timers on the desktop's clock.
#include <QPainter>
#include <QPainterPath>

#include "../qt/conversions.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

using qt::ToQ;
using qt::ToQColor;
using qt::ToQFont;

namespace {

QColor Grey(const QColor& c) {
    return QColor((c.red() + 2 * 128) / 3, (c.green() + 2 * 128) / 3, (c.blue() + 2 * 128) / 3);
}

// A raised (or, pressed, sunken) box in the widget's colours.
void PaintBevel(QPainter& p, const QRectF& r, const QColor& face, bool sunken) {
    p.fillRect(r, face);
    const QColor light = face.lighter(150), dark = face.darker(160);
    p.setPen(sunken ? dark : light);
    p.drawLine(r.topLeft(), QPointF(r.right() - 1, r.top()));
    p.drawLine(r.topLeft(), QPointF(r.left(), r.bottom() - 1));
    p.setPen(sunken ? light : dark);
    p.drawLine(QPointF(r.left(), r.bottom() - 1), QPointF(r.right() - 1, r.bottom() - 1));
    p.drawLine(QPointF(r.right() - 1, r.top()), QPointF(r.right() - 1, r.bottom() - 1));
}

}  // namespace

// --- Label ------------------------------------------------------------------------

QuickLabel::QuickLabel(QuickDesktop::Impl& d, Node& p, std::string n) : LabelBase(d, p, std::move(n)) {
    MakeItem();
}

void QuickLabel::Paint(QPainter& painter) {
    Node::Paint(painter);
    painter.setFont(ToQFont(*font));
    const QColor ink = ToQColor(fore);
    painter.setPen(enabled ? ink : Grey(ink));
    painter.drawText(QRectF(1, 0, item->width() - 1, item->height()), Qt::AlignLeft | Qt::AlignVCenter, ToQ(caption));
}

// --- CommandButton ---------------------------------------------------------------------

QuickCommandButton::QuickCommandButton(QuickDesktop::Impl& d, Node& p, std::string n)
    : CommandButtonBase(d, p, std::move(n)) {
    MakeItem();
    item->setActiveFocusOnTab(true);
}

// A flat button is its caption alone, as a link; the focus shows around it.
void QuickCommandButton::Paint(QPainter& painter) {
    const QRectF r(0, 0, item->width(), item->height());
    if (flat) {
        painter.fillRect(r, ToQColor(back));
    } else {
        PaintBevel(painter, r, ToQColor(back), false);
        if (isDefault) {
            painter.setPen(ToQColor(fore));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    QFont f = ToQFont(*font);
    f.setUnderline(f.underline() || flat);
    painter.setFont(f);
    painter.setPen(enabled ? ToQColor(fore) : Grey(ToQColor(fore)));
    painter.drawText(r, Qt::AlignCenter, ToQ(caption));
    if (item->hasActiveFocus()) {
        QPen pen(ToQColor(fore));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

// --- Image -------------------------------------------------------------------------------

QuickImage::QuickImage(QuickDesktop::Impl& d, Node& p, std::string n) : ImageBase(d, p, std::move(n)) {
    MakeItem();
}

// The control's button pictures are "ComboUp" and "ComboDown" (pressed):
// a button with a downward arrow. Other pictures are named only; they show
// as their background.
void QuickImage::Paint(QPainter& painter) {
    const QRectF r(0, 0, item->width(), item->height());
    if (!picture || picture->Name.rfind("Combo", 0) != 0) {
        Node::Paint(painter);
        return;
    }
    const bool pressed = picture->Name == "ComboDown";
    PaintBevel(painter, r, ToQColor(desk != nullptr ? desk->SysColor(15) : back), pressed);
    const qreal w = std::min(r.width(), r.height()) / 3;
    const QPointF c = r.center() + (pressed ? QPointF(1, 1) : QPointF(0, 0));
    QPainterPath arrow;
    arrow.moveTo(c.x() - w / 2, c.y() - w / 4);
    arrow.lineTo(c.x() + w / 2, c.y() - w / 4);
    arrow.lineTo(c.x(), c.y() + w / 4);
    arrow.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(arrow, enabled ? ToQColor(desk != nullptr ? desk->SysColor(18) : fore) : Grey(ToQColor(fore)));
}

// --- Timer ---------------------------------------------------------------------------------

QuickTimer::QuickTimer(QuickDesktop::Impl& d, Node& p, std::string n) : TimerBase(d, p, std::move(n)) {}

QuickTimer::~QuickTimer() {
    if (desk != nullptr)
        desk->clock->Cancel(id);
}

// The timer ticks on the desktop's one clock, every interval from now.
void QuickTimer::Reschedule() {
    if (desk == nullptr)
        return;
    if (enabled && interval > 0) {
        desk->clock->Schedule(id, interval);
    } else {
        desk->clock->Cancel(id);
    }
}

}  // namespace korvane::tk::quick
