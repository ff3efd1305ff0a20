// Test support: a host with a desktop (the test program's driver, see
// driver.h), a form and one KorvaneBox on it, and an event recorder that
// keeps every event the host receives, in order, with its arguments.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace korvane::test {

using tk::headless::HeadlessDesktop;

// Records the control's events as text ("Click", "KeyDown 40 0",
// "MouseDown 1 0 30 45"). A test may hook any event to act inside it, the
// way a host handler would.
class EventRecorder : public ucvKorvaneEvents {
public:
    std::vector<std::string> events;
    std::function<void()> onClick;
    std::function<void(std::int16_t&, std::int16_t&)> onKeyDown;
    std::function<void(std::int16_t&, std::int16_t&)> onKeyPress;
    std::function<void()> onFilled;
    std::function<void(std::int32_t&)> onSearchChanged;

    void Click() override {
        events.push_back("Click");
        if (onClick)
            onClick();
    }
    void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override {
        events.push_back("KeyDown " + std::to_string(keyCode) + " " + std::to_string(shift));
        if (onKeyDown)
            onKeyDown(keyCode, shift);
    }
    void KeyPress(std::int16_t& keyAscii, std::int16_t& col) override {
        events.push_back("KeyPress " + std::to_string(keyAscii) + " " + std::to_string(col));
        if (onKeyPress)
            onKeyPress(keyAscii, col);
    }
    void KeyUp(std::int16_t& keyCode, std::int16_t& shift) override {
        events.push_back("KeyUp " + std::to_string(keyCode) + " " + std::to_string(shift));
    }
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseDown", b, s, x, y); }
    void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseMove", b, s, x, y); }
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseUp", b, s, x, y); }
    void Filled() override {
        events.push_back("Filled");
        if (onFilled)
            onFilled();
    }

    void SearchChanged(std::int32_t& matches) override {
        events.push_back("SearchChanged " + std::to_string(matches));
        if (onSearchChanged)
            onSearchChanged(matches);
    }

    int Count(const std::string& name) const {
        int n = 0;
        for (const auto& e : events)
            if (e == name || e.rfind(name + " ", 0) == 0)
                ++n;
        return n;
    }
    // Events other than mouse moves, which a pointer produces in numbers.
    std::vector<std::string> WithoutMoves() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind("MouseMove", 0) != 0)
                out.push_back(e);
        return out;
    }
    void Clear() { events.clear(); }

private:
    void Mouse(const char* name, std::int16_t b, std::int16_t s, float x, float y) {
        events.push_back(std::string(name) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                         std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
    }
};

// One host form with one control, created the way a host creates it: at
// run time from saved properties (the style among them), or at design time
// from the defaults.
class Host {
public:
    explicit Host(StyleType style = StyleType::DropdownCombo, bool userMode = true,
                  const TestDesktop::Options& options = {})
        : driver(MakeTestDesktop(options)), desktop(*driver) {
        form = desktop.CreateForm("Form1");
        form->Width(9000);
        form->Height(6000);
        form->Left(1500);
        form->Top(1500);
        Site site;
        site.UserMode = userMode;
        site.Left = 300;
        site.Top = 300;
        control = std::make_unique<ucvKorvane>(*form, site);
        control->Advise(&recorder);
        // The form gives the control its extent before its properties: the
        // saved one, or the designer's default for a new control.
        const bool simple = userMode && style == StyleType::SimpleCombo;
        control->Container().Width(simple ? 3970.0f : 4240.0f);
        control->Container().Height(simple ? 2130.0f : 330.0f);
        if (userMode) {
            tk::MemoryPropertyBag bag;
            bag.Set("Style", static_cast<std::int32_t>(style));
            control->ReadProperties(bag);
        } else {
            control->InitProperties();
            if (style != StyleType::DropdownCombo)
                control->Style(style);
        }
        form->Show();
        desktop.ClearRecords();
    }

    ucvKorvane& ctl() { return *control; }

    template <typename T = tk::Widget>
    T& Widget(const std::string& name) {
        tk::Widget* w = desktop.Find("Form1.KorvaneBox1." + name);
        if (!w)
            w = desktop.Find("Window." + name);
        if (!w)
            throw std::runtime_error("no widget " + name);
        auto* typed = dynamic_cast<T*>(w);
        if (!typed)
            throw std::runtime_error("widget " + name + " has another type");
        return *typed;
    }

    // The list pair that holds the rows in this style.
    tk::ListBox& RowList(int column) {
        if (control->Style() == StyleType::SimpleCombo)
            return Widget<tk::ListBox>(column == 1 ? "lstCol1a" : "lstCol2a");
        return *static_cast<tk::ListBox*>(desktop.Find(column == 1 ? "Window.lstCol1" : "Window.lstCol2"));
    }

    // The drop-down window of the two dropdown styles (none in Simple Combo).
    tk::Form* DropDownWindow() { return static_cast<tk::Form*>(desktop.Find("Window")); }

    // Presses and releases the mouse on the drop-down button, as a person does.
    void PressButton() { desktop.ClickAt(Widget("imgCombo"), 90, 90); }

    void Fill(const std::vector<std::pair<std::string, std::string>>& rows) {
        std::int32_t id = 0;
        for (const auto& [a, b] : rows)
            control->AddItem(a, b, ++id * 10);
    }

    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (std::int32_t i = 0; i < control->ListCount(); ++i)
            rows.push_back(control->List(i));
        return rows;
    }

    std::unique_ptr<TestDesktop> driver;
    TestDesktop& desktop;
    std::unique_ptr<tk::Form> form;
    EventRecorder recorder;
    std::unique_ptr<ucvKorvane> control;
};

inline const StyleType kAllStyles[] = {StyleType::DropdownCombo, StyleType::SimpleCombo, StyleType::DropdownList};

inline std::string StyleLabel(const testing::TestParamInfo<StyleType>& info) {
    switch (info.param) {
        case StyleType::DropdownCombo:
            return "DropdownCombo";
        case StyleType::SimpleCombo:
            return "SimpleCombo";
        case StyleType::DropdownList:
            return "DropdownList";
    }
    return "Other";
}

// A filled control in each style that has a drop-down window, and the
// gestures that work it.
class DropDownFixture : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();

    // Fills the control and forgets the events the filling raised.
    void FillWith(const std::vector<std::pair<std::string, std::string>>& rows) {
        host.Fill(rows);
        host.recorder.Clear();
    }
    tk::Form& window() { return *host.DropDownWindow(); }
    tk::ListBox& list1() { return host.RowList(1); }
    tk::ListBox& list2() { return host.RowList(2); }
    void PressButton() { host.PressButton(); }
    // One tick of the focus watcher, which hands a chosen row to the control.
    void Tick() { host.desktop.Advance(100); }
};

inline const auto kDropDownStyles = testing::Values(StyleType::DropdownCombo, StyleType::DropdownList);

// Runs `action` and returns the error it raised, or {0, ""} when none.
inline std::pair<std::int32_t, std::string> ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return {e.Number(), e.Description()};
    }
    return {0, ""};
}

}  // namespace korvane::test
