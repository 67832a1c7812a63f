#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

#include "common/captionregistry.h"
#include "common/inifile.h"
#include "common/langtable.h"
#include "common/language.h"
#include "common/textcodec.h"

using namespace glimr;

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    return {};
  }
  f.write(bytes);
  return path;
}

}  // namespace

class TestLanguage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  // Each row: file text, section, key, expected value ("<none>" = absent).
  void iniParsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString none = QStringLiteral("<none>");
    QTest::newRow("blanks around key, = and value") << "[Captions]\r\n   87  =   Ja   \r\n"
                                                    << "Captions"
                                                    << "87"
                                                    << "Ja";
    QTest::newRow("tabs and control characters trimmed") << "\t[ Captions ]\x01\n\t87=\tJa\x02\n"
                                                         << "Captions"
                                                         << "87"
                                                         << "Ja";
    QTest::newRow("lower-case section and key lookup") << "[captions]\nLangDesc=x\n"
                                                       << "CAPTIONS"
                                                       << "langdesc"
                                                       << "x";
    QTest::newRow("later section of the same name replaces the earlier")
        << "[Captions]\n1=a\n2=b\n[CAPTIONS]\n1=c\n"
        << "Captions"
        << "2" << none;
    QTest::newRow("later section value") << "[Captions]\n1=a\n[captions]\n1=c\n"
                                         << "Captions"
                                         << "1"
                                         << "c";
    QTest::newRow("last key line counts") << "[S]\nk=1\nK=2\n"
                                          << "S"
                                          << "k"
                                          << "2";
    QTest::newRow("comment that looks like an entry") << "[S]\n;k=1\n"
                                                      << "S"
                                                      << ";k" << none;
    QTest::newRow("comment after a blank is still a comment") << "[S]\n   ;k=1\n"
                                                              << "S"
                                                              << "k" << none;
    QTest::newRow("lines before the first section ignored") << "k=1\n[S]\nj=2\n"
                                                            << "S"
                                                            << "k" << none;
    QTest::newRow("value after the first =") << "[S]\nk = a=b \n"
                                             << "S"
                                             << "k"
                                             << "a=b";
    QTest::newRow("empty value is a value") << "[S]\nk=\n"
                                            << "S"
                                            << "k"
                                            << "";
    QTest::newRow("CR only line ends") << "[S]\rk=1\rj=2\r"
                                       << "S"
                                       << "j"
                                       << "2";
    QTest::newRow("line without = ignored") << "[S]\nk\n"
                                            << "S"
                                            << "k" << none;
    QTest::newRow("unclosed header is no section") << "[S]\nk=1\n[T\nk=2\n"
                                                   << "S"
                                                   << "k"
                                                   << "2";
  }
  void iniParsing() {
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const TIniFile ini = TIniFile::Parse(text);
    const std::optional<QString> v = ini.Value(section, key);
    if (expected == QLatin1String("<none>")) {
      QVERIFY2(!v.has_value(), qPrintable(v.value_or(QString())));
    } else {
      QVERIFY(v.has_value());
      QCOMPARE(*v, expected);
    }
  }

  void iniWriteKeepsOrderAndErases() {
    TIniFile ini = TIniFile::Parse(QStringLiteral("[External Editor 0]\nName=A\nPath=/a\n"));
    ini.WriteString(QStringLiteral("external editor 0"), QStringLiteral("PATH"),
                    QStringLiteral("/b"));
    ini.WriteString(QStringLiteral("External Editor 1"), QStringLiteral("Name"),
                    QStringLiteral("two\nlines"));
    ini.WriteString(QStringLiteral("External Editor 2"), QStringLiteral("Name"),
                    QStringLiteral("C"));
    QVERIFY(ini.EraseSection(QStringLiteral("EXTERNAL EDITOR 2")));
    QVERIFY(!ini.EraseSection(QStringLiteral("External Editor 2")));
    QCOMPARE(ini.ToText(), QStringLiteral("[External Editor 0]\nName=A\nPath=/b\n\n"
                                          "[External Editor 1]\nName=two lines\n"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("eprogs.dat"));
    QVERIFY(ini.Save(path));
    const std::optional<TIniFile> back = TIniFile::Load(path);
    QVERIFY(back.has_value());
    QCOMPARE(back->ToText(), ini.ToText());
    QVERIFY(back->SectionExists(QStringLiteral("External Editor 1")));
    QVERIFY(!TIniFile::Parse(QStringLiteral("[E]\n")).SectionExists(QStringLiteral("E")));
  }

  void decoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("utf-8") << QByteArray("\xd0\x9f\xd1\x80\xd0\xb8") << QStringLiteral(u"При");
    QTest::newRow("utf-8 with BOM") << QByteArray(
                                           "\xef\xbb\xbf"
                                           "ab")
                                    << QStringLiteral("ab");
    QTest::newRow("1251") << QByteArray("\xcf\xf0\xe8\xa8\xb8\x88") << QStringLiteral(u"ПриЁё€");
    QTest::newRow("truncated utf-8 falls back") << QByteArray("a\xd0") << QStringLiteral(u"aР");
    QTest::newRow("overlong utf-8 falls back") << QByteArray("\xc0\xaf") << QStringLiteral(u"АЇ");
    QTest::newRow("surrogate in utf-8 falls back")
        << QByteArray("\xed\xa0\x80") << QStringLiteral(u"н\u00a0Ђ");
  }
  void decoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(DecodeTextFile(bytes), expected);
  }

  void tableIsCompleteAndUnique() {
    QSet<QPair<int, int>> seen;
    int counts[3] = {0, 0, 0};
    for (const TLangDefault& d : LangDefaults()) {
      QVERIFY(!seen.contains({int(d.section), d.key}));
      seen.insert({int(d.section), d.key});
      ++counts[int(d.section)];
    }
    // 0..229 without 162, and Glimr's own 235..241, 260..261, 290..307,
    // 310..319, 320..322 and 328..342, 344..346 (the viewer)
    QCOMPARE(counts[0], 229 + 7 + 2 + 18 + 10 + 3 + 15 + 3);
    // 0..56, and the viewer's 70, 72..75
    QCOMPARE(counts[1], 57 + 5);
    // 0..26, and Glimr's own messages 100..111, 115..119, 125..131, 140,
    // 145..146, 150 and 155..159 (the viewer)
    QCOMPARE(counts[2], 27 + 25 + 2 + 1 + 5);
    QVERIFY(LangDefault(TLangSection::Captions, 162).isEmpty());
    QCOMPARE(LangDefault(TLangSection::Captions, 183),
             QStringLiteral("Avarage (less than 1024x1024)"));
    QCOMPARE(LangDefault(TLangSection::Strings, 5), QStringLiteral("Loading resurces..."));
    QCOMPARE(LangDefault(TLangSection::Hints, 56), QStringLiteral("Delete all file types"));
  }

  void noFileGivesDefaults() {
    LoadLanguageFile(QString());
    QCOMPARE(LangText(TLangSection::Captions, 87), QStringLiteral("OK"));
    QTemporaryDir dir;
    LoadLanguageFile(dir.path() + QLatin1Char('/'));  // the bare folder
    QCOMPARE(LangText(QStringLiteral("Captions"), QStringLiteral("85"), QStringLiteral("Options")),
             QStringLiteral("Options"));
    LoadLanguageFile(dir.filePath(QStringLiteral("missing.lng")));
    QCOMPARE(LangText(TLangSection::Strings, 13), QStringLiteral("b"));
  }

  void fileOverridesOnlyItsKeys() {
    QTemporaryDir dir;
    const QString path = WriteFile(
        dir, QStringLiteral("de.lng"),
        "; German\r\n[Options]\r\nLangDesc=Deutsch\r\n[Captions]\r\n85=Optionen\r\n86=\r\n");
    LoadLanguageFile(path);
    QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Optionen"));
    QCOMPARE(LangText(TLangSection::Captions, 86), QString());  // empty, not the default
    QCOMPARE(LangText(TLangSection::Captions, 87), QStringLiteral("OK"));
    QCOMPARE(LangText(QStringLiteral("captions"), QStringLiteral("85"), QStringLiteral("x")),
             QStringLiteral("Optionen"));
    QCOMPARE(LanguageDescription(path).value(), QStringLiteral("Deutsch"));
    QCOMPARE(LoadedLanguageFile(), path);
    // Back to the built-in texts: nothing of the file survives.
    LoadLanguageFile(QString());
    QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Options"));
  }

  void windows1251FileIsRead() {
    QTemporaryDir dir;
    const QString path =
        WriteFile(dir, QStringLiteral("ru.lng"), "[Captions]\r\n87=\xc4\xe0\r\n");  // "Да"
    LoadLanguageFile(path);
    QCOMPARE(LangText(TLangSection::Captions, 87), QStringLiteral(u"Да"));
  }

  void brokenFilesNeverFail_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x00]\x01=\x02\r\r\n\xff", 13);
    QTest::newRow("no sections") << QByteArray("87=Ja\n85=Optionen\n");
    QTest::newRow("only brackets") << QByteArray("[\n]\n[]\n[[]]\n=\n==\n");
    QTest::newRow("huge line") << QByteArray(1 << 20, 'x');
  }
  void brokenFilesNeverFail() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    LoadLanguageFile(WriteFile(dir, QStringLiteral("bad.lng"), bytes));
    QCOMPARE(LangText(TLangSection::Captions, 87), QStringLiteral("OK"));
    QCOMPARE(LangText(TLangSection::Strings, 0), QStringLiteral("Reading configuration..."));
  }

  void lineBreaks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("lower n") << "a\\nb"
                             << "a\nb";
    QTest::newRow("upper N") << "a\\Nb\\n"
                             << "a\nb\n";
    QTest::newRow("other escapes kept") << "C:\\temp\\x"
                                        << "C:\\temp\\x";
    QTest::newRow("trailing backslash") << "a\\"
                                        << "a\\";
  }
  void lineBreaks() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ExpandLineBreaks(text), expected);
  }

  void placeholderHelpHasFiveLines() {
    QCOMPARE(ExpandLineBreaks(LangText(TLangSection::Strings, 26)).split(QLatin1Char('\n')).size(),
             5);
    QTemporaryDir dir;
    LoadLanguageFile(
        WriteFile(dir, QStringLiteral("u.lng"), "[Strings]\n26=one\\Ntwo\\Nthree\\nfour\\Nfive\n"));
    QCOMPARE(ExpandLineBreaks(LangText(TLangSection::Strings, 26)).split(QLatin1Char('\n')).size(),
             5);
  }

  // Lookups from other threads while the language is replaced see either the
  // old or the new text, never a half-built table (run with GLIMR_TSAN too).
  void lookupsDuringReload() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("ja.lng"), "[Captions]\n87=Ja\n");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
      readers.emplace_back([&] {
        while (!stop.load()) {
          const QString v = LangText(TLangSection::Captions, 87);
          if (v != QLatin1String("OK") && v != QLatin1String("Ja")) {
            ++bad;
          }
        }
      });
    }
    for (int k = 0; k < 200; ++k) {
      LoadLanguageFile(k % 2 ? QString() : path);
    }
    stop = true;
    for (std::thread& t : readers) {
      t.join();
    }
    QCOMPARE(bad.load(), 0);
  }

  void applyLanguageRunsInWindowOrder() {
    TCaptionRegistry reg;
    QStringList order;
    reg.Register(TCaptionTarget::Options, [&] { order << QStringLiteral("options"); });
    reg.Register(TCaptionTarget::About, [&] { order << QStringLiteral("about"); });
    reg.Register(TCaptionTarget::ExternalProgs, [&] { order << QStringLiteral("eprogs"); });
    reg.Register(TCaptionTarget::MainWindow, [&] { order << QStringLiteral("main"); });
    reg.ApplyLanguage();
    QCOMPARE(order, QStringList({QStringLiteral("about"), QStringLiteral("main"),
                                 QStringLiteral("options"), QStringLiteral("eprogs")}));
  }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "test_language.moc"
