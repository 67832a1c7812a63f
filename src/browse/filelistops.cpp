#include "browse/filelistops.h"

#include <QSet>

#include <vector>

#include "catalog/writehealth.h"
#include "common/language.h"

namespace glimr {

TSortState NextSortState(const TSortState& current, int clickedColumn) {
  TSortState next;
  next.Column = clickedColumn;
  if (clickedColumn == current.Column) {
    next.Arrow = current.Arrow == 1 ? 2 : 1;
  } else {
    next.Arrow = 1;
  }
  return next;
}

TSelectionSummary SummarizeSelection(const TFileList& currentFiles) {
  TSelectionSummary s;
  for (int i = 0; i < currentFiles.Count(); ++i) {
    const TImageFileInfo* r = currentFiles.At(i);
    if (r->Selected && !r->IsFolder) {
      ++s.Count;
      s.Size += r->FileSize;
    }
  }
  return s;
}

QString SelectionSummaryText(const TSelectionSummary& summary) {
  return LangText(TLangSection::Strings, 19, QStringLiteral("Files selected:")) + QLatin1Char(' ') +
         QString::number(summary.Count) + QStringLiteral("; ") +
         LangText(TLangSection::Strings, 20, QStringLiteral("Size:")) + QLatin1Char(' ') +
         FileSizeToText(summary.Size);
}

}  // namespace glimr
