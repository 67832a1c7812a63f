#include "mainwindow/veskexternal.h"

#include <QAction>

#include "browse/currentlists.h"
#include "browse/ui/foldertree.h"
#include "common/errors.h"
#include "external/desktopapps.h"
#include "external/externallaunch.h"
#include "external/externalprogs.h"
#include "external/ui/externalprogmenus.h"
#include "external/ui/frmexternalprog.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"

namespace glimr {

TVeskExternal::TVeskExternal(TCurrentLists& lists, TVeskActions& actions, TDesktopApps& apps,
                             TExternalProgs& progs, QWidget& window)
    : QObject(&window),
      lists_(lists),
      window_(window),
      apps_(apps),
      progs_(progs),
      menus_(std::make_unique<TExternalProgMenus>(progs_, apps_)),
      manager_(std::make_unique<TfrmExternalProg>(apps_, &window)),
      addRemove_(actions.Get("aAddProgs")) {
  connect(menus_.get(), &TExternalProgMenus::LaunchRequested, this, &TVeskExternal::Launch);
  connect(addRemove_, &QAction::triggered, this, &TVeskExternal::ManagePrograms);
  connect(actions.Get("aExplorerHere"), &QAction::triggered, this, &TVeskExternal::OpenFileManager);
  addRemove_->setEnabled(true);
  actions.Get("aExplorerHere")->setEnabled(true);
}

TVeskExternal::~TVeskExternal() = default;

void TVeskExternal::AddSubmenu(QMenu* submenu) {
  menus_->AddSubmenu(submenu, addRemove_);
}

void TVeskExternal::Load(const QString& path) {
  path_ = path;
  QString error;
  loadFailed_ = !progs_.LoadFromFile(path, &error);
  if (loadFailed_) {
    ShowError(QStringLiteral("LoadFromFile: "), error);
  }
  menus_->Rebuild();
}

bool TVeskExternal::Save() {
  if (path_.isEmpty() || (loadFailed_ && !changed_)) {
    return true;  // nothing read, nothing to write over what is there
  }
  QString error;
  if (!progs_.SaveToFile(path_, &error)) {
    ShowError(QStringLiteral("SaveToFile: "), error);
    return false;
  }
  return true;
}

void TVeskExternal::Launch(int position) {
  const TExternalProg* prog = progs_.Items(position);
  if (!prog) {
    return;
  }
  const TLaunchResult result = LaunchExternalProg(*prog, SelectedImagePaths(lists_.CurrentFiles));
  if (!result.Error.isEmpty()) {
    ShowError(QStringLiteral("LaunchExternalProg: "), result.Error);
  }
}

void TVeskExternal::ManagePrograms() {
  if (manager_->Execute(progs_)) {
    changed_ = true;
    menus_->Rebuild();
  }
}

void TVeskExternal::OpenFileManager() {
  // The folder chosen in the tree is the one to open. A virtual node
  // ("Computer") leaves the previous folder's list on show, but that folder
  // is no longer the one chosen: nothing is opened then.
  QString shown = lists_.CurrentFolder;
  if (const auto* main = qobject_cast<const TfrmVesk*>(&window_); main && main->FolderTree()) {
    const QTreeWidgetItem* node = main->FolderTree()->SelectedNode();
    if (!node || !TFolderTree::IsFileSystemFolder(node)) {
      return;
    }
    shown = TFolderTree::NodeFullPath(node);
  }
  const std::optional<QString> folder = FileManagerFolder(lists_.ListSource, shown);
  if (!folder) {
    return;
  }
  QString error;
  if (!OpenFileManagerHere(*folder, &error)) {
    ShowError(QStringLiteral("aExplorerHere: "), error);
  }
}

}  // namespace glimr
