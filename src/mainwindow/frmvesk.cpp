#include "mainwindow/frmvesk.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "browse/folderloader.h"
#include "browse/ui/filelistview.h"
#include "browse/ui/foldertree.h"
#include "catalog/imagefileinfo.h"
#include "common/appcontext.h"
#include "common/apppaths.h"
#include "common/errors.h"
#include "common/language.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/mainwindowlog.h"
#include "mainwindow/sidepanel.h"
#include "mainwindow/veskactions.h"
#include "mainwindow/veskicons.h"
#include "mainwindow/veskmenus.h"
#include "mainwindow/veskshortcuts.h"
#include "mainwindow/vesksplitter.h"
#include "mainwindow/windowgeometry.h"
#include "organize/ui/organizecommands.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"
#include "viewer/ui/frmviewer.h"
#include "viewer/ui/showzoomed.h"

namespace glimr {

namespace {

// Captions keys of the pages, left and right.
constexpr int kLeftPageKeys[3] = {0, 1, 153};
constexpr int kRightPageKeys[3] = {2, 3, 110};

// Keys of a folder load's status texts in "Strings" (defaults in the
// language table).
constexpr int kStrCannotReadFolder = 102;
constexpr int kStrNamesNotUtf8 = 103;
constexpr int kStrChangesInMemory = 104;

// A page's frame: the feature's page widget goes into it once made.
QWidget* PageHost(const QString& name, QWidget* page = nullptr) {
  auto* w = new QWidget();
  w->setObjectName(name);
  auto* column = new QVBoxLayout(w);
  column->setContentsMargins(0, 0, 0, 0);
  if (page) {
    column->addWidget(page);
  }
  return w;
}

// A page taller than its host scrolls rather than pushing the splitter: the
// stored layout stays as the user left it.
void AddScrolled(QWidget* host, QWidget* page) {
  auto* scroll = new QScrollArea(host);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(page);
  host->layout()->addWidget(scroll);
}

QString WithoutTrailingSlash(const QString& path) {
  return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

}  // namespace

TfrmVesk::TfrmVesk(TAppContext& context, TShownList& shown, TExtensionTable& extensions,
                   TFolderTreeRoots roots, QWidget* parent)
    : QMainWindow(parent),
      ctx_(context),
      shown_(shown),
      extensions_(extensions),
      roots_(std::move(roots)) {
  setObjectName(QStringLiteral("frmVesk"));
  setWindowTitle(QStringLiteral("Glimr"));
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(13);
  setFont(f);
  EnsureIconTheme();
  actions_ = new TVeskActions(this);

  auto* central = new QWidget(this);
  auto* col = new QVBoxLayout(central);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  vsplit_ = new TVeskSplitter(Qt::Vertical, central);
  vsplit_->setObjectName(QStringLiteral("sSplitter1"));
  vsplit_->setChildrenCollapsible(false);
  vsplit_->setHandleWidth(6);
  vsplit_->addWidget(BuildUpperArea());
  vsplit_->addWidget(BuildLowerArea());
  vsplit_->setStretchFactor(0, 0);
  vsplit_->setStretchFactor(1, 1);
  col->addWidget(vsplit_);
  setCentralWidget(central);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("sStatusBar1"));
  statusBar()->addWidget(status_, 1);
  statusBar()->setFixedHeight(19 + 4);
  statusBar()->setSizeGripEnabled(true);

