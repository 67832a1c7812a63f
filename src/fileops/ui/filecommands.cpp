#include "fileops/ui/filecommands.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "browse/shownlist.h"
#include "common/language.h"
#include "fileops/copyfollow.h"

namespace glimr {

namespace {

// The format that marks the desktop clipboard's content as Glimr's own
// Cut or Copy.
constexpr char kOwnMarkFormat[] = "application/x-glimr-file-clipboard";

QString NameOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The shown row holding the focus mark, -1 when none does.
int FocusedRow(const TFileList& current) {
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->Focused) {
      return i;
    }
  }
  return -1;
}

bool AnySelected(const TFileList& current) {
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->Selected) {
      return true;
    }
  }
  return false;
}

}  // namespace

TFileCommands::TFileCommands(TShownList& shown, const TFileCommandActions& actions,
                             TClipboardList& clipboard, THost host, QObject* parent)
    : QObject(parent),
      shown_(shown),
      actions_(actions),
      host_(std::move(host)),
      clipboard_(clipboard) {
  const std::pair<QAction*, std::function<void()>> routes[] = {
      {actions_.CopyToFolder, [this] { CopyMoveSelected(false); }},
      {actions_.MoveToFolder, [this] { CopyMoveSelected(true); }},
      {actions_.Cut, [this] { PutSelectedOnClipboard(true); }},
      {actions_.Copy, [this] { PutSelectedOnClipboard(false); }},
      {actions_.Paste, [this] { PasteClipboard(); }},
      {actions_.Delete, [this] { DeleteSelected(); }},
      {actions_.Rename, [this] { RenameFocused(); }},
  };
  for (const auto& [action, run] : routes) {
    if (action) {
      connect(action, &QAction::triggered, this, run);
    }
  }
  if (QClipboard* system = QGuiApplication::clipboard()) {
    connect(system, &QClipboard::dataChanged, this, [this] {
      if (!publishing_) {
        systemClipboardNewer_ = true;
      }
    });
  }
}

TFileCommands::~TFileCommands() = default;

void TFileCommands::SetEnabled(bool enabled) {
  for (QAction* action : {actions_.CopyToFolder, actions_.MoveToFolder, actions_.Cut, actions_.Copy,
                          actions_.Paste, actions_.Delete, actions_.Rename}) {
    if (action) {
      action->setEnabled(enabled);
    }
  }
}

void TFileCommands::Attach(TCatalogQueries& queries, TFileServices services) {
  queries_ = &queries;
  services_ = std::move(services);
  SetEnabled(true);
}

void TFileCommands::Detach() {
  queries_ = nullptr;
  services_ = {};
  SetEnabled(false);
}

TFileActionHooks TFileCommands::Hooks() {
  TFileActionHooks hooks;
  hooks.AskDeletePermanently = host_.AskDeletePermanently;
  hooks.FileGone = [this](const QString& path) {
    if (services_.DropThumbnail) {
      services_.DropThumbnail(path);
    }
    Q_EMIT fileGone(path);
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
    Q_EMIT fileRenamed(oldPath, newPath);
  };
  hooks.ExtensionIndex = services_.ExtensionIndex;
  return hooks;
}

std::vector<TCopyEntry> TFileCommands::SelectedEntries(bool move) const {
  std::vector<TCopyEntry> entries;
  const TFileList& current = shown_.Current();
  for (int i = 0; i < current.Count(); ++i) {
    const TImageFileInfo* r = current.At(i);
    if (r->Selected && !r->IsFolder) {
      entries.push_back(TCopyEntry{current.Key(i), move, r->CatalogID});
    }
  }
  return entries;
}

