// The ".list" file, byte for byte, and every kind of line the reader meets.

#include "oplist/listfile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <thread>

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
    void selectField_data();
    void selectField();
    void lineNumbers();
    void limits_data();
    void limits();
    void limitsBeforeReading_data();
    void limitsBeforeReading();
    void fromFiles();
};

namespace
{

// A device of any size that makes up its bytes and counts what is read of it.
class MadeUpDevice : public QIODevice
{
public:
    MadeUpDevice(qint64 size, bool sequential) : length(size), sequential(sequential)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return sequential; }
    qint64 size() const override { return sequential ? 0 : length; }
    qint64 taken = 0;

protected:
    qint64 readData(char *data, qint64 most) override
    {
        const qint64 n = qMin(most, length - taken);
        memset(data, ' ', static_cast<size_t>(n));
        taken += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 length;
    bool sequential;
};

} // namespace

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
    QTest::newRow("byte-order mark; CR LF, LF, CR CR LF once, CR alone, also twice")
        << "\xEF\xBB\xBF" + header + line + "\r\n" + line + "\n" + line + "\r\r\n" + line + "\r" +
               line + "\r\r" + line + "\r"
        << QVector<ListRow>(6, fresh);
    QTest::newRow("check fields, comments anywhere, short lines, only commas")
        << QByteArray("false,a,,,\n 1 ,a,,,\n 0,a,,,\n,a,,,\n0,a,,,\n;x,y,z,w,v\n "
                      "1;,a,,,\n1,读数据,,20\r\n\r\n,,,,\n,,,\n") +
               QByteArray(1000000, ',')
        << (QVector<ListRow>{{false, "a", "", "", ""}, {true, "a", "", "", ""}}
            << QVector<ListRow>(4, ListRow{false, "a", "", "", ""})
            << ListRow{false, "", "", "", ""} << ListRow{false, "", "", "", ""});
    QTest::newRow("extra fields ignored; CRs end the line; NUL ends the line")
        << line + ",x,y\n" + line + "\r\r,x\n" + line + QByteArray(1, '\0') + ",junk\n1,a,b" +
               QByteArray(1, '\0') + ",c,d\n2,a,b,c,d"
        << QVector<ListRow>{fresh, fresh, fresh, {false, "a", "b", "c", "d"}};
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

void TestListFile::selectField_data()
{
    QTest::addColumn<QByteArray>("select");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("unclear");
    QTest::newRow("1") << QByteArray("1") << true << false;
    QTest::newRow("0") << QByteArray("0") << false << false;
    QTest::newRow("blanks around 1") << QByteArray(" 1\t") << true << false;
    QTest::newRow("blanks around 0") << QByteArray("0 ") << false << false;
    for (const char *unclear : {"", " ", "false", "true", "2", "01", "1;", "-0", "１"})
        QTest::addRow("unclear: \"%s\"", unclear) << QByteArray(unclear) << false << true;
}

void TestListFile::selectField()
{
    QFETCH(QByteArray, select);
    const QVector<ListRow> rows = readListFile(select + ",写数据,01,0,0\n");
    QCOMPARE(rows.size(), 1);
    QTEST(rows[0].checked, "checked");
    QTEST(rows[0].selectUnclear, "unclear");
    QCOMPARE(rows[0].select, rows[0].selectUnclear ? QString::fromUtf8(select) : QString());
}

void TestListFile::lineNumbers()
{
    QString lines;
    for (const auto &row : readListFile(header + "1,a,,,\r\n;c\r\n1,b\r\n\r\n0,c,,,\r\r\n1,d,,,\r"
                                                 "1,e,,,\r\r1,f,,,"))
        lines += QString::number(row.line) + ' ';
    // Counting the header, comments, short and empty lines, and a CR alone as a line end.
    QCOMPARE(lines, QString("3 7 8 9 11 "));
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

void TestListFile::limitsBeforeReading_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("sequential");
    QTest::addColumn<int>("error");
    QTest::addColumn<qint64>("read"); // bytes taken from the device
    const qint64 limit = listFileMaxBytes;
    const int none = int(ListFileError::None), tooLarge = int(ListFileError::TooLarge);
    QTest::newRow("3 GiB file") << 3 * 1024 * qint64(1024 * 1024) << false << tooLarge << qint64(0);
    QTest::newRow("one byte too many") << limit + 1 << false << tooLarge << qint64(0);
    QTest::newRow("at the limit") << limit << false << none << limit;
    QTest::newRow("endless pipe") << (qint64(1) << 40) << true << tooLarge << limit + 1;
    QTest::newRow("pipe at the limit") << limit << true << none << limit;
}

void TestListFile::limitsBeforeReading()
{
    QFETCH(qint64, size);
    QFETCH(bool, sequential);
    MadeUpDevice device(size, sequential);
    ListFileError error = ListFileError::Unreadable;
    QVERIFY(readListFileFrom(device, &error).isEmpty());
    QTEST(int(error), "error");
    QTEST(device.taken, "read");
}

void TestListFile::fromFiles()
{
    QTemporaryDir folder;
    ListFileError error = ListFileError::Unreadable;
    // A named pipe: read to its end.
    const QString pipe = folder.filePath("pipe.list");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::thread writer([pipe] {
        QFile out(pipe);
        if (out.open(QIODevice::WriteOnly))
            out.write("1,写数据,01,0,0\n0,读数据,,1,5\n");
    });
    const QVector<ListRow> rows = readListFileFrom(pipe, &error);
    writer.join();
    QCOMPARE(error, ListFileError::None);
    QCOMPARE(rows,
             (QVector<ListRow>{{true, "写数据", "01", "0", "0"}, {false, "读数据", "", "1", "5"}}));
    // Nothing there; a folder.
    for (const QString &path : {folder.filePath("missing.list"), folder.path()}) {
        error = ListFileError::None;
        QVERIFY(readListFileFrom(path, &error).isEmpty());
        QCOMPARE(error, ListFileError::Unreadable);
    }
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
