#include "search/ui/dlgspecsizes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapOk = 87;
constexpr int kCapSizeTitle = 177;
constexpr int kMaxKilobytes = 1000000;
}  // namespace

TdlgSpecSizes::TdlgSpecSizes(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgSpecSizes"));
  setWindowTitle(QStringLiteral("Set special size"));
  auto* col = new QVBoxLayout(this);
  col->setSizeConstraint(QLayout::SetFixedSize);
  auto* line = new QHBoxLayout;
  col->addLayout(line);
  size_.Operator = new QComboBox(this);
  size_.Operator->setObjectName(QStringLiteral("comboSizeExpr"));
  size_.First = new QSpinBox(this);
  size_.First->setObjectName(QStringLiteral("spinSizeExpr1"));
  size_.First->setRange(0, kMaxKilobytes);
  size_.And = new QLabel(this);
  size_.Second = new QSpinBox(this);
  size_.Second->setObjectName(QStringLiteral("spinSizeExpr2"));
  size_.Second->setRange(0, kMaxKilobytes);
  for (QWidget* w : {static_cast<QWidget*>(size_.Operator), static_cast<QWidget*>(size_.First),
                     static_cast<QWidget*>(size_.And), static_cast<QWidget*>(size_.Second)}) {
    line->addWidget(w);
  }
  SetOperatorTexts(size_.Operator);
  size_.ShowSecond();
  connect(size_.Operator, &QComboBox::currentIndexChanged, this, [this] { size_.ShowSecond(); });

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

void TdlgSpecSizes::ApplyLanguage() {
  // The numbers are kilobytes; the section's question names them.
  size_.ApplyLanguage(LangText(TLangSection::Captions, kCapSizeTitle));
  btnOk_->setText(LangText(TLangSection::Captions, kCapOk));
  btnOk_->setAccessibleName(btnOk_->text());
}

}  // namespace glimr
