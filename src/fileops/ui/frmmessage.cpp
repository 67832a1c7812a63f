#include "fileops/ui/frmmessage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

TfrmMessage::TfrmMessage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmMessage"));
  setWindowTitle(QStringLiteral("Glimr"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);

  auto* grid = new QGridLayout;
  lblInfo1 = new QLabel(this);
  lblInfo1->setObjectName(QStringLiteral("lblInfo1"));
  edDestination = new QLineEdit(this);
  edDestination->setObjectName(QStringLiteral("edDestination"));
  edDestination->setReadOnly(true);
  lblInfo1->setBuddy(edDestination);
  lblInfo2 = new QLabel(this);
  lblInfo2->setObjectName(QStringLiteral("lblInfo2"));
  edSource = new QLineEdit(this);
  edSource->setObjectName(QStringLiteral("edSource"));
  edSource->setReadOnly(true);
  lblInfo2->setBuddy(edSource);
  grid->addWidget(lblInfo1, 0, 0);
  grid->addWidget(edDestination, 0, 1);
  grid->addWidget(lblInfo2, 1, 0);
  grid->addWidget(edSource, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  cbDontAsk = new QCheckBox(this);
  cbDontAsk->setObjectName(QStringLiteral("cbDontAsk"));
  layout->addWidget(cbDontAsk);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOverwrite = new QPushButton(this);
  btnOverwrite->setObjectName(QStringLiteral("btnOverwrite"));
  btnOverwrite->setDefault(true);
  btnSkip = new QPushButton(this);
  btnSkip->setObjectName(QStringLiteral("btnSkip"));
  btnRename = new QPushButton(this);
  btnRename->setObjectName(QStringLiteral("btnRename"));
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* b : {btnOverwrite, btnSkip, btnRename, btnCancel}) {
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);

  connect(btnOverwrite, &QPushButton::clicked, this,
          [this] { Answer(TOverwriteAnswer::Overwrite); });
  connect(btnSkip, &QPushButton::clicked, this, [this] { Answer(TOverwriteAnswer::Skip); });
  connect(btnRename, &QPushButton::clicked, this, [this] { Answer(TOverwriteAnswer::AutoRename); });
  connect(btnCancel, &QPushButton::clicked, this, &TfrmMessage::reject);

  ApplyCaptions();
  resize(480, sizeHint().height());
}

void TfrmMessage::ApplyCaptions() {
  lblInfo1->setText(LangText(TLangSection::Captions, 130));
  lblInfo2->setText(LangText(TLangSection::Captions, 131));
  cbDontAsk->setText(LangText(TLangSection::Captions, 132));
  btnOverwrite->setText(LangText(TLangSection::Captions, 133));
  btnSkip->setText(LangText(TLangSection::Captions, 134));
  btnRename->setText(LangText(TLangSection::Captions, 135));
  btnCancel->setText(LangText(TLangSection::Captions, 136));
}

TOverwriteReply TfrmMessage::Ask(const QString& destination, const QString& source) {
  edDestination->setText(destination);
  edDestination->setCursorPosition(0);
  edSource->setText(source);
  edSource->setCursorPosition(0);
  cbDontAsk->setChecked(false);
  answer_ = TOverwriteAnswer::Cancel;
  btnOverwrite->setFocus();
  exec();
  TOverwriteReply reply;
  reply.Answer = answer_;
  reply.DontAskAgain = answer_ != TOverwriteAnswer::Cancel && cbDontAsk->isChecked();
  return reply;
}

void TfrmMessage::Answer(TOverwriteAnswer answer) {
  answer_ = answer;
  accept();
}

void TfrmMessage::reject() {
  answer_ = TOverwriteAnswer::Cancel;
  QDialog::reject();
}

}  // namespace glimr
