#pragma once
// veskListFiles: the virtual file list under the ribbon. Shows CurrentFiles
// in four view styles, keeps each record's Selected and Focused flags in step
// with the view, reports the focused row to the ribbon, sorts on header
// clicks and offers the selection commands.

#include <QWidget>

#include "browse/currentlists.h"
#include "browse/filelistops.h"
#include "browse/folderloader.h"

class QAbstractItemView;
class QItemSelection;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QModelIndex;
class QStackedWidget;
class QTreeView;

namespace glimr {

class TExtensionTable;
class TFileListModel;

enum class TViewStyle : int { Icons = 0, SmallIcons = 1, List = 2, Report = 3 };

// Which command tbSelection repeats (its image 11, 12 or 13).
enum class TSelectionCommand : int { All = 11, None = 12, Invert = 13 };

class TFileListView : public QWidget {
  Q_OBJECT

 public:
  // lists and extensions must outlive the view.
  TFileListView(TCurrentLists& lists, TExtensionTable& extensions, QWidget* parent = nullptr);
  ~TFileListView() override;

  // Sets the row count after CurrentFiles changed (load, filter). The view's
  // selection and focus are rebuilt from the records' flags (fresh records
  // have neither).
  void SetFiles();
  // Freezes repainting while the lists are rebuilt (a load); SetFiles ends it.
  void BeginUpdate();
  // Rows whose record changed in place (rating, dimensions) are redrawn.
  void RefreshRows(int first, int last);

  // Sort state (column 0, no arrow at start: descending by name).
  const TSortState& SortState() const { return sort_; }
  void SetSortState(const TSortState& sort);
  // Needed for the Type column's order: the extension's type name.
  TTypeNameOf TypeNameOf() const;
  // Re-sorts the lists by the current sort state and redraws (Resort).
  void Resort();

  // The focused row (the ribbon's target), -1 for none.
  int FocusedRow() const;
  // Moves the focus to row. With selectAlone and at most one row selected,
  // the selection becomes that row alone; otherwise the selection stays
  // (the wheel moves the focus only).
  void FocusRow(int row, bool selectAlone);
  int SelectedCount() const;

  TViewStyle ViewStyle() const { return style_; }
  TSelectionCommand SelectionCommand() const { return selectionCommand_; }
  QString SummaryText() const;

  // Writes modified records back during RemoveSelectedFromView.
  void SetWriteBack(TWriteBack writeBack) { writeBack_ = std::move(writeBack); }
  // Removes the selected images from the lists and the view; emits
  // selectedRemoved so the ribbon can close the gap. Errors are raised.
  void RemoveSelectedFromView();

  // Column captions and the folder type text (Captions 45-50, Strings 12).
  void ApplyCaptions();

  // The view that currently shows the list (for focus and tests).
  QAbstractItemView* ActiveView() const;
  TFileListModel* Model() const { return model_; }

 public Q_SLOTS:
  void SetViewStyle(glimr::TViewStyle style);
  void SelectAll();
  void SelectNone();
  void InvertSelection();
  // tbSelection: repeats the command its image shows.
  void RepeatSelectionCommand();

 Q_SIGNALS:
  // The focused row moved to row (keyboard, click, FocusRow): the ribbon
  // glides there (ScrollImagesToFocused). Not emitted for selection alone.
  void focusedIndexChanged(int row);
  // Space in the list, or a double click on an image row.
  void showZoomedRequested();
  // Double click on a folder entry (".." included) at row.
  void folderActivated(int row);
  // The status line: "Files selected: n; Size: ...".
  void selectionSummaryChanged(const QString& text);
  // Selection frames in the ribbon must be redrawn.
  void selectionMarksChanged();
  // Key up, mouse down and the selection commands: the file-info page should
  // be recalculated (CalcProperties).
  void propertiesRequested();
  // tbSelection's image changed.
  void selectionCommandChanged(glimr::TSelectionCommand command);
  // A header click re-sorted the lists: the ribbon is rebuilt (PrepareScene,
  // render) and the width-animation list cleared.
  void resorted();
  // RemoveSelectedFromView took count entries out of the lists: the ribbon
  // recreates its slots and closes the gap.
  void selectedRemoved(int count);

 private:
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
  void OnHeaderClicked(int section);
  void OnDoubleClicked(const QModelIndex& index);
  void RestoreSelectionFromRecords();
  void UpdateSummary(bool force);
  void ShowSortArrow();
  void SetSelectionCommand(TSelectionCommand command);
  bool HandleKey(QKeyEvent* event);
  class TReportView;
  class TIconView;
  class TCellDelegate;

  TCurrentLists& lists_;
  TExtensionTable& extensions_;
  TFileListModel* model_ = nullptr;
  QItemSelectionModel* selection_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QTreeView* report_ = nullptr;
  QListView* icons_ = nullptr;
  TCellDelegate* iconCells_ = nullptr;
  TViewStyle style_ = TViewStyle::Report;
  TSelectionCommand selectionCommand_ = TSelectionCommand::All;
  TSortState sort_;
  TSelectionSummary summary_;
  QString shownSummary_;  // the text last sent to the status line
  TWriteBack writeBack_;
  bool restoring_ = false;  // selection rebuilt from the records: no echo
};

}  // namespace glimr
