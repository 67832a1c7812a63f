#pragma once
// Pieces shared by the property frames and their dialogs: the operator
// lists, the choice buttons whose checked one is shown bold, and the rows of
// "operator, number [and number]".

#include <QList>

#include "search/searchrequest.h"

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace glimr {

// Fills an operator list with "equal" ... "between" in the loaded language,
// keeping the chosen item.
void SetOperatorTexts(QComboBox* combo);
// Shows the checked choice's text bold and the others normal.
void ShowCheckedBold(const QList<QRadioButton*>& choices);

// One "operator, first number, and, second number" row; the second number
// and its label show for "between" only.
struct TConditionRow {
  QComboBox* Operator = nullptr;
  QSpinBox* First = nullptr;
  QLabel* And = nullptr;
  QSpinBox* Second = nullptr;

  TNumberCondition Condition() const;
  // Shows or hides the "and" part for the chosen operator.
  void ShowSecond() const;
  void ApplyLanguage(const QString& name) const;
};

// A row of parent's with the given object names and both numbers from 0 to
// maximum; it shows its second number whenever its operator is "between".
TConditionRow MakeConditionRow(QWidget* parent, const QString& operatorName,
                               const QString& firstName, const QString& secondName, int maximum);

}  // namespace glimr
