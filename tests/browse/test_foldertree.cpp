#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "browse/ui/foldertree.h"

using namespace glimr;

namespace {

// A small disk under a temporary folder: "File System" is <tmp>/fs and
// "Home" is <tmp>/fs/home/ann.
struct TDisk {
  QTemporaryDir Tmp;

  TDisk() {
    for (const char* dir :
         {"fs/home/ann/Pictures", "fs/home/ann/Keep", "fs/home/ann/Old", "fs/home/ann/.hidden/deep",
          "fs/data/a/deep", "fs/data/b", "elsewhere"}) {
      QDir().mkpath(Path(QString::fromLatin1(dir)));
    }
    QFile file(Path(QStringLiteral("fs/data/file.txt")));
    file.open(QIODevice::WriteOnly);
  }
  QString Path(const QString& relative) const { return Tmp.path() + QLatin1Char('/') + relative; }
  QString Fs(const QString& relative = {}) const { return Path(QStringLiteral("fs/") + relative); }
  QString Home() const { return Fs(QStringLiteral("home/ann")); }
};

QStringList ChildTexts(const QTreeWidgetItem* node) {
  QStringList out;
  for (int i = 0; node && i < node->childCount(); ++i) {
    out << node->child(i)->text(0);
  }
  return out;
}

QString Selected(const TFolderTree& tree) {
  return TFolderTree::TreeNodePath(tree.SelectedNode());
}

void Reexpand(QTreeWidgetItem* node) {
  node->setExpanded(false);
  node->setExpanded(true);
}

}  // namespace

class TestFolderTree : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void navigateToPath_data();
  void navigateToPath();
  void reexpandRereadsFolder();
  void vanishedSelectedFolder_data();
  void vanishedSelectedFolder();
  void navigateToChild_data();
  void navigateToChild();
  void navigateToParent_data();
  void navigateToParent();
  void parentOfRootAndVirtualNode();
};

void TestFolderTree::navigateToPath_data() {
  QTest::addColumn<QString>("createLater");  // made after the tree read its parent
  QTest::addColumn<QString>("path");         // below "File System"
  QTest::addColumn<QString>("selected");     // "" when the navigation fails

  QTest::newRow("under home") << ""
                              << "home/ann/Pictures"
                              << "Computer\\Home\\Pictures";
  QTest::newRow("home itself") << ""
                               << "home/ann"
                               << "Computer\\Home";
  QTest::newRow("outside home") << ""
                                << "data/a"
                                << "Computer\\File System\\data\\a";
  QTest::newRow("above home") << ""
                              << "home"
                              << "Computer\\File System\\home";
  QTest::newRow("root") << ""
                        << ""
                        << "Computer\\File System";
  QTest::newRow("unclean path") << ""
                                << "data/a/..//b/"
                                << "Computer\\File System\\data\\b";
  QTest::newRow("hidden folder") << ""
                                 << "home/ann/.hidden"
                                 << "Computer\\Home\\.hidden";
  QTest::newRow("inside a hidden folder") << ""
                                          << "home/ann/.hidden/deep"
                                          << "Computer\\Home\\.hidden\\deep";
  QTest::newRow("created after its parent was read") << "home/ann/New"
                                                     << "home/ann/New"
                                                     << "Computer\\Home\\New";
  QTest::newRow("below a folder created later") << "data/later/inner"
                                                << "data/later/inner"
                                                << "Computer\\File System\\data\\later\\inner";
  QTest::newRow("missing folder") << ""
                                  << "data/nothing"
                                  << "";
  QTest::newRow("a file") << ""
                          << "data/file.txt"
                          << "";
  QTest::newRow("outside both roots") << ""
                                      << "../elsewhere"
                                      << "";
}

void TestFolderTree::navigateToPath() {
  QFETCH(QString, createLater);
  QFETCH(QString, path);
  QFETCH(QString, selected);
  TDisk disk;
  QVERIFY(disk.Tmp.isValid());
  TFolderTree tree(nullptr, disk.Home(), disk.Fs());
  // Read every level the way the user would have seen it so far.
  QVERIFY(tree.NavigateToPath(disk.Fs(QStringLiteral("data/a"))));
  QVERIFY(tree.NavigateToPath(disk.Home() + QStringLiteral("/Pictures")));
  const QString before = Selected(tree);
  if (!createLater.isEmpty()) {
    QVERIFY(QDir().mkpath(disk.Fs(createLater)));
  }

  const bool ok = tree.NavigateToPath(disk.Fs(path));
  QCOMPARE(ok, !selected.isEmpty());
  QCOMPARE(Selected(tree), ok ? selected : before);
  if (ok) {
    // The node knows its folder, and a node made later sits in name order.
    QCOMPARE(QDir(TFolderTree::NodeFullPath(tree.SelectedNode())).canonicalPath(),
             QDir(disk.Fs(path)).canonicalPath());
    QVERIFY(TFolderTree::NodeFullPath(tree.SelectedNode()).endsWith(QLatin1Char('/')));
    QTreeWidgetItem* parent = tree.SelectedNode()->parent();
    const QStringList siblings = ChildTexts(parent);
    if (TFolderTree::IsFileSystemFolder(parent)) {
      QStringList sorted = siblings;
      std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
      });
      QCOMPARE(siblings, sorted);
    }
    // Going there again finds the same node instead of making a second one.
    QTreeWidgetItem* node = tree.SelectedNode();
    QVERIFY(tree.NavigateToPath(disk.Fs(path)));
    QCOMPARE(tree.SelectedNode(), node);
    QCOMPARE(siblings.count(node->text(0)), 1);
  }
}

