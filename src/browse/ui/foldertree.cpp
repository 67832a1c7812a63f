#include "browse/ui/foldertree.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>

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
  MakeNode(root, QStringLiteral("Home"), homePath.isEmpty() ? QDir::homePath() : homePath)
      ->setIcon(0, QIcon::fromTheme(QStringLiteral("user-home"),
                                    Icons().icon(QFileIconProvider::Folder)));
  MakeNode(root, QStringLiteral("File System"), rootPath)
      ->setIcon(0, QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                    Icons().icon(QFileIconProvider::Drive)));
  root->setExpanded(true);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::FillChildren);
}

QTreeWidgetItem* TFolderTree::MakeNode(QTreeWidgetItem* parent, const QString& text,
                                       const QString& path) {
  auto* node = new QTreeWidgetItem(parent, QStringList(text));
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
  node->setData(0, kFilledRole, true);
  const QString path = NodeFullPath(node);
  // Folders only, no hidden ones (names starting with "."); an unreadable
  // folder simply has no children.
  const QStringList names =
      QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : names) {
    if (!name.startsWith(QLatin1Char('.'))) {
      MakeNode(node, name, path + name);
    }
  }
  node->setChildIndicatorPolicy(node->childCount() ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
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
  for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) {
    p->setExpanded(true);
  }
  setCurrentItem(node);
  scrollToItem(node);
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

QTreeWidgetItem* TFolderTree::DescendTo(QTreeWidgetItem* base, const QString& basePath,
                                        const QString& folderPath) {
  const QStringList parts =
      folderPath.mid(basePath.length()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QTreeWidgetItem* node = base;
  for (const QString& part : parts) {
    FillChildren(node);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
      if (node->child(i)->text(0) == part) {
        next = node->child(i);
        break;
      }
    }
    if (!next) {
      return nullptr;
    }
    node = next;
  }
  return node;
}

bool TFolderTree::NavigateToPath(const QString& folder) {
  const QString target = Folder(QDir::cleanPath(folder));
  const QString home = NodeFullPath(HomeNode());
  QTreeWidgetItem* node = nullptr;
  if (target.startsWith(home)) {
    node = DescendTo(HomeNode(), home, target);
  }
  const QString root = NodeFullPath(FileSystemNode());
  if (!node && target.startsWith(root)) {
    node = DescendTo(FileSystemNode(), root, target);
  }
  if (!node) {
    return false;
  }
  SelectNode(node);
  return true;
}

}  // namespace glimr
