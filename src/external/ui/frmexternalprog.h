#pragma once
// "Image editors configuration": the manager of the external program list.
// It edits a copy of the list as rows (add a program file, add an installed
// application, edit, delete, clear) and hands the rows back only on OK.

#include <QDialog>

#include <functional>

#include "external/ui/frmeditexternal.h"

class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace glimr {

class TDesktopApps;
class TExternalProgs;
class TdlgInstalledApps;

class TfrmExternalProg : public QDialog {
  Q_OBJECT

 public:
  // apps supplies the installed applications, names and icons; it must
  // outlive the window. The window makes and keeps its entry editor.
  explicit TfrmExternalProg(TDesktopApps& apps, QWidget* parent = nullptr);

  // Shows the rows of progs modally. On OK progs is replaced by the rows (in
  // their order) and true is returned; on Cancel progs is left as it was.
  bool Execute(TExternalProgs& progs);

  // The rows: one per entry with its icon, name, location and parameters.
  void LoadRows(const TExternalProgs& progs);
  // Replaces the entries of progs by the rows.
  void StoreRows(TExternalProgs& progs) const;

  // Replaces the file dialog of "Add..." (tests).
  void SetProgramPicker(TfrmEditExternal::TProgramPicker picker) { picker_ = std::move(picker); }

  void ApplyCaptions();

  TfrmEditExternal& Editor() const { return *editor_; }
  TdlgInstalledApps& InstalledApps() const { return *installed_; }
  QTreeWidget* ProgList() const { return lvProgs; }
  QPushButton* AddButton() const { return btnAdd; }
  QPushButton* AddInstalledButton() const { return btnAddInstalled; }
  QPushButton* EditButton() const { return btnEdit; }
  QPushButton* DeleteButton() const { return btnDelete; }
  QPushButton* ClearButton() const { return btnClear; }
  QPushButton* OkButton() const { return btnOk; }
  QPushButton* CancelButton() const { return btnCancel; }

 private:
  void btnAddClick();
  void btnAddInstalledClick();
  void btnEditClick();
  void btnDeleteClick();
  void btnClearClick();
  // A row from the editor's fields, appended to the list and selected.
  void AppendEditorRow();
  void UpdateButtons();

  TDesktopApps& apps_;
  TfrmEditExternal* editor_ = nullptr;
  TdlgInstalledApps* installed_ = nullptr;
  TfrmEditExternal::TProgramPicker picker_;

  QGroupBox* gbEditors = nullptr;
  QTreeWidget* lvProgs = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnAddInstalled = nullptr;
  QPushButton* btnEdit = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnClear = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace glimr
