// The keyboard shortcuts in the running program: a rating key rates the
// focused image; the same keys and Delete typed into a text field reach the
// field and leave the images and files alone.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/ui/filelistview.h"
#include "common/language.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"

using namespace glimr;

class TestShortcuts : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void shortcutsAndTextFields() {
    QTemporaryDir dir;
    const QString photos = dir.path() + QStringLiteral("/photos");
    QDir().mkpath(photos);
    QImage picture(48, 32, QImage::Format_RGB888);
    picture.fill(Qt::darkYellow);
    QVERIFY(picture.save(photos + QStringLiteral("/a.jpg")));
    TGlimrApplication::Options o = TGlimrApplication::Options::UnderFolder(
        dir.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin"));
    o.open.Folder = photos;
    o.open.Files = QStringList{photos + QStringLiteral("/a.jpg")};
    TGlimrApplication app(o);
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const TCurrentLists& lists = app.Lists();
    TImageFileInfo* a = lists.LoadedFiles.Find(photos + QStringLiteral("/a.jpg"));
    QVERIFY(a && a->Selected);

    QCOMPARE(window.Actions().Get("aFileDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(window.Actions().Get("aFileRename")->shortcut(), QKeySequence(Qt::Key_F2));

    window.ListView()->ActiveView()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(a->Rating, 2);

    auto* caption = window.findChild<QLineEdit*>(QStringLiteral("edCaption"));
    QVERIFY(caption);
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("Dusk"));
    QTest::keyClick(caption, Qt::Key_5, Qt::ControlModifier);
    QTest::keyClick(caption, Qt::Key_Delete);
    QTest::keyClick(caption, Qt::Key_Home);
    QTest::keyClick(caption, Qt::Key_Delete);
    QCOMPARE(a->Rating, 2);
    QVERIFY(QFile::exists(photos + QStringLiteral("/a.jpg")));
    QCOMPARE(caption->text(), QStringLiteral("usk"));

    // A language file moves a shortcut; a key name it gets wrong keeps the default.
    const QString german = dir.path() + QStringLiteral("/keys.lng");
    QFile file(german);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Options]\nLangDesc=Keys\n[Captions]\n293=Shift+Del\n294=Strg+F2\n");
    file.close();
    LoadLanguageFile(german);
    app.Context().Captions.ApplyLanguage();
    QCOMPARE(window.Actions().Get("aFileDelete")->shortcut(),
             QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    QCOMPARE(window.Actions().Get("aFileRename")->shortcut(), QKeySequence(Qt::Key_F2));
    LoadLanguageFile(QString());
    app.Context().Captions.ApplyLanguage();
    QCOMPARE(window.Actions().Get("aFileDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    QVERIFY(app.Shutdown());
  }
};

QTEST_MAIN(TestShortcuts)
#include "test_shortcuts.moc"
