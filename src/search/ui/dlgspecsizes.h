#pragma once
// "Set special size": an exact file size condition in kilobytes.

#include "search/searchrequest.h"
#include "search/ui/propcontrols.h"
#include "search/ui/specdialog.h"

namespace glimr {

class TdlgSpecSizes : public TSpecDialog {
  Q_OBJECT

 public:
  explicit TdlgSpecSizes(QWidget* parent = nullptr);

  // The condition as set, in kilobytes.
  TNumberCondition Condition() const { return size_.Condition(); }
  const TConditionRow& Row() const { return size_; }

 private:
  void ApplyOwnLanguage() override;

  TConditionRow size_;
};

}  // namespace glimr
