#include "browse/filter.h"

#include <optional>

#include "browse/filelist.h"
#include "browse/filemask.h"
#include "common/errors.h"

namespace glimr {

void ApplyFilter(const TFileList& source, TFileList& destination, const TFilterSettings& filter) {
  destination.AssignRefs(source);
  if (!filter.Active) {
    return;
  }
  std::optional<TFileMask> mask;
  std::optional<GlimrError> maskError;
  try {
    mask.emplace(QLatin1Char('*') + filter.NameText + QLatin1Char('*'));
  } catch (const GlimrError& e) {
    maskError = e;
  }
  destination.RemoveIf([&](const TImageFileInfo& r) {
    if (r.IsFolder) {
      return false;
    }
    if (mask && !mask->Matches(r.FileName)) {
      return true;
    }
    if (!filter.Ratings.isEmpty() && !filter.Ratings.contains(r.Rating)) {
      return true;
    }
    if (!filter.Categories.isEmpty() && !filter.Categories.contains(r.CategoryID)) {
      return true;
    }
    return false;
  });
  if (maskError) {
    throw *maskError;
  }
}

}  // namespace glimr
