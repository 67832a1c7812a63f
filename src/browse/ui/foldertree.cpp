#include "browse/ui/foldertree.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QSet>

#include <algorithm>

namespace glimr {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;

const QFileIconProvider& Icons() {
  static const QFileIconProvider provider;
  return provider;
}

QString Folder(const QString& path) {
  return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// An absolute, clean folder path with a trailing "/".
QString CleanFolder(const QString& path) {
  return Folder(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

bool IsFolderOnDisk(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

bool IsHiddenName(const QString& name) {
  return name.startsWith(QLatin1Char('.'));
}

// The order of sibling folders: by name regardless of case, ties by case so
// that the order never depends on the listing's.
bool NameLess(const QString& a, const QString& b) {
  const int c = a.compare(b, Qt::CaseInsensitive);
  return c != 0 ? c < 0 : a < b;
}

bool IsWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* branch) {
  for (; node; node = node->parent()) {
    if (node == branch) {
      return true;
    }
  }
  return false;
}

}  // namespace

TFolderTree::TFolderTree(QWidget* parent, const QString& homePath, const QString& rootPath)
    : QTreeWidget(parent) {
  setObjectName(QStringLiteral("veskTreeFolders"));
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setUniformRowHeights(true);
  setIndentation(16);
  auto* root = new QTreeWidgetItem(this, QStringList(QStringLiteral("Computer")));
  root->setIcon(0, Icons().icon(QFileIconProvider::Computer));
  root->setData(0, kFilledRole, true);
  MakeNode(root, QStringLiteral("Home"),
           CleanFolder(homePath.isEmpty() ? QDir::homePath() : homePath), false)
      ->setIcon(0, QIcon::fromTheme(QStringLiteral("user-home"),
                                    Icons().icon(QFileIconProvider::Folder)));
  MakeNode(root, QStringLiteral("File System"),
           CleanFolder(rootPath.isEmpty() ? QStringLiteral("/") : rootPath), false)
      ->setIcon(0, QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                    Icons().icon(QFileIconProvider::Drive)));
  root->setExpanded(true);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::OnExpanded);
}

QTreeWidgetItem* TFolderTree::MakeNode(QTreeWidgetItem* parent, const QString& text,
                                       const QString& path, bool sorted) {
  auto* node = new QTreeWidgetItem(QStringList(text));
  // Folders stay in name order, also when one is added later; "Home" and
  // "File System" keep the order they were made in.
  int at = parent->childCount();
  while (sorted && at > 0 && NameLess(text, parent->child(at - 1)->text(0))) {
    --at;
  }
  parent->insertChild(at, node);
  node->setData(0, kPathRole, Folder(path));
  node->setIcon(0, Icons().icon(QFileIconProvider::Folder));
  // Children are listed on the first expansion; until then show the arrow.
  node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return node;
}

QTreeWidgetItem* TFolderTree::HomeNode() const {
  return RootNode() ? RootNode()->child(0) : nullptr;
}

QTreeWidgetItem* TFolderTree::FileSystemNode() const {
  return RootNode() ? RootNode()->child(1) : nullptr;
}

QString TFolderTree::NodeText(const QTreeWidgetItem* node) {
  return node ? node->text(0) : QString();
}

QString TFolderTree::NodeFullPath(const QTreeWidgetItem* node) {
  return node ? node->data(0, kPathRole).toString() : QString();
}

bool TFolderTree::IsFileSystemFolder(const QTreeWidgetItem* node) {
  return node && !NodeFullPath(node).isEmpty();
}

void TFolderTree::FillChildren(QTreeWidgetItem* node) {
  if (!node || node->data(0, kFilledRole).toBool()) {
    return;
  }
  ReadChildren(node);
}

void TFolderTree::ReadChildren(QTreeWidgetItem* node) {
  const QString path = NodeFullPath(node);
  if (path.isEmpty()) {
    return;
  }
  node->setData(0, kFilledRole, true);
  // A node goes only when its own folder is gone, checked one by one, so an
  // unreadable listing never drops nodes, and a hidden folder that got its
  // node by navigation keeps it.
  QList<QPersistentModelIndex> gone;
  for (int i = 0; i < node->childCount(); ++i) {
    if (!IsFolderOnDisk(NodeFullPath(node->child(i)))) {
      gone << QPersistentModelIndex(indexFromItem(node->child(i)));
    }
  }
  if (!gone.isEmpty()) {
    // The selection leaves a dropped branch first. Moving it lets the window
    // load another folder, so every node is looked up again afterwards.
    const QPersistentModelIndex self(indexFromItem(node));
    for (const QPersistentModelIndex& index : gone) {
      if (index.isValid() && IsWithin(currentItem(), itemFromIndex(index))) {
        setCurrentItem(node);
        break;
      }
    }
    for (const QPersistentModelIndex& index : gone) {
      if (index.isValid()) {
        RemoveNode(itemFromIndex(index));
      }
    }
    if (!self.isValid()) {
      return;
    }
  }
  // Folders only, no hidden ones; an unreadable folder lists nothing.
  QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
  // In name order each new node lands at the end: a large folder costs no
  // search for its place.
  std::sort(names.begin(), names.end(), NameLess);
  QSet<QString> shown;
  for (int i = 0; i < node->childCount(); ++i) {
    shown.insert(node->child(i)->text(0));
  }
  for (const QString& name : names) {
    if (!IsHiddenName(name) && !shown.contains(name)) {
      MakeNode(node, name, path + name);
    }
  }
  node->setChildIndicatorPolicy(node->childCount() ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
}

void TFolderTree::RemoveNode(QTreeWidgetItem* node) {
  for (int i = node->childCount() - 1; i >= 0; --i) {
    RemoveNode(node->child(i));
  }
  Q_EMIT nodeRemoving(node);
  delete node;
}

QTreeWidgetItem* TFolderTree::RefreshNode(QTreeWidgetItem* node) {
  if (!node) {
    return nullptr;
  }
  // "Home" and "File System" stay even when their folder is gone; below
  // them, a vanished folder hands the reading to the nearest ancestor that
  // still exists, which drops the vanished branch.
  QTreeWidgetItem* target = node;
  while (target->parent() && target->parent() != RootNode() &&
         !IsFolderOnDisk(NodeFullPath(target))) {
    target = target->parent();
  }
  ReadChildren(target);
  return target;
}

void TFolderTree::OnExpanded(QTreeWidgetItem* node) {
  if (!node->data(0, kFilledRole).toBool()) {
    ReadChildren(node);
    return;
  }
  if (node->parent() == RootNode() || IsFolderOnDisk(NodeFullPath(node))) {
    ReadChildren(node);
    return;
  }
  // The expanded node's own folder is gone. The node must go, but not from
  // inside its own expansion, which the view is still handling: do it once
  // control is back in the event loop, if the node is still there.
  const QPersistentModelIndex index(indexFromItem(node));
  QMetaObject::invokeMethod(
      this,
      [this, index] {
        if (index.isValid()) {
          RefreshNode(itemFromIndex(index));
        }
      },
      Qt::QueuedConnection);
}

QTreeWidgetItem* TFolderTree::ChildNamed(QTreeWidgetItem* node, const QString& name) const {
  for (int i = 0; i < node->childCount(); ++i) {
    if (node->child(i)->text(0) == name) {
      return node->child(i);
    }
  }
  return nullptr;
}

QTreeWidgetItem* TFolderTree::ChildForFolder(QTreeWidgetItem* node, const QString& name) {
  FillChildren(node);
  if (QTreeWidgetItem* child = ChildNamed(node, name)) {
    return child;
  }
  // Created after the node was read, or hidden: it gets its node now.
  const QString path = NodeFullPath(node) + name;
  if (!IsFolderOnDisk(path)) {
    return nullptr;
  }
  node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return MakeNode(node, name, path);
}

QString TFolderTree::TreeNodePath(const QTreeWidgetItem* node) {
  if (!node) {
    return {};
  }
  QString path = node->text(0);
  for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent()) {
    path = p->text(0) + QLatin1Char('\\') + path;
  }
  return path;
}

void TFolderTree::SelectNode(QTreeWidgetItem* node) {
  if (!node) {
    setCurrentItem(nullptr);
    return;
  }
  // Expanding a collapsed ancestor reads its folder again, which drops the
  // branch of a folder that vanished, possibly the node's own. The chain is
  // held by persistent indexes, expanded from the top, and the deepest node
  // still there is selected.
  QList<QPersistentModelIndex> chain;  // the node first, then its ancestors
  for (QTreeWidgetItem* p = node; p; p = p->parent()) {
    chain << QPersistentModelIndex(indexFromItem(p));
  }
  for (qsizetype i = chain.size() - 1; i >= 1; --i) {
    if (chain[i].isValid()) {
      itemFromIndex(chain[i])->setExpanded(true);
    }
  }
  for (const QPersistentModelIndex& index : chain) {
    if (index.isValid()) {
      QTreeWidgetItem* target = itemFromIndex(index);
      setCurrentItem(target);
      scrollToItem(target);
      return;
    }
  }
}

void TFolderTree::SelectTreePath(const QString& fullPath) {
  QString path = fullPath;
  QTreeWidgetItem* parentNode = nullptr;
  int index = 0;  // position among the siblings under parentNode
  for (;;) {
    const int cut = path.indexOf(QLatin1Char('\\'));
    const QString segment = cut < 0 ? path : path.left(cut);
    path = cut < 0 ? QString() : path.mid(cut + 1);
    const int siblings = parentNode ? parentNode->childCount() : topLevelItemCount();
    QTreeWidgetItem* match = nullptr;
    for (int i = index; i < siblings; ++i) {
      QTreeWidgetItem* n = parentNode ? parentNode->child(i) : topLevelItem(i);
      if (n->text(0) == segment) {
        match = n;
        break;
      }
    }
    if (!match) {
      SelectNode(parentNode);
      return;
    }
    if (path.isEmpty()) {
      SelectNode(match);
      return;
    }
    FillChildren(match);
    if (match->childCount() == 0) {
      SelectNode(match);
      return;
    }
    match->setExpanded(true);
    parentNode = match;
    index = 0;
  }
}

bool TFolderTree::NavigateToPath(const QString& folder) {
  if (folder.isEmpty() || !IsFolderOnDisk(folder)) {
    return false;
  }
  const QString target = CleanFolder(folder);
  QTreeWidgetItem* base = HomeNode();
  if (!target.startsWith(NodeFullPath(base))) {
    base = FileSystemNode();
    if (!target.startsWith(NodeFullPath(base))) {
      return false;
    }
  }
  const QStringList parts =
      target.mid(NodeFullPath(base).length()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QTreeWidgetItem* node = base;
  for (const QString& part : parts) {
    node = ChildForFolder(node, part);
    if (!node) {
      return false;  // vanished while we walked
    }
  }
  SelectNode(node);
  return true;
}

bool TFolderTree::NavigateToChild(QTreeWidgetItem* node, const QString& name) {
  if (!IsFileSystemFolder(node) || name.isEmpty() || name.contains(QLatin1Char('/')) ||
      name == QLatin1String(".") || name == QLatin1String("..")) {
    return false;
  }
  if (!IsFolderOnDisk(NodeFullPath(node) + name)) {
    // Gone since the node was read: its stale node goes too.
    if (ChildNamed(node, name)) {
      ReadChildren(node);
    }
    return false;
  }
  QTreeWidgetItem* child = ChildForFolder(node, name);
  if (!child) {
    return false;
  }
  SelectNode(child);
  return true;
}

QString TFolderTree::ParentFolderPath(const QTreeWidgetItem* node) {
  if (!IsFileSystemFolder(node)) {
    return {};
  }
  QString path = NodeFullPath(node);
  path.chop(1);  // the trailing "/"; "/" itself becomes "" and has no parent
  const int cut = path.lastIndexOf(QLatin1Char('/'));
  return cut < 0 ? QString() : path.left(cut + 1);
}

bool TFolderTree::NavigateToParent(QTreeWidgetItem* node) {
  const QString parent = ParentFolderPath(node);
  if (parent.isEmpty()) {
    return false;
  }
  // Stay in the node's own branch when its tree parent is that folder; "Home"
  // and folders above a root go through the path.
  QTreeWidgetItem* up = node->parent();
  if (up && NodeFullPath(up) == parent && IsFolderOnDisk(parent)) {
    SelectNode(up);
    return true;
  }
  return NavigateToPath(parent);
}

}  // namespace glimr
