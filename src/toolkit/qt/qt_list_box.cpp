// The list box on Qt: the entries, the selection and the top row are kept
// here, exactly as the toolkit defines them (entries in the order added, a
// top row limited so the last page stays full, a height that settles on
// whole rows of its font plus a one-pixel frame); the Qt widget draws them
// and turns the user's keys, presses, wheel and scroll bar into changes.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "korvane/errors.h"
#include "qt_widget_kinds.h"

namespace korvane::tk::qt {

namespace {

constexpr float kFramePx = 2;  // one pixel above the rows, one below
constexpr float kSlack = 1e-4f;
constexpr int kRowsPerNotch = 3;

char32_t Folded(char32_t c) {
    return QChar::toCaseFolded(c);
}

char32_t FirstChar(const std::string& s) {
    const auto cps = ToQ(s).toUcs4();
    return cps.isEmpty() ? 0 : cps.front();
}

}  // namespace

ListWidget* ListOf(const QtListBox& list) {
    return dynamic_cast<ListWidget*>(list.object.data());
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
    bar->setValue(list->TopIndex());
    --syncing_;
}

void ListWidget::paintEvent(QPaintEvent*) {
    auto* list = ListBoxOf(node);
    if (list == nullptr || list->desk == nullptr)
        return;
    QPainter p(viewport());
    const QColor base = ToQColor(list->back);
    p.fillRect(viewport()->rect(), base);
    p.setFont(ToQFont(*list->font));
    const int row = static_cast<int>(list->RowPx());
    const int rows = list->VisibleRows() + 1;  // and the part of a row below
    const QColor highlight = ToQColor(list->desk->SysColor(syscolor::Highlight));
    const QColor highlightText = ToQColor(list->desk->SysColor(syscolor::HighlightText));
    for (int i = 0; i < rows; ++i) {
        const std::int32_t index = list->topIndex + i;
        if (index >= list->ListCount())
            break;
        const QRect r(0, i * row, viewport()->width(), row);
        const bool selected = index == list->listIndex;
        if (selected)
            p.fillRect(r, highlight);
        p.setPen(selected ? highlightText : ToQColor(list->fore));
        p.drawText(r.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   ToQ(list->entries[static_cast<std::size_t>(index)].Text));
        if (selected && hasFocus()) {
            QPen pen(highlightText);
            pen.setStyle(Qt::DotLine);
            p.setPen(pen);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
}

// Navigation keys and the first-letter jump are the list's own handling.
void ListWidget::keyPressEvent(QKeyEvent* e) {
    Node* n = node;
    e->accept();
    if (n == nullptr || n->desk == nullptr)
        return;
    Guarded([&] {
        QtDesktop::Impl* desk = n->desk;
        const std::uint64_t id = n->id;
        const std::int16_t original = KeyCodeOf(*e);
        std::int16_t code = original;
        std::int16_t s = ShiftOf(e->modifiers());
        if (original != 0) {
            if (!n->RaiseKeyDown(*e, code, s))
                return;
            if (code != 0 && (s & shift::Alt) == 0) {
                static_cast<QtListBox*>(n)->DefaultKeyDown(code);
                if (!desk->Alive(id))
                    return;
            }
        }
        std::int16_t ascii = CharOf(*e, original);
        if (ascii == 0)
            return;
        n = desk->Get(id);
        if (n == nullptr || !n->RaiseKeyPress(ascii) || ascii == 0)
            return;
        static_cast<QtListBox*>(n)->DefaultChar(ascii);
    });
}

void ListWidget::keyReleaseEvent(QKeyEvent* e) {
    e->accept();
    if (node != nullptr && node->desk != nullptr && !e->isAutoRepeat())
        Guarded([&] { node->RaiseKeyUp(*e); });
}

// Positions reach the control in twips of the list, its frame included.
void ListWidget::mousePressEvent(QMouseEvent* e) {
    e->accept();
    Node* n = node;
    if (n == nullptr || n->desk == nullptr)
        return;
    const QPointF at = e->position() + QPointF(viewport()->pos());
    Guarded([&] {
        QtDesktop::Impl* desk = n->desk;
        const std::uint64_t id = n->id;
        if (e->button() == Qt::LeftButton) {
            static_cast<QtListBox*>(n)->PressAt(static_cast<float>(at.y()));
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
    const QPointF at = e->position() + QPointF(viewport()->pos());
    Guarded([&] { node->RaiseMouse(node->self->OnMouseMove, ButtonsOf(e->buttons()), ShiftOf(e->modifiers()), at); });
}

void ListWidget::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (node == nullptr || node->desk == nullptr)
        return;
    const QPointF at = e->position() + QPointF(viewport()->pos());
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
        target->UserScroll(target->TopIndex() - notches * kRowsPerNotch);
    });
}

void ListWidget::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
    if (node != nullptr && node->desk != nullptr)
        Guarded([&] { node->desk->QtFocusIn(this); });
}

// --- toolkit side -------------------------------------------------------------------------

QtListBox::QtListBox(QtDesktop::Impl& d, Node& p, std::string n) : WidgetImpl(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    requestedHeight = 1035;
    Attach(new ListWidget(p.Q()));
    Settle();
    ApplyGeometry();
}

float QtListBox::RowPx() const {
    return LineHeightPx(*font);
}

// The height settles on whole rows plus the frame; too low for one row, the
// list shrinks to nothing. It is rounded again from the height last asked
// for whenever the row height changes, so switching fonts never drifts.
void QtListBox::Settle() const {
    if (desk == nullptr)
        return;
    const float rowPx = RowPx();
    if (rowPx == settledRowPx)
        return;
    settledRowPx = rowPx;
    const float heightPx = requestedHeight / desk->Tpp();
    const float rows = std::floor((heightPx - kFramePx) / rowPx + kSlack);
    roundedHeight = rows < 1 ? 0 : (rows * rowPx + kFramePx) * desk->Tpp();
    topIndex = std::min(topIndex, MaxTop());
}

std::int32_t QtListBox::VisibleRows() const {
    Settle();
    if (desk == nullptr || settledRowPx <= 0)
        return 0;
    const float heightPx = roundedHeight / desk->Tpp();
    const float rows = std::floor((heightPx - kFramePx) / settledRowPx + kSlack);
    return rows < 1 ? 0 : static_cast<std::int32_t>(rows);
}

std::int32_t QtListBox::MaxTop() const {
    if (desk == nullptr || settledRowPx <= 0)
        return 0;
    const float heightPx = roundedHeight / desk->Tpp();
    const auto rows =
        static_cast<std::int32_t>(std::max(1.0f, std::floor((heightPx - kFramePx) / settledRowPx + kSlack)));
    return std::max(0, ListCount() - rows);
}

float QtListBox::GetHeight() const {
    Settle();
    return roundedHeight;
}

void QtListBox::SetHeight(float value) {
    CheckSize(value);
    requestedHeight = value;
    settledRowPx = -1;
    Settle();
    ApplyGeometry();
    Changed();
}

void QtListBox::SetFont(FontRef value) {
    Node::SetFont(std::move(value));
    Settle();
    ApplyGeometry();
    Changed();
}

void QtListBox::Changed() {
    if (ListWidget* w = ListOf(*this)) {
        w->SyncScrollBar();
        w->viewport()->update();
    }
}

void QtListBox::CheckIndex(std::int32_t index) const {
    if (index < 0 || index >= ListCount())
        Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(index));
}

void QtListBox::AddItem(std::string item) {
    if (ListCount() >= MaxEntries)
        Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(ListCount()));
    entries.push_back({std::move(item), 0});
    newIndex = ListCount() - 1;
    Changed();
}