  menus_ = std::make_unique<TVeskMenus>(*this, *actions_);
  menus_->BuildToolBar();
  menus_->BuildFileToolBar(tbFiles_, veskListFiles_);
  menus_->BuildMenus(pnlGl_, veskListFiles_);
  connect(menus_->PrevMenu(), &QMenu::aboutToShow, this, &TfrmVesk::PrevMenuPopup);
  connect(menus_->NextMenu(), &QMenu::aboutToShow, this, &TfrmVesk::NextMenuPopup);
  ConnectActions();
  qApp->installEventFilter(new TTextFieldShortcutGuard(this));
  // Reread the shown folder (no action carries it).
  reread_ = new QShortcut(this);
  connect(reread_, &QShortcut::activated, this, [this] {
    if (shown_.Source() == TListSource::Catalog && veskTreeFolders_->currentItem()) {
      LoadFolder(veskTreeFolders_->currentItem());
    }
  });
  about_ = std::make_unique<TfrmAbout>(this);
  const TProgState designed;
  move(designed.Left, designed.Top);
  resize(designed.Width, designed.Height);
  layout_ = designed;
  left_->SetRememberedWidth(designed.LeftWidth);
  right_->SetRememberedWidth(designed.RightWidth);
  ApplyCaptions();
}

TfrmVesk::~TfrmVesk() = default;

QMenu* TfrmVesk::PrevMenu() const {
  return menus_->PrevMenu();
}

QMenu* TfrmVesk::NextMenu() const {
  return menus_->NextMenu();
}

// ---------------------------------------------------------------- layout

QWidget* TfrmVesk::BuildUpperArea() {
  pnlUp_ = new QWidget(this);
  pnlUp_->setObjectName(QStringLiteral("pnlUp"));
  auto* row = new QHBoxLayout(pnlUp_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  left_ = new TSidePanel(TSidePanel::TSide::Left, pnlUp_);
  right_ = new TSidePanel(TSidePanel::TSide::Right, pnlUp_);
  veskTreeFolders_ = new TFolderTree(nullptr, roots_.Home, roots_.FileSystem);
  left_->AddPage(veskTreeFolders_, QStringLiteral("tsCatalogs"), 7, 7);
  categoriesHost_ = PageHost(QStringLiteral("pnlCategoriesHost"));
  left_->AddPage(categoriesHost_, QStringLiteral("tsCategories"), 8, 8);
  searchHost_ = PageHost(QStringLiteral("pnlSearchHost"));
  left_->AddPage(searchHost_, QStringLiteral("tsSearch"), 69, 68);
  fileInfoHost_ = PageHost(QStringLiteral("pnlFileInfo"));
  right_->AddPage(fileInfoHost_, QStringLiteral("tsFileInfo"), 9, 9);
  imageBoardHost_ = PageHost(QStringLiteral("pnlImageBoardHost"));
  right_->AddPage(imageBoardHost_, QStringLiteral("tsImageBoard"), 10, 10);
  filtersHost_ = PageHost(QStringLiteral("pnlFilterHost"));
  right_->AddPage(filtersHost_, QStringLiteral("tsFilter"), 50, 50);

  hsplit_ = new TVeskSplitter(Qt::Horizontal, pnlUp_);
  hsplit_->setObjectName(QStringLiteral("splitUp"));
  hsplit_->setChildrenCollapsible(false);
  hsplit_->setHandleWidth(4);
  hsplit_->addWidget(left_->Panel());
  hsplit_->addWidget(BuildRibbonArea());
  hsplit_->addWidget(right_->Panel());
  hsplit_->setStretchFactor(0, 0);
  hsplit_->setStretchFactor(1, 1);
  hsplit_->setStretchFactor(2, 0);
  left_->Panel()->setMinimumWidth(100);
  right_->Panel()->setMinimumWidth(100);
  pnlGl_->setMinimumWidth(100);
  left_->SetSplitterHandle(hsplit_->Handle(1));
  right_->SetSplitterHandle(hsplit_->Handle(2));
  hsplit_->Handle(1)->setObjectName(QStringLiteral("splitLeft"));
  hsplit_->Handle(2)->setObjectName(QStringLiteral("splitRight"));
  connect(hsplit_->Handle(1), &TVeskSplitterHandle::doubleClicked, this,
          [this] { SetLeftPanelVisible(!left_->IsShown()); });
  connect(hsplit_->Handle(2), &TVeskSplitterHandle::doubleClicked, this,
          [this] { SetRightPanelVisible(!right_->IsShown()); });

  row->addWidget(left_->CommandStrip());
  row->addWidget(hsplit_, 1);
  row->addWidget(right_->CommandStrip());

  connect(left_, &TSidePanel::closePageRequested, this, &TfrmVesk::LeftPageCloseRequested);
  connect(right_, &TSidePanel::closePageRequested, this, &TfrmVesk::RightPageCloseRequested);
  connect(left_, &TSidePanel::showPageRequested, this, &TfrmVesk::ShowLeftPage);
  connect(right_, &TSidePanel::showPageRequested, this, &TfrmVesk::ShowRightPage);

  connect(veskTreeFolders_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* node) { LoadFolder(node); });
  connect(veskTreeFolders_, &QTreeWidget::itemClicked, this, [this] { FolderTreeClicked(); });
  // The tree drops the nodes of vanished folders: history must not keep them.
  connect(veskTreeFolders_, &TFolderTree::nodeRemoving, this, [this](QTreeWidgetItem* n) {
    folderHistory_.RemoveNode(n);
    UpdateHistoryActions(folderHistory_);
  });
  return pnlUp_;
}

QWidget* TfrmVesk::BuildRibbonArea() {
  pnlGl_ = new QWidget(this);
  pnlGl_->setObjectName(QStringLiteral("pnlGl"));
  auto* col = new QVBoxLayout(pnlGl_);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  // Black until the GL panel is made (graphics initialisation).
  glPlaceholder_ = new QWidget(pnlGl_);
  glPlaceholder_->setObjectName(QStringLiteral("veskGlPlaceholder"));
  glPlaceholder_->setAutoFillBackground(true);
  QPalette pal = glPlaceholder_->palette();
  pal.setColor(QPalette::Window, Qt::black);
  glPlaceholder_->setPalette(pal);
  col->addWidget(glPlaceholder_, 1);

  pnlButtons_ = new QWidget(pnlGl_);
  pnlButtons_->setObjectName(QStringLiteral("pnlButtons"));
  pnlButtons_->setFixedHeight(60);
  auto* row = new QHBoxLayout(pnlButtons_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addStretch(1);
  const char* names[7] = {"btnMovLeft",   "btnMovRight", "btnRotLeft", "btnRotRight",
                          "btnFlipHoriz", "btnFlipVert", "btnZoom"};
  const char* actionNames[7] = {"aViewMoveLeft",  "aViewMoveRight", "aViewRotLeft",
                                "aViewRotRight",  "aViewFlipHoriz", "aViewFlipVert",
                                "aViewShowZoomed"};
  for (int i = 0; i < 7; ++i) {
    auto* b = new QToolButton(pnlButtons_);
    b->setObjectName(QString::fromLatin1(names[i]));
    b->setFixedSize(65, 60);
    b->setIcon(RibbonButtonIcon(i));
    b->setIconSize(QSize(32, 32));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    QAction* a = actions_->Get(actionNames[i]);
    // The buttons call the action's handler directly.
    connect(b, &QToolButton::clicked, a, &QAction::trigger);
    row->addWidget(b);
  }
  row->addStretch(1);
  col->addWidget(pnlButtons_);
  return pnlGl_;
}

QWidget* TfrmVesk::BuildLowerArea() {
  auto* bottom = new QWidget(this);
  bottom->setObjectName(QStringLiteral("pnlBottom"));
  auto* col = new QVBoxLayout(bottom);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  tbFiles_ = new QToolBar(bottom);
  tbFiles_->setObjectName(QStringLiteral("tbFiles"));
  tbFiles_->setFixedHeight(30);
  tbFiles_->setIconSize(QSize(16, 16));
  tbFiles_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  col->addWidget(tbFiles_);
  veskListFiles_ = new TFileListView(shown_, extensions_, bottom);
  veskListFiles_->setObjectName(QStringLiteral("veskListFiles"));
  col->addWidget(veskListFiles_, 1);

  connect(veskListFiles_, &TFileListView::focusedIndexChanged, this, [this] {
    if (ribbon_) {
      ribbon_->ScrollImagesToFocused();
    }
  });
  connect(veskListFiles_, &TFileListView::folderActivated, this, &TfrmVesk::OpenFolderEntry);
  connect(veskListFiles_, &TFileListView::showZoomedRequested, this,
          &TfrmVesk::aViewShowZoomedExecute);
  connect(veskListFiles_, &TFileListView::selectionSummaryChanged, this,
          [this](const QString& text) { status_->setText(text); });
  connect(veskListFiles_, &TFileListView::selectionMarksChanged, this, [this] {
    if (ribbon_) {
      ribbon_->Ribbon().RedrawNeeded = true;
    }
  });
  return bottom;
}

void TfrmVesk::ConnectActions() {
  TVeskActions& a = *actions_;
  const auto on = [this, &a](const char* name, auto&& fn) {
    connect(a.Get(name), &QAction::triggered, this, fn);
  };
  on("aVSIcons", [this] { veskListFiles_->SetViewStyle(TViewStyle::Icons); });
  on("aVSSmallIcons", [this] { veskListFiles_->SetViewStyle(TViewStyle::SmallIcons); });
  on("aVSList", [this] { veskListFiles_->SetViewStyle(TViewStyle::List); });
  on("aVSReport", [this] { veskListFiles_->SetViewStyle(TViewStyle::Report); });
  on("aSelectAll", [this] { veskListFiles_->SelectAll(); });
  on("aSelectNone", [this] { veskListFiles_->SelectNone(); });
  on("aSelectInvert", [this] { veskListFiles_->InvertSelection(); });
  on("aViewShowZoomed", [this] { aViewShowZoomedExecute(); });
  const auto ribbonCommand = [this](void (TRibbonView::*command)()) {
    return [this, command] {
      if (ribbon_) {
        (ribbon_->*command)();
      }
    };
  };
  on("aViewMoveLeft", ribbonCommand(&TRibbonView::MoveLeft));
  on("aViewMoveRight", ribbonCommand(&TRibbonView::MoveRight));
  on("aViewRotLeft", ribbonCommand(&TRibbonView::RotateLeft));
  on("aViewRotRight", ribbonCommand(&TRibbonView::RotateRight));
  on("aViewFlipHoriz", ribbonCommand(&TRibbonView::FlipHorizontally));
  on("aViewFlipVert", ribbonCommand(&TRibbonView::FlipVertically));
  on("aVGOpenDir", [this] { aVGOpenDirExecute(); });
  on("aVGExit", [this] { close(); });
  on("aShowCatalogs", [this] { ShowLeftPage(0); });
  on("aShowCategories", [this] { ShowLeftPage(1); });
  on("aShowSearch", [this] { ShowLeftPage(2); });
  on("aShowFileInfo", [this] { ShowRightPage(0); });
  on("aShowImageBoard", [this] { ShowRightPage(1); });
  on("aShowFilter", [this] { ShowRightPage(2); });
  on("aAbout", [this] { about_->exec(); });
  on("aVisitWebSite", [] { QDesktopServices::openUrl(QUrl(kWebSite)); });
  on("aFeedback", [] { QDesktopServices::openUrl(QUrl(kWebSite + QStringLiteral("/index/0-3"))); });
  on("aFeedback2",
     [] { QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + kSupportMail)); });
  on("aPrevHistory", [this] { aPrevHistoryExecute(); });
  on("aNextHistory", [this] { aNextHistoryExecute(); });
  on("aUp", [this] { aUpExecute(); });
}

