#pragma once
// The Catalogs section of the Search page: the folders to search, added by
// the folder dialog or by typing a path and pressing Enter, with "Search
// only in database" and "Search in subdirectories".

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace glimr {

class TfrSearchCatalogs : public QWidget {
  Q_OBJECT

 public:
  // Asks for a folder, starting at the given one; empty when cancelled.
  using TFolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

  explicit TfrSearchCatalogs(QWidget* parent = nullptr);

  // Adds the field's folder to the list as the browse dialog does: the field
  // gets its final "/", a folder that does not exist is reported and left
  // out, one already listed (the same text, case and all, as the file
  // system compares) is selected instead of added again.
  void AddFolder();
  // The browse button: the dialog starts at the field's folder, and its
  // choice is added.
  void Browse();
  // The listed folders in row order, each ending in "/".
  QStringList Folders() const;
  void DeleteSelected();
  void ClearList();
  // Replaces the folder dialog (tests).
  void SetFolderChooser(TFolderChooser chooser) { chooseFolder_ = std::move(chooser); }

  QLineEdit* FolderEdit() const { return deCatalogs_; }
  QTreeWidget* List() const { return lvCatalogs_; }
  QCheckBox* OnlyInDatabaseBox() const { return cbSearchInDB_; }
  QCheckBox* SubdirectoriesBox() const { return cbSearchSubdir_; }
  void ApplyLanguage();

 private:
  QLabel* lblAdd_ = nullptr;
  QLineEdit* deCatalogs_ = nullptr;
  QToolButton* btnBrowse_ = nullptr;
  QTreeWidget* lvCatalogs_ = nullptr;
  QCheckBox* cbSearchInDB_ = nullptr;
  QCheckBox* cbSearchSubdir_ = nullptr;
  QPushButton* btnDelete_ = nullptr;
  QPushButton* btnClear_ = nullptr;
  TFolderChooser chooseFolder_;
};

}  // namespace glimr
