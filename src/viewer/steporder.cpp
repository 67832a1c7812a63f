#include "viewer/steporder.h"

#include <algorithm>

#include "browse/filelist.h"

namespace glimr {

namespace {

bool IsImage(const TFileList& list, int row) {
  const TImageFileInfo* r = list.At(row);
  return r != nullptr && !r->IsFolder;
}

// The first image from row `from` on in direction `dir` (+1 or -1), within
// the list; -1 when none.
int Scan(const TFileList& list, int from, int dir) {
  for (int i = from; i >= 0 && i < list.Count(); i += dir) {
    if (IsImage(list, i)) {
      return i;
    }
  }
  return -1;
}

}  // namespace

int StepImage(const TFileList& list, int current, TImageStep step) {
  const int n = list.Count();
  const int c = std::clamp(current, -1, n);
  switch (step) {
    case TImageStep::First:
      return Scan(list, 0, 1);
    case TImageStep::Last:
      return Scan(list, n - 1, -1);
    case TImageStep::Next:
      return Scan(list, c + 1, 1);
    case TImageStep::Previous:
      return Scan(list, std::min(c - 1, n - 1), -1);
  }
  return -1;
}

int ImageAfterRemoval(const TFileList& list, int removedRow) {
  const int n = list.Count();
  const int at = std::clamp(removedRow, 0, n);
  const int next = Scan(list, at, 1);
  return next >= 0 ? next : Scan(list, std::min(at - 1, n - 1), -1);
}

int SlideshowNext(const TFileList& list, int current) {
  const int next = StepImage(list, current, TImageStep::Next);
  return next >= 0 ? next : StepImage(list, current, TImageStep::First);
}

TImagePlace ImagePlace(const TFileList& list, int row) {
  TImagePlace place;
  for (int i = 0; i < list.Count(); ++i) {
    if (IsImage(list, i)) {
      ++place.Count;
      if (i == row) {
        place.Number = place.Count;
      }
    }
  }
  return place;
}

}  // namespace glimr
