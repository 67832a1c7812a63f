#pragma once
// The in-memory record of one entry (an image file or a folder entry) of the
// current folder, category or search result; it mirrors one FILES row plus
// what the views need. Plain data: loaders create it with defaults and fill it.

#include <QString>

#include <cstdint>

namespace glimr {

class TImageFileInfo {
 public:
  bool IsFolder = false;       // a sub-folder or ".."; never reaches the database
  std::int32_t ExtIndex = -1;  // position in the extension table
  double SlotWidth = 0.0;      // ribbon units the slot occupies (loaders set 2.0)
  double ShrinkExcess = 0.0;   // SlotWidth - 2.0 when the shrink animation starts
  std::int32_t ID = 0;         // FILES.ID, 0 = no row known
  QString Caption;
  QString FileName;  // without folder
  QString TypeName;  // extension in upper case without the dot
  QString Path;      // folder, ending with "/"; Path + FileName = full path
  std::int32_t CategoryID = 0;
  std::int32_t CatalogID = 0;
  std::uint8_t Rating = 0;  // 0..5 stars
  double Angle = 0.0;       // degrees, 0 <= Angle < 360
  bool VFliped = false;
  bool HFliped = false;
  std::int32_t Width = 0;  // full image size, 0 = not known yet
  std::int32_t Height = 0;
  double FileDate = 0.0;  // days since 1899-12-30, local time
  std::int64_t FileSize = 0;
  bool Modified = false;  // must be written back when the list is unloaded
  std::int32_t ShrinkStep = 0;
  bool Selected = false;
  bool Focused = false;
  bool Found = false;  // met on disk during the current scan

  QString FullPath() const { return Path + FileName; }
};

// The text after the last "." when that dot follows the last "/"; at most 100
// characters, case kept. "a.tar.gz" -> "gz", "/x.d/file" -> "". A ":" is an
// ordinary file-name character on Linux, so it does not end the extension
// search ("a:b.jpg" -> "jpg").
QString GetExtension(const QString& path);

// Size of the file in bytes (64-bit), or -1 when there is no such entry.
// Hidden files count; a symbolic link gives the size of its target.
std::int64_t FileSizeOf(const QString& path);

// "1023 b", "1.5 Kb", "5.0 Mb" with the size words of the language in force
// ("Strings" 13..15) and the user's decimal separator.
QString FileSizeToText(std::int64_t size);

// A CATALOGS row key, the object the catalog path cache keeps per path.
struct TCatalogID {
  std::int32_t ID = 0;
};

}  // namespace glimr
