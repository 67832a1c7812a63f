#include "search/ui/frsearch.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "search/ui/frpropsfiletype.h"
#include "search/ui/frsearchcatalogs.h"
#include "search/ui/frsearchcategories.h"
#include "search/ui/frsearchfiles.h"
#include "search/ui/frsearchproperties.h"
#include "search/ui/sectionpanel.h"

namespace glimr {

namespace {
constexpr int kCapSearchPage = 153;
constexpr int kCapFiles = 154;
constexpr int kCapCatalogs = 155;
constexpr int kCapCategories = 156;
constexpr int kCapSearch = 157;
constexpr int kCapClear = 158;
constexpr int kCapShowResults = 159;
constexpr int kCapProperties = 174;

QPushButton* Button(QWidget* parent, const QString& name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  return button;
}
}  // namespace

TfrSearch::TfrSearch(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsSearch"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(2, 2, 2, 2);

  fbSearch_ = new TSectionPanel(this);
  fbSearch_->setObjectName(QStringLiteral("fbSearch"));
  col->addWidget(fbSearch_, 1);
  // The frames live as long as the page; closing a section only hides one.
  frFiles_ = new TfrSearchFiles;
  frCatalogs_ = new TfrSearchCatalogs;
  frCategories_ = new TfrSearchCategories;
  frProperties_ = new TfrSearchProperties;
  btnFiles_ = fbSearch_->AddSection(frFiles_, QStringLiteral("btnFiles"));
  btnCatalogs_ = fbSearch_->AddSection(frCatalogs_, QStringLiteral("btnCatalogs"));
  btnCategories_ = fbSearch_->AddSection(frCategories_, QStringLiteral("btnCategories"));
  btnProperties_ = fbSearch_->AddSection(frProperties_, QStringLiteral("btnProperties"));

  auto* buttons = new QHBoxLayout;
  btnSearch_ = Button(this, QStringLiteral("btnSearch"));
  btnClear_ = Button(this, QStringLiteral("btnClear"));
  btnShowResults_ = Button(this, QStringLiteral("btnShowResults"));
  buttons->addWidget(btnSearch_);
  buttons->addWidget(btnClear_);
  buttons->addWidget(btnShowResults_);
  col->addLayout(buttons);

  connect(btnSearch_, &QPushButton::clicked, this, [this] { Q_EMIT searchRequested(Request()); });
  connect(btnClear_, &QPushButton::clicked, this, [this] {
    ClearScope();
    Q_EMIT clearRequested();
  });
  connect(btnShowResults_, &QPushButton::clicked, this, &TfrSearch::showResultsRequested);
  ApplyLanguage();
}

void TfrSearch::SetCatalogQueries(TCatalogQueries& queries) {
  frCategories_->SetCatalogQueries(queries);
}

void TfrSearch::SetTypeSource(std::function<QStringList()> source) {
  frProperties_->FileTypeFrame()->SetTypeSource(std::move(source));
}

TSearchRequest TfrSearch::Request() const {
  TSearchRequest request;
  request.NameText = frFiles_->NameEdit()->text();
  request.InCaptions = frFiles_->InCaptionBox()->isChecked();
  request.Folders = frCatalogs_->Folders();
  request.OnlyInDatabase = frCatalogs_->OnlyInDatabaseBox()->isChecked();
  request.Subdirectories = frCatalogs_->SubdirectoriesBox()->isChecked();
  request.CategoryIDs = frCategories_->CategoryIDs();
  request.Subcategories = frCategories_->SubcategoriesBox()->isChecked();
  request.Properties = frProperties_->Choices();
  return request;
}

void TfrSearch::ClearScope() {
  frFiles_->NameEdit()->clear();
  frCatalogs_->ClearList();
  frCategories_->ClearList();
}

QString TfrSearch::Caption() {
  return LangText(TLangSection::Captions, kCapSearchPage);
}

void TfrSearch::ApplyLanguage() {
  setWindowTitle(Caption());
  for (const auto& [header, key] : {std::pair{btnFiles_, kCapFiles},
                                    {btnCatalogs_, kCapCatalogs},
                                    {btnCategories_, kCapCategories},
                                    {btnProperties_, kCapProperties}}) {
    header->setText(LangText(TLangSection::Captions, key));
    header->setAccessibleName(header->text());
  }
  for (const auto& [button, key] : {std::pair{btnSearch_, kCapSearch},
                                    {btnClear_, kCapClear},
                                    {btnShowResults_, kCapShowResults}}) {
    button->setText(LangText(TLangSection::Captions, key));
    button->setAccessibleName(button->text());
  }
  frFiles_->ApplyLanguage();
  frCatalogs_->ApplyLanguage();
  frCategories_->ApplyLanguage();
  frProperties_->ApplyLanguage();
}

}  // namespace glimr
