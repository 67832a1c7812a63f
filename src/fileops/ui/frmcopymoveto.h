#pragma once
// The destination dialog of "Copy to Folder..." and "Move to Folder...": a
// folder typed, picked or taken from the recent destinations, and what to do
// with files that exist there.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "fileops/copyengine.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace glimr {

// The dialog's answer: the folder (ending with "/") and the overwrite policy.
struct TCopyMoveChoice {
  QString Folder;
  TOverwritePolicy Policy = TOverwritePolicy::Ask;
};

class TfrmCopyMoveTo : public QDialog {
  Q_OBJECT

 public:
  // Linux paths may be far longer than a Windows path; this is the usual
  // PATH_MAX.
  static constexpr int kMaxPathLength = 4096;

  explicit TfrmCopyMoveTo(QWidget* parent = nullptr);

  // Shows the dialog modally for a copy or a move. history is the list of
  // recent destinations: "Clear History" and "Remove selected" change it at
  // once, OK adds the chosen folder. None when the user cancelled.
  std::optional<TCopyMoveChoice> Choose(bool move, QStringList& history);

  // Also sets the overwrite option back to "Ask user"; otherwise it keeps
  // its last choice from run to run.
  void ApplyCaptions();

  QLineEdit* FolderEdit() const { return deChoose; }
  QListWidget* HistoryList() const { return lbHistory; }
  QComboBox* OverwriteCombo() const { return cbExistedFilesAction; }
  QPushButton* ClearButton() const { return btnClear; }
  QPushButton* RemoveButton() const { return btnDelSel; }
  QPushButton* OkButton() const { return btnOk; }
  QPushButton* CancelButton() const { return btnCancel; }

 private:
  // The title and the OK caption, which follow the action.
  void ApplyActionCaptions();
  void FillHistory();
  void OnHistoryRow(int row);
  void OnPickFolder();
  void OnClear();
  void OnRemoveSelected();
  void OnOk();

  QLabel* lblInfo1 = nullptr;
  QLineEdit* deChoose = nullptr;
  QToolButton* btnPick = nullptr;
  QLabel* lblInfo2 = nullptr;
  QListWidget* lbHistory = nullptr;
  QLabel* lblInfo3 = nullptr;
  QComboBox* cbExistedFilesAction = nullptr;
  QPushButton* btnClear = nullptr;
  QPushButton* btnDelSel = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

  bool move_ = false;
  QStringList* history_ = nullptr;
  // Row of lbHistory -> position in *history_ (missing folders are hidden).
  std::vector<qsizetype> rowIndex_;
  bool filling_ = false;
  std::optional<TCopyMoveChoice> choice_;
};

}  // namespace glimr
