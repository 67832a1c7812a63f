#pragma once
// TfrmAbout: the About window with the program line, the rights notice, the
// web site and the support mail links.

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace glimr {

// format with each "%s" replaced by the next argument.
QString FormatPercentS(QString format, const QStringList& args);

inline const QString kWebSite = QStringLiteral("https://glimr.quillfen.org");
inline const QString kSupportMail = QStringLiteral("support@quillfen.org");

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
  void ApplyCaptions();

  QLabel* ProgramLine() const { return lblProgram_; }

 private:
  QLabel* lblProgram_ = nullptr;
  QLabel* lblNotice1_ = nullptr;
  QLabel* lblNotice2_ = nullptr;
  QLabel* lblWebCaption_ = nullptr;
  QLabel* lblMailCaption_ = nullptr;
  QPushButton* btnOk_ = nullptr;
};

}  // namespace glimr
