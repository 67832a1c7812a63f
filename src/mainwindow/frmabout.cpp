#include "mainwindow/frmabout.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "mainwindow/veskicons.h"

namespace glimr {

namespace {

QPixmap AboutPicture() {
  QPixmap pm = VeskIcon(10).pixmap(128, 128);
  if (pm.width() < 128) {
    pm = pm.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  return pm;
}

}  // namespace

QString FormatPercentS(QString format, const QStringList& args) {
  // Language files carry printf-style "%s" markers; each takes the next
  // argument in turn, a marker without one stays as it is.
  int from = 0;
  for (const QString& a : args) {
    const int at = format.indexOf(QLatin1String("%s"), from);
    if (at < 0) {
      break;
    }
    format.replace(at, 2, a);
    from = at + a.size();
  }
  return format;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(435, 199);
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(9, 9, 9, 9);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFixedSize(417, 153);
  auto* row = new QHBoxLayout(panel);
  auto* picture = new QLabel(panel);
  picture->setFixedSize(128, 128);
  picture->setPixmap(AboutPicture());
  row->addWidget(picture);
  auto* grid = new QGridLayout();
  lblProgram_ = new QLabel(panel);
  lblNotice1_ = new QLabel(panel);
  lblNotice2_ = new QLabel(panel);
  lblWebCaption_ = new QLabel(panel);
  lblMailCaption_ = new QLabel(panel);
  auto* web = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(kWebSite), panel);
  auto* mail = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(kSupportMail), panel);
  web->setObjectName(QStringLiteral("lblWebSite"));
  mail->setObjectName(QStringLiteral("lblSupportMail"));
  web->setOpenExternalLinks(true);
  mail->setOpenExternalLinks(true);
  for (QLabel* l : {lblProgram_, lblNotice1_, lblNotice2_}) {
    l->setAlignment(Qt::AlignCenter);
  }
  QFont bold = lblProgram_->font();
  bold.setBold(true);
  lblProgram_->setFont(bold);
  grid->addWidget(lblProgram_, 0, 0, 1, 2);
  grid->addWidget(lblNotice1_, 1, 0, 1, 2);
  grid->addWidget(lblNotice2_, 2, 0, 1, 2);
  grid->addWidget(lblWebCaption_, 3, 0, Qt::AlignRight);
  grid->addWidget(web, 3, 1);
  grid->addWidget(lblMailCaption_, 4, 0, Qt::AlignRight);
  grid->addWidget(mail, 4, 1);
  row->addLayout(grid, 1);
  col->addWidget(panel, 0, Qt::AlignHCenter);
  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  btnOk_->setDefault(true);
  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  col->addWidget(btnOk_, 0, Qt::AlignHCenter);
  ApplyCaptions();
}

void TfrmAbout::ApplyCaptions() {
  setWindowTitle(FormatPercentS(LangText(TLangSection::Captions, 62), {QStringLiteral("Glimr")}));
  lblProgram_->setText(
      FormatPercentS(LangText(TLangSection::Captions, 63),
                     {QStringLiteral("Glimr Version 0.6.1a"), QStringLiteral("Linux")}));
  lblNotice1_->setText(LangText(TLangSection::Captions, 64));
  lblNotice2_->setText(LangText(TLangSection::Captions, 65));
  lblWebCaption_->setText(LangText(TLangSection::Captions, 66));
  lblMailCaption_->setText(LangText(TLangSection::Captions, 67));
  btnOk_->setText(LangText(TLangSection::Captions, 87));
}

}  // namespace glimr
