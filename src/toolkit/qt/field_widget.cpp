// The field a text box shows on Qt Widgets, as a widget: its frame, the
// mouse, focus, input methods, the context menu and what a screen reader
// asks, handed to the field's editor (field_editor.h), which it shares
// with the Qt Quick face.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "field_editor.h"
#include "text/utf8.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

using namespace field;

// The widget as the editor's face.
struct FieldWidget::Impl final : FieldEditor::Face {
    FieldWidget& w;
    FieldEditor editor{*this};

    explicit Impl(FieldWidget& widget) : w(widget) {}

    QtTextBox* Box() const {
        return w.node != nullptr && w.node->desk != nullptr ? static_cast<QtTextBox*>(w.node) : nullptr;
    }
    void Panel(QStyleOptionFrame& panel) const {
        panel.initFrom(&w);
        panel.rect = w.rect();
        panel.lineWidth = w.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, &w);
        panel.midLineWidth = 0;
        panel.state |= QStyle::State_Sunken;
        if (ReadOnly())
            panel.state |= QStyle::State_ReadOnly;
        panel.features = QStyleOptionFrame::None;
    }

    model::FieldText* Text() override {
        QtTextBox* box = Box();
        return box != nullptr ? &box->field : nullptr;
    }
    bool ReadOnly() const override {
        const QtTextBox* box = Box();
        return box != nullptr && box->locked;
    }
    // A widget that dies in a handler is deleted later: its node is gone.
    bool UserEdit(std::int32_t from, std::int32_t count, std::string_view bytes) override {
        QPointer<FieldWidget> alive(&w);
        const bool lives = Box()->UserEdit(from, count, bytes);
        return lives && !alive.isNull() && Box() != nullptr;
    }
    QFont TextFont() const override { return w.font(); }
    Qt::LayoutDirection Direction() const override { return w.layoutDirection(); }
    QRectF TextArea() const override {
        QStyleOptionFrame panel;
        Panel(panel);
        return w.style()
            ->subElementRect(QStyle::SE_LineEditContents, &panel, &w)
            .adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
    }
    bool Focused() const override { return w.hasFocus(); }
    void Redraw() override { w.update(); }
    void Changed() override {
        w.update();
        w.updateMicroFocus();
        if (QAccessible::isActive() && Box() != nullptr) {
            QAccessibleTextCursorEvent moved(&w, w.Utf16Offset(Box()->field.Caret()));
            QAccessible::updateAccessibility(&moved);
        }
    }
    void TellInputMethod() override { w.updateMicroFocus(); }
};

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
    d->editor.TextReplaced();
}

void FieldWidget::CaretMoved() {
    d->editor.CaretMoved();
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
    return d->editor.CharacterRect(unit).toAlignedRect();
}

std::int32_t FieldWidget::UnitAt(QPoint point) const {
    return d->editor.UnitAtX(point.x());
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
    if (std::optional<QVariant> answer = d->editor.InputMethodQuery(query, isEnabled()))
        return *answer;
    return QWidget::inputMethodQuery(query);
}

bool FieldWidget::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (FieldEditor::OwnsKey(*key)) {
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
    const QPalette& colours = palette();
    d->editor.Draw(
        p, {colours.color(QPalette::Text), colours.brush(QPalette::Highlight), colours.brush(QPalette::HighlightedText),
            style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this)});
}

void FieldWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e, [&](std::int16_t, std::int16_t) { d->editor.Key(*e); },
        [&](std::int16_t ascii, bool asTyped) {
            d->editor.Char(ascii, asTyped ? FromQ(e->text())
                                          : utf8::Encode(static_cast<char32_t>(static_cast<std::uint16_t>(ascii))));
        });
}

void FieldWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}

void FieldWidget::mousePressEvent(QMouseEvent* e) {
    QPointer<FieldWidget> alive(this);
    Guarded([&] { d->editor.Press(e->position().x(), e->button(), (e->modifiers() & Qt::ShiftModifier) != 0); });
    if (!alive.isNull())
        Mouse(*this, *e, MouseEvent::Down);
}

void FieldWidget::mouseMoveEvent(QMouseEvent* e) {
    d->editor.Drag(e->position().x(), e->buttons());
    Mouse(*this, *e, MouseEvent::Move);
}

void FieldWidget::mouseReleaseEvent(QMouseEvent* e) {
    d->editor.Release(e->button());
    Mouse(*this, *e, MouseEvent::Up);
}

void FieldWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        d->editor.DoubleClick(e->position().x());
    Mouse(*this, *e, MouseEvent::Down);
}

void FieldWidget::focusInEvent(QFocusEvent* e) {
    const Qt::FocusReason why = e->reason();
    d->editor.FocusIn(why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason);
    FocusIn(*this);
}

void FieldWidget::focusOutEvent(QFocusEvent* e) {
    d->editor.FocusOut(e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason);
}

void FieldWidget::inputMethodEvent(QInputMethodEvent* e) {
    QPointer<FieldWidget> alive(this);
    bool taken = true;
    Guarded([&] { taken = d->editor.InputMethod(*e); });
    if (!taken && !alive.isNull())
        e->ignore();
}

void FieldWidget::contextMenuEvent(QContextMenuEvent* e) {
    QtTextBox* box = d->Box();
    if (box == nullptr)
        return;
    const model::FieldText& f = box->field;
    const bool editable = !box->locked;
    FieldEditor& editor = d->editor;
    // The menu pops up and returns at once; its actions run later, if the
    // field is still there.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FieldWidget> alive(this);
    auto add = [&](const char* text, QKeySequence::StandardKey keys, bool enabled, void (FieldEditor::*run)()) {
        QAction* a = menu->addAction(QApplication::translate("QLineEdit", text));
        a->setShortcut(keys);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, alive, run] {
            if (!alive.isNull() && d->Box() != nullptr)
                Guarded([&] { (d->editor.*run)(); });
        });
    };
    add("&Undo", QKeySequence::Undo, editable && editor.CanUndo(), &FieldEditor::Undo);
    add("&Redo", QKeySequence::Redo, editable && editor.CanRedo(), &FieldEditor::Redo);
    menu->addSeparator();
    add("Cu&t", QKeySequence::Cut, editable && f.HasSelection(), &FieldEditor::Cut);
    add("&Copy", QKeySequence::Copy, f.HasSelection(), &FieldEditor::CopySelection);
    add("&Paste", QKeySequence::Paste, editable && !QGuiApplication::clipboard()->text().isEmpty(),
        &FieldEditor::PasteClipboard);
    add("Delete", QKeySequence::Delete, editable && f.HasSelection(), &FieldEditor::DeleteSelection);
    menu->addSeparator();
    add("Select All", QKeySequence::SelectAll, f.Units() > 0, &FieldEditor::SelectAll);
    menu->popup(e->globalPos());
}

void FieldWidget::resizeEvent(QResizeEvent*) {
    d->editor.Relayout();
}

void FieldWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange ||
        e->type() == QEvent::StyleChange)
        d->editor.Relayout();
    QWidget::changeEvent(e);
}

}  // namespace korvane::tk::qt
