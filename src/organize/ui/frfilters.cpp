#include "organize/ui/frfilters.h"

#include <QCheckBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "organize/ui/filterchoicetree.h"
#include "organize/ui/frcategory.h"
#include "organize/ui/frname.h"
#include "organize/ui/frrating.h"

namespace glimr {

namespace {
constexpr int kCapFilters = 110;
constexpr int kCapUseFilter = 111;
constexpr int kCapName = 112;
constexpr int kCapRating = 113;
constexpr int kCapCategory = 114;
}  // namespace

TfrFilters::TfrFilters(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsFilter"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(2, 2, 2, 2);
  cbUseFilter_ = new QCheckBox(this);
  cbUseFilter_->setObjectName(QStringLiteral("cbUseFilter"));
  col->addWidget(cbUseFilter_);

  fbFilter_ = new QWidget(this);
  fbFilter_->setObjectName(QStringLiteral("fbFilter"));
  auto* sections = new QVBoxLayout(fbFilter_);
  sections->setContentsMargins(0, 0, 0, 0);
  sections->setSpacing(2);
  col->addWidget(fbFilter_, 1);

  // The three frames live as long as the page; collapsing only hides one.
  frName_ = new TfrName(fbFilter_);
  frRating_ = new TfrRating(fbFilter_);
  frCategory_ = new TfrCategory(fbFilter_);
  btnName_ = AddSection(frName_, "btnName", 0);
  btnRating_ = AddSection(frRating_, "btnRating", 0);
  btnCategory_ = AddSection(frCategory_, "btnCategory", 1);
  // Once the category section is closed, the space left stays below the
  // headers rather than between them.
  sections->addStretch(0);

  connect(cbUseFilter_, &QCheckBox::toggled, this, &TfrFilters::UseFilterChanged);
  connect(frName_, &TfrName::nameChanged, this, &TfrFilters::CriterionChanged);
  connect(frRating_, &TfrRating::ratingsChanged, this, &TfrFilters::CriterionChanged);
  connect(frCategory_, &TfrCategory::categoriesChanged, this, &TfrFilters::CriterionChanged);

  // Filtering is off at start, its sections disabled with it.
  cbUseFilter_->setChecked(false);
  fbFilter_->setEnabled(false);
  ApplyLanguage();
}

QToolButton* TfrFilters::AddSection(QWidget* frame, const char* buttonName, int stretch) {
  auto* layout = static_cast<QVBoxLayout*>(fbFilter_->layout());
  auto* button = new QToolButton(fbFilter_);
  button->setObjectName(QString::fromLatin1(buttonName));
  button->setCheckable(true);
  button->setChecked(true);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setArrowType(Qt::DownArrow);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(button, &QToolButton::toggled, frame, [button, frame, layout, stretch](bool open) {
    button->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    frame->setVisible(open);
    layout->setStretchFactor(frame, open ? stretch : 0);
  });
  layout->addWidget(button);
  layout->addWidget(frame, stretch);
  return button;
}

TFilterSettings TfrFilters::Settings() const {
  TFilterSettings s;
  s.Active = cbUseFilter_->isChecked();
  s.NameText = frName_->Text();
  s.Ratings = frRating_->ChosenRatings();
  s.Categories = frCategory_->ChosenCategories();
  return s;
}

bool TfrFilters::FilterActive() const {
  return cbUseFilter_->isChecked();
}

void TfrFilters::SetCategories(const TCategoryItems& items) {
  frCategory_->SetCategories(items);
}

QString TfrFilters::Caption() {
  return LangText(TLangSection::Captions, kCapFilters);
}

void TfrFilters::ApplyLanguage() {
  setWindowTitle(Caption());
  cbUseFilter_->setText(LangText(TLangSection::Captions, kCapUseFilter));
  btnName_->setText(LangText(TLangSection::Captions, kCapName));
  btnRating_->setText(LangText(TLangSection::Captions, kCapRating));
  btnCategory_->setText(LangText(TLangSection::Captions, kCapCategory));
  // The trees have no label of their own: their section's title names them.
  frRating_->Tree()->setAccessibleName(btnRating_->text());
  frCategory_->Tree()->setAccessibleName(btnCategory_->text());
  frName_->ApplyLanguage();
  frRating_->ApplyLanguage();
  frCategory_->ApplyLanguage();
}

void TfrFilters::UseFilterChanged(bool on) {
  fbFilter_->setEnabled(on);
  Emit(Settings());
}

void TfrFilters::CriterionChanged() {
  // With the filter off the criteria are kept but change nothing on screen.
  // Nor does a name typed and taken back within the pause: a rebuild would
  // only lose the list's selection and the ribbon's place.
  const TFilterSettings now = Settings();
  if (now.Active && !SameCriteria(now, lastSent_)) {
    Emit(now);
  }
}

bool TfrFilters::SameCriteria(const TFilterSettings& a, const TFilterSettings& b) {
  return a.Active == b.Active && a.NameText == b.NameText && a.Ratings == b.Ratings &&
         a.Categories == b.Categories;
}

void TfrFilters::Emit(const TFilterSettings& settings) {
  lastSent_ = settings;
  Q_EMIT filterChanged(settings);
}

}  // namespace glimr
