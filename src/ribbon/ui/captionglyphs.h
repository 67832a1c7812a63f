#pragma once
// Caption glyphs as flat outline display lists: each list fills one
// character's outline in em units (baseline at y = 0) and advances by its
// width, like font outline lists. Code points 0..1023 are built at once;
// others when first drawn. Needs the GL context current.

#include <QFont>
#include <QHash>
#include <QString>

#include <cstdint>

namespace glimr {

class TCaptionGlyphs {
 public:
  TCaptionGlyphs() = default;
  ~TCaptionGlyphs();
  TCaptionGlyphs(const TCaptionGlyphs&) = delete;
  TCaptionGlyphs& operator=(const TCaptionGlyphs&) = delete;

  static constexpr int kPrebuilt = 1024;

  // (Re)builds the prebuilt range in the font (name and style); drops lists
  // built on demand.
  void Build(const QFont& font);
  void Release();
  bool IsBuilt() const { return base_ != 0; }

  // Draws the text from the current origin, one list per code point.
  void Draw(const QString& text);
  // List of one code point (built when missing).
  std::uint32_t ListFor(char32_t code);

 private:
  void Compile(std::uint32_t list, char32_t code);

  QFont font_;
  std::uint32_t base_ = 0;
  QHash<char32_t, std::uint32_t> extra_;
};

}  // namespace glimr
