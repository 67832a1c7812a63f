#pragma once
// The image board's rows: images collected from any folder, category or
// search, each with its check mark, in row order with a fast lookup by full
// path. Keys compare as the file system does, case-sensitively: a.jpg and
// A.jpg are two rows. Lives for the program run only.

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace glimr {

class TFileList;

struct TBoardEntry {
  QString FileName;
  QString Path;  // the folder, ending with "/"
  std::int32_t CatalogID = 0;
  std::int32_t ExtIndex = -1;  // position in the extension table, -1 when not known
  bool Checked = false;

  QString FullPath() const { return Path + FileName; }
};

// Told about every change before and after it happens, so that a view over
// the list (the page's item model) can stay in step.
class TBoardListObserver {
 public:
  virtual ~TBoardListObserver() = default;
  virtual void BeginInsert(int first, int last) = 0;
  virtual void EndInsert() = 0;
  virtual void BeginRemove(int first, int last) = 0;
  virtual void EndRemove() = 0;
  virtual void RowsChanged(int first, int last) = 0;
  virtual void BeginReset() = 0;
  virtual void EndReset() = 0;
};

class TBoardList {
 public:
  TBoardList() = default;
  TBoardList(const TBoardList&) = delete;
  TBoardList& operator=(const TBoardList&) = delete;

  // One observer at a time; null detaches it.
  void SetObserver(TBoardListObserver* observer) { observer_ = observer; }

  int Count() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }
  const TBoardEntry& At(int row) const { return rows_[static_cast<size_t>(row)]; }
  // Row of the image with this full path, -1 when it is not on the board.
  int IndexOf(const QString& fullPath) const;
  bool Contains(const QString& fullPath) const { return IndexOf(fullPath) >= 0; }

  // Appends a row; an image already on the board is not added twice
  // (false, nothing changes).
  bool Append(const TBoardEntry& entry);

  void SetChecked(int row, bool checked);
  // Rows out of range are passed over.
  void SetChecked(const std::vector<int>& rows, bool checked);
  void CheckAll(bool checked);
  void InvertChecks();
  std::vector<int> CheckedRows() const;

  // Rows out of range and repeated rows are passed over.
  void RemoveRows(std::vector<int> rows);
  // The file left the disk: its row goes. False when it was not on the board.
  bool Remove(const QString& fullPath);
  // The file was renamed (or moved): its row follows in place, keeping its
  // check mark. A row already under the new path named a file that is gone
  // and leaves. False when oldPath was not on the board.
  bool Rename(const QString& oldPath, const QString& newPath);
  void Clear();

 private:
  void RemoveAt(int row);
  void Rehash() const;
  void Changed(int first, int last);

  std::vector<TBoardEntry> rows_;
  TBoardListObserver* observer_ = nullptr;
  mutable QHash<QString, int> index_;
  mutable bool indexValid_ = true;
};

}  // namespace glimr
