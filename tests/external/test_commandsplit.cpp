#include <QTest>

#include "external/commandline.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TArgumentEscapes)

class TestCommandSplit : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Each line split under both grammars; stored templates (no escapes) must
  // keep splitting as they always did, Exec values keep their backslashes.
  void splitsUnderBothGrammars_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<TArgumentEscapes>("escapes");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("openQuote");
    const auto none = TArgumentEscapes::None;
    const auto bs = TArgumentEscapes::Backslash;
    struct Row {
      const char* name;
      QString line;
      QStringList plain;  // without escapes
      bool plainOpen;
      QStringList escaped;  // with backslash escapes
      bool escapedOpen;
    };
    const Row rows[] = {
        {"blanks and tabs separate",
         " -a\t b  c ",
         {"-a", "b", "c"},
         false,
         {"-a", "b", "c"},
         false},
        {"empty line", "", {}, false, {}, false},
        {"blanks only", " \t ", {}, false, {}, false},
        {"quoted group",
         "-o \"out dir/x\"",
         {"-o", "out dir/x"},
         false,
         {"-o", "out dir/x"},
         false},
        {"quotes glued to text", "a\"b c\"d", {"ab cd"}, false, {"ab cd"}, false},
        {"doubled quotes inside a word", "a\"\"b", {"ab"}, false, {"ab"}, false},
        {"quoted empty argument", "x \"\" y", {"x", "", "y"}, false, {"x", "", "y"}, false},
        {"lone quote", "\"", {""}, true, {""}, true},
        {"unbalanced quote takes the rest",
         "-a \"b  c ",
         {"-a", "b  c "},
         true,
         {"-a", "b  c "},
         true},
        {"placeholders untouched",
         ":FullName: %1 %f --x=:FileExt:",
         {":FullName:", "%1", "%f", "--x=:FileExt:"},
         false,
         {":FullName:", "%1", "%f", "--x=:FileExt:"},
         false},
        {"backslash before a blank", "a\\ b", {"a\\", "b"}, false, {"a b"}, false},
        {"backslash before a quote",
         "\"say \\\"hi\\\"\"",
         {"say \\hi\\"},
         false,
         {"say \"hi\""},
         false},
        {"an escaped quote does not close", "\"a\\\"", {"a\\"}, false, {"a\""}, true},
        {"doubled backslash", "C:\\\\dir x", {"C:\\\\dir", "x"}, false, {"C:\\dir", "x"}, false},
        {"windows path", "C:\\Pics\\a.jpg", {"C:\\Pics\\a.jpg"}, false, {"C:Picsa.jpg"}, false},
        {"backslash at the end stays", "a b\\", {"a", "b\\"}, false, {"a", "b\\"}, false},
        {"escaped dollar in quotes", "\"a\\$b\"", {"a\\$b"}, false, {"a$b"}, false},
        {"unicode", "Фото \"мой файл\"", {"Фото", "мой файл"}, false, {"Фото", "мой файл"}, false},
    };
    for (const Row& r : rows) {
      QTest::addRow("%s, no escapes", r.name) << r.line << none << r.plain << r.plainOpen;
      QTest::addRow("%s, backslash escapes", r.name) << r.line << bs << r.escaped << r.escapedOpen;
    }
  }

  void splitsUnderBothGrammars() {
    QFETCH(QString, line);
    QFETCH(TArgumentEscapes, escapes);
    QFETCH(QStringList, arguments);
    QFETCH(bool, openQuote);
    const TCommandLineArguments split = SplitCommandLine(line, escapes);
    QCOMPARE(split.Arguments, arguments);
    QCOMPARE(split.OpenQuote, openQuote);
  }
};

QTEST_GUILESS_MAIN(TestCommandSplit)
#include "test_commandsplit.moc"
