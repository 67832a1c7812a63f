#include "mainwindow/veskfileops.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "board/boardactions.h"
#include "board/boardlist.h"
#include "browse/currentlists.h"
#include "browse/ui/filelistview.h"
#include "common/language.h"
#include "fileops/copyfollow.h"
#include "mainwindow/veskactions.h"

namespace glimr {

namespace {

// The format that marks the desktop clipboard's content as Glimr's own
// Cut or Copy.
constexpr char kOwnMarkFormat[] = "application/x-glimr-file-clipboard";

constexpr const char* kFileActions[] = {"aCopyToFolder", "aMoveToFolder", "aCutToCB",
                                        "aCopyToCB",     "aPasteFromCB",  "aFileDelete",
                                        "aFileRename",   "aCopyToIB",     "aPasteFromIB"};

QString NameOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

TVeskFileOps::TVeskFileOps(TCurrentLists& lists, TFileListView& list, TVeskActions& actions,
                           TClipboardList& clipboard, TBoardList& board, THost host,
                           QObject* parent)
    : QObject(parent),
      lists_(lists),
      list_(list),
      actions_(actions),
      host_(std::move(host)),
      clipboard_(clipboard),
      board_(board) {
  const std::pair<const char*, std::function<void()>> routes[] = {
      {"aCopyToFolder", [this] { CopyMoveSelected(false); }},
      {"aMoveToFolder", [this] { CopyMoveSelected(true); }},
      {"aCutToCB", [this] { PutSelectedOnClipboard(true); }},
      {"aCopyToCB", [this] { PutSelectedOnClipboard(false); }},
      {"aPasteFromCB", [this] { PasteClipboard(); }},
      {"aFileDelete", [this] { DeleteSelected(); }},
      {"aFileRename", [this] { RenameFocused(); }},
      {"aCopyToIB", [this] { CopySelectedToBoard(); }},
      {"aPasteFromIB", [this] { PasteBoard(); }},
  };
  for (const auto& [name, run] : routes) {
    connect(actions_.Get(name), &QAction::triggered, this, run);
  }
  if (QClipboard* system = QGuiApplication::clipboard()) {
    connect(system, &QClipboard::dataChanged, this, [this] {
      if (!publishing_) {
        systemClipboardNewer_ = true;
      }
    });
  }
}

TVeskFileOps::~TVeskFileOps() = default;

void TVeskFileOps::Attach(TCatalogQueries& queries, TServices services) {
  queries_ = &queries;
  services_ = std::move(services);
  for (const char* name : kFileActions) {
    actions_.Get(name)->setEnabled(true);
  }
}

void TVeskFileOps::Detach() {
  queries_ = nullptr;
  services_ = {};
  for (const char* name : kFileActions) {
    actions_.Get(name)->setEnabled(false);
  }
}

TFileActionHooks TVeskFileOps::Hooks() const {
  TFileActionHooks hooks;
  hooks.AskDeletePermanently = host_.AskDeletePermanently;
  hooks.FileGone = [this](const QString& path) {
    if (services_.DropThumbnail) {
      services_.DropThumbnail(path);
    }
    board_.Remove(path);
  };
  hooks.FileReplaced = [this](const QString& path) {
    if (services_.DropThumbnail) {
      services_.DropThumbnail(path);
    }
  };
  hooks.FileRenamed = [this](const QString& oldPath, const QString& newPath) {
    if (services_.DropThumbnail) {
      services_.DropThumbnail(oldPath);
    }
    board_.Rename(oldPath, newPath);
  };
  hooks.ExtensionIndex = services_.ExtensionIndex;
  return hooks;
}

std::vector<TCopyEntry> TVeskFileOps::SelectedEntries(bool move) const {
  std::vector<TCopyEntry> entries;
  for (int i = 0; i < lists_.CurrentFiles.Count(); ++i) {
    const TImageFileInfo* r = lists_.CurrentFiles.At(i);
    if (r->Selected && !r->IsFolder) {
      entries.push_back(TCopyEntry{lists_.CurrentFiles.Key(i), move, r->CatalogID});
    }
  }
  return entries;
}

std::vector<TCopyResult> TVeskFileOps::Run(std::vector<TCopyEntry> entries, const QString& folder,
                                           TOverwritePolicy policy) {
  TCopyFollower follow(lists_, *queries_, clipboard_, Hooks());
  const std::vector<TCopyEntry> asked = entries;
  std::vector<TCopyResult> results = services_.RunCopy(
      std::move(entries), folder, policy, [&](std::size_t i, const TCopyResult& result) {
        if (i < asked.size()) {
          follow.FileDone(asked[i], result);
        }
      });
  follow.RunEnded(results);
  return results;
}

void TVeskFileOps::CopyMoveSelected(bool move) {
  if (!queries_ || list_.SelectedCount() == 0 || !services_.ChooseDestination ||
      !services_.RunCopy) {
    return;
  }
  const std::optional<TCopyDestination> destination = services_.ChooseDestination(move);
  if (!destination) {
    return;
  }
  std::vector<TCopyEntry> entries = SelectedEntries(move);
  if (!entries.empty()) {
    Run(std::move(entries), destination->Folder, destination->Policy);
  }
  host_.Refilter();
}

void TVeskFileOps::PutSelectedOnClipboard(bool cut) {
  if (SelectedEntries(cut).empty()) {
    return;  // no image selected: both clipboards stay as they were
  }
  clipboard_.PutSelected(lists_.CurrentFiles, cut);
  PublishOnSystemClipboard(cut);
}

void TVeskFileOps::PublishOnSystemClipboard(bool cut) {
  QClipboard* system = QGuiApplication::clipboard();
  if (!system) {
    return;
  }
  QList<QUrl> urls;
  QByteArray gnome = cut ? "cut" : "copy";
  for (int i = 0; i < clipboard_.Count(); ++i) {
    const QUrl url = QUrl::fromLocalFile(clipboard_.Path(i));
    urls << url;
    gnome += '\n' + url.toEncoded();
  }
  auto* data = new QMimeData;
  data->setUrls(urls);  // text/uri-list
  // Marks the content as this publication: when the desktop hands it back
  // (a clipboard manager taking it over, a late change notice), Paste knows
  // it for Glimr's own list, which carries the catalogs.
  publishedMark_ = QByteArray::number(QCoreApplication::applicationPid()) + ':' +
                   QByteArray::number(++publications_);
  data->setData(QString::fromLatin1(kOwnMarkFormat), publishedMark_);
  // What GNOME's and KDE's file managers read to paste (and to move on cut).
  data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
  data->setData(QStringLiteral("application/x-kde-cutselection"), cut ? "1" : "0");
  publishing_ = true;
  system->setMimeData(data);
  publishing_ = false;
  systemClipboardNewer_ = false;
}

std::optional<std::vector<TCopyEntry>> TVeskFileOps::SystemClipboardEntries() const {
  const QClipboard* system = QGuiApplication::clipboard();
  const QMimeData* data = system ? system->mimeData() : nullptr;
  if (!data || !data->hasUrls() ||
      (!publishedMark_.isEmpty() &&
       data->data(QString::fromLatin1(kOwnMarkFormat)) == publishedMark_)) {
    return std::nullopt;  // text, nothing, or Glimr's own Cut or Copy
  }
  const QList<QUrl> urls = data->urls();
  if (std::none_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); })) {
    return std::nullopt;  // web addresses are no files to paste
  }
  std::vector<TCopyEntry> entries;
  bool cut = data->data(QStringLiteral("application/x-kde-cutselection")) == "1";
  const QByteArray gnome = data->data(QStringLiteral("x-special/gnome-copied-files"));
  if (gnome.startsWith("cut\n")) {
    cut = true;
  }
  for (const QUrl& url : urls) {
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
      entries.push_back(TCopyEntry{path, cut, 0});
    }
  }
  return entries;
}

