// The sort's working storage, kept by the control between sorts so that
// sorting again reuses memory instead of asking for it anew.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "control/sort_keys.h"

namespace korvane::detail {

template <typename Key>
struct SortItem {
    Key key;
    std::int32_t row;
};

struct SortScratch {
    std::vector<std::string_view> column;  // the texts keyed, while the keys are made
    std::vector<double> numberKeys;
    TextKeys textKeys;
    std::vector<SortItem<double>> numberItems;
    std::vector<SortItem<std::string_view>> textItems;
    std::vector<std::int32_t> order;       // the rows in their new order
    std::vector<std::int32_t> sortedData;  // their item numbers in that order
};

}  // namespace korvane::detail
