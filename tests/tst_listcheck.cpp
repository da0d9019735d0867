// kavris-run's look at a list before the first transfer: what it refuses, what it warns about,
// and the exact lines it says, for files written out here.

#include "cli/listcheck.h"
#include "cli/runoptions.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

class TestListCheck : public QObject
{
    Q_OBJECT

private slots:
    void check_data();
    void check();
};

void TestListCheck::check_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("options"); // besides the file
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("rows");    // loaded for the run
    QTest::addColumn<QString>("err"); // FILE stands for the list's path
    const int usage = RunUsage;
    const QString refused = QStringLiteral("kavris-run: FILE: refused, nothing sent\n");
    const QString noRows = QStringLiteral("kavris-run: FILE: no rows\n");
    // clang-format off
    QTest::newRow("clean") << QByteArray("1,写数据,0x9F 01,0,0\r\n0,读数据,,3,5\r\n") << "" << 0 << 2 << "";
    QTest::newRow("an expected log given by mistake") << QByteArray("TX : 9F \r\nRX : EF 40 15 \r\n") << "" << usage << 0 << noRows;
    QTest::newRow("unknown operation") << QByteArray("1,写数据,01,0,0\n1,写入数据,01,0,0\n") << "" << usage << 2
        << QString::fromUtf8("kavris-run: 列表文件中以下行的操作类型无法识别，已载入为未选中行：第2行“写入数据”。请检查后再执行！\n") + refused;
    QTest::newRow("count with a unit, select false") << QByteArray("1,读数据,,60ms,0\nfalse,写数据,01,0,0\n") << "" << usage << 2
        << QString::fromUtf8("kavris-run: 列表文件中以下行的选择字段不是0或1，已载入为未选中行：第2行“false”。请检查后再执行！\n"
                             "kavris-run: 列表文件中以下单元格不是0到2147483647的整数，已载入为未选中行：第1行读数据字节数“60ms”。请检查后再执行！\n") + refused;
    QTest::newRow("write-read as a slave") << QByteArray("1,写数据,01,0,0\n0,写读数据,9F,3,0\n") << "--slave" << usage << 2
        << QString::fromUtf8("kavris-run: 从机模式下不能执行写读数据，以下行已载入为未选中行：第2行。请检查后再执行！\n") + refused;
    QTest::newRow("write-read as a master") << QByteArray("1,写读数据,9F,3,0\n") << "" << 0 << 1 << "";
    // Tokens: warned about with line and byte, in rows that run and send; refused when strict.
    const QByteArray tokens = "1,写数据,ZZ 1G 300,0,0\n0,写数据,XX,0,0\n1,读数据,YY,1,0\n1,写读数据,01 -1,1,0\n";
    QTest::newRow("tokens") << tokens << "" << 0 << 4
        << "kavris-run: FILE:1: \"ZZ\" is not a hex number; sent as 00\nkavris-run: FILE:1: \"1G\" is not a hex number; sent as 00\n"
           "kavris-run: FILE:1: \"300\" is wider than a byte; sent as 00\nkavris-run: FILE:4: \"-1\" is wider than a byte; sent as FF\n";
    QTest::newRow("tokens, strict") << tokens << "--strict" << usage << 4
        << "kavris-run: FILE:1: \"ZZ\" is not a hex number (--strict)\nkavris-run: FILE:1: \"1G\" is not a hex number (--strict)\n"
           "kavris-run: FILE:1: \"300\" is wider than a byte (--strict)\nkavris-run: FILE:4: \"-1\" is wider than a byte (--strict)\n" + refused;
    // clang-format on
    QString many;
    QByteArray manyTokens = "1,写数据,";
    for (int i = 1; i <= 22; ++i) {
        manyTokens += QByteArray(i, 'G') + ' ';
        if (i <= 20)
            many += QStringLiteral("kavris-run: FILE:1: \"%1\" is not a hex number; sent as 00\n")
                        .arg(QString(i, 'G'));
    }
    // clang-format off
    QTest::newRow("strict, clean") << QByteArray("1,写数据,0x9F 09 +1,0,0\n") << "--strict" << 0 << 1 << "";
    QTest::newRow("twenty named, the rest counted") << manyTokens + ",0,0\n" << "" << 0 << 1 << many + "kavris-run: FILE: 2 more tokens not sent as written\n";
    QTest::newRow("too large") << QByteArray(65 * 1024 * 1024, ' ') << "" << usage << 0 << QString::fromUtf8("kavris-run: FILE: 列表文件超过64MB的上限，未加载！\n");
    // clang-format on
}

void TestListCheck::check()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, options);
    QFETCH(QString, err);
    QTemporaryDir folder;
    const QString path = folder.filePath("a.list");
    QFile list(path);
    QVERIFY(list.open(QIODevice::WriteOnly) && list.write(file) == file.size());
    list.close();
    RunOptions run;
    QString problem;
    QStringList arguments{"kavris-run", path};
    if (!options.isEmpty())
        arguments.append(options);
    QVERIFY(parseRunOptions(arguments, &run, &problem));
    QString said;
    QTextStream stream(&said);
    QVector<OperationRow> rows;
    QTEST(loadListForRun(run, stream, &rows), "code");
    stream.flush();
    QTEST(int(rows.size()), "rows");
    QCOMPARE(said, QString(err).replace("FILE", path));
}

QTEST_GUILESS_MAIN(TestListCheck)
#include "tst_listcheck.moc"
