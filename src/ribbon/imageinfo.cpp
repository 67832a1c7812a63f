#include "ribbon/imageinfo.h"

namespace glimr {

TImageInfo::TImageInfo(TTextureSink& textures, std::uint32_t textureName)
    : TextureName(textureName), textures_(textures) {}

TImageInfo::~TImageInfo() {
  textures_.DeleteTexture(TextureName);
  Loaded = false;
  cacheEntry_.reset();
}

void TImageInfo::AttachCacheEntry(std::unique_ptr<TPinnedThumb> entry) {
  // The old pin is dropped before the new one takes over.
  cacheEntry_.reset();
  cacheEntry_ = std::move(entry);
}

void TImageInfo::SetBitmap(const QImage& bitmap) {
  if (bitmap.isNull()) {
    return;
  }
  textures_.UploadTexture(TextureName, bitmap);
  Loaded = true;
}

}  // namespace glimr
