#pragma once
// TfrmVesk: the main window, a host. It lays out the tool bar, the left panel
// (Catalogs, Categories, Search), the ribbon with its buttons, the right panel
// (File Info, ImageBoard, Filters), the file list with its tool bar and the
// status line, and routes the actions, menus and history to the parts that
// do the work. It builds none of them: the start-up code creates the cache,
// loader, ribbon, catalog, folder loader, viewer windows and the feature
// commands with their pages, and attaches them here as each is complete.

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "browse/historylist.h"
#include "browse/shownlist.h"
#include "common/settings.h"

class QLabel;
class QMenu;
class QShortcut;
class QTimer;
class QToolBar;
class QTreeWidgetItem;

namespace glimr {

struct TAppContext;
class TExtensionTable;
struct TFolderLoadReport;
class TFileListView;
class TFolderLoader;
class TFolderTree;
class TfrmAbout;
class TGlPanel;
class TOrganizeCommands;
class TRibbonView;
class TShowZoomed;
class TfrmViewer;
class TSidePanel;
class TVeskActions;
class TVeskMenus;
class TVeskSplitter;

// The folders behind "Home" and "File System" (tests use temporary ones).
struct TFolderTreeRoots {
  QString Home;  // empty: the user's home folder
  QString FileSystem = QStringLiteral("/");
};

// The pages the program's feature commands make; the window places them.
struct THostedPages {
  QWidget* Categories = nullptr;
  QWidget* FileInfo = nullptr;
  QWidget* Filters = nullptr;
  QWidget* Search = nullptr;
  QWidget* ImageBoard = nullptr;
};

class TfrmVesk : public QMainWindow {
  Q_OBJECT

 public:
  using TTreeRoots = TFolderTreeRoots;

  // shown: what the list shows, followed by the file list the window hosts;
  // extensions: the file list's icons and type names.
  TfrmVesk(TAppContext& context, TShownList& shown, TExtensionTable& extensions,
           TFolderTreeRoots roots = {}, QWidget* parent = nullptr);
  ~TfrmVesk() override;

  // Creation steps, in the order the start-up runs them.
  void CreateLists();
  void RestoreLayout(const TProgState& state);
  void InitProgramState();

  // The parts the window hosts, each attached once it is complete. The panel
  // takes the ribbon area's place (the window owns it from then on); the
  // ribbon view draws into it. DetachServices lets go of all of them before
  // they are released at shutdown.
  void AttachRibbon(TGlPanel* panel, TRibbonView& ribbon);
  void AttachFolderLoader(TFolderLoader& loader);
  // The feature pages, once, right after construction.
  void HostPages(const THostedPages& pages);
  // Back, Forward and Up in the category history go through the
  // organizing commands; null detaches them.
  void AttachOrganizer(TOrganizeCommands* organizer);
  // The "Open With External Program" submenus, for the external commands.
  const std::vector<QMenu*>& ExternalMenus() const;
  // The zoom sequence that opens the viewer, and the viewer once open
  // (Show Zoomed then shows the focused image in it).
  void AttachViewer(TShowZoomed& showZoomed, TfrmViewer* viewer);
  void DetachServices();

  // Show steps.
  void ApplyCaptions();
  // SelectTreePath(CrrSelection) when the settings say so.
  void RestoreSelection();
  // Shows folder (an absolute path) with files (full paths in it)
  // selected, the first one focused and centred in the ribbon.
  void OpenFolderSelecting(const QString& folder, const QStringList& files = {});

  // Shutdown: the layout into the record, and CrrSelection from the tree.
  void CaptureLayout(TProgState& state) const;
  QString CrrSelectionPath() const;

  // Side panels and pages.
  void SetLeftPanelVisible(bool shown);
  void SetRightPanelVisible(bool shown);
  void CloseLeftPage(int k);
  void CloseRightPage(int k);
  void UpdatePanelHeaders();
  // The closing of a left page by its tab or header button, with the list
  // rules that follow it; a right page only closes.
  void LeftPageCloseRequested(int k);
  void RightPageCloseRequested(int k);
  void ShowLeftPage(int k);
  void ShowRightPage(int k);

  // The folder tree.
  void SelectTreePath(const QString& path);
  QString TreeNodePath(const QTreeWidgetItem* node) const;
  void UpdateTitle();
  // The title for a source about to be shown (a folder node just chosen).
  void UpdateTitle(TListSource source);
  void UpdateHistoryActions(const THistoryList& history);

