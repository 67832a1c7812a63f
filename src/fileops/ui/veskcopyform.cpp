#include "fileops/ui/veskcopyform.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include "catalog/imagefileinfo.h"
#include "common/language.h"
#include "fileops/ui/copyprogresstext.h"

namespace glimr {

namespace {

constexpr int kWidth = 435;
constexpr int kDetailsHeight = 390;
constexpr int kCompactHeight = 130;
constexpr int kMargin = 8;
constexpr int kGaugeWidth = kWidth - 2 * kMargin;
constexpr int kGaugeHeight = 18;
constexpr int kCaptionWidth = 100;
constexpr int kRowHeight = 18;
constexpr int kHideShowWidth = 97;
constexpr int kCancelWidth = 81;
constexpr int kButtonHeight = 25;

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

// One "caption: value" row.
void PlaceRow(QLabel* caption, QLabel* value, int x, int y, int valueWidth) {
  caption->setGeometry(x, y, kCaptionWidth, kRowHeight);
  value->setGeometry(x + kCaptionWidth + 4, y, valueWidth, kRowHeight);
}

}  // namespace

TveskCopyForm::TveskCopyForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("veskCopyForm"));
  setModal(true);

  gbCurrent = new QGroupBox(this);
  gbCurrent->setObjectName(QStringLiteral("gbCurrent"));
  gbCurrent->setGeometry(kMargin, 4, kGaugeWidth, 140);
  const int innerValue = kGaugeWidth - 2 * 10 - kCaptionWidth - 4;
  lblFileName = NewLabel(gbCurrent, "lblFileName");
  lblFileNameValue = NewLabel(gbCurrent, "lblFileNameValue");
  PlaceRow(lblFileName, lblFileNameValue, 10, 22, innerValue);
  lblFileSize = NewLabel(gbCurrent, "lblFileSize");
  lblFileSizeValue = NewLabel(gbCurrent, "lblFileSizeValue");
  PlaceRow(lblFileSize, lblFileSizeValue, 10, 44, innerValue);
  lblFrom = NewLabel(gbCurrent, "lblFrom");
  lblFromValue = NewLabel(gbCurrent, "lblFromValue");
  PlaceRow(lblFrom, lblFromValue, 10, 66, innerValue);
  lblTo = NewLabel(gbCurrent, "lblTo");
  lblToValue = NewLabel(gbCurrent, "lblToValue");
  PlaceRow(lblTo, lblToValue, 10, 88, innerValue);
  lblFileCopied = NewLabel(gbCurrent, "lblFileCopied");
  lblFileCopiedValue = NewLabel(gbCurrent, "lblFileCopiedValue");
  PlaceRow(lblFileCopied, lblFileCopiedValue, 10, 110, innerValue);

  pbFile = new QProgressBar(this);
  pbFile->setObjectName(QStringLiteral("pbFile"));
  pbFile->setGeometry(kMargin, 164, kGaugeWidth, kGaugeHeight);
  pbFile->setRange(0, 100);

  pbTotal = new QProgressBar(this);
  pbTotal->setObjectName(QStringLiteral("pbTotal"));
  pbTotal->setRange(0, 100);

  gbTotal = new QGroupBox(this);
  gbTotal->setObjectName(QStringLiteral("gbTotal"));
  gbTotal->setGeometry(kMargin, 226, kGaugeWidth, 128);
  lblTotalCopied = NewLabel(gbTotal, "lblTotalCopied");
  lblTotalCopiedValue = NewLabel(gbTotal, "lblTotalCopiedValue");
  PlaceRow(lblTotalCopied, lblTotalCopiedValue, 10, 22, innerValue);
  lblAllSize = NewLabel(gbTotal, "lblAllSize");
  lblAllSizeValue = NewLabel(gbTotal, "lblAllSizeValue");
  PlaceRow(lblAllSize, lblAllSizeValue, 10, 44, innerValue);
  lblSpeed = NewLabel(gbTotal, "lblSpeed");
  lblSpeedValue = NewLabel(gbTotal, "lblSpeedValue");
  PlaceRow(lblSpeed, lblSpeedValue, 10, 66, innerValue);
  lblTimeLeft = NewLabel(gbTotal, "lblTimeLeft");
  lblTimeLeftValue = NewLabel(gbTotal, "lblTimeLeftValue");
  PlaceRow(lblTimeLeft, lblTimeLeftValue, 10, 88, innerValue);
  lblTimePassed = NewLabel(gbTotal, "lblTimePassed");
  lblTimePassedValue = NewLabel(gbTotal, "lblTimePassedValue");
  PlaceRow(lblTimePassed, lblTimePassedValue, 10, 110, innerValue);

  const int compactValue = kGaugeWidth - kCaptionWidth - 4;
  lblCompactFile = NewLabel(this, "lblCompactFile");
  lblCompactFileValue = NewLabel(this, "lblCompactFileValue");
  PlaceRow(lblCompactFile, lblCompactFileValue, kMargin, 8, compactValue);
  lblCompactLeft = NewLabel(this, "lblCompactLeft");
  lblCompactLeftValue = NewLabel(this, "lblCompactLeftValue");
  PlaceRow(lblCompactLeft, lblCompactLeftValue, kMargin, 60, compactValue);

  btnHideShow = new QPushButton(this);
  btnHideShow->setObjectName(QStringLiteral("btnHideShow"));
  btnHideShow->setAutoDefault(false);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnHideShow, &QPushButton::clicked, this, [this] { SetDetailsShown(!details_); });
  connect(btnCancel, &QPushButton::clicked, this, &TveskCopyForm::reject);

  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &TveskCopyForm::Refresh);

  ApplyCaptions();
  ApplyView();
  ClearFigures();
}

