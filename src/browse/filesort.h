#pragma once
// The file list's sort comparisons: Name, Type, Dimensions, Size and Date,
// each ascending or descending, with the folder rule (".." first, then
// folders, then files) in both directions.

#include <QString>

#include <cstdint>
#include <functional>

#include "catalog/imagefileinfo.h"

namespace glimr {

class TFileList;

// The file list's columns, which are also its sort keys.
enum TSortColumn : int {
  scName = 0,
  scType = 1,
  scDimensions = 2,
  scSize = 3,
  scDate = 4,
  scRating = 5,
  scCount = 6,  // how many columns the list has
};

// The shell type name of an extension-table position ("JPEG image").
using TTypeNameOf = std::function<QString(std::int32_t extIndex)>;

// <0 when a goes before b in the column's order (ascending or descending).
// Names compare without regard to case; names differing only in case fall
// back to a case-sensitive comparison so that the order is always the same.
int CompareFiles(int column, bool ascending, const TImageFileInfo& a, const TImageFileInfo& b,
                 const TTypeNameOf& typeName = {});

// Sorts in place by the sort column and its header arrow: arrow state 2 sorts
// ascending, 0 and 1 descending; columns other than 0 to 4 keep the order.
void SortLoadedFiles(TFileList& list, int sortColumn, int arrowState,
                     const TTypeNameOf& typeName = {});

}  // namespace glimr
