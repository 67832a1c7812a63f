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

struct TCurrentLists;
class TDesktopApps;
class TExternalProgMenus;
class TExternalProgs;
class TfrmExternalProg;
class TVeskActions;

class TVeskExternal : public QObject {
  Q_OBJECT

 public:
  // apps and progs belong to the program and outlive the controller.
  TVeskExternal(TCurrentLists& lists, TVeskActions& actions, TDesktopApps& apps,
                TExternalProgs& progs, QWidget& window);
  ~TVeskExternal() override;

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
  void Launch(int position);
  void ManagePrograms();
  void OpenFileManager();

  TCurrentLists& lists_;
  QWidget& window_;
  TDesktopApps& apps_;
  TExternalProgs& progs_;
  std::unique_ptr<TExternalProgMenus> menus_;
  std::unique_ptr<TfrmExternalProg> manager_;
  QString path_;
  bool loadFailed_ = false;
  bool changed_ = false;
  QAction* addRemove_ = nullptr;
};

}  // namespace glimr
