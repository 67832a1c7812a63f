// An installed Glimr: "cmake --install" into a temporary prefix, then the
// installed program started as "glimr FOLDER" with a fresh home and no
// GLIMR_HOME, on a folder with one image of every format the shipped
// plug-ins read. Its catalog must land under ~/.local/share/glimr/ with a
// row and a stored thumbnail for every image, and the desktop entry must
// pass desktop-file-validate.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>

class TestInstall : public QObject {
  Q_OBJECT

  // FILENAME -> whether the row holds a stored thumbnail.
  static QMap<QString, bool> CatalogRows(const QString& database) {
    QMap<QString, bool> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(db, 2000);
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT FILENAME, ISTHUMB AND length(THUMB) > 0 FROM FILES", -1,
                             &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
          rows.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                      sqlite3_column_int(st, 1) != 0);
        }
      }
      sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
  }

 private Q_SLOTS:
  void installedProgramRuns() {
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/prefix");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(GLIMR_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(GLIMR_BINARY_DIR),
                   QStringLiteral("--prefix"), prefix});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    for (const char* file :
         {"/bin/glimr", "/lib/glimr/plugins/glimr_jpeg.so", "/share/applications/glimr.desktop",
          "/share/icons/hicolor/scalable/apps/glimr.svg",
          "/share/icons/hicolor/48x48/apps/glimr.png"}) {
      QVERIFY2(QFile::exists(prefix + QLatin1String(file)), file);
    }

    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty()) {
      QWARN("desktop-file-validate is not installed; the entry was not validated");
    } else {
      QProcess check;
      check.setProcessChannelMode(QProcess::MergedChannels);
      check.start(validate, {prefix + QStringLiteral("/share/applications/glimr.desktop")});
      QVERIFY(check.waitForFinished(30000));
      QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }

    // One image of every shipped format.
    const QString photos = dir.path() + QStringLiteral("/photos/");
    QDir().mkpath(photos);
    QImage picture(120, 80, QImage::Format_RGB888);
    picture.fill(QColor(40, 120, 200));
    QStringList names;
    for (const char* ext : {"jpg", "png", "bmp", "tif", "webp"}) {
      const QString name = QStringLiteral("sample.") + QLatin1String(ext);
      QVERIFY2(picture.save(photos + name), ext);
      names << name;
    }
    // A 1 x 1 GIF (Qt writes none).
    static const unsigned char gif[] = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00,
        0x00, 0xff, 0xff, 0xff, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
    QFile gifFile(photos + QStringLiteral("sample.gif"));
    QVERIFY(gifFile.open(QIODevice::WriteOnly));
    gifFile.write(reinterpret_cast<const char*>(gif), sizeof gif);
    gifFile.close();
    names << QStringLiteral("sample.gif");
    names.sort();

    // A fresh user: no GLIMR_HOME, no XDG folders set.
    const QString home = dir.path() + QStringLiteral("/home");
    QDir().mkpath(home);
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    for (const char* keep : {"DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR"}) {
      if (qEnvironmentVariableIsSet(keep)) {
        env.insert(QLatin1String(keep), qEnvironmentVariable(keep));
      }
    }
    QProcess glimr;
    glimr.setProcessEnvironment(env);
    glimr.setProcessChannelMode(QProcess::MergedChannels);
    glimr.start(prefix + QStringLiteral("/bin/glimr"), {photos});
    QVERIFY(glimr.waitForStarted());

    const QString database = home + QStringLiteral("/.local/share/glimr/DataBase/catalog.sqlite");
    QMap<QString, bool> rows;
    QElapsedTimer waited;
    waited.start();
    const auto allThumbs = [&] {
      rows = CatalogRows(database);
      if (rows.keys() != names) {
        return false;
      }
      for (bool thumb : std::as_const(rows)) {
        if (!thumb) {
          return false;
        }
      }
      return true;
    };
    while (!allThumbs() && waited.elapsed() < 60000 && glimr.state() == QProcess::Running) {
      QTest::qWait(200);
    }
    ::kill(static_cast<pid_t>(glimr.processId()), SIGTERM);
    QVERIFY(glimr.waitForFinished(20000));
    const QByteArray output = glimr.readAll();
    QCOMPARE(glimr.exitStatus(), QProcess::NormalExit);
    rows = CatalogRows(database);
    QVERIFY2(rows.keys() == names, output.constData());
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
      QVERIFY2(it.value(), qPrintable(it.key() + QStringLiteral(": no stored thumbnail")));
    }
    QVERIFY(QFile::exists(home + QStringLiteral("/.config/Quillfen/Glimr.reg")));
    QVERIFY(!QDir(prefix + QStringLiteral("/bin/DataBase")).exists());
  }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
