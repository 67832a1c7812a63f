#include "board/boardlist.h"

#include <algorithm>
#include <functional>

#include "catalog/imagefileinfo.h"

namespace glimr {

namespace {

QString FolderOf(const QString& path) {
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

void TBoardList::Rehash() const {
  index_.clear();
  index_.reserve(static_cast<qsizetype>(rows_.size()));
  for (int i = 0; i < Count(); ++i) {
    index_.insert(At(i).FullPath(), i);
  }
  indexValid_ = true;
}

int TBoardList::IndexOf(const QString& fullPath) const {
  if (!indexValid_) {
    Rehash();
  }
  return index_.value(fullPath, -1);
}

void TBoardList::Changed(int first, int last) {
  if (observer_ && first <= last) {
    observer_->RowsChanged(first, last);
  }
}

bool TBoardList::Append(const TBoardEntry& entry) {
  const QString key = entry.FullPath();
  if (Contains(key)) {
    return false;
  }
  const int row = Count();
  if (observer_) {
    observer_->BeginInsert(row, row);
  }
  rows_.push_back(entry);
  if (indexValid_) {
    index_.insert(key, row);
  }
  if (observer_) {
    observer_->EndInsert();
  }
  return true;
}

void TBoardList::SetChecked(int row, bool checked) {
  if (row < 0 || row >= Count() || rows_[static_cast<size_t>(row)].Checked == checked) {
    return;
  }
  rows_[static_cast<size_t>(row)].Checked = checked;
  Changed(row, row);
}

void TBoardList::SetChecked(const std::vector<int>& rows, bool checked) {
  for (int row : rows) {
    SetChecked(row, checked);
  }
}

void TBoardList::CheckAll(bool checked) {
  int first = Count();
  int last = -1;
  for (int i = 0; i < Count(); ++i) {
    TBoardEntry& e = rows_[static_cast<size_t>(i)];
    if (e.Checked != checked) {
      e.Checked = checked;
      first = std::min(first, i);
      last = i;
    }
  }
  Changed(first, last);
}

void TBoardList::InvertChecks() {
  for (TBoardEntry& e : rows_) {
    e.Checked = !e.Checked;
  }
  Changed(0, Count() - 1);
}

std::vector<int> TBoardList::CheckedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < Count(); ++i) {
    if (At(i).Checked) {
      rows.push_back(i);
    }
  }
  return rows;
}

void TBoardList::RemoveAt(int row) {
  if (observer_) {
    observer_->BeginRemove(row, row);
  }
  rows_.erase(rows_.begin() + row);
  indexValid_ = false;
  if (observer_) {
    observer_->EndRemove();
  }
}

void TBoardList::RemoveRows(std::vector<int> rows) {
  // From the last row up, so the rows still to go keep their numbers.
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) {
    if (row >= 0 && row < Count()) {
      RemoveAt(row);
    }
  }
}

bool TBoardList::Remove(const QString& fullPath) {
  const int row = IndexOf(fullPath);
  if (row < 0) {
    return false;
  }
  RemoveAt(row);
  return true;
}

bool TBoardList::Rename(const QString& oldPath, const QString& newPath) {
  if (IndexOf(oldPath) < 0) {
    return false;
  }
  if (oldPath == newPath) {
    return true;
  }
  if (const int stale = IndexOf(newPath); stale >= 0) {
    RemoveAt(stale);
  }
  const int row = IndexOf(oldPath);
  TBoardEntry& e = rows_[static_cast<size_t>(row)];
  const QString folder = FolderOf(newPath);
  if (folder != e.Path) {
    // The catalog of the old folder no longer holds the file; a paste
    // looks the new one up from the path.
    e.CatalogID = 0;
    e.Path = folder;
  }
  const QString name = newPath.mid(folder.size());
  if (GetExtension(name).compare(GetExtension(e.FileName), Qt::CaseInsensitive) != 0) {
    e.ExtIndex = -1;  // another type: the view looks it up again
  }
  e.FileName = name;
  indexValid_ = false;
  Changed(row, row);
  return true;
}

void TBoardList::Clear() {
  if (rows_.empty()) {
    return;
  }
  if (observer_) {
    observer_->BeginReset();
  }
  rows_.clear();
  index_.clear();
  indexValid_ = true;
  if (observer_) {
    observer_->EndReset();
  }
}

}  // namespace glimr