// ---------------------------------------------------------------- creation steps

void TfrmVesk::CreateLists() {
  ctx_.LogLines.clear();
  folderHistory_.Clear();
  categoryHistory_.Clear();
  // A tree without a selection (a fresh start) has no place to remember.
  if (QTreeWidgetItem* node = veskTreeFolders_->SelectedNode()) {
    if (folderHistory_.Add(FolderHistoryText(node), node)) {
      folderHistory_.Forward();
    }
  }
  shown_.PresetFilter({});
}

void TfrmVesk::InitProgramState() {
  UpdateHistoryActions(folderHistory_);
}

// ---------------------------------------------------------------- hosted parts

void TfrmVesk::AttachRibbon(TGlPanel* panel, TRibbonView& ribbon) {
  veskGlOut_ = panel;
  veskGlOut_->setObjectName(QStringLiteral("veskGlOut"));
  veskGlOut_->setParent(pnlGl_);
  auto* col = static_cast<QVBoxLayout*>(pnlGl_->layout());
  col->replaceWidget(glPlaceholder_, veskGlOut_);
  glPlaceholder_->deleteLater();
  glPlaceholder_ = nullptr;
  veskGlOut_->setContextMenuPolicy(Qt::NoContextMenu);
  veskGlOut_->show();
  ribbon_ = &ribbon;
  connect(ribbon_, &TRibbonView::OpenZoomedRequested, this, [this] { aViewShowZoomedExecute(); });
  connect(ribbon_, &TRibbonView::FolderEntryActivated, this, &TfrmVesk::OpenFolderEntry);
  // A click in the ribbon leaves the arrow keys with the file list, not with
  // the folder tree (where they would load another folder).
  connect(ribbon_, &TRibbonView::EntryClicked, this,
          [this] { veskListFiles_->setFocus(Qt::MouseFocusReason); });
}

