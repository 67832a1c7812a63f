#include "organize/categoryrelease.h"

#include <unordered_set>

#include "browse/filelist.h"

namespace glimr {

int ReleaseDeletedCategories(TFileList& list, const std::vector<std::int32_t>& deletedIDs) {
  const std::unordered_set<std::int32_t> deleted(deletedIDs.begin(), deletedIDs.end());
  int changed = 0;
  for (int i = 0; i < list.Count(); ++i) {
    TImageFileInfo* r = list.At(i);
    if (r->CategoryID != 0 && deleted.contains(r->CategoryID)) {
      r->CategoryID = 0;
      ++changed;
    }
  }
  return changed;
}

}  // namespace glimr
