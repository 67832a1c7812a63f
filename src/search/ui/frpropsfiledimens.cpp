#include "search/ui/frpropsfiledimens.h"

#include "search/ui/dlgspecdimensions.h"

namespace glimr {

namespace {
constexpr int kCapAnyDim = 181;
}

TfrPropsFileDimens::TfrPropsFileDimens(QWidget* parent)
    : TPropsChoiceFrame(
          parent,
          {QStringLiteral("rbAnyDim"), QStringLiteral("rbSmallDim"), QStringLiteral("rbAverDim"),
           QStringLiteral("rbBigDim"), QStringLiteral("rbSpecialDim")},
          kCapAnyDim) {
  setObjectName(QStringLiteral("TfrPropsFileDimens"));
  dialog_ = new TdlgSpecDimensions(this);
}

void TfrPropsFileDimens::FillChoices(TPropertyChoices& choices) const {
  choices.Dimensions = static_cast<TDimensionChoice>(CheckedIndex());
  choices.Width = dialog_->Width();
  choices.Height = dialog_->Height();
}

void TfrPropsFileDimens::ApplyLanguage() {
  TPropsChoiceFrame::ApplyLanguage();
  dialog_->ApplyLanguage();
}

void TfrPropsFileDimens::OpenSpecial() {
  dialog_->exec();
}

}  // namespace glimr