void TfrmVesk::HostPages(const THostedPages& pages) {
  categoriesHost_->layout()->addWidget(pages.Categories);
  AddScrolled(searchHost_, pages.Search);
  AddScrolled(fileInfoHost_, pages.FileInfo);
  imageBoardHost_->layout()->addWidget(pages.ImageBoard);
  AddScrolled(filtersHost_, pages.Filters);
}

void TfrmVesk::AttachOrganizer(TOrganizeCommands* organizer) {
  organizer_ = organizer;
}

const std::vector<QMenu*>& TfrmVesk::ExternalMenus() const {
  return menus_->ExternalMenus();
}

void TfrmVesk::AttachFolderLoader(TFolderLoader& loader) {
  folderLoader_ = &loader;
}

void TfrmVesk::AttachViewer(TShowZoomed& showZoomed, TfrmViewer* viewer) {
  showZoomed_ = &showZoomed;
  viewer_ = viewer;
}

void TfrmVesk::DetachServices() {
  if (ribbon_) {
    disconnect(ribbon_, nullptr, this, nullptr);
  }
  ribbon_ = nullptr;
  folderLoader_ = nullptr;
  showZoomed_ = nullptr;
  viewer_ = nullptr;
  organizer_ = nullptr;
}

// ---------------------------------------------------------------- show steps

void TfrmVesk::ApplyCaptions() {
  veskListFiles_->ApplyCaptions();
  for (int k = 0; k < 3; ++k) {
    left_->SetPageCaption(k, LangText(TLangSection::Captions, kLeftPageKeys[k]));
    right_->SetPageCaption(k, LangText(TLangSection::Captions, kRightPageKeys[k]));
  }
  actions_->ApplyCaptions();
  AssignShortcuts(*actions_);
  reread_->setKey(RereadShortcut());
  menus_->ApplyCaptions();
  UpdateHistoryActions(shown_.Source() == TListSource::Category ? categoryHistory_
                                                                : folderHistory_);
  UpdateTitle();
  UpdatePanelHeaders();
}

