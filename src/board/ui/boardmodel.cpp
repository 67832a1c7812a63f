#include "board/ui/boardmodel.h"

#include <QIcon>

#include "browse/ui/extensiontable.h"
#include "common/language.h"

namespace glimr {

TBoardModel::TBoardModel(TBoardList& board, TExtensionTable& extensions, QObject* parent)
    : QAbstractTableModel(parent), board_(board), extensions_(extensions) {
  board_.SetObserver(this);
}

TBoardModel::~TBoardModel() {
  board_.SetObserver(nullptr);
}

int TBoardModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : board_.Count();
}

int TBoardModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TBoardModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= board_.Count()) {
    return {};
  }
  const TBoardEntry& e = board_.At(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return index.column() == ColName ? e.FileName : e.Path;
    case Qt::ToolTipRole:
      return e.FullPath();
    case Qt::CheckStateRole:
      if (index.column() == ColName) {
        return e.Checked ? Qt::Checked : Qt::Unchecked;
      }
      return {};
    case Qt::DecorationRole:
      if (index.column() == ColName) {
        // A row made without a known type (or renamed to another one) is
        // looked up from its name.
        const std::int32_t ext =
            e.ExtIndex >= 0 ? e.ExtIndex : extensions_.ExtensionIndex(e.FullPath());
        if (const TExtInfo* info = extensions_.At(ext)) {
          return info->Icon;
        }
      }
      return {};
    default:
      return {};
  }
}

bool TBoardModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != ColName || role != Qt::CheckStateRole ||
      index.row() >= board_.Count()) {
    return false;
  }
  board_.SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags TBoardModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) {
    return Qt::NoItemFlags;
  }
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == ColName) {
    f |= Qt::ItemIsUserCheckable;
  }
  return f;
}

QVariant TBoardModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  switch (section) {
    case ColName:
      return LangText(TLangSection::Captions, 59);
    case ColDirectory:
      return LangText(TLangSection::Captions, 60);
    default:
      return {};
  }
}

void TBoardModel::ApplyCaptions() {
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void TBoardModel::BeginInsert(int first, int last) {
  beginInsertRows({}, first, last);
}

void TBoardModel::EndInsert() {
  endInsertRows();
}

void TBoardModel::BeginRemove(int first, int last) {
  beginRemoveRows({}, first, last);
}

void TBoardModel::EndRemove() {
  endRemoveRows();
}

void TBoardModel::RowsChanged(int first, int last) {
  Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void TBoardModel::BeginReset() {
  beginResetModel();
}

void TBoardModel::EndReset() {
  endResetModel();
}

}  // namespace glimr
