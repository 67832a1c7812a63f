#pragma once
// The Name section of the Filters page: the name mask edit. Its text is
// taken as a filter 500 ms after the last change, so typing does not rebuild
// the list at every keystroke.

#include <QWidget>

class QLabel;
class QLineEdit;
class QTimer;

namespace glimr {

class TfrName : public QWidget {
  Q_OBJECT

 public:
  explicit TfrName(QWidget* parent = nullptr);

  QString Text() const;
  QLineEdit* Edit() const { return edName_; }
  QTimer* EditTimer() const { return tmrEdit_; }
  void ApplyLanguage();

  // The pause after the last change of the text.
  static constexpr int kPauseMs = 500;

 Q_SIGNALS:
  // The text changed and then stayed unchanged for kPauseMs.
  void nameChanged();

 private:
  QLabel* lblHelp_ = nullptr;
  QLineEdit* edName_ = nullptr;
  QTimer* tmrEdit_ = nullptr;
};

}  // namespace glimr
