#include "ribbon/cashribbonmodel.h"

#include "browse/filelist.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadercontrol.h"

namespace glimr {

TCashRibbonModel::TCashRibbonModel(const TFileList& currentFiles, TCash* cache,
                                   TLoaderControl* loader, TListFocus focus)
    : files_(currentFiles),
      cache_(cache),
      loader_(loader),
      focus_(std::move(focus)),
      pins_(std::make_shared<QHash<QString, int>>()) {}

void TCashRibbonModel::SetCache(TCash* cache, TLoaderControl* loader) {
  cache_ = cache;
  loader_ = loader;
}

int TCashRibbonModel::PinnedCount() const {
  int n = 0;
  for (int c : *pins_) {
    n += c;
  }
  return n;
}

int TCashRibbonModel::Count() const {
  return files_.Count();
}

TImageFileInfo* TCashRibbonModel::FileAt(int index) {
  return index >= 0 && index < files_.Count() ? files_.At(index) : nullptr;
}

int TCashRibbonModel::IndexOf(const QString& path) const {
  return files_.IndexOf(path);
}

bool TCashRibbonModel::ContainsThumb(const QString& path) const {
  return cache_ && cache_->Contains(path);
}

std::unique_ptr<TPinnedThumb> TCashRibbonModel::PinThumb(const QString& path) {
  if (!cache_) {
    return nullptr;
  }
  // Lookup and the in-use mark happen in one holding of CacheLock.
  TBmpCashPtr entry = cache_->Pin(path);
  if (!entry) {
    return nullptr;
  }
  ++(*pins_)[path];
  // The image shares the entry's pixels, which stay alive even when the
  // cache is cleared while the slot still shows them.
  TCash* cache = cache_;
  std::weak_ptr<QHash<QString, int>> pins = pins_;
  return std::make_unique<TPinnedThumb>(entry->Width, entry->Height, entry->Bitmap,
                                        [entry, cache, pins, path] {
                                          auto counts = pins.lock();
                                          if (counts) {
                                            auto it = counts->find(path);
                                            if (it != counts->end() && --it.value() > 0) {
                                              return;  // another slot still shows it
                                            }
                                            if (it != counts->end()) {
                                              counts->erase(it);
                                            }
                                          }
                                          cache->Unpin(entry);
                                        });
}

void TCashRibbonModel::LoadImageFirst(const QString& path) {
  if (loader_) {
    loader_->LoadImageFirst(path);
  }
}

int TCashRibbonModel::FocusedRow() const {
  return focus_.FocusedRow ? focus_.FocusedRow() : -1;
}

void TCashRibbonModel::FocusRow(int row, TRibbonFocus how) {
  if (focus_.FocusRow) {
    focus_.FocusRow(row, how != TRibbonFocus::Wheel);
  }
}

}  // namespace glimr
