#include "search/ui/dlgfiletypes.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapCancel = 69;
constexpr int kCapOk = 87;
constexpr int kCapTitle = 172;
}  // namespace

TdlgFileTypes::TdlgFileTypes(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgFileTypes"));
  auto* col = new QVBoxLayout(this);
  lbTypes_ = new QListWidget(this);
  lbTypes_->setObjectName(QStringLiteral("lbTypes"));
  lbTypes_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  col->addWidget(lbTypes_, 1);
  auto* buttons = new QHBoxLayout;
  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  btnOk_->setDefault(true);
  btnCancel_ = new QPushButton(this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  buttons->addStretch(1);
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  col->addLayout(buttons);
  resize(290, 330);
  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(lbTypes_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  ApplyLanguage();
}

void TdlgFileTypes::SetTypes(const QStringList& types) {
  lbTypes_->clear();
  lbTypes_->addItems(types);
}

QStringList TdlgFileTypes::SelectedTypes() const {
  QStringList chosen;
  for (int i = 0; i < lbTypes_->count(); ++i) {
    if (lbTypes_->item(i)->isSelected()) {
      chosen << lbTypes_->item(i)->text();
    }
  }
  return chosen;
}

void TdlgFileTypes::ApplyLanguage() {
  setWindowTitle(LangText(TLangSection::Captions, kCapTitle));
  lbTypes_->setAccessibleName(windowTitle());
  btnOk_->setText(LangText(TLangSection::Captions, kCapOk));
  btnOk_->setAccessibleName(btnOk_->text());
  btnCancel_->setText(LangText(TLangSection::Captions, kCapCancel));
  btnCancel_->setAccessibleName(btnCancel_->text());
}

}  // namespace glimr