void TfrmVesk::OpenFolderSelecting(const QString& folder, const QStringList& files) {
  // The folder may have been made after the tree read its parent (a second
  // start hands over a folder just created) or be one the tree does not
  // list: the tree makes its node on the way instead of stopping at the
  // deepest node it knows, which would show the parent.
  if (!veskTreeFolders_->NavigateToPath(folder)) {
    qCWarning(lcMainWindow) << "cannot show the folder handed over:" << folder;
    return;
  }
  if (shown_.Source() != TListSource::Catalog ||
      shown_.Folder() != WithTrailingSlash(QDir::cleanPath(folder))) {
    return;  // not shown: a missing or unreadable folder says so itself
  }
  // The selection is the view's: it is set on the records' marks, which the
  // view then shows.
  int first = -1;
  for (const QString& file : files) {
    const int row = shown_.Current().IndexOf(file);
    if (row >= 0) {
      shown_.Current().At(row)->Selected = true;
      first = first < 0 ? row : first;
    }
  }
  if (first >= 0) {
    veskListFiles_->RestoreSelectionFromRecords();
    veskListFiles_->FocusRow(first, false);
  }
}

void TfrmVesk::RestoreSelection() {
  if (ctx_.Settings.SaveCrrSelection && !ctx_.Settings.CrrSelection.isEmpty()) {
    SelectTreePath(ctx_.Settings.CrrSelection);
  }
}

// ---------------------------------------------------------------- shutdown

QString TfrmVesk::CrrSelectionPath() const {
  return TFolderTree::TreeNodePath(veskTreeFolders_->SelectedNode());
}

// ---------------------------------------------------------------- layout record

void TfrmVesk::RestoreLayout(const TProgState& stored) {
  // A damaged record can hold any size: the window is fitted to the screen
  // that holds it, and the panels to the window.
  QList<QRect> areas;
  int primary = 0;
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (int i = 0; i < screens.size(); ++i) {
    areas.append(screens[i]->availableGeometry());
    if (screens[i] == QGuiApplication::primaryScreen()) {
      primary = i;
    }
  }
  const QRect window = RestoredWindowGeometry(stored, areas, primary);
  TProgState s = stored;
  const TPanelSizes panels =
      ClampPanelSizes(stored.UpHeight, stored.LeftWidth, stored.RightWidth, window.size());
  s.UpHeight = panels.UpHeight;
  s.LeftWidth = panels.LeftWidth;
  s.RightWidth = panels.RightWidth;
  setGeometry(window);
  if (s.WindowState == 2) {
    setWindowState(Qt::WindowMaximized);
  } else if (s.WindowState == 1) {
    setWindowState(Qt::WindowMinimized);
  } else {
    setWindowState(Qt::WindowNoState);
  }
  layout_ = s;
  left_->SetRememberedWidth(s.LeftWidth);
  right_->SetRememberedWidth(s.RightWidth);
  ApplyPanelSizes();
  SetLeftPanelVisible(s.LeftPanelShown != 0);
  SetRightPanelVisible(s.RightPanelShown != 0);
  for (int k = 0; k < 3; ++k) {
    left_->SetTabVisible(k, s.LeftTabs[static_cast<size_t>(k)] != 0);
  }
  if (s.LeftPanelShown == 0) {
    left_->ShowButton()->setEnabled(left_->AnyTabVisible());
  }
  for (int k = 0; k < 3; ++k) {
    right_->SetTabVisible(k, s.RightTabs[static_cast<size_t>(k)] != 0);
  }
  if (s.RightPanelShown == 0) {
    right_->ShowButton()->setEnabled(right_->AnyTabVisible());
  }
  left_->SetActivePage(s.LeftPageIndex);
  right_->SetActivePage(s.RightPageIndex);
  UpdatePanelHeaders();
}

void TfrmVesk::ApplyPanelSizes() {
  // Side panels keep their width when the window grows (stretch 0); the
  // ribbon takes the rest. Sizes given before the splitter is laid out are
  // applied again when the window is first shown.
  const int lw = std::max(0, left_->RememberedWidth());
  const int rw = std::max(0, right_->RememberedWidth());
  const int total = std::max(hsplit_->width(), lw + rw + 200);
  hsplit_->setSizes({lw, std::max(100, total - lw - rw), rw});
  const int up = std::max(0, layout_.UpHeight);
  const int vtotal = std::max(vsplit_->height(), up + 100);
  vsplit_->setSizes({up, std::max(50, vtotal - up)});
}

