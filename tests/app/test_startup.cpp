#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <cstdio>

#include "app/frmsplash.h"
#include "app/glimrapplication.h"
#include "browse/ui/foldertree.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/regstore.h"
#include "mainwindow/frmvesk.h"

using namespace glimr;

namespace {

TGlimrApplication::Options OptionsIn(const QTemporaryDir& dir) {
  return TGlimrApplication::Options::UnderFolder(dir.path(),
                                                 QStringLiteral(GLIMR_BINARY_DIR "/bin"));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  void firstRunShowsSixStatusTextsAndWritesAtExit() {
    QTemporaryDir dir;
    const TGlimrApplication::Options options = OptionsIn(dir);
    TGlimrApplication app(options);
    QStringList statuses;
    bool splashVisible = true;
    app.SetStatusObserver([&](const QString& text) {
      statuses << text;
      splashVisible = splashVisible && app.Splash() && app.Splash()->isVisible() &&
                      app.Splash()->StatusText() == text;
    });
    app.Start();
    QCOMPARE(
        statuses,
        QStringList(
            {QStringLiteral("Reading configuration..."), QStringLiteral("Program initializing..."),
             QStringLiteral("Loading plugins..."), QStringLiteral("Initializing graphics..."),
             QStringLiteral("Making cash..."), QStringLiteral("Loading resurces...")}));
    QVERIFY(splashVisible);
    QVERIFY(app.Splash() == nullptr);
    QVERIFY(app.MainWindow()->isVisible());
    QCOMPARE(app.MainWindow()->windowTitle(), QStringLiteral("Glimr"));
    QCOMPARE(app.Context().Settings.ThumbQuality, 2);
    QCOMPARE(app.Context().Settings.LanguagesPath, options.paths.AppDir + "Languages/");

    QVERIFY(app.Shutdown());
    QVERIFY(!QFile::exists(options.logFile));  // nothing to say, no file
    RegStore back(options.settingsFile);
    QVERIFY(back.Load());
    QVERIFY(back.ValueExists(kMainKey, QStringLiteral("ProgState")));
    QVERIFY(back.ValueExists(kMainKey, QStringLiteral("CashSize")));
    QVERIFY(back.ValueExists(kMainKey, QStringLiteral("LanguageFile")));
    QVERIFY(back.KeyExists(kHistoryKey));
  }

  void splashLoadsTheStoredLanguage() {
    QTemporaryDir dir;
    const TGlimrApplication::Options options = OptionsIn(dir);
    const QString langDir = dir.filePath(QStringLiteral("lang/"));
    WriteFile(langDir + "de.lng",
              "[Captions]\r\n107=Version (de):\r\n[Strings]\r\n0=Einstellungen lesen...\r\n");
    {
      RegStore store(options.settingsFile);
      store.WriteString(kMainKey, QStringLiteral("LanguagesPath"), langDir);
      store.WriteString(kMainKey, QStringLiteral("LanguageFile"), QStringLiteral("de.lng"));
      QVERIFY(store.Save());
    }
    TGlimrApplication app(options);
    QStringList statuses;
    QString caption;
    app.SetStatusObserver([&](const QString& text) {
      statuses << text;
      if (app.Splash()) {
        caption = app.Splash()->VersionCaption();
      }
    });
    app.Start();
    QCOMPARE(caption, QStringLiteral("Version (de):"));
    QCOMPARE(statuses.size(), 6);
    QCOMPARE(statuses[0], QStringLiteral("Einstellungen lesen..."));
    QCOMPARE(statuses[1], QStringLiteral("Program initializing..."));
    QVERIFY(app.Shutdown());
  }

  void failingStepAndUnwritableSettingsAreReported() {
    QTemporaryDir dir;
    TGlimrApplication::Options options = OptionsIn(dir);
    // A folder that cannot be created, even by root: its parent is a file.
    WriteFile(dir.filePath(QStringLiteral("plainfile")), "x");
    options.settingsFile = dir.filePath(QStringLiteral("plainfile/Glimr.reg"));
    ErrorRecorder errors;
    TGlimrApplication app(options);
    QVERIFY(app.CreationSteps().Extend(QStringLiteral("LoadPlugins"),
                                       [] { throw GlimrError(QStringLiteral("boom")); }));
    app.Start();
    QVERIFY(app.MainWindow()->isVisible());
    QCOMPARE(errors.messages(), QStringList{QStringLiteral("LoadPlugins: boom")});
    QVERIFY(!app.Shutdown());
    QCOMPARE(errors.messages().size(), 2);
    QVERIFY(errors.messages()[1].startsWith(QStringLiteral("Unable to write to ")));
    QVERIFY(!QFile::exists(options.logFile));
  }

  // The program ends with _exit when it leaves a stuck loader behind; so does
  // this scenario, in a child process of its own, so the threads it leaves
  // never meet this process's exit (static destructors, the GL driver's).
  void loaderStuckInADecodeDoesNotHoldTheExit() {
    if (qEnvironmentVariableIsEmpty("GLIMR_STUCK_LOADER_CHILD")) {
      QProcess child;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("GLIMR_STUCK_LOADER_CHILD"), QStringLiteral("1"));
      child.setProcessEnvironment(env);
      child.setProcessChannelMode(QProcess::ForwardedChannels);
      child.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("loaderStuckInADecodeDoesNotHoldTheExit")});
      QVERIFY(child.waitForFinished(120000));
      QCOMPARE(child.exitStatus(), QProcess::NormalExit);
      QCOMPARE(child.exitCode(), 0);
      return;
    }
    const auto end = qScopeGuard([] {
      std::fflush(stdout);
      std::fflush(stderr);
      _exit(QTest::currentTestFailed() ? 1 : 0);
    });
    QTemporaryDir dir;
    TGlimrApplication::Options options = OptionsIn(dir);
    options.loaderGrace = std::chrono::milliseconds(200);
    const QString photos = dir.filePath(QStringLiteral("photos"));
    QDir().mkpath(photos);
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(photos + QStringLiteral("/a.jpg")));
    // Left to the process's end when its loader is abandoned, as the program
    // does: the stuck thread still waits on its locks.
    auto* app = new TGlimrApplication(options);
    QVERIFY(app->Start());
    // A decode that never ends: the loader waits for the decode lock for ever.
    std::mutex& decodeLock = app->Context().Locks.DecodeLock;
    decodeLock.lock();
    QVERIFY(app->MainWindow()->FolderTree()->NavigateToPath(photos));
    // The loader takes the queued file and waits for the lock; nothing shows
    // that it has got there, so give it ample time.
    QTest::qWait(500);
    QVERIFY(app->Shutdown());
    QVERIFY(app->ThreadsLeftRunning());
    RegStore back(options.settingsFile);
    QVERIFY(back.Load());
    QVERIFY(back.ValueExists(kMainKey, QStringLiteral("ProgState")));
  }

  void withoutPlugInsItSaysSoOnce() {
    QTemporaryDir dir;
    TGlimrApplication::Options options = OptionsIn(dir);
    options.paths = TAppPaths::ForFolders(dir.filePath(QStringLiteral("home")),
                                          dir.filePath(QStringLiteral("bare")));
    ErrorRecorder errors;
    TGlimrApplication app(options);
    QVERIFY(app.Start());
    QCOMPARE(errors.messages().size(), 1);
    QVERIFY2(errors.messages()[0].startsWith(QStringLiteral("No image plug-in")),
             qPrintable(errors.messages()[0]));
    QVERIFY(app.Shutdown());
  }

  void secondProcessOnTheDataFolderLeavesItAlone() {
    QTemporaryDir dir;
    const TGlimrApplication::Options options = OptionsIn(dir);
    TGlimrApplication first(options);
    QVERIFY(first.Start());
    const QString catalog = options.paths.DatabaseDir + QStringLiteral("catalog.sqlite");
    const QDateTime catalogTime = QFileInfo(catalog).lastModified();
    {
      ErrorRecorder errors;
      TGlimrApplication second(options);
      QVERIFY(!second.Start());
      QVERIFY(second.MainWindow() == nullptr);
      QCOMPARE(errors.messages().size(), 1);
      QVERIFY2(errors.messages()[0].contains(QStringLiteral("already running")),
               qPrintable(errors.messages()[0]));
    }
    QCOMPARE(QFileInfo(catalog).lastModified(), catalogTime);
    QVERIFY(first.Shutdown());
    // Once the first has gone, the data folder is free again.
    TGlimrApplication third(options);
    QVERIFY(third.Start());
    QVERIFY(third.Shutdown());
  }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
