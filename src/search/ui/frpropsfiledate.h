#pragma once
// The date frame of the Properties section: when the file last changed, as
// a preset (today, last week, month or year) or exact date-times set in its
// dialog.

#include "search/searchrequest.h"
#include "search/ui/propschoiceframe.h"

namespace glimr {

class TdlgSpecDates;

class TfrPropsFileDate : public TPropsChoiceFrame {
  Q_OBJECT

 public:
  explicit TfrPropsFileDate(QWidget* parent = nullptr);

  void FillChoices(TPropertyChoices& choices) const;
  TdlgSpecDates* Dialog() const { return dialog_; }
  void ApplyLanguage();

 protected:
  void OpenSpecial() override;

 private:
  TdlgSpecDates* dialog_ = nullptr;
};

}  // namespace glimr
