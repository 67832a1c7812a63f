#pragma once
// What the ribbon needs of the rest of the program: the current file list,
// the thumbnail cache (lookup and pinning in one step), the loader queue and
// the file list view. The main window binds it to CurrentFiles, TCash,
// LoadImageFirst and the list view; tests use a fake.

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace glimr {

class TImageFileInfo;

// A cache entry held by a ribbon slot. While the object lives the entry is
// marked in use (never evicted); destroying it clears the mark. The pixels
// are the cache's own, shared (QImage::Format_RGB888: red, green, blue bytes,
// rows top-down) and only read.
class TPinnedThumb {
 public:
  TPinnedThumb(std::int32_t width, std::int32_t height, QImage bitmap, std::function<void()> unpin)
      : Width(width), Height(height), Bitmap(std::move(bitmap)), unpin_(std::move(unpin)) {}
  ~TPinnedThumb() {
    if (unpin_) {
      unpin_();
    }
  }
  TPinnedThumb(const TPinnedThumb&) = delete;
  TPinnedThumb& operator=(const TPinnedThumb&) = delete;

  const std::int32_t Width;  // the full image's size
  const std::int32_t Height;
  const QImage Bitmap;  // power-of-two sides; may be null

 private:
  std::function<void()> unpin_;
};

// How the ribbon asks the file list view to move its focus.
enum class TRibbonFocus {
  Click,  // focus the row; with at most one row selected, select it alone
  Move,   // focus the row; with at most one row selected, select it alone
  Wheel,  // move the focus only, never the selection
};

class TRibbonModel {
 public:
  virtual ~TRibbonModel() = default;

  // CurrentFiles: count and the record at an index (nullptr outside).
  virtual int Count() const = 0;
  virtual TImageFileInfo* FileAt(int index) = 0;
  // Position of a full path in CurrentFiles, or -1.
  virtual int IndexOf(const QString& path) const = 0;

  // Thumbnail cache. PinThumb finds the entry of a full path and marks it in
  // use within one holding of CacheLock; nullptr when not cached.
  virtual bool ContainsThumb(const QString& path) const = 0;
  virtual std::unique_ptr<TPinnedThumb> PinThumb(const QString& path) = 0;

  // Moves a full path to the head of LoadQueue and wakes the loader.
  virtual void LoadImageFirst(const QString& path) = 0;

  // File list view: the focused row (-1 for none) and focus requests. The
  // view answers a focus change by calling ScrollImagesToFocused.
  virtual int FocusedRow() const = 0;
  virtual void FocusRow(int row, TRibbonFocus how) = 0;
};

}  // namespace glimr
