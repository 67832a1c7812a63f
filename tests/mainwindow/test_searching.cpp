// A search in the real program (TGlimrApplication in this process): a folder
// typed into the Search page, a name with a wildcard, Search pressed; the
// list shown must be exactly what the test's own walk of the tree finds with
// its own pattern (std::filesystem and std::regex, none of Glimr's code).
// Then a folder is shown and "Show results" brings the results back.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <regex>
#include <set>

#include "app/commandparts.h"
#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/ui/foldertree.h"
#include "mainwindow/frmvesk.h"
#include "search/ui/frsearch.h"
#include "search/ui/frsearchcatalogs.h"
#include "search/ui/frsearchfiles.h"
#include "search/ui/searchcommands.h"

using namespace glimr;

namespace {

// A tree of folders three deep, with names that do and do not hold "cat" in
// either case, a few non-images, and a link back up (a loop).
void MakeTree(const QString& root) {
  QImage picture(48, 32, QImage::Format_RGB888);
  picture.fill(Qt::darkYellow);
  const QStringList folders{"", "a", "a/b", "a/b/c", "Cats", "zz"};
  const QStringList names{"cat.jpg",     "Concat.png", "dog.jpg",  "CATALOG.jpg",
                          "scatter.gif", "bird.png",   "notes.txt"};
  int n = 0;
  for (const QString& folder : folders) {
    QDir().mkpath(root + "/" + folder);
    for (const QString& name : names) {
      if ((n++ % 3) == 0 && name != "cat.jpg") {
        continue;  // not every name in every folder
      }
      const QString path = root + "/" + folder + "/" + name;
      if (name.endsWith(".txt")) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("cat");
      } else {
        picture.save(path);
      }
    }
  }
  QFile::link(root + "/a", root + "/a/b/c/up");
}

// The test's own answer: image files under root whose name holds "cat" in
// any case, each real file once.
std::set<std::string> Expected(const QString& root) {
  namespace fs = std::filesystem;
  const std::regex image(".*\\.(jpg|png|gif)$", std::regex::icase);
  const std::regex cat(".*cat.*", std::regex::icase);
  std::set<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root.toStdString())) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && std::regex_match(name, image) && std::regex_match(name, cat)) {
      found.insert(fs::canonical(entry.path()).string());
    }
  }
  return found;
}

std::set<std::string> Shown(const TCurrentLists& lists) {
  std::set<std::string> shown;
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    const TImageFileInfo* r = lists.CurrentFiles.At(i);
    if (!r->IsFolder) {
      shown.insert(std::filesystem::canonical(r->FullPath().toStdString()).string());
    }
  }
  return shown;
}

}  // namespace

class TestSearching : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void searchShowsWhatAnIndependentWalkFinds() {
    QTemporaryDir dir;
    const QString tree = dir.filePath(QStringLiteral("tree"));
    MakeTree(tree);
    TGlimrApplication app(TGlimrApplication::Options::UnderFolder(
        dir.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin")));
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    TfrSearch& page = *app.Commands()->Search().Page();

    QTest::keyClicks(page.CatalogsFrame()->FolderEdit(), tree);
    QTest::keyClick(page.CatalogsFrame()->FolderEdit(), Qt::Key_Return);
    QTest::keyClicks(page.FilesFrame()->NameEdit(), QStringLiteral("cat"));
    QVERIFY(page.SearchButton()->isEnabled());
    // From the disk too: the catalog knows nothing of the tree yet.
    page.CatalogsFrame()->OnlyInDatabaseBox()->setChecked(false);
    page.SearchButton()->click();

    const TCurrentLists& lists = app.Lists();
    QCOMPARE(lists.ListSource, TListSource::Search);
    const std::set<std::string> expected = Expected(tree);
    QVERIFY(expected.size() > 5);
    QCOMPARE(Shown(lists), expected);
    QCOMPARE(window.windowTitle(), QStringLiteral("Glimr - Search"));

    // The same search again adds no row twice and finds the same files.
    page.SearchButton()->click();
    QCOMPARE(Shown(lists), expected);
    QCOMPARE(lists.CurrentFiles.Count(), int(expected.size()));

    // Another place shown, then the results again.
    QVERIFY(window.FolderTree()->NavigateToPath(tree + QStringLiteral("/zz")));
    QCOMPARE(lists.ListSource, TListSource::Catalog);
    page.ShowResultsButton()->click();
    QCOMPARE(lists.ListSource, TListSource::Search);
    QCOMPARE(Shown(lists), expected);
    QVERIFY(app.Shutdown());
  }
};

QTEST_MAIN(TestSearching)
#include "test_searching.moc"
