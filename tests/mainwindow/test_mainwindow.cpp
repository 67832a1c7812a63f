// The main window's behaviours that break easily: history, the folder tree
// paths, the side panel collapse and close rules, the layout record, titles,
// hints and captions.

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/glimrapplication.h"
#include "browse/folderloader.h"
#include "browse/historylist.h"
#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistview.h"
#include "browse/ui/foldertree.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/appcontext.h"
#include "common/language.h"
#include "common/locks.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/sidepanel.h"
#include "mainwindow/veskactions.h"
#include "mainwindow/vesksplitter.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

// A window over a temporary "Home" (folders a, b, c, d, a/x, .hidden) and a
// temporary "File System" root.
struct TWindowRig {
  QTemporaryDir dir;
  std::unique_ptr<TAppContext> ctx;
  TLocks locks;
  std::unique_ptr<TdmVesk> dm;
  std::unique_ptr<TCatalogQueries> queries;
  std::unique_ptr<TFolderLoader> loader;
  TShownList shown;
  TExtensionTable extensions;
  std::unique_ptr<TfrmVesk> window;

  // fileSystem: the "File System" root, below the rig's folder.
  explicit TWindowRig(const QString& fileSystem = QStringLiteral("root")) {
    for (const char* f : {"home/a/x", "home/b", "home/c", "home/d", "home/.hidden", "root/etc"}) {
      QDir().mkpath(dir.filePath(QString::fromLatin1(f)));
    }
    ctx = std::make_unique<TAppContext>(TAppPaths::ForAppDir(dir.filePath("app")));
    window = std::make_unique<TfrmVesk>(
        *ctx, shown, extensions,
        TFolderTreeRoots{dir.filePath("home"), QDir::cleanPath(dir.filePath(fileSystem))});
    // A catalog of its own, so a chosen folder is really shown.
    dm = std::make_unique<TdmVesk>(dir.filePath("db/"), locks.DbLock);
    queries = std::make_unique<TCatalogQueries>(*dm);
    loader = std::make_unique<TFolderLoader>(*queries, QStringList{QStringLiteral("jpg")});
    shown.SetCatalog(queries.get());
    window->AttachFolderLoader(*loader);
  }
  TFolderTree& Tree() { return *window->FolderTree(); }
  QTreeWidgetItem* Home(const QString& name) {
    QTreeWidgetItem* home = Tree().HomeNode();
    Tree().FillChildren(home);
    for (int i = 0; i < home->childCount(); ++i) {
      if (home->child(i)->text(0) == name) {
        return home->child(i);
      }
    }
    return nullptr;
  }
  QAction* Action(const char* name) { return window->Actions().Get(name); }
  // The list shows a source of this kind (the rig has no catalog to read).
  void ShowSource(TListSource kind, const QString& folder = {},
                  std::vector<TNewEntry> entries = {}) {
    test::ShowGiven(shown, std::move(entries), kind, folder);
  }
  QString Path(const QString& name) { return dir.filePath("home/" + name); }
};

