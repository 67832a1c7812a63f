#pragma once
// The overwrite question of a copy run: names the file that exists and the
// file that would replace it, and answers Overwrite, Skip, Automatic Rename
// or Cancel, optionally for the rest of the run ("Don't ask again").

#include <QDialog>

#include "fileops/copyengine.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace glimr {

class TfrmMessage : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMessage(QWidget* parent = nullptr);

  // Shows the question modally. Escape and closing the window answer Cancel.
  TOverwriteReply Ask(const QString& destination, const QString& source);

  void ApplyCaptions();

  // Escape, the close box and "Cancel".
  void reject() override;

  QLineEdit* DestinationEdit() const { return edDestination; }
  QLineEdit* SourceEdit() const { return edSource; }
  QCheckBox* DontAskCheck() const { return cbDontAsk; }

 private:
  void Answer(TOverwriteAnswer answer);

  QLabel* lblInfo1 = nullptr;
  QLineEdit* edDestination = nullptr;
  QLabel* lblInfo2 = nullptr;
  QLineEdit* edSource = nullptr;
  QCheckBox* cbDontAsk = nullptr;
  QPushButton* btnOverwrite = nullptr;
  QPushButton* btnSkip = nullptr;
  QPushButton* btnRename = nullptr;
  QPushButton* btnCancel = nullptr;
  TOverwriteAnswer answer_ = TOverwriteAnswer::Cancel;
};

}  // namespace glimr