void TVeskFileOps::PasteClipboard() {
  if (!queries_) {
    return;
  }
  // The files most recently put on a clipboard are pasted. The desktop's
  // clipboard wins when it changed after Glimr's own Cut or Copy (or Glimr's
  // is empty) and now holds files; a text copied since (a caption) leaves
  // Glimr's list in force.
  std::optional<std::vector<TCopyEntry>> desktop;
  if (lists_.ListSource == TListSource::Catalog && !lists_.CurrentFolder.isEmpty() &&
      (systemClipboardNewer_ || clipboard_.IsEmpty())) {
    desktop = SystemClipboardEntries();
  }
  if (desktop) {
    // Files copied in a file manager; those gone since are passed over.
    if (!desktop->empty() && services_.RunCopy) {
      Run(std::move(*desktop), lists_.CurrentFolder, TOverwritePolicy::Ask);
    }
  } else if (lists_.ListSource == TListSource::Catalog && !lists_.CurrentFolder.isEmpty()) {
    if (!clipboard_.IsEmpty() && services_.RunCopy) {
      TPasteRequest request = clipboard_.PasteRequest(lists_.CurrentFolder);
      const std::vector<TCopyResult> results =
          Run(std::move(request.Entries), request.DestinationFolder, TOverwritePolicy::Ask);
      clipboard_.PasteDone(results);
    }
  } else if (lists_.ListSource == TListSource::Category && host_.SelectedCategory) {
    if (const std::int32_t category = host_.SelectedCategory()) {
      PasteIntoCategory(clipboard_, category, lists_, *queries_, Hooks());
    }
  }
  host_.Refilter();
}

