#include "search/ui/frsearchcategories.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "catalog/catalogqueries.h"
#include "common/errors.h"
#include "common/language.h"
#include "organize/categorytree.h"
#include "organize/ui/dlgcategories.h"
#include "search/ui/scopelist.h"

namespace glimr {

namespace {

constexpr int kCapAddCategory = 161;
constexpr int kCapCategories = 163;
constexpr int kCapDelete = 164;
constexpr int kCapClear = 165;
constexpr int kCapSubcategories = 166;
constexpr int kStrNoSuchCategory = 109;

// The ID of the category a path names, walking the catalog from the top
// level one name at a time (names compared exactly, as the dialog does; the
// first of siblings sharing a name); 0 when no category has that path.
std::int32_t CategoryIDOfPath(TCatalogQueries& queries, const QString& path) {
  QStringList names = path.split(kCategoryPathSeparator);
  if (!names.isEmpty() && names.last().isEmpty()) {
    names.removeLast();
  }
  if (names.isEmpty()) {
    return 0;
  }
  std::int32_t id = 0;
  for (const QString& name : names) {
    std::int32_t next = 0;
    for (const TCategoryRow& row : queries.ReadCategoryChildren(id)) {
      if (row.Name == name) {
        next = row.ID;
        break;
      }
    }
    if (next == 0) {
      return 0;
    }
    id = next;
  }
  return id;
}

}  // namespace

TfrSearchCategories::TfrSearchCategories(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrSearchCategories"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);

  const TScopeListControls c =
      MakeScopeList(this, col, QStringLiteral("lblAddCategory"), QStringLiteral("cmbCategories"),
                    QStringLiteral("btnSelectCategory"), QStringLiteral("lvCategories"));
  lblAdd_ = c.Label;
  cmbCategories_ = c.Entry;
  btnSelect_ = c.Choose;
  lvCategories_ = c.List;
  btnDelete_ = c.Delete;
  btnClear_ = c.Clear;

  cbSearchSubCat_ = new QCheckBox(this);
  cbSearchSubCat_->setObjectName(QStringLiteral("cbSearchSubCat"));
  cbSearchSubCat_->setChecked(true);
  col->addWidget(cbSearchSubCat_);

  connect(cmbCategories_, &QLineEdit::returnPressed, this, &TfrSearchCategories::AddTypedCategory);
  connect(btnSelect_, &QToolButton::clicked, this, &TfrSearchCategories::ChooseCategory);
  connect(lvCategories_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { cmbCategories_->setText(item->text(0)); });
  connect(btnDelete_, &QPushButton::clicked, this, &TfrSearchCategories::DeleteSelected);
  connect(btnClear_, &QPushButton::clicked, this, &TfrSearchCategories::ClearList);
  ApplyLanguage();
}

void TfrSearchCategories::SetCatalogQueries(TCatalogQueries& queries) {
  queries_ = &queries;
  delete dlgCategories_;
  dlgCategories_ = new TdlgCategories(queries, this);
  dlgCategories_->SetOfferNoCategories(false);
}

void TfrSearchCategories::AddTypedCategory() {
  const QString typed = cmbCategories_->text();
  if (typed.isEmpty() || !queries_) {
    return;
  }
  std::int32_t id = 0;
  QString path;
  try {
    id = CategoryIDOfPath(*queries_, typed);
    if (id != 0) {
      path = queries_->CategoryPath(id);
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("cmbCategories: "), ErrorText(e));
    return;
  }
  if (id == 0) {
    ShowError(
        LangText(TLangSection::Strings, kStrNoSuchCategory, QStringLiteral("No such category: %1"))
            .arg(typed));
    return;
  }
  cmbCategories_->setText(path);
  AddCategory(id, path);
}

void TfrSearchCategories::ChooseCategory() {
  if (!dlgCategories_) {
    return;
  }
  // An empty field keeps the dialog's last choice as its preset.
  if (!cmbCategories_->text().isEmpty()) {
    dlgCategories_->SetPresetPath(cmbCategories_->text());
  }
  if (dlgCategories_->exec() != QDialog::Accepted || dlgCategories_->ResultID() == 0) {
    return;
  }
  cmbCategories_->setText(dlgCategories_->PresetPath());
  AddCategory(dlgCategories_->ResultID(), dlgCategories_->PresetPath());
}

void TfrSearchCategories::AddCategory(std::int32_t id, const QString& path) {
  lvCategories_->clearSelection();
  QTreeWidgetItem* row = nullptr;
  // By ID: two categories may share a path that differs only in case, and
  // a renamed category is still the same one.
  for (int i = 0; i < lvCategories_->topLevelItemCount() && !row; ++i) {
    if (lvCategories_->topLevelItem(i)->data(0, Qt::UserRole).toInt() == id) {
      row = lvCategories_->topLevelItem(i);
    }
  }
  if (!row) {
    row = new QTreeWidgetItem(QStringList(path));
    row->setData(0, Qt::UserRole, id);
    row->setIcon(
        0, QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    lvCategories_->addTopLevelItem(row);
  }
  lvCategories_->setCurrentItem(row);
  row->setSelected(true);
  lvCategories_->scrollToItem(row);
  lvCategories_->setFocus();
}

std::vector<std::int32_t> TfrSearchCategories::CategoryIDs() const {
  std::vector<std::int32_t> ids;
  for (int i = 0; i < lvCategories_->topLevelItemCount(); ++i) {
    ids.push_back(lvCategories_->topLevelItem(i)->data(0, Qt::UserRole).toInt());
  }
  return ids;
}

void TfrSearchCategories::DeleteSelected() {
  qDeleteAll(lvCategories_->selectedItems());
}

void TfrSearchCategories::ClearList() {
  lvCategories_->clear();
}

void TfrSearchCategories::ApplyLanguage() {
  lblAdd_->setText(LangText(TLangSection::Captions, kCapAddCategory));
  cmbCategories_->setAccessibleName(lblAdd_->text());
  btnSelect_->setAccessibleName(lblAdd_->text());
  lvCategories_->setHeaderLabels({LangText(TLangSection::Captions, kCapCategories)});
  lvCategories_->setAccessibleName(LangText(TLangSection::Captions, kCapCategories));
  cbSearchSubCat_->setText(LangText(TLangSection::Captions, kCapSubcategories));
  cbSearchSubCat_->setAccessibleName(cbSearchSubCat_->text());
  btnDelete_->setText(LangText(TLangSection::Captions, kCapDelete));
  btnDelete_->setAccessibleName(btnDelete_->text());
  btnClear_->setText(LangText(TLangSection::Captions, kCapClear));
  btnClear_->setAccessibleName(btnClear_->text());
  if (dlgCategories_) {
    dlgCategories_->ApplyLanguage();
  }
}

}  // namespace glimr