void TfrmVesk::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (layoutPending_) {
    layoutPending_ = false;
    ApplyPanelSizes();
  }
}

void TfrmVesk::CaptureLayout(TProgState& s) const {
  s.WindowState = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
  // The normal geometry, so a maximized window comes back to its old size.
  const QRect r = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
  if (r.isValid()) {
    StoreWindowGeometry(s, r);
  }
  // Sizes stay valid once the window has been laid out, also after it has
  // been hidden at exit, when the settings are saved.
  const bool laidOut = !layoutPending_;
  s.UpHeight = laidOut ? pnlUp_->height() : layout_.UpHeight;
  s.LeftWidth = laidOut && left_->IsShown() ? left_->Panel()->width() : left_->RememberedWidth();
  s.RightWidth =
      laidOut && right_->IsShown() ? right_->Panel()->width() : right_->RememberedWidth();
  s.LeftPanelShown = left_->IsShown() ? 1 : 0;
  s.RightPanelShown = right_->IsShown() ? 1 : 0;
  for (int k = 0; k < 3; ++k) {
    s.LeftTabs[static_cast<size_t>(k)] = left_->TabVisible(k) ? 1 : 0;
    s.RightTabs[static_cast<size_t>(k)] = right_->TabVisible(k) ? 1 : 0;
  }
  s.LeftPageIndex = left_->ActivePage();
  s.RightPageIndex = right_->ActivePage();
}

// ---------------------------------------------------------------- side panels

void TfrmVesk::SetLeftPanelVisible(bool shown) {
  left_->SetVisible(shown);
}

void TfrmVesk::SetRightPanelVisible(bool shown) {
  right_->SetVisible(shown);
}

void TfrmVesk::CloseLeftPage(int k) {
  left_->ClosePage(k);
}

void TfrmVesk::CloseRightPage(int k) {
  right_->ClosePage(k);
}

void TfrmVesk::UpdatePanelHeaders() {
  left_->UpdateHeader();
  right_->UpdateHeader();
}

void TfrmVesk::LeftPageCloseRequested(int k) {
  CloseLeftPage(k);
  const int active = left_->AnyTabVisible() ? left_->ActivePage() : -1;
  if (active == 0 && shown_.Source() == TListSource::Category) {
    QTreeWidgetItem* node = veskTreeFolders_->SelectedNode();
    if (!node) {
      node = veskTreeFolders_->RootNode();
    }
    if (node == veskTreeFolders_->SelectedNode()) {
      LoadFolder(node);
    } else {
      veskTreeFolders_->SelectNode(node);
    }
  }
  // The Categories page coming to the front while a folder is shown shows
  // the category selected there, or its first one when none is selected.
  if (active == 1 && shown_.Source() == TListSource::Catalog && organizer_) {
    std::int32_t id = organizer_->SelectedCategory();
    if (id == 0) {
      id = organizer_->FirstCategory();
    }
    if (id != 0) {
      organizer_->GoToCategory(id);
    }
  }
  UpdateTitle();
}

void TfrmVesk::RightPageCloseRequested(int k) {
  CloseRightPage(k);
}

void TfrmVesk::ShowLeftPage(int k) {
  left_->ShowPage(k);
  UpdatePanelHeaders();
}

void TfrmVesk::ShowRightPage(int k) {
  right_->ShowPage(k);
  UpdatePanelHeaders();
}

// ---------------------------------------------------------------- folder tree

void TfrmVesk::SelectTreePath(const QString& path) {
  veskTreeFolders_->SelectTreePath(path);
}

QString TfrmVesk::TreeNodePath(const QTreeWidgetItem* node) const {
  return TFolderTree::TreeNodePath(node);
}

QString TfrmVesk::FolderHistoryText(QTreeWidgetItem* node) const {
  // A folder by its path; the virtual root by its text.
  return TFolderTree::IsFileSystemFolder(node)
             ? WithoutTrailingSlash(TFolderTree::NodeFullPath(node))
             : TFolderTree::NodeText(node);
}

std::optional<QString> TfrmVesk::SelectedCategoryPath() const {
  return organizer_ ? organizer_->ShownCategoryPath() : std::nullopt;
}

void TfrmVesk::UpdateTitle() {
  UpdateTitle(shown_.Source());
}

void TfrmVesk::UpdateTitle(TListSource source) {
  QTreeWidgetItem* node = veskTreeFolders_->SelectedNode();
  if (source == TListSource::Catalog && !node) {
    setWindowTitle(QStringLiteral("Glimr"));  // nothing chosen yet
    return;
  }
  setWindowTitle(
      TitleText(source, node ? FolderHistoryText(node) : QString(), SelectedCategoryPath()));
  qCDebug(lcMainWindow) << "title:" << windowTitle();
}

