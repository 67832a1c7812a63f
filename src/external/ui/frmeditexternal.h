#pragma once
// "Image editor configuration": the dialog that edits one external program
// entry (name, program file, parameter template). It is prefilled from a
// program file, from an installed application or from a list row, and its
// fields are read back after OK.

#include <QDialog>
#include <QIcon>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace glimr {

class TDesktopApps;
struct TDesktopApp;

class TfrmEditExternal : public QDialog {
  Q_OBJECT

 public:
  // Asks for a program file, starting at start; an empty text when the user
  // cancels.
  using TProgramPicker = std::function<QString(QWidget* parent, const QString& start)>;

  // apps supplies names and icons of installed programs; it must outlive
  // the dialog.
  explicit TfrmEditExternal(TDesktopApps& apps, QWidget* parent = nullptr);

  // Fills the fields from a list row; the icon is the one the row shows.
  void SetEntry(const QString& name, const QString& location, const QString& parameters,
                const QIcon& icon);
  // Fills the fields for a program file: its location, the name of the
  // installed application that runs it (else the file name), its icon and
  // ":FullName:" as parameters. Does nothing when the file does not exist.
  void PrefillFromProgram(const QString& programFile);
  // Fills the fields from an installed application's entry.
  void PrefillFromApp(const TDesktopApp& app);

  QString EntryName() const;
  QString Location() const;
  QString Parameters() const;
  const QIcon& CurrentIcon() const { return icon_; }

  // Replaces the file dialog of the browse button (tests).
  void SetProgramPicker(TProgramPicker picker) { picker_ = std::move(picker); }
  // The file dialog used by default: existing executable files only.
  static QString PickProgramFile(QWidget* parent, const QString& start);

  void ApplyCaptions();

  QLineEdit* LocationEdit() const { return edLocation; }
  QLineEdit* NameEdit() const { return edName; }
  QLineEdit* ParametersEdit() const { return edParameters; }
  QToolButton* BrowseButton() const { return btnBrowse; }
  QToolButton* HelpButton() const { return btnHelp; }
  QPushButton* OkButton() const { return btnOk; }
  QPushButton* CancelButton() const { return btnCancel; }

 private:
  void btnBrowseClick();
  void btnHelpClick();
  void btnOkClick();
  void edLocationEdited();
  void SetIcon(const QIcon& icon);
  void UpdateOk();

  TDesktopApps& apps_;
  TProgramPicker picker_;
  QIcon icon_;
  QString iconLocation_;  // the location icon_ was found for

  QGroupBox* gbApplication = nullptr;
  QLabel* imgIcon = nullptr;
  QLabel* lblLocation = nullptr;
  QLineEdit* edLocation = nullptr;
  QToolButton* btnBrowse = nullptr;
  QLabel* lblName = nullptr;
  QLineEdit* edName = nullptr;
  QLabel* lblParameters = nullptr;
  QLineEdit* edParameters = nullptr;
  QToolButton* btnHelp = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace glimr
