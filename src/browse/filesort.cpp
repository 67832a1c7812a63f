#include "browse/filesort.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "browse/filelist.h"

namespace glimr {

namespace {

constexpr double kMsPerDay = 86400000.0;

// File dates come from whole milliseconds (DateTimeToDays), so rounding back
// gives the exact count; comparing the difference of two day values against
// a millisecond instead ties neighbours whose difference rounds just below it.
std::int64_t WholeMs(double days) {
  return std::llround(days * kMsPerDay);
}

// A record with its case-folded name and type, so that a sort folds each
// name once instead of at every comparison.
struct TSortKey {
  const TImageFileInfo* rec;
  QString name;  // folded
  QString type;  // folded
};

int Sign(int v) {
  return (v > 0) - (v < 0);
}

template <typename T>
int Cmp(T a, T b) {
  return (a > b) - (a < b);
}

int CompareNames(const TSortKey& a, const TSortKey& b) {
  const int r = Sign(QString::compare(a.name, b.name, Qt::CaseSensitive));
  return r != 0 ? r : Sign(QString::compare(a.rec->FileName, b.rec->FileName, Qt::CaseSensitive));
}

bool IsParentEntry(const TImageFileInfo& r) {
  return r.IsFolder && r.FileName == QLatin1String("..");
}

int CompareKeys(int column, bool ascending, const TSortKey& ka, const TSortKey& kb) {
  const TImageFileInfo& a = *ka.rec;
  const TImageFileInfo& b = *kb.rec;
  if (a.IsFolder || b.IsFolder) {
    const bool pa = IsParentEntry(a);
    const bool pb = IsParentEntry(b);
    if (pa || pb) {
      return pa && pb ? 0 : (pa ? -1 : 1);
    }
    if (!a.IsFolder) {
      return 1;
    }
    if (!b.IsFolder) {
      return -1;
    }
    const int r = CompareNames(ka, kb);
    return ascending ? r : -r;
  }
  int r = 0;
  switch (column) {
    case scName:
      break;
    case scType:
      r = Sign(QString::compare(ka.type, kb.type, Qt::CaseSensitive));
      break;
    case scDimensions:
      // The 32-bit product of the original overflows for very large images;
      // the 64-bit area keeps them in order.
      r = Cmp(static_cast<std::int64_t>(a.Width) * a.Height,
              static_cast<std::int64_t>(b.Width) * b.Height);
      break;
    case scSize:
      r = Cmp(a.FileSize, b.FileSize);
      break;
    case scDate:
      r = Cmp(WholeMs(a.FileDate), WholeMs(b.FileDate));
      break;
    default:
      return 0;
  }
  if (r == 0) {
    r = CompareNames(ka, kb);
  }
  return ascending ? r : -r;
}

TSortKey MakeKey(const TImageFileInfo& r, bool withType, const TTypeNameOf& typeName) {
  TSortKey k{&r, r.FileName.toCaseFolded(), QString()};
  if (withType && typeName && !r.IsFolder) {
    k.type = typeName(r.ExtIndex).toCaseFolded();
  }
  return k;
}

}  // namespace

int CompareFiles(int column, bool ascending, const TImageFileInfo& a, const TImageFileInfo& b,
                 const TTypeNameOf& typeName) {
  const bool withType = column == scType;
  return CompareKeys(column, ascending, MakeKey(a, withType, typeName),
                     MakeKey(b, withType, typeName));
}

void SortLoadedFiles(TFileList& list, int sortColumn, int arrowState, const TTypeNameOf& typeName) {
  if (sortColumn < scName || sortColumn > scDate || list.Count() < 2) {
    return;
  }
  const bool ascending = arrowState == 2;
  const bool withType = sortColumn == scType;
  std::vector<TSortKey> keys;
  keys.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    keys.push_back(MakeKey(*list.At(i), withType, typeName));
  }
  std::vector<int> order(keys.size());
  for (size_t i = 0; i < order.size(); ++i) {
    order[i] = static_cast<int>(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return CompareKeys(sortColumn, ascending, keys[static_cast<size_t>(x)],
                       keys[static_cast<size_t>(y)]) < 0;
  });
  list.Reorder(order);
}

}  // namespace glimr
