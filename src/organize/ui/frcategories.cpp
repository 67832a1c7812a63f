#include "organize/ui/frcategories.h"

#include <QDebug>

#include <QAction>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "browse/ui/filelistmodel.h"
#include "browse/ui/toolbarnames.h"
#include "catalog/catalogqueries.h"
#include "common/errors.h"
#include "common/language.h"

namespace glimr {

namespace {

// A category dragged inside the tree carries its ID under this type.
const QString kCategoryMime = QStringLiteral("application/x-glimr-category");

// Image 0 of the tree (a closed folder) and image 1 (an open one) for the
// selected entry.
QIcon CategoryIcon(const QStyle* style) {
  QIcon normal =
      QIcon::fromTheme(QStringLiteral("folder"), style->standardIcon(QStyle::SP_DirIcon));
  QIcon open =
      QIcon::fromTheme(QStringLiteral("folder-open"), style->standardIcon(QStyle::SP_DirOpenIcon));
  QIcon icon;
  for (int size : {16, 24, 32}) {
    icon.addPixmap(normal.pixmap(size, size), QIcon::Normal);
    icon.addPixmap(open.pixmap(size, size), QIcon::Selected);
  }
  return icon;
}

// Whether a drag comes from the file list: its source is a view over the
// file list's model.
bool FromFileList(const QDropEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(TFileListModel::kRowsMimeType))) {
    return true;
  }
  const auto* view = qobject_cast<const QAbstractItemView*>(event->source());
  return view && qobject_cast<const TFileListModel*>(view->model());
}

}  // namespace

// tvCategories: a plain tree whose drags and drops the page decides, so a
// move is written to the catalog before the tree changes, and never done by
// the view on its own.
class TCategoryTreeWidget : public QTreeWidget {
 public:
  explicit TCategoryTreeWidget(TfrCategories& page) : QTreeWidget(&page), page_(page) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    page_.pressing_ = true;
    page_.changedByPress_ = false;
    QTreeWidget::mousePressEvent(event);
    page_.pressing_ = false;
  }

  void startDrag(Qt::DropActions) override {
    std::int32_t id = page_.SelectedCategory();
    if (id == 0) {
      return;
    }
    auto* mime = new QMimeData;
    mime->setData(kCategoryMime, QByteArray::number(id));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (QTreeWidgetItem* item = currentItem()) {
      drag->setPixmap(item->icon(0).pixmap(16, 16));
    }
    drag->exec(Qt::MoveAction);
  }

  void dragEnterEvent(QDragEnterEvent* event) override {
    if (event->mimeData()->hasFormat(kCategoryMime) || FromFileList(event)) {
      event->accept();
    } else {
      event->ignore();
    }
  }

  void dragMoveEvent(QDragMoveEvent* event) override {
    std::int32_t target = TargetAt(event);
    bool ok = false;
    if (event->mimeData()->hasFormat(kCategoryMime)) {
      ok = page_.CanMoveCategory(DraggedCategory(event), target);
      event->setDropAction(Qt::MoveAction);
    } else if (FromFileList(event)) {
      ok = page_.CanDropImages(target);
      // A copy, so the file list never removes its rows after the drop.
      event->setDropAction(Qt::CopyAction);
    }
    if (ok) {
      event->accept();
    } else {
      event->ignore();
    }
  }

  void dropEvent(QDropEvent* event) override {
    std::int32_t target = TargetAt(event);
    if (event->mimeData()->hasFormat(kCategoryMime)) {
      std::int32_t id = DraggedCategory(event);
      if (!page_.CanMoveCategory(id, target)) {
        event->ignore();
        return;
      }
      event->setDropAction(Qt::MoveAction);
      event->accept();
      // The tree is rebuilt by the move: not while the drag still runs.
      QMetaObject::invokeMethod(
          &page_, [page = &page_, id, target] { page->MoveCategoryTo(id, target); },
          Qt::QueuedConnection);
    } else if (FromFileList(event) && page_.CanDropImages(target)) {
      event->setDropAction(Qt::CopyAction);
      event->accept();
      Q_EMIT page_.imagesDropped(target);
    } else {
      event->ignore();
    }
  }

 private:
  std::int32_t TargetAt(const QDropEvent* event) const {
    return TfrCategories::ItemID(itemAt(event->position().toPoint()));
  }
  static std::int32_t DraggedCategory(const QDropEvent* event) {
    bool ok = false;
    std::int32_t id = event->mimeData()->data(kCategoryMime).toInt(&ok);
    return ok ? id : 0;
  }

  TfrCategories& page_;
};

