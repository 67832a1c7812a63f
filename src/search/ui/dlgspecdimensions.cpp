#include "search/ui/dlgspecdimensions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapWidth = 194;
constexpr int kCapHeight = 195;
constexpr int kCapOk = 87;
constexpr int kMaxPixels = 100000;
}  // namespace

TdlgSpecDimensions::TdlgSpecDimensions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgSpecDimensions"));
  setWindowTitle(QStringLiteral("Set special dimensions"));
  auto* col = new QVBoxLayout(this);
  // The dialog narrows when no row shows its second number.
  col->setSizeConstraint(QLayout::SetFixedSize);
  auto* grid = new QGridLayout;
  col->addLayout(grid);

  cbSetWidth_ = new QCheckBox(this);
  cbSetWidth_->setObjectName(QStringLiteral("cbSetWidth"));
  cbSetHeight_ = new QCheckBox(this);
  cbSetHeight_->setObjectName(QStringLiteral("cbSetHeight"));
  width_ = MakeRow(cbSetWidth_, QStringLiteral("W"));
  height_ = MakeRow(cbSetHeight_, QStringLiteral("H"));
  int line = 0;
  for (const auto& [box, row] : {std::pair{cbSetWidth_, &width_}, {cbSetHeight_, &height_}}) {
    grid->addWidget(box, line, 0);
    grid->addWidget(row->Operator, line, 1);
    grid->addWidget(row->First, line, 2);
    grid->addWidget(row->And, line, 3);
    grid->addWidget(row->Second, line, 4);
    ++line;
  }

  auto* buttons = new QHBoxLayout;
  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  btnOk_->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(btnOk_);
  col->addLayout(buttons);
  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  ApplyLanguage();
}

TConditionRow TdlgSpecDimensions::MakeRow(QCheckBox* box, const QString& prefix) {
  TConditionRow row;
  row.Operator = new QComboBox(this);
  row.Operator->setObjectName(QStringLiteral("combo%1Expr").arg(prefix));
  row.First = new QSpinBox(this);
  row.First->setObjectName(QStringLiteral("spin%1Expr1").arg(prefix));
  row.First->setRange(0, kMaxPixels);
  row.And = new QLabel(this);
  row.Second = new QSpinBox(this);
  row.Second->setObjectName(QStringLiteral("spin%1Expr2").arg(prefix));
  row.Second->setRange(0, kMaxPixels);
  SetOperatorTexts(row.Operator);
  row.ShowSecond();
  // Touching a row's condition means the user wants it in force.
  const auto tick = [box] { box->setChecked(true); };
  connect(row.Operator, &QComboBox::activated, box, tick);
  connect(row.Operator, &QComboBox::currentIndexChanged, this, [row] { row.ShowSecond(); });
  connect(row.First, &QSpinBox::valueChanged, box, tick);
  connect(row.Second, &QSpinBox::valueChanged, box, tick);
  return row;
}

TNumberCondition TdlgSpecDimensions::Width() const {
  TNumberCondition c = width_.Condition();
  c.Enabled = cbSetWidth_->isChecked();
  return c;
}

TNumberCondition TdlgSpecDimensions::Height() const {
  TNumberCondition c = height_.Condition();
  c.Enabled = cbSetHeight_->isChecked();
  return c;
}

void TdlgSpecDimensions::ApplyLanguage() {
  cbSetWidth_->setText(LangText(TLangSection::Captions, kCapWidth));
  cbSetWidth_->setAccessibleName(cbSetWidth_->text());
  cbSetHeight_->setText(LangText(TLangSection::Captions, kCapHeight));
  cbSetHeight_->setAccessibleName(cbSetHeight_->text());
  width_.ApplyLanguage(cbSetWidth_->text());
  height_.ApplyLanguage(cbSetHeight_->text());
  btnOk_->setText(LangText(TLangSection::Captions, kCapOk));
  btnOk_->setAccessibleName(btnOk_->text());
}

}  // namespace glimr
