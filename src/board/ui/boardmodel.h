#pragma once
// The item model of the ImageBoard list: two columns, "Name" with the
// file-type icon and the row's check box, and "Directory". Follows every
// change of the board list it watches, whoever makes it.

#include <QAbstractTableModel>

#include "board/boardlist.h"

namespace glimr {

class TExtensionTable;

class TBoardModel : public QAbstractTableModel, private TBoardListObserver {
  Q_OBJECT

 public:
  enum TColumn { ColName = 0, ColDirectory = 1, ColumnCount = 2 };

  // The board and the extension table must outlive the model.
  TBoardModel(TBoardList& board, TExtensionTable& extensions, QObject* parent = nullptr);
  ~TBoardModel() override;

  TBoardList& Board() const { return board_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The column titles are read again in the language in force.
  void ApplyCaptions();

 private:
  void BeginInsert(int first, int last) override;
  void EndInsert() override;
  void BeginRemove(int first, int last) override;
  void EndRemove() override;
  void RowsChanged(int first, int last) override;
  void BeginReset() override;
  void EndReset() override;

  TBoardList& board_;
  TExtensionTable& extensions_;
};

}  // namespace glimr