std::vector<TCopyResult> TFileCommands::Run(std::vector<TCopyEntry> entries, const QString& folder,
                                            TOverwritePolicy policy) {
  // The follower changes only the entries the run touches, as it goes and
  // when it ends; the rest of the list stays as the user left it.
  TCopyFollower follow(shown_, *queries_, clipboard_, Hooks());
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

void TFileCommands::CopyMoveSelected(bool move) {
  if (!queries_ || !AnySelected(shown_.Current()) || !services_.ChooseDestination ||
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
}

void TFileCommands::PutSelectedOnClipboard(bool cut) {
  if (SelectedEntries(cut).empty()) {
    return;  // no image selected: both clipboards stay as they were
  }
  clipboard_.PutSelected(shown_.Current(), cut);
  PublishOnSystemClipboard(cut);
}

void TFileCommands::PublishOnSystemClipboard(bool cut) {
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

std::optional<std::vector<TCopyEntry>> TFileCommands::SystemClipboardEntries() const {
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

void TFileCommands::PasteClipboard() {
  if (!queries_) {
    return;
  }
  const bool intoFolder = shown_.Source() == TListSource::Catalog && !shown_.Folder().isEmpty();
  // The files most recently put on a clipboard are pasted. The desktop's
  // clipboard wins when it changed after Glimr's own Cut or Copy (or Glimr's
  // is empty) and now holds files; a text copied since (a caption) leaves
  // Glimr's list in force.
  std::optional<std::vector<TCopyEntry>> desktop;
  if (intoFolder && (systemClipboardNewer_ || clipboard_.IsEmpty())) {
    desktop = SystemClipboardEntries();
  }
  if (desktop) {
    // Files copied in a file manager; those gone since are passed over.
    if (!desktop->empty() && services_.RunCopy) {
      Run(std::move(*desktop), shown_.Folder(), TOverwritePolicy::Ask);
    }
  } else if (intoFolder) {
    if (!clipboard_.IsEmpty() && services_.RunCopy) {
      TPasteRequest request = clipboard_.PasteRequest(shown_.Folder());
      const std::vector<TCopyResult> results =
          Run(std::move(request.Entries), request.DestinationFolder, TOverwritePolicy::Ask);
      clipboard_.PasteDone(results);
    }
  } else if (shown_.Source() == TListSource::Category && host_.SelectedCategory) {
    if (const std::int32_t category = host_.SelectedCategory()) {
      PasteIntoCategory(clipboard_, category, shown_, *queries_, Hooks());
    }
  }
}

void TFileCommands::DeleteSelected() {
  if (!queries_ || !AnySelected(shown_.Current())) {
    return;
  }
  switch (shown_.Source()) {
    case TListSource::Catalog:
      DeleteFromFolder();
      break;
    case TListSource::Category:
      RemoveSelectedFromCategory();
      break;
    case TListSource::Search:
      break;
  }
}

void TFileCommands::DeleteFromFolder() {
  const TFileList& current = shown_.Current();
  const int focusedRow = FocusedRow(current);
  const std::vector<TDeleteResult> results =
      DeleteSelectedFilesMarkingGone(shown_, *queries_, clipboard_, Hooks());
  QStringList failures;
  for (const TDeleteResult& r : results) {
    if (r.Outcome == TDeleteOutcome::Failed) {
      failures << LangText(TLangSection::Strings, 115)
                      .arg(NameOf(r.Path), r.Reason.isEmpty() ? QStringLiteral("?") : r.Reason);
    }
  }
  // Only the deleted files' entries leave, and the ribbon closes their gap
  // where it stands. Nothing stays selected, so a second Delete cannot take
  // the image that moved up; the focus goes to that image (the views take
  // both from the marks once the entries left).
  const QString focus = FocusAfterRemoval(current, focusedRow);
  QStringList gone;
  for (int i = 0; i < current.Count(); ++i) {
    TImageFileInfo* r = current.At(i);
    if (r->Selected) {
      gone.append(current.Key(i));
    }
    r->Focused = false;
  }
  if (!focus.isEmpty()) {
    current.Find(focus)->Focused = true;
  }
  if (!gone.isEmpty()) {
    shown_.Remove(gone, false);
  }
  if (!failures.isEmpty() && host_.ShowMessage) {
    host_.ShowMessage(failures.join(QLatin1Char('\n')));
  }
}

void TFileCommands::RemoveSelectedFromCategory() {
  // The images leave the category; their files stay.
  const TFileList& current = shown_.Current();
  std::vector<int> rows;
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->Selected && !current.At(i)->IsFolder) {
      rows.push_back(i);
    }
  }
  shown_.EditRows(rows, efCategory, [](TImageFileInfo& r) { r.CategoryID = 0; });
  shown_.RemoveSelected();
}

void TFileCommands::RenameFocused() {
  const TFileList& current = shown_.Current();
  const int row = FocusedRow(current);
  if (!queries_ || row < 0 || !host_.AskNewName) {
    return;
  }
  const TImageFileInfo* r = current.At(row);
  if (r->IsFolder) {
    return;
  }
  const QString oldPath = current.Key(row);
  const std::optional<QString> answer = host_.AskNewName(r->FileName);
  if (!answer) {
    return;
  }
  // The entry keeps its row under the new name; the views follow the list.
  const TRenameResult result =
      RenameImage(shown_, *queries_, clipboard_, oldPath, *answer, Hooks());
  if (result.Renamed) {
    return;
  }
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
}

}  // namespace glimr
