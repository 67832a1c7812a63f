#pragma once
// Which image the viewer shows next: steps over the shown list's rows,
// skipping folder entries (the list is already filtered). Rows are the
// list's indexes; -1 means there is no such image.

namespace glimr {

class TFileList;

enum class TImageStep { Next, Previous, First, Last };

// The image a step from row `current` lands on: Next and Previous look past
// the current row in their direction (a current row of -1 or past the end
// starts from that end), First and Last ignore it. -1 when no image lies
// that way: stepping does not wrap.
int StepImage(const TFileList& list, int current, TImageStep step);

// The image to show after the shown one left the list, given the row where
// it stood (the list is already without it): the image that moved up into
// its place or the next after it, else the one before, else none.
int ImageAfterRemoval(const TFileList& list, int removedRow);

// The slideshow's next image: the next in list order, wrapping from the
// last image to the first; the only image stays. -1 when there is none.
int SlideshowNext(const TFileList& list, int current);

// An image's place among the list's images for "n of N": Number counts
// from 1, and is 0 when the row is not an image.
struct TImagePlace {
  int Number = 0;
  int Count = 0;
  bool operator==(const TImagePlace&) const = default;
};
TImagePlace ImagePlace(const TFileList& list, int row);

}  // namespace glimr
