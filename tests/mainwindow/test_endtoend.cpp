// Starts the real program on a temporary home with a settings file that
// remembers a folder of real images, waits for the thumbnails to reach the
// catalog, checks the title, ends the program with SIGTERM (as a desktop
// session does at logout) and checks what it left behind.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/inifile.h"
#include "common/regstore.h"
#include "common/settings.h"

using namespace glimr;

namespace {

constexpr int kImages = 6;

int Count(TdmVesk& dm, const QString& sql, int catalog) {
  std::lock_guard guard(dm.DbLock());
  TStatement st(dm.CurrentSession(), sql);
  if (catalog > 0) {
    st.BindInt(":CatalogID", catalog);
  }
  return st.Step() ? st.Row().Int(0) : 0;
}

// Rows with a stored thumbnail and a measured size (read only: the program
// may be writing at the same time).
int ThumbRows(const QString& databaseDir) {
  std::mutex lock;
  TdmVesk dm(databaseDir, lock);
  return Count(dm,
               QStringLiteral("SELECT COUNT(*) FROM FILES WHERE ISTHUMB AND length(THUMB) > 0 "
                              "AND WIDTH > 0;"),
               0);
}

// Count of FILES rows of the folder, and of those with a stored thumbnail.
std::pair<int, int> CatalogRows(const QString& databaseDir, const QString& folder) {
  std::mutex lock;
  TdmVesk dm(databaseDir, lock);
  TCatalogQueries queries(dm);
  const int catalog = queries.CatalogIDOfPath(folder);
  return {Count(dm, QStringLiteral("SELECT COUNT(*) FROM FILES WHERE CATALOGID = :CatalogID;"),
                catalog),
          Count(dm,
                QStringLiteral("SELECT COUNT(*) FROM FILES WHERE CATALOGID = :CatalogID AND "
                               "ISTHUMB AND length(THUMB) > 0 AND WIDTH > 0;"),
                catalog)};
}

// The folder tree's path of a folder below "/".
QString TreePath(const QString& folder) {
  return QStringLiteral("Computer\\File System\\") +
         QDir::cleanPath(folder).mid(1).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

// Settings that remember a folder, as a previous session would leave them.
bool SeedSettings(const QString& config, const QString& folder) {
  RegStore store(config + "/Quillfen/Glimr.reg");
  store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), 1);
  store.WriteString(kMainKey, QStringLiteral("CrrSelection"), TreePath(folder));
  return store.Save();
}

// Starts build/bin/glimr on the given home and configuration folders.
bool StartGlimr(QProcess& glimr, const QString& workDir, const QString& home,
                const QString& config) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("GLIMR_HOME", home);
  env.insert("XDG_CONFIG_HOME", config);
  env.insert("QT_LOGGING_RULES", "glimr.mainwindow.debug=true");
  glimr.setProcessEnvironment(env);
  glimr.setWorkingDirectory(workDir);
  glimr.setProcessChannelMode(QProcess::MergedChannels);
  glimr.start(QStringLiteral(GLIMR_BINARY_DIR "/bin/glimr"), {});
  return glimr.waitForStarted();
}

}  // namespace

