// The field a text box shows on Qt, as a widget: painting, the mouse,
// focus, input methods, the context menu and what a screen reader asks,
// over the view and the editing behind it (field_widget_p.h).
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <algorithm>

#include "field_widget_p.h"

namespace korvane::tk::qt {

using namespace field;

FieldWidget::FieldWidget(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>(*this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setCursor(Qt::IBeamCursor);
    setBackgroundRole(QPalette::Base);
}

FieldWidget::~FieldWidget() = default;

void FieldWidget::TextReplaced(const std::string& old) {
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent news(this, 0, ToQ(old), WholeText());
        QAccessible::updateAccessibility(&news);
    }
    d->viewUnit = 0;
    d->viewX = 0;
    d->undo.clear();
    d->redo.clear();
    d->typingEnd = -1;
    update();
    d->TellInputMethodLater();
}

void FieldWidget::CaretMoved() {
    d->typingEnd = -1;
    d->Changed();
}

QString FieldWidget::WholeText() const {
    const QtTextBox* box = d->Box();
    return box != nullptr ? ToQ(box->field.Text()) : QString();
}

// Offsets in the whole text, for a screen reader: counted from the start,
// which costs the text's length, as reading the whole text does.
int FieldWidget::Utf16Offset(std::int32_t unit) const {
    const QtTextBox* box = d->Box();
    if (box == nullptr)
        return 0;
    return static_cast<int>(ToQ(box->field.Slice(0, unit)).size());
}

std::int32_t FieldWidget::UnitOfUtf16(int offset) const {
    const QString whole = WholeText();
    std::int32_t unit = 0;
    for (qsizetype i = 0; i < whole.size() && i < offset; i += UnitLength(whole, i))
        ++unit;
    return unit;
}

QRect FieldWidget::CharacterRect(std::int32_t unit) const {
    if (d->Box() == nullptr)
        return {};
    d->LayOutView();
    const Piece& v = d->view;
    if (unit < v.from || unit >= v.to)
        return {};
    const QRect r = d->Contents();
    const qreal left = v.X(unit) - d->viewX + r.left();
    const qreal right = v.X(unit + 1) - d->viewX + r.left();
    const QTextLine line = v.Line();
    const qreal top = r.top() + (r.height() - line.height()) / 2;
    return QRectF(QPointF(std::min(left, right), top), QPointF(std::max(left, right), top + line.height()))
        .toAlignedRect();
}

std::int32_t FieldWidget::UnitAt(QPoint point) const {
    if (d->Box() == nullptr)
        return 0;
    return d->UnitAtX(point.x());
}

void FieldWidget::SelectUnits(std::int32_t anchor, std::int32_t caret) {
    if (QtTextBox* box = d->Box()) {
        box->field.Select(anchor, caret);
        CaretMoved();
    }
}

QSize FieldWidget::sizeHint() const {
    const QFontMetrics fm(font());
    QStyleOptionFrame panel;
    d->Panel(panel);
    const int h = std::max(fm.height(), 14) + 2 * kMarginY;
    const int wide = fm.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kMarginX;
    return style()->sizeFromContents(QStyle::CT_LineEdit, &panel, QSize(wide, h), this);
}

QSize FieldWidget::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return {fm.maxWidth() + 2 * kMarginX + 4, fm.height() + 2 * kMarginY + 4};
}

QVariant FieldWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QtTextBox* box = d->Box();
    if (box == nullptr)
        return QWidget::inputMethodQuery(query);
    const model::FieldText& f = box->field;
    // The text around the caret stands for the whole text: an input method
    // only looks near the caret, and the whole text may be long.
    const std::int32_t around = 256;
    const std::int32_t from = std::max(0, f.Caret() - around);
    const QString before = ToQ(f.Slice(from, f.Caret()));
    switch (query) {
        case Qt::ImEnabled:
            return isEnabled() && !box->locked;
        case Qt::ImCursorRectangle: {
            d->LayOutView();
            const QRect r = d->Contents();
            const qreal x = d->view.X(f.Caret()) - d->viewX + r.left();
            return QRect(static_cast<int>(x), r.top(), 1, r.height());
        }
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return static_cast<int>(before.size());
        case Qt::ImAnchorPosition:
            return f.Anchor() >= from ? static_cast<int>(ToQ(f.Slice(from, f.Anchor())).size()) : 0;
        case Qt::ImSurroundingText:
            return before + ToQ(f.Slice(f.Caret(), f.Caret() + around));
        case Qt::ImCurrentSelection:
            return ToQ(f.Slice(f.SelStart(), f.SelStart() + f.SelLength()));
        case Qt::ImTextBeforeCursor:
            return before;
        case Qt::ImTextAfterCursor:
            return ToQ(f.Slice(f.Caret(), f.Caret() + around));
        case Qt::ImMaximumTextLength:
            return QVariant();
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhNone);
        case Qt::ImReadOnly:
            return box->locked;
        default:
            return QWidget::inputMethodQuery(query);
    }
}

