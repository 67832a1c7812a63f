#pragma once
// The choice of one installed application that opens images, to add it to
// the external program list.

#include <QDialog>

#include <optional>
#include <vector>

#include "external/desktopapps.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace glimr {

class TdlgInstalledApps : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgInstalledApps(QWidget* parent = nullptr);

  // Shows apps (in their order) as rows with icon and name.
  void SetApps(std::vector<TDesktopApp> apps);
  // The chosen application after OK.
  std::optional<TDesktopApp> SelectedApp() const;

  void ApplyCaptions();

  QListWidget* AppList() const { return lvApps; }
  QPushButton* OkButton() const { return btnOk; }
  QPushButton* CancelButton() const { return btnCancel; }

 private:
  void UpdateOk();

  std::vector<TDesktopApp> apps_;
  QLabel* lblApps = nullptr;
  QListWidget* lvApps = nullptr;
  QLabel* lblNone = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace glimr
