#pragma once
// TRibbonView: shows the ribbon in a TGlPanel and drives it: textures of the
// slots and the gear pictures, the frames (drawn by TRibbonPainter), the
// 10 ms glide and 50 ms poll timers and the mouse and wheel input of the
// panel (ribbonviewinput.cpp), and what it tells assistive technology.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <memory>

#include "ribbon/ribbon.h"
#include "ribbon/ribbonart.h"
#include "ribbon/ribbonsettings.h"
#include "ribbon/ui/ribbonpainter.h"

namespace glimr {

class TShownList;

class TAccumBuffer;
class TCaptionGlyphs;
class TGlPanel;

// The panel must outlive the view (the view frees its GL objects in the
// panel's context).
class TRibbonView : public QObject, private TTextureSink {
  Q_OBJECT

 public:
  TRibbonView(TGlPanel& panel, TRibbonModel& model, const TRibbonSettings& settings,
              QObject* parent = nullptr);
  ~TRibbonView() override;

  TRibbon& Ribbon() { return *ribbon_; }
  TGlPanel& Panel() { return panel_; }
  const TRibbonSettings& Settings() const { return settings_; }
  void SetSettings(const TRibbonSettings& settings);

  // Follows the shown list: a new list puts the ribbon on its first entry,
  // a removal closes the gap, an insertion keeps the centred entry, a
  // re-sort or an edit redraws, and finished rotations and flips are
  // handed to the list as edits. Once, before the first list is shown.
  void Follow(TShownList& shown);
  // After a change of CurrentFiles as a whole: rebuilds the slots and draws.
  void PrepareScene();
  // The list view's focused row may have changed.
  void ScrollImagesToFocused();
  // While the viewer is open the ribbon follows the focus without gliding:
  // each glide ends at once (its frames would take the cores the viewer's
  // decodes need).
  void SetFollowWithoutGlide(bool on) { jumpToFocus_ = on; }
  // Ends a running glide at once (slots shifted, one frame drawn) and
  // returns the entry it was heading to, or the entry shown when none runs.
  int FinishGlide();
  void SetPolling(bool on);
  // Every list load, before the new list is filled: stops a glide, puts the
  // ribbon on entry 0 at zoom 1.0 and forgets the gap shrinking and the
  // gathered wheel turns. The caller then calls PrepareScene and SetPolling.
  void ResetForLoad();
  bool IsGliding() const { return animTimer_.isActive(); }
  // Texts in the language in force (what assistive technology reads).
  void ApplyLanguage() { UpdateAccessibleText(); }

  // Commands (the buttons and actions under the panel).
  void RotateLeft();
  void RotateRight();
  void FlipHorizontally();
  void FlipVertically();
  void MoveLeft();
  void MoveRight();
  // Mouse wheel over the main window at a global position.
  bool WheelAt(QPoint globalPos, int delta, Qt::KeyboardModifiers modifiers);

  // Slot number (1..9) under the panel point (logical pixels), or -1.
  int DoSelect(int x, int y);
  // Screen rectangle of the centre picture, the zoom window's start.
  QRect ZoomStartRect();

  // Frames drawn so far (for measurements).
  std::int64_t FramesDrawn() const { return frames_; }
  // Draws one frame now, synchronously (benchmarks).
  void RenderNow();

 public Q_SLOTS:
  void AnimTimerTick();
  void PollTimerTick();

 Q_SIGNALS:
  // Double click on the centre image entry, or a folder entry to open.
  void OpenZoomedRequested(int index);
  void FolderEntryActivated(int index);
  // A left click on a thumbnail focused its row. The panel takes no keyboard
  // focus, so the window hands it to the file list here.
  void EntryClicked(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // TTextureSink
  void UploadTexture(std::uint32_t name, const QImage& pixels) override;
  void DeleteTexture(std::uint32_t name) override;

  // The panel's accessible name and, as its description, the focused
  // entry's name and position ("img004.jpg, 5/9"): the frame itself is a
  // picture that assistive technology cannot read.
  void UpdateAccessibleText();
  void InitGL();
  void ResizeGL();
  void RenderProc(double brightness);
  void Redraw();

  TGlPanel& panel_;
  TTextureSink& sink_;
  TRibbonSettings settings_;
  TRibbonArt art_;
  std::unique_ptr<TRibbon> ribbon_;
  std::unique_ptr<TCaptionGlyphs> glyphs_;
  std::unique_ptr<TAccumBuffer> accum_;
  TGlTextureNames glNames_{};  // logical texture name -> GL name
  std::unique_ptr<TRibbonPainter> painter_;
  QTimer animTimer_;
  bool jumpToFocus_ = false;
  QTimer pollTimer_;
  QPoint mouse_{-1, -1};  // last mouse position in the panel, logical pixels
  bool mouseInside_ = false;
  std::int64_t frames_ = 0;
};

}  // namespace glimr
