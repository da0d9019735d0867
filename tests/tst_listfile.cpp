// The ".list" file, byte for byte, and every kind of line the reader meets.

#include "oplist/listfile.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<ListRow>)

static const QByteArray
    header(";该文件为KAVRIS列表操作文件，每行为一个操作，若当前行为\";\"开头，则当前行为注释行\r\n"
           ";选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n");

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void write();
    void read_data();
    void read();
    void lineNumbers();
    void limits_data();
    void limits();
};

void TestListFile::write()
{
    const QVector<ListRow> rows{ListRow{true, "写数据", "11 22", "0", "0"},
                                {false, "读数据", "", " 20", "007 "},
                                {true, "写读数据", "9F ", "3", "0"}};
    const QByteArray file =
        header + "1,写数据,11 22,0,0\r\n0,读数据,, 20,007 \r\n1,写读数据,9F ,3,0\r\n";
    QCOMPARE(writeListFile(rows), file);
    QCOMPARE(readListFile(file), rows);
}

void TestListFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QVector<ListRow>>("rows");
    const QByteArray line = "1,写数据,11 22,0,0";
    const ListRow fresh{true, "写数据", "11 22", "0", "0"};
    QTest::newRow("byte-order mark, CR LF, LF, CR CR LF, no terminator")
        << "\xEF\xBB\xBF" + header + line + "\r\n" + line + "\n" + line + "\r\r\n" + line
        << QVector<ListRow>(4, fresh);
    QTest::newRow("check fields, comments anywhere, short lines, only commas")
        << QByteArray("false,a,,,\nno,a,,,\n 0,a,,,\n,a,,,\n0,a,,,\n;x,y,z,w,v\n "
                      "1;,a,,,\n1,读数据,,20\r\n\r\n,,,,\n,,,\n") +
               QByteArray(1000000, ',')
        << (QVector<ListRow>(4, ListRow{true, "a", "", "", ""})
            << ListRow{false, "a", "", "", ""} << ListRow{true, "a", "", "", ""}
            << ListRow{true, "", "", "", ""} << ListRow{true, "", "", "", ""});
    QTest::newRow("extra fields ignored, also after CRs; NUL ends the line")
        << line + ",x,y\n" + line + "\r\r,x\n" + line + QByteArray(1, '\0') + ",junk\n1,a,b" +
               QByteArray(1, '\0') + ",c,d\n2,a,b,c,d"
        << QVector<ListRow>{fresh, fresh, fresh, {true, "a", "b", "c", "d"}};
    QTest::newRow("white space, numbers beyond every range verbatim; invalid UTF-8")
        << QByteArray("1,写读数据, 11 ,99999999999,-5\n0,读数据,,0x10 , 65535 \n"
                      "1,\xFF\xFE,\xC3,\xE4\xB8,0\n")
        << QVector<ListRow>{{true, "写读数据", " 11 ", "99999999999", "-5"},
                            {false, "读数据", "", "0x10 ", " 65535 "},
                            {true, "\uFFFD\uFFFD", "\uFFFD", "\uFFFD\uFFFD", "0"}};
    const QByteArray longData = QByteArray("A5 ").repeated(10 * 1024 * 1024 / 3);
    QTest::newRow("line of ten megabytes")
        << "1,写数据," + longData + ",0,0\r\n"
        << QVector<ListRow>{{true, "写数据", longData.constData(), "0", "0"}};
}

void TestListFile::read()
{
    QFETCH(QByteArray, file);
    QTEST(readListFile(file), "rows");
}

void TestListFile::lineNumbers()
{
    QString lines;
    for (const auto &row : readListFile(header + "1,a,,,\r\n;c\r\n1,b\r\n\r\n0,c,,,\r\r\n1,d,,,"))
        lines += QString::number(row.line) + ' ';
    QCOMPARE(lines, QString("3 7 8 ")); // counting the header, comments, short and empty lines
}

void TestListFile::limits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("warning"); // the window's text for the error reported
    const QString none, tooMany = QString::fromUtf8("列表文件超过100000行的上限，未加载！");
    const QString tooLarge = QString::fromUtf8("列表文件超过64MB的上限，未加载！");
    const QByteArray full = header + QByteArray("1,写数据,11 22,0,0\r\n").repeated(listFileMaxRows);
    QTest::newRow("as many rows as allowed") << full << listFileMaxRows << none;
    QTest::newRow("comment, short line") << full + ";1,a,,,\r\n1,a\r\n" << listFileMaxRows << none;
    QTest::newRow("one row too many") << full + "1,读数据,,1,0" << 0 << tooMany;
    const QByteArray big = "1,写数据," + QByteArray(listFileMaxBytes - 16, 'A') + ",0,0";
    QTest::newRow("as many bytes as allowed") << big << 1 << none;
    QTest::newRow("one byte too many") << big + "0" << 0 << tooLarge;
}

void TestListFile::limits()
{
    QFETCH(QByteArray, file);
    ListFileError reported = ListFileError::TooLarge;
    QTEST(int(readListFile(file, &reported).size()), "rows");
    QTEST(listFileErrorText(reported), "warning");
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
