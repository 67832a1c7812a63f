#pragma once
// The "Open With External Program" submenus: one item per program (icon and
// name, carrying the program's list position), then a separator and the
// "Add/Remove Programs" action as the last item. Every registered submenu is
// rebuilt from the list when the list changes.

#include <QIcon>
#include <QList>
#include <QObject>

#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace glimr {

class TDesktopApps;
class TExternalProgs;

// Replaces every item of submenu but addRemove by one item per program of
// progs, icons[prog.ImageIndex] as its icon, and a separator when there is
// any program; addRemove stays (or becomes) the last item. A click on an
// item calls launch with the program's position.
void FillExternalProgMenu(QMenu* submenu, const TExternalProgs& progs, const QList<QIcon>& icons,
                          QAction* addRemove, const std::function<void(int position)>& launch);

class TExternalProgMenus : public QObject {
  Q_OBJECT

 public:
  // progs and apps must outlive this object.
  TExternalProgMenus(TExternalProgs& progs, TDesktopApps& apps, QObject* parent = nullptr);

  // Keeps submenu filled from the list, with addRemove as its last item;
  // fills it now. The submenu may be destroyed before this object.
  void AddSubmenu(QMenu* submenu, QAction* addRemove);
  // Gives every program its icon (ImageIndex into ProgIcons()) and refills
  // every submenu. Call it after the list was loaded or changed.
  void Rebuild();

  // The program icons, one per program in list order.
  const QList<QIcon>& ProgIcons() const { return ilProgs_; }

 Q_SIGNALS:
  // A program's item was chosen: start it for the selected images.
  void LaunchRequested(int position);

 private:
  struct TSubmenu {
    QMenu* menu;
    QAction* addRemove;
  };
  void Fill(const TSubmenu& submenu);

  TExternalProgs& progs_;
  TDesktopApps& apps_;
  QList<QIcon> ilProgs_;
  std::vector<TSubmenu> submenus_;
};

}  // namespace glimr
