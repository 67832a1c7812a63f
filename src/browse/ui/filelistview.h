#pragma once
// veskListFiles: the virtual file list under the ribbon. Shows CurrentFiles
// in four view styles, keeps each record's Selected and Focused flags in step
// with the view, reports the focused row to the ribbon, sorts on header
// clicks and offers the selection commands.

#include <QWidget>

#include "browse/filelistops.h"
#include "browse/shownlist.h"

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
  // Follows shown: a new list, removed, inserted, edited and re-sorted rows
  // reach the view through its signals. shown and extensions must outlive
  // the view.
  TFileListView(TShownList& shown, TExtensionTable& extensions, QWidget* parent = nullptr);
  ~TFileListView() override;

  // Sort state (column 0, no arrow at start: descending by name): the shown
  // list's, with the header's arrow.
  const TSortState& SortState() const { return shown_.Sort(); }
  void SetSortState(const TSortState& sort);
  // Needed for the Type column's order: the extension's type name.
  TTypeNameOf TypeNameOf() const;
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

  // Sets the view's selection and focus from the records' marks (after a
  // command marked records itself).
  void RestoreSelectionFromRecords();
  // Removes the selected images from the lists and the view (their unsaved
  // edits are kept for the catalog); the ribbon closes the gap.
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

 private:
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
  void OnHeaderClicked(int section);
  // The shown list's changes.
  void BeginReplace();
  void EndReplace();
  void BeginReorder();
  void EndReorder();
  void OnDoubleClicked(const QModelIndex& index);
  void UpdateSummary(bool force);
  void ShowSortArrow();
  void SetSelectionCommand(TSelectionCommand command);
  bool HandleKey(QKeyEvent* event);
  class TReportView;
  class TIconView;
  class TCellDelegate;

  TShownList& shown_;
  TExtensionTable& extensions_;
  TFileListModel* model_ = nullptr;
  QItemSelectionModel* selection_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QTreeView* report_ = nullptr;
  QListView* icons_ = nullptr;
  TCellDelegate* iconCells_ = nullptr;
  TViewStyle style_ = TViewStyle::Report;
  TSelectionCommand selectionCommand_ = TSelectionCommand::All;
  TSelectionSummary summary_;
  QString shownSummary_;    // the text last sent to the status line
  bool restoring_ = false;  // selection rebuilt from the records: no echo
};

}  // namespace glimr