bool FieldWidget::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (Impl::OwnsKey(*key)) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void FieldWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionFrame panel;
    d->Panel(panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
    QtTextBox* box = d->Box();
    if (box == nullptr)
        return;
    const QRect r = d->Contents();
    p.setClipRect(r);
    d->LayOutView();
    const Piece& v = d->view;
    const model::FieldText& f = box->field;
    const QTextLine line = v.Line();
    const QPointF origin(r.left() - d->viewX, r.top() + (r.height() - line.height()) / 2);
    QList<QTextLayout::FormatRange> selections;
    const std::int32_t start = std::max(f.SelStart(), v.from);
    const std::int32_t end = std::min(f.SelStart() + f.SelLength(), v.to);
    if (f.HasSelection() && start < end) {
        QTextLayout::FormatRange range;
        range.start = v.Offset(start);
        range.length = v.Offset(end) - range.start;
        if (v.preeditAt >= 0 && v.preeditAt <= start)
            range.start += static_cast<int>(v.preedit.size());
        range.format.setBackground(palette().brush(QPalette::Highlight));
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.append(range);
    }
    p.setPen(palette().color(QPalette::Text));
    v.layout.draw(&p, origin, selections, r);
    if (hasFocus() && d->caretShown && !box->locked && f.Caret() >= v.from && f.Caret() <= v.to) {
        int at = v.Offset(f.Caret());
        if (v.preeditAt >= 0)
            at += d->preeditCaret;
        v.layout.drawCursor(&p, origin, at, style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    }
}

void FieldWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e, [&](std::int16_t, std::int16_t) { d->Key(*e); },
        [&](std::int16_t ascii, bool asTyped) { d->Char(*e, ascii, asTyped); });
}

void FieldWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}

void FieldWidget::mousePressEvent(QMouseEvent* e) {
    QPointer<FieldWidget> alive(this);
    if (d->Box() != nullptr) {
        const std::int32_t unit = d->UnitAtX(e->position().x());
        if (e->button() == Qt::LeftButton) {
            d->Move(unit, (e->modifiers() & Qt::ShiftModifier) != 0);
            d->selecting = true;
        } else if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            d->Move(unit, false);
            Guarded([&] { d->Paste(QClipboard::Selection); });
        }
    }
    if (!alive.isNull())
        Mouse(*this, *e, MouseEvent::Down);
}

void FieldWidget::mouseMoveEvent(QMouseEvent* e) {
    if (d->selecting && (e->buttons() & Qt::LeftButton) != 0 && d->Box() != nullptr)
        d->Move(d->UnitAtX(e->position().x()), true);
    Mouse(*this, *e, MouseEvent::Move);
}

void FieldWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && d->selecting) {
        d->selecting = false;
        if (d->Box() != nullptr && QGuiApplication::clipboard()->supportsSelection())
            d->Copy(QClipboard::Selection);
    }
    Mouse(*this, *e, MouseEvent::Up);
}

void FieldWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && d->Box() != nullptr) {
        d->SelectWordAt(d->UnitAtX(e->position().x()));
        d->selecting = false;
    }
    Mouse(*this, *e, MouseEvent::Down);
}

// As in Qt's edit field: the focus coming by Tab selects the whole text,
// and leaving for another widget of the window drops the selection.
void FieldWidget::focusInEvent(QFocusEvent* e) {
    QtTextBox* box = d->Box();
    const Qt::FocusReason why = e->reason();
    if (box != nullptr &&
        (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason) &&
        !box->field.HasSelection())
        box->field.Select(0, box->field.Units());
    if (box != nullptr)
        d->Changed();
    FocusIn(*this);
}

