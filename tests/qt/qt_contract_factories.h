// The desktops the toolkit contract suite runs against in the Qt test
// program: the Qt desktop on the X server the tests were started on.
#pragma once

// (contract_on_qt.cpp includes the desktop header ahead of the suite.)

INSTANTIATE_TEST_SUITE_P(Qt, ToolkitContract,
                         testing::Values(DesktopFactory{"Qt", [] { return std::make_unique<qt::QtDesktop>(); }}),
                         [](const testing::TestParamInfo<DesktopFactory>& info) { return info.param.Name; });
