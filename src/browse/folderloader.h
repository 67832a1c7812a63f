#pragma once
// A folder as a source of the shown list: its FILES rows become records, the
// disk is scanned for every supported extension (new files get rows),
// subfolders and ".." become folder entries, vanished files leave the list
// (their rows stay). The catalog is reached only through TCatalogQueries;
// the switch itself (loader, views, write-back) is TShownList's.

#include <QString>
#include <QStringList>

#include <cstdint>

#include "browse/shownlist.h"

namespace glimr {

class TCatalogQueries;

class TFolderSource : public TShownSource {
 public:
  // extensions: without the dot, each once, in the plug-in set's order;
  // folder ends with "/".
  TFolderSource(TCatalogQueries& queries, const QStringList& extensions, QString folder);

  TListSource Kind() const override { return TListSource::Catalog; }
  QString Folder() const override { return folder_; }
  // The folder's catalog ID (made when new). A catalog that cannot be
  // written cannot make it either: its files are then listed from the disk
  // alone until their rows can be stored.
  void Prepare(TFolderLoadReport& report) override;
  void Fill(TCurrentLists& lists, const TFillServices& services,
            TFolderLoadReport& report) override;

 private:
  TCatalogQueries& queries_;
  const QStringList& extensions_;
  QString folder_;
  std::int32_t catalogID_ = 0;
};

// Shows folders: keeps the plug-in set's extensions and runs the shown
// list's switch with a TFolderSource.
class TFolderLoader {
 public:
  // extensions: the plug-in set's extensions without the dot, in its order.
  TFolderLoader(TCatalogQueries& queries, const QStringList& extensions);

  void SetExtensions(const QStringList& extensions);

  // Shows folderPath ("/home/ann/" or "/home/ann"). Raises nothing of its
  // own: whatever fails, the lists end consistent; the report says what
  // happened.
  TFolderLoadReport LoadFolder(const QString& folderPath, TShownList& shown);

  // How many entries a load queues at most.
  static constexpr int kQueueCount = TShownList::kQueueCount;

 private:
  TCatalogQueries& queries_;
  QStringList extensions_;
};

}  // namespace glimr
