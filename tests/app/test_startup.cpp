#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/frmsplash.h"
#include "app/glimrapplication.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/regstore.h"
#include "mainwindow/frmvesk.h"

using namespace glimr;

namespace {

TGlimrApplication::Options OptionsIn(const QTemporaryDir& dir) {
  TGlimrApplication::Options o;
  o.paths = TAppPaths::ForAppDir(dir.filePath(QStringLiteral("home")));
  o.settingsFile = dir.filePath(QStringLiteral("config/Quillfen/Glimr.reg"));
  o.logFile = dir.filePath(QStringLiteral("glimr.log"));
  return o;
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
    QFile log(options.logFile);
    QVERIFY(log.exists());
    QCOMPARE(log.size(), 0);
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
    QVERIFY(QFile::exists(options.logFile));  // the log is still written
  }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
