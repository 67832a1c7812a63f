#include "app/frmsplash.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

#include "common/language.h"
#include "common/settings.h"

namespace glimr {

namespace {

// The 512 x 256 splash picture, drawn rather than shipped as a file.
QPixmap SplashPicture() {
  QPixmap pm(512, 256);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, 256);
  g.setColorAt(0.0, QColor(18, 24, 48));
  g.setColorAt(1.0, QColor(58, 84, 140));
  p.fillRect(pm.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  // A fan of thumbnail frames, the ribbon in miniature.
  for (int k = -3; k <= 3; ++k) {
    const int w = 70 - 8 * std::abs(k);
    const QRect r(256 + k * 62 - w / 2, 150 - w / 2, w, w);
    p.setPen(QPen(QColor(255, 255, 255, 200 - 40 * std::abs(k)), 2));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(r, 4, 4);
  }
  QFont f = p.font();
  f.setPixelSize(56);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 12, 512, 80), Qt::AlignCenter, QStringLiteral("Glimr"));
  return pm;
}

}  // namespace

TfrmSplash::TfrmSplash(const RegStore& store, const TAppPaths& paths, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setWindowTitle(QStringLiteral("Glimr"));
  LoadLanguageFile(StoredLanguageFilePath(store, paths));

  lblPicture_ = new QLabel(this);
  lblPicture_->setPixmap(SplashPicture());
  lblVersionCaption_ = new QLabel(this);
  lblVersion_ = new QLabel(VersionText(), this);
  lblCredits_ = new QLabel(this);
  lblStatus_ = new QLabel(this);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 6);
  grid->addWidget(lblPicture_, 0, 0, 1, 3);
  grid->addWidget(lblVersionCaption_, 1, 0);
  grid->addWidget(lblVersion_, 1, 1);
  grid->addWidget(lblCredits_, 1, 2, Qt::AlignRight);
  grid->addWidget(lblStatus_, 2, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  for (QLabel* l : {lblVersionCaption_, lblVersion_, lblCredits_, lblStatus_}) {
    l->setContentsMargins(8, 0, 8, 0);
  }
  ApplyCaptions();
  adjustSize();
}

void TfrmSplash::ApplyCaptions() {
  lblVersionCaption_->setText(LangText(TLangSection::Captions, 107, QStringLiteral("Version:")));
  lblCredits_->setText(LangText(TLangSection::Captions, 64));
}

void TfrmSplash::SetStatus(const QString& text) {
  lblStatus_->setText(text);
  lblStatus_->repaint();
}

QString TfrmSplash::StatusText() const {
  return lblStatus_->text();
}

QString TfrmSplash::VersionCaption() const {
  return lblVersionCaption_->text();
}

}  // namespace glimr