void TveskCopyForm::ApplyCaptions() {
  setWindowTitle(LangText(TLangSection::Captions, 68));
  gbCurrent->setTitle(LangText(TLangSection::Captions, 72));
  lblFileName->setText(LangText(TLangSection::Captions, 73));
  lblFileSize->setText(LangText(TLangSection::Captions, 74));
  lblFrom->setText(LangText(TLangSection::Captions, 75));
  lblTo->setText(LangText(TLangSection::Captions, 76));
  lblFileCopied->setText(LangText(TLangSection::Captions, 77));
  gbTotal->setTitle(LangText(TLangSection::Captions, 78));
  lblTotalCopied->setText(LangText(TLangSection::Captions, 79));
  lblAllSize->setText(LangText(TLangSection::Captions, 80));
  lblSpeed->setText(LangText(TLangSection::Captions, 81));
  const QString timeLeft = LangText(TLangSection::Captions, 82);
  lblTimeLeft->setText(timeLeft);
  lblCompactLeft->setText(timeLeft);
  lblTimePassed->setText(LangText(TLangSection::Captions, 83));
  lblCompactFile->setText(LangText(TLangSection::Captions, 84));
  btnCancel->setText(LangText(TLangSection::Captions, 69));
  btnHideShow->setText(details_ ? LangText(TLangSection::Captions, 70)
                                : LangText(TLangSection::Captions, 71));

  // A label cannot be the buddy of a label, so each value takes its
  // caption's text as its accessible name.
  const std::pair<QLabel*, QLabel*> rows[] = {{lblFileName, lblFileNameValue},
                                              {lblFileSize, lblFileSizeValue},
                                              {lblFrom, lblFromValue},
                                              {lblTo, lblToValue},
                                              {lblFileCopied, lblFileCopiedValue},
                                              {lblTotalCopied, lblTotalCopiedValue},
                                              {lblAllSize, lblAllSizeValue},
                                              {lblSpeed, lblSpeedValue},
                                              {lblTimeLeft, lblTimeLeftValue},
                                              {lblTimePassed, lblTimePassedValue},
                                              {lblCompactFile, lblCompactFileValue},
                                              {lblCompactLeft, lblCompactLeftValue}};
  for (const auto& [caption, value] : rows) {
    value->setAccessibleName(caption->text());
  }
  pbFile->setAccessibleName(gbCurrent->title());
  pbTotal->setAccessibleName(gbTotal->title());
}

