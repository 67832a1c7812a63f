#include "mainwindow/veskmenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>

#include <utility>

#include "browse/ui/filelistview.h"
#include "browse/ui/toolbarnames.h"
#include "common/language.h"
#include "mainwindow/veskactions.h"
#include "mainwindow/veskicons.h"

namespace glimr {

TVeskMenus::TVeskMenus(QMainWindow& window, TVeskActions& actions)
    : window_(window), actions_(actions) {}

void TVeskMenus::BuildToolBar() {
  tbMain_ = window_.addToolBar(QStringLiteral("tbMain"));
  tbMain_->setObjectName(QStringLiteral("tbMain"));
  tbMain_->setMovable(false);
  // The main tool bar is always shown: no entry to hide it in the window's
  // context menu (it would read "tbMain").
  tbMain_->toggleViewAction()->setVisible(false);
  tbMain_->setIconSize(QSize(20, 20));
  prevMenu_ = new QMenu(&window_);
  prevMenu_->setObjectName(QStringLiteral("PrevMenu"));
  nextMenu_ = new QMenu(&window_);
  nextMenu_->setObjectName(QStringLiteral("NextMenu"));
  const auto addDropDown = [this](QAction* a, QMenu* menu) {
    tbMain_->addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(tbMain_->widgetForAction(a))) {
      b->setMenu(menu);
      b->setPopupMode(QToolButton::MenuButtonPopup);
    }
  };
  addDropDown(actions_.Get("aPrevHistory"), prevMenu_);
  addDropDown(actions_.Get("aNextHistory"), nextMenu_);
  tbMain_->addAction(actions_.Get("aUp"));
  tbMain_->addSeparator();
  tbMain_->addAction(actions_.Get("aVGOpenDir"));
  tbMain_->addSeparator();
  for (const char* n : {"aShowCatalogs", "aShowCategories", "aShowSearch"}) {
    tbMain_->addAction(actions_.Get(n));
  }
  tbMain_->addSeparator();
  for (const char* n : {"aShowFileInfo", "aShowImageBoard", "aShowFilter"}) {
    tbMain_->addAction(actions_.Get(n));
  }
  tbMain_->addSeparator();
  tbMain_->addAction(actions_.Get("aOptions"));
  tbMain_->addSeparator();
}

void TVeskMenus::BuildFileToolBar(QToolBar* tb, TFileListView* list) {
  tbFiles_ = tb;
  auto* selMenu = new QMenu(tb);
  selMenu->setObjectName(QStringLiteral("selMenu"));
  selMenu->addAction(actions_.Get("aSelectAll"));
  selMenu->addAction(actions_.Get("aSelectNone"));
  selMenu->addAction(actions_.Get("aSelectInvert"));
  tbSelection_ = new QToolButton(tb);
  tbSelection_->setObjectName(QStringLiteral("tbSelection"));
  tbSelection_->setIcon(VeskIcon(11));
  tbSelection_->setMenu(selMenu);
  tbSelection_->setPopupMode(QToolButton::MenuButtonPopup);
  QObject::connect(tbSelection_, &QToolButton::clicked, list,
                   &TFileListView::RepeatSelectionCommand);
  QObject::connect(
      list, &TFileListView::selectionCommandChanged, tbSelection_,
      [this](TSelectionCommand c) { tbSelection_->setIcon(VeskIcon(static_cast<int>(c))); });
  tb->addWidget(tbSelection_);

  auto* viewMenu = new QMenu(tb);
  viewMenu->setObjectName(QStringLiteral("viewMenu"));
  for (const char* n : {"aVSIcons", "aVSSmallIcons", "aVSList", "aVSReport"}) {
    viewMenu->addAction(actions_.Get(n));
  }
  tbViewStyle_ = new QToolButton(tb);
  tbViewStyle_->setObjectName(QStringLiteral("tbViewStyle"));
  tbViewStyle_->setIcon(VeskIcon(14));
  tbViewStyle_->setMenu(viewMenu);
  tbViewStyle_->setPopupMode(QToolButton::InstantPopup);
  tb->addWidget(tbViewStyle_);
  tb->addSeparator();
  for (const char* n : {"aCopyToIB", "aPasteFromIB", "aCutToCB", "aCopyToCB", "aPasteFromCB",
                        "aFileDelete", "aFileRename", "aCopyToFolder", "aMoveToFolder"}) {
    tb->addAction(actions_.Get(n));
  }
}

