#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

#include "browse/shownlist.h"
#include "browse/ui/foldertree.h"
#include "common/errors.h"
#include "common/language.h"
#include "external/desktopapps.h"
#include "external/externalprogs.h"
#include "external/ui/dlginstalledapps.h"
#include "external/ui/externalcommands.h"
#include "external/ui/externalprogmenus.h"
#include "external/ui/frmeditexternal.h"
#include "external/ui/frmexternalprog.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

void WriteScript(const QString& path) {
  Write(path, "#!/bin/sh\nexit 0\n");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Runs act once dialog is shown (it runs modally, so the test cannot act
// after the click that opens it). Checks belong after the click returns.
void WhenShown(QWidget* dialog, std::function<void()> act) {
  auto* poll = new QTimer(dialog);
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, act] {
    if (dialog->isVisible()) {
      poll->stop();
      poll->deleteLater();
      act();
    }
  });
  poll->start();
}

QStringList Rows(const QTreeWidget* list) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* r = list->topLevelItem(i);
    out << r->text(0) + u'|' + r->text(1) + u'|' + r->text(2);
  }
  return out;
}

QStringList Entries(const TExternalProgs& progs) {
  QStringList out;
  for (int i = 0; i < progs.Count(); ++i) {
    const TExternalProg* p = progs.Items(i);
    out << p->Name + u'|' + p->Path + u'|' + p->Parameters;
  }
  return out;
}

void SelectRow(QTreeWidget* list, int row) {
  list->clearSelection();
  list->setCurrentItem(list->topLevelItem(row));
}

// Installed programs and one desktop entry for a viewer, in a temporary
// folder.
struct Scene {
  QTemporaryDir dir;
  QString paint = dir.filePath("bin/paint");
  QString viewer = dir.filePath("bin/viewer");
  TDesktopApps apps;
  Scene() {
    WriteScript(paint);
    WriteScript(viewer);
    Write(dir.filePath("share/applications/viewer.desktop"),
          ("[Desktop Entry]\nType=Application\nName=Quick Viewer\nExec=" + viewer +
           " --single %f\nMimeType=image/png;\n")
              .toUtf8());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("share")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath("none")));
    apps.Scan();
  }
};

// The commands over a shown list, with their two actions and a submenu.
struct Commands {
  TShownList shown;
  TExternalProgs progs;
  QAction addRemove{QStringLiteral("Add/Remove Programs")};
  QAction here{QStringLiteral("Open File Manager Here")};
  QMenu submenu;
  QWidget window;  // goes first, with the commands
  TExternalCommands* commands;

  explicit Commands(TDesktopApps& apps)
      : commands(new TExternalCommands(shown, {&addRemove, &here}, apps, progs, &window)) {
    commands->AddSubmenu(&submenu);
  }
};

// An image record of folder (ending with "/"), or a folder entry.
TNewEntry Entry(const QString& folder, const QString& name, bool selected, bool isFolder = false) {
  auto r = std::make_unique<TImageFileInfo>();
  r->Path = folder;
  r->FileName = name;
  r->IsFolder = isFolder;
  r->Selected = selected;
  return {folder + name, std::move(r)};
}

// Records the URLs the desktop is asked to open.
class TUrlRecorder : public QObject {
  Q_OBJECT

 public:
  TUrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~TUrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> opened;

 public Q_SLOTS:
  void Open(const QUrl& url) { opened.append(url); }
};

}  // namespace

class TestExternalGui : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void managerAddsEditsAndRemovesThroughItsControls() {
    Scene s;
    TExternalProgs progs;
    TExternalProg& old = progs.Add("Old");
    old.Path = "/gone/old";
    old.Parameters = "-o :FullName:";
    TfrmExternalProg frm(s.apps);
    frm.SetProgramPicker([&](QWidget*, const QString&) { return s.paint; });
    frm.LoadRows(progs);
    frm.show();
    QTreeWidget* list = frm.ProgList();
    TfrmEditExternal& ed = frm.Editor();
    QCOMPARE(Rows(list), QStringList{"Old|/gone/old|-o :FullName:"});
    QVERIFY(!frm.EditButton()->isEnabled() && !frm.DeleteButton()->isEnabled());

