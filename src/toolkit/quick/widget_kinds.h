// The concrete Qt Quick widgets: one class per widget kind, each built on
// the model's rules (model/widgets.h, model/list_box.h, model/field_text.h)
// and painting itself in its item. Forms and the simple kinds live in
// forms.cpp and widgets.cpp, the text box and the list box in their own
// files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "../model/field_text.h"
#include "../model/list_box.h"
#include "../model/widgets.h"
#include "accessibility.h"
#include "desktop.h"

namespace korvane::tk::qt {
class FieldEditor;
}

namespace korvane::tk::quick {

class QuickForm final : public model::FormBase<Node> {
public:
    QuickForm(QuickDesktop::Impl& desk, std::string name);
    void ApplyGeometry() override;

protected:
    void CaptionChanged() override;
};

class QuickUserControl final : public model::UserControlBase<Node> {
public:
    QuickUserControl(QuickDesktop::Impl& desk, Node& parent, std::string name, tk::Ambient ambient);

    void PropertyChanged(std::string_view property) override;
    void Repaint() override;
    void Paint(QPainter& painter) override;
};

class QuickLabel final : public model::LabelBase<Node> {
public:
    QuickLabel(QuickDesktop::Impl& desk, Node& parent, std::string name);
    void Paint(QPainter& painter) override;

protected:
    void CaptionChanged() override {
        Update();
        AccessibleValueChanged(*this);
    }
};

class QuickCommandButton final : public model::CommandButtonBase<Node> {
public:
    QuickCommandButton(QuickDesktop::Impl& desk, Node& parent, std::string name);
    void Paint(QPainter& painter) override;

protected:
    void LookChanged() override { Update(); }
};

class QuickImage final : public model::ImageBase<Node> {
public:
    QuickImage(QuickDesktop::Impl& desk, Node& parent, std::string name);
    void Paint(QPainter& painter) override;

protected:
    void PictureChanged() override { Update(); }
};

class QuickTimer final : public model::TimerBase<Node> {
public:
    QuickTimer(QuickDesktop::Impl& desk, Node& parent, std::string name);
    ~QuickTimer() override;
    void SetVisible(bool value) override { visible = value; }
    void Repaint() override {}

protected:
    void Reschedule() override;
};

// The text box: the shared field text, edited by the editor the Qt Widgets
// field uses too (qt/field_editor.h), which its item (field_item.h) hands
// the keys, the mouse, the focus and an input method's text.
class QuickTextBox final : public WidgetImpl<TextBox> {
public:
    QuickTextBox(QuickDesktop::Impl& desk, Node& parent, std::string name);
    ~QuickTextBox() override;

    const std::string& Text() const override { return field.Text(); }
    void Text(std::string value) override;
    std::int32_t SelStart() const override { return field.SelStart(); }
    void SelStart(std::int32_t value) override;
    std::int32_t SelLength() const override { return field.SelLength(); }
    void SelLength(std::int32_t value) override;
    bool Locked() const override { return locked; }
    void Locked(bool value) override;

    void SetHeight(float value) override;
    void SetFont(FontRef value) override;
    void DefaultKeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void DefaultChar(std::int16_t keyAscii, std::string_view typed) override;
    void PressAt(float yPx) override;
    void Paint(QPainter& painter) override;

    qt::FieldEditor& Editor() { return *editor_; }

    // Where the last press landed across the field, in pixels (the caret
    // goes there).
    float pressXPx = 0;
    // The text, caret and selection (what a screen reader reads).
    const model::FieldText& Field() const { return field; }
    // A screen reader's edit, as a person's (accessible_parts.cpp); none
    // while locked.
    void ReaderEdit(std::int32_t from, std::int32_t count, std::string_view bytes);

private:
    struct EditorFace;

    model::FieldText field;
    bool locked = false;
    std::unique_ptr<EditorFace> face_;
    std::unique_ptr<qt::FieldEditor> editor_;
};

class QuickListBox final : public model::ListBoxModel<WidgetImpl<ListBox>> {
public:
    QuickListBox(QuickDesktop::Impl& desk, Node& parent, std::string name);

    void Paint(QPainter& painter) override;
    void Wheel(int notches) override;

    // The scroll bar is a part of its own: a press on its track pages, a
    // press on its thumb drags it, and the rows and the control never see
    // those presses, the moves while one lasts, its release, or the pointer
    // passing over the bar. Each reports whether the bar took the event.
    bool ScrollBarPress(QPointF px);
    bool ScrollBarDrag(QPointF px);
    bool ScrollBarRelease();
    bool OverScrollBar(QPointF px) const;

protected:
    void RowsChanged() override { Update(); }
    void GeometryChanged() override { ApplyGeometry(); }
    // A screen reader hears of the new row, and of a search's new number
    // of matches.
    void SelectionChanged() override {
        Update();
        AccessibleRowChanged(*this);
    }
    void ViewChanged() override { AccessibleDescriptionChanged(*this); }

private:
    // The bar's track and thumb in the item's pixels: one geometry for
    // drawing, pressing and dragging.
    struct ScrollBarRects {
        QRectF bar;
        QRectF thumb;
    };
    ScrollBarRects ScrollBarGeometry() const;
    // The first row for a thumb whose top is at `thumbTop`.
    std::int32_t RowAtThumb(qreal thumbTop) const;
    enum class BarGesture { None, Track, Thumb };
    BarGesture gesture_ = BarGesture::None;
    qreal grabPx_ = 0;  // where the thumb was taken, below its top

    bool ScrollBarShown() const { return ShownCount() > VisibleRows(); }
    // GetSystemMetrics(CxVScroll), the desktop's Options::ScrollBarPx.
    qreal ScrollBarPx() const { return desk != nullptr ? desk->scrollBarPx : 12; }
};

}  // namespace korvane::tk::quick
