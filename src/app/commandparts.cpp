#include "app/commandparts.h"

#include <QAction>
#include <QMessageBox>

#include "board/boardlist.h"
#include "board/ui/boardcommands.h"
#include "board/ui/frimageboard.h"
#include "browse/ui/filelistview.h"
#include "common/appcontext.h"
#include "common/language.h"
#include "external/ui/externalcommands.h"
#include "external/ui/frmeditexternal.h"
#include "external/ui/frmexternalprog.h"
#include "fileops/ui/deletequestion.h"
#include "fileops/ui/filecommands.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "organize/ui/categorynamequestion.h"
#include "organize/ui/frfileinfo.h"
#include "organize/ui/frfilters.h"
#include "organize/ui/organizecommands.h"
#include "search/ui/frsearch.h"
#include "search/ui/searchcommands.h"

namespace glimr {

TCommandParts::TCommandParts(TAppContext& context, TfrmVesk& window, TShownList& shown,
                             TExtensionTable& extensions, TCommandServices services)
    : context_(context), window_(window) {
  TVeskActions& a = window.Actions();
  auto showReport = [&window](const TFolderLoadReport& report) { window.ShowLoadReport(report); };
  auto updateTitle = [&window] { window.UpdateTitle(); };

  TOrganizeActions organize;
  const char* ratings[] = {"aClearRating",   "aSetOneStar",   "aSetTwoStars",
                           "aSetThreeStars", "aSetFourStars", "aSetFiveStars"};
  for (int n = 0; n < 6; ++n) {
    organize.Rating[static_cast<size_t>(n)] = a.Get(ratings[n]);
  }
  organize.SetCategory = a.Get("aSetCategory");
  organize.AddCategory = a.Get("aAddCategory");
  organize.AddSubCategory = a.Get("aAddSubCategory");
  organize.RenameCategory = a.Get("aRenameCategory");
  organize.RemoveCategory = a.Get("aRemoveCategory");
  organize.ClearCategories = a.Get("aClearCategories");
  TOrganizeCommands::THost organizeHost;
  organizeHost.UpdateTitle = updateTitle;
  organizeHost.UpdateHistoryActions = [&window] {
    window.UpdateHistoryActions(window.CategoryHistory());
  };
  organizeHost.ShowLoadReport = showReport;
  organizer_ = new TOrganizeCommands(shown, window.CategoryHistory(), organize, &window,
                                     std::move(organizeHost), &window);
  // The File Info page follows the selection and the focused row, which are
  // the list view's.
  TFileListView* list = window.ListView();
  QObject::connect(list, &TFileListView::selectionMarksChanged, organizer_,
                   &TOrganizeCommands::SelectionChanged);
  QObject::connect(list, &TFileListView::focusedIndexChanged, organizer_,
                   &TOrganizeCommands::SelectionChanged);
  window.AttachOrganizer(organizer_);

  search_ = new TSearchCommands(shown, TSearchCommands::THost{updateTitle, showReport}, &window);

  TFileCommandActions fileActions;
  fileActions.CopyToFolder = a.Get("aCopyToFolder");
  fileActions.MoveToFolder = a.Get("aMoveToFolder");
  fileActions.Cut = a.Get("aCutToCB");
  fileActions.Copy = a.Get("aCopyToCB");
  fileActions.Paste = a.Get("aPasteFromCB");
  fileActions.Delete = a.Get("aFileDelete");
  fileActions.Rename = a.Get("aFileRename");
  TFileCommands::THost fileHost;
  fileHost.SelectedCategory = [this] { return organizer_->SelectedCategory(); };
  fileHost.AskDeletePermanently = [&window](const QString& path) {
    return AskDeletePermanently(&window, path);
  };
  // The program's input box, its buttons in the language in force.
  fileHost.AskNewName = [box = CategoryNameBox(&window)](const QString& oldName) {
    return box(LangText(TLangSection::Strings, 11), oldName, QString());
  };
  fileHost.ShowMessage = [&window](const QString& text) {
    QMessageBox::warning(&window, QStringLiteral("Glimr"), text);
  };
  files_ = new TFileCommands(shown, fileActions, services.Clipboard, std::move(fileHost), &window);
  board_ = new TBoardCommands(
      shown, TBoardCommandActions{a.Get("aCopyToIB"), a.Get("aPasteFromIB")}, services.Board,
      TBoardCommands::THost{[this] { return organizer_->SelectedCategory(); }}, &window);
  // The board's rows follow the files the commands delete, move away and
  // rename.
  TBoardList* boardList = &services.Board;
  QObject::connect(files_, &TFileCommands::fileGone, files_,
                   [boardList](const QString& path) { boardList->Remove(path); });
  QObject::connect(files_, &TFileCommands::fileRenamed, files_,
                   [boardList](const QString& oldPath, const QString& newPath) {
                     boardList->Rename(oldPath, newPath);
                   });
  imageBoard_ = new TfrImageBoard(services.Board, extensions);

  external_ = new TExternalCommands(
      shown, TExternalCommands::TActions{a.Get("aAddProgs"), a.Get("aExplorerHere")}, services.Apps,
      services.ExternalProgs, &window);
  external_->SetFolderTree(window.FolderTree());
  for (QMenu* submenu : window.ExternalMenus()) {
    external_->AddSubmenu(submenu);
  }
  context_.Captions.Register(TCaptionTarget::ExternalProgs,
                             [this] { external_->Manager().ApplyCaptions(); });
  context_.Captions.Register(TCaptionTarget::EditExternal,
                             [this] { external_->Manager().Editor().ApplyCaptions(); });

  THostedPages pages;
  pages.Categories = organizer_->CategoriesFrame();
  pages.FileInfo = organizer_->FileInfo();
  pages.Filters = organizer_->Filters();
  pages.Search = search_->Page();
  pages.ImageBoard = imageBoard_;
  window.HostPages(pages);
  ApplyLanguage();
}

TCommandParts::~TCommandParts() {
  context_.Captions.Unregister(TCaptionTarget::EditExternal);
  context_.Captions.Unregister(TCaptionTarget::ExternalProgs);
}

void TCommandParts::AttachCatalog(TCatalogQueries& queries, std::function<QStringList()> types,
                                  TDimensionsReader readDimensions) {
  organizer_->Attach(queries);
  search_->Attach(queries, std::move(types), std::move(readDimensions));
}

void TCommandParts::AttachFileOps(TCatalogQueries& queries, const TFileServices& services) {
  files_->Attach(queries, services);
  board_->Attach(queries, services);
}

void TCommandParts::Detach() {
  window_.AttachOrganizer(nullptr);
  organizer_->Detach();
  search_->Detach();
  files_->Detach();
  board_->Detach();
}

void TCommandParts::ApplyLanguage() {
  organizer_->ApplyLanguage();
  search_->ApplyLanguage();
  imageBoard_->ApplyCaptions();
}

}  // namespace glimr
