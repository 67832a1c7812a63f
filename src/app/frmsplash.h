#pragma once
// The splash window: shown while the main window is being created, it loads
// the language file first and reports each start-up step on its status line.

#include <QWidget>

class QLabel;

namespace glimr {

class RegStore;
struct TAppPaths;

class TfrmSplash : public QWidget {
  Q_OBJECT

 public:
  // Loads the language file named by the settings store ("LanguagesPath" +
  // "LanguageFile", else the shipped languages folder of paths) before
  // labelling itself.
  TfrmSplash(const RegStore& store, const TAppPaths& paths, QWidget* parent = nullptr);

  static QString VersionText() { return QStringLiteral("0.6.1a"); }

  // Puts the text on the status line and repaints it at once: the event loop
  // does not run while the main window is being created.
  void SetStatus(const QString& text);
  QString StatusText() const;
  QString VersionCaption() const;

 private:
  void ApplyCaptions();

  QLabel* lblPicture_ = nullptr;
  QLabel* lblVersionCaption_ = nullptr;
  QLabel* lblVersion_ = nullptr;
  QLabel* lblCredits_ = nullptr;
  QLabel* lblStatus_ = nullptr;
};

}  // namespace glimr
