#include <QTemporaryDir>
#include <QTest>

#include "common/datetime.h"
#include "common/errors.h"
#include "common/numeric.h"
#include "common/regstore.h"
#include "support/privileges.h"

using namespace glimr;

class TestCommon : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("-3.5") << -3.5 << qint64(-4);
    QTest::newRow("2.56") << 2.56 << qint64(3);
    QTest::newRow("0.49") << 0.49 << qint64(0);
    QTest::newRow("-0.51") << -0.51 << qint64(-1);
  }
  void roundHalfEven() {
    QFETCH(double, value);
    QFETCH(qint64, expected);
    QCOMPARE(RoundHalfEven(value), expected);
  }

  void daysRoundTrip() {
    QCOMPARE(DateTimeToDays(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    QCOMPARE(DateTimeToDays(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime dt(QDate(2024, 3, 31), QTime(2, 30, 15, 123));
    const double d = DateTimeToDays(dt);
    QCOMPARE(DaysToDateTime(d).toMSecsSinceEpoch(), dt.toMSecsSinceEpoch());
  }

  void fileModDaysIsStable() {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.txt"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    const double a = FileModDays(p);
    QVERIFY(a > 40000);
    QCOMPARE(FileModDays(p), a);
    QCOMPARE(FileModDays(dir.filePath(QStringLiteral("missing"))), 0.0);
  }

  void regStoreRoundTrip() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sub/Glimr.reg"));
    const QString key = QStringLiteral("Software\\Quillfen\\Glimr");
    {
      RegStore s(file);
      QVERIFY(s.Load());
      s.WriteDword(key, QStringLiteral("CashSize"), 100);
      s.WriteString(key, QStringLiteral("CrrSelection"),
                    QStringLiteral("Computer\\File \"System\""));
      s.WriteBinary(key, QStringLiteral("CapFontStyle"), QByteArray("\x01\x00\xff\x00", 4));
      s.WriteString(key + QStringLiteral("\\History"), QStringLiteral("0"),
                    QStringLiteral("/tmp/ä/"));
      s.CreateKey(key + QStringLiteral("\\Plugins"));
      QVERIFY(s.Save());
    }
    RegStore s(file);
    QVERIFY(s.Load());
    QCOMPARE(s.ReadDword(key, QStringLiteral("cashsize")).value(), 100u);
    QCOMPARE(s.ReadString(key, QStringLiteral("CrrSelection")).value(),
             QStringLiteral("Computer\\File \"System\""));
    QCOMPARE(s.ReadBinary(key, QStringLiteral("CapFontStyle")).value(),
             QByteArray("\x01\x00\xff\x00", 4));
    QCOMPARE(s.ValueNames(key),
             QStringList({QStringLiteral("CashSize"), QStringLiteral("CrrSelection"),
                          QStringLiteral("CapFontStyle")}));
    QCOMPARE(s.SubKeys(key), QStringList({QStringLiteral("History"), QStringLiteral("Plugins")}));
    QCOMPARE(s.ReadString(key + QStringLiteral("\\History"), QStringLiteral("0")).value(),
             QStringLiteral("/tmp/ä/"));
    // Wrong type reads as missing.
    QVERIFY(!s.ReadString(key, QStringLiteral("CashSize")).has_value());
    QVERIFY(s.DeleteKey(key + QStringLiteral("\\History")));
    QVERIFY(!s.KeyExists(key + QStringLiteral("\\History")));
  }

  void regStoreDamagedLines() {
    RegStore s(QString{});
    s.ParseText(
        QStringLiteral("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\r\n"
                       "\"Good\"=dword:00000010\r\n"
                       "\"BadDword\"=dword:xyz\r\n"
                       "garbage line\r\n"
                       "\"Unterminated=\"abc\r\n"
                       "\"BadHex\"=hex:1,zz\r\n"
                       "\"Multi\"=hex:01,02,\\\r\n  03\r\n"
                       "\"Expand\"=hex(2):41,00\r\n"
                       "[HKEY_LOCAL_MACHINE\\Other]\r\n\"Elsewhere\"=dword:1\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\n\"Text\"=\"a\\\\b\"\n"));
    const QString key = QStringLiteral("Software\\Quillfen\\Glimr");
    QCOMPARE(s.ValueNames(key), QStringList({QStringLiteral("Good"), QStringLiteral("Multi"),
                                             QStringLiteral("Text")}));
    QCOMPARE(s.ReadDword(key, QStringLiteral("Good")).value(), 16u);
    QCOMPARE(s.ReadBinary(key, QStringLiteral("Multi")).value(), QByteArray("\x01\x02\x03", 3));
    QCOMPARE(s.ReadString(key, QStringLiteral("Text")).value(), QStringLiteral("a\\b"));
  }

  // Text values are written so that they read back exactly, whatever they
  // hold; a line break must neither cut the value nor start a key of its own.
  void regStoreTextRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("LF") << QStringLiteral("Computer\\Home\\two\nlines");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb");
    QTest::newRow("CR") << QStringLiteral("a\rb");
    QTest::newRow("trailing LF") << QStringLiteral("folder\n");
    QTest::newRow("only a line break") << QStringLiteral("\n");
    QTest::newRow("tab and escape") << QStringLiteral("a\tb\x1b[0m");
    QTest::newRow("quotes") << QStringLiteral("say \"hi\" \"");
    QTest::newRow("backslashes") << QStringLiteral("\\\\server\\share\\");
    QTest::newRow("quotes and LF") << QStringLiteral("\"\n\\\"");
    QTest::newRow("non-ASCII") << QStringLiteral("Фото\n写真 😀");
    QTest::newRow("NUL inside") << QString(QStringLiteral("a\0b\n"));
    QTest::newRow("line separator") << QString(QChar(0x2028)) + QStringLiteral("x");
    QTest::newRow("crafted key") << QStringLiteral(
        "x\"\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr\\Evil]\r\n"
        "\"Injected\"=dword:00000001\r\n\"CashSize\"=dword:00000009");
    QTest::newRow("empty") << QString();
  }
  void regStoreTextRoundTrip() {
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Glimr.reg"));
    const QString key = QStringLiteral("Software\\Quillfen\\Glimr");
    {
      RegStore s(file);
      s.WriteString(key, QStringLiteral("CrrSelection"), value);
      s.WriteDword(key, QStringLiteral("CashSize"), 100);
      QVERIFY(s.Save());
    }
    RegStore back(file);
    QVERIFY(back.Load());
    QCOMPARE(
        back.ReadString(key, QStringLiteral("CrrSelection")).value_or(QStringLiteral("<none>")),
        value);
    QCOMPARE(back.ValueNames(key),
             QStringList({QStringLiteral("CrrSelection"), QStringLiteral("CashSize")}));
    QCOMPARE(back.ReadDword(key, QStringLiteral("CashSize")).value_or(0), 100u);
    QVERIFY(back.SubKeys(key).isEmpty());
  }

  // The encoded form of a text with control characters: REG_SZ as hex(1),
  // UTF-16LE bytes and the terminating zero code unit.
  void regStoreHexText_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("value");
    QTest::newRow("written form") << QStringLiteral("\"V\"=hex(1):61,00,0a,00,62,00,00,00") << true
                                  << QStringLiteral("a\nb");
    QTest::newRow("no terminator")
        << QStringLiteral("\"V\"=hex(1):61,00") << true << QStringLiteral("a");
    QTest::newRow("upper case") << QStringLiteral("\"V\"=HEX(1):01,04,00,00") << true
                                << QStringLiteral("Ё");
    QTest::newRow("empty") << QStringLiteral("\"V\"=hex(1):") << true << QString();
    QTest::newRow("odd byte count")
        << QStringLiteral("\"V\"=hex(1):61,00,62") << false << QString();
    QTest::newRow("bad byte") << QStringLiteral("\"V\"=hex(1):61,zz") << false << QString();
  }
  void regStoreHexText() {
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    QFETCH(QString, value);
    RegStore s(QString{});
    s.ParseText(
        QStringLiteral("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\r\n") +
        line + QStringLiteral("\r\n"));
    const auto text =
        s.ReadString(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("V"));
    QCOMPARE(text.has_value(), accepted);
    if (accepted) {
      QCOMPARE(*text, value);
    }
  }

  void regStoreWritesLineBreakAsHex() {
    RegStore s(QString{});
    s.WriteString(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("V"),
                  QStringLiteral("a\nb"));
    s.WriteString(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("Plain"),
                  QStringLiteral("C:\\x"));
    const QString text = s.ToText();
    QVERIFY2(text.contains(QStringLiteral("\"V\"=hex(1):61,00,0a,00,62,00,00,00\r\n")),
             qPrintable(text));
    // Texts without control characters keep the readable quoted form.
    QVERIFY(text.contains(QStringLiteral("\"Plain\"=\"C:\\\\x\"\r\n")));
  }

  void regStoreUnwritableKeepsOldFile() {
    GLIMR_WITHOUT_FILE_CAPABILITIES();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Glimr.reg"));
    RegStore s(file);
    s.WriteDword(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("A"), 1);
    QVERIFY(s.Save());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    s.WriteDword(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("A"), 2);
    const bool saved = s.Save();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!saved);
    QVERIFY(!s.lastError().isEmpty());
    RegStore back(file);
    QVERIFY(back.Load());
    QCOMPARE(
        back.ReadDword(QStringLiteral("Software\\Quillfen\\Glimr"), QStringLiteral("A")).value(),
        1u);
  }

  void errorChannelRecords() {
    ErrorRecorder rec;
    ShowError(QStringLiteral("veskTestTimer: "), QStringLiteral("boom"));
    QCOMPARE(rec.messages(), QStringList{QStringLiteral("veskTestTimer: boom")});
  }
};

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
