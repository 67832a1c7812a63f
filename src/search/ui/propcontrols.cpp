#include "search/ui/propcontrols.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapFirstOperator = 186;  // "equal"; "between" is 192
constexpr int kOperatorCount = 7;
constexpr int kCapAnd = 193;
}  // namespace

void SetOperatorTexts(QComboBox* combo) {
  const int chosen = combo->currentIndex();
  const QSignalBlocker quiet(combo);
  if (combo->count() != kOperatorCount) {
    combo->clear();
    for (int i = 0; i < kOperatorCount; ++i) {
      combo->addItem(QString());
    }
  }
  for (int i = 0; i < kOperatorCount; ++i) {
    combo->setItemText(i, LangText(TLangSection::Captions, kCapFirstOperator + i));
  }
  combo->setCurrentIndex(chosen < 0 ? 0 : chosen);
}

void ShowCheckedBold(const QList<QRadioButton*>& choices) {
  for (QRadioButton* choice : choices) {
    QFont font = choice->font();
    font.setBold(choice->isChecked());
    choice->setFont(font);
  }
}

TNumberCondition TConditionRow::Condition() const {
  TNumberCondition c;
  c.Operator =
      static_cast<TOperatorItem>(Operator->currentIndex() < 0 ? 0 : Operator->currentIndex());
  c.First = First->value();
  c.Second = Second->value();
  return c;
}

void TConditionRow::ShowSecond() const {
  const bool between = Operator->currentIndex() == static_cast<int>(TOperatorItem::Between);
  And->setVisible(between);
  Second->setVisible(between);
}

void TConditionRow::ApplyLanguage(const QString& name) const {
  SetOperatorTexts(Operator);
  And->setText(LangText(TLangSection::Captions, kCapAnd));
  Operator->setAccessibleName(name);
  First->setAccessibleName(name);
  Second->setAccessibleName(name + u' ' + And->text());
}

TConditionRow MakeConditionRow(QWidget* parent, const QString& operatorName,
                               const QString& firstName, const QString& secondName, int maximum) {
  TConditionRow row;
  row.Operator = new QComboBox(parent);
  row.Operator->setObjectName(operatorName);
  row.First = new QSpinBox(parent);
  row.First->setObjectName(firstName);
  row.First->setRange(0, maximum);
  row.And = new QLabel(parent);
  row.Second = new QSpinBox(parent);
  row.Second->setObjectName(secondName);
  row.Second->setRange(0, maximum);
  SetOperatorTexts(row.Operator);
  row.ShowSecond();
  QObject::connect(row.Operator, &QComboBox::currentIndexChanged, row.Operator,
                   [row] { row.ShowSecond(); });
  return row;
}

}  // namespace glimr