// The selection and the newest entry follow the entries they name; removing
// the selected entry leaves none selected, without a Click.
void QtListBox::RemoveItem(std::int32_t index) {
    CheckIndex(index);
    entries.erase(entries.begin() + index);
    if (listIndex == index) {
        listIndex = -1;
    } else if (listIndex > index) {
        --listIndex;
    }
    if (newIndex == index) {
        newIndex = -1;
    } else if (newIndex > index) {
        --newIndex;
    }
    Settle();
    topIndex = std::min(topIndex, MaxTop());
    Changed();
}

void QtListBox::Clear() {
    entries.clear();
    listIndex = -1;
    newIndex = -1;
    topIndex = 0;
    Changed();
}

std::string QtListBox::List(std::int32_t index) const {
    if (index == -1)
        return {};
    CheckIndex(index);
    return entries[static_cast<std::size_t>(index)].Text;
}

void QtListBox::List(std::int32_t index, std::string value) {
    CheckIndex(index);
    entries[static_cast<std::size_t>(index)].Text = std::move(value);
    Changed();
}

std::int32_t QtListBox::ItemData(std::int32_t index) const {
    CheckIndex(index);
    return entries[static_cast<std::size_t>(index)].Data;
}

void QtListBox::ItemData(std::int32_t index, std::int32_t value) {
    CheckIndex(index);
    entries[static_cast<std::size_t>(index)].Data = value;
}

