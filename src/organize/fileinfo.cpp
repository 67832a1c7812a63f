#include "organize/fileinfo.h"

#include <QLocale>

#include <algorithm>
#include <functional>

#include "browse/filelistops.h"
#include "browse/shownlist.h"
#include "common/datetime.h"

namespace glimr {

namespace {

const QString kMissing = QStringLiteral("...");

// A catalog row may hold any byte in RATING; the page shows at most five stars.
int ClampedRating(int rating) {
  return std::clamp(rating, 0, 5);
}

// The selected images for which differs is true get set, through the list,
// and the changed rows are returned.
template <typename Differs>
std::vector<int> EditSelected(TShownList& shown, TEditFields field, Differs differs,
                              const std::function<void(TImageFileInfo&)>& set) {
  std::vector<int> rows;
  const TFileList& current = shown.Current();
  for (int i = 0; i < current.Count(); ++i) {
    const TImageFileInfo* r = current.At(i);
    if (r->Selected && !r->IsFolder && differs(*r)) {
      rows.push_back(i);
    }
  }
  if (!rows.empty()) {
    shown.EditRows(rows, field, set);
  }
  return rows;
}

}  // namespace

TFileProperties CalcProperties(const TFileList& currentFiles) {
  TFileProperties p;
  // Which values are still shared; a value once found to differ is cleared
  // and never compared again.
  bool sameName = true, sameCaption = true, sameRating = true, sameCatalog = true;
  bool sameDims = true, sameCategory = true, sameDate = true, sameSize = true;
  for (int i = 0; i < currentFiles.Count(); ++i) {
    const TImageFileInfo* r = currentFiles.At(i);
    if (!r->Selected) {
      continue;
    }
    ++p.SelectedCount;
    if (r->IsFolder) {
      continue;
    }
    ++p.ImageCount;
    p.TotalSize += r->FileSize;
    if (p.ImageCount == 1) {
      p.FileName = r->FileName;
      p.Caption = r->Caption;
      p.Rating = ClampedRating(r->Rating);
      p.CatalogID = r->CatalogID;
      p.Width = r->Width;
      p.Height = r->Height;
      p.CategoryID = r->CategoryID;
      p.FileDate = r->FileDate;
      p.FileSize = r->FileSize;
      continue;
    }
    if (sameName && r->FileName != p.FileName) {
      sameName = false;
      p.FileName.clear();
    }
    if (sameCaption && r->Caption != p.Caption) {
      sameCaption = false;
      p.Caption.clear();
    }
    if (sameRating && ClampedRating(r->Rating) != p.Rating) {
      sameRating = false;
      p.Rating = 0;
    }
    if (sameCatalog && r->CatalogID != p.CatalogID) {
      sameCatalog = false;
      p.CatalogID = 0;
    }
    if (sameDims && (r->Width != p.Width || r->Height != p.Height)) {
      sameDims = false;
      p.Width = 0;
      p.Height = 0;
    }
    if (sameCategory && r->CategoryID != p.CategoryID) {
      sameCategory = false;
      p.CategoryID = 0;
    }
    if (sameDate && r->FileDate != p.FileDate) {
      sameDate = false;
      p.FileDate = 0.0;
    }
    if (sameSize && r->FileSize != p.FileSize) {
      sameSize = false;
      p.FileSize = 0;
    }
  }
  return p;
}

QString DimensionsText(const TFileProperties& props) {
  // A size not read yet is 0; "0 x 0" would claim an empty image.
  if (props.Width <= 0 || props.Height <= 0) {
    return kMissing;
  }
  return QString::number(props.Width) + QStringLiteral(" x ") + QString::number(props.Height);
}

QString FileDateText(const TFileProperties& props) {
  if (props.FileDate == 0.0) {
    return kMissing;
  }
  const QDateTime when = DaysToDateTime(props.FileDate);
  return when.isValid() ? QLocale().toString(when, QLocale::ShortFormat) : kMissing;
}

QString FileSizeText(const TFileProperties& props) {
  return props.FileSize == 0 ? kMissing : FileSizeToText(props.FileSize);
}

QString SelectionStatusText(const TFileProperties& props) {
  return SelectionSummaryText(TSelectionSummary{props.ImageCount, props.TotalSize});
}

QString OneLineText(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    const QChar::Category cat = c.category();
    if (cat == QChar::Other_Control || cat == QChar::Separator_Line ||
        cat == QChar::Separator_Paragraph) {
      c = QLatin1Char(' ');
    }
  }
  return out;
}

std::vector<int> SetSelectedRating(TShownList& shown, int rating) {
  const auto n = static_cast<std::uint8_t>(ClampedRating(rating));
  return EditSelected(
      shown, efRating, [n](const TImageFileInfo& r) { return r.Rating != n; },
      [n](TImageFileInfo& r) { r.Rating = n; });
}

std::vector<int> SetSelectedCaption(TShownList& shown, const QString& caption) {
  return EditSelected(
      shown, efCaption, [&caption](const TImageFileInfo& r) { return r.Caption != caption; },
      [&caption](TImageFileInfo& r) { r.Caption = caption; });
}

std::vector<int> SetSelectedCategory(TShownList& shown, std::int32_t categoryID) {
  return EditSelected(
      shown, efCategory,
      [categoryID](const TImageFileInfo& r) { return r.CategoryID != categoryID; },
      [categoryID](TImageFileInfo& r) { r.CategoryID = categoryID; });
}

}  // namespace glimr
