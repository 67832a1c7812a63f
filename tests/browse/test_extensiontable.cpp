#include <QTest>

#include "browse/ui/extensiontable.h"

using namespace glimr;

class TestExtensionTable : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void extensionTable() {
    TExtensionTable table;
    const int jpg = table.ExtensionIndex(QStringLiteral("/p/a.jpg"));
    QCOMPARE(jpg, 0);
    QCOMPARE(table.ExtensionIndex(QStringLiteral("/q/B.JPG")), jpg);  // case ignored
    const int none1 = table.ExtensionIndex(QStringLiteral("/p/README"));
    QCOMPARE(table.ExtensionIndex(QStringLiteral("/p/x.d/Makefile")), none1);
    QVERIFY(none1 != jpg);
    const int png = table.ExtensionIndex(QStringLiteral("/p/c.png"));
    QCOMPARE(table.Count(), 3);
    QCOMPARE(table.At(jpg)->ImageIndex, jpg);
    QCOMPARE(table.At(png)->ImageIndex, png);
    QVERIFY(!table.At(png)->ShellTypeName.isEmpty());
    QVERIFY(table.At(jpg)->ShellTypeName.size() <= 80);
    QVERIFY(table.At(3) == nullptr && table.At(-1) == nullptr);
  }
};

QTEST_MAIN(TestExtensionTable)
#include "test_extensiontable.moc"
