// Rows of the operation table: their defaults, the slave variant, deletion, and the three
// validators as the user types.

#include "kavristest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QValidator>
#include <QtTest>

class TestOperationTable : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void addedRowDefaults();
    void slaveRowsOfferNoWriteRead();
    void deleteWithoutCheckedRows();
    void deleteAsksOnce_data();
    void deleteAsksOnce();
    void typing_data();
    void typing();

private:
    QTableWidget *table() { return fixture.find<QTableWidget>("operationTableWidget"); }
    QStringList types(int row);
    QLineEdit *cell(int row, int column)
    {
        return qobject_cast<QLineEdit *>(table()->cellWidget(row, column));
    }
};

QStringList TestOperationTable::types(int row)
{
    auto *box = qobject_cast<QComboBox *>(table()->cellWidget(row, 1));
    QStringList items;
    for (int i = 0; box && i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

void TestOperationTable::init()
{
    fixture.start();
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
}

void TestOperationTable::addedRowDefaults()
{
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->rowHeight(1), 20);
    QCOMPARE(table()->item(1, 0)->data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(table()->item(1, 0)->text(), QString());
    QCOMPARE(types(1), QStringList({QString::fromUtf8("写数据"), QString::fromUtf8("读数据"),
                                    QString::fromUtf8("写读数据")}));
    auto *type = qobject_cast<QComboBox *>(table()->cellWidget(1, 1));
    QCOMPARE(type->currentIndex(), 0);
    QCOMPARE(type->styleSheet(), QStringLiteral("QComboBox{border-width:0;border-style:outset}"));
    QCOMPARE(cell(1, 2)->text(), QStringLiteral("11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"));
    QCOMPARE(cell(1, 3)->text(), QStringLiteral("0"));
    QCOMPARE(cell(1, 4)->text(), QStringLiteral("0"));
    for (int column = 2; column <= 4; ++column)
        QCOMPARE(cell(1, column)->styleSheet(),
                 QStringLiteral("QLineEdit{border-width:0;border-style:outset}"));
    // Each row gets its own hex validator; the number validators are shared.
    QVERIFY(cell(0, 2)->validator() != cell(1, 2)->validator());
    QCOMPARE(cell(0, 3)->validator(), cell(1, 3)->validator());
    QCOMPARE(cell(0, 4)->validator(), cell(1, 4)->validator());
    QVERIFY(cell(0, 3)->validator() != cell(0, 4)->validator());
}

void TestOperationTable::slaveRowsOfferNoWriteRead()
{
    fixture.select("workingModeComboBox", 0);
    fixture.click("toolButtonAddNew");
    fixture.select("workingModeComboBox", 1);
    fixture.click("toolButtonAddNew");
    QCOMPARE(types(0), QStringList({QString::fromUtf8("写数据"), QString::fromUtf8("读数据")}));
    QCOMPARE(types(1).size(), 3);
}

void TestOperationTable::deleteWithoutCheckedRows()
{
    fixture.click("toolButtonAddNew");
    table()->item(0, 0)->setCheckState(Qt::Unchecked);
    fixture.click("toolButtonDelete");
    QVERIFY(fixture.dialogs().seen.isEmpty());
    QCOMPARE(table()->rowCount(), 1);
}

void TestOperationTable::deleteAsksOnce_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("yes") << "Yes" << QStringList({"B", "D"});
    QTest::newRow("no") << "No" << QStringList({"A", "B", "C", "D", "E"});
}

void TestOperationTable::deleteAsksOnce()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, remaining);
    const QStringList names = {"A", "B", "C", "D", "E"};
    for (int row = 0; row < names.size(); ++row) {
        fixture.click("toolButtonAddNew");
        cell(row, 2)->setText(names[row]);
        if (names[row] == QLatin1String("B") || names[row] == QLatin1String("D"))
            table()->item(row, 0)->setCheckState(Qt::Unchecked);
    }
    QWidget *parent = &fixture.window();
    fixture.dialogs().then([&](QWidget *box) {
        parent = box->parentWidget();
        ModalAnswerer::press(answer)(box);
    });
    fixture.click("toolButtonDelete");
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("确定删除选中行？")));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Yes", "No"}));
    QCOMPARE(parent, nullptr);
    QStringList left;
    for (int row = 0; row < table()->rowCount(); ++row)
        left.append(cell(row, 2)->text());
    QCOMPARE(left, remaining);
}

void TestOperationTable::typing_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("count: 0 refused") << 3 << "0"
                                      << "";
    QTest::newRow("count: 10230") << 3 << "10230"
                                  << "10230";
    QTest::newRow("count: 10229 refused at its last digit") << 3 << "10229"
                                                            << "1022";
    QTest::newRow("count: 10010") << 3 << "10010"
                                  << "10010";
    QTest::newRow("count: no letters") << 3 << "1x2"
                                       << "12";
    QTest::newRow("delay: 0") << 4 << "0"
                              << "0";
    QTest::newRow("delay: 007") << 4 << "007"
                                << "007";
    QTest::newRow("delay: 250") << 4 << "250"
                                << "250";
    QTest::newRow("delay: no letters or signs") << 4 << "-a+5"
                                                << "5";
    QTest::newRow("hex: pairs and single blanks") << 2 << "0A ff 12 "
                                                  << "0A ff 12 ";
    QTest::newRow("hex: third digit refused") << 2 << "123"
                                              << "12";
    QTest::newRow("hex: two blanks refused") << 2 << "12  34"
                                             << "12 34";
    QTest::newRow("hex: other characters refused") << 2 << "1g,2"
                                                   << "12";
}

void TestOperationTable::typing()
{
    QFETCH(int, column);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    fixture.click("toolButtonAddNew");
    QLineEdit *edit = cell(0, column);
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, keys);
    QCOMPARE(edit->text(), text);
}

QTEST_MAIN(TestOperationTable)
#include "tst_operationtable.moc"
