// The number cells of an operation row: whatever the text, the number the row runs with, and
// whether the cell says that number plainly.

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
    QTest::addColumn<bool>("plain");
    QTest::newRow("blanks around") << " 250 " << 250 << true;
    QTest::newRow("trailing blank") << "100 " << 100 << true;
    QTest::newRow("tab, sign, leading zeros") << "\t+007" << 7 << true;
    QTest::newRow("zero") << "0" << 0 << true;
    QTest::newRow("int maximum") << "2147483647" << 2147483647 << true;
    QTest::newRow("beyond int") << "2147483648" << 0 << false;
    QTest::newRow("negative") << "-5" << -5 << false;
    QTest::newRow("minus zero") << "-0" << 0 << true;
    QTest::newRow("hex prefix") << "0x10" << 0 << false;
    QTest::newRow("unit") << "60ms" << 0 << false;
    QTest::newRow("exponent") << "1e3" << 0 << false;
    QTest::newRow("decimal point") << "3.0" << 0 << false;
    QTest::newRow("blank inside") << "1 0" << 0 << false;
    QTest::newRow("empty") << "" << 0 << true;
    QTest::newRow("blanks only") << "  " << 0 << true;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２") << 0 << false;
}

void TestRowValues::rowNumber()
{
    QFETCH(QString, cell);
    QTEST(::rowNumber(cell), "number");
    QTEST(isPlainRowNumber(cell), "plain");
}

QTEST_GUILESS_MAIN(TestRowValues)
#include "tst_rowvalues.moc"
