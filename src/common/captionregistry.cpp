#include "common/captionregistry.h"

namespace glimr {

void TCaptionRegistry::Register(TCaptionTarget target, ApplyCaptions applyCaptions) {
  routines_[target] = std::move(applyCaptions);
}

void TCaptionRegistry::Unregister(TCaptionTarget target) {
  routines_.erase(target);
}

void TCaptionRegistry::ApplyLanguage() const {
  // std::map keeps its keys sorted, and the enum lists the windows in order.
  for (const auto& [target, routine] : routines_) {
    if (routine) {
      routine();
    }
  }
}

}  // namespace glimr