  // History actions and their drop-down lists.
  void aPrevHistoryExecute();
  void aNextHistoryExecute();
  void aUpExecute();
  void PrevMenuPopup();
  void NextMenuPopup();
  void aVGOpenDirExecute();
  void aViewShowZoomedExecute();

  // Parts reached by tests and the start-up code.
  TFolderTree* FolderTree() const { return veskTreeFolders_; }
  TVeskActions& Actions() const { return *actions_; }
  TSidePanel& LeftSide() const { return *left_; }
  TSidePanel& RightSide() const { return *right_; }
  const TCurrentLists& Lists() const { return shown_.Lists(); }
  THistoryList& FolderHistory() { return folderHistory_; }
  THistoryList& CategoryHistory() { return categoryHistory_; }
  TFileListView* ListView() const { return veskListFiles_; }
  TRibbonView* Ribbon() const { return ribbon_; }
  QMenu* PrevMenu() const;
  QMenu* NextMenu() const;
  QWidget* UpperArea() const { return pnlUp_; }
  TVeskSplitter* UpperSplitter() const { return hsplit_; }
  TVeskSplitter* MainSplitter() const { return vsplit_; }
  QLabel* StatusLine() const { return status_; }
  TfrmAbout* About() const { return about_.get(); }
  // The category tree's selected category path (none until categories
  // exist); the title and the page rules read it.
  std::optional<QString> SelectedCategoryPath() const;

  // A switch's problems on the status line.
  void ShowLoadReport(const TFolderLoadReport& report);

  // Loads a folder node (the tree's change event).
  void LoadFolder(QTreeWidgetItem* node);

 Q_SIGNALS:
  // The window is closing (Exit, the window manager, SIGTERM).
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildUpperArea();
  QWidget* BuildRibbonArea();
  QWidget* BuildLowerArea();
  void ConnectActions();
  // The history of what the list shows (none for search results).
  THistoryList* HistoryInUse();
  void SelectHistoryEntry(THistoryList& history, int index);
  void FolderTreeClicked();
  void PageSwitched(int k);
  void ApplyPanelSizes();
  QString FolderHistoryText(QTreeWidgetItem* node) const;
  void FocusListRow(int row, bool selectAlone);
  void OpenFolderEntry(int row);
  QRect RibbonPanelOnScreen() const;

  TAppContext& ctx_;
  TShownList& shown_;
  TExtensionTable& extensions_;
  THistoryList folderHistory_;
  THistoryList categoryHistory_;
  std::unique_ptr<TfrmAbout> about_;
  // Attached by the start-up code; null until then and after DetachServices.
  TRibbonView* ribbon_ = nullptr;
  TFolderLoader* folderLoader_ = nullptr;
  TShowZoomed* showZoomed_ = nullptr;
  TfrmViewer* viewer_ = nullptr;

  TVeskActions* actions_ = nullptr;
  std::unique_ptr<TVeskMenus> menus_;
  QShortcut* reread_ = nullptr;  // F5: reread the shown folder
  QToolBar* tbFiles_ = nullptr;
  QWidget* pnlUp_ = nullptr;
  QWidget* pnlGl_ = nullptr;
  QWidget* pnlButtons_ = nullptr;
  TGlPanel* veskGlOut_ = nullptr;
  QWidget* glPlaceholder_ = nullptr;
  QWidget* categoriesHost_ = nullptr;
  QWidget* fileInfoHost_ = nullptr;
  QWidget* filtersHost_ = nullptr;
  QWidget* searchHost_ = nullptr;
  QWidget* imageBoardHost_ = nullptr;
  TOrganizeCommands* organizer_ = nullptr;
  TVeskSplitter* hsplit_ = nullptr;
  TVeskSplitter* vsplit_ = nullptr;
  TSidePanel* left_ = nullptr;
  TSidePanel* right_ = nullptr;
  TFolderTree* veskTreeFolders_ = nullptr;
  TFileListView* veskListFiles_ = nullptr;
  QLabel* status_ = nullptr;
  TTreeRoots roots_;
  TProgState layout_;  // sizes to apply once the window is laid out
  bool layoutPending_ = true;
};

}  // namespace glimr
