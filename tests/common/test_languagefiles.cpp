// Language files from the outside world: other encodings, damaged or hostile
// files, and the shipped translations, which must cover every key of the
// built-in table.

#include <QFile>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "common/inifile.h"
#include "common/langtable.h"
#include "common/language.h"

using namespace glimr;
using namespace Qt::StringLiterals;

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
    return {};
  }
  return path;
}

QByteArray Encode(QStringEncoder::Encoding encoding, const QString& text) {
  QStringEncoder encode(encoding, QStringEncoder::Flag::WriteBom);
  return encode(text);
}

// The marks a translation must carry over unchanged: placeholders, hint
// mark-up, line break escapes and the ":Name:" placeholders of program
// parameters. Sorted, since a translation may reorder them.
QStringList Marks(const QString& text) {
  static const QRegularExpression re(QStringLiteral(R"(%\d+|%s|</?[BI]>|\\[nN]|:[A-Za-z]+:)"));
  QStringList marks;
  for (auto it = re.globalMatch(text); it.hasNext();) {
    marks << it.next().captured();
  }
  marks.sort();
  return marks;
}

// The language every row of the bad-input table starts from, so a refused
// file can be seen to leave it in force.
constexpr char kPrevious[] = "[Options]\nLangDesc=Vorher\n[Captions]\n85=Vorher\n87=Ja\n";

}  // namespace

