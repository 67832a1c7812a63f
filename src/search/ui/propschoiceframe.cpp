#include "search/ui/propschoiceframe.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "search/ui/propcontrols.h"

namespace glimr {

TPropsChoiceFrame::TPropsChoiceFrame(QWidget* parent, const QStringList& names, int firstKey)
    : QWidget(parent), firstKey_(firstKey) {
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(8, 4, 4, 4);
  col->setSpacing(4);
  group_ = new QButtonGroup(this);
  for (const QString& name : names) {
    auto* choice = new QRadioButton(this);
    choice->setObjectName(name);
    group_->addButton(choice, static_cast<int>(choices_.size()));
    choices_.append(choice);
    col->addWidget(choice);
  }
  choices_.first()->setChecked(true);
  ShowCheckedBold(choices_);
  connect(group_, &QButtonGroup::buttonToggled, this, [this] { ShowCheckedBold(choices_); });
  // clicked, not toggled: a click on the choice already checked opens the
  // dialog again, and setting the choice from code opens nothing.
  connect(choices_.last(), &QRadioButton::clicked, this, [this] { OpenSpecial(); });
  ApplyLanguage();
}

int TPropsChoiceFrame::CheckedIndex() const {
  return group_->checkedId() < 0 ? 0 : group_->checkedId();
}

void TPropsChoiceFrame::ApplyLanguage() {
  for (int i = 0; i < choices_.size(); ++i) {
    choices_[i]->setText(LangText(TLangSection::Captions, firstKey_ + i));
    choices_[i]->setAccessibleName(choices_[i]->text());
  }
}

}  // namespace glimr
