#pragma once
// TfrmVesk: the main window. Tool bar, the left panel (Catalogs, Categories,
// Search), the ribbon with its buttons, the right panel (File Info,
// ImageBoard, Filters), the file list with its tool bar and the status line;
// the actions, menus and history; the folder loads. The start-up code calls
// its creation, show and shutdown steps in their fixed order.

#include <QMainWindow>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "browse/currentlists.h"
#include "browse/filter.h"
#include "common/settings.h"
#include "browse/historylist.h"
#include "imaging/pluginset.h"

class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;

namespace glimr {

struct TAppContext;
class RegStore;
class TCash;
class TCashRibbonModel;
class TCatalogQueries;
class TdmVesk;
class TExtensionTable;
class TFileListView;
class TFolderLoader;
class TFolderTree;
class TfrmAbout;
class TfrmLoading;
class TfrmZoom;
class TGlPanel;
class TLoaderControl;
class TPlugins;
class TPluginThumbMaker;
class TRibbonView;
class TShowZoomed;
class TSidePanel;
class TVeskActions;
class TVeskSplitter;

// The folders behind "Home" and "File System" (tests use temporary ones).
struct TFolderTreeRoots {
  QString Home;  // empty: the user's home folder
  QString FileSystem = QStringLiteral("/");
};

class TfrmVesk : public QMainWindow {
  Q_OBJECT

 public:
  using TTreeRoots = TFolderTreeRoots;

  explicit TfrmVesk(TAppContext& context, QWidget* parent = nullptr);
  TfrmVesk(TAppContext& context, TFolderTreeRoots roots, QWidget* parent = nullptr);
  ~TfrmVesk() override;

  // Creation steps, in the order the start-up runs them.
  void CreateLists();
  void RestoreLayout(const TProgState& state);
  void InitProgramState();
  // First-run registration of the shipped plug-ins, then the plug-in set.
  void LoadPlugins(RegStore& store);
  void InitGraphics();
  void MakeCash(int capacity);
  void LoadResources();
  // The data module arrives after the window (nothing above touches it).
  void AttachCatalog(TdmVesk& dm, TCatalogQueries& queries);

  // Show steps.
  void ApplyCaptions();
  // SelectTreePath(CrrSelection) when the settings say so.
  void RestoreSelection();

  // Shutdown: records written back, the loader stopped under the four locks
  // and joined. Safe to call twice.
  void CloseStep();
  // The ribbon's GL objects and the cache go before the settings are saved.
  void ReleaseResources();
  // The layout into the record, and CrrSelection from the tree.
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
  TCurrentLists& Lists() { return lists_; }
  THistoryList& FolderHistory() { return folderHistory_; }
  THistoryList& CategoryHistory() { return categoryHistory_; }
  TFileListView* ListView() const { return veskListFiles_; }
  TRibbonView* Ribbon() const { return ribbon_.get(); }
  TCash* Cash() const { return cash_.get(); }
  TLoaderControl* Loader() const { return loader_.get(); }
  TPlugins* Plugins() const { return plugins_.get(); }
  QMenu* PrevMenu() const { return prevMenu_; }
  QMenu* NextMenu() const { return nextMenu_; }
  QWidget* UpperArea() const { return pnlUp_; }
  TVeskSplitter* UpperSplitter() const { return hsplit_; }
  TVeskSplitter* MainSplitter() const { return vsplit_; }
  QLabel* StatusLine() const { return status_; }
  TfrmAbout* About() const { return about_.get(); }
  // The category tree's selected category path (none until categories
  // exist); the title and the page rules read it.
  std::optional<QString> SelectedCategoryPath() const { return std::nullopt; }

  // Loads a folder node (the tree's change event).
  void LoadFolder(QTreeWidgetItem* node);

 Q_SIGNALS:
  // The window is closing (Exit, the window manager, SIGTERM).
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  QWidget* BuildUpperArea();
  QWidget* BuildRibbonArea();
  QWidget* BuildLowerArea();
  void BuildFileToolBar(QToolBar* tb);
  void ConnectActions();
  void SelectHistoryEntry(THistoryList& history, int index);
  void FolderTreeClicked();
  void PageSwitched(int k);
  void ApplyPanelSizes();
  QString FolderHistoryText(QTreeWidgetItem* node) const;
  void FocusListRow(int row, bool selectAlone);
  void OpenFolderEntry(int row);
  QRect RibbonPanelOnScreen() const;

  TAppContext& ctx_;
  TCurrentLists lists_;
  TFilterSettings filter_;
  THistoryList folderHistory_;
  THistoryList categoryHistory_;
  std::unique_ptr<TExtensionTable> extensions_;
  TPluginSetPtr plugins_;
  std::unique_ptr<TPluginThumbMaker> maker_;
  std::unique_ptr<TCash> cash_;
  std::unique_ptr<TLoaderControl> loader_;
  std::unique_ptr<TCashRibbonModel> model_;
  std::unique_ptr<TRibbonView> ribbon_;
  std::unique_ptr<TFolderLoader> folderLoader_;
  std::unique_ptr<TfrmAbout> about_;
  std::unique_ptr<TfrmLoading> loading_;
  std::unique_ptr<TfrmZoom> zoom_;
  std::unique_ptr<TShowZoomed> showZoomed_;
  TdmVesk* dm_ = nullptr;
  TCatalogQueries* queries_ = nullptr;

  TVeskActions* actions_ = nullptr;
  QMenu* mnuGlimr_ = nullptr;
  QMenu* prevMenu_ = nullptr;
  QMenu* nextMenu_ = nullptr;
  QToolBar* tbMain_ = nullptr;
  QToolBar* tbFiles_ = nullptr;
  QToolButton* tbSelection_ = nullptr;
  QToolButton* tbViewStyle_ = nullptr;
  QWidget* pnlUp_ = nullptr;
  QWidget* pnlGl_ = nullptr;
  QWidget* pnlButtons_ = nullptr;
  TGlPanel* veskGlOut_ = nullptr;
  QWidget* glPlaceholder_ = nullptr;
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
  bool closed_ = false;
  int thumbTextureSize_ = 256;
  std::vector<std::pair<int, QMenu*>> menuCaptions_;  // "Captions" key, menu
};

}  // namespace glimr
