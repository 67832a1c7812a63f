#pragma once
// Ending a running glide at once, for commands that must act on the entry
// the glide is heading to (Show Zoomed during a glide).

namespace glimr {

class TRibbon;

// Puts the ribbon where the glide's last step would leave it: the view at
// the path's end, the current entry and its coordinate taken from there,
// the slots shifted and the glide stopped (the animation timer stops on its
// next tick). Returns the glide's target entry; when no glide runs, the
// entry the ribbon stands on. The caller draws one frame.
int FinishGlide(TRibbon& ribbon);

}  // namespace glimr
