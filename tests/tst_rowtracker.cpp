// Following the next row of a pass while rows come and go.

#include "oplist/rowtracker.h"

#include <QStringListModel>
#include <QtTest>

class TestRowTracker : public QObject
{
    Q_OBJECT

private slots:
    void follows_data();
    void follows();
};

void TestRowTracker::follows_data()
{
    QTest::addColumn<int>("row");   // the row the pass just ran, in a model of rows a..f
    QTest::addColumn<int>("first"); // where rows are inserted (count > 0) or removed (count < 0)
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("next"); // the row the pass goes on with, by its text
    QTest::newRow("nothing changes") << 2 << 0 << 0 << "d";
    QTest::newRow("row itself removed") << 2 << 2 << -1 << "d";
    QTest::newRow("rows above removed") << 3 << 0 << -2 << "e";
    QTest::newRow("row and rows above removed") << 3 << 1 << -3 << "e";
    QTest::newRow("next row removed") << 2 << 3 << -1 << "e";
    QTest::newRow("all after removed") << 2 << 3 << -3 << "";
    QTest::newRow("everything removed") << 1 << 0 << -6 << "";
    QTest::newRow("rows inserted above") << 2 << 0 << 2 << "d";
    QTest::newRow("rows inserted right after run first") << 2 << 3 << 1 << "new";
    QTest::newRow("rows appended at the end") << 5 << 6 << 1 << "new";
}

void TestRowTracker::follows()
{
    QFETCH(int, row);
    QFETCH(int, first);
    QFETCH(int, count);
    QStringListModel model({"a", "b", "c", "d", "e", "f"});
    RowTracker tracker(&model, row);
    if (count < 0)
        model.removeRows(first, -count);
    else if (count > 0)
        model.insertRows(first, count);
    for (int i = first; i < first + count; ++i)
        model.setData(model.index(i), QStringLiteral("new"));
    const int at = tracker.nextRow();
    QTEST(at < model.rowCount() ? model.index(at).data().toString() : QString(), "next");
}

QTEST_GUILESS_MAIN(TestRowTracker)
#include "tst_rowtracker.moc"