// Every selection change, from code, keys or the mouse, comes through here:
// the entry is scrolled into view with the least movement, a screen reader
// hears of the new row, then Click.
void QtListBox::ListIndex(std::int32_t value) {
    if (value < -1 || value >= ListCount())
        Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(value));
    if (value == listIndex)
        return;
    listIndex = value;
    if (value >= 0) {
        Settle();
        const std::int32_t rows = std::max(1, VisibleRows());
        if (value < topIndex) {
            topIndex = value;
        } else if (value >= topIndex + rows) {
            topIndex = value - rows + 1;
        }
        topIndex = std::clamp(topIndex, 0, MaxTop());
    }
    Changed();
    if (ListWidget* w = ListOf(*this); w != nullptr && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(w, ToQ(List(value)));
        QAccessible::updateAccessibility(&event);
    }
    Fire(*this, OnClick);
}

std::int32_t QtListBox::TopIndex() const {
    Settle();
    return topIndex;
}

// Code may scroll without a Scroll event; an empty list stays at the top.
void QtListBox::TopIndex(std::int32_t value) {
    if (ListCount() == 0)
        return;
    CheckIndex(value);
    Settle();
    topIndex = std::min(value, MaxTop());
    Changed();
}

void QtListBox::UserScroll(std::int32_t top) {
    if (ListCount() == 0)
        return;
    Settle();
    const std::int32_t value = std::clamp(top, 0, MaxTop());
    if (value == topIndex) {
        Changed();
        return;
    }
    topIndex = value;
    Changed();
    Fire(*this, OnScroll);
}

// With nothing selected any navigation key starts at the first entry (End
// at the last). A page is one row less than the list shows.
void QtListBox::DefaultKeyDown(std::int16_t keyCode) {
    const std::int32_t count = ListCount();
    if (count == 0)
        return;
    const std::int32_t cur = listIndex;
    const std::int32_t page = std::max(1, VisibleRows() - 1);
    std::int32_t next = cur;
    switch (keyCode) {
        case key::Up:
            next = std::max(0, cur - 1);
            break;
        case key::Down:
            next = cur < 0 ? 0 : std::min(count - 1, cur + 1);
            break;
        case key::PageUp:
            next = std::max(0, cur - page);
            break;
        case key::PageDown:
            next = cur < 0 ? 0 : std::min(count - 1, cur + page);
            break;
        case key::Home:
            next = 0;
            break;
        case key::End:
            next = count - 1;
            break;
        default:
            return;
    }
    ListIndex(next);
}

// A character jumps to the next entry starting with it, wrapping around.
void QtListBox::DefaultChar(std::int16_t keyAscii) {
    if (keyAscii >= 0 && keyAscii < 32)
        return;
    const char32_t wanted = Folded(static_cast<char32_t>(static_cast<std::uint16_t>(keyAscii)));
    const std::int32_t count = ListCount();
    for (std::int32_t step = 1; step <= count; ++step) {
        const std::int32_t i = (std::max(listIndex, -1) + step) % count;
        const char32_t first = FirstChar(entries[static_cast<std::size_t>(i)].Text);
        if (first != 0 && Folded(first) == wanted) {
            ListIndex(i);
            return;
        }
    }
}

// A press on a row selects it; a press on the frame or below the last
// entry selects nothing.
void QtListBox::PressAt(float yPx) {
    Settle();
    const float inside = yPx - kFramePx / 2;
    if (inside < 0 || settledRowPx <= 0)
        return;
    const auto row = static_cast<std::int32_t>(std::floor(inside / settledRowPx));
    if (row >= VisibleRows())
        return;
    const std::int32_t index = topIndex + row;
    if (index < ListCount())
        ListIndex(index);
}

}  // namespace korvane::tk::qt
