#include "search/ui/frpropsfilesize.h"

#include "search/ui/dlgspecsizes.h"

namespace glimr {

namespace {
constexpr int kCapAnySize = 196;
}

TfrPropsFileSize::TfrPropsFileSize(QWidget* parent)
    : TPropsChoiceFrame(
          parent,
          {QStringLiteral("rbAnySize"), QStringLiteral("rbSmallSize"), QStringLiteral("rbAverSize"),
           QStringLiteral("rbBigSize"), QStringLiteral("rbSpecialSize")},
          kCapAnySize) {
  setObjectName(QStringLiteral("TfrPropsFileSize"));
  dialog_ = new TdlgSpecSizes(this);
}

void TfrPropsFileSize::FillChoices(TPropertyChoices& choices) const {
  choices.Size = static_cast<TSizeChoice>(CheckedIndex());
  choices.SizeKB = dialog_->Condition();
}

void TfrPropsFileSize::ApplyLanguage() {
  TPropsChoiceFrame::ApplyLanguage();
  dialog_->ApplyLanguage();
}

void TfrPropsFileSize::OpenSpecial() {
  dialog_->exec();
}

}  // namespace glimr
