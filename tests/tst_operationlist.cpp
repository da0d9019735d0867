// The operation list as data: the rows the list file turns into and the warnings about them,
// the operation keywords, the edits the model takes and refuses, the cells it shows in the
// warning colour, and deleting the checked rows.

#include "oplist/listfile.h"
#include "oplist/operationlistmodel.h"

#include <QtTest>

class TestOperationList : public QObject
{
    Q_OBJECT

private slots:
    void fileRows_data();
    void fileRows();
    void loadProblems_data();
    void loadProblems();
    void unrecognisedMessageNamesTenRows();
    void cellNotes_data();
    void cellNotes();
    void passNote();
    void removeCheckedRows();
};

void TestOperationList::fileRows_data()
{
    QTest::addColumn<QString>("operation"); // in the file
    QTest::addColumn<bool>("master");
    QTest::addColumn<QVariant>("edit"); // then given to the operation cell
    // "checked|operation as saved|operation after the edit". An unrecognised operation loads
    // unchecked, as write, and is named among the problems. A slave's rows keep write-read,
    // unchecked, and do not offer it. A refused edit changes nothing.
    QTest::addColumn<QString>("shown");
    // clang-format off
    QTest::newRow("write, by keyword") << "写数据" << true << QVariant("读数据") << "1|写数据|读数据";
    QTest::newRow("read, by number") << "读数据" << true << QVariant(2) << "1|读数据|写读数据";
    QTest::newRow("write-read, unknown keyword") << "写读数据" << true << QVariant("x") << "1|写读数据|写读数据";
    QTest::newRow("write-read as slave") << "写读数据" << false << QVariant(2) << "0|写读数据|写读数据";
    QTest::newRow("write-read as slave, changed to read") << "写读数据" << false << QVariant(1) << "0|写读数据|读数据";
    QTest::newRow("half a keyword, no such number") << "写读" << true << QVariant(3) << "0|写数据|写数据";
    QTest::newRow("trailing blanks") << "读数据 " << true << QVariant("写读数据 ") << "0|写数据|写数据";
    // clang-format on
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
    QVector<RowProblem> problems;
    OperationListModel model;
    model.appendRows(toOperationRows({file}, master, &problems));
    const RowProblem named = master ? RowProblem{RowProblem::Kind::UnknownOperation, 5, operation}
                                    : RowProblem{RowProblem::Kind::WriteReadAsSlave, 5, QString()};
    QCOMPARE(problems, expected[0] == "0" ? QVector<RowProblem>{named} : QVector<RowProblem>());
    const ListRow saved{expected[0] == "1", expected[1], file.writeData, file.count, file.delay};
    QCOMPARE(toListRows(model.rows()).value(0), saved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const bool taken = expected[2] != expected[1];
    QCOMPARE(model.setData(model.index(0, 1), edit), taken);
    QCOMPARE(changed.size(), int(taken));
    QCOMPARE(model.index(0, 1).data().toString(), expected[2]);
}

void TestOperationList::loadProblems_data()
{
    QTest::addColumn<QString>("fields"); // "select|operation|count|delay" of a row on line 7
    QTest::addColumn<bool>("master");
    QTest::addColumn<QString>("message"); // empty: loaded as the file says
    const auto cells = [](const char *list) {
        return QString::fromUtf8(
                   "列表文件中以下单元格不是0到2147483647的整数，已载入为未选中行：%1。"
                   "请检查后再执行！")
            .arg(QString::fromUtf8(list));
    };
    const QString unknown = QString::fromUtf8(
        "列表文件中以下行的操作类型无法识别，已载入为未选中行：第7行“写入”。请检查后再执行！\n");
    // clang-format off
    QTest::newRow("plain numbers, blanks around, empty") << "1|读数据| 100 |" << true << "";
    QTest::newRow("largest delay, zero count") << "1|写读数据|0|2147483647" << true << "";
    QTest::newRow("unit") << "1|读数据|3|60ms" << true << cells("第7行延时“60ms”");
    QTest::newRow("exponent") << "1|读数据|1e3|0" << true << cells("第7行读数据字节数“1e3”");
    QTest::newRow("beyond int") << "1|写数据|2147483648|0" << true << cells("第7行读数据字节数“2147483648”");
    QTest::newRow("hex, decimal point") << "1|读数据|0x3|3.0" << true << cells("第7行读数据字节数“0x3”，第7行延时“3.0”");
    QTest::newRow("negative delay") << "1|写数据|0|-5" << true << cells("第7行延时“-5”");
    QTest::newRow("select") << "false|写数据|0|0" << true << QString::fromUtf8("列表文件中以下行的选择字段不是0或1，已载入为未选中行：第7行“false”。请检查后再执行！");
    QTest::newRow("write-read as a slave") << "1|写读数据|3|0" << false << QString::fromUtf8("从机模式下不能执行写读数据，以下行已载入为未选中行：第7行。请检查后再执行！");
    QTest::newRow("unknown operation and delay: two paragraphs") << "1|写入|0|x" << false << unknown + cells("第7行延时“x”");
    // clang-format on
}

void TestOperationList::loadProblems()
{
    QFETCH(QString, fields);
    QFETCH(bool, master);
    QFETCH(QString, message);
    const QStringList field = fields.split('|');
    QVector<ListRow> file = readListFile(
        QString("%1,%2,01,%3,%4\n").arg(field[0], field[1], field[2], field[3]).toUtf8());
    file[0].line = 7;
    QVector<RowProblem> problems;
    const QVector<OperationRow> rows = toOperationRows(file, master, &problems);
    QCOMPARE(rowProblemsMessage(problems), message);
    QCOMPARE(rows[0].checked, message.isEmpty());
    Operation operation = Operation::Write;
    parseOperation(field[1], &operation);
    QCOMPARE(rows[0].operation, operation); // an unknown one shows write
}

void TestOperationList::unrecognisedMessageNamesTenRows()
{
    QCOMPARE(unrecognisedOperationsMessage(QString("1 2 3 4 5 6 7 8 9 10 11 12").split(' ')),
             QString::fromUtf8("列表文件中以下行的操作类型无法识别，已载入为未选中行：1，2，3，4，"
                               "5，6，7，8，9，10等共12行。请检查后再执行！"));
    QVector<RowProblem> cells;
    for (int line = 1; line <= 12; ++line)
        cells.append({RowProblem::Kind::BadDelay, line, QStringLiteral("%1x").arg(line)});
    QCOMPARE(
        rowProblemsMessage(cells),
        QString::fromUtf8("列表文件中以下单元格不是0到2147483647的整数，已载入为未选中行：第1行"
                          "延时“1x”，第2行延时“2x”，第3行延时“3x”，第4行延时“4x”，第5行延时"
                          "“5x”，第6行延时“6x”，第7行延时“7x”，第8行延时“8x”，第9行延时“9x”"
                          "，第10行延时“10x”等共12处。请检查后再执行！"));
}

void TestOperationList::cellNotes_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("toolTip"); // empty: no note, no colour
    const int data = OperationListModel::DataColumn, count = OperationListModel::CountColumn,
              delay = OperationListModel::DelayColumn;
    const QString tokens =
        QString::fromUtf8("2个无效十六进制数，发送时：\n“ZZ”不是十六进制数，按 00 发送\n"
                          "“1FF”超过一个字节，按 FF 发送");
    const QString notInt = QString::fromUtf8("不是0到2147483647的整数，按%1执行");
    // clang-format off
    QTest::newRow("write, clean") << "写数据" << data << "0x9F 9F" << "";
    QTest::newRow("write") << "写数据" << data << "ZZ 9F 1FF" << tokens;
    QTest::newRow("write-read") << "写读数据" << data << "ZZ 9F 1FF" << tokens;
    QTest::newRow("read sends no data") << "读数据" << data << "ZZ 9F 1FF" << "";
    QTest::newRow("count") << "读数据" << count << "3x" << notInt.arg(0);
    QTest::newRow("count, plain") << "读数据" << count << " 3 " << "";
    QTest::newRow("delay") << "写数据" << delay << "-20" << notInt.arg(-20);
    // clang-format on
}

