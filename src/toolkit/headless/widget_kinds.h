// The concrete headless widgets: one class per widget kind, each built on the
// shared Node state. The list box and the text box carry the most behaviour
// (rows, scrolling, whole-row heights; caret, selection, editing) and live in
// their own source files; the rest are in widgets.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../model/field_text.h"
#include "../model/list_box.h"
#include "../model/widgets.h"
#include "desktop.h"

namespace korvane::tk::headless {

class HeadlessForm final : public model::FormBase<Node> {
public:
    HeadlessForm(HeadlessDesktop::Impl& desk, std::string name);
};

class HeadlessUserControl final : public model::UserControlBase<Node> {
public:
    HeadlessUserControl(HeadlessDesktop::Impl& desk, Node& parent, std::string name, tk::Ambient ambient);

    void PropertyChanged(std::string_view property) override;
    void Repaint() override;
};

class HeadlessLabel final : public model::LabelBase<Node> {
public:
    HeadlessLabel(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
};

class HeadlessCommandButton final : public model::CommandButtonBase<Node> {
public:
    HeadlessCommandButton(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
};

class HeadlessImage final : public model::ImageBase<Node> {
public:
    HeadlessImage(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
};

class HeadlessTimer final : public model::TimerBase<Node> {
public:
    HeadlessTimer(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
    void Reschedule() override;

    std::int64_t nextDue = -1;  // virtual ms of the next tick; -1 when it does not tick
};

class HeadlessTextBox final : public WidgetImpl<TextBox> {
public:
    HeadlessTextBox(HeadlessDesktop::Impl& desk, Node& parent, std::string name);

    const std::string& Text() const override { return field.Text(); }
    void Text(std::string value) override;
    std::int32_t SelStart() const override { return field.SelStart(); }
    void SelStart(std::int32_t value) override { field.Select(value, value); }
    std::int32_t SelLength() const override { return field.SelLength(); }
    void SelLength(std::int32_t value) override;
    bool Locked() const override { return locked; }
    void Locked(bool value) override { locked = value; }

    float GetHeight() const override;
    void SetHeight(float value) override;
    void DefaultKeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void DefaultChar(std::int16_t keyAscii, std::string_view typed) override;

private:
    // Replaces the units [from, from + count) by `bytes`, leaves the caret
    // after them and raises Change when the text changed.
    void Edit(std::int32_t from, std::int32_t count, std::string_view bytes);

    model::FieldText field;
    bool locked = false;
};

class HeadlessListBox final : public model::ListBoxModel<WidgetImpl<ListBox>> {
public:
    HeadlessListBox(HeadlessDesktop::Impl& desk, Node& parent, std::string name);
};

}  // namespace korvane::tk::headless
