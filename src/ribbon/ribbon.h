#pragma once
// TRibbon: the ribbon's state and behaviour without GL: the nine slots and
// how they are filled and shifted, the glide along the eased path, the poll
// step (arriving thumbnails, rotate and flip animations, highlight fades,
// zoom, gap closing) and the user commands. TRibbonView draws it.

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

#include "ribbon/imageinfo.h"
#include "ribbon/ribbonmath.h"
#include "ribbon/ribbonmodel.h"
#include "ribbon/wheelaccumulator.h"

namespace glimr {

Q_DECLARE_LOGGING_CATEGORY(lcRibbon)

// The built-in pictures the slots upload (first gear frame, folder, ".."),
// Format_RGB888.
struct TRibbonPictures {
  QImage FirstGear;
  QImage Folder;
  QImage Parent;
};

class TRibbon {
 public:
  TRibbon(TRibbonModel& model, TTextureSink& textures, TRibbonPictures pictures);
  ~TRibbon();
  TRibbon(const TRibbon&) = delete;
  TRibbon& operator=(const TRibbon&) = delete;

  TRibbonModel& Model() { return model_; }

  // Ribbon state (start values 0; zoom 1).
  std::array<std::unique_ptr<TImageInfo>, kSlotCount> Slots;
  int CurrentIndex = 0;
  int TargetIndex = 0;
  double CurrentPosition = 0;
  double ViewPosition = 0;
  std::array<double, kPathLength> Path{};
  int AnimStep = 0;
  bool Animating = false;  // the 10 ms timer runs
  TZoom Zoom;
  int Hovered = -1;  // slot number 1..9 under the mouse, or -1
  bool RedrawNeeded = false;
  // Called when a finished rotation or flip has changed a record (marked
  // Modified), so its edit can be written back promptly.
  std::function<void(const TImageFileInfo* record)> OnRecordEdited;
  QStringList WidthAnimation;    // full paths whose ribbon width shrinks back
  TWheelAccumulator WheelSteps;  // plain wheel: whole notches move the focus
  TWheelAccumulator ZoomSteps;   // Ctrl + wheel: notches wait for a running zoom

  // Puts the ribbon on entry 0 without animation, at zoom 1.0 and with a
  // zeroed path (list loads): nothing of the old list's glide, zoom or wheel
  // survives into the new one.
  void ResetPosition();

  // Ribbon width of entry i; widths not laid out yet count as 2.0.
  double WidthOf(int index);
  std::array<TSlotPlace, kSlotCount> Layout();

  void FillSlot(TImageInfo& slot, int index);
  // Rebuilds all nine slots around the current index. Errors are reported
  // as "PrepareScene(): ...".
  void PrepareScene();
  // Takes the captions of the shown images from their records again (a
  // caption edited, or cleared to show the file name); requests a redraw
  // when one changed.
  void RefreshCaptions();
  // Moves the slots after the current index moved by delta (before the new
  // index is stored); only exposed slots are created and filled. Throws.
  void ShiftImagesArray(int delta);

  // Starts a glide to the list view's focused row; true when one started.
  bool ScrollImagesToFocused();

  struct TTick {
    bool Render = false;
    bool KeepTimer = true;
  };
  // One 10 ms glide step; once the glide has ended (or was stopped) it only
  // tells the timer to stop. Errors are reported as "veskAnimTimer: ...".
  TTick AnimTick();
  // One 50 ms poll step; Render is set when something visible changed and
  // no glide runs. Errors are reported as "veskTestTimer: ...".
  TTick PollTick();

  // A frame's pick result: starts the fade-out of the old halo and shows
  // the new one at full strength.
  void SetHovered(int slotNumber);

  // Commands on the current entry; false when they do not apply now.
  bool CanTransform();
  bool RotateRight() { return Rotate(true); }
  bool RotateLeft() { return Rotate(false); }
  bool FlipHorizontally();
  bool FlipVertically();
  bool MoveLeft();
  bool MoveRight();
  // Plain wheel moves the focus by whole notches; Ctrl + wheel zooms, one
  // zoom animation after the other.
  void Wheel(int delta, bool ctrl, bool otherModifier);
  // The entry under the mouse, or -1.
  int HoveredEntry();
  // Left click on the panel: focuses the entry under the mouse.
  bool ClickHovered();
  // The entry index a double click opens, or -1 (only the centre slot, and
  // only while the ribbon stands still).
  int DoubleClickEntry();

 private:
  bool Rotate(bool right);
  bool StartFlip(TSlotState state);
  void PollSlot(TImageInfo& slot);
  void TakeThumb(TImageInfo& slot, const TPinnedThumb& entry);
  std::unique_ptr<TImageInfo> NewSlot(std::uint32_t textureName);

  TRibbonModel& model_;
  TTextureSink& textures_;
  TRibbonPictures pictures_;
};

}  // namespace glimr
