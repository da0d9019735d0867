// The ".list" file, byte for byte, and every kind of line the reader meets.

#include "oplist/listfile.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<ListRow>)
Q_DECLARE_METATYPE(ListFileError)
Q_DECLARE_METATYPE(Operation)

namespace
{

const QByteArray header = QByteArray(
    ";该文件为KAVRIS列表操作文件，每行为一个操作，若当前行为\";\"开头，则当前行为注释行\r\n"
    ";选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n");

ListRow row(bool checked, const char *operation, const char *data, const char *count,
            const char *delay)
{
    return {checked, QString::fromUtf8(operation), QString::fromUtf8(data),
            QString::fromUtf8(count), QString::fromUtf8(delay)};
}

} // namespace

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void write_data();
    void write();
    void read_data();
    void read();
    void roundTrip();
    void limits_data();
    void limits();
    void errorText_data();
    void errorText();
    void operation_data();
    void operation();
};

void TestListFile::write_data()
{
    QTest::addColumn<QVector<ListRow>>("rows");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("empty table") << QVector<ListRow>() << header;
    QTest::newRow("fresh row")
        << QVector<ListRow>{row(true, "写数据", "11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF", "0",
                                "0")}
        << header + "1,写数据,11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF,0,0\r\n";
    QTest::newRow("unchecked read, texts verbatim")
        << QVector<ListRow>{row(false, "读数据", "", " 20", "100 ")}
        << header + "0,读数据,, 20,100 \r\n";
}

void TestListFile::write()
{
    QFETCH(QVector<ListRow>, rows);
    QFETCH(QByteArray, file);
    QCOMPARE(writeListFile(rows), file);
    QVERIFY(!writeListFile(rows).startsWith("\xEF\xBB\xBF"));
}

void TestListFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QVector<ListRow>>("rows");
    const ListRow fresh = row(true, "写数据", "11 22", "0", "0");
    QTest::newRow("header only") << header << QVector<ListRow>();
    QTest::newRow("CR LF") << header + "1,写数据,11 22,0,0\r\n" << QVector<ListRow>{fresh};
    QTest::newRow("LF") << QByteArray("1,写数据,11 22,0,0\n") << QVector<ListRow>{fresh};
    QTest::newRow("CR CR LF") << QByteArray("1,写数据,11 22,0,0\r\r\n") << QVector<ListRow>{fresh};
    QTest::newRow("no terminator") << QByteArray("1,写数据,11 22,0,0") << QVector<ListRow>{fresh};
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + header + "1,写数据,11 22,0,0\r\n"
                                     << QVector<ListRow>{fresh};
    QTest::newRow("header without semicolon")
        << QByteArray("选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n")
        << QVector<ListRow>{row(true, "操作类型", "写数据", "读数据字节数", "延时(毫秒)")};
    QTest::newRow("empty write data") << QByteArray("0,读数据,,20,5\r\n")
                                      << QVector<ListRow>{row(false, "读数据", "", "20", "5")};
    QTest::newRow("four fields skipped")
        << QByteArray("1,读数据,,20\r\n\r\n") << QVector<ListRow>();
    QTest::newRow("extra fields ignored")
        << QByteArray("1,写数据,11 22,0,0,x,y\n") << QVector<ListRow>{fresh};
    QTest::newRow("CRs before extra fields")
        << QByteArray("1,写数据,11 22,0,0\r\r,x\n") << QVector<ListRow>{fresh};
    QTest::newRow("check fields") << QByteArray("false,a,,,\nno,a,,,\n 0,a,,,\n,a,,,\n0,a,,,\n")
                                  << QVector<ListRow>{
                                         row(true, "a", "", "", ""), row(true, "a", "", "", ""),
                                         row(true, "a", "", "", ""), row(true, "a", "", "", ""),
                                         row(false, "a", "", "", "")};
    QTest::newRow("comment anywhere") << QByteArray("1,写数据,11 22,0,0\n;x,y,z,w,v\n 1;,a,,,\n")
                                      << QVector<ListRow>{fresh, row(true, "a", "", "", "")};
    QTest::newRow("NUL ends the line")
        << QByteArray("1,写数据,11 22,0,0") + QByteArray(1, '\0') + ",junk\n2,a,b,c,d"
        << QVector<ListRow>{fresh, row(true, "a", "b", "c", "d")};
    QTest::newRow("NUL before the fifth field") << QByteArray("1,a,b", 5) + '\0' + ",c,d\n"
                                                << QVector<ListRow>();
    QTest::newRow("invalid UTF-8")
        << QByteArray("1,\xFF\xFE,\xC3,\xE4\xB8,0\n")
        << QVector<ListRow>{{true, QString(2, QChar(0xFFFD)), QString(QChar(0xFFFD)),
                             QString(2, QChar(0xFFFD)), "0"}};
    QTest::newRow("only commas") << QByteArray(",,,,\n,,,\n") + QByteArray(1000000, ',')
                                 << QVector<ListRow>{row(true, "", "", "", ""),
                                                     row(true, "", "", "", "")};
    QTest::newRow("numbers beyond every range, verbatim")
        << QByteArray("1,写读数据,11,99999999999,-5\n0,读数据,,0x10,65535\n")
        << QVector<ListRow>{row(true, "写读数据", "11", "99999999999", "-5"),
                            row(false, "读数据", "", "0x10", "65535")};
    QByteArray longData;
    for (int i = 0; i < 10 * 1024 * 1024 / 3; ++i)
        longData += "A5 ";
    QTest::newRow("line of ten megabytes")
        << "1,写数据," + longData + ",0,0\r\n"
        << QVector<ListRow>{row(true, "写数据", longData.constData(), "0", "0")};
    QTest::newRow("white space kept")
        << QByteArray("1,写数据, 11 22 ,0 , 100 \n")
        << QVector<ListRow>{row(true, "写数据", " 11 22 ", "0 ", " 100 ")};
}

void TestListFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QVector<ListRow>, rows);
    QCOMPARE(readListFile(file), rows);
}

void TestListFile::roundTrip()
{
    const QVector<ListRow> rows = {row(true, "写数据", "11 22 33", "0", "0"),
                                   row(false, "读数据", "", "10230", "250"),
                                   row(true, "写读数据", "9F ", "3", "007")};
    QCOMPARE(readListFile(writeListFile(rows)), rows);
}

void TestListFile::limits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<ListFileError>("error");
    QByteArray full = header;
    for (int i = 0; i < listFileMaxRows; ++i)
        full += "1,写数据,11 22,0,0\r\n";
    QTest::newRow("as many rows as allowed") << full << listFileMaxRows << ListFileError::None;
    QTest::newRow("comments do not count") << full + ";1,写数据,11,0,0\r\n1,a,b,c\r\n"
                                           << listFileMaxRows << ListFileError::None;
    QTest::newRow("one row too many") << full + "1,读数据,,1,0" << 0 << ListFileError::TooManyRows;
    QTest::newRow("a million lines")
        << QByteArray(",,,,\n").repeated(1000000) << 0 << ListFileError::TooManyRows;
    QTest::newRow("as many bytes as allowed")
        << "1,写数据," + QByteArray(listFileMaxBytes - 16, 'A') + ",0,0" << 1
        << ListFileError::None;
    QTest::newRow("one byte too many")
        << "1,写数据," + QByteArray(listFileMaxBytes - 15, 'A') + ",0,0" << 0
        << ListFileError::TooLarge;
}

void TestListFile::limits()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(ListFileError, error);
    ListFileError reported = ListFileError::TooLarge;
    const QVector<ListRow> read = readListFile(file, &reported);
    QCOMPARE(read.size(), rows);
    QCOMPARE(reported, error);
}

void TestListFile::errorText_data()
{
    QTest::addColumn<ListFileError>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << ListFileError::None << QString();
    QTest::newRow("rows") << ListFileError::TooManyRows
                          << QString::fromUtf8("列表文件超过100000行的上限，未加载！");
    QTest::newRow("bytes") << ListFileError::TooLarge
                           << QString::fromUtf8("列表文件超过64MB的上限，未加载！");
}

void TestListFile::errorText()
{
    QFETCH(ListFileError, error);
    QFETCH(QString, text);
    QCOMPARE(listFileErrorText(error), text);
}

void TestListFile::operation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("known");
    QTest::addColumn<Operation>("operation");
    QTest::newRow("write") << QString::fromUtf8("写数据") << true << Operation::Write;
    QTest::newRow("read") << QString::fromUtf8("读数据") << true << Operation::Read;
    QTest::newRow("write-read") << QString::fromUtf8("写读数据") << true << Operation::WriteRead;
    QTest::newRow("trailing blank") << QString::fromUtf8("读数据 ") << false << Operation::Read;
    QTest::newRow("half a keyword") << QString::fromUtf8("写读") << false << Operation::Read;
    QTest::newRow("English") << "Write" << false << Operation::Read;
    QTest::newRow("empty") << "" << false << Operation::Read;
}

void TestListFile::operation()
{
    QFETCH(QString, text);
    QFETCH(bool, known);
    QFETCH(Operation, operation);
    // An unrecognised text leaves the variable as it was.
    Operation parsed = Operation::Read;
    QCOMPARE(parseOperation(text, &parsed), known);
    QCOMPARE(parsed, operation);
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
