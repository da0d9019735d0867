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
    void removeCheckedRows();
};

void TestOperationList::fileRows_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("master");
    // "checked|operation" as shown and saved; an unrecognised operation loads unchecked, as write,
    // and is named among the problems. A slave's rows show write-read as write and do not offer it.
    QTest::addColumn<QString>("shown");
    QTest::newRow("write") << "写数据" << true << QString("1|写数据");
    QTest::newRow("read") << "读数据" << true << QString("1|读数据");
    QTest::newRow("write-read") << "写读数据" << true << QString("1|写读数据");
    QTest::newRow("write-read as slave") << "写读数据" << false << QString("1|写数据");
    QTest::newRow("typo") << "写入数据" << true << QString("0|写数据");
    QTest::newRow("half a keyword") << "写读" << true << QString("0|写数据");
    QTest::newRow("empty") << "" << true << QString("0|写数据");
    QTest::newRow("trailing blank") << "读数据 " << true << QString("0|写数据");
}

void TestOperationList::fileRows()
{
    QFETCH(QString, operation);
    QFETCH(bool, master);
    QFETCH(QString, shown);
    // Data beyond any line edit's length: never cut.
    const ListRow file{true, operation, QString(40000, QLatin1Char('A')), " 3", "7", 5};
    QStringList problems;
    OperationListModel model;
    model.appendRows(toOperationRows({file}, master, &problems));
    const QString problem = QString::fromUtf8("第5行“%1”").arg(operation);
    QCOMPARE(problems, shown.startsWith(QLatin1Char('0')) ? QStringList({problem}) : QStringList());
    const ListRow back = toListRows(model.rows()).value(0);
    QCOMPARE(QStringList({QString::number(model.isChecked(0)), model.index(0, 1).data().toString(),
                          back.operation, back.writeData, back.count, back.delay}),
             QStringList({shown.left(1), shown.mid(2), shown.mid(2), file.writeData, file.count,
                          file.delay}));
    QCOMPARE(model.setData(model.index(0, 1), 2), master);
}

void TestOperationList::unrecognisedMessageNamesTenRows()
{
    QCOMPARE(unrecognisedOperationsMessage(QString("1 2 3 4 5 6 7 8 9 10 11 12").split(' ')),
             QString::fromUtf8("列表文件中以下行的操作类型无法识别，已载入为未选中行：1，2，3，4，"
                               "5，6，7，8，9，10等共12行。请检查后再执行！"));
}

void TestOperationList::edits_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("shown"); // empty: the model refuses the edit and keeps "写数据"
    QTest::newRow("operation by number") << 1 << QVariant(2) << "写读数据";
    QTest::newRow("operation by keyword") << 1 << QVariant("读数据") << "读数据";
    QTest::newRow("no such operation") << 1 << QVariant(3) << "";
    QTest::newRow("unknown keyword") << 1 << QVariant("x") << "";
    QTest::newRow("data kept verbatim") << 2 << QVariant(" 0A  g ") << " 0A  g ";
    QTest::newRow("delay") << 4 << QVariant("007") << "007";
}

void TestOperationList::edits()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(QString, shown);
    OperationListModel model;
    model.appendRows({OperationRow()});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QCOMPARE(model.setData(model.index(0, column), value), !shown.isEmpty());
    QCOMPARE(changed.size(), shown.isEmpty() ? 0 : 1);
    QCOMPARE(model.index(0, column).data().toString(), shown.isEmpty() ? "写数据" : shown);
}

void TestOperationList::removeCheckedRows()
{
    // Rows named by their first position; one rowsRemoved per run of checked rows.
    OperationListModel model;
    for (const QChar check : QStringLiteral("1101001")) {
        OperationRow row;
        row.checked = check == QLatin1Char('1');
        row.writeData = QString::number(model.rowCount());
        model.appendRows({row});
    }
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QCOMPARE(model.removeCheckedRows(), 4);
    QCOMPARE(model.removeCheckedRows(), 0); // none left checked
    QString kept;
    for (const OperationRow &row : model.rows())
        kept += row.writeData;
    QCOMPARE(kept, QStringLiteral("245"));
    QCOMPARE(removed.size(), 3);
}

QTEST_GUILESS_MAIN(TestOperationList)
#include "tst_operationlist.moc"
