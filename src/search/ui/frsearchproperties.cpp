#include "search/ui/frsearchproperties.h"

#include <QToolButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "search/ui/frpropsfiledate.h"
#include "search/ui/frpropsfiledimens.h"
#include "search/ui/frpropsfilerating.h"
#include "search/ui/frpropsfilesize.h"
#include "search/ui/frpropsfiletype.h"
#include "search/ui/sectionpanel.h"

namespace glimr {

namespace {
constexpr int kCapTypesTitle = 175;  // dimensions 176, size 177, date 178, rating 179
}

TfrSearchProperties::TfrSearchProperties(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrSearchProperties"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(0, 0, 0, 0);
  fbProperties_ = new TSectionPanel(this);
  fbProperties_->setObjectName(QStringLiteral("fbProperties"));
  col->addWidget(fbProperties_);
  frFileType_ = new TfrPropsFileType;
  frDimens_ = new TfrPropsFileDimens;
  frSize_ = new TfrPropsFileSize;
  frDate_ = new TfrPropsFileDate;
  frRating_ = new TfrPropsFileRating;
  btnFileType_ = fbProperties_->AddSection(frFileType_, QStringLiteral("btnFileType"));
  btnDimens_ = fbProperties_->AddSection(frDimens_, QStringLiteral("btnDimensions"));
  btnSize_ = fbProperties_->AddSection(frSize_, QStringLiteral("btnSize"));
  btnDate_ = fbProperties_->AddSection(frDate_, QStringLiteral("btnDate"));
  btnRating_ = fbProperties_->AddSection(frRating_, QStringLiteral("btnRating"));
  ApplyLanguage();
}

TPropertyChoices TfrSearchProperties::Choices() const {
  TPropertyChoices choices;
  choices.FileTypes = frFileType_->FileTypes();
  choices.SupportedTypes = frFileType_->SupportedTypes();
  frDimens_->FillChoices(choices);
  frSize_->FillChoices(choices);
  frDate_->FillChoices(choices);
  frRating_->FillChoices(choices);
  return choices;
}

void TfrSearchProperties::ApplyLanguage() {
  int key = kCapTypesTitle;
  for (QToolButton* header : {btnFileType_, btnDimens_, btnSize_, btnDate_, btnRating_}) {
    header->setText(LangText(TLangSection::Captions, key++));
    header->setAccessibleName(header->text());
  }
  frFileType_->ApplyLanguage();
  frDimens_->ApplyLanguage();
  frSize_->ApplyLanguage();
  frDate_->ApplyLanguage();
  frRating_->ApplyLanguage();
}

}  // namespace glimr
