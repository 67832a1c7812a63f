#pragma once
// The rating frame of the Properties section: any rating, or a condition on
// the stars set right in the frame (enabled only while "Let me set..." is
// checked).

#include <QWidget>

#include "search/searchrequest.h"
#include "search/ui/propcontrols.h"

class QRadioButton;

namespace glimr {

class TfrPropsFileRating : public QWidget {
  Q_OBJECT

 public:
  explicit TfrPropsFileRating(QWidget* parent = nullptr);

  void FillChoices(TPropertyChoices& choices) const;
  QRadioButton* AnyChoice() const { return rbAnyRating_; }
  QRadioButton* SpecialChoice() const { return rbSpecialRating_; }
  const TConditionRow& Row() const { return stars_; }
  void ApplyLanguage();

 private:
  void ChoiceChanged();

  QRadioButton* rbAnyRating_ = nullptr;
  QRadioButton* rbSpecialRating_ = nullptr;
  TConditionRow stars_;
};

}  // namespace glimr
