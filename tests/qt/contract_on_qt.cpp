// The toolkit contract suite, compiled once more with the Qt desktop as its
// only desktop.
#include "korvane/toolkit/qt.h"

#define KORVANE_CONTRACT_FACTORIES "qt_contract_factories.h"
#include "toolkit_contract_test.cpp"
