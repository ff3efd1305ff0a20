// The toolkit contract suite (tests/contract) against the Qt desktop on the
// X server the tests were started on.
#include "contract/toolkit_contract.h"
#include "korvane/toolkit/qt.h"

namespace korvane::tk::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Qt, ToolkitContract,
                         testing::Values(DesktopFactory{"Qt", [] { return std::make_unique<qt::QtDesktop>(); }}),
                         ContractName);

}  // namespace
}  // namespace korvane::tk::contract
