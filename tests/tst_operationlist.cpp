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
    void removeCheckedRows();
};

void TestOperationList::fileRows_data()
{
    QTest::addColumn<QString>("operation"); // in the file
    QTest::addColumn<bool>("master");
    QTest::addColumn<QVariant>("edit"); // then given to the operation cell
    // "checked|operation as saved|operation after the edit". An unrecognised operation loads
    // unchecked, as write, and is named among the problems. A slave's rows show write-read as
    // write and do not offer it. A refused edit changes nothing.
    QTest::addColumn<QString>("shown");
    QTest::newRow("write, by keyword")
        << "写数据" << true << QVariant("读数据") << "1|写数据|读数据";
    QTest::newRow("read, by number") << "读数据" << true << QVariant(2) << "1|读数据|写读数据";
    QTest::newRow("write-read, unknown keyword")
        << "写读数据" << true << QVariant("x") << "1|写读数据|写读数据";
    QTest::newRow("write-read as slave") << "写读数据" << false << QVariant(2) << "1|写数据|写数据";
    QTest::newRow("half a keyword, no such number")
        << "写读" << true << QVariant(3) << "0|写数据|写数据";
    QTest::newRow("trailing blanks")
        << "读数据 " << true << QVariant("写读数据 ") << "0|写数据|写数据";
}

void TestOperationList::fileRows()
{
    QFETCH(QString, operation);
    QFETCH(bool, master);
    QFETCH(QVariant, edit);
    QFETCH(QString, shown);
    const QStringList expected = shown.split('|');
    // Data beyond any line edit's length: never cut.
    const ListRow file{true, operation, QString(40000, QLatin1Char('A')), " 3", "7", 5};
    QStringList problems;
    OperationListModel model;
    model.appendRows(toOperationRows({file}, master, &problems));
    QCOMPARE(problems, expected[0] == "0"
                           ? QStringList(QString::fromUtf8("第5行“%1”").arg(operation))
                           : QStringList());
    const ListRow saved{expected[0] == "1", expected[1], file.writeData, file.count, file.delay};
    QCOMPARE(toListRows(model.rows()).value(0), saved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const bool taken = expected[2] != expected[1];
    QCOMPARE(model.setData(model.index(0, 1), edit), taken);
    QCOMPARE(changed.size(), int(taken));
    QCOMPARE(model.index(0, 1).data().toString(), expected[2]);
}

void TestOperationList::unrecognisedMessageNamesTenRows()
{
    QCOMPARE(unrecognisedOperationsMessage(QString("1 2 3 4 5 6 7 8 9 10 11 12").split(' ')),
             QString::fromUtf8("列表文件中以下行的操作类型无法识别，已载入为未选中行：1，2，3，4，"
                               "5，6，7，8，9，10等共12行。请检查后再执行！"));
}

void TestOperationList::removeCheckedRows()
{
    // Rows named by their first position; one rowsRemoved per run of checked rows.
    QVector<ListRow> file;
    for (const char check : QByteArray("1101001"))
        file.append({check == '1', "写数据", QString::number(file.size()), "", ""});
    OperationListModel model;
    model.appendRows(toOperationRows(file, true, nullptr));
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QCOMPARE(model.removeCheckedRows(), 4);
    QString kept;
    for (const OperationRow &row : model.rows())
        kept += row.writeData;
    QCOMPARE(kept, QStringLiteral("245"));
    QCOMPARE(removed.size(), 3);
}

QTEST_GUILESS_MAIN(TestOperationList)
#include "tst_operationlist.moc"
