#pragma once
// The virtual table model behind the file list: six columns over
// CurrentFiles, every text and icon taken from the records and the extension
// table (never from disk or the database), zebra row backgrounds.

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>

#include "browse/filesort.h"

namespace glimr {

class TExtensionTable;
class TFileList;
class TImageFileInfo;

class TFileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Background of even rows (odd rows are white).
  static constexpr QRgb kBackground = qRgb(237, 240, 249);

  TFileListModel(const TFileList& currentFiles, TExtensionTable& extensions,
                 QObject* parent = nullptr);

  // The view is virtual: the row count is set from outside after every
  // change of CurrentFiles (load, filter, removal); rows past the list's
  // end answer nothing.
  void SetRowCount(int count);
  // Rows first..last leave (Begin, while their records exist) and are gone
  // (End); rows first..last are new.
  void BeginRemoveRows(int first, int last);
  void EndRemoveRows();
  void InsertRows(int first, int last);
  // Rows changed in place (rating, dimensions...): redraws without a reset.
  void RowsChanged(int first, int last);
  // After a re-sort: same rows, new order.
  void BeginReorder();
  void EndReorder();

  // Column captions and the folder type text in the language in force.
  void ApplyCaptions();
  static int ColumnWidth(int column);

  const TImageFileInfo* RecordAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // A drag carries the dragged rows' numbers only (the receiver reads the
  // selection from the lists): dragging 10 000 rows stays cheap.
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  static constexpr const char* kRowsMimeType = "application/x-glimr-file-rows";

  // The text of one cell (DisplayRole).
  QString CellText(const TImageFileInfo& record, int column) const;

 private:
  QIcon IconOf(const TImageFileInfo& record) const;

  const TFileList& files_;
  TExtensionTable& extensions_;
  int rowCount_ = 0;
  int removing_ = 0;  // rows between BeginRemoveRows and EndRemoveRows
  QString captions_[scCount];
  QString folderText_;
  QIcon folderIcon_;
  QIcon parentIcon_;
};

}  // namespace glimr
