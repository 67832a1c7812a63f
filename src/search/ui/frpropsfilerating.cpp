#include "search/ui/frpropsfilerating.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapRatingTitle = 179;
constexpr int kCapAnyRating = 210;
constexpr int kCapSpecialRating = 211;
constexpr int kMaxStars = 5;
}  // namespace

TfrPropsFileRating::TfrPropsFileRating(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrPropsFileRating"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 4, 4, 4);
  rbAnyRating_ = new QRadioButton(this);
  rbAnyRating_->setObjectName(QStringLiteral("rbAnyRating"));
  rbSpecialRating_ = new QRadioButton(this);
  rbSpecialRating_->setObjectName(QStringLiteral("rbSpecialRating"));
  stars_ = MakeConditionRow(this, QStringLiteral("comboRatingExpr"), QStringLiteral("spinExpr1"),
                            QStringLiteral("spinExpr2"), kMaxStars);
  grid->addWidget(rbAnyRating_, 0, 0, 1, 3);
  grid->addWidget(rbSpecialRating_, 1, 0, 1, 3);
  grid->addWidget(stars_.Operator, 2, 0);
  grid->addWidget(stars_.First, 2, 1);
  grid->addWidget(stars_.And, 3, 0, Qt::AlignRight);
  grid->addWidget(stars_.Second, 3, 1);
  grid->setColumnStretch(2, 1);

  rbAnyRating_->setChecked(true);
  ChoiceChanged();
  connect(rbSpecialRating_, &QRadioButton::toggled, this, &TfrPropsFileRating::ChoiceChanged);
  ApplyLanguage();
}

void TfrPropsFileRating::ChoiceChanged() {
  const bool special = rbSpecialRating_->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(stars_.Operator), static_cast<QWidget*>(stars_.First),
                     static_cast<QWidget*>(stars_.And), static_cast<QWidget*>(stars_.Second)}) {
    w->setEnabled(special);
  }
  ShowCheckedBold({rbAnyRating_, rbSpecialRating_});
}

void TfrPropsFileRating::FillChoices(TPropertyChoices& choices) const {
  choices.Rating = rbSpecialRating_->isChecked() ? TRatingChoice::Special : TRatingChoice::Any;
  choices.Stars = stars_.Condition();
}

void TfrPropsFileRating::ApplyLanguage() {
  rbAnyRating_->setText(LangText(TLangSection::Captions, kCapAnyRating));
  rbAnyRating_->setAccessibleName(rbAnyRating_->text());
  rbSpecialRating_->setText(LangText(TLangSection::Captions, kCapSpecialRating));
  rbSpecialRating_->setAccessibleName(rbSpecialRating_->text());
  stars_.ApplyLanguage(LangText(TLangSection::Captions, kCapRatingTitle));
}

}  // namespace glimr
