#pragma once
// veskTreeFolders: the folder tree. A virtual root "Computer" with "Home" and
// "File System" under it, then the folders (hidden ones skipped), each level
// filled when its parent is first expanded and read again on every later
// expansion.

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
  // path lies in the home folder, else under "File System". Folders the tree
  // does not show yet (created since their parent was read, or hidden) get
  // their node on the way. False, selecting nothing, when the path is not an
  // existing folder or lies outside both roots.
  bool NavigateToPath(const QString& folderPath);
  // Selects the node of the subfolder name of a folder node, in the node's
  // own branch, making it when the tree does not show it yet (created since,
  // hidden). False, selecting nothing, when no such folder exists.
  bool NavigateToChild(QTreeWidgetItem* node, const QString& name);
  // The real parent folder of a folder node, with a trailing "/": for "Home"
  // the folder above the home folder, not the virtual root; "" for "/" and
  // for the virtual root.
  static QString ParentFolderPath(const QTreeWidgetItem* node);
  // Selects the node of ParentFolderPath(node): the node's own tree parent
  // when that is the folder, else the folder's node found or made through
  // NavigateToPath. False when there is no such folder.
  bool NavigateToParent(QTreeWidgetItem* node);
  void SelectNode(QTreeWidgetItem* node);
  QTreeWidgetItem* SelectedNode() const { return currentItem(); }
  // Fills the node's children when that has not happened yet.
  void FillChildren(QTreeWidgetItem* node);
  // Reads the node's folder again: adds folders created since, drops nodes
  // of folders that are gone; the other nodes (and the selection among
  // them) stay. When the node's own folder is gone, the nearest ancestor
  // whose folder still exists is read instead, and it takes the selection if
  // the selected node was dropped. Returns the node that was read.
  QTreeWidgetItem* RefreshNode(QTreeWidgetItem* node);

 Q_SIGNALS:
  // The node is about to be deleted (its folder vanished): whoever keeps
  // node pointers (the folder history) must let go of it. Sent for every
  // node of a dropped branch, the deepest first.
  void nodeRemoving(QTreeWidgetItem* node);

 private:
  QTreeWidgetItem* MakeNode(QTreeWidgetItem* parent, const QString& text, const QString& path,
                            bool sorted = true);
  QTreeWidgetItem* ChildNamed(QTreeWidgetItem* node, const QString& name) const;
  // The child node of an existing folder name, made in sorted place when
  // the tree does not show it yet.
  QTreeWidgetItem* ChildForFolder(QTreeWidgetItem* node, const QString& name);
  void ReadChildren(QTreeWidgetItem* node);
  void RemoveNode(QTreeWidgetItem* node);
  void OnExpanded(QTreeWidgetItem* node);
};

}  // namespace glimr
