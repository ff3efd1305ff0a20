// The concrete Qt widgets: for each widget kind, the Qt widget that shows
// it and the toolkit class the control holds. The Qt side turns Qt's events
// into the toolkit's events through its node; the node owns the Qt widget.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "../model/list_box.h"
#include "../model/widgets.h"
#include "desktop.h"

namespace korvane::tk::qt {

// What every Qt widget of ours knows: its node, null once the node is gone.
struct Backref {
    Node* node = nullptr;
    virtual ~Backref() = default;
};

// Runs an event override and keeps exceptions out of Qt's event loop: a
// handler that fails is reported on the standard error, as an unhandled
// run-time error would be.
template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane: run-time error in an event handler: %s\n", e.what());
    }
}

// Input of our Qt widgets, raised on their nodes (input.cpp). NodeOfWidget
// is null for a widget that is not ours or whose node is gone.
Node* NodeOfWidget(const QObject* object);
// Mouse events of any of our widgets: Button, Shift and the position in
// twips of the widget that received them. Returns false if the widget died.
enum class MouseEvent { Down, Move, Up };
// Where the pointer of `e` is in `w`, in the program's pixels with their
// fraction.
QPointF PositionIn(const QWidget& w, const QMouseEvent& e);
bool Mouse(QWidget& w, QMouseEvent& e, MouseEvent which);
// KeyDown, then the key's character as KeyPress; `keyDefault` and
// `charDefault` run the widget's own handling of what the handlers left
// (KeyCode 0 or KeyAscii 0 stop it; `asTyped` says KeyAscii is unchanged).
void Keys(QWidget& w, QKeyEvent& e, const std::function<void(std::int16_t code, std::int16_t shift)>& keyDefault,
          const std::function<void(std::int16_t ascii, bool asTyped)>& charDefault);
void KeyUp(QWidget& w, QKeyEvent& e);
void FocusIn(QWidget& w);

// What a screen reader sees (accessibility.cpp): the name announced for a
// piece of the control, the factory Qt asks for our widgets' accessible
// faces, and the news that a drop-down's current row moved.
QString AccessibleName(const std::string& name);
QAccessibleInterface* AccessibleFactory(const QString& className, QObject* object);
void AccessibleRowChanged(Node& list);

// Paints the focus rectangles of a user control's device context (pixels of
// the user control) on a widget that lies at `offset` inside it.
void PaintFocusRects(QPainter& painter, const std::vector<Rect>& rects, QPoint offset);

// --- Qt side -----------------------------------------------------------------------

class FormWindow final : public QWidget, public Backref {
public:
    explicit FormWindow(Qt::WindowFlags flags);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

class SurfaceWidget final : public QWidget, public Backref {
public:
    explicit SurfaceWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

class EditWidget final : public QLineEdit, public Backref {
public:
    explicit EditWidget(QWidget* parent);

    // Shows `text` with the caret at the start and nothing selected. Laying
    // out a line of text is most of what a field costs, and code may set a
    // field many times between two paints (moving through the rows), so
    // the field takes the text once, before it next handles any event
    // (a paint, a key, a query of a screen reader or an input method) or
    // when the event loop next runs. With a screen reader listening it
    // takes it at once, as the reader may ask for it directly.
    void ShowText(const QString& text);
    // True while a text given to ShowText is not in the field yet; the
    // caret is then at the start and nothing is selected.
    bool TextPending() const { return pending_; }
    // Puts a pending text in the field now.
    void Settle();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString pendingText_;
    bool pending_ = false;
    bool settleQueued_ = false;
};

// Labels and images: windowless in the toolkit, so a press on them focuses
// their user control, and the user control's focus rectangles show on them.
class PassiveWidget final : public QWidget, public Backref {
public:
    explicit PassiveWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A push button; flat, it is drawn as its caption alone, like a link.
class ButtonWidget final : public QPushButton, public Backref {
public:
    explicit ButtonWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

class ListWidget final : public QAbstractScrollArea, public Backref {
public:
    explicit ListWidget(QWidget* parent);
    // Puts the scroll bar on the list's rows without raising Scroll.
    void SyncScrollBar();
    // The rows changed: the scroll bar follows and the list is drawn again
    // once the current batch of changes is over (one queued call, however
    // many rows changed), so a fill or a sort is drawn once.
    void RowsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int syncing_ = 0;
    bool syncPending_ = false;
};

// --- toolkit side --------------------------------------------------------------------

class QtForm final : public model::FormBase<Node> {
public:
    QtForm(QtDesktop::Impl& desk, std::string name);

    void ApplyGeometry() override;

    bool toolWindow = false;

private:
    void CaptionChanged() override;
    void DialogChanged() override;
};

class QtUserControl final : public model::UserControlBase<Node> {
public:
    QtUserControl(QtDesktop::Impl& desk, Node& parent, std::string name, tk::Ambient ambient);

    // The host saves the form itself; there is no designer to tell.
    void PropertyChanged(std::string_view) override {}
    void Repaint() override;
};

class QtLabel final : public model::LabelBase<Node> {
public:
    QtLabel(QtDesktop::Impl& desk, Node& parent, std::string name);
    void SetColors(OleColor backColor, OleColor foreColor) override;
    void Repaint() override;

private:
    void CaptionChanged() override { Repaint(); }
};

class QtCommandButton final : public model::CommandButtonBase<Node> {
public:
    QtCommandButton(QtDesktop::Impl& desk, Node& parent, std::string name);

private:
    void LookChanged() override;
};

class QtImage final : public model::ImageBase<Node> {
public:
    QtImage(QtDesktop::Impl& desk, Node& parent, std::string name);

private:
    void PictureChanged() override;
};

class QtTimer final : public model::TimerBase<Node> {
public:
    QtTimer(QtDesktop::Impl& desk, Node& parent, std::string name);
    void SetVisible(bool value) override { visible = value; }
    void ApplyGeometry() override {}
    void Reschedule() override;
};

class QtTextBox final : public WidgetImpl<TextBox> {
public:
    QtTextBox(QtDesktop::Impl& desk, Node& parent, std::string name);

    const std::string& Text() const override { return text; }
    void Text(std::string value) override;
    std::int32_t SelStart() const override;
    void SelStart(std::int32_t value) override;
    std::int32_t SelLength() const override;
    void SelLength(std::int32_t value) override;
    bool Locked() const override { return locked; }
    void Locked(bool value) override;

    void SetHeight(float value) override;
    // The text Qt's edit field holds now; raises Change when it differs.
    void TextEdited(const QString& now);

    std::string text;
    bool locked = false;
};

class QtListBox final : public model::ListBoxModel<WidgetImpl<ListBox>> {
public:
    QtListBox(QtDesktop::Impl& desk, Node& parent, std::string name);

    void Changed();  // repaint and scroll bar

private:
    void RowsChanged() override { Changed(); }
    void SelectionChanged() override;
    void GeometryChanged() override;
};

ListWidget* ListOf(const QtListBox& list);
QtListBox* ListBoxOf(Node* node);

}  // namespace korvane::tk::qt
