#pragma once
// "Set special size": an exact file size condition in kilobytes.

#include <QDialog>

#include "search/searchrequest.h"
#include "search/ui/propcontrols.h"

class QPushButton;

namespace glimr {

class TdlgSpecSizes : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgSpecSizes(QWidget* parent = nullptr);

  // The condition as set, in kilobytes.
  TNumberCondition Condition() const { return size_.Condition(); }
  const TConditionRow& Row() const { return size_; }
  QPushButton* OkButton() const { return btnOk_; }
  void ApplyLanguage();

 private:
  TConditionRow size_;
  QPushButton* btnOk_ = nullptr;
};

}  // namespace glimr