TfrCategories::TfrCategories(TCatalogQueries& queries, QWidget* parent)
    : QWidget(parent), queries_(queries), question_(CategoryNameBox(this)) {
  setObjectName(QStringLiteral("tsCategories"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("tbCategories"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  layout->addWidget(toolBar_);

  view_ = new TCategoryTreeWidget(*this);
  view_->setObjectName(QStringLiteral("tvCategories"));
  view_->setColumnCount(1);
  view_->header()->hide();
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setDragEnabled(true);
  view_->setAcceptDrops(true);
  view_->viewport()->setAcceptDrops(true);
  view_->setDragDropMode(QAbstractItemView::DragDrop);
  view_->setDropIndicatorShown(true);
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  layout->addWidget(view_, 1);

  connect(view_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { OnCurrentChanged(item); });
  connect(view_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { OnClicked(item); });
  // A mouse press makes an entry current before it selects it, so the
  // actions are brought up to date again once the selection has landed.
  connect(view_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  ApplyLanguage();
  UpdateActions();
}

TfrCategories::~TfrCategories() = default;

QTreeWidget* TfrCategories::TreeView() const {
  return view_;
}

void TfrCategories::ApplyLanguage() {
  view_->setAccessibleName(LangText(TLangSection::Captions, 1));
  toolBar_->setAccessibleName(LangText(TLangSection::Captions, 1));
  NameToolBarOverflow(toolBar_);
}

void TfrCategories::SetActions(const TCategoryActions& actions) {
  for (QAction* old :
       {actions_.Add, actions_.AddSub, actions_.Rename, actions_.Remove, actions_.Clear}) {
    if (old) {
      disconnect(old, nullptr, this, nullptr);
      toolBar_->removeAction(old);
      view_->removeAction(old);
    }
  }
  actions_ = actions;
  auto hook = [this](QAction* action, void (TfrCategories::*slot)()) {
    if (action) {
      toolBar_->addAction(action);
      view_->addAction(action);
      connect(action, &QAction::triggered, this, slot);
    }
  };
  hook(actions_.Add, &TfrCategories::AddCategory);
  hook(actions_.AddSub, &TfrCategories::AddSubCategory);
  hook(actions_.Rename, &TfrCategories::RenameCategory);
  hook(actions_.Remove, &TfrCategories::RemoveCategory);
  hook(actions_.Clear, &TfrCategories::ClearCategories);
  UpdateActions();
}

void TfrCategories::SetNameQuestion(TCategoryNameQuestion question) {
  question_ = std::move(question);
}

void TfrCategories::UpdateActions() {
  bool selected = SelectedCategory() != 0;
  if (actions_.Rename) {
    actions_.Rename->setEnabled(selected);
  }
  if (actions_.Remove) {
    actions_.Remove->setEnabled(selected);
  }
  if (actions_.Clear) {
    actions_.Clear->setEnabled(!tree_.Empty());
  }
}

std::int32_t TfrCategories::ItemID(const QTreeWidgetItem* item) {
  return item ? item->data(0, Qt::UserRole).toInt() : 0;
}

std::int32_t TfrCategories::SelectedCategory() const {
  QTreeWidgetItem* item = view_->currentItem();
  return item && item->isSelected() ? ItemID(item) : 0;
}

void TfrCategories::FillCategories() {
  try {
    tree_.Fill(queries_.ReadCategories());
  } catch (const std::exception& e) {
    // A catalog that cannot be read is reported by the folder load that
    // follows at start; one box is enough, the tree stays empty.
    qWarning().noquote() << "FillCategoryTrees:" << ErrorText(e);
  }
  Rebuild();
  Q_EMIT categoriesChanged(tree_.Items());
}

void TfrCategories::Rebuild() {
  const bool wasSilent = silent_;
  silent_ = true;
  std::int32_t current = SelectedCategory();
  std::vector<std::int32_t> expanded;
  for (const auto& [id, item] : items_) {
    if (item->isExpanded()) {
      expanded.push_back(id);
    }
  }
  view_->setUpdatesEnabled(false);
  view_->clear();
  items_.clear();

  const QIcon icon = CategoryIcon(style());
  const TCategoryItems items = tree_.Items();
  items_.reserve(items.size());
  std::vector<QTreeWidgetItem*> lastAtDepth;
  QList<QTreeWidgetItem*> top;
  for (const TCategoryItem& c : items) {
    QTreeWidgetItem* parent = c.Depth > 0 ? lastAtDepth[c.Depth - 1] : nullptr;
    auto* item = new QTreeWidgetItem(QStringList(c.Name));
    item->setData(0, Qt::UserRole, c.ID);
    item->setIcon(0, icon);
    if (parent) {
      parent->addChild(item);
    } else {
      top.append(item);
    }
    lastAtDepth.resize(c.Depth + 1);
    lastAtDepth[c.Depth] = item;
    items_.emplace(c.ID, item);
  }
  view_->addTopLevelItems(top);
  for (std::int32_t id : expanded) {
    if (auto it = items_.find(id); it != items_.end()) {
      it->second->setExpanded(true);
    }
  }
  if (auto it = items_.find(current); it != items_.end()) {
    view_->setCurrentItem(it->second);
    view_->scrollToItem(it->second);
  } else {
    view_->setCurrentItem(nullptr);
    view_->clearSelection();
  }
  view_->setUpdatesEnabled(true);
  silent_ = wasSilent;
  UpdateActions();
}

void TfrCategories::SelectCategoryID(std::int32_t id) {
  const bool wasSilent = silent_;
  silent_ = true;
  if (auto it = items_.find(id); it != items_.end()) {
    view_->setCurrentItem(it->second);
    view_->scrollToItem(it->second);
  } else {
    view_->setCurrentItem(nullptr);
    view_->clearSelection();
  }
  silent_ = wasSilent;
  UpdateActions();
}

void TfrCategories::OnCurrentChanged(QTreeWidgetItem* item) {
  UpdateActions();
  if (silent_) {
    return;
  }
  if (pressing_) {
    changedByPress_ = true;
  }
  std::int32_t id = ItemID(item);
  if (id != 0) {
    Q_EMIT categoryChosen(id, tree_.Path(id));
  }
}

void TfrCategories::OnClicked(QTreeWidgetItem* item) {
  // The press that changed the selection has shown the category already.
  if (changedByPress_) {
    changedByPress_ = false;
    return;
  }
  std::int32_t id = ItemID(item);
  if (id != 0 && !silent_) {
    Q_EMIT categoryChosen(id, tree_.Path(id));
  }
}

void TfrCategories::AddUnder(std::int32_t parent, const QString& prompt, const QString& answer,
                             const QString& label) {
  std::optional<QString> name = AskCategoryName(question_, prompt, answer);
  if (!name) {
    return;
  }
  std::int32_t id = 0;
  try {
    id = queries_.InsertCategory(*name, parent);
  } catch (const std::exception& e) {
    ShowError(label, ErrorText(e));
    return;
  }
  tree_.Add(parent, id, *name);
  Rebuild();
  if (parent != 0) {
    if (auto it = items_.find(parent); it != items_.end()) {
      it->second->setExpanded(true);
    }
  }
  if (auto it = items_.find(id); it != items_.end()) {
    view_->scrollToItem(it->second);
  }
  Q_EMIT categoriesChanged(tree_.Items());
}

void TfrCategories::AddCategory() {
  std::int32_t selected = SelectedCategory();
  // A sibling of the selected category.
  AddUnder(selected ? tree_.ParentOf(selected) : 0, LangText(TLangSection::Strings, 7),
           LangText(TLangSection::Strings, 6), QStringLiteral("aAddCategoryExecute: "));
}

void TfrCategories::AddSubCategory() {
  std::int32_t selected = SelectedCategory();
  if (selected == 0) {
    AddCategory();
    return;
  }
  AddUnder(selected, LangText(TLangSection::Strings, 9), LangText(TLangSection::Strings, 8),
           QStringLiteral("aAddSubCategoryExecute: "));
}

void TfrCategories::SendPathsBelow(std::int32_t id) {
  for (std::int32_t changed : tree_.Subtree(id)) {
    Q_EMIT categoryRenamed(changed, tree_.Path(changed));
  }
}

void TfrCategories::RenameCategory() {
  std::int32_t id = SelectedCategory();
  if (id == 0) {
    return;
  }
  std::optional<QString> name =
      AskCategoryName(question_, LangText(TLangSection::Strings, 10), tree_.Name(id));
  if (!name) {
    return;
  }
  try {
    queries_.RenameCategory(id, *name);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("aRenameCategoryExecute: "), ErrorText(e));
    return;
  }
  tree_.Rename(id, *name);
  Rebuild();
  SendPathsBelow(id);
  Q_EMIT categoriesChanged(tree_.Items());
}

void TfrCategories::RemoveCategory() {
  std::int32_t id = SelectedCategory();
  if (id == 0) {
    return;
  }
  std::vector<std::int32_t> deleted;
  try {
    deleted = queries_.DeleteCategoryTree(id);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("aRemoveCategoryExecute: "), ErrorText(e));
    return;
  }
  // The page drops what the catalog deleted: in a damaged catalog whose
  // parents loop that is more than the entry's branch on screen.
  std::vector<std::int32_t> removed = tree_.RemoveAll(deleted);
  if (removed.empty()) {
    return;
  }
  Rebuild();
  Q_EMIT categoriesRemoved(removed);
  Q_EMIT categoriesChanged(tree_.Items());
}

void TfrCategories::ClearCategories() {
  std::vector<std::int32_t> removed;
  // One top-level branch at a time, each in its own transaction: a failure
  // keeps the branches not yet removed, in the catalog and on screen alike.
  while (!tree_.Empty()) {
    std::int32_t first = tree_.Children(0).front();
    std::vector<std::int32_t> deleted;
    try {
      deleted = queries_.DeleteCategoryTree(first);
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("aClearCategoriesExecute: "), ErrorText(e));
      break;
    }
    // The branch goes in any case (a row already gone from the catalog
    // would otherwise stop the clearing here).
    deleted.push_back(first);
    std::vector<std::int32_t> gone = tree_.RemoveAll(deleted);
    removed.insert(removed.end(), gone.begin(), gone.end());
  }
  if (removed.empty()) {
    return;
  }
  Rebuild();
  Q_EMIT categoriesRemoved(removed);
  Q_EMIT categoriesChanged(tree_.Items());
}

bool TfrCategories::CanMoveCategory(std::int32_t id, std::int32_t target) const {
  return tree_.CanMove(id, target);
}

bool TfrCategories::MoveCategoryTo(std::int32_t id, std::int32_t target) {
  if (!tree_.CanMove(id, target)) {
    return false;
  }
  try {
    queries_.MoveCategory(id, target);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("tvCategoriesDragDrop: "), ErrorText(e));
    return false;
  }
  tree_.Move(id, target);
  Rebuild();
  if (auto it = items_.find(target); it != items_.end()) {
    it->second->setExpanded(true);
  }
  SendPathsBelow(id);
  Q_EMIT categoriesChanged(tree_.Items());
  return true;
}

bool TfrCategories::CanDropImages(std::int32_t target) const {
  return tree_.Contains(target) && target != shownCategory_;
}

}  // namespace glimr
