// The concrete headless widgets: one class per widget kind, each built on the
// shared Node state. The list box and the text box carry the most behaviour
// (rows, scrolling, whole-row heights; caret, selection, editing) and live in
// their own source files; the rest are in widgets.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../model/list_box.h"
#include "desktop.h"

namespace korvane::tk::headless {

class HeadlessForm final : public WidgetImpl<Form> {
public:
    HeadlessForm(HeadlessDesktop::Impl& desk, std::string name);

    bool Loaded() const override { return loaded; }
    void Load() override;
    void Unload() override;
    void Show(int modal) override;
    void Hide() override;
    const std::string& Caption() const override { return caption; }
    void Caption(std::string value) override { caption = std::move(value); }
    PictureRef Icon() const override { return formIcon; }
    void Icon(PictureRef value) override { formIcon = std::move(value); }
    float TextHeight(std::string_view text) const override { return Node::TextHeight(text); }
    float TextWidth(std::string_view text) const override { return Node::TextWidth(text); }

    void SetVisible(bool value) override;

    bool loaded = false;
    std::string caption;
    PictureRef formIcon;
};

class HeadlessUserControl final : public WidgetImpl<UserControl> {
public:
    HeadlessUserControl(HeadlessDesktop::Impl& desk, Node& parent, std::string name, tk::Ambient ambient);

    Hdc hDC() const override { return dc; }
    const tk::Ambient& Ambient() const override { return ambient; }
    float TextHeight(std::string_view text) const override { return Node::TextHeight(text); }
    float TextWidth(std::string_view text) const override { return Node::TextWidth(text); }
    void PropertyChanged(std::string_view property) override;

    void SetWidth(float value) override;
    void SetHeight(float value) override;
    void SetVisible(bool value) override;
    void Repaint() override;

    Hdc dc = 0;
    tk::Ambient ambient;
};

class HeadlessLabel final : public WidgetImpl<Label> {
public:
    HeadlessLabel(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
    const std::string& Caption() const override { return caption; }
    void Caption(std::string value) override { caption = std::move(value); }

    std::string caption;
};

class HeadlessImage final : public WidgetImpl<Image> {
public:
    HeadlessImage(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
    PictureRef Picture() const override { return picture; }
    void Picture(PictureRef value) override { picture = std::move(value); }

    PictureRef picture;
};

class HeadlessTimer final : public WidgetImpl<Timer> {
public:
    HeadlessTimer(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
    std::int32_t Interval() const override { return interval; }
    void Interval(std::int32_t value) override;
    void SetEnabled(bool value) override;
    void Reschedule();

    std::int32_t interval = 0;
    std::int64_t nextDue = -1;  // virtual ms of the next tick; -1 when it does not tick
};

class HeadlessTextBox final : public WidgetImpl<TextBox> {
public:
    HeadlessTextBox(HeadlessDesktop::Impl& desk, Node& parent, std::string name);

    const std::string& Text() const override { return text; }
    void Text(std::string value) override;
    std::int32_t SelStart() const override { return selStart; }
    void SelStart(std::int32_t value) override;
    std::int32_t SelLength() const override { return selLength; }
    void SelLength(std::int32_t value) override;
    bool Locked() const override { return locked; }
    void Locked(bool value) override { locked = value; }

    float GetHeight() const override;
    void SetHeight(float value) override;
    void DefaultKeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void DefaultChar(std::int16_t keyAscii, std::string_view typed) override;

private:
    // Replaces the units [from, from + count) by `bytes`, leaves the caret
    // after them and raises Change. Returns false if the widget died.
    void Edit(std::int32_t from, std::int32_t count, std::string_view bytes);

    std::string text;
    std::int32_t selStart = 0;
    std::int32_t selLength = 0;
    bool locked = false;
};

class HeadlessListBox final : public model::ListBoxModel<WidgetImpl<ListBox>> {
public:
    HeadlessListBox(HeadlessDesktop::Impl& desk, Node& parent, std::string name);

    float RowPx() const override;

private:
    float TwipsPerPixelY() const override;
    void RaiseClick() override;
    void RaiseScroll() override;
};

}  // namespace korvane::tk::headless
