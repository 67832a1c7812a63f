#pragma once
// The main window's menu bar, main tool bar, the file list's tool bar and the
// popup menus of the ribbon and the file list, all built from the action
// table. It keeps the menus and buttons whose captions and hints come from
// the language file and renews them in ApplyCaptions.

#include <utility>
#include <vector>

class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace glimr {

class TFileListView;
class TVeskActions;

class TVeskMenus {
 public:
  TVeskMenus(QMainWindow& window, TVeskActions& actions);

  // The main tool bar, with the history drop-downs (the window fills them
  // when they open: PrevMenu, NextMenu).
  void BuildToolBar();
  // The selection and view-style buttons, then the file commands.
  void BuildFileToolBar(QToolBar* tb, TFileListView* list);
  // The menu bar, the ribbon area's popup and the file list's popup.
  void BuildMenus(QWidget* ribbonArea, TFileListView* list);
  // Menu titles, the captions of items with their own key and the hints of
  // the file tool bar's buttons, in the language in force.
  void ApplyCaptions();

  // The two "Open With External Program" submenus (Edit menu, file list's
  // popup), which the external programs fill.
  const std::vector<QMenu*>& ExternalMenus() const { return externalMenus_; }

  QMenu* PrevMenu() const { return prevMenu_; }
  QMenu* NextMenu() const { return nextMenu_; }

 private:
  QMainWindow& window_;
  TVeskActions& actions_;
  QMenu* mnuGlimr_ = nullptr;
  QMenu* prevMenu_ = nullptr;
  QMenu* nextMenu_ = nullptr;
  QToolBar* tbMain_ = nullptr;
  QToolBar* tbFiles_ = nullptr;
  QToolButton* tbSelection_ = nullptr;
  QToolButton* tbViewStyle_ = nullptr;
  std::vector<std::pair<int, QMenu*>> menuCaptions_;
  std::vector<QMenu*> externalMenus_;  // "Captions" key, menu
};

}  // namespace glimr
