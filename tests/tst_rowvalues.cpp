// The number cells of an operation row: whatever the text, the number the row runs with.

#include "oplist/rowvalues.h"

#include <QtTest>

class TestRowValues : public QObject
{
    Q_OBJECT

private slots:
    void rowNumber_data();
    void rowNumber();
};

void TestRowValues::rowNumber_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("number");
    QTest::newRow("blanks around") << " 250 " << 250;
    QTest::newRow("int maximum") << "2147483647" << 2147483647;
    QTest::newRow("beyond int") << "2147483648" << 0;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("hex prefix") << "0x10" << 0;
    QTest::newRow("blank inside") << "1 0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２") << 0;
}

void TestRowValues::rowNumber()
{
    QFETCH(QString, cell);
    QFETCH(int, number);
    QCOMPARE(::rowNumber(cell), number);
}

QTEST_GUILESS_MAIN(TestRowValues)
#include "tst_rowvalues.moc"
