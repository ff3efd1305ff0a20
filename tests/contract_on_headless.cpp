// The toolkit contract suite (tests/contract) against the headless desktop.
#include "contract/toolkit_contract.h"
#include "korvane/toolkit/headless.h"

namespace korvane::tk::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Headless, ToolkitContract,
                         testing::Values(DesktopFactory{"Headless",
                                                        [] { return std::make_unique<headless::HeadlessDesktop>(); }}),
                         ContractName);

}  // namespace
}  // namespace korvane::tk::contract
