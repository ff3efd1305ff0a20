// The concrete Qt widgets: for each widget kind, the Qt widget that shows
// it and the toolkit class the control holds. The Qt side turns Qt's events
// into the toolkit's events through its node; the node owns the Qt widget.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QPushButton>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../model/field_text.h"
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
// faces, the news that a list's current row moved, that a drop-down opened
// or closed and that the value changed, and how many of our faces are
// alive (for tests).
QAccessibleInterface* AccessibleFactory(const QString& className, QObject* object);
void AccessibleRowChanged(Node& list);
void AccessibleDropDownShown(Node& form);
// A part that shows the combo box's value was written by code.
void AccessibleValueChanged(Node& part);
void AccessibleDescriptionChanged(Node& part);
// The desktop moved the focus from widget `old` to widget `id`, where Qt
// may not follow (a drop-down takes no X focus).
void AccessibleFocusMoved(QtDesktop::Impl& desk, std::uint64_t id, std::uint64_t old);
int LiveAccessibleFaces();

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

// The field a text box shows: a line of text drawn and edited by us, not
// by Qt's edit field, because that one lays out its whole text on every
// key and a long text would make typing slow. The field lays out only the
// piece of text it shows, or the piece around the caret it works on, so a
// key costs the same at every length. The text, caret and selection live
// in the text box (the shared field text); the field's editor
// (field_editor.h, which the Qt Quick text box holds too) keeps its view:
// which unit is at its left edge, the undo history, an input method's
// pending text and the caret's blink.
class FieldWidget final : public QWidget, public Backref {
public:
    explicit FieldWidget(QWidget* parent);
    ~FieldWidget() override;

    // The text was replaced by code: the view goes back to the start and
    // the undo history is gone, as the user's edits no longer apply.
    // `old` is the text before, for a screen reader that listens.
    void TextReplaced(const std::string& old);
    // The caret or the selection moved by code.
    void CaretMoved();

    // What a screen reader reads (accessibility.cpp): the whole text, the
    // caret and selection in its UTF-16 offsets, and where a character is.
    QString WholeText() const;
    int Utf16Offset(std::int32_t unit) const;
    std::int32_t UnitOfUtf16(int offset) const;
    QRect CharacterRect(std::int32_t unit) const;
    std::int32_t UnitAt(QPoint point) const;
    void SelectUnits(std::int32_t anchor, std::int32_t caret);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
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
    void RoleChanged() override;
    void BecomeToolWindow();
};

class QtUserControl final : public model::UserControlBase<Node> {
public:
    QtUserControl(QtDesktop::Impl& desk, Node& parent, std::string name, tk::Ambient ambient);

    // The host saves the form itself; there is no designer to tell, so
    // the announcement is only recorded.
    void PropertyChanged(std::string_view property) override;
    void Repaint() override;
};

class QtLabel final : public model::LabelBase<Node> {
public:
    QtLabel(QtDesktop::Impl& desk, Node& parent, std::string name);
    void SetColors(OleColor backColor, OleColor foreColor) override;
    void Repaint() override;

private:
    void CaptionChanged() override {
        Repaint();
        AccessibleValueChanged(*this);
    }
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

    const std::string& Text() const override { return field.Text(); }
    void Text(std::string value) override;
    std::int32_t SelStart() const override { return field.SelStart(); }
    void SelStart(std::int32_t value) override;
    std::int32_t SelLength() const override { return field.SelLength(); }
    void SelLength(std::int32_t value) override;
    bool Locked() const override { return locked; }
    void Locked(bool value) override;

    void SetHeight(float value) override;
    // An edit by the user: replaces the units [from, from + count) by
    // `bytes`, caret after them, and raises Change when the text changed.
    // Returns false if the widget died in a handler.
    bool UserEdit(std::int32_t from, std::int32_t count, std::string_view bytes);

    model::FieldText field;
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
    // A search's view changed how many rows show: the reader hears the
    // combo box's description ("N matches") again.
    void ViewChanged() override { AccessibleDescriptionChanged(*this); }
};

ListWidget* ListOf(const QtListBox& list);
QtListBox* ListBoxOf(Node* node);

}  // namespace korvane::tk::qt
