#pragma once
// TRibbonPainter: the GL drawing passes of one ribbon frame (reflections,
// thumbnails and their frames, captions, halos, the antialiased variants)
// and the picking and projection that place the slots the same way. GL
// only, on the main thread, in the panel's context.

#include <QFont>
#include <QHash>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "ribbon/imageinfo.h"
#include "ribbon/ribbon.h"
#include "ribbon/ribbonsettings.h"

namespace glimr {

class TAccumBuffer;
class TCaptionGlyphs;
class TGlPanel;

// GL texture names by the ribbon's logical texture name.
using TGlTextureNames = std::array<unsigned, 20>;

// Everything passed in belongs to the view and outlives the painter.
class TRibbonPainter {
 public:
  // The busy picture of Counter c has the logical texture name kBusyBase + c.
  static constexpr int kBusyBase = 9;

  TRibbonPainter(TGlPanel& panel, TRibbon& ribbon, const TRibbonSettings& settings,
                 TCaptionGlyphs& glyphs, TAccumBuffer& accum, const TGlTextureNames& textures);

  // Draws one frame at the brightness; with a mouse position (logical
  // pixels) the hovered slot is picked first, else nothing is hovered.
  void Render(double brightness, std::optional<QPoint> mouse);
  // Slot number (1..9) under the panel point (logical pixels), or -1.
  int DoSelect(int x, int y);
  // Screen rectangle of the centre picture.
  QRect ZoomStartRect();

 private:
  unsigned GlName(std::uint32_t name) const;
  int Pick(int deviceX, int deviceY);
  void DrawThumbnails(bool select, bool reflected, double top, double bottom);
  void PlaceSlot(const TImageInfo& slot, const THalfExtents& e, double z);
  // blend: whether the frame of a selected entry is blended (the picture
  // itself is drawn without blending).
  void DrawOnePlane(const TImageInfo& slot, bool front, double a, double b, bool blend);
  void DrawCaptions(double brightness);
  void DrawCaption(const TImageInfo& slot, double f);
  // Width and height of a caption in the panel's font, in pixels.
  QSize CaptionExtent(const QString& caption);
  void DrawHalos(double brightness);
  void DrawHalo(int n, double f);
  void Jitter(int i);
  void Place(const TSlotPlace& p);

  TGlPanel& panel_;
  TRibbon& ribbon_;
  const TRibbonSettings& settings_;
  TCaptionGlyphs& glyphs_;
  TAccumBuffer& accum_;
  const TGlTextureNames& textures_;
  std::array<double, kSlotCount> slotPositions_{};
  // Measuring shapes the text; the antialiased frames draw every caption up
  // to four times, so widths are kept per font.
  QFont measuredFont_;
  QHash<QString, int> captionWidths_;
  int captionHeight_ = 0;
};

}  // namespace glimr
