#include "catalog/imagefileinfo.h"

namespace glimr {

void CopyImageFileInfo(TImageFileInfo& destination, const TImageFileInfo& source) {
  destination = source;
  // QString is implicitly shared; detach so the copy never aliases the source.
  destination.Caption.detach();
  destination.FileName.detach();
  destination.TypeName.detach();
  destination.Path.detach();
}

}  // namespace glimr
