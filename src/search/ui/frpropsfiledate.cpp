#include "search/ui/frpropsfiledate.h"

#include "search/ui/dlgspecdates.h"

namespace glimr {

namespace {
constexpr int kCapAnyDate = 201;
}

TfrPropsFileDate::TfrPropsFileDate(QWidget* parent)
    : TPropsChoiceFrame(parent,
                        {QStringLiteral("rbAnyDate"), QStringLiteral("rbToday"),
                         QStringLiteral("rbLastWeek"), QStringLiteral("rbLastMonth"),
                         QStringLiteral("rbLastYear"), QStringLiteral("rbSpecialDate")},
                        kCapAnyDate) {
  setObjectName(QStringLiteral("TfrPropsFileDate"));
  dialog_ = new TdlgSpecDates(this);
}

void TfrPropsFileDate::FillChoices(TPropertyChoices& choices) const {
  choices.Date = static_cast<TDateChoice>(CheckedIndex());
  choices.DateOperator = dialog_->Operator();
  choices.DateFirst = dialog_->First();
  choices.DateSecond = dialog_->Second();
}

void TfrPropsFileDate::ApplyLanguage() {
  TPropsChoiceFrame::ApplyLanguage();
  dialog_->ApplyLanguage();
}

void TfrPropsFileDate::OpenSpecial() {
  dialog_->exec();
}

}  // namespace glimr