class TestEndToEnd : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void remembersTheFolderAndWritesEverythingBackOnSigterm() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString home = dir.filePath("home");
    const QString config = dir.filePath("config");
    const QString pics = dir.filePath("pics") + "/";
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(pics + "sub"));
    // No Plugins folder in the data folder: the shipped ones beside the
    // program are found all the same.
    for (int i = 0; i < kImages; ++i) {
      QImage img(320 + 16 * i, 240, QImage::Format_RGB32);
      img.fill(QColor::fromHsv(i * 50, 200, 220));
      QPainter(&img).drawEllipse(20, 20, 100, 100);
      QVERIFY(img.save(pics + QStringLiteral("image%1.%2").arg(i).arg(i % 2 ? "png" : "jpg")));
    }
    QVERIFY(SeedSettings(config, pics));

    QProcess glimr;
    QVERIFY2(StartGlimr(glimr, dir.path(), home, config), qPrintable(glimr.errorString()));

    const QString databaseDir = home + "/DataBase/";
    QString output;
    bool thumbs = false;
    for (int tries = 0; tries < 300 && !thumbs && glimr.state() == QProcess::Running; ++tries) {
      QTest::qWait(100);
      output += QString::fromUtf8(glimr.readAll());
      if (QFile::exists(databaseDir + "catalog.sqlite")) {
        thumbs = ThumbRows(databaseDir) == kImages;
      }
    }
    QVERIFY2(thumbs, qPrintable(output));
    output += QString::fromUtf8(glimr.readAll());
    const QString title = "title: \"Glimr - Catalog: [" + pics.chopped(1) + "]\"";
    QVERIFY2(output.contains(title), qPrintable(output));

    glimr.terminate();  // SIGTERM
    QVERIFY(glimr.waitForFinished(30000));
    QCOMPARE(glimr.exitStatus(), QProcess::NormalExit);
    QCOMPARE(glimr.exitCode(), 0);

    QCOMPARE(CatalogRows(databaseDir, pics), std::make_pair(kImages, kImages));
    QVERIFY(!QFile::exists(dir.filePath("glimr.log")));  // nothing was logged
    RegStore back(config + "/Quillfen/Glimr.reg");
    QVERIFY(back.Load());
    QCOMPARE(back.ReadString(kMainKey, QStringLiteral("CrrSelection")).value_or(QString()),
             TreePath(pics));
    QVERIFY(back.ReadBinary(kMainKey, QStringLiteral("ProgState")).has_value());
    // The shipped plug-ins were registered at the first run, once each.
    QCOMPARE(back.SubKeys(kPluginsKey).size(),
             QDir(QStringLiteral(GLIMR_PLUGIN_DIR))
                 .entryList({QStringLiteral("glimr_*.so")}, QDir::Files)
                 .size());
  }
  // The program list outlives a run of the real program: an entry whose
  // parameters are longer than a line may hold is written back at the exit,
  // cut to 2047 characters, beside the entry after it.
  void longExternalProgramEntrySurvivesTheExit() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString home = dir.filePath("home");
    const QString config = dir.filePath("config");
    const QString pics = dir.filePath("pics") + "/";
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(pics));
    QVERIFY(SeedSettings(config, pics));
    const QByteArray parameters = "--batch " + QByteArray(3000, 'p') + " :FullName:";
    {
      QFile f(home + "/eprogs.dat");
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("[External Editor 0]\nName=Long\nPath=/usr/bin/long\nParameters=" + parameters +
              "\n[External Editor 1]\nName=Next\nPath=/usr/bin/next\nParameters=:FullName:\n");
    }

    QProcess glimr;
    QVERIFY2(StartGlimr(glimr, dir.path(), home, config), qPrintable(glimr.errorString()));
    const QString title = "title: \"Glimr - Catalog: [" + pics.chopped(1) + "]\"";
    QString output;
    for (int tries = 0; tries < 300 && !output.contains(title); ++tries) {
      QTest::qWait(100);
      output += QString::fromUtf8(glimr.readAll());
    }
    QVERIFY2(output.contains(title), qPrintable(output));
    glimr.terminate();
    QVERIFY(glimr.waitForFinished(30000));
    QCOMPARE(glimr.exitCode(), 0);

    const std::optional<TIniFile> back = TIniFile::Load(home + "/eprogs.dat");
    QVERIFY(back);
    const QString first = QStringLiteral("External Editor 0");
    QCOMPARE(back->ReadString(first, "Name"), QStringLiteral("Long"));
    QCOMPARE(back->ReadString(first, "Parameters"), QString::fromLatin1(parameters.left(2047)));
    QCOMPARE(back->ReadString(QStringLiteral("External Editor 1"), "Name"), QStringLiteral("Next"));
  }

  // A catalog file that is not a database: the folder load reports it in a
  // message box, SIGTERM still ends the program (closing the box first), and
  // the damaged file is left exactly as it was.
  void damagedCatalogIsReportedAndLeftAlone() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString home = dir.filePath("home");
    const QString config = dir.filePath("config");
    const QString pics = dir.filePath("pics") + "/";
    QVERIFY(QDir().mkpath(home + "/DataBase"));
    QVERIFY(QDir().mkpath(pics));
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QVERIFY(img.save(pics + "one.jpg"));
    QByteArray garbage(8192, '\0');
    for (int i = 0; i < garbage.size(); ++i) {
      garbage[i] = static_cast<char>((i * 7919) ^ (i >> 3));
    }
    const QString database = home + "/DataBase/catalog.sqlite";
    {
      QFile f(database);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(garbage);
    }
    QVERIFY(SeedSettings(config, pics));

    QProcess glimr;
    QVERIFY2(StartGlimr(glimr, dir.path(), home, config), qPrintable(glimr.errorString()));
    QString output;
    for (int tries = 0; tries < 300 && !output.contains("OnChange: file is not a database");
         ++tries) {
      QTest::qWait(100);
      output += QString::fromUtf8(glimr.readAll());
    }
    QVERIFY2(output.contains("veskTreeFolders.OnChange: file is not a database"),
             qPrintable(output));
    QTest::qWait(300);  // the box is open now

    glimr.terminate();
    QVERIFY2(glimr.waitForFinished(30000), "SIGTERM did not end the program under a message box");
    QCOMPARE(glimr.exitCode(), 0);
    QFile f(database);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), garbage);
    QVERIFY(QFile::exists(config + "/Quillfen/Glimr.reg"));
  }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