void FieldWidget::focusOutEvent(QFocusEvent* e) {
    if (d->blinkTimer != 0)
        killTimer(d->blinkTimer);
    d->blinkTimer = 0;
    d->selecting = false;
    QtTextBox* box = d->Box();
    if (box != nullptr && e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        box->field.Select(box->field.Caret(), box->field.Caret());
    update();
}

// An input method's text: the committed part is typed, the part still
// being composed shows at the caret until it is committed.
void FieldWidget::inputMethodEvent(QInputMethodEvent* e) {
    QtTextBox* box = d->Box();
    if (box == nullptr || box->locked) {
        e->ignore();
        return;
    }
    QPointer<FieldWidget> alive(this);
    Guarded([&] {
        model::FieldText& f = box->field;
        if (e->replacementLength() > 0 || !e->commitString().isEmpty()) {
            std::int32_t from = f.SelStart();
            std::int32_t count = f.SelLength();
            if (e->replacementLength() > 0 || e->replacementStart() != 0) {
                from = std::max(0, f.Caret() + e->replacementStart());
                count = e->replacementLength();
            }
            if (!d->Edit(from, count, FromQ(e->commitString()), true))
                return;
        }
        if (alive.isNull())
            return;
        d->preedit = e->preeditString();
        d->preeditCaret = static_cast<int>(d->preedit.size());
        for (const QInputMethodEvent::Attribute& a : e->attributes()) {
            if (a.type == QInputMethodEvent::Cursor)
                d->preeditCaret = std::clamp(a.start, 0, static_cast<int>(d->preedit.size()));
        }
        d->Changed();
    });
}

void FieldWidget::contextMenuEvent(QContextMenuEvent* e) {
    QtTextBox* box = d->Box();
    if (box == nullptr)
        return;
    const model::FieldText& f = box->field;
    const bool editable = !box->locked;
    // The menu pops up and returns at once; its actions run later, if the
    // field is still there.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FieldWidget> alive(this);
    auto add = [&](const char* text, QKeySequence::StandardKey keys, bool enabled, auto&& run) {
        QAction* a = menu->addAction(QApplication::translate("QLineEdit", text));
        a->setShortcut(keys);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, alive, run] {
            if (!alive.isNull() && d->Box() != nullptr)
                Guarded(run);
        });
    };
    add("&Undo", QKeySequence::Undo, editable && !d->undo.empty(), [this] { d->Revert(true); });
    add("&Redo", QKeySequence::Redo, editable && !d->redo.empty(), [this] { d->Revert(false); });
    menu->addSeparator();
    add("Cu&t", QKeySequence::Cut, editable && f.HasSelection(), [this] {
        d->Copy(QClipboard::Clipboard);
        d->DeleteSelectionOr(0, 0);
    });
    add("&Copy", QKeySequence::Copy, f.HasSelection(), [this] { d->Copy(QClipboard::Clipboard); });
    add("&Paste", QKeySequence::Paste, editable && !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { d->Paste(QClipboard::Clipboard); });
    add("Delete", QKeySequence::Delete, editable && f.HasSelection(), [this] { d->DeleteSelectionOr(0, 0); });
    menu->addSeparator();
    add("Select All", QKeySequence::SelectAll, f.Units() > 0, [this] {
        d->Box()->field.Select(0, d->Box()->field.Units());
        CaretMoved();
    });
    menu->popup(e->globalPos());
}

void FieldWidget::timerEvent(QTimerEvent* e) {
    if (e->timerId() != d->blinkTimer) {
        QWidget::timerEvent(e);
        return;
    }
    d->caretShown = !d->caretShown;
    update();
}

void FieldWidget::resizeEvent(QResizeEvent*) {
    if (d->Box() != nullptr)
        d->ShowCaret();
}

void FieldWidget::changeEvent(QEvent* e) {
    if ((e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange ||
         e->type() == QEvent::StyleChange) &&
        d->Box() != nullptr) {
        d->ShowCaret();
        update();
    }
    QWidget::changeEvent(e);
}

}  // namespace korvane::tk::qt