void TestFolderTree::reexpandRereadsFolder() {
  TDisk disk;
  TFolderTree tree(nullptr, disk.Home(), disk.Fs());
  QTreeWidgetItem* home = tree.HomeNode();
  home->setExpanded(true);
  QCOMPARE(ChildTexts(home), (QStringList{"Keep", "Old", "Pictures"}));
  QVERIFY(tree.NavigateToPath(disk.Home() + QStringLiteral("/.hidden")));
  QVERIFY(tree.NavigateToPath(disk.Home() + QStringLiteral("/Keep")));
  QTreeWidgetItem* keep = tree.SelectedNode();
  QTreeWidgetItem* old = home->child(2);
  QCOMPARE(old->text(0), QStringLiteral("Old"));
  QSignalSpy removing(&tree, &TFolderTree::nodeRemoving);
  QSignalSpy changed(&tree, &QTreeWidget::currentItemChanged);

  QVERIFY(QDir().mkpath(disk.Home() + QStringLiteral("/new")));
  QVERIFY(QDir().mkpath(disk.Home() + QStringLiteral("/.later")));  // hidden: no node
  QVERIFY(QDir(disk.Home() + QStringLiteral("/Old")).removeRecursively());
  Reexpand(home);

  QCOMPARE(ChildTexts(home), (QStringList{".hidden", "Keep", "new", "Pictures"}));
  QCOMPARE(removing.count(), 1);
  QCOMPARE(removing.first().at(0).value<QTreeWidgetItem*>(), old);
  // The nodes that stayed are the same nodes, and the selection did not move.
  QCOMPARE(tree.SelectedNode(), keep);
  QCOMPARE(changed.count(), 0);
  QCOMPARE(TFolderTree::NodeFullPath(home->child(2)), disk.Home() + QStringLiteral("/new/"));
}

void TestFolderTree::vanishedSelectedFolder_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("parent expanded again") << "parent";
  QTest::newRow("vanished node expanded again") << "node";
  QTest::newRow("selected node refreshed") << "refresh";
  QTest::newRow("vanished node selected again") << "select";
}

void TestFolderTree::vanishedSelectedFolder() {
  QFETCH(QString, how);
  TDisk disk;
  TFolderTree tree(nullptr, disk.Home(), disk.Fs());
  QVERIFY(tree.NavigateToPath(disk.Fs(QStringLiteral("data/a/deep"))));
  QTreeWidgetItem* deep = tree.SelectedNode();
  QTreeWidgetItem* a = deep->parent();
  QTreeWidgetItem* data = a->parent();
  if (how == QLatin1String("select")) {
    // The node is kept (as a history entry would) while the user is
    // elsewhere and its branch is folded away.
    tree.SelectNode(tree.HomeNode());
    data->setExpanded(false);
  }
  QSignalSpy removing(&tree, &TFolderTree::nodeRemoving);
  QVERIFY(QDir(disk.Fs(QStringLiteral("data/a"))).removeRecursively());

  if (how == QLatin1String("parent")) {
    Reexpand(data);
  } else if (how == QLatin1String("node")) {
    Reexpand(a);
    // The node cannot go inside its own expansion; it goes right after.
    QTRY_COMPARE(removing.count(), 2);
  } else if (how == QLatin1String("refresh")) {
    QCOMPARE(tree.RefreshNode(deep), data);
  } else {
    // Unfolding "data" on the way drops the node being selected.
    tree.SelectNode(deep);
  }

  QCOMPARE(ChildTexts(data), QStringList{"b"});
  QCOMPARE(tree.SelectedNode(), data);
  QCOMPARE(removing.count(), 2);  // the deepest first
  QCOMPARE(removing.at(0).at(0).value<QTreeWidgetItem*>(), deep);
  QCOMPARE(removing.at(1).at(0).value<QTreeWidgetItem*>(), a);
  QVERIFY(!tree.NavigateToPath(disk.Fs(QStringLiteral("data/a"))));
  QCOMPARE(tree.SelectedNode(), data);
}

