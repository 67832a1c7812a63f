#include "ribbon/ribbongap.h"

#include "catalog/imagefileinfo.h"
#include "ribbon/ribbon.h"

namespace glimr {

bool CloseRibbonGap(TRibbon& ribbon) {
  TRibbonModel& model = ribbon.Model();
  const int count = model.Count();
  if (count == 0) {
    ribbon.AnimStep = 0;
    ribbon.CurrentIndex = 0;
    ribbon.TargetIndex = 0;
    ribbon.ViewPosition = 0;
    ribbon.CurrentPosition = 0;
    ribbon.Animating = false;
    ribbon.WidthAnimation.clear();
    ribbon.PrepareScene();
    return false;
  }
  // A running glide follows a path laid out over the old list; the camera
  // stops where it stands and the gap closes under it.
  ribbon.Animating = false;
  ribbon.AnimStep = 0;
  // The camera stood beyond the new end of the list: put it on the last entry.
  if (2.0 * count <= ribbon.ViewPosition) {
    ribbon.CurrentIndex = count - 1;
    ribbon.ViewPosition = 2.0 * (count - 1);
  }
  // The current entry is the last one whose coordinate (the widened widths
  // included) does not pass the view position, so the picture does not jump.
  int index = 0;
  double position = 0.0;
  for (int i = 1; i < count; ++i) {
    const double next = position + ribbon.WidthOf(i);
    if (next > ribbon.ViewPosition) {
      break;
    }
    position = next;
    index = i;
  }
  ribbon.CurrentIndex = index;
  ribbon.CurrentPosition = position;
  // The list has no focused row after a removal; the next focused row glides
  // from the entry the camera shows, not from an index of the old list.
  ribbon.TargetIndex = index;
  ribbon.PrepareScene();
  for (int i = 1; i < count; ++i) {
    TImageFileInfo* r = model.FileAt(i);
    if (r == nullptr || r->SlotWidth <= 2.0) {
      continue;
    }
    r->ShrinkStep = 0;
    r->ShrinkExcess = r->SlotWidth - 2.0;
    const QString key = r->FullPath();
    // An entry widened twice (a second removal while it still shrinks)
    // starts over from its new width but is listed once.
    if (!ribbon.WidthAnimation.contains(key)) {
      ribbon.WidthAnimation.append(key);
    }
  }
  return true;
}

void ShiftRibbonForInsert(TRibbon& ribbon, int first, int last) {
  const int n = last - first + 1;
  if (n <= 0) {
    return;
  }
  ribbon.Animating = false;
  ribbon.AnimStep = 0;
  // Into an empty list nothing moves: the new entries start at 0.
  if (first <= ribbon.TargetIndex && ribbon.Model().Count() > n) {
    ribbon.TargetIndex += n;
  }
  // An entry inserted at the camera's own index goes before the entry it
  // shows, so that entry stays centred.
  if (first <= ribbon.CurrentIndex && ribbon.Model().Count() > n) {
    ribbon.CurrentIndex += n;
    ribbon.CurrentPosition += 2.0 * n;
    ribbon.ViewPosition += 2.0 * n;
  }
}

}  // namespace glimr
