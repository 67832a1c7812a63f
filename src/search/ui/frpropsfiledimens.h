#pragma once
// The dimension frame of the Properties section: any, small, average or big
// images, or an exact width and height condition set in its dialog.

#include "search/searchrequest.h"
#include "search/ui/propschoiceframe.h"

namespace glimr {

class TdlgSpecDimensions;

class TfrPropsFileDimens : public TPropsChoiceFrame {
  Q_OBJECT

 public:
  explicit TfrPropsFileDimens(QWidget* parent = nullptr);

  // The choice with the dialog's rows (which count only for "Let me set...").
  void FillChoices(TPropertyChoices& choices) const;
  TdlgSpecDimensions* Dialog() const { return dialog_; }
  void ApplyLanguage();

 protected:
  void OpenSpecial() override;

 private:
  TdlgSpecDimensions* dialog_ = nullptr;
};

}  // namespace glimr
