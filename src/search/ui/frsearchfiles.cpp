#include "search/ui/frsearchfiles.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapFileName = 160;
constexpr int kCapInCaptions = 173;
}  // namespace

TfrSearchFiles::TfrSearchFiles(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrSearchFiles"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);
  lblFileName_ = new QLabel(this);
  lblFileName_->setObjectName(QStringLiteral("lblFileName"));
  edName_ = new QLineEdit(this);
  edName_->setObjectName(QStringLiteral("edName"));
  edName_->setClearButtonEnabled(true);
  lblFileName_->setBuddy(edName_);
  cbSearchInCaption_ = new QCheckBox(this);
  cbSearchInCaption_->setObjectName(QStringLiteral("cbSearchInCaption"));
  col->addWidget(lblFileName_);
  col->addWidget(edName_);
  col->addWidget(cbSearchInCaption_);
  ApplyLanguage();
}

void TfrSearchFiles::ApplyLanguage() {
  lblFileName_->setText(LangText(TLangSection::Captions, kCapFileName));
  edName_->setAccessibleName(lblFileName_->text());
  cbSearchInCaption_->setText(LangText(TLangSection::Captions, kCapInCaptions));
  cbSearchInCaption_->setAccessibleName(cbSearchInCaption_->text());
}

}  // namespace glimr
