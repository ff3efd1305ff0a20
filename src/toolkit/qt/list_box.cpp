// The list box on Qt: the model's list box (entries, selection, top row,
// whole-row height, keys) measured in Qt's fonts; the Qt widget draws it
// and turns the user's keys, presses, wheel and scroll bar into changes.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

constexpr int kRowsPerNotch = 3;

}  // namespace

// A list box's node only ever holds the ListWidget it made (or nothing once
// Qt deleted it), and this is asked on every row added: no dynamic_cast.
ListWidget* ListOf(const QtListBox& list) {
    return static_cast<ListWidget*>(list.object.data());
}

QtListBox* ListBoxOf(Node* node) {
    return node != nullptr && node->kind == Kind::ListBox ? static_cast<QtListBox*>(node) : nullptr;
}

// --- Qt side --------------------------------------------------------------------------

ListWidget::ListWidget(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (syncing_ == 0 && node != nullptr && node->desk != nullptr)
            Guarded([&] { static_cast<QtListBox*>(node)->UserScroll(value); });
    });
}

void ListWidget::SyncScrollBar() {
    auto* list = ListBoxOf(node);
    if (list == nullptr)
        return;
    ++syncing_;
    QScrollBar* bar = verticalScrollBar();
    const int rows = std::max(1, list->VisibleRows());
    bar->setRange(0, list->MaxTop());
    bar->setPageStep(rows);
    bar->setSingleStep(1);
    bar->setValue(list->FirstShown());
    --syncing_;
}

void ListWidget::RowsChanged() {
    if (syncPending_)
        return;
    syncPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            syncPending_ = false;
            SyncScrollBar();
            viewport()->update();
        },
        Qt::QueuedConnection);
}

namespace {
// One entry's text; the parts a search matched are drawn bold and
// underlined, so they show on the selected row's colours as well.
void DrawEntry(QPainter& p, const QRect& r, const QtListBox& list, std::int32_t index) {
    const std::string_view text = list.EntryText(index);
    const auto spans = list.MatchedSpans(index);
    if (spans.empty()) {
        p.drawText(r, Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ToQ(text));
        return;
    }
    const QString shown = ToQ(text);
    QList<QTextLayout::FormatRange> formats;
    for (const auto& [first, last] : spans) {
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(ToQ(text.substr(0, static_cast<std::size_t>(first))).size());
        range.length = static_cast<int>(ToQ(text.substr(0, static_cast<std::size_t>(last))).size()) - range.start;
        range.format.setFontWeight(QFont::Bold);
        range.format.setFontUnderline(true);
        formats.append(range);
    }
    QTextLayout layout(shown, p.font());
    QTextOption option(Qt::AlignAbsolute | Qt::AlignLeft);
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return;
    const qreal y = r.top() + (r.height() - line.height()) / 2;
    layout.draw(&p, QPointF(r.left(), y));
}
}  // namespace

void ListWidget::paintEvent(QPaintEvent*) {
    auto* list = ListBoxOf(node);
    if (list == nullptr || list->desk == nullptr)
        return;
    QPainter p(viewport());
    // The palette holds the list's colours, and the style's disabled ones
    // while it is disabled.
    const bool enabled = isEnabled();
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    p.fillRect(viewport()->rect(), base);
    p.setFont(ToQFont(*list->font));
    const int row = static_cast<int>(list->RowPx());
    const int rows = list->VisibleRows() + 1;  // and the part of a row below
    const QColor highlight =
        enabled ? ToQColor(list->desk->SysColor(syscolor::Highlight)) : palette().color(QPalette::Highlight);
    const QColor highlightText =
        enabled ? ToQColor(list->desk->SysColor(syscolor::HighlightText)) : palette().color(QPalette::HighlightedText);
    // The focus shows as a dotted frame on the current row, or on the first
    // row shown when there is none, as the desktop's account has it (Qt's
    // own focus may lag behind, or stay with the form under a drop-down).
    const bool focused = list->desk->focus == list->id || hasFocus();
    const std::int32_t caret =
        list->SelectedIndex() >= 0 ? list->SelectedIndex() : list->ShownEntry(list->FirstShown());
    for (int i = 0; i < rows; ++i) {
        const std::int32_t index = list->ShownEntry(list->FirstShown() + i);
        if (index < 0)
            break;
        const QRect r(0, i * row, viewport()->width(), row);
        const bool selected = index == list->SelectedIndex();
        if (selected)
            p.fillRect(r, highlight);
        p.setPen(selected ? highlightText : text);
        DrawEntry(p, r.adjusted(2, 0, -1, 0), *list, index);
        if (focused && index == caret) {
            QPen pen(selected ? highlightText : text);
            pen.setStyle(Qt::DotLine);
            p.setPen(pen);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
}

// Navigation keys and the first-letter jump are the list's own handling.
void ListWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e,
        [&](std::int16_t code, std::int16_t s) {
            if (Node* n = NodeOfWidget(this))
                n->DefaultKeyDown(code, s);
        },
        [&](std::int16_t ascii, bool asTyped) {
            if (Node* n = NodeOfWidget(this))
                n->DefaultChar(ascii,
                               asTyped ? FromQ(e->text())
                                       : model::EncodeUtf8(static_cast<char32_t>(static_cast<std::uint16_t>(ascii))));
        });
}

void ListWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}

// Positions reach the control in twips of the rows' area inside the frame
// (the viewport), as a real list box's client area: the row under the
// pointer is the row counted from there.
void ListWidget::mousePressEvent(QMouseEvent* e) {
    e->accept();
    Node* n = node;
    if (n == nullptr || n->desk == nullptr)
        return;
    const QPointF at = PositionIn(*viewport(), *e);
    Guarded([&] {
        QtDesktop::Impl* desk = n->desk;
        const std::uint64_t id = n->id;
        if (e->button() == Qt::LeftButton) {
            n->PressAt(static_cast<float>(at.y()));
            n = desk->Get(id);
            if (n == nullptr)
                return;
        }
        n->RaiseMouse(n->self->OnMouseDown, ButtonOf(e->button()), ShiftOf(e->modifiers()), at);
    });
}

void ListWidget::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    if (node == nullptr || node->desk == nullptr)
        return;
    const QPointF at = PositionIn(*viewport(), *e);
    Guarded([&] { node->RaiseMouse(node->self->OnMouseMove, ButtonsOf(e->buttons()), ShiftOf(e->modifiers()), at); });
}

void ListWidget::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (node == nullptr || node->desk == nullptr)
        return;
    const QPointF at = PositionIn(*viewport(), *e);
    Guarded([&] { node->RaiseMouse(node->self->OnMouseUp, ButtonOf(e->button()), ShiftOf(e->modifiers()), at); });
}

// Three rows a notch, as a scroll bar move: the list raises Scroll, and the
// control keeps the other list of its pair in line.
void ListWidget::wheelEvent(QWheelEvent* e) {
    e->accept();
    auto* list = ListBoxOf(node);
    if (list == nullptr || list->desk == nullptr)
        return;
    const int notches = e->angleDelta().y() / 120;
    if (notches == 0)
        return;
    Guarded([&] {
        QtListBox* target = list;
        // A list whose scroll-bar strip lies under another list (the left
        // column of a pair, whose right neighbour shows the only scroll bar)
        // scrolls through that one, whose Scroll keeps both in line.
        if (!list->OnScroll && list->parent != nullptr) {
            for (Node* sibling : list->parent->children) {
                QtListBox* other = ListBoxOf(sibling);
                if (other != nullptr && other != list && other->OnScroll && other->visible &&
                    other->left > list->left && other->left < list->left + list->width) {
                    target = other;
                    break;
                }
            }
        }
        target->UserScroll(target->FirstShown() - notches * kRowsPerNotch);
    });
}

void ListWidget::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
    if (node != nullptr && node->desk != nullptr)
        Guarded([&] { node->desk->QtFocusIn(this); });
}

// --- toolkit side -------------------------------------------------------------------------

QtListBox::QtListBox(QtDesktop::Impl& d, Node& p, std::string n) : ListBoxModel(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    RequestHeight(1035);
    Attach(new ListWidget(p.Q()));
    ApplyGeometry();
}

void QtListBox::Changed() {
    if (ListWidget* w = ListOf(*this))
        w->RowsChanged();
}

// A screen reader hears of the new row.
void QtListBox::SelectionChanged() {
    Changed();
    AccessibleRowChanged(*this);
}

void QtListBox::GeometryChanged() {
    ApplyGeometry();
    Changed();
}

}  // namespace korvane::tk::qt
