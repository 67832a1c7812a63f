// Writers of the settings file, INI files and the log on a file system that
// refuses the data: the old file must survive byte for byte and the failure
// must be reported. The refusal is real: a lowered RLIMIT_FSIZE makes the
// kernel fail write() past the limit (EFBIG) the way a full disk fails it
// with ENOSPC, and it needs no privileges, so it works as any user.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "support/filesizelimit.h"

#include "common/appcontext.h"
#include "common/filewrite.h"
#include "common/inifile.h"
#include "common/regstore.h"
#include "common/settings.h"

using namespace glimr;

using glimr::test::TFileSizeLimit;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the new content to path; false and error filled on failure.
using TWriter = std::function<bool(const QString& path, QString* error)>;

TWriter SettingsWriter() {
  return [](const QString& path, QString* error) {
    RegStore store(path);
    TSettings s = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    s.CrrSelection = QStringLiteral("Computer\\File System\\home\\new");
    SaveSettings(store, s);
    const bool ok = store.Save();
    *error = store.lastError();
    return ok;
  };
}

TWriter IniWriter() {
  return [](const QString& path, QString* error) {
    TIniFile ini;
    for (int k = 0; k < 20; ++k) {
      ini.WriteString(QStringLiteral("Program%1").arg(k), QStringLiteral("Path"),
                      QStringLiteral("/usr/bin/editor-number-%1").arg(k));
    }
    return ini.Save(path, error);
  };
}

TWriter LogWriter() {
  return [](const QString& path, QString* error) {
    QStringList lines;
    for (int k = 0; k < 20; ++k) {
      lines << QStringLiteral("GetDibBits: texture upload %1 failed").arg(k);
    }
    return WriteLogFile(lines, path, error);
  };
}

TWriter PlainWriter() {
  return [](const QString& path, QString* error) {
    return WriteFileAtomically(path, QByteArray(4096, 'x'), error);
  };
}

}  // namespace

Q_DECLARE_METATYPE(TWriter)

class TestFileWrite : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void refusedWriteKeepsOldFile_data() {
    QTest::addColumn<TWriter>("writer");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("settings store") << SettingsWriter() << QStringLiteral("Glimr.reg");
    QTest::newRow("ini file") << IniWriter() << QStringLiteral("eprogs.dat");
    QTest::newRow("log file") << LogWriter() << QStringLiteral("glimr.log");
    QTest::newRow("bytes") << PlainWriter() << QStringLiteral("data.bin");
  }
  void refusedWriteKeepsOldFile() {
    QFETCH(TWriter, writer);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    const QByteArray old("the old content, which must survive\r\n");
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      QCOMPARE(f.write(old), old.size());
    }

    bool written = true;
    QString error;
    {
      // Small enough that the first flush of the new text fails.
      TFileSizeLimit limit(64);
      QVERIFY(limit.ok());
      written = writer(path, &error);
    }
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(ReadAll(path), old);
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});

    // The same writer succeeds once the file system takes the data again.
    QVERIFY(writer(path, &error));
    QVERIFY(ReadAll(path) != old);
  }

  void writesIntoNewFolder() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a/b/file.txt"));
    QString error;
    QVERIFY(WriteFileAtomically(path, QByteArray("text"), &error));
    QCOMPARE(ReadAll(path), QByteArray("text"));
  }
};

QTEST_GUILESS_MAIN(TestFileWrite)
#include "test_filewrite.moc"
