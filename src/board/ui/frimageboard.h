#pragma once
// The ImageBoard page of the main window's right page control: the board's
// rows with their check boxes (lvImageBoard) and the tool bar that ticks,
// unticks, deletes and clears them. Collecting and pasting are the main
// window's actions (board/boardactions.h); the page shows whatever the
// board list holds.

#include <QWidget>

#include <vector>

class QAction;
class QToolBar;
class QTreeView;

namespace glimr {

class TBoardList;
class TBoardModel;
class TExtensionTable;

class TfrImageBoard : public QWidget {
  Q_OBJECT

 public:
  // The board and the extension table must outlive the page.
  TfrImageBoard(TBoardList& board, TExtensionTable& extensions, QWidget* parent = nullptr);
  ~TfrImageBoard() override;

  // Title, column titles, hints and accessible names in the language in force.
  void ApplyCaptions();

  QTreeView* ListView() const { return lvImageBoard_; }
  QToolBar* ToolBar() const { return toolBar_; }

  // The selected rows of the list, in row order.
  std::vector<int> SelectedRows() const;

  // The tool bar's operations.
  void CheckSelected();
  void UncheckSelected();
  void CheckAll();
  void UncheckAll();
  void InvertChecks();
  void DeleteSelected();
  void ClearBoard();

 private:
  TBoardList& board_;
  TBoardModel* model_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QTreeView* lvImageBoard_ = nullptr;
  std::vector<QAction*> actions_;  // in the order of the tool bar
};

}  // namespace glimr
