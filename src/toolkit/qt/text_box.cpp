// The text box on Qt: the toolkit's text, caret and selection over Qt's
// edit field, whose own editing the control's key handlers may cancel.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <limits>

#include "widget_kinds.h"

namespace korvane::tk::qt {

// --- Qt side ---------------------------------------------------------------------------

EditWidget::EditWidget(QWidget* parent) : QLineEdit(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // The toolkit's text has no length limit; Qt's edit field would cut a
    // longer text at 32767 characters, and the next edit would lose the rest.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        if (node != nullptr && node->desk != nullptr)
            Guarded([&] { static_cast<QtTextBox*>(node)->TextEdited(now); });
    });
}

void EditWidget::ShowText(const QString& text) {
    if (QAccessible::isActive()) {
        pending_ = false;
        pendingText_.clear();
        const QSignalBlocker block(this);
        setText(text);
        setCursorPosition(0);
        return;
    }
    pendingText_ = text;
    pending_ = true;
    if (!settleQueued_) {
        settleQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                settleQueued_ = false;
                Settle();
            },
            Qt::QueuedConnection);
    }
}

void EditWidget::Settle() {
    if (!pending_)
        return;
    pending_ = false;
    const QString text = std::move(pendingText_);
    pendingText_.clear();
    const QSignalBlocker block(this);
    setText(text);
    setCursorPosition(0);
}

bool EditWidget::event(QEvent* e) {
    Settle();
    return QLineEdit::event(e);
}

// The field's own handling: caret keys, Delete and the clipboard keys go
// to the edit field; other keys without a character do nothing; the
// characters are inserted, Backspace deletes, other control characters
// are not text.
void EditWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e,
        [&](std::int16_t code, std::int16_t s) {
            const bool caret =
                code == key::Left || code == key::Right || code == key::Home || code == key::End || code == key::Delete;
            const bool clipboard = (s & shift::Ctrl) != 0 && (code == 'A' || code == 'C' || code == 'V' ||
                                                              code == 'X' || code == 'Z' || code == 'Y');
            if (caret || clipboard)
                QLineEdit::keyPressEvent(e);
        },
        [&](std::int16_t ascii, bool asTyped) {
            if (ascii == key::Back) {
                QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
                QLineEdit::keyPressEvent(&back);
                return;
            }
            if (ascii > 0 && (ascii < 32 || ascii == 127))
                return;
            if (asTyped) {
                QLineEdit::keyPressEvent(e);
            } else {
                const QString text = QString(QChar(static_cast<char16_t>(static_cast<std::uint16_t>(ascii))));
                QKeyEvent changed(QEvent::KeyPress, 0, Qt::NoModifier, text);
                QLineEdit::keyPressEvent(&changed);
            }
        });
}

void EditWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}
void EditWidget::mousePressEvent(QMouseEvent* e) {
    QLineEdit::mousePressEvent(e);
    Mouse(*this, *e, MouseEvent::Down);
}
void EditWidget::mouseMoveEvent(QMouseEvent* e) {
    QLineEdit::mouseMoveEvent(e);
    Mouse(*this, *e, MouseEvent::Move);
}
void EditWidget::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    Mouse(*this, *e, MouseEvent::Up);
}
void EditWidget::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    FocusIn(*this);
}

// --- toolkit side --------------------------------------------------------------------------

namespace {

EditWidget* EditOf(const Node& node) {
    return dynamic_cast<EditWidget*>(node.object.data());
}

// Qt counts UTF-16 units; the toolkit counts characters.
std::int32_t ToChars(const QString& s, int units) {
    units = std::clamp(units, 0, static_cast<int>(s.size()));
    return static_cast<std::int32_t>(QStringView(s).left(units).toUcs4().size());
}

int ToUnits(const QString& s, std::int32_t chars) {
    int units = 0;
    for (std::int32_t c = 0; c < chars && units < s.size(); ++c)
        units += s.at(units).isHighSurrogate() ? 2 : 1;
    return std::min(units, static_cast<int>(s.size()));
}

}  // namespace

QtTextBox::QtTextBox(QtDesktop::Impl& d, Node& p, std::string n) : WidgetBase(d, Kind::TextBox, std::move(n), &p) {
    width = 1215;
    height = 285;
    Attach(new EditWidget(p.Q()));
}

// Change is raised only when the text really changes; the caret goes back
// to the start.
void QtTextBox::Text(std::string value) {
    if (value == text)
        return;
    text = std::move(value);
    if (EditWidget* e = EditOf(*this))
        e->ShowText(ToQ(text));
    Fire(*this, OnChange);
}

void QtTextBox::TextEdited(const QString& now) {
    std::string utf8 = FromQ(now);
    if (utf8 == text)
        return;
    text = std::move(utf8);
    Fire(*this, OnChange);
}

std::int32_t QtTextBox::SelStart() const {
    EditWidget* e = EditOf(*this);
    if (e == nullptr || e->TextPending())
        return 0;
    const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    return ToChars(e->text(), start);
}

void QtTextBox::SelStart(std::int32_t value) {
    if (EditWidget* e = EditOf(*this)) {
        e->Settle();
        e->deselect();
        e->setCursorPosition(ToUnits(e->text(), std::max(0, value)));
    }
}

std::int32_t QtTextBox::SelLength() const {
    EditWidget* e = EditOf(*this);
    if (e == nullptr || e->TextPending() || !e->hasSelectedText())
        return 0;
    const QString t = e->text();
    const int start = e->selectionStart();
    return ToChars(t, start + e->selectedText().size()) - ToChars(t, start);
}

void QtTextBox::SelLength(std::int32_t value) {
    EditWidget* e = EditOf(*this);
    if (e == nullptr)
        return;
    e->Settle();
    const QString t = e->text();
    const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const std::int32_t startChars = ToChars(t, start);
    const int end = ToUnits(t, startChars + std::max(0, value));
    if (end <= start) {
        e->deselect();
        e->setCursorPosition(start);
    } else {
        e->setSelection(start, end - start);
    }
}

void QtTextBox::Locked(bool value) {
    locked = value;
    if (EditWidget* e = EditOf(*this))
        e->setReadOnly(value);
}

// A field lower than one line of its font would cut the text.
void QtTextBox::SetHeight(float value) {
    CheckSize(value);
    height = std::max(value, TextHeight("X"));
    ApplyGeometry();
}

}  // namespace korvane::tk::qt