void TestOperationList::cellNotes()
{
    QFETCH(QString, operation);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, toolTip);
    OperationListModel model;
    model.appendRows(toOperationRows({ListRow{true, operation, "01", "0", "0"}}, true));
    QVERIFY(model.setData(model.index(0, column), cell));
    for (int other = 0; other < OperationListModel::ColumnCount; ++other) {
        const QModelIndex index = model.index(0, other);
        const bool noted = other == column && !toolTip.isEmpty();
        QCOMPARE(index.data(Qt::ToolTipRole), noted ? QVariant(toolTip) : QVariant());
        QCOMPARE(index.data(Qt::ForegroundRole), noted ? QVariant(QColor(Qt::red)) : QVariant());
    }
    QCOMPARE(model.index(0, column).data().toString(), cell); // the text itself stays
}

void TestOperationList::passNote()
{
    // Rows that are unchecked or read send nothing; the first row that sends is named.
    QVector<ListRow> file{{false, "写数据", "XX", "", ""},
                          {true, "读数据", "YY", "1", ""},
                          {true, "写数据", "01 02", "", ""}};
    QCOMPARE(listTokensSentMessage(toOperationRows(file, true)), QString());
    file += {{true, "写读数据", "ZZ 01 1FF", "1", ""},
             {true, "写数据", "-1", "", ""},
             {true, "写数据", "G", "", ""}};
    QCOMPARE(listTokensSentMessage(toOperationRows(file, true)),
             QString::fromUtf8("列表第4行：2个无效十六进制数已按 00 FF 发送：ZZ、1FF；另有2行含"
                               "无效十六进制数"));
}

void TestOperationList::removeCheckedRows()
{
    // Rows named by their first position; one rowsRemoved per run of checked rows.
    QVector<ListRow> file;
    for (const char check : QByteArray("1101001"))
        file.append({check == '1', "写数据", QString::number(file.size()), "", ""});
    OperationListModel model;
    model.appendRows(toOperationRows(file, true));
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
