#include "search/ui/frpropsfiletype.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "search/ui/dlgfiletypes.h"

namespace glimr {

namespace {
constexpr int kCapInfo = 180;
constexpr int kHintAdd = 54;
constexpr int kHintDel = 55;
constexpr int kHintClear = 56;

QToolButton* SmallButton(QWidget* parent, const QString& name, const QString& text) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(text);
  return button;
}
}  // namespace

TfrPropsFileType::TfrPropsFileType(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrPropsFileType"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(8, 4, 4, 4);
  lblInfo1_ = new QLabel(this);
  lblInfo1_->setObjectName(QStringLiteral("lblInfo1"));
  lbFileTypes_ = new QListWidget(this);
  lbFileTypes_->setObjectName(QStringLiteral("lbFileTypes"));
  lbFileTypes_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbFileTypes_->setMinimumHeight(85);
  lblInfo1_->setBuddy(lbFileTypes_);
  col->addWidget(lblInfo1_);
  col->addWidget(lbFileTypes_, 1);
  auto* buttons = new QHBoxLayout;
  btnAdd_ = SmallButton(this, QStringLiteral("btnAdd"), QStringLiteral("+"));
  btnDel_ = SmallButton(this, QStringLiteral("btnDel"), QStringLiteral("-"));
  btnClear_ = SmallButton(this, QStringLiteral("btnClear"), QStringLiteral("\u00d7"));
  buttons->addWidget(btnAdd_);
  buttons->addWidget(btnDel_);
  buttons->addWidget(btnClear_);
  buttons->addStretch(1);
  col->addLayout(buttons);
  dialog_ = new TdlgFileTypes(this);

  connect(btnAdd_, &QToolButton::clicked, this, &TfrPropsFileType::AddTypes);
  connect(btnDel_, &QToolButton::clicked, this, &TfrPropsFileType::DeleteSelected);
  connect(btnClear_, &QToolButton::clicked, this, &TfrPropsFileType::ClearList);
  ApplyLanguage();
}

QStringList TfrPropsFileType::SupportedTypes() const {
  return typeSource_ ? typeSource_() : QStringList();
}

QStringList TfrPropsFileType::FileTypes() const {
  QStringList types;
  for (int i = 0; i < lbFileTypes_->count(); ++i) {
    types << lbFileTypes_->item(i)->text();
  }
  return types;
}

void TfrPropsFileType::AddTypes() {
  const QStringList listed = FileTypes();
  QStringList offered;
  for (const QString& type : SupportedTypes()) {
    // Extensions name types whatever their case (photo.JPG is a JPG).
    if (!listed.contains(type, Qt::CaseInsensitive) &&
        !offered.contains(type, Qt::CaseInsensitive)) {
      offered << type;
    }
  }
  dialog_->SetTypes(offered);
  if (dialog_->exec() != QDialog::Accepted) {
    return;
  }
  lbFileTypes_->addItems(dialog_->SelectedTypes());
}

void TfrPropsFileType::DeleteSelected() {
  qDeleteAll(lbFileTypes_->selectedItems());
}

void TfrPropsFileType::ClearList() {
  lbFileTypes_->clear();
}

void TfrPropsFileType::ApplyLanguage() {
  lblInfo1_->setText(LangText(TLangSection::Captions, kCapInfo));
  lbFileTypes_->setAccessibleName(lblInfo1_->text());
  for (const auto& [button, key] :
       {std::pair{btnAdd_, kHintAdd}, {btnDel_, kHintDel}, {btnClear_, kHintClear}}) {
    button->setToolTip(LangText(TLangSection::Hints, key));
    button->setAccessibleName(button->toolTip());
  }
  dialog_->ApplyLanguage();
}

}  // namespace glimr
