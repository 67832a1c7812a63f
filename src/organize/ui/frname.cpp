#include "organize/ui/frname.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapNameMask = 115;
}

TfrName::TfrName(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrName"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);
  lblHelp_ = new QLabel(this);
  lblHelp_->setObjectName(QStringLiteral("lblHelp"));
  edName_ = new QLineEdit(this);
  edName_->setObjectName(QStringLiteral("edName"));
  edName_->setClearButtonEnabled(true);
  lblHelp_->setBuddy(edName_);
  col->addWidget(lblHelp_);
  col->addWidget(edName_);

  tmrEdit_ = new QTimer(this);
  tmrEdit_->setObjectName(QStringLiteral("tmrEdit"));
  tmrEdit_->setSingleShot(true);
  tmrEdit_->setInterval(kPauseMs);
  connect(edName_, &QLineEdit::textChanged, tmrEdit_, qOverload<>(&QTimer::start));
  connect(tmrEdit_, &QTimer::timeout, this, &TfrName::nameChanged);
  ApplyLanguage();
}

QString TfrName::Text() const {
  return edName_->text();
}

void TfrName::ApplyLanguage() {
  lblHelp_->setText(LangText(TLangSection::Captions, kCapNameMask));
  edName_->setAccessibleName(lblHelp_->text());
}

}  // namespace glimr
