#pragma once
// The size frame of the Properties section: any, small, average or big
// files, or an exact size condition in kilobytes set in its dialog.

#include "search/searchrequest.h"
#include "search/ui/propschoiceframe.h"

namespace glimr {

class TdlgSpecSizes;

class TfrPropsFileSize : public TPropsChoiceFrame {
  Q_OBJECT

 public:
  explicit TfrPropsFileSize(QWidget* parent = nullptr);

  void FillChoices(TPropertyChoices& choices) const;
  TdlgSpecSizes* Dialog() const { return dialog_; }
  void ApplyLanguage();

 protected:
  void OpenSpecial() override;

 private:
  TdlgSpecSizes* dialog_ = nullptr;
};

}  // namespace glimr