void TfrmVesk::LoadFolder(QTreeWidgetItem* node) {
  if (!node) {
    return;
  }
  try {
    if (folderHistory_.Add(FolderHistoryText(node), node)) {
      folderHistory_.Forward();
    }
    UpdateHistoryActions(folderHistory_);
    // The title names the chosen node at once, also one that is no folder
    // on disk (which shows no list of its own).
    UpdateTitle(TListSource::Catalog);
    if (!TFolderTree::IsFileSystemFolder(node) || !folderLoader_) {
      return;
    }
    QElapsedTimer clock;
    clock.start();
    const TFolderLoadReport report =
        folderLoader_->LoadFolder(TFolderTree::NodeFullPath(node), shown_);
    if (report.OldListsKept) {
      // The old folder is still what the list shows: the title says so.
      setWindowTitle(TitleText(shown_.Source(), WithoutTrailingSlash(shown_.Folder()),
                               SelectedCategoryPath()));
    }
    ShowLoadReport(report);
    if (!report.Error.isEmpty()) {
      ShowError(QStringLiteral("veskTreeFolders.OnChange: "), report.Error);
    }
    qCDebug(lcMainWindow) << "folder shown:" << shown_.Current().Count() << "entries in"
                          << clock.elapsed() << "ms";
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("veskTreeFolders.OnChange: "), ErrorText(e));
  }
}

void TfrmVesk::ShowLoadReport(const TFolderLoadReport& report) {
  QStringList parts;
  if (!report.ReadError.isEmpty()) {
    parts << LangText(TLangSection::Strings, kStrCannotReadFolder).arg(report.ReadError);
  }
  if (report.NamesNotUtf8 > 0) {
    parts << LangText(TLangSection::Strings, kStrNamesNotUtf8).arg(report.NamesNotUtf8);
  }
  if (report.CatalogWriteFailed) {
    parts << LangText(TLangSection::Strings, kStrChangesInMemory);
  }
  if (!parts.isEmpty()) {
    status_->setText(parts.join(QStringLiteral("; ")));
  }
}

void TfrmVesk::FolderTreeClicked() {
  if (shown_.Source() != TListSource::Catalog) {
    LoadFolder(veskTreeFolders_->SelectedNode());
  }
  UpdateTitle();
}

void TfrmVesk::OpenFolderEntry(int row) {
  const TImageFileInfo* r =
      row >= 0 && row < shown_.Current().Count() ? shown_.Current().At(row) : nullptr;
  QTreeWidgetItem* node = veskTreeFolders_->SelectedNode();
  if (!r || !r->IsFolder || !node) {
    return;
  }
  if (r->FileName == QLatin1String("..")) {
    // The real parent folder, also from Home (whose tree parent is virtual).
    veskTreeFolders_->NavigateToParent(node);
    return;
  }
  // Also a folder made since the node was read, or a hidden one.
  if (!veskTreeFolders_->NavigateToChild(node, r->FileName)) {
    ShowError(QStringLiteral("OpenFolderEntry: "),
              QDir::toNativeSeparators(TFolderTree::NodeFullPath(node) + r->FileName));
  }
}

void TfrmVesk::FocusListRow(int row, bool selectAlone) {
  veskListFiles_->FocusRow(row, selectAlone);
}

// ---------------------------------------------------------------- history

void TfrmVesk::UpdateHistoryActions(const THistoryList& history) {
  QAction* next = actions_->Get("aNextHistory");
  QAction* prev = actions_->Get("aPrevHistory");
  next->setEnabled(history.CanForward());
  prev->setEnabled(history.CanBack());
  if (&history == &categoryHistory_) {
    const std::int32_t id = TOrganizeCommands::CategoryOfNode(history.CurrentNode());
    actions_->Get("aUp")->setEnabled(id != 0 && organizer_ && organizer_->ParentCategory(id) != 0);
  } else {
    const auto* node = static_cast<const QTreeWidgetItem*>(history.CurrentNode());
    actions_->Get("aUp")->setEnabled(node && node->parent());
  }
  const QString nextHint =
      next->isEnabled() ? history.TextAt(history.CurrentIndex() + 1) : QString();
  const QString prevHint =
      prev->isEnabled() ? history.TextAt(history.CurrentIndex() - 1) : QString();
  next->setToolTip(HintToolTip(nextHint));
  next->setProperty("glimrHint", nextHint);
  prev->setToolTip(HintToolTip(prevHint));
  prev->setProperty("glimrHint", prevHint);
}

