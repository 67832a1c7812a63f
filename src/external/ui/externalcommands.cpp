#include "external/ui/externalcommands.h"

#include <QAction>

#include "browse/shownlist.h"
#include "browse/ui/foldertree.h"
#include "common/errors.h"
#include "external/desktopapps.h"
#include "external/externallaunch.h"
#include "external/externalprogs.h"
#include "external/ui/externalprogmenus.h"
#include "external/ui/frmexternalprog.h"

namespace glimr {

TExternalCommands::TExternalCommands(const TShownList& shown, TActions actions, TDesktopApps& apps,
                                     TExternalProgs& progs, QWidget* window)
    : QObject(window),
      shown_(shown),
      actions_(actions),
      apps_(apps),
      progs_(progs),
      menus_(std::make_unique<TExternalProgMenus>(progs_, apps_)),
      manager_(std::make_unique<TfrmExternalProg>(apps_, window)) {
  connect(menus_.get(), &TExternalProgMenus::LaunchRequested, this, &TExternalCommands::Launch);
  if (actions_.AddRemovePrograms) {
    connect(actions_.AddRemovePrograms, &QAction::triggered, this,
            &TExternalCommands::ManagePrograms);
    actions_.AddRemovePrograms->setEnabled(true);
  }
  if (actions_.FileManagerHere) {
    connect(actions_.FileManagerHere, &QAction::triggered, this,
            &TExternalCommands::OpenFileManager);
    actions_.FileManagerHere->setEnabled(true);
  }
}

TExternalCommands::~TExternalCommands() = default;

void TExternalCommands::AddSubmenu(QMenu* submenu) {
  menus_->AddSubmenu(submenu, actions_.AddRemovePrograms);
}

void TExternalCommands::Load(const QString& path) {
  path_ = path;
  QString error;
  loadFailed_ = !progs_.LoadFromFile(path, &error);
  if (loadFailed_) {
    ShowError(QStringLiteral("LoadFromFile: "), error);
  }
  menus_->Rebuild();
}

bool TExternalCommands::Save() {
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

void TExternalCommands::Launch(int position) {
  const TExternalProg* prog = progs_.Items(position);
  if (!prog) {
    return;
  }
  const TLaunchResult result = LaunchExternalProg(*prog, SelectedImagePaths(shown_.Current()));
  if (!result.Error.isEmpty()) {
    ShowError(QStringLiteral("LaunchExternalProg: "), result.Error);
  }
}

void TExternalCommands::ManagePrograms() {
  if (manager_->Execute(progs_)) {
    changed_ = true;
    menus_->Rebuild();
  }
}

void TExternalCommands::OpenFileManager() {
  // The folder chosen in the tree is the one to open. A virtual node
  // ("Computer") leaves the previous folder's list on show, but that folder
  // is no longer the one chosen: nothing is opened then.
  QString folder = shown_.Folder();
  if (tree_) {
    const QTreeWidgetItem* node = tree_->SelectedNode();
    if (!node || !TFolderTree::IsFileSystemFolder(node)) {
      return;
    }
    folder = TFolderTree::NodeFullPath(node);
  }
  const std::optional<QString> here = FileManagerFolder(shown_.Source(), folder);
  if (!here) {
    return;
  }
  QString error;
  if (!OpenFileManagerHere(*here, &error)) {
    ShowError(QStringLiteral("aExplorerHere: "), error);
  }
}

}  // namespace glimr
