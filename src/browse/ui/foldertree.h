#pragma once
// veskTreeFolders: the folder tree. A virtual root "Computer" with "Home" and
// "File System" under it, then the folders (hidden ones skipped), each level
// filled when its parent is first expanded.

#include <QTreeWidget>

namespace glimr {

class TFolderTree : public QTreeWidget {
  Q_OBJECT

 public:
  // homePath and rootPath are the folders of "Home" and "File System"
  // (tests point them at temporary folders).
  explicit TFolderTree(QWidget* parent = nullptr, const QString& homePath = {},
                       const QString& rootPath = QStringLiteral("/"));

  QTreeWidgetItem* RootNode() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
  QTreeWidgetItem* HomeNode() const;
  QTreeWidgetItem* FileSystemNode() const;

  static QString NodeText(const QTreeWidgetItem* node);
  // The folder's path with a trailing "/"; "" for the virtual root.
  static QString NodeFullPath(const QTreeWidgetItem* node);
  static bool IsFileSystemFolder(const QTreeWidgetItem* node);

  // The node's text and its ancestors' texts, root first, joined by "\".
  static QString TreeNodePath(const QTreeWidgetItem* node);
  // Selects the node named by such a path, expanding on the way; a segment
  // that names no node selects the node reached so far (nothing when the
  // first segment matches no root).
  void SelectTreePath(const QString& path);
  // Selects the folder node of a file-system path, under "Home" when the
  // path lies in the home folder, else under "File System". False when a
  // folder on the way is not in the tree (missing, hidden).
  bool NavigateToPath(const QString& folderPath);
  void SelectNode(QTreeWidgetItem* node);
  QTreeWidgetItem* SelectedNode() const { return currentItem(); }
  // Fills the node's children when that has not happened yet.
  void FillChildren(QTreeWidgetItem* node);

 private:
  QTreeWidgetItem* MakeNode(QTreeWidgetItem* parent, const QString& text, const QString& path);
  QTreeWidgetItem* DescendTo(QTreeWidgetItem* base, const QString& basePath,
                             const QString& folderPath);
};

}  // namespace glimr
