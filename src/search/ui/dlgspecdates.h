#pragma once
// "Set special dates": before, after or between exact date-times, each a
// date field with a calendar and a time field.

#include <QDateTime>

#include "search/searchrequest.h"
#include "search/ui/specdialog.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QTimeEdit;

namespace glimr {

class TdlgSpecDates : public TSpecDialog {
  Q_OBJECT

 public:
  explicit TdlgSpecDates(QWidget* parent = nullptr);

  TDateOperator Operator() const;
  // The date field plus the time field, local time.
  QDateTime First() const;
  QDateTime Second() const;

  QComboBox* OperatorList() const { return comboDateExpr_; }
  QDateEdit* FirstDate() const { return deSpec1_; }
  QTimeEdit* FirstTime() const { return tpSpec1_; }
  QDateEdit* SecondDate() const { return deSpec2_; }
  QTimeEdit* SecondTime() const { return tpSpec2_; }

 private:
  void ShowSecond();
  void ApplyOwnLanguage() override;

  QComboBox* comboDateExpr_ = nullptr;
  QDateEdit* deSpec1_ = nullptr;
  QTimeEdit* tpSpec1_ = nullptr;
  QLabel* lblAnd_ = nullptr;
  QDateEdit* deSpec2_ = nullptr;
  QTimeEdit* tpSpec2_ = nullptr;
};

}  // namespace glimr
