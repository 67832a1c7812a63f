#include "external/ui/externalprogmenus.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

#include "external/desktopapps.h"
#include "external/externalprogs.h"
#include "external/ui/programicon.h"

namespace glimr {

void FillExternalProgMenu(QMenu* submenu, const TExternalProgs& progs, const QList<QIcon>& icons,
                          QAction* addRemove, const std::function<void(int position)>& launch) {
  const QList<QAction*> old = submenu->actions();
  for (QAction* action : old) {
    if (action == addRemove) {
      continue;
    }
    submenu->removeAction(action);
    if (action->parent() == submenu) {
      delete action;
    }
  }
  if (addRemove && !submenu->actions().contains(addRemove)) {
    submenu->addAction(addRemove);
  }
  for (int i = 0; i < progs.Count(); ++i) {
    const TExternalProg& prog = *progs.Items(i);
    // An entry without a name still needs a caption to be chosen by.
    const QString caption = prog.Name.isEmpty() ? QFileInfo(prog.Path).fileName() : prog.Name;
    auto* item = new QAction(caption, submenu);
    if (prog.ImageIndex >= 0 && prog.ImageIndex < icons.size()) {
      item->setIcon(icons.at(prog.ImageIndex));
    }
    item->setData(i);
    item->setToolTip(prog.Path);
    QObject::connect(item, &QAction::triggered, submenu, [launch, i] {
      if (launch) {
        launch(i);
      }
    });
    submenu->insertAction(addRemove, item);
  }
  if (progs.Count() > 0) {
    if (addRemove) {
      submenu->insertSeparator(addRemove);
    } else {
      submenu->addSeparator();
    }
  }
}

TExternalProgMenus::TExternalProgMenus(TExternalProgs& progs, TDesktopApps& apps, QObject* parent)
    : QObject(parent), progs_(progs), apps_(apps) {}

void TExternalProgMenus::AddSubmenu(QMenu* submenu, QAction* addRemove) {
  submenus_.push_back(TSubmenu{submenu, addRemove});
  connect(submenu, &QObject::destroyed, this, [this, submenu] {
    std::erase_if(submenus_, [submenu](const TSubmenu& s) { return s.menu == submenu; });
  });
  Fill(submenus_.back());
}

void TExternalProgMenus::Rebuild() {
  if (!apps_.Scanned()) {
    apps_.Scan();
  }
  ilProgs_.clear();
  for (int i = 0; i < progs_.Count(); ++i) {
    TExternalProg& prog = *progs_.Items(i);
    ilProgs_.append(ProgramIcon(prog.Path, apps_));
    prog.ImageIndex = static_cast<int>(ilProgs_.size()) - 1;
  }
  for (const TSubmenu& submenu : submenus_) {
    Fill(submenu);
  }
}

void TExternalProgMenus::Fill(const TSubmenu& submenu) {
  FillExternalProgMenu(submenu.menu, progs_, ilProgs_, submenu.addRemove,
                       [this](int position) { Q_EMIT LaunchRequested(position); });
}

}  // namespace glimr
