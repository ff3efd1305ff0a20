// The toolkit contract suite (tests/contract) against the Qt Quick desktop.
#include "contract/toolkit_contract.h"
#include "korvane/toolkit/quick.h"

namespace korvane::tk::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Quick, ToolkitContract,
                         testing::Values(DesktopFactory{"Quick",
                                                        [] { return std::make_unique<quick::QuickDesktop>(); }}),
                         ContractName);

}  // namespace
}  // namespace korvane::tk::contract
