#pragma once
// One category as the category views list it: in depth-first order, with its
// depth (0 at the top level). The category tree, the filter tree and the File
// Info page's category list are all built from such a list, so they always
// hold the categories in the same order.

#include <QString>

#include <cstdint>
#include <vector>

namespace glimr {

struct TCategoryItem {
  std::int32_t ID = 0;
  QString Name;
  int Depth = 0;

  bool operator==(const TCategoryItem&) const = default;
};

using TCategoryItems = std::vector<TCategoryItem>;

}  // namespace glimr
