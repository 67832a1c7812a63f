#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "catalog/imagefileinfo.h"
#include "common/language.h"

using namespace glimr;

class TestImageFileInfo : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  void freshRecord() {
    const TImageFileInfo r;
    QCOMPARE(r.ExtIndex, -1);
    QVERIFY(!r.Found && !r.IsFolder && !r.Modified);
    QVERIFY(r.Caption.isEmpty() && r.FileName.isEmpty() && r.TypeName.isEmpty() &&
            r.Path.isEmpty());
  }

  void getExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("upper case kept") << "/p/IMG.JPG"
                                     << "JPG";
    QTest::newRow("double extension") << "a.tar.gz"
                                      << "gz";
    QTest::newRow("slash after the last dot") << "/x.d/file"
                                              << "";
    QTest::newRow("no dot") << "/p/README"
                            << "";
    QTest::newRow("trailing dot") << "/p/name."
                                  << "";
    QTest::newRow("hidden file") << "/p/.bashrc"
                                 << "bashrc";
    QTest::newRow("colon is a file-name character") << "/p/a:b.png"
                                                    << "png";
    QTest::newRow("at most 100 characters")
        << "/p/a." + QString(150, QLatin1Char('e')) << QString(100, QLatin1Char('e'));
  }
  void getExtension() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(GetExtension(path), expected);
  }

  void fileSizeOf() {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral(".hidden"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1234, 'x'));
    f.close();
    QCOMPARE(FileSizeOf(p), 1234);
    QCOMPARE(FileSizeOf(dir.filePath(QStringLiteral("missing"))), -1);
    QCOMPARE(FileSizeOf(QString()), -1);
    // Sparse file beyond 4 GB: the size must not wrap at 32 bits.
    const QString big = dir.filePath(QStringLiteral("big"));
    QFile b(big);
    QVERIFY(b.open(QIODevice::WriteOnly));
    if (!b.resize(5'000'000'000LL)) {
      QSKIP("file system refuses a 5 GB sparse file");
    }
    b.close();
    QCOMPARE(FileSizeOf(big), 5'000'000'000LL);
  }

  void fileSizeToText_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("expected");  // "," stands for the decimal separator
    QTest::newRow("0") << qint64(0) << "0 b";
    QTest::newRow("negative") << qint64(-5) << "-5 b";
    QTest::newRow("1023") << qint64(1023) << "1023 b";
    QTest::newRow("1024") << qint64(1024) << "1,0 Kb";
    QTest::newRow("1536") << qint64(1536) << "1,5 Kb";
    QTest::newRow("1048575 rounds, stays Kb") << qint64(1048575) << "1024,0 Kb";
    QTest::newRow("1048576") << qint64(1048576) << "1,0 Mb";
    QTest::newRow("5 MB") << qint64(5242880) << "5,0 Mb";
    QTest::newRow("above 4 GB") << qint64(5'000'000'000LL) << "4768,4 Mb";
  }
  void fileSizeToText() {
    QFETCH(qint64, size);
    QFETCH(QString, expected);
    expected.replace(QLatin1Char(','), QLocale::system().decimalPoint());
    QCOMPARE(FileSizeToText(size), expected);
  }

  void fileSizeWordsFollowLanguage() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.lng"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Strings]\n13=bytes\n15=MiB\n");
    f.close();
    LoadLanguageFile(path);
    QCOMPARE(FileSizeToText(3), QStringLiteral("3 bytes"));
    QVERIFY(FileSizeToText(2048).endsWith(QStringLiteral(" Kb")));
    QVERIFY(FileSizeToText(2 * 1048576).endsWith(QStringLiteral(" MiB")));
  }
};

QTEST_MAIN(TestImageFileInfo)
#include "test_imagefileinfo.moc"
