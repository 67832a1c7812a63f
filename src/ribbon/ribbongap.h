#pragma once
// The ribbon's half of taking selected images out of the view: the slots are
// rebuilt where the camera stands and the entries that took over a removed
// entry's width shrink back to 2.0 over the next poll ticks.

namespace glimr {

class TRibbon;

// Call after entries left the shown list (its rowsRemoved signal). A running
// glide stops (TRibbonView's timer follows). Returns false when the list is
// now empty: the ribbon stands at 0 and the poll timer should stop; either
// way the caller renders.
bool CloseRibbonGap(TRibbon& ribbon);

// Entries first..last were inserted into the list: the entry the camera
// shows and the glide's target keep their records, so their indexes and
// coordinates move past the new entries (which start at the usual width).
// A running glide stops where it stands. The caller prepares the scene.
void ShiftRibbonForInsert(TRibbon& ribbon, int first, int last);

}  // namespace glimr
