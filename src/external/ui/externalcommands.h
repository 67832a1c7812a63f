#pragma once
// Routes the external programs: the "Open With External Program" submenus,
// the manager window (Add/Remove Programs), starting a program on the
// selected images and opening the file manager on the shown folder. The
// list is read at start-up and written at exit.

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace glimr {

class TDesktopApps;
class TExternalProgMenus;
class TExternalProgs;
class TfrmExternalProg;
class TFolderTree;
class TShownList;

class TExternalCommands : public QObject {
  Q_OBJECT

 public:
  // The actions routed here; both are enabled by the constructor.
  struct TActions {
    QAction* AddRemovePrograms = nullptr;  // opens the manager window
    QAction* FileManagerHere = nullptr;    // opens the shown folder
  };

  // shown, apps and progs belong to the program and outlive this object;
  // window: the manager window's parent and this object's owner.
  TExternalCommands(const TShownList& shown, TActions actions, TDesktopApps& apps,
                    TExternalProgs& progs, QWidget* window);
  ~TExternalCommands() override;

  // The folder tree whose chosen node decides what "Open File Manager Here"
  // opens; without one the shown folder is opened.
  void SetFolderTree(const TFolderTree* tree) { tree_ = tree; }

  // Keeps submenu filled with the programs, "Add/Remove Programs" last.
  void AddSubmenu(QMenu* submenu);
  // Reads the list from path; a file that cannot be read is reported, and
  // is not written over at exit unless the user changes the list.
  void Load(const QString& path);
  // Writes the list back; false when it could not be (reported).
  bool Save();

  TfrmExternalProg& Manager() const { return *manager_; }
  TExternalProgs& Programs() const { return progs_; }

 private:
  // Starts the program at this list position on the selected images of the
  // shown list (a submenu item does this).
  void Launch(int position);
  // Opens the manager window; an accepted change refills the submenus and
  // is written at exit.
  void ManagePrograms();
  // Opens the file manager on the folder the list shows, when it shows one.
  void OpenFileManager();

  const TShownList& shown_;
  TActions actions_;
  TDesktopApps& apps_;
  TExternalProgs& progs_;
  std::unique_ptr<TExternalProgMenus> menus_;
  std::unique_ptr<TfrmExternalProg> manager_;
  const TFolderTree* tree_ = nullptr;
  QString path_;
  bool loadFailed_ = false;
  bool changed_ = false;
};

}  // namespace glimr
