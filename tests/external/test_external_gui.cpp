#include <QAbstractButton>
#include <QAction>
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

#include <functional>

#include "common/errors.h"
#include "common/language.h"
#include "external/desktopapps.h"
#include "external/externalprogs.h"
#include "external/ui/dlginstalledapps.h"
#include "external/ui/externalprogmenus.h"
#include "external/ui/frmeditexternal.h"
#include "external/ui/frmexternalprog.h"

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
