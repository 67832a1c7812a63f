#include "ribbon/ribbonjump.h"

#include "ribbon/ribbon.h"

namespace glimr {

int FinishGlide(TRibbon& ribbon) {
  if (!ribbon.Animating) {
    return ribbon.CurrentIndex;
  }
  // The last tick walks the entries from where the camera stands to the
  // path's end in one go; its shift rebuilds the slots as a long step
  // would. Running the tick itself keeps the two from drifting apart.
  ribbon.AnimStep = kPathLength - 1;
  ribbon.ViewPosition = ribbon.Path[kPathLength - 1];
  ribbon.AnimTick();
  return ribbon.TargetIndex;
}

}  // namespace glimr
