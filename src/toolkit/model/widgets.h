// The widget kinds whose rules both desktops share: forms (load, query
// unload, show and hide through the desktop, the dialog frame), the
// user-control container (Resize on every real change, Paint when it comes
// on view), labels, push buttons (what clicks them), images and timers (the
// interval and the restart rules). A desktop
// derives its classes from these and adds what it shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "node.h"

namespace korvane::tk::model {

template <class NodeT>
class FormBase : public WidgetBase<Form, NodeT> {
public:
    template <class DeskT>
    FormBase(DeskT& d, std::string name) : WidgetBase<Form, NodeT>(d, Kind::Form, std::move(name), nullptr) {
        this->visible = false;  // forms start hidden and unloaded
        this->width = 4800;
        this->height = 3600;
    }

    bool Loaded() const override { return loaded; }
    void Load() override {
        if (loaded)
            return;
        loaded = true;
        Fire(*this, this->OnLoad);
    }
    // QueryUnload may cancel; otherwise the form is hidden and unloaded.
    // Its widgets stay: they belong to whoever created them.
    void Unload() override {
        if (!loaded || this->desk == nullptr)
            return;
        auto& d = *this->desk;
        const std::uint64_t me = this->id;
        std::int16_t cancel = 0;
        if (!Fire(*this, this->OnQueryUnload, cancel) || cancel != 0)
            return;
        d.HideForm(me);
        if (auto* still = dynamic_cast<FormBase*>(d.Get(me)))
            still->loaded = false;
    }
    void Show(int modal) override {
        if (this->desk != nullptr)
            this->desk->ShowForm(this->id, modal);
    }
    void Hide() override {
        if (this->desk != nullptr)
            this->desk->HideForm(this->id);
    }
    const std::string& Caption() const override { return caption; }
    void Caption(std::string value) override {
        caption = std::move(value);
        CaptionChanged();
    }
    PictureRef Icon() const override { return formIcon; }
    void Icon(PictureRef value) override { formIcon = std::move(value); }
    float TextHeight(std::string_view text) const override { return NodeT::TextHeight(text); }
    float TextWidth(std::string_view text) const override { return NodeT::TextWidth(text); }
    bool Dialog() const override { return dialog; }
    void Dialog(bool value) override {
        dialog = value;
        DialogChanged();
    }

    void SetVisible(bool value) override {
        if (value) {
            Show(Form::Modeless);
        } else {
            Hide();
        }
    }

    bool loaded = false;
    bool dialog = false;
    std::string caption;
    PictureRef formIcon;

protected:
    virtual void CaptionChanged() {}
    virtual void DialogChanged() {}
};

template <class NodeT>
class UserControlBase : public WidgetBase<UserControl, NodeT> {
public:
    template <class DeskT>
    UserControlBase(DeskT& d, NodeT& parent, std::string name, tk::Ambient a)
        : WidgetBase<UserControl, NodeT>(d, Kind::UserControl, std::move(name), &parent), dc(d.nextHdc++), ambient(a) {
        this->width = 2400;
        this->height = 330;
    }

    Hdc hDC() const override { return dc; }
    const tk::Ambient& Ambient() const override { return ambient; }
    float TextHeight(std::string_view text) const override { return NodeT::TextHeight(text); }
    float TextWidth(std::string_view text) const override { return NodeT::TextWidth(text); }

    // Resize is raised at once, inside the write; a handler may write the
    // size again, which raises Resize again if it changes.
    void SetWidth(float value) override {
        this->CheckSize(value);
        if (value == this->width)
            return;
        this->width = value;
        this->ApplyGeometry();
        Fire(*this, this->OnResize);
    }
    void SetHeight(float value) override {
        this->CheckSize(value);
        if (value == this->height)
            return;
        this->height = value;
        this->ApplyGeometry();
        Fire(*this, this->OnResize);
    }
    // A control that comes on view paints.
    void SetVisible(bool value) override {
        const bool wasVisible = this->visible;
        auto* d = this->desk;
        const std::uint64_t me = this->id;
        NodeT::SetVisible(value);
        if (d == nullptr)
            return;
        if (auto* still = d->Get(me); still != nullptr && value && !wasVisible && d->EffectivelyVisible(*still))
            d->PaintTree(*still);
    }

