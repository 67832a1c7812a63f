#pragma once
// The File Info page's logic without a widget: what the selected entries of
// the shown list have in common (CalcProperties), the texts the page shows for
// it, and the edits that apply a rating, caption or category to every
// selected image.

#include <QString>

#include <cstdint>
#include <vector>

#include "browse/filelist.h"

namespace glimr {

class TShownList;

// The selection's shared values. A value the selected images do not share,
// or that no selected image has (a folder entry, nothing selected), is
// cleared: empty texts, rating 0, IDs 0, dimensions, date and size 0.
struct TFileProperties {
  int SelectedCount = 0;  // selected entries, folder entries included
  int ImageCount = 0;     // selected images
  std::int64_t TotalSize = 0;
  QString FileName;
  QString Caption;
  int Rating = 0;              // 0..5; a stored value above 5 counts as 5
  std::int32_t CatalogID = 0;  // 0: no catalog
  std::int32_t Width = 0;      // 0 with Height 0: no dimensions
  std::int32_t Height = 0;
  std::int32_t CategoryID = 0;  // 0: the category list shows no item
  double FileDate = 0.0;        // 0: no date
  std::int64_t FileSize = 0;    // 0: no size

  bool operator==(const TFileProperties&) const = default;
};

// Walks the selected entries of the shown list: the first selected image
// sets every value, each further one adds to the count and total size and
// clears each value it does not share. Folder entries are passed over.
TFileProperties CalcProperties(const TFileList& currentFiles);

// "640 x 480", or "..." when the dimensions are unknown or differ.
QString DimensionsText(const TFileProperties& props);
// The date as local date and time, or "..." when there is none.
QString FileDateText(const TFileProperties& props);
// The size through FileSizeToText, or "..." when it is 0.
QString FileSizeText(const TFileProperties& props);
// The status bar's "Files selected: 2; Size: 1.5 Mb".
QString SelectionStatusText(const TFileProperties& props);

// A text fit for one line: every control character and line or paragraph
// separator becomes a blank. Captions keep such characters as typed; only
// their display is flattened.
QString OneLineText(const QString& text);

// The edits of the selection. Each selected image (never a folder entry)
// whose value differs takes the new one through shown.EditRows, which marks
// it Modified, tells the views and schedules the write-back; the result is
// the rows of the shown list that changed, in order. Nothing selected: no
// change. A rating outside 0..5 is clamped into it.
std::vector<int> SetSelectedRating(TShownList& shown, int rating);
// The caption is stored exactly as given, however long or odd.
std::vector<int> SetSelectedCaption(TShownList& shown, const QString& caption);
// 0 takes the category away.
std::vector<int> SetSelectedCategory(TShownList& shown, std::int32_t categoryID);

}  // namespace glimr
