// What every toolkit must do for the control, stated against the abstract
// desktop and widget interface only. The cases live in
// toolkit_contract_test.cpp, built once as a library; each test program
// runs them against its desktops with
//   INSTANTIATE_TEST_SUITE_P(Name, ToolkitContract, testing::Values(DesktopFactory{...}), ContractName);
// (tests/contract_on_headless.cpp, tests/qt/contract_on_qt.cpp).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "korvane/errors.h"
#include "korvane/toolkit/desktop.h"

namespace korvane::tk::contract {

constexpr std::int32_t kInvalidValue = 380;
constexpr std::int32_t kInvalidIndex = 381;
constexpr std::int32_t kCantSetFocus = 20005;

// A desktop the suite runs against: its name in the test names, and how to
// make a fresh one for every case.
struct DesktopFactory {
    std::string Name;
    std::function<std::unique_ptr<Desktop>()> Make;
};

// The error number `action` raised, 0 when it raised none.
inline std::int32_t ErrorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

class ToolkitContract : public testing::TestWithParam<DesktopFactory> {
protected:
    void SetUp() override {
        desktop = GetParam().Make();
        ASSERT_EQ(desktop->TwipsPerPixelX(), 15) << "the figures below are those of a 96-dpi screen";
        ASSERT_EQ(desktop->TwipsPerPixelY(), 15);
        form = desktop->CreateForm("frmHost");
        form->Width(9000);
        form->Height(6000);
        list = desktop->CreateListBox(*form, "lstRows");
        list->Height(1800);
        list->OnClick = [this] { ++clicks; };
    }

    void Fill(int count) {
        for (int i = 0; i < count; ++i)
            list->AddItem("row " + std::to_string(i));
    }

    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<Form> form;
    std::unique_ptr<ListBox> list;
    int clicks = 0;
};

// Names the instances after their desktop.
inline std::string ContractName(const testing::TestParamInfo<DesktopFactory>& info) {
    return info.param.Name;
}

}  // namespace korvane::tk::contract
