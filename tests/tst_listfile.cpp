// The ".list" file, byte for byte, and every kind of line the reader meets.

#include "oplist/listfile.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<ListRow>)

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

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
