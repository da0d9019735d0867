// The operation list as data: the rows the list file turns into, the operation keywords, the
// edits the model takes and refuses, and deleting the checked rows.

#include "oplist/listfile.h"
#include "oplist/operationlistmodel.h"

#include <QtTest>

class TestOperationList : public QObject
{
    Q_OBJECT

private slots:
    void fileRows_data();
    void fileRows();
    void unrecognisedMessageNamesTenRows();
    void edits_data();
    void edits();
    void removeCheckedRows_data();
    void removeCheckedRows();
};

void TestOperationList::fileRows_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("master");
    QTest::addColumn<QString>("shown"); // "checked|operation" as the table holds it
    QTest::addColumn<QString>("saved"); // the operation the file gets back
    QTest::addColumn<bool>("unrecognised");
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("write") << s("写数据") << true << s("1|写数据") << s("写数据") << false;
    QTest::newRow("read") << s("读数据") << true << s("1|读数据") << s("读数据") << false;
    QTest::newRow("write-read") << s("写读数据") << true << s("1|写读数据") << s("写读数据")
                                << false;
    // Loaded as a slave: shown and saved as write, as such rows always were.
    QTest::newRow("write-read as slave")
        << s("写读数据") << false << s("1|写数据") << s("写数据") << false;
    QTest::newRow("typo") << s("写入数据") << true << s("0|写数据") << s("写数据") << true;
    QTest::newRow("empty") << QString() << true << s("0|写数据") << s("写数据") << true;
    QTest::newRow("trailing blank") << s("读数据 ") << true << s("0|写数据") << s("写数据") << true;
}

void TestOperationList::fileRows()
{
    QFETCH(QString, operation);
    QFETCH(bool, master);
    QFETCH(QString, shown);
    QFETCH(QString, saved);
    QFETCH(bool, unrecognised);
    ListRow file;
    file.operation = operation;
    file.writeData = QString(40000, QLatin1Char('A')); // beyond any line edit: never cut
    file.count = QStringLiteral(" 3");
    file.delay = QStringLiteral("7");
    file.line = 5;
    QStringList problems;
    OperationListModel model;
    model.appendRows(toOperationRows({file}, master, &problems));
    QCOMPARE(QStringLiteral("%1|%2")
                 .arg(model.isChecked(0) ? 1 : 0)
                 .arg(model.index(0, 1).data().toString()),
             shown);
    QCOMPARE(problems, unrecognised ? QStringList({QString::fromUtf8("第5行“%1”").arg(operation)})
                                    : QStringList());
    const ListRow back = toListRows(model.rows()).first();
    QCOMPARE(back.operation, saved);
    QCOMPARE(back.writeData.size(), 40000);
    QCOMPARE(back.count, file.count);
    QCOMPARE(back.delay, file.delay);
}

void TestOperationList::unrecognisedMessageNamesTenRows()
{
    QStringList rows;
    for (int i = 1; i <= 12; ++i)
        rows.append(QString::number(i));
    QCOMPARE(unrecognisedOperationsMessage(rows),
             QString::fromUtf8("列表文件中以下行的操作类型无法识别，已载入为未选中行：1，2，3，4，"
                               "5，6，7，8，9，10等共12行。请检查后再执行！"));
}

void TestOperationList::edits_data()
{
    QTest::addColumn<bool>("offered");
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("shown");
    QTest::newRow("operation by number")
        << true << 1 << QVariant(2) << true << QString::fromUtf8("写读数据");
    QTest::newRow("operation by keyword") << true << 1 << QVariant(QString::fromUtf8("读数据"))
                                          << true << QString::fromUtf8("读数据");
    QTest::newRow("write-read not offered")
        << false << 1 << QVariant(2) << false << QString::fromUtf8("写数据");
    QTest::newRow("no such operation")
        << true << 1 << QVariant(3) << false << QString::fromUtf8("写数据");
    QTest::newRow("unknown keyword")
        << true << 1 << QVariant(QStringLiteral("x")) << false << QString::fromUtf8("写数据");
    QTest::newRow("data kept verbatim")
        << true << 2 << QVariant(QStringLiteral(" 0A  g ")) << true << " 0A  g ";
    QTest::newRow("delay") << true << 4 << QVariant(QStringLiteral("007")) << true << "007";
}

void TestOperationList::edits()
{
    QFETCH(bool, offered);
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(bool, taken);
    QFETCH(QString, shown);
    OperationListModel model;
    OperationRow row;
    row.writeReadOffered = offered;
    model.appendRows({row});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QCOMPARE(model.setData(model.index(0, column), value), taken);
    QCOMPARE(changed.size(), taken ? 1 : 0);
    QCOMPARE(model.index(0, column).data().toString(), shown);
}

void TestOperationList::removeCheckedRows_data()
{
    QTest::addColumn<QString>("checks"); // one character per row, 1 = checked
    QTest::addColumn<QString>("left");   // the rows left, by their first position
    QTest::addColumn<int>("removals");   // rowsRemoved signals: one per run of checked rows
    QTest::newRow("none") << "000"
                          << "012" << 0;
    QTest::newRow("all") << "111"
                         << "" << 1;
    QTest::newRow("runs") << "1101001"
                          << "245" << 3;
}

void TestOperationList::removeCheckedRows()
{
    QFETCH(QString, checks);
    QFETCH(QString, left);
    QFETCH(int, removals);
    OperationListModel model;
    QVector<OperationRow> rows;
    for (int i = 0; i < checks.size(); ++i) {
        OperationRow row;
        row.checked = checks.at(i) == QLatin1Char('1');
        row.writeData = QString::number(i);
        rows.append(row);
    }
    model.appendRows(rows);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QCOMPARE(model.removeCheckedRows(), checks.count(QLatin1Char('1')));
    QString actual;
    for (const OperationRow &row : model.rows())
        actual += row.writeData;
    QCOMPARE(actual, left);
    QCOMPARE(removed.size(), removals);
    QCOMPARE(model.anyChecked(), false);
}

QTEST_GUILESS_MAIN(TestOperationList)
#include "tst_operationlist.moc"
