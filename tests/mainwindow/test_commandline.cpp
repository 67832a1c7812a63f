// The command line: its parsing, the folder and files it opens in the
// running program, the first start's pictures folder, and --help and
// --version answered by the program without a display.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/commandline.h"
#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/ui/filelistview.h"
#include "mainwindow/frmvesk.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TCommandLine)

class TestCommandLine : public QObject {
  Q_OBJECT

  static TGlimrApplication::Options OptionsIn(const QString& root) {
    return TGlimrApplication::Options::UnderFolder(root, QStringLiteral(GLIMR_BINARY_DIR "/bin"));
  }

  static bool MakePictures(const QString& folder, const QStringList& names) {
    QDir().mkpath(folder);
    for (const QString& name : names) {
      QImage picture(48, 32, QImage::Format_RGB888);
      picture.fill(Qt::darkCyan);
      if (!picture.save(folder + QLatin1Char('/') + name)) {
        return false;
      }
    }
    return true;
  }

 private Q_SLOTS:
  void parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("nothing") << QStringList() << false << false << false << QStringList();
    QTest::newRow("help") << QStringList{"--help"} << true << false << false << QStringList();
    QTest::newRow("-h") << QStringList{"-h"} << true << false << false << QStringList();
    QTest::newRow("version") << QStringList{"--version"} << false << true << false << QStringList();
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "a.jpg"} << false << false
                                    << true << QStringList{"/cwd/a.jpg"};
    QTest::newRow("relative and absolute")
        << QStringList{"a.jpg", "../b.png", "/p/c.jpg"} << false << false << false
        << QStringList{"/cwd/a.jpg", "/b.png", "/p/c.jpg"};
    QTest::newRow("a name starting with a dash after --")
        << QStringList{"--", "-odd.jpg"} << false << false << false << QStringList{"/cwd/-odd.jpg"};
    QTest::newRow("file address") << QStringList{"file:///p/with%20blank.jpg"} << false << false
                                  << false << QStringList{"/p/with blank.jpg"};
  }
  void parse() {
    QFETCH(QStringList, args);
    QFETCH(bool, help);
    QFETCH(bool, version);
    QFETCH(bool, error);
    QFETCH(QStringList, paths);
    const TCommandLine line = ParseCommandLine(args, QStringLiteral("/cwd"));
    QCOMPARE(line.Help, help);
    QCOMPARE(line.Version, version);
    QCOMPARE(!line.Error.isEmpty(), error);
    QCOMPARE(line.Paths, paths);
  }

  void resolve() {
    const auto isFolder = [](const QString& p) { return !p.contains(QLatin1Char('.')); };
    TOpenRequest r = ResolveOpenRequest({"/p/a.jpg", "/q/b.jpg", "/p/c.jpg", "/p/a.jpg"}, isFolder);
    QCOMPARE(r.Folder, QStringLiteral("/p"));
    QCOMPARE(r.Files, (QStringList{"/p/a.jpg", "/p/c.jpg"}));  // other folders left out
    r = ResolveOpenRequest({"/p/photos"}, isFolder);
    QCOMPARE(r.Folder, QStringLiteral("/p/photos"));
    QVERIFY(r.Files.isEmpty());
    QVERIFY(ResolveOpenRequest({}, isFolder).Folder.isEmpty());
  }

  // "glimr b.jpg c.jpg" opens their folder with both selected, b.jpg focused.
  void opensFolderWithFilesSelected() {
    QTemporaryDir dir;
    const QString photos = dir.path() + QStringLiteral("/photos");
    QVERIFY(MakePictures(photos, {"a.jpg", "b.jpg", "c.jpg"}));
    TGlimrApplication::Options o = OptionsIn(dir.path());
    o.open = ResolveOpenRequest({photos + "/b.jpg", photos + "/c.jpg"},
                                [](const QString& p) { return QFileInfo(p).isDir(); });
    TGlimrApplication app(o);
    QVERIFY(app.Start());
    const TCurrentLists& lists = app.Lists();
    QCOMPARE(lists.CurrentFolder, photos + QLatin1Char('/'));
    QStringList selected;
    for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
      if (lists.CurrentFiles.At(i)->Selected) {
        selected << lists.CurrentFiles.At(i)->FileName;
      }
    }
    selected.sort();
    QCOMPARE(selected, (QStringList{"b.jpg", "c.jpg"}));
    const int focused = app.MainWindow()->ListView()->FocusedRow();
    QVERIFY(focused >= 0);
    QCOMPARE(lists.CurrentFiles.At(focused)->FileName, QStringLiteral("b.jpg"));
    QVERIFY(app.Shutdown());
  }

  // The very first start shows the pictures folder; a later start shows
  // the remembered folder instead.
  void firstStartShowsPictures() {
    QTemporaryDir dir;
    const QString pictures = dir.path() + QStringLiteral("/Pictures");
    QVERIFY(MakePictures(pictures, {"x.jpg"}));
    TGlimrApplication::Options o = OptionsIn(dir.path());
    o.firstStartFolder = pictures;
    {
      TGlimrApplication app(o);
      QVERIFY(app.Start());
      QCOMPARE(app.Lists().CurrentFolder, pictures + QLatin1Char('/'));
      QVERIFY(app.Shutdown());
    }
    QDir().mkpath(dir.path() + QStringLiteral("/other"));
    o.firstStartFolder = dir.path() + QStringLiteral("/other");
    TGlimrApplication app(o);
    QVERIFY(app.Start());
    QCOMPARE(app.Lists().CurrentFolder, pictures + QLatin1Char('/'));  // remembered
    QVERIFY(app.Shutdown());
  }

  // A second start on the same data folder hands its folder to the
  // running Glimr, which shows it, and leaves with success.
  void secondStartHandsOver() {
    QTemporaryDir dir;
    const QString first = dir.path() + QStringLiteral("/first");
    const QString second = dir.path() + QStringLiteral("/second");
    QVERIFY(MakePictures(first, {"a.jpg"}));
    QVERIFY(MakePictures(second, {"b.jpg", "c.jpg"}));
    TGlimrApplication::Options o = OptionsIn(dir.path());
    o.open.Folder = first;
    TGlimrApplication app(o);
    QVERIFY(app.Start());
    QCOMPARE(app.Lists().CurrentFolder, first + QLatin1Char('/'));

    QProcess glimr;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GLIMR_HOME"), o.paths.AppDir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
    glimr.setProcessEnvironment(env);
    glimr.setProcessChannelMode(QProcess::MergedChannels);
    glimr.start(QStringLiteral(GLIMR_BINARY_DIR "/bin/glimr"), {second + QStringLiteral("/c.jpg")});
    QVERIFY(glimr.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(glimr.state() == QProcess::NotRunning, 20000);
    QVERIFY2(glimr.exitCode() == 0, glimr.readAll().constData());
    QTRY_COMPARE(app.Lists().CurrentFolder, second + QLatin1Char('/'));
    const TImageFileInfo* c = app.Lists().LoadedFiles.Find(second + QStringLiteral("/c.jpg"));
    QVERIFY(c && c->Selected);
    QVERIFY(app.Shutdown());
  }

  // A folder handed over while the program runs is shown even when the
  // tree read its parent before the folder existed, or does not list it
  // (hidden), and not its parent; its files come selected.
  void handedFolderNotYetInTree_data() {
    QTest::addColumn<QString>("folder");  // under the test's folder
    QTest::newRow("created after its parent was read") << QStringLiteral("later");
    QTest::newRow("two levels created since") << QStringLiteral("later/deeper");
    QTest::newRow("hidden folder") << QStringLiteral(".hidden");
  }
  void handedFolderNotYetInTree() {
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString first = dir.path() + QStringLiteral("/first");
    QVERIFY(MakePictures(first, {"a.jpg"}));
    TGlimrApplication::Options o = OptionsIn(dir.path());
    o.open.Folder = first;
    TGlimrApplication app(o);
    QVERIFY(app.Start());
    QCOMPARE(app.Lists().CurrentFolder, first + QLatin1Char('/'));

    const QString handed = dir.path() + QLatin1Char('/') + folder;
    QVERIFY(MakePictures(handed, {"x.jpg", "y.jpg"}));
    app.MainWindow()->OpenFolderSelecting(handed, {handed + QStringLiteral("/y.jpg")});
    QCOMPARE(app.Lists().CurrentFolder, handed + QLatin1Char('/'));
    const TImageFileInfo* y = app.Lists().LoadedFiles.Find(handed + QStringLiteral("/y.jpg"));
    QVERIFY(y && y->Selected);
    const int focused = app.MainWindow()->ListView()->FocusedRow();
    QVERIFY(focused >= 0);
    QCOMPARE(app.Lists().CurrentFiles.At(focused)->FileName, QStringLiteral("y.jpg"));

    // A folder that is not there leaves the shown one as it is.
    app.MainWindow()->OpenFolderSelecting(dir.path() + QStringLiteral("/nosuch"));
    QCOMPARE(app.Lists().CurrentFolder, handed + QLatin1Char('/'));
    QVERIFY(app.Shutdown());
  }

  void answersWithoutDisplay() {
    for (const char* arg : {"--help", "--version"}) {
      QProcess glimr;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.remove(QStringLiteral("DISPLAY"));
      env.remove(QStringLiteral("WAYLAND_DISPLAY"));
      env.remove(QStringLiteral("QT_QPA_PLATFORM"));
      glimr.setProcessEnvironment(env);
      glimr.start(QStringLiteral(GLIMR_BINARY_DIR "/bin/glimr"), {QLatin1String(arg)});
      QVERIFY(glimr.waitForFinished(10000));
      QCOMPARE(glimr.exitCode(), 0);
      const QString out = QString::fromUtf8(glimr.readAllStandardOutput());
      QVERIFY2(out.startsWith(QLatin1String(arg[2] == 'h' ? "Usage: glimr" : "Glimr ")),
               qPrintable(out));
    }
  }
};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
