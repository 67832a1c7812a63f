#pragma once
// The few decoded pictures the viewer steps between: the shown picture plus
// at most a fixed number of others (its neighbours decoded ahead), the least
// recently used other going first. Main thread only.

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace glimr {

// How large a picture is decoded. Fit: the plug-in's reduced decode with
// neither side below MinSide (the screen's longer side in device pixels, so
// the picture fits any window on that screen sharply); Full: the whole image.
struct TDecodeKind {
  std::int32_t MinSide = 0;  // > 0: fit; 0: full size

  static TDecodeKind Fit(std::int32_t minSide) { return {minSide > 0 ? minSide : 1}; }
  static TDecodeKind Full() { return {0}; }
  bool IsFull() const { return MinSide <= 0; }
  friend bool operator==(const TDecodeKind&, const TDecodeKind&) = default;
};

// One picture as the viewer shows it: the file, the decode size and the turn
// and mirrors of its thumbnail (as in TLoadRequest). Two keys that differ in
// anything are two pictures.
struct TPictureKey {
  QString Path;  // full path
  TDecodeKind Kind;
  double Angle = 0.0;  // only exactly 90, 180 and 270 turn the picture
  bool MirrorLeftRight = false;
  bool MirrorTopBottom = false;

  friend bool operator==(const TPictureKey&, const TPictureKey&) = default;
};

class TPictureCache {
 public:
  explicit TPictureCache(int others = 2) : others_(others < 0 ? 0 : others) {}

  // Adds or replaces the picture of key, then drops the least recently used
  // others beyond the bound. A null picture is not kept.
  void Put(const TPictureKey& key, QImage picture);
  // The picture of key (shared, not copied), or a null image. Counts as a use.
  QImage Peek(const TPictureKey& key);
  // The picture of key, removed from the cache; a null image when missing.
  QImage Take(const TPictureKey& key);
  bool Contains(const TPictureKey& key) const;
  // The picture that is shown is never dropped to make room; nullopt: none.
  void SetShown(std::optional<TPictureKey> key);
  // Drops every picture of the file (it changed, moved or went away).
  void Forget(const QString& path);
  void Clear() { entries_.clear(); }

  int Count() const { return static_cast<int>(entries_.size()); }
  // The pixel bytes held (shared copies counted once per entry).
  std::int64_t Bytes() const;

 private:
  struct Entry {
    TPictureKey Key;
    QImage Picture;
    std::uint64_t Used = 0;
  };
  std::vector<Entry>::iterator Find(const TPictureKey& key);
  void Trim();

  int others_;
  std::vector<Entry> entries_;
  std::optional<TPictureKey> shown_;
  std::uint64_t clock_ = 0;
};

}  // namespace glimr