void TVeskFileOps::CopySelectedToBoard() {
  glimr::CopySelectedToBoard(board_, lists_.CurrentFiles);
}

void TVeskFileOps::PasteBoard() {
  if (!queries_ || !services_.RunCopy) {
    return;
  }
  const std::int32_t category = lists_.ListSource == TListSource::Category && host_.SelectedCategory
                                    ? host_.SelectedCategory()
                                    : 0;
  const TBoardPasteResult result = glimr::PasteBoard(
      board_, lists_, *queries_, category,
      [this](const std::vector<TCopyEntry>& entries, const QString& folder) {
        return services_.RunCopy(entries, folder, TOverwritePolicy::Ask, {});
      },
      Hooks());
  if (result.Refresh) {
    host_.Refilter();
  }
}

void TVeskFileOps::DeleteSelected() {
  if (!queries_ || list_.SelectedCount() == 0) {
    return;
  }
  switch (lists_.ListSource) {
    case TListSource::Catalog: {
      const std::vector<TDeleteResult> results =
          DeleteSelectedFilesMarkingGone(lists_, *queries_, clipboard_, Hooks());
      QStringList failures;
      for (const TDeleteResult& r : results) {
        if (r.Outcome == TDeleteOutcome::Failed) {
          failures << LangText(TLangSection::Strings, 115)
                          .arg(NameOf(r.Path), r.Reason.isEmpty() ? QStringLiteral("?") : r.Reason);
        }
      }
      // Only the deleted files' rows leave, and the ribbon closes their gap
      // where it stands. Nothing stays selected, so a second Delete cannot
      // take the image that moved up; the focus stays on that image.
      const QString focus = FocusAfterRemoval(lists_.CurrentFiles, list_.FocusedRow());
      list_.RemoveSelectedFromView();
      if (!focus.isEmpty()) {
        list_.FocusRow(lists_.CurrentFiles.IndexOf(focus), false);
      }
      if (!failures.isEmpty() && host_.ShowMessage) {
        host_.ShowMessage(failures.join(QLatin1Char('\n')));
      }
      break;
    }
    case TListSource::Category:
      // The images leave the category; their files stay.
      for (int i = 0; i < lists_.CurrentFiles.Count(); ++i) {
        TImageFileInfo* r = lists_.CurrentFiles.At(i);
        if (r->Selected && !r->IsFolder) {
          r->CategoryID = 0;
          r->Modified = true;
        }
      }
      list_.RemoveSelectedFromView();
      break;
    case TListSource::Search:
      break;
  }
}

void TVeskFileOps::RenameFocused() {
  const int row = list_.FocusedRow();
  if (!queries_ || row < 0 || row >= lists_.CurrentFiles.Count() || !host_.AskNewName) {
    return;
  }
  const TImageFileInfo* r = lists_.CurrentFiles.At(row);
  if (r->IsFolder) {
    return;
  }
  const QString oldPath = lists_.CurrentFiles.Key(row);
  const std::optional<QString> answer = host_.AskNewName(r->FileName);
  if (!answer) {
    return;
  }
  const TRenameResult result =
      RenameImage(lists_, *queries_, clipboard_, oldPath, *answer, Hooks());
  if (!result.Renamed) {
    QString text;
    switch (result.Problem) {
      case TNameProblem::None:
        if (!result.Error.isEmpty()) {
          text = LangText(TLangSection::Strings, 119).arg(NameOf(oldPath), result.Error);
        }
        break;
      case TNameProblem::Exists:
        text = LangText(TLangSection::Strings, 117).arg(*answer);
        break;
      case TNameProblem::Empty:
      case TNameProblem::HasSlash:
      case TNameProblem::HasNul:
      case TNameProblem::DotName:
        text = LangText(TLangSection::Strings, 118);
        break;
    }
    if (!text.isEmpty() && host_.ShowMessage) {
      host_.ShowMessage(text);
    }
    return;
  }
  list_.RefreshRows(row, row);
  if (host_.AfterRename) {
    host_.AfterRename();
  }
}

}  // namespace glimr
