#pragma once
// Routes the image board's commands of the main window: Copy To ImageBoard
// takes the images selected in the shown list, Paste From ImageBoard copies
// the ticked images' files into the shown folder or gives them the shown
// category. The shown list tells its views of the entries a paste adds.

#include <QObject>

#include <cstdint>
#include <functional>

#include "fileops/ui/filecommands.h"

class QAction;

namespace glimr {

class TBoardList;
class TCatalogQueries;
class TShownList;

// The actions the board commands route; a null one is passed over.
struct TBoardCommandActions {
  QAction* CopyToBoard = nullptr;
  QAction* PasteFromBoard = nullptr;
};

class TBoardCommands : public QObject {
  Q_OBJECT

 public:
  // What the window lends.
  struct THost {
    // The category chosen on the Categories page, 0 for none.
    std::function<std::int32_t()> SelectedCategory;
  };

  // shown and board belong to the program and outlive the commands. The
  // actions are routed at once and enabled by Attach.
  TBoardCommands(TShownList& shown, const TBoardCommandActions& actions, TBoardList& board,
                 THost host, QObject* parent = nullptr);
  ~TBoardCommands() override;

  // Enables the board actions. A paste runs its copies through
  // services.RunCopy; a copy that overwrote a file drops its thumbnail.
  void Attach(TCatalogQueries& queries, TFileServices services);
  void Detach();

  TBoardList& Board() { return board_; }

  void CopySelectedToBoard();
  void PasteBoard();

 private:
  void SetEnabled(bool enabled);

  TShownList& shown_;
  TBoardCommandActions actions_;
  TBoardList& board_;
  THost host_;
  TFileServices services_;
  TCatalogQueries* queries_ = nullptr;
};

}  // namespace glimr
