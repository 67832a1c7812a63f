#include "search/ui/dlgspecdimensions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapWidth = 194;
constexpr int kCapHeight = 195;
constexpr int kMaxPixels = 100000;
}  // namespace

TdlgSpecDimensions::TdlgSpecDimensions(QWidget* parent)
    : TSpecDialog(parent, QStringLiteral("dlgSpecDimensions"),
                  QStringLiteral("Set special dimensions")) {
  cbSetWidth_ = new QCheckBox(this);
  cbSetWidth_->setObjectName(QStringLiteral("cbSetWidth"));
  cbSetHeight_ = new QCheckBox(this);
  cbSetHeight_->setObjectName(QStringLiteral("cbSetHeight"));
  width_ = AddRow(0, cbSetWidth_, QStringLiteral("W"));
  height_ = AddRow(1, cbSetHeight_, QStringLiteral("H"));
  ApplyLanguage();
}

TConditionRow TdlgSpecDimensions::AddRow(int line, QCheckBox* box, const QString& prefix) {
  const TConditionRow row = MakeConditionRow(this, QStringLiteral("combo%1Expr").arg(prefix),
                                             QStringLiteral("spin%1Expr1").arg(prefix),
                                             QStringLiteral("spin%1Expr2").arg(prefix), kMaxPixels);
  Body()->addWidget(box, line, 0);
  Body()->addWidget(row.Operator, line, 1);
  Body()->addWidget(row.First, line, 2);
  Body()->addWidget(row.And, line, 3);
  Body()->addWidget(row.Second, line, 4);
  // Touching a row's condition means the user wants it in force.
  const auto tick = [box] { box->setChecked(true); };
  connect(row.Operator, &QComboBox::activated, box, tick);
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

void TdlgSpecDimensions::ApplyOwnLanguage() {
  cbSetWidth_->setText(LangText(TLangSection::Captions, kCapWidth));
  cbSetWidth_->setAccessibleName(cbSetWidth_->text());
  cbSetHeight_->setText(LangText(TLangSection::Captions, kCapHeight));
  cbSetHeight_->setAccessibleName(cbSetHeight_->text());
  width_.ApplyLanguage(cbSetWidth_->text());
  height_.ApplyLanguage(cbSetHeight_->text());
}

}  // namespace glimr
