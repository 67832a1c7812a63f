#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/appcontext.h"
#include "common/apppaths.h"

using namespace glimr;

class TestAppContext : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void easeTable() {
    const TEaseTable t = MakeEaseTable();
    QCOMPARE(t[0], 1.0);
    QCOMPARE(t[19], 0.0);
    for (std::size_t k = 0; k < t.size(); ++k) {
      const double expected = double((19 - k) * (19 - k)) / 361.0;
      QVERIFY2(std::abs(t[k] - expected) < 1e-15, qPrintable(QString::number(k)));
      if (k > 0) {
        QVERIFY(t[k] < t[k - 1]);
      }
    }
  }

  void pathsBelowAppDir() {
    const TAppPaths p = TAppPaths::ForAppDir(QStringLiteral("/opt/glimr"));
    QCOMPARE(p.AppDir, QStringLiteral("/opt/glimr/"));
    QCOMPARE(p.DatabaseDir, QStringLiteral("/opt/glimr/DataBase/"));
    QCOMPARE(p.ExternalProgsFile, QStringLiteral("/opt/glimr/eprogs.dat"));
    QCOMPARE(p.DefaultLanguagesPath, QStringLiteral("/opt/glimr/Languages/"));
    QCOMPARE(p.DefaultPluginsPath, QStringLiteral("/opt/glimr/Plugins/"));
    QCOMPARE(p.ProgramDir, QStringLiteral("/opt/glimr/"));
  }

  void glimrHomeOverridesAppDir() {
    QTemporaryDir dir;
    const QByteArray old = qgetenv("GLIMR_HOME");
    qputenv("GLIMR_HOME", QFile::encodeName(dir.path()));
    const TAppPaths p = TAppPaths::FromEnvironment();
    if (old.isEmpty()) {
      qunsetenv("GLIMR_HOME");
    } else {
      qputenv("GLIMR_HOME", old);
    }
    const QString exeDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QCOMPARE(p.AppDir, dir.path() + QLatin1Char('/'));
    QCOMPARE(p.DatabaseDir, dir.path() + QStringLiteral("/DataBase/"));
    QCOMPARE(p.DefaultLanguagesPath, dir.path() + QStringLiteral("/Languages/"));
    // The shipped plug-ins lie beside the program, wherever the data is.
    QCOMPARE(p.ProgramDir, exeDir);
    QCOMPARE(p.DefaultPluginsPath, ShippedPluginsDir(exeDir));
  }

  void dataDirChoice_data() {
    QTest::addColumn<QString>("glimrHome");
    QTest::addColumn<bool>("portable");
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<QString>("expected");
    QTest::newRow("GLIMR_HOME wins") << "/data/g" << true << "/x"
                                     << "/data/g/";
    QTest::newRow("portable install") << "" << true << "/x"
                                      << "/opt/glimr/";
    QTest::newRow("XDG_DATA_HOME") << "" << false << "/x"
                                   << "/x/glimr/";
    QTest::newRow("no XDG_DATA_HOME") << "" << false << ""
                                      << "/home/ann/.local/share/glimr/";
    QTest::newRow("relative XDG_DATA_HOME is ignored") << "" << false << "rel"
                                                       << "/home/ann/.local/share/glimr/";
  }
  void dataDirChoice() {
    QFETCH(QString, glimrHome);
    QFETCH(bool, portable);
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, expected);
    TDataDirInputs in;
    in.GlimrHome = glimrHome;
    in.ProgramDir = QStringLiteral("/opt/glimr/");
    in.XdgDataHome = xdgDataHome;
    in.Home = QStringLiteral("/home/ann");
    in.ProgramHasWritableDatabase = portable;
    QCOMPARE(ChooseDataDir(in), expected);
  }

  // A build or portable folder has Plugins/ and Languages/ beside the
  // executable; an install has them in lib/ and share/.
  void shippedFolders() {
    QTemporaryDir dir;
    const QString bin = dir.path() + QStringLiteral("/bin/");
    QDir().mkpath(bin);
    QDir().mkpath(dir.path() + QStringLiteral("/lib/glimr/plugins"));
    QDir().mkpath(dir.path() + QStringLiteral("/share/glimr/languages"));
    QCOMPARE(ShippedPluginsDir(bin), dir.path() + QStringLiteral("/lib/glimr/plugins/"));
    QCOMPARE(ShippedLanguagesDir(bin), dir.path() + QStringLiteral("/share/glimr/languages/"));
    QDir().mkpath(bin + QStringLiteral("Plugins"));
    QDir().mkpath(bin + QStringLiteral("Languages"));
    QCOMPARE(ShippedPluginsDir(bin), bin + QStringLiteral("Plugins/"));
    QCOMPARE(ShippedLanguagesDir(bin), bin + QStringLiteral("Languages/"));
  }

  void dataAndProgramFolders() {
    const TAppPaths p =
        TAppPaths::ForFolders(QStringLiteral("/home/ann/glimr-data"), QStringLiteral("/opt/glimr"));
    QCOMPARE(p.AppDir, QStringLiteral("/home/ann/glimr-data/"));
    QCOMPARE(p.DatabaseDir, QStringLiteral("/home/ann/glimr-data/DataBase/"));
    QCOMPARE(p.ExternalProgsFile, QStringLiteral("/home/ann/glimr-data/eprogs.dat"));
    QCOMPARE(p.DefaultLanguagesPath, QStringLiteral("/home/ann/glimr-data/Languages/"));
    QCOMPARE(p.ProgramDir, QStringLiteral("/opt/glimr/"));
    QCOMPARE(p.DefaultPluginsPath, QStringLiteral("/opt/glimr/Plugins/"));
  }

  void logFile_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("expected");
    // Without lines the older log is left as it was.
    QTest::newRow("empty") << QStringList() << QByteArray("an older and much longer log file\r\n");
    QTest::newRow("one") << QStringList{QStringLiteral("GetDibBits: x")}
                         << QByteArray("GetDibBits: x");
    QTest::newRow("two") << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                         << QByteArray("a\r\nb");
  }
  void logFile() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(kLogFileName);
    // An old, longer log must be replaced, not partly overwritten.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older and much longer log file\r\n");
    old.close();
    QVERIFY(WriteLogFile(lines, path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), expected);
  }

  // An exit without log lines writes nothing, so a folder the program cannot
  // write to (a launcher's current folder) gives no error and no file.
  void emptyLogWritesNoFile_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("writable folder") << QStringLiteral("glimr.log");
    QTest::newRow("missing folder") << QStringLiteral("no/such/glimr.log");
  }
  void emptyLogWritesNoFile() {
    QFETCH(QString, relativePath);
    QTemporaryDir dir;
    QString error;
    QVERIFY(WriteLogFile({}, dir.filePath(relativePath), &error));
    QVERIFY(error.isEmpty());
    QVERIFY(QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                .isEmpty());
  }

  void logFileInUnwritablePlaceFails() {
    QTemporaryDir dir;
    // A regular file where the folder should be: refused even for root.
    QFile blocker(dir.filePath(QStringLiteral("no")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    QVERIFY(!WriteLogFile({QStringLiteral("line")}, dir.filePath(QStringLiteral("no/glimr.log")),
                          &error));
    QVERIFY(!error.isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestAppContext)
#include "test_appcontext.moc"
