#pragma once
// TImageInfo: one of the nine ribbon slots, holding one texture name and all
// that is needed to draw it (proportions, turn and mirror angles, animation
// state, highlight, caption). Textures go through a TTextureSink so the slot
// logic runs without a GL context in tests.

#include <QString>

#include <cstdint>
#include <memory>

#include "ribbon/ribbonmodel.h"

namespace glimr {

enum class TSlotState : std::uint8_t {
  Rotating = 0,
  FlippingY = 1,
  FlippingX = 2,
  Idle = 3,
  Waiting = 4,
  BusyFadeOut = 5,
  FadeIn = 6,
};

// The GL side of slot textures.
class TTextureSink {
 public:
  virtual ~TTextureSink() = default;
  // Replaces the texture of that name with the pixels of a 24-bit image
  // (Format_RGB888, rows top-down).
  virtual void UploadTexture(std::uint32_t name, const QImage& pixels) = 0;
  virtual void DeleteTexture(std::uint32_t name) = 0;
};

class TImageInfo {
 public:
  TImageInfo(TTextureSink& textures, std::uint32_t textureName);
  ~TImageInfo();  // ReleaseSlot: deletes the texture and unpins the entry
  TImageInfo(const TImageInfo&) = delete;
  TImageInfo& operator=(const TImageInfo&) = delete;

  void AttachCacheEntry(std::unique_ptr<TPinnedThumb> entry);
  void SetBitmap(const QImage& bitmap);
  const TPinnedThumb* CacheEntry() const { return cacheEntry_.get(); }

  bool Loaded = false;
  const std::uint32_t TextureName;
  double Aspect = 1.1981132075471699;
  std::int32_t PicWidth = 0;
  std::int32_t PicHeight = 0;
  bool HasThumb = false;
  TSlotState State = TSlotState::Waiting;
  std::int32_t Counter = 1;
  double Size = 1.0;
  double AngleStep = 0;
  double Highlight = 0;
  double HighlightStep = 0;
  std::int32_t HighlightSteps = 20;
  QString Caption;
  bool FlipAboutX = false;
  bool FlipAboutY = false;
  double AngleZ = 0;
  double AngleX = 0;
  double AngleY = 0;
  std::int32_t ListIndex = -1;

 private:
  TTextureSink& textures_;
  std::unique_ptr<TPinnedThumb> cacheEntry_;
};

}  // namespace glimr