    // Add: the picked program prefills the editor, the user renames it.
    QStringList prefilled;
    WhenShown(&ed, [&] {
      prefilled = QStringList{ed.NameEdit()->text(), ed.LocationEdit()->text(),
                              ed.ParametersEdit()->text()};
      ed.NameEdit()->setText("Paint");
      QTest::mouseClick(ed.OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(frm.AddButton(), Qt::LeftButton);
    QCOMPARE(prefilled, (QStringList{"paint", s.paint, ":FullName:"}));
    QVERIFY(!ed.CurrentIcon().isNull());
    QCOMPARE(Rows(list),
             (QStringList{"Old|/gone/old|-o :FullName:", "Paint|" + s.paint + "|:FullName:"}));

    // Edit: the row's values reach the editor; Cancel changes nothing, OK
    // takes the editor's values.
    SelectRow(list, 0);
    QVERIFY(frm.EditButton()->isEnabled());
    WhenShown(&ed, [&] {
      prefilled = QStringList{ed.NameEdit()->text(), ed.LocationEdit()->text(),
                              ed.ParametersEdit()->text()};
      ed.NameEdit()->setText("Discarded");
      QTest::mouseClick(ed.CancelButton(), Qt::LeftButton);
    });
    QTest::mouseClick(frm.EditButton(), Qt::LeftButton);
    QCOMPARE(prefilled, (QStringList{"Old", "/gone/old", "-o :FullName:"}));
    QCOMPARE(list->topLevelItem(0)->text(0), "Old");
    WhenShown(&ed, [&] {
      ed.LocationEdit()->setText(s.viewer);
      ed.ParametersEdit()->setText("--fast :FullName:");
      QTest::mouseClick(ed.OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(frm.EditButton(), Qt::LeftButton);
    QCOMPARE(Rows(list).at(0), "Old|" + s.viewer + "|--fast :FullName:");

    // Add an installed application: chosen from the list, confirmed in the
    // editor.
    TdlgInstalledApps& chooser = frm.InstalledApps();
    int offered = -1;
    WhenShown(&chooser, [&] {
      offered = chooser.AppList()->count();
      chooser.AppList()->setCurrentRow(0);
      WhenShown(&ed, [&] { QTest::mouseClick(ed.OkButton(), Qt::LeftButton); });
      QTest::mouseClick(chooser.OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(frm.AddInstalledButton(), Qt::LeftButton);
    QCOMPARE(offered, 1);
    QCOMPARE(Rows(list).at(2), "Quick Viewer|" + s.viewer + "|--single :FullName:");

    // Delete the selected rows; the list keeps the others in order.
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    QTest::mouseClick(frm.DeleteButton(), Qt::LeftButton);
    QCOMPARE(Rows(list), QStringList{"Paint|" + s.paint + "|:FullName:"});
    frm.StoreRows(progs);
    QCOMPARE(Entries(progs), QStringList{"Paint|" + s.paint + "|:FullName:"});

    QTest::mouseClick(frm.ClearButton(), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!frm.ClearButton()->isEnabled());
  }

  void managerChangesTheListOnlyOnOk() {
    Scene s;
    TExternalProgs progs;
    progs.Add("A").Path = s.paint;
    progs.Add("B").Path = s.viewer;
    TfrmExternalProg frm(s.apps);
    for (const bool ok : {false, true}) {
      WhenShown(&frm, [&] {
        SelectRow(frm.ProgList(), 0);
        QTest::mouseClick(frm.DeleteButton(), Qt::LeftButton);
        QTest::mouseClick(ok ? frm.OkButton() : frm.CancelButton(), Qt::LeftButton);
      });
      QCOMPARE(frm.Execute(progs), ok);
      QCOMPARE(Entries(progs).size(), ok ? 1 : 2);
    }
    QCOMPARE(Entries(progs), QStringList{"B|" + s.viewer + "|"});
  }

  void editorRefusesWhatCannotRun() {
    Scene s;
    ErrorRecorder errors;
    TfrmEditExternal ed(s.apps);
    const QString plain = s.dir.filePath("notes.txt");
    Write(plain, "text");
    QString picked = plain;
    ed.SetProgramPicker([&](QWidget*, const QString&) { return picked; });
    ed.SetEntry("Keep", "", "-k", {});
    QVERIFY(!ed.OkButton()->isEnabled());

    // A file that is no program changes nothing.
    QTest::mouseClick(ed.BrowseButton(), Qt::LeftButton);
    QCOMPARE(errors.messages().size(), 1);
    QVERIFY2(errors.messages().at(0).contains(plain), qPrintable(errors.messages().at(0)));
    QCOMPARE(ed.LocationEdit()->text(), QString());

    // A program installed with a desktop entry takes that entry's name.
    picked = s.viewer;
    QTest::mouseClick(ed.BrowseButton(), Qt::LeftButton);
    QCOMPARE(ed.LocationEdit()->text(), s.viewer);
    QCOMPARE(ed.NameEdit()->text(), "Quick Viewer");
    QCOMPARE(ed.ParametersEdit()->text(), ":FullName:");
    QVERIFY(ed.OkButton()->isEnabled());

    // An entry left without a name is named after its program file.
    ed.NameEdit()->setText("  ");
    QSignalSpy accepted(&ed, &QDialog::accepted);
    ed.show();
    QTest::mouseClick(ed.OkButton(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(ed.EntryName(), "viewer");
  }

  void submenusFollowTheList() {
    Scene s;
    TExternalProgs progs;
    progs.Add("Paint").Path = s.paint;
    progs.Add("Viewer").Path = s.viewer;
    QAction addRemove("Add/Remove Programs");
    QMenu edit;
    QMenu popup;
    edit.addAction("left over");
    edit.addSeparator();
    TExternalProgMenus menus(progs, s.apps);
    QSignalSpy launch(&menus, &TExternalProgMenus::LaunchRequested);
    menus.AddSubmenu(&edit, &addRemove);
    menus.AddSubmenu(&popup, &addRemove);
    menus.Rebuild();
    for (QMenu* m : {&edit, &popup}) {
      const QList<QAction*> items = m->actions();
      QCOMPARE(items.size(), 4);
      QCOMPARE(items[0]->text(), "Paint");
      QCOMPARE(items[1]->text(), "Viewer");
      QVERIFY(!items[0]->icon().isNull());
      QVERIFY(items[2]->isSeparator());
      QCOMPARE(items[3], &addRemove);
    }
    QCOMPARE(progs.Items(1)->ImageIndex, 1);
    popup.actions().at(1)->trigger();
    QCOMPARE(launch.count(), 1);
    QCOMPARE(launch.at(0).at(0).toInt(), 1);

    // An empty list leaves only "Add/Remove Programs".
    progs.Clear();
    menus.Rebuild();
    QCOMPARE(edit.actions(), QList<QAction*>{&addRemove});
    QCOMPARE(popup.actions(), QList<QAction*>{&addRemove});
  }

  // The program list is read at start-up and written at exit. A file that
  // cannot be read is reported and left as it is at exit, unless the user
  // changed the list in the manager meanwhile.
  void programListReadAndWritten_data() {
    QTest::addColumn<QByteArray>("content");  // "" for no file, "big" for one too large
    QTest::addColumn<bool>("readable");
    QTest::newRow("list") << QByteArray("[External Editor 0]\nName=Paint\nPath=PAINT\n") << true;
    QTest::newRow("no file yet") << QByteArray() << true;
    QTest::newRow("too large to read") << QByteArray("big") << false;
  }
  void programListReadAndWritten() {
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    Scene s;
    ErrorRecorder errors;
    const QString path = s.dir.filePath("eprogs.dat");
    if (content == "big") {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      QVERIFY(f.resize(17 * 1024 * 1024));
    } else if (!content.isEmpty()) {
      Write(path, content.replace("PAINT", s.paint.toUtf8()));
    }
    const qint64 sizeBefore = QFileInfo(path).size();
    Commands c(s.apps);
    c.commands->Load(path);
    QCOMPARE(errors.messages().size(), readable ? 0 : 1);
    QCOMPARE(c.submenu.actions().size(), c.progs.Count() > 0 ? c.progs.Count() + 2 : 1);

    QVERIFY(c.commands->Save());
    QCOMPARE(QFileInfo::exists(path), readable || sizeBefore > 0);
    if (!readable) {
      QCOMPARE(QFileInfo(path).size(), sizeBefore);
    }
    TExternalProgs back;
    QCOMPARE(back.LoadFromFile(path), readable);
    QCOMPARE(Entries(back), readable ? Entries(c.progs) : QStringList());

    // A change in the manager is written at exit, over whatever was there.
    WhenShown(&c.commands->Manager(),
              [&] { QTest::mouseClick(c.commands->Manager().OkButton(), Qt::LeftButton); });
    c.progs.Add(QStringLiteral("Viewer")).Path = s.viewer;
    c.addRemove.trigger();
    QCOMPARE(c.submenu.actions().size(), c.progs.Count() + 2);
    QVERIFY(c.commands->Save());
    QVERIFY(back.LoadFromFile(path));
    QCOMPARE(Entries(back), Entries(c.progs));
    QCOMPARE(Entries(back).last(), "Viewer|" + s.viewer + "|");
  }

  // A program's item starts it once for every selected image of the shown
  // list (folders left out); a program that is gone says so and starts
  // nothing.
  void programStartsOnTheSelectedImages_data() {
    QTest::addColumn<bool>("programThere");
    QTest::newRow("program there") << true;
    QTest::newRow("program gone") << false;
  }
  void programStartsOnTheSelectedImages() {
    QFETCH(bool, programThere);
    Scene s;
    ErrorRecorder errors;
    const QString log = s.dir.filePath("started.txt");
    const QString program = s.dir.filePath("bin/note");
    Write(program, ("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log + "'\n").toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString list = s.dir.filePath("eprogs.dat");
    Write(list,
          ("[External Editor 0]\nName=Note\nPath=" +
           (programThere ? program : s.dir.filePath("bin/gone")) + "\nParameters=:FullName:\n")
              .toUtf8());
    Commands c(s.apps);
    c.commands->Load(list);
    const QString folder = s.dir.path() + QStringLiteral("/pics/");
    std::vector<TNewEntry> entries;
    entries.push_back(Entry(folder, QStringLiteral("a b.jpg"), true));
    entries.push_back(Entry(folder, QStringLiteral("c.jpg"), false));
    entries.push_back(Entry(folder, QStringLiteral("d.jpg"), true));
    entries.push_back(Entry(folder, QStringLiteral("sub"), true, true));
    test::ShowGiven(c.shown, std::move(entries), TListSource::Catalog, folder);
    for (int i = 0; i < c.shown.Current().Count(); ++i) {
      const QString name = c.shown.Current().At(i)->FileName;
      c.shown.Current().At(i)->Selected = name != QStringLiteral("c.jpg");
    }
    QCOMPARE(c.submenu.actions().first()->text(), QStringLiteral("Note"));
    c.submenu.actions().first()->trigger();
    if (programThere) {
      const QStringList expected{folder + "a b.jpg", folder + "d.jpg"};
      QTRY_COMPARE_WITH_TIMEOUT(
          [&] {
            QFile f(log);
            f.open(QIODevice::ReadOnly);
            QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
            lines.sort();
            return lines;
          }(),
          expected, 10000);
      QVERIFY(errors.messages().isEmpty());
    } else {
      QCOMPARE(errors.messages().size(), 1);
      QVERIFY2(errors.messages().at(0).startsWith(QStringLiteral("LaunchExternalProg: ")),
               qPrintable(errors.messages().at(0)));
      QVERIFY(!QFileInfo::exists(log));
    }
  }

  // "Open File Manager Here" opens the folder the list shows, only while it
  // shows a folder that exists; with a folder tree, the folder chosen in it,
  // and nothing while the virtual "Computer" node is chosen.
  void fileManagerHere_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("shownFolder");
    QTest::addColumn<QString>("treeNode");  // "-" no tree, "" the "Computer" node
    QTest::addColumn<QString>("opened");
    const int folder = int(TListSource::Catalog);
    QTest::newRow("shown folder") << folder << "a/"
                                  << "-"
                                  << "a/";
    QTest::newRow("search results") << int(TListSource::Search) << "a/"
                                    << "-"
                                    << "";
    QTest::newRow("category") << int(TListSource::Category) << "a/"
                              << "-"
                              << "";
    QTest::newRow("folder gone") << folder << "gone/"
                                 << "-"
                                 << "";
    QTest::newRow("chosen in the tree") << folder << "a/"
                                        << "b"
                                        << "b/";
    QTest::newRow("Computer chosen") << folder << "a/"
                                     << ""
                                     << "";
  }
  void fileManagerHere() {
    QFETCH(int, source);
    QFETCH(QString, shownFolder);
    QFETCH(QString, treeNode);
    QFETCH(QString, opened);
    Scene s;
    ErrorRecorder errors;
    const QString home = s.dir.filePath("home");
    for (const char* name : {"a", "b"}) {
      QDir().mkpath(home + '/' + name);
    }
    QDir().mkpath(s.dir.filePath("root"));
    const auto path = [&](const QString& f) { return home + '/' + f; };
    Commands c(s.apps);
    test::ShowGiven(c.shown, {}, TListSource(source), path(shownFolder));
    TFolderTree tree(nullptr, home, s.dir.filePath("root"));
    if (treeNode != QStringLiteral("-")) {
      if (treeNode.isEmpty()) {
        tree.SelectNode(tree.RootNode());
      } else {
        QVERIFY(tree.NavigateToPath(path(treeNode)));
      }
      c.commands->SetFolderTree(&tree);
    }
    TUrlRecorder urls;
    QVERIFY(c.here.isEnabled());
    c.here.trigger();
    QCOMPARE(urls.opened,
             opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl::fromLocalFile(path(opened))});
    QVERIFY(errors.messages().isEmpty());
  }

  void captionsFollowTheLanguage() {
    Scene s;
    TfrmExternalProg frm(s.apps);
    QCOMPARE(frm.AddButton()->text(), "Add...");
    QCOMPARE(frm.windowTitle(), "Image editors configuration");
    QCOMPARE(frm.Editor().windowTitle(), "Image editor configuration");
    const QString lang = s.dir.filePath("test.lng");
    Write(lang, "[Captions]\n226=Neu...\n216=Editor\n235=Installiert...\n");
    LoadLanguageFile(lang);
    frm.ApplyCaptions();
    LoadLanguageFile(QString());
    QCOMPARE(frm.AddButton()->text(), "Neu...");
    QCOMPARE(frm.AddInstalledButton()->text(), "Installiert...");
    QCOMPARE(frm.Editor().windowTitle(), "Editor");
  }

  void everyControlHasAName() {
    Scene s;
    TfrmExternalProg frm(s.apps);
    for (QWidget* window : {static_cast<QWidget*>(&frm), static_cast<QWidget*>(&frm.Editor()),
                            static_cast<QWidget*>(&frm.InstalledApps())}) {
      QStringList unnamed;
      for (QWidget* w : window->findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const bool control =
            button || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w);
        if (!control || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) {
          continue;
        }
        // A label's buddy is named by the label.
        bool labelled = false;
        for (const QLabel* l : window->findChildren<QLabel*>()) {
          labelled = labelled || (l->buddy() == w && !l->text().isEmpty());
        }
        const bool named = !w->accessibleName().isEmpty() || labelled ||
                           (button && !button->text().isEmpty() && button->text() != "..." &&
                            button->text() != "?");
        if (!named) {
          unnamed << w->objectName();
        }
      }
      QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    }
  }

  void screenshot() {
    const QString shot = qEnvironmentVariable("GLIMR_EXTERNAL_SCREENSHOT");
    if (shot.isEmpty()) {
      QSKIP("set GLIMR_EXTERNAL_SCREENSHOT to a file name to take it");
    }
    // The machine's own image applications give the icons.
    TDesktopApps apps;
    apps.Scan({"/usr/share/applications"}, "C");
    TExternalProgs progs;
    TExternalProg& a = progs.Add("ImageMagick Display");
    a.Path = "/usr/bin/display";
    a.Parameters = "-nostdin :FullName:";
    TExternalProg& b = progs.Add("Convert to PNG");
    b.Path = "/usr/bin/convert";
    b.Parameters = ":FullName: \":FilePath::FileWithoutExt:.png\"";
    TfrmExternalProg frm(apps);
    frm.LoadRows(progs);
    frm.ProgList()->setColumnWidth(0, 180);
    frm.ProgList()->setColumnWidth(2, 240);
    frm.resize(790, 300);
    SelectRow(frm.ProgList(), 0);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QVERIFY(frm.grab().save(shot));
  }
};

QTEST_MAIN(TestExternalGui)
#include "test_external_gui.moc"
