#include "browse/ui/filelistmodel.h"

#include <QMimeData>

#include <QApplication>
#include <QBrush>
#include <QLocale>
#include <QStyle>

#include <algorithm>

#include "browse/filelist.h"
#include "browse/ui/extensiontable.h"
#include "catalog/imagefileinfo.h"
#include "common/datetime.h"
#include "common/language.h"

namespace glimr {

namespace {

constexpr int kColumnWidths[scCount] = {150, 100, 100, 100, 100, 100};
constexpr int kCaptionKeys[scCount] = {45, 46, 47, 48, 49, 50};

bool IsParentEntry(const TImageFileInfo& r) {
  return r.IsFolder && r.FileName == QLatin1String("..");
}

QIcon StandardIcon(QStyle::StandardPixmap which) {
  // Without a QApplication (model tests on QCoreApplication) there is no style.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return {};
  }
  return QApplication::style()->standardIcon(which);
}

}  // namespace

TFileListModel::TFileListModel(const TFileList& currentFiles, TExtensionTable& extensions,
                               QObject* parent)
    : QAbstractTableModel(parent),
      files_(currentFiles),
      extensions_(extensions),
      folderIcon_(StandardIcon(QStyle::SP_DirIcon)),
      parentIcon_(StandardIcon(QStyle::SP_FileDialogToParent)) {
  ApplyCaptions();
}

void TFileListModel::SetRowCount(int count) {
  beginResetModel();
  rowCount_ = count < 0 ? 0 : count;
  endResetModel();
}

void TFileListModel::BeginRemoveRows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, rowCount_ - 1);
  if (first > last) {
    return;
  }
  beginRemoveRows({}, first, last);
  removing_ = last - first + 1;
}

void TFileListModel::EndRemoveRows() {
  if (removing_ == 0) {
    return;
  }
  rowCount_ -= removing_;
  removing_ = 0;
  endRemoveRows();
}

void TFileListModel::InsertRows(int first, int last) {
  first = std::clamp(first, 0, rowCount_);
  if (last < first) {
    return;
  }
  beginInsertRows({}, first, last);
  rowCount_ += last - first + 1;
  endInsertRows();
}

void TFileListModel::RowsChanged(int first, int last) {
  if (rowCount_ == 0) {
    return;
  }
  first = std::max(first, 0);
  last = std::min(last, rowCount_ - 1);
  if (first <= last) {
    Q_EMIT dataChanged(index(first, 0), index(last, scCount - 1));
  }
}

void TFileListModel::BeginReorder() {
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

void TFileListModel::EndReorder() {
  // Rows keep their numbers; persistent indexes (selection, current) stay on
  // their row numbers and the owner restores them from the records.
  Q_EMIT layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

void TFileListModel::ApplyCaptions() {
  for (int c = 0; c < scCount; ++c) {
    captions_[c] = LangText(TLangSection::Captions, kCaptionKeys[c]);
  }
  folderText_ = LangText(TLangSection::Strings, 12, QStringLiteral("<Folder>"));
  if (rowCount_ > 0) {
    Q_EMIT dataChanged(index(0, scType), index(rowCount_ - 1, scType), {Qt::DisplayRole});
  }
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, scCount - 1);
}

int TFileListModel::ColumnWidth(int column) {
  return column >= 0 && column < scCount ? kColumnWidths[column] : 100;
}

const TImageFileInfo* TFileListModel::RecordAt(int row) const {
  if (row < 0 || row >= rowCount_ || row >= files_.Count()) {
    return nullptr;
  }
  return files_.At(row);
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rowCount_;
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : scCount;
}

QString TFileListModel::CellText(const TImageFileInfo& r, int column) const {
  if (r.IsFolder && column > scType) {
    return {};
  }
  switch (column) {
    case scName:
      return r.FileName;
    case scType: {
      if (r.IsFolder) {
        return folderText_;
      }
      const TExtInfo* ext = extensions_.At(r.ExtIndex);
      return ext != nullptr ? ext->ShellTypeName : QString();
    }
    case scDimensions:
      if (r.Width != 0 && r.Height != 0) {
        return QString::number(r.Width) + QStringLiteral(" x ") + QString::number(r.Height);
      }
      return {};
    case scSize:
      return FileSizeToText(r.FileSize);
    case scDate:
      return QLocale().toString(DaysToDateTime(r.FileDate), QLocale::ShortFormat);
    case scRating:
      return QString::number(r.Rating);
    default:
      return {};
  }
}

QIcon TFileListModel::IconOf(const TImageFileInfo& r) const {
  if (r.IsFolder) {
    return IsParentEntry(r) ? parentIcon_ : folderIcon_;
  }
  // The extension table holds one icon per extension, made when the
  // extension was first met; rows never ask the system again.
  const TExtInfo* ext = extensions_.At(r.ExtIndex);
  return ext != nullptr ? ext->Icon : QIcon();
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) {
    return {};
  }
  const int row = index.row();
  if (role == Qt::BackgroundRole) {
    return QBrush(row % 2 != 0 ? QColor(Qt::white) : QColor(kBackground));
  }
  const TImageFileInfo* r = RecordAt(row);
  if (r == nullptr) {
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (role == Qt::ToolTipRole && index.column() != scName) {
        return {};
      }
      return CellText(*r, index.column());
    case Qt::DecorationRole:
      if (index.column() == scName) {
        return IconOf(*r);
      }
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == scSize || index.column() == scRating) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return {};
    default:
      return {};
  }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= scCount) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return captions_[section];
  }
  return {};
}

QStringList TFileListModel::mimeTypes() const {
  return {QString::fromLatin1(kRowsMimeType)};
}

QMimeData* TFileListModel::mimeData(const QModelIndexList& indexes) const {
  QByteArray rows;
  for (const QModelIndex& index : indexes) {
    if (index.column() == 0) {
      rows += QByteArray::number(index.row()) + ' ';
    }
  }
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kRowsMimeType), rows.trimmed());
  return data;
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) {
    return Qt::NoItemFlags;
  }
  // Read-only, a drag source, never an editor.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
         Qt::ItemNeverHasChildren;
}

}  // namespace glimr