void TVeskMenus::BuildMenus(QWidget* ribbonArea, TFileListView* list) {
  QMenuBar* bar = window_.menuBar();
  bar->setObjectName(QStringLiteral("veskMainMenu"));
  const auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
    for (const char* n : names) {
      if (n == nullptr) {
        m->addSeparator();
      } else {
        m->addAction(actions_.Get(n));
      }
    }
  };
  const auto sub = [this](QMenu* parent, int key) {
    QMenu* m = parent->addMenu(QString());
    menuCaptions_.push_back({key, m});
    return m;
  };
  const auto top = [this, bar](int key) {
    QMenu* m = bar->addMenu(QString());
    menuCaptions_.push_back({key, m});
    return m;
  };
  const auto ratingMenu = [&](QMenu* parent) {
    QMenu* m = sub(parent, 37);
    add(m, {"aClearRating", "aSetOneStar", "aSetTwoStars", "aSetThreeStars", "aSetFourStars",
            "aSetFiveStars"});
  };
  const auto externalMenu = [&](QMenu* parent) {
    QMenu* m = sub(parent, 213);
    m->setObjectName(QStringLiteral("miOpenWith%1").arg(externalMenus_.size()));
    add(m, {"aAddProgs"});
    externalMenus_.push_back(m);
  };

  mnuGlimr_ = bar->addMenu(QStringLiteral("Glimr"));
  add(mnuGlimr_,
      {"aVGOpenDir", nullptr, "aPrevHistory", "aNextHistory", "aUp", nullptr, "aVGExit"});
  QMenu* edit = top(36);
  externalMenu(edit);
  add(edit, {nullptr, "aCopyToIB", "aPasteFromIB", nullptr, "aCutToCB", "aCopyToCB", "aPasteFromCB",
             nullptr, "aCopyToFolder", "aMoveToFolder", nullptr, "aFileDelete", "aFileRename"});
  ratingMenu(edit);
  add(top(38), {"aSelectAll", "aSelectNone", "aSelectInvert"});
  QMenu* view = top(39);
  add(view, {"aViewShowZoomed", "aViewSlideshow", "aViewMoveLeft", "aViewMoveRight", "aViewRotLeft", "aViewRotRight",
             "aViewFlipHoriz", "aViewFlipVert", nullptr});
  add(sub(view, 40), {"aVSIcons", "aVSSmallIcons", "aVSList", "aVSReport"});
  add(top(41), {"aShowCatalogs", "aShowCategories", "aShowSearch", nullptr, "aShowFileInfo",
                "aShowImageBoard", "aShowFilter"});
  add(top(42), {"aOptions"});
  QMenu* help = top(43);
  add(help, {"aAbout"});
  // The Help links carry their own captions (123 to 125).
  for (auto [name, key] : {std::pair{"aVisitWebSite", 123}, std::pair{"aFeedback", 124},
                           std::pair{"aFeedback2", 125}}) {
    QAction* item = help->addAction(actions_.Get(name)->icon(), QString());
    item->setObjectName(QStringLiteral("mi") + QString::fromLatin1(name));
    item->setProperty("glimrCaptionKey", key);
    QObject::connect(item, &QAction::triggered, actions_.Get(name), &QAction::trigger);
  }

  // ViewPopUp on the ribbon, FilesMenu on the file list.
  auto* viewPopUp = new QMenu(&window_);
  viewPopUp->setObjectName(QStringLiteral("ViewPopUp"));
  add(viewPopUp, {"aViewShowZoomed", "aViewMoveLeft", "aViewMoveRight", "aViewRotLeft",
                  "aViewRotRight", "aViewFlipHoriz", "aViewFlipVert"});
  viewPopUp->setDefaultAction(actions_.Get("aViewShowZoomed"));
  ribbonArea->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(
      ribbonArea, &QWidget::customContextMenuRequested, viewPopUp,
      [ribbonArea, viewPopUp](const QPoint& p) { viewPopUp->exec(ribbonArea->mapToGlobal(p)); });

  auto* filesMenu = new QMenu(&window_);
  filesMenu->setObjectName(QStringLiteral("FilesMenu"));
  add(filesMenu, {"aViewShowZoomed", nullptr, "aExplorerHere"});
  externalMenu(filesMenu);
  filesMenu->addSeparator();
  ratingMenu(filesMenu);
  add(filesMenu, {"aSetCategory", nullptr});
  add(sub(filesMenu, 44), {"aVSIcons", "aVSSmallIcons", "aVSList", "aVSReport"});
  add(sub(filesMenu, 38), {"aSelectAll", "aSelectNone", "aSelectInvert"});
  add(filesMenu,
      {nullptr, "aCopyToIB", "aPasteFromIB", nullptr, "aCutToCB", "aCopyToCB", "aPasteFromCB",
       nullptr, "aCopyToFolder", "aMoveToFolder", nullptr, "aFileDelete", "aFileRename"});
  filesMenu->setDefaultAction(actions_.Get("aViewShowZoomed"));
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(list, &QWidget::customContextMenuRequested, filesMenu,
                   [list, filesMenu](const QPoint& p) { filesMenu->exec(list->mapToGlobal(p)); });
}

void TVeskMenus::ApplyCaptions() {
  mnuGlimr_->setTitle(QStringLiteral("Glimr"));
  const auto buttonHint = [this](const char* name, int hintKey) {
    if (auto* w = tbFiles_->widgetForAction(actions_.Get(name))) {
      w->setToolTip(HintToolTip(LangText(TLangSection::Hints, hintKey)));
    }
  };
  buttonHint("aCutToCB", 7);
  buttonHint("aCopyToCB", 8);
  buttonHint("aPasteFromCB", 9);
  buttonHint("aFileDelete", 12);
  buttonHint("aFileRename", 13);
  // The two drop-down buttons carry no action, so no text: their hints,
  // without the mark-up, name them.
  for (auto [button, key] : {std::pair{tbSelection_, 36}, std::pair{tbViewStyle_, 37}}) {
    const QString hint = LangText(TLangSection::Hints, key);
    button->setToolTip(HintToolTip(hint));
    static const QRegularExpression marks(QStringLiteral("</?[BbIi]>"));
    button->setAccessibleName(QString(hint).remove(marks));
  }
  NameToolBarOverflow(tbMain_);
  NameToolBarOverflow(tbFiles_);
  for (auto& [key, menu] : menuCaptions_) {
    menu->setTitle(LangText(TLangSection::Captions, key));
  }
  // Menu items that carry their own caption key (the Help links).
  const QList<QAction*> items = window_.findChildren<QAction*>();
  for (QAction* item : items) {
    const QVariant key = item->property("glimrCaptionKey");
    if (key.isValid()) {
      item->setText(LangText(TLangSection::Captions, key.toInt()));
    }
  }
}

}  // namespace glimr
