#include "search/ui/dlgspecsizes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapSizeTitle = 177;
constexpr int kMaxKilobytes = 1000000;
}  // namespace

TdlgSpecSizes::TdlgSpecSizes(QWidget* parent)
    : TSpecDialog(parent, QStringLiteral("dlgSpecSizes"), QStringLiteral("Set special size")) {
  size_ = MakeConditionRow(this, QStringLiteral("comboSizeExpr"), QStringLiteral("spinSizeExpr1"),
                           QStringLiteral("spinSizeExpr2"), kMaxKilobytes);
  Body()->addWidget(size_.Operator, 0, 0);
  Body()->addWidget(size_.First, 0, 1);
  Body()->addWidget(size_.And, 0, 2);
  Body()->addWidget(size_.Second, 0, 3);
  ApplyLanguage();
}

void TdlgSpecSizes::ApplyOwnLanguage() {
  // The numbers are kilobytes; the section's question names them.
  size_.ApplyLanguage(LangText(TLangSection::Captions, kCapSizeTitle));
}

}  // namespace glimr
