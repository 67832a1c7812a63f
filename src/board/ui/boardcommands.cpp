#include "board/ui/boardcommands.h"

#include <QAction>

#include <utility>
#include <vector>

#include "board/boardactions.h"
#include "board/boardlist.h"
#include "browse/shownlist.h"

namespace glimr {

TBoardCommands::TBoardCommands(TShownList& shown, const TBoardCommandActions& actions,
                               TBoardList& board, THost host, QObject* parent)
    : QObject(parent), shown_(shown), actions_(actions), board_(board), host_(std::move(host)) {
  if (actions_.CopyToBoard) {
    connect(actions_.CopyToBoard, &QAction::triggered, this, [this] { CopySelectedToBoard(); });
  }
  if (actions_.PasteFromBoard) {
    connect(actions_.PasteFromBoard, &QAction::triggered, this, [this] { PasteBoard(); });
  }
}

TBoardCommands::~TBoardCommands() = default;

void TBoardCommands::SetEnabled(bool enabled) {
  for (QAction* action : {actions_.CopyToBoard, actions_.PasteFromBoard}) {
    if (action) {
      action->setEnabled(enabled);
    }
  }
}

void TBoardCommands::Attach(TCatalogQueries& queries, TFileServices services) {
  queries_ = &queries;
  services_ = std::move(services);
  SetEnabled(true);
}

void TBoardCommands::Detach() {
  queries_ = nullptr;
  services_ = {};
  SetEnabled(false);
}

void TBoardCommands::CopySelectedToBoard() {
  glimr::CopySelectedToBoard(board_, shown_.Current());
}

void TBoardCommands::PasteBoard() {
  if (!queries_ || !services_.RunCopy) {
    return;
  }
  const std::int32_t category = shown_.Source() == TListSource::Category && host_.SelectedCategory
                                    ? host_.SelectedCategory()
                                    : 0;
  TFileActionHooks hooks;
  // A copy never removes or renames a file; one it overwrote has new content.
  hooks.FileReplaced = [this](const QString& path) {
    if (services_.DropThumbnail) {
      services_.DropThumbnail(path);
    }
  };
  hooks.ExtensionIndex = services_.ExtensionIndex;
  // The entries the paste adds take their sorted places; the rest of the
  // list stays as the user left it.
  glimr::PasteBoard(
      board_, shown_, *queries_, category,
      [this](const std::vector<TCopyEntry>& entries, const QString& folder) {
        return services_.RunCopy(entries, folder, TOverwritePolicy::Ask, {});
      },
      hooks);
}

}  // namespace glimr
