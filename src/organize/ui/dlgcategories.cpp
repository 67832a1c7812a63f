#include "organize/ui/dlgcategories.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "catalog/catalogqueries.h"
#include "common/errors.h"
#include "common/language.h"
#include "organize/categorytree.h"

namespace glimr {

namespace {

// Entries carry their category ID; the placeholder child that makes an
// unread entry expandable carries none.
bool IsPlaceholder(const QTreeWidgetItem* item) {
  return !item->data(0, Qt::UserRole).isValid();
}

std::int32_t IDOf(const QTreeWidgetItem* item) {
  return item->data(0, Qt::UserRole).toInt();
}

// The "No Categories" entry is known by this mark, never by its text: a
// category may bear the same name.
constexpr int kNoCategoriesRole = Qt::UserRole + 1;

bool IsNoCategories(const QTreeWidgetItem* item) {
  return item->data(0, kNoCategoriesRole).toBool();
}

}  // namespace

TdlgCategories::TdlgCategories(TCatalogQueries& queries, QWidget* parent)
    : QDialog(parent), queries_(queries) {
  setObjectName(QStringLiteral("dlgCategories"));
  auto* layout = new QVBoxLayout(this);

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("tvCategories"));
  tree_->setColumnCount(1);
  tree_->header()->hide();
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(tree_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  btnOk_->setDefault(true);
  btnCancel_ = new QPushButton(this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  layout->addLayout(buttons);
  resize(300, 360);

  connect(tree_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { OnExpanding(item); });
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (btnOk_->isEnabled()) {
      OnOk();
    }
  });
  connect(btnOk_, &QPushButton::clicked, this, [this] { OnOk(); });
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  btnOk_->setEnabled(false);
  ApplyLanguage();
}

void TdlgCategories::ApplyLanguage() {
  setWindowTitle(LangText(TLangSection::Captions, 171));
  tree_->setAccessibleName(windowTitle());
  btnOk_->setText(LangText(TLangSection::Captions, 87));
  btnCancel_->setText(LangText(TLangSection::Captions, 69));
}

void TdlgCategories::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TdlgCategories::FormShow() {
  tree_->clearSelection();
  resultID_ = 0;
  tree_->clear();
  LoadChildren(nullptr, 0);
  QTreeWidgetItem* none = nullptr;
  if (offerNone_) {
    none = new QTreeWidgetItem(QStringList(LangText(TLangSection::Captions, 117)));
    none->setData(0, Qt::UserRole, 0);
    none->setData(0, kNoCategoriesRole, true);
    none->setIcon(0, style()->standardIcon(QStyle::SP_DialogNoButton));
    tree_->addTopLevelItem(none);
  }
  if (presetNone_) {
    if (none) {
      tree_->setCurrentItem(none);
      none->setSelected(true);
      tree_->scrollToItem(none);
    }
  } else if (!presetPath_.isEmpty()) {
    SelectCategory(presetPath_);
  }
  OnSelectionChanged();
}

void TdlgCategories::LoadChildren(QTreeWidgetItem* parent, std::int32_t parentID) {
  const QIcon icon =
      QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon));
  try {
    QList<QTreeWidgetItem*> items;
    for (const TCategoryRow& row : queries_.ReadCategoryChildren(parentID)) {
      auto* item = new QTreeWidgetItem(QStringList(row.Name));
      item->setData(0, Qt::UserRole, row.ID);
      item->setIcon(0, icon);
      if (!queries_.ReadCategoryChildren(row.ID).empty()) {
        item->addChild(new QTreeWidgetItem);
      }
      items.append(item);
    }
    if (parent) {
      parent->addChildren(items);
    } else {
      tree_->addTopLevelItems(items);
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("tvCategoriesExpanding: "), ErrorText(e));
  }
}

void TdlgCategories::OnExpanding(QTreeWidgetItem* item) {
  if (item->childCount() > 0 && IsPlaceholder(item->child(0))) {
    delete item->takeChild(0);
    LoadChildren(item, IDOf(item));
  }
}

void TdlgCategories::SelectCategory(const QString& path) {
  QStringList names = path.split(kCategoryPathSeparator);
  // The stored form ends every name with "\".
  if (!names.isEmpty() && names.last().isEmpty()) {
    names.removeLast();
  }
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* found = nullptr;
  for (qsizetype i = 0; i < names.size(); ++i) {
    const int count = parent ? parent->childCount() : tree_->topLevelItemCount();
    found = nullptr;
    for (int k = 0; k < count; ++k) {
      QTreeWidgetItem* entry = parent ? parent->child(k) : tree_->topLevelItem(k);
      if (!IsPlaceholder(entry) && entry->text(0) == names[i]) {
        found = entry;
        break;
      }
    }
    if (!found) {
      found = parent;
      break;
    }
    if (i + 1 == names.size()) {
      break;
    }
    found->setExpanded(true);  // reads the children in place of the placeholder
    if (found->childCount() == 0) {
      break;
    }
    parent = found;
  }
  tree_->clearSelection();
  if (found) {
    tree_->setCurrentItem(found);
    found->setSelected(true);
    tree_->scrollToItem(found);
  } else {
    tree_->setCurrentItem(nullptr);
  }
}

void TdlgCategories::OnSelectionChanged() {
  btnOk_->setEnabled(!tree_->selectedItems().isEmpty());
}

QString TdlgCategories::GetMePath(const QTreeWidgetItem* item) {
  QString path;
  for (; item; item = item->parent()) {
    path.prepend(item->text(0) + kCategoryPathSeparator);
  }
  return path;
}

void TdlgCategories::OnOk() {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) {
    return;
  }
  presetPath_ = GetMePath(selected.front());
  presetNone_ = IsNoCategories(selected.front());
  resultID_ = IDOf(selected.front());
  accept();
}

}  // namespace glimr