void TestFolderTree::navigateToChild_data() {
  QTest::addColumn<QString>("start");  // a tree path, read before the disk changes
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("selected");  // "" when there is no such folder

  QTest::newRow("listed") << "Computer\\Home"
                          << "Pictures"
                          << "Computer\\Home\\Pictures";
  QTest::newRow("created since") << "Computer\\Home"
                                 << "New"
                                 << "Computer\\Home\\New";
  QTest::newRow("hidden") << "Computer\\Home"
                          << ".hidden"
                          << "Computer\\Home\\.hidden";
  // The home folder seen through "File System" stays in that branch.
  QTest::newRow("in the file system branch") << "Computer\\File System\\home\\ann"
                                             << "New"
                                             << "Computer\\File System\\home\\ann\\New";
  QTest::newRow("vanished since") << "Computer\\Home"
                                  << "Old"
                                  << "";
  QTest::newRow("a file") << "Computer\\File System\\data"
                          << "file.txt"
                          << "";
  QTest::newRow("not a single name") << "Computer\\File System\\data"
                                     << "a/deep"
                                     << "";
  QTest::newRow("dot dot") << "Computer\\File System\\data"
                           << ".."
                           << "";
}

void TestFolderTree::navigateToChild() {
  QFETCH(QString, start);
  QFETCH(QString, name);
  QFETCH(QString, selected);
  TDisk disk;
  TFolderTree tree(nullptr, disk.Home(), disk.Fs());
  tree.SelectTreePath(start);
  QCOMPARE(Selected(tree), start);
  QTreeWidgetItem* node = tree.SelectedNode();
  node->setExpanded(true);
  QVERIFY(QDir().mkpath(disk.Home() + QStringLiteral("/New")));
  QVERIFY(QDir(disk.Home() + QStringLiteral("/Old")).removeRecursively());

  QCOMPARE(tree.NavigateToChild(node, name), !selected.isEmpty());
  QCOMPARE(Selected(tree), selected.isEmpty() ? start : selected);
  QCOMPARE(ChildTexts(node).contains(name), !selected.isEmpty());
}

void TestFolderTree::navigateToParent_data() {
  QTest::addColumn<QString>("start");  // a tree path
  QTest::addColumn<QString>("parentFolder");
  QTest::addColumn<QString>("selected");

  QTest::newRow("home") << "Computer\\Home"
                        << "home/"
                        << "Computer\\File System\\home";
  QTest::newRow("under home") << "Computer\\Home\\Pictures"
                              << "home/ann/"
                              << "Computer\\Home";
  QTest::newRow("under file system") << "Computer\\File System\\data\\a"
                                     << "data/"
                                     << "Computer\\File System\\data";
  QTest::newRow("home's folder reached through file system") << "Computer\\File System\\home\\ann"
                                                             << "home/"
                                                             << "Computer\\File System\\home";
  QTest::newRow("hidden folder") << "Computer\\Home\\.hidden\\deep"
                                 << "home/ann/.hidden/"
                                 << "Computer\\Home\\.hidden";
}

void TestFolderTree::navigateToParent() {
  QFETCH(QString, start);
  QFETCH(QString, parentFolder);
  QFETCH(QString, selected);
  TDisk disk;
  TFolderTree tree(nullptr, disk.Home(), disk.Fs());
  if (start.contains(QLatin1String(".hidden"))) {
    // A hidden folder has a node only once it was navigated to.
    QVERIFY(tree.NavigateToPath(disk.Home() + QStringLiteral("/.hidden/deep")));
  }
  tree.SelectTreePath(start);
  QCOMPARE(Selected(tree), start);
  QTreeWidgetItem* node = tree.SelectedNode();

  QCOMPARE(QDir(TFolderTree::ParentFolderPath(node)).canonicalPath(),
           QDir(disk.Fs(parentFolder)).canonicalPath());
  QVERIFY(TFolderTree::ParentFolderPath(node).endsWith(QLatin1Char('/')));
  QVERIFY(tree.NavigateToParent(node));
  QCOMPARE(Selected(tree), selected);
}

void TestFolderTree::parentOfRootAndVirtualNode() {
  TDisk disk;
  TFolderTree tree(nullptr, disk.Home(), QStringLiteral("/"));
  QCOMPARE(TFolderTree::ParentFolderPath(tree.FileSystemNode()), QString());
  QCOMPARE(TFolderTree::ParentFolderPath(tree.RootNode()), QString());
  QCOMPARE(TFolderTree::ParentFolderPath(nullptr), QString());
  tree.SelectNode(tree.FileSystemNode());
  QVERIFY(!tree.NavigateToParent(tree.FileSystemNode()));
  QVERIFY(!tree.NavigateToParent(tree.RootNode()));
  QCOMPARE(tree.SelectedNode(), tree.FileSystemNode());

  // A "File System" rooted in a folder: its parent lies outside the tree.
  TFolderTree inner(nullptr, disk.Home(), disk.Fs());
  inner.SelectNode(inner.FileSystemNode());
  QVERIFY(!inner.NavigateToParent(inner.FileSystemNode()));
  QCOMPARE(inner.SelectedNode(), inner.FileSystemNode());
}

QTEST_MAIN(TestFolderTree)
#include "test_foldertree.moc"