class TestLanguageFiles : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  // Each row: the file's bytes; whether it loads; then Captions 85 and 87
  // afterwards (a refused file leaves "Vorher"/"Ja" of the previous
  // language; a loaded one gives its own texts and the defaults for the rest);
  // and the file's "LangDesc" ("<none>" when it is not offered).
  void badInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("c85");
    QTest::addColumn<QString>("c87");
    QTest::addColumn<QString>("desc");
    const QString none = QStringLiteral("<none>");
    const QString de =
        QStringLiteral("[Options]\r\nLangDesc=Deutsch\r\n[Captions]\r\n85=Größe\r\n");

    QTest::newRow("UTF-16 LE with BOM")
        << Encode(QStringEncoder::Utf16LE, de) << true << u"Größe"_s << u"OK"_s << u"Deutsch"_s;
    QTest::newRow("UTF-16 BE with BOM")
        << Encode(QStringEncoder::Utf16BE, de) << true << u"Größe"_s << u"OK"_s << u"Deutsch"_s;
    QTest::newRow("UTF-32 LE with BOM")
        << Encode(QStringEncoder::Utf32LE, de) << true << u"Größe"_s << u"OK"_s << u"Deutsch"_s;
    // The mark declares UTF-8: one bad byte is one replacement character,
    // not a file read as Windows-1251 whose first header no longer matches.
    QTest::newRow("UTF-8 BOM, damaged byte")
        << QByteArray("\xEF\xBB\xBF[Options]\nLangDesc=Deutsch\n[Captions]\n85=Gr\xC3\xB6\xFF\n")
        << true << u"Grö\uFFFD"_s << u"OK"_s << u"Deutsch"_s;
    // Not UTF-8 and no mark: read as Windows-1251 by the rule for older
    // files, so the accented letters change but every key is found.
    QTest::newRow("Latin-1 without BOM")
        << QByteArray("[Options]\nLangDesc=Fran\xE7\x61is\n[Captions]\n85=Param\xE8tres\n") << true
        << u"Paramиtres"_s << u"OK"_s << u"Franзais"_s;
    QTest::newRow("duplicate sections: the last one wins as a whole")
        << QByteArray("[Captions]\n85=Erst\n87=Jawohl\n[CAPTIONS]\n85=Zweit\n85=Dritt\n") << true
        << u"Dritt"_s << u"OK"_s << none;
    QTest::newRow("missing LangDesc still loads")
        << QByteArray("[Options]\nName=Deutsch\n[Captions]\n85=Optionen\n") << true << u"Optionen"_s
        << u"OK"_s << none;
    QTest::newRow("keys that are not numbers")
        << QByteArray("[Captions]\n085=Null\n+85=Plus\n85.0=Punkt\nf\xC3\xBCnf=5\n=leer\n") << true
        << u"Options"_s << u"OK"_s << none;
    QByteArray many("[Captions]\n");
    for (int k = 0; k < 10000; ++k) {
      many += QByteArray::number(k) + "=T" + QByteArray::number(k) + '\n';
    }
    QTest::newRow("10 000 keys") << many << true << u"T85"_s << u"T87"_s << none;
    QTest::newRow("huge line before the entries")
        << QByteArray(1 << 20, '[') + "\n[Captions]\n85=Optionen\n"
        << true << u"Optionen"_s << u"OK"_s << none;

    QTest::newRow("empty file") << QByteArray() << false << u"Vorher"_s << u"Ja"_s << none;
    QTest::newRow("binary garbage")
        << QByteArray("\x00\xff\xfe[\x00]\x01=\x02\r\r\n\xff\x89PNG", 17) << false << u"Vorher"_s
        << u"Ja"_s << none;
    QTest::newRow("text with NUL bytes")
        << QByteArray("[Options]\nLangDesc=X\n[Captions]\n85=X\n") + QByteArray(4, '\0') << false
        << u"Vorher"_s << u"Ja"_s << none;
    QTest::newRow("UTF-16 without BOM")
        << Encode(QStringEncoder::Utf16LE, de).mid(2) << false << u"Vorher"_s << u"Ja"_s << none;
    QTest::newRow("no language section") << QByteArray("; comment\nk=v\n[Fonts]\nName=Sans\n")
                                         << false << u"Vorher"_s << u"Ja"_s << none;
    QTest::newRow("larger than a language file can be")
        << QByteArray("[Captions]\n85=X\n") + QByteArray(kMaxLanguageFileBytes, ';') << false
        << u"Vorher"_s << u"Ja"_s << none;
  }
  void badInput() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    QFETCH(QString, c85);
    QFETCH(QString, c87);
    QFETCH(QString, desc);
    QTemporaryDir dir;
    const QString previous = WriteFile(dir, QStringLiteral("vorher.lng"), kPrevious);
    QVERIFY(LoadLanguageFile(previous));
    const QString path = WriteFile(dir, QStringLiteral("row.lng"), bytes);
    QVERIFY(!path.isEmpty());

    QString error;
    QCOMPARE(LoadLanguageFile(path, &error), loads);
    QCOMPARE(LangText(TLangSection::Captions, 85), c85);
    QCOMPARE(LangText(TLangSection::Captions, 87), c87);
    QCOMPARE(LangText(TLangSection::Strings, 0), QStringLiteral("Reading configuration..."));
    QCOMPARE(LanguageDescription(path).value_or(QStringLiteral("<none>")), desc);
    if (loads) {
      QVERIFY(error.isEmpty());
      QCOMPARE(LoadedLanguageFile(), path);
    } else {
      QVERIFY2(error.contains(path), qPrintable(error));
      QCOMPARE(LoadedLanguageFile(), previous);
    }
  }

  // Paths that name no file: "no language chosen" gives the built-in texts,
  // a file that is not there is refused and the language stays.
  void pathsWithoutAFile() {
    QTemporaryDir dir;
    const QString previous = WriteFile(dir, QStringLiteral("vorher.lng"), kPrevious);
    const struct {
      QString path;
      bool loads;
      const char* c85;
    } rows[] = {
        {dir.filePath(QStringLiteral("missing.lng")), false, "Vorher"},
        {dir.path(), true, "Options"},
        {dir.filePath(QStringLiteral("missing")) + QLatin1Char('/'), true, "Options"},
        {QString(), true, "Options"},
    };
    for (const auto& row : rows) {
      QVERIFY(LoadLanguageFile(previous));
      QString error;
      QCOMPARE(LoadLanguageFile(row.path, &error), row.loads);
      QCOMPARE(LangText(TLangSection::Captions, 85), QString::fromLatin1(row.c85));
      QCOMPARE(error.isEmpty(), row.loads);
    }
  }

  // The shipped German file: every key of the built-in table, translated,
  // with the marks of the English text, and no key the table does not know.
  void germanIsComplete() {
    const QString path = QStringLiteral(GLIMR_SOURCE_DIR "/languages/Deutsch.lng");
    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QVERIFY2(!bytes.startsWith("\xEF\xBB\xBF"), "plain UTF-8 without a byte-order mark");
    const std::optional<TIniFile> ini = TIniFile::Load(path);
    QVERIFY(ini.has_value());
    QCOMPARE(LanguageDescription(path).value_or(QString()), QStringLiteral("Deutsch"));

    // Words that are the same in German. Captions 290 to 307 and 328 to 342
    // (the viewer's) are keyboard shortcuts in Qt's portable key names,
    // which do not change with the language.
    const QStringList sameInGerman = {QStringLiteral("OK"),
                                      QStringLiteral("Name"),
                                      QStringLiteral("Name:"),
                                      QStringLiteral("Version:"),
                                      QStringLiteral("Copyright (C) Quillfen"),
                                      QStringLiteral("Orange"),
                                      QStringLiteral("s")};
    const auto isShortcut = [](const TLangDefault& d) {
      return d.section == TLangSection::Captions &&
             ((d.key >= 290 && d.key <= 307) || (d.key >= 328 && d.key <= 342));
    };

    QStringList faults;
    for (const TLangDefault& d : LangDefaults()) {
      const QString where = LangSectionName(d.section) + QLatin1Char(' ') + QString::number(d.key);
      const QString english = QString::fromUtf16(d.text);
      const std::optional<QString> german =
          ini->Value(LangSectionName(d.section), QString::number(d.key));
      if (!german || german->isEmpty()) {
        faults << where + QStringLiteral(": missing");
        continue;
      }
      if (*german == english && !sameInGerman.contains(english) && !isShortcut(d)) {
        faults << where + QStringLiteral(": not translated: ") + english;
      }
      if (Marks(*german) != Marks(english)) {
        faults << where + QStringLiteral(": marks differ: ") + Marks(english).join(u' ') +
                      QStringLiteral(" / ") + Marks(*german).join(u' ');
      }
    }
    for (const TLangSection section :
         {TLangSection::Captions, TLangSection::Hints, TLangSection::Strings}) {
      const TIniSection* entries = ini->FindSection(LangSectionName(section));
      QVERIFY(entries);
      for (const TIniEntry& e : entries->entries) {
        bool number = false;
        const int key = e.key.toInt(&number);
        if (!number || QString::number(key) != e.key || LangDefault(section, key).isEmpty()) {
          faults << LangSectionName(section) + QStringLiteral(": unknown key ") + e.key;
        }
      }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));

    QVERIFY(LoadLanguageFile(path));
    QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Optionen"));
    QCOMPARE(ExpandLineBreaks(LangText(TLangSection::Strings, 26)).split(u'\n').size(), 5);
  }
};

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "test_languagefiles.moc"
