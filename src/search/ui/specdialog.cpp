#include "search/ui/specdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapOk = 87;
}  // namespace

TSpecDialog::TSpecDialog(QWidget* parent, const QString& name, const QString& title)
    : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(title);
  auto* col = new QVBoxLayout(this);
  // The dialog shrinks and grows with the controls it shows.
  col->setSizeConstraint(QLayout::SetFixedSize);
  body_ = new QGridLayout;
  col->addLayout(body_);
  // A button of our own, so its caption is always the language file's.
  auto* buttons = new QDialogButtonBox(this);
  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  buttons->addButton(btnOk_, QDialogButtonBox::AcceptRole);
  btnOk_->setDefault(true);
  col->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void TSpecDialog::ApplyLanguage() {
  btnOk_->setText(LangText(TLangSection::Captions, kCapOk));
  btnOk_->setAccessibleName(btnOk_->text());
  ApplyOwnLanguage();
}

}  // namespace glimr
