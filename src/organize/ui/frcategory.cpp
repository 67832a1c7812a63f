#include "organize/ui/frcategory.h"

#include <QVBoxLayout>

#include <algorithm>

#include "common/language.h"
#include "organize/ui/filterchoicetree.h"

namespace glimr {

namespace {
constexpr int kCapNoCategories = 117;
constexpr int kNoCategoryID = 0;
}  // namespace

TfrCategory::TfrCategory(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrCategory"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);
  tvCategories_ = new TFilterChoiceTree(this);
  tvCategories_->setObjectName(QStringLiteral("tvCategories"));
  col->addWidget(tvCategories_);
  connect(tvCategories_, &TFilterChoiceTree::choiceChanged, this, &TfrCategory::categoriesChanged);
  SetCategories({});
  ApplyLanguage();
}

void TfrCategory::SetCategories(const TCategoryItems& items) {
  tvCategories_->Rebuild([&] { Fill(items); });
}

void TfrCategory::Fill(const TCategoryItems& items) {
  // parents[d] is the last entry made at depth d. A depth deeper than one
  // below the previous entry (a damaged list) hangs under the deepest entry
  // there is rather than being lost.
  std::vector<QTreeWidgetItem*> parents;
  for (const TCategoryItem& c : items) {
    const auto depth = static_cast<size_t>(std::clamp<int>(c.Depth, 0, int(parents.size())));
    parents.resize(depth);
    QTreeWidgetItem* parent = depth == 0 ? nullptr : parents.back();
    parents.push_back(tvCategories_->AddChoice(parent, c.Name, c.ID));
  }
  tvCategories_->AddChoice(nullptr, LangText(TLangSection::Captions, kCapNoCategories),
                           kNoCategoryID);
}

QList<int> TfrCategory::ChosenCategories() const {
  return tvCategories_->ChosenValues();
}

void TfrCategory::ApplyLanguage() {
  const int last = tvCategories_->topLevelItemCount() - 1;
  if (last >= 0) {
    tvCategories_->topLevelItem(last)->setText(0,
                                               LangText(TLangSection::Captions, kCapNoCategories));
  }
}

}  // namespace glimr