QStringList Entries(const THistoryList& h) {
  QStringList out;
  for (int i = 0; i < h.Count(); ++i) {
    out << h.TextAt(i);
  }
  return out;
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  // "+X" visits X (Add, then Forward when added), "<" Back, ">" Forward.
  void historyVisits_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("canForward");
    QTest::newRow("back twice then a new place drops the forward part")
        << "+A +B +C < < +D" << QStringList{"A", "D"} << 1 << false;
    QTest::newRow("the same place twice is one entry") << "+A +A" << QStringList{"A"} << 0 << false;
    QTest::newRow("back, then the current place again keeps the way ahead")
        << "+A +B < +A" << QStringList{"A", "B"} << 0 << true;
    QTest::newRow("a place may come back further on")
        << "+A +B +A" << QStringList{"A", "B", "A"} << 2 << false;
    QTest::newRow("back at the start does nothing") << "+A < <" << QStringList{"A"} << 0 << false;
  }
  void historyVisits() {
    QFETCH(QString, steps);
    QFETCH(QStringList, entries);
    QFETCH(int, current);
    QFETCH(bool, canForward);
    THistoryList h;
    QCOMPARE(h.CurrentIndex(), -1);
    QVERIFY(h.CurrentNode() == nullptr);
    int nodes[8] = {};
    for (const QString& step : steps.split(' ')) {
      if (step == "<") {
        h.Back();
      } else if (step == ">") {
        h.Forward();
      } else if (h.Add(step.mid(1), &nodes[step.at(1).unicode() - 'A'])) {
        h.Forward();
      }
    }
    QCOMPARE(Entries(h), entries);
    QCOMPARE(h.CurrentIndex(), current);
    QCOMPARE(h.CanForward(), canForward);
    QCOMPARE(h.TextAt(h.Count()), QString());
    QCOMPARE(h.TextAt(-1), QString());
  }

  void historyRemoveNode_data() {
    QTest::addColumn<QString>("entries");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("remaining");
    QTest::addColumn<int>("newCurrent");
    QTest::newRow("the entry after a removed current one becomes current")
        << "XYXZ" << 2 << "YZ" << 1;
    QTest::newRow("neighbouring duplicates collapse") << "YXY" << 2 << "Y" << 0;
    QTest::newRow("everything removed") << "XX" << 1 << "" << -1;
  }
  void historyRemoveNode() {
    QFETCH(QString, entries);
    QFETCH(int, current);
    QFETCH(QString, remaining);
    QFETCH(int, newCurrent);
    int nodes[26] = {};
    THistoryList h;
    // Entries are appended directly (Add would refuse XX in a row).
    for (int i = 0; i < entries.size(); ++i) {
      h.SetIndex(-1);
      h.Add(entries.mid(i, 1), &nodes[entries.at(i).unicode() - 'A']);
    }
    h.SetIndex(current);
    h.RemoveNode(&nodes['X' - 'A']);
    QCOMPARE(Entries(h).join(QString()), remaining);
    QCOMPARE(h.CurrentIndex(), newCurrent);
  }

  void historyThroughTheWindow() {
    TWindowRig rig;
    rig.window->show();
    QVERIFY(!rig.Action("aPrevHistory")->isEnabled());
    for (const char* name : {"a", "b", "c"}) {
      rig.Tree().SelectNode(rig.Home(name));
    }
    rig.Action("aPrevHistory")->trigger();
    QCOMPARE(rig.Action("aPrevHistory")->property("glimrHint").toString(), rig.Path("a"));
    QCOMPARE(rig.Action("aNextHistory")->property("glimrHint").toString(), rig.Path("c"));
    rig.Action("aPrevHistory")->trigger();
    QCOMPARE(rig.Tree().SelectedNode(), rig.Home("a"));
    QVERIFY(!rig.Action("aPrevHistory")->isEnabled());
    QCOMPARE(rig.Action("aPrevHistory")->property("glimrHint").toString(), QString());
    rig.window->NextMenuPopup();
    QCOMPARE(rig.window->NextMenu()->actions().size(), 2);
    QCOMPARE(rig.window->NextMenu()->actions().at(0)->text(), rig.Path("b"));
    rig.Tree().SelectNode(rig.Home("d"));
    QCOMPARE(Entries(rig.window->FolderHistory()), (QStringList{rig.Path("a"), rig.Path("d")}));
    QVERIFY(!rig.Action("aNextHistory")->isEnabled());
    QVERIFY(rig.Action("aUp")->isEnabled());

    // A, D, A: the Back list shows D, then A (most recent first); picking
    // the last item selects A's node.
    rig.Tree().SelectNode(rig.Home("a"));
    rig.window->PrevMenuPopup();
    const QList<QAction*> back = rig.window->PrevMenu()->actions();
    QCOMPARE(back.size(), 2);
    QCOMPARE(back.at(0)->text(), rig.Path("d"));
    QCOMPARE(back.at(1)->text(), rig.Path("a"));
    back.at(0)->trigger();
    QCOMPARE(rig.Tree().SelectedNode(), rig.Home("d"));
    QCOMPARE(rig.window->FolderHistory().Count(), 3);

    rig.Action("aUp")->trigger();
    QCOMPARE(rig.Tree().SelectedNode(), rig.Tree().HomeNode());

    // With a search shown the history actions do nothing.
    rig.ShowSource(TListSource::Search);
    const int index = rig.window->FolderHistory().CurrentIndex();
    rig.window->aPrevHistoryExecute();
    rig.window->aUpExecute();
    rig.window->PrevMenuPopup();
    QCOMPARE(rig.window->FolderHistory().CurrentIndex(), index);
    QCOMPARE(rig.Tree().SelectedNode(), rig.Tree().HomeNode());
    QVERIFY(rig.window->PrevMenu()->actions().isEmpty());
  }

  void selectTreePath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("selected");  // TreeNodePath of the result, "" = none
    QTest::newRow("a folder") << "Computer\\Home\\a\\x"
                              << "Computer\\Home\\a\\x";
    QTest::newRow("missing third segment") << "Computer\\Home\\nosuch"
                                           << "Computer\\Home";
    QTest::newRow("missing deeper segment") << "Computer\\Home\\a\\nosuch\\y"
                                            << "Computer\\Home\\a";
    QTest::newRow("first segment matches no root") << "Desktop\\Home\\a"
                                                   << "";
    QTest::newRow("case matters") << "Computer\\home"
                                  << "Computer";
    QTest::newRow("hidden folders are not in the tree") << "Computer\\Home\\.hidden"
                                                        << "Computer\\Home";
    QTest::newRow("a leaf with path left selects the leaf") << "Computer\\Home\\b\\more"
                                                            << "Computer\\Home\\b";
  }
  void selectTreePath() {
    QFETCH(QString, path);
    QFETCH(QString, selected);
    TWindowRig rig;
    rig.Tree().SelectNode(rig.Home("c"));
    rig.window->SelectTreePath(path);
    QCOMPARE(rig.window->TreeNodePath(rig.Tree().SelectedNode()), selected);
    QCOMPARE(rig.window->CrrSelectionPath(), selected);
  }

  void folderNodes() {
    TWindowRig rig;
    QTreeWidgetItem* root = rig.Tree().RootNode();
    QVERIFY(!TFolderTree::IsFileSystemFolder(root));
    QCOMPARE(TFolderTree::NodeFullPath(rig.Tree().HomeNode()), rig.dir.filePath("home") + "/");
    QCOMPARE(TFolderTree::NodeFullPath(rig.Home("a")), rig.Path("a/"));
    QVERIFY(TFolderTree::IsFileSystemFolder(rig.Home("a")));
    QVERIFY(rig.Home(".hidden") == nullptr);
    QVERIFY(rig.Tree().NavigateToPath(rig.Path("a/x")));
    QCOMPARE(rig.window->CrrSelectionPath(), QStringLiteral("Computer\\Home\\a\\x"));
    QVERIFY(rig.Tree().NavigateToPath(rig.dir.filePath("root/etc")));
    QCOMPARE(rig.window->CrrSelectionPath(), QStringLiteral("Computer\\File System\\etc"));
    QVERIFY(!rig.Tree().NavigateToPath(rig.Path("nosuch")));
  }

  void titleTexts() {
    TWindowRig rig;
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Glimr"));
    rig.Tree().SelectNode(rig.Home("b"));
    QCOMPARE(rig.window->windowTitle(), "Glimr - Catalog: [" + rig.Path("b") + "]");
    rig.Tree().SelectNode(rig.Tree().RootNode());
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Glimr - Catalog: [Computer]"));
    rig.ShowSource(TListSource::Search);
    rig.window->UpdateTitle();
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Glimr - Search"));
    rig.ShowSource(TListSource::Category);
    rig.window->UpdateTitle();
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Glimr"));
    // A click in the folder tree brings the folder back.
    rig.Tree().SelectNode(rig.Home("b"));
    QCOMPARE(rig.window->Lists().ListSource, TListSource::Catalog);
    QCOMPARE(rig.window->windowTitle(), "Glimr - Catalog: [" + rig.Path("b") + "]");
  }

  void closingAPageDecidesTheList() {
    TWindowRig rig;
    rig.Tree().SelectNode(rig.Home("b"));
    // Catalogs closed with the list showing a category: the folder comes back.
    rig.ShowSource(TListSource::Category);
    rig.window->LeftSide().SetActivePage(0);
    rig.window->LeftPageCloseRequested(2);  // Search gone first
    rig.window->LeftPageCloseRequested(1);  // Categories gone: Catalogs stays active
    QCOMPARE(rig.window->Lists().ListSource, TListSource::Catalog);
    QCOMPARE(rig.window->windowTitle(), "Glimr - Catalog: [" + rig.Path("b") + "]");

    // Closing Catalogs with Search left active keeps the list's source.
    TWindowRig rig2;
    rig2.ShowSource(TListSource::Search);
    rig2.window->LeftPageCloseRequested(1);
    rig2.window->LeftPageCloseRequested(0);
    QCOMPARE(rig2.window->LeftSide().ActivePage(), 2);
    QCOMPARE(rig2.window->Lists().ListSource, TListSource::Search);

    // Switching pages by their tabs keeps the folder's list.
    TWindowRig rig3;
    rig3.Tree().SelectNode(rig3.Home("a"));
    rig3.window->LeftSide().Pages()->setCurrentIndex(1);
    QCOMPARE(rig3.window->Lists().ListSource, TListSource::Catalog);
    QCOMPARE(rig3.window->LeftSide().Header()->text().trimmed(), QStringLiteral("Categories"));
  }

  void rightSideAndCommandStrip() {
    TWindowRig rig;
    rig.window->show();
    TSidePanel& right = rig.window->RightSide();
    right.HideButton()->click();
    QVERIFY(!right.IsShown());
    QVERIFY(right.ShowButton()->isEnabled());
    // A press on the strip's "Filters" tab shows that page.
    Q_EMIT right.StripTabs()->tabBarClicked(2);
    QVERIFY(right.IsShown());
    QCOMPARE(right.ActivePage(), 2);
    rig.window->RightPageCloseRequested(2);
    QVERIFY(right.ActivePage() != 2);
    QVERIFY(right.TabVisible(right.ActivePage()));
    QCOMPARE(right.Header()->text(), right.Pages()->tabText(right.ActivePage()));
    QVERIFY(right.IsShown());
  }

  void splitterDoubleClickCollapsesAndGuards() {
    TWindowRig rig;
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    TVeskSplitterHandle* handle = rig.window->UpperSplitter()->Handle(1);
    Q_EMIT handle->doubleClicked();
    QVERIFY(!rig.window->LeftSide().IsShown());
    QVERIFY(handle->GuardArmed());
    rig.window->SetLeftPanelVisible(true);
    // The first drag after the collapse is refused, the next one goes through.
    QVERIFY(!handle->TryMove(300));
    QVERIFY(handle->TryMove(300));
    QTRY_COMPARE(rig.window->LeftSide().Panel()->width(), 300);
  }

  void progStateRoundTrip_data() {
    QTest::addColumn<TProgState>("state");
    QTest::addColumn<bool>("leftShowEnabled");
    TProgState designed;
    QTest::newRow("designed") << designed << true;
    TProgState s;
    s.Left = 40;
    s.Top = 50;
    s.Width = 1100;
    s.Height = 700;
    s.UpHeight = 380;
    s.LeftWidth = 300;
    s.RightWidth = 180;
    s.LeftPanelShown = 0;
    s.LeftTabs = {0, 0, 1};
    s.RightTabs = {1, 0, 1};
    s.LeftPageIndex = 2;
    s.RightPageIndex = 2;
    QTest::newRow("left collapsed with only Search") << s << true;
    TProgState none = s;
    none.LeftTabs = {0, 0, 0};
    none.LeftPageIndex = 0;
    none.RightPanelShown = 0;
    QTest::newRow("left without tabs, right collapsed") << none << false;
  }
  void progStateRoundTrip() {
    QFETCH(TProgState, state);
    QFETCH(bool, leftShowEnabled);
    TWindowRig rig;
    rig.window->RestoreLayout(state);
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QCOMPARE(rig.window->LeftSide().ShowButton()->isEnabled(), leftShowEnabled);
    TProgState back;
    rig.window->CaptureLayout(back);
    QCOMPARE(back.Width, state.Width);
    QCOMPARE(back.Height, state.Height);
    QCOMPARE(back.UpHeight, state.UpHeight);
    QCOMPARE(back.LeftWidth, state.LeftWidth);
    QCOMPARE(back.RightWidth, state.RightWidth);
    QCOMPARE(back.LeftPanelShown, state.LeftPanelShown);
    QCOMPARE(back.RightPanelShown, state.RightPanelShown);
    QCOMPARE(back.LeftTabs, state.LeftTabs);
    QCOMPARE(back.RightTabs, state.RightTabs);
    QCOMPARE(back.RightPageIndex, state.RightPageIndex);
    if (state.LeftTabs != std::array<std::uint8_t, 3>{0, 0, 0}) {
      QCOMPARE(back.LeftPageIndex, state.LeftPageIndex);
    }
    // The record survives its bytes too.
    QCOMPARE(DecodeProgState(EncodeProgState(back)).value(), back);
  }

  void parentEntryOfHomeOpensTheRealParent() {
    TWindowRig rig{QStringLiteral(".")};
    rig.Tree().SelectNode(rig.Tree().HomeNode());
    auto up = std::make_unique<TImageFileInfo>();
    up->FileName = QStringLiteral("..");
    up->IsFolder = true;
    std::vector<TNewEntry> entries;
    entries.push_back({up->FileName, std::move(up)});
    rig.ShowSource(TListSource::Catalog, {}, std::move(entries));
    Q_EMIT rig.window->ListView()->folderActivated(0);
    // Not the virtual "Computer" node: the folder that holds Home.
    QCOMPARE(TFolderTree::NodeFullPath(rig.Tree().SelectedNode()), rig.dir.path() + "/");
  }

  void layoutChangedThenClosedIsKept() {
    TWindowRig rig;
    TProgState state;
    state.Left = 30;
    state.Top = 40;
    state.Width = 1000;
    state.Height = 700;
    rig.window->RestoreLayout(state);
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QVERIFY(rig.window->UpperSplitter()->Handle(1)->TryMove(260));
    QTRY_COMPARE(rig.window->LeftSide().Panel()->width(), 260);
    // The settings are saved after the window has gone from the screen.
    rig.window->close();
    QVERIFY(!rig.window->isVisible());
    TProgState back;
    rig.window->CaptureLayout(back);
    QCOMPARE(back.LeftWidth, 260);
    QCOMPARE(back.LeftPanelShown, std::uint8_t(1));
    // What is saved comes back where it was: no creeping by the frame.
    TWindowRig again;
    again.window->RestoreLayout(back);
    again.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(again.window.get()));
    TProgState twice;
    again.window->CaptureLayout(twice);
    QCOMPARE(QRect(twice.Left, twice.Top, twice.Width, twice.Height),
             QRect(back.Left, back.Top, back.Width, back.Height));
  }

  void damagedLayoutFitsTheScreen() {
    TWindowRig rig;
    TProgState state;
    state.Left = -2000000000;
    state.Top = 2000000000;
    state.Width = 2000000000;
    state.Height = 2000000000;
    state.UpHeight = 2147483647;
    state.LeftWidth = 2147483647;
    state.RightWidth = 2147483647;
    rig.window->RestoreLayout(state);
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(rig.window->geometry()));
    TProgState back;
    rig.window->CaptureLayout(back);
    QVERIFY(back.UpHeight >= 0 && back.UpHeight <= screen.height());
    QVERIFY(back.LeftWidth >= 0 && back.LeftWidth <= screen.width());
    QVERIFY(back.RightWidth >= 0 && back.RightWidth <= screen.width());
  }

  void hintToolTips_data() {
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("tip");
    QTest::newRow("bold") << "Show <B>Catalogs</B> window"
                          << "<qt>Show <B>Catalogs</B> window</qt>";
    QTest::newRow("italic") << "Set <I>one</I> star"
                            << "<qt>Set <I>one</I> star</qt>";
    QTest::newRow("other mark-up is text") << "a <script> & b"
                                           << "<qt>a &lt;script&gt; &amp; b</qt>";
    QTest::newRow("empty") << ""
                           << "";
  }
  void hintToolTips() {
    QFETCH(QString, hint);
    QFETCH(QString, tip);
    QCOMPARE(HintToolTip(hint), tip);
  }

  void actionsAndLanguageSwitch() {
    TWindowRig rig;
    int count = 0;
    TVeskActions::Specs(&count);
    QCOMPARE(count, 55);
    QCOMPARE(rig.window->Actions().All().size(), size_t(55));
    QVERIFY(rig.Action("aVSReport")->isChecked());
    QVERIFY(!rig.Action("aCutToCB")->isEnabled());
    QVERIFY(rig.Action("aOptions")->isEnabled());
    QVERIFY(rig.Action("aVGOpenDir")->isEnabled());
    QCOMPARE(rig.Action("aShowCatalogs")->toolTip(),
             QStringLiteral("<qt>Show <B>Catalogs</B> window</qt>"));
    QCOMPARE(rig.window->LeftSide().Pages()->tabText(0), QStringLiteral("Catalogs       "));

    const QString lang = rig.dir.filePath("de.lng");
    QFile f(lang);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Captions]\n0=Kataloge\n10=Ordner oeffnen...\n[Hints]\n0=Zeige <B>Kataloge</B>\n");
    f.close();
    LoadLanguageFile(lang);
    rig.window->ApplyCaptions();
    QCOMPARE(rig.window->LeftSide().Pages()->tabText(0), QStringLiteral("Kataloge       "));
    QCOMPARE(rig.window->LeftSide().StripTabs()->tabText(0), QStringLiteral("Kataloge"));
    QCOMPARE(rig.window->LeftSide().Header()->text(), QStringLiteral("Kataloge       "));
    QCOMPARE(rig.Action("aShowCatalogs")->text(), QStringLiteral("Kataloge"));
    QCOMPARE(rig.Action("aVGOpenDir")->text(), QStringLiteral("Ordner oeffnen..."));
    QCOMPARE(rig.Action("aShowCatalogs")->toolTip(),
             QStringLiteral("<qt>Zeige <B>Kataloge</B></qt>"));
    LoadLanguageFile(QString());
    rig.window->ApplyCaptions();
    QCOMPARE(rig.Action("aShowCatalogs")->text(), QStringLiteral("Catalogs"));
  }
  // A screen reader names every button of every tool bar, the ones that show
  // only an icon and the tool bar's own overflow button too.
  void everyToolButtonHasAName() {
    QTemporaryDir dir;
    TGlimrApplication app(TGlimrApplication::Options::UnderFolder(
        dir.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin")));
    QVERIFY(app.Start());
    const QList<QToolBar*> bars = app.MainWindow()->findChildren<QToolBar*>();
    QVERIFY(bars.size() >= 4);  // main, files, categories, image board
    QStringList unnamed;
    for (QToolBar* bar : bars) {
      for (QToolButton* button : bar->findChildren<QToolButton*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
        QVERIFY(face);
        if (face->text(QAccessible::Name).trimmed().isEmpty()) {
          unnamed << bar->objectName() + QLatin1Char('/') + button->objectName() +
                         QLatin1Char('/') + button->toolTip();
        }
      }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    QVERIFY(app.Shutdown());
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