void TveskCopyForm::SetDetailsShown(bool shown) {
  details_ = shown;
  ApplyView();
  ApplyCaptions();
}

void TveskCopyForm::ApplyView() {
  gbCurrent->setVisible(details_);
  gbTotal->setVisible(details_);
  pbFile->setVisible(details_);
  for (QLabel* label : {lblCompactFile, lblCompactFileValue, lblCompactLeft, lblCompactLeftValue}) {
    label->setVisible(!details_);
  }
  if (details_) {
    pbTotal->setGeometry(kMargin, 200, kGaugeWidth, kGaugeHeight);
    btnHideShow->setGeometry(8, 360, kHideShowWidth, kButtonHeight);
    btnCancel->setGeometry(176, 360, kCancelWidth, kButtonHeight);
    setFixedSize(kWidth, kDetailsHeight);
  } else {
    pbTotal->setGeometry(kMargin, 32, kGaugeWidth, kGaugeHeight);
    btnHideShow->setGeometry(240, 96, kHideShowWidth, kButtonHeight);
    btnCancel->setGeometry(344, 96, kCancelWidth, kButtonHeight);
    setFixedSize(kWidth, kCompactHeight);
  }
}

void TveskCopyForm::BeginRun(const QString& destination, TProgressSource progress,
                             std::function<void()> cancel) {
  progress_ = std::move(progress);
  cancel_ = std::move(cancel);
  running_ = true;
  ClearFigures();
  SetValue(lblToValue, destination);
}

void TveskCopyForm::EndRun() {
  const bool shown = running_ && isVisible();
  StopRun();
  if (shown) {
    accept();
  }
}

void TveskCopyForm::StopRun() {
  running_ = false;
  refresh_.stop();
  // The source reads an engine that goes away with the run.
  progress_ = nullptr;
  cancel_ = nullptr;
}

void TveskCopyForm::reject() {
  if (running_) {
    const std::function<void()> cancel = cancel_;
    StopRun();
    if (cancel) {
      cancel();
    }
  }
  QDialog::reject();
}

void TveskCopyForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (running_) {
    refresh_.start();
  }
}

void TveskCopyForm::hideEvent(QHideEvent* event) {
  refresh_.stop();
  QDialog::hideEvent(event);
}

void TveskCopyForm::Refresh() {
  if (progress_) {
    ShowProgress(progress_());
  }
}

void TveskCopyForm::ClearFigures() {
  for (QLabel* value : {lblFileNameValue, lblFileSizeValue, lblFromValue, lblFileCopiedValue,
                        lblTotalCopiedValue, lblAllSizeValue, lblSpeedValue, lblTimeLeftValue,
                        lblTimePassedValue, lblCompactFileValue, lblCompactLeftValue}) {
    SetValue(value, QString());
  }
  pbFile->setValue(0);
  pbTotal->setValue(0);
}

void TveskCopyForm::ShowProgress(const TCopyProgress& progress) {
  const TCopyProgressTexts t = CopyProgressTexts(progress);
  SetValue(lblFileNameValue, t.FileName);
  SetValue(lblCompactFileValue, t.FileName);
  SetValue(lblFromValue, t.FromFolder);
  SetValue(lblFileSizeValue, t.FileSize);
  SetValue(lblFileCopiedValue, t.FileCopied);
  SetValue(lblTotalCopiedValue, t.TotalCopied);
  SetValue(lblAllSizeValue, t.TotalSize);
  SetValue(lblSpeedValue, t.Speed);
  SetValue(lblTimePassedValue, t.TimePassed);
  SetValue(lblTimeLeftValue, t.TimeLeft);
  SetValue(lblCompactLeftValue, t.TimeLeft);
  pbFile->setValue(t.FilePercent);
  pbTotal->setValue(t.TotalPercent);
}

void TveskCopyForm::SetValue(QLabel* label, const QString& text) {
  // A long path is shortened in the middle, where it says least; the tool
  // tip keeps it whole.
  const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width());
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
}

}  // namespace glimr