    Hdc dc = 0;
    tk::Ambient ambient;
};

template <class NodeT>
class LabelBase : public WidgetBase<Label, NodeT> {
public:
    template <class DeskT>
    LabelBase(DeskT& d, NodeT& parent, std::string name)
        : WidgetBase<Label, NodeT>(d, Kind::Label, std::move(name), &parent) {
        this->width = 1215;
        this->height = 255;
    }
    const std::string& Caption() const override { return caption; }
    void Caption(std::string value) override {
        if (value == caption)
            return;
        caption = std::move(value);
        CaptionChanged();
    }

    std::string caption;

protected:
    virtual void CaptionChanged() {}
};

// A push button: a press and release of the left button on it, Space and
// Enter while it has the focus click it; a window's default and cancel
// buttons are found by DesktopModel::DialogButton.
template <class NodeT>
class CommandButtonBase : public WidgetBase<CommandButton, NodeT> {
public:
    template <class DeskT>
    CommandButtonBase(DeskT& d, NodeT& parent, std::string name)
        : WidgetBase<CommandButton, NodeT>(d, Kind::CommandButton, std::move(name), &parent) {
        this->width = 1215;
        this->height = 375;
    }
    const std::string& Caption() const override { return caption; }
    void Caption(std::string value) override {
        caption = std::move(value);
        LookChanged();
    }
    bool Default() const override { return isDefault; }
    void Default(bool value) override {
        isDefault = value;
        LookChanged();
    }
    bool Cancel() const override { return isCancel; }
    void Cancel(bool value) override { isCancel = value; }
    bool Flat() const override { return flat; }
    void Flat(bool value) override {
        flat = value;
        LookChanged();
    }

    void Click() {
        if (this->desk != nullptr)
            Fire(*this, this->OnClick);
    }
    void DefaultChar(std::int16_t keyAscii, std::string_view) override {
        if (keyAscii == key::Space || keyAscii == key::Return)
            Click();
    }
    void Released(bool inside) override {
        if (inside)
            Click();
    }

    std::string caption;
    bool isDefault = false;
    bool isCancel = false;
    bool flat = false;

protected:
    virtual void LookChanged() {}
};

template <class NodeT>
class ImageBase : public WidgetBase<Image, NodeT> {
public:
    template <class DeskT>
    ImageBase(DeskT& d, NodeT& parent, std::string name)
        : WidgetBase<Image, NodeT>(d, Kind::Image, std::move(name), &parent) {
        this->width = 480;
        this->height = 480;
    }
    PictureRef Picture() const override { return picture; }
    void Picture(PictureRef value) override {
        picture = std::move(value);
        PictureChanged();
    }

    PictureRef picture;

protected:
    virtual void PictureChanged() {}
};

template <class NodeT>
class TimerBase : public WidgetBase<Timer, NodeT> {
public:
    template <class DeskT>
    TimerBase(DeskT& d, NodeT& parent, std::string name)
        : WidgetBase<Timer, NodeT>(d, Kind::Timer, std::move(name), &parent) {}

    std::int32_t Interval() const override { return interval; }
    void Interval(std::int32_t value) override {
        if (value < 0)
            Raise(ErrorCode::ToolkitInvalidPropertyValue, this->name);
        interval = value;
        Reschedule();
    }
    // Enabling a stopped timer starts its count again; enabling a running
    // one leaves it alone.
    void SetEnabled(bool value) override {
        const bool restart = value != this->enabled || !value;
        this->enabled = value;
        if (restart)
            Reschedule();
    }

    std::int32_t interval = 0;

protected:
    // Starts the count from now while enabled with an interval, else stops.
    virtual void Reschedule() = 0;
};

}  // namespace korvane::tk::model
