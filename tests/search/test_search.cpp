#include <QTest>
class TestSearch : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