void TfrmVesk::SelectHistoryEntry(THistoryList& history, int index) {
  history.SetIndex(index);
  if (&history == &categoryHistory_) {
    const std::int32_t id = TOrganizeCommands::CategoryOfNode(history.CurrentNode());
    if (id != 0 && organizer_) {
      organizer_->GoToCategory(id);
    }
  } else if (auto* node = const_cast<QTreeWidgetItem*>(
                 static_cast<const QTreeWidgetItem*>(history.CurrentNode()))) {
    veskTreeFolders_->SelectNode(node);
  }
  UpdateHistoryActions(history);
}

THistoryList* TfrmVesk::HistoryInUse() {
  switch (shown_.Source()) {
    case TListSource::Catalog:
      return &folderHistory_;
    case TListSource::Category:
      return &categoryHistory_;
    case TListSource::Search:
      break;
  }
  return nullptr;
}

void TfrmVesk::aPrevHistoryExecute() {
  THistoryList* history = HistoryInUse();
  if (history && history->CanBack()) {
    SelectHistoryEntry(*history, history->CurrentIndex() - 1);
  }
}

void TfrmVesk::aNextHistoryExecute() {
  THistoryList* history = HistoryInUse();
  if (history && history->CanForward()) {
    SelectHistoryEntry(*history, history->CurrentIndex() + 1);
  }
}

void TfrmVesk::aUpExecute() {
  if (shown_.Source() == TListSource::Category) {
    if (!organizer_) {
      return;
    }
    const std::int32_t parent = organizer_->ParentCategory(organizer_->SelectedCategory());
    if (parent != 0) {
      organizer_->GoToCategory(parent);
    }
    return;
  }
  if (shown_.Source() != TListSource::Catalog) {
    return;
  }
  QTreeWidgetItem* node = veskTreeFolders_->SelectedNode();
  if (node && node->parent()) {
    veskTreeFolders_->SelectNode(node->parent());
  }
}

void TfrmVesk::PrevMenuPopup() {
  menus_->PrevMenu()->clear();
  THistoryList* history = HistoryInUse();
  if (!history) {
    return;
  }
  for (int i = history->CurrentIndex() - 1; i >= 0; --i) {
    QAction* item = menus_->PrevMenu()->addAction(history->TextAt(i));
    connect(item, &QAction::triggered, this,
            [this, history, i] { SelectHistoryEntry(*history, i); });
  }
}

void TfrmVesk::NextMenuPopup() {
  menus_->NextMenu()->clear();
  THistoryList* history = HistoryInUse();
  if (!history) {
    return;
  }
  for (int i = history->CurrentIndex() + 1; i < history->Count(); ++i) {
    QAction* item = menus_->NextMenu()->addAction(history->TextAt(i));
    connect(item, &QAction::triggered, this,
            [this, history, i] { SelectHistoryEntry(*history, i); });
  }
}

// ---------------------------------------------------------------- other actions

void TfrmVesk::aVGOpenDirExecute() {
  const QString start = TFolderTree::NodeFullPath(veskTreeFolders_->SelectedNode());
  const QString folder = QFileDialog::getExistingDirectory(
      this, LangText(TLangSection::Captions, 61), start.isEmpty() ? QDir::homePath() : start);
  if (!folder.isEmpty() && !veskTreeFolders_->NavigateToPath(folder)) {
    ShowError(QStringLiteral("aVGOpenDir: "), folder);
  }
}

QRect TfrmVesk::RibbonPanelOnScreen() const {
  const QWidget* w = veskGlOut_ ? static_cast<QWidget*>(veskGlOut_) : pnlGl_;
  return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void TfrmVesk::aViewShowZoomedExecute() {
  if (!ribbon_ || !showZoomed_) {
    return;
  }
  // During a glide the ribbon jumps to the glide's end: the picture shown
  // is the one the glide was heading to, which the list has focused.
  if (ribbon_->IsGliding()) {
    ribbon_->FinishGlide();
  }
  const int row = veskListFiles_->FocusedRow();
  if (row < 0 || row >= shown_.Current().Count()) {
    return;
  }
  const TImageFileInfo* r = shown_.Current().At(row);
  if (r->IsFolder) {
    return;
  }
  if (viewer_ && viewer_->isVisible()) {
    viewer_->Open(row);
    viewer_->raise();
    viewer_->activateWindow();
    return;
  }
  if (showZoomed_->IsRunning()) {
    return;
  }
  // A sequence that starts turns polling back on when it ends, however it
  // ends; one that is refused must not leave it off.
  ribbon_->SetPolling(false);
  if (!showZoomed_->Begin(*r, ribbon_->ZoomStartRect(), RibbonPanelOnScreen())) {
    ribbon_->SetPolling(!shown_.Current().IsEmpty());
  }
}

void TfrmVesk::closeEvent(QCloseEvent* event) {
  Q_EMIT closing();
  QMainWindow::closeEvent(event);
}

}  // namespace glimr
