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
    void write();
    void read_data();
    void read();
    void lineNumbers();
    void limits_data();
    void limits();
};

void TestListFile::write()
{
    QCOMPARE(writeListFile({}), header);
    const QVector<ListRow> rows{row(true, "写数据", "11 22", "0", "0"),
                                row(false, "读数据", "", " 20", "007 "),
                                row(true, "写读数据", "9F ", "3", "0")};
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
    const ListRow fresh = row(true, "写数据", "11 22", "0", "0");
    QTest::newRow("byte-order mark, CR LF, LF, CR CR LF, no terminator")
        << "\xEF\xBB\xBF" + header + line + "\r\n" + line + "\n" + line + "\r\r\n" + line
        << QVector<ListRow>(4, fresh);
    QTest::newRow("header without semicolon")
        << QByteArray("选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n")
        << QVector<ListRow>{row(true, "操作类型", "写数据", "读数据字节数", "延时(毫秒)")};
    QTest::newRow("extra fields ignored, also after CRs") << line + ",x,y\n" + line + "\r\r,x\n"
                                                          << QVector<ListRow>{fresh, fresh};
    QTest::newRow("check fields, comments anywhere, short lines")
        << QByteArray("false,a,,,\nno,a,,,\n 0,a,,,\n,a,,,\n0,a,,,\n;x,y,z,w,v\n "
                      "1;,a,,,\n1,读数据,,20\r\n\r\n")
        << (QVector<ListRow>(4, row(true, "a", "", "", ""))
            << row(false, "a", "", "", "") << row(true, "a", "", "", ""));
    QTest::newRow("NUL ends the line")
        << line + QByteArray(1, '\0') + ",junk\n1,a,b" + QByteArray(1, '\0') + ",c,d\n2,a,b,c,d"
        << QVector<ListRow>{fresh, row(true, "a", "b", "c", "d")};
    QTest::newRow("invalid UTF-8")
        << QByteArray("1,\xFF\xFE,\xC3,\xE4\xB8,0\n")
        << QVector<ListRow>{row(true, "\uFFFD\uFFFD", "\uFFFD", "\uFFFD\uFFFD", "0")};
    QTest::newRow("only commas") << QByteArray(",,,,\n,,,\n") + QByteArray(1000000, ',')
                                 << QVector<ListRow>(2, row(true, "", "", "", ""));
    QTest::newRow("white space and numbers beyond every range, verbatim")
        << QByteArray("1,写读数据, 11 ,99999999999,-5\n0,读数据,,0x10 , 65535 \n")
        << QVector<ListRow>{row(true, "写读数据", " 11 ", "99999999999", "-5"),
                            row(false, "读数据", "", "0x10 ", " 65535 ")};
    const QByteArray longData = QByteArray("A5 ").repeated(10 * 1024 * 1024 / 3);
    QTest::newRow("line of ten megabytes")
        << "1,写数据," + longData + ",0,0\r\n"
        << QVector<ListRow>{row(true, "写数据", longData.constData(), "0", "0")};
}

void TestListFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QVector<ListRow>, rows);
    QCOMPARE(readListFile(file), rows);
}

void TestListFile::lineNumbers()
{
    // A row's line counts the header, comments, short and empty lines.
    QVector<int> lines;
    for (const ListRow &row :
         readListFile(header + "1,a,,,\r\n;c,,,,\r\n1,b\r\n\r\n0,c,,,\r\r\n1,d,,,"))
        lines.append(row.line);
    QCOMPARE(lines, QVector<int>({3, 7, 8}));
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
    QTest::newRow("comments do not count") << full + ";1,写数据,11,0,0\r\n1,a,b,c\r\n"
                                           << listFileMaxRows << none;
    QTest::newRow("one row too many") << full + "1,读数据,,1,0" << 0 << tooMany;
    QTest::newRow("a million lines") << QByteArray(",,,,\n").repeated(1000000) << 0 << tooMany;
    const QByteArray big = "1,写数据," + QByteArray(listFileMaxBytes - 16, 'A') + ",0,0";
    QTest::newRow("as many bytes as allowed") << big << 1 << none;
    QTest::newRow("one byte too many") << big + "0" << 0 << tooLarge;
}

void TestListFile::limits()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(QString, warning);
    ListFileError reported = ListFileError::TooLarge;
    QCOMPARE(readListFile(file, &reported).size(), rows);
    QCOMPARE(listFileErrorText(reported), warning);
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
