#pragma once
// The main window frame until the real one arrives: titled "Glimr", with the
// first main-menu item "Glimr", restoring and capturing its geometry through
// the stored layout record.

#include <QMainWindow>

#include "common/settings.h"

class QMenu;

namespace glimr {

class TPlaceholderMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit TPlaceholderMainWindow(QWidget* parent = nullptr);

  void ApplyCaptions();
  // Window state and geometry of the record; the panel fields are kept for
  // the full main window.
  void RestoreLayout(const TProgState& state);
  void CaptureLayout(TProgState& state) const;

 private:
  QMenu* mnuGlimr_ = nullptr;
};

}  // namespace glimr
