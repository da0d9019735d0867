// What the largest transfers cost the program: turning 20480 bytes into hex text and back,
// converting a hex box of up to a million tokens, reading list files up to their limits, and
// echoing a full buffer into the traffic log. The sizes in the data tables step by ten: a
// time that grows by much more than ten per step is a cost that grows faster than the text.

#include "kavristest.h"

#include "oplist/listfile.h"
#include "transfer/bytetext.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

class BenchTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void formatFullBuffer();
    void parseFullBuffer();
    void hexBoxToPlain_data();
    void hexBoxToPlain();
    void plainBoxToHex_data();
    void plainBoxToHex();
    void readLongListFile();
    void readListFileAtLimits_data();
    void readListFileAtLimits();
    void openListInWindow_data();
    void openListInWindow();
    void writeReadFullBufferIntoLog();
};

namespace
{

QByteArray fullBuffer()
{
    QByteArray bytes(20480, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    return bytes;
}

} // namespace

void BenchTransfer::formatFullBuffer()
{
    const QByteArray bytes = fullBuffer();
    QString text;
    QBENCHMARK
    {
        text = formatHexBytes(bytes);
    }
    QCOMPARE(text.size(), 3 * 20480);
}

void BenchTransfer::parseFullBuffer()
{
    const QString text = formatHexBytes(fullBuffer());
    QByteArray bytes;
    QBENCHMARK
    {
        bytes = parseHexBytes(text, HexConversion::Signed);
    }
    QCOMPARE(bytes, fullBuffer());
}

void BenchTransfer::hexBoxToPlain_data()
{
    QTest::addColumn<int>("tokens");
    for (int tokens : {10000, 100000, 1000000})
        QTest::newRow(qPrintable(QString::number(tokens))) << tokens;
}

void BenchTransfer::hexBoxToPlain()
{
    QFETCH(int, tokens);
    const QString hex = QStringLiteral("41 42 43 ").repeated(tokens / 3);
    QString plain;
    QBENCHMARK
    {
        QVERIFY(hexToPlainText(hex, &plain));
    }
    QCOMPARE(plain.size(), tokens / 3 * 3);
}

void BenchTransfer::plainBoxToHex_data()
{
    hexBoxToPlain_data();
}

void BenchTransfer::plainBoxToHex()
{
    QFETCH(int, tokens);
    const QString plain = QString::fromUtf8("Ab中").repeated(tokens / 3);
    QString hex;
    QBENCHMARK
    {
        hex = plainToHexText(plain);
    }
    QCOMPARE(hex.size(), tokens / 3 * 9);
}

void BenchTransfer::readListFileAtLimits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    const QByteArray line = "1,写数据,11 22 33 44 55 66 77 88 99 AA,0,0\r\n";
    QTest::newRow("most rows") << line.repeated(listFileMaxRows) << listFileMaxRows;
    const QByteArray wide = "1,写数据," + QByteArray("5A ").repeated(700) + ",0,0\r\n";
    const int wideRows = static_cast<int>(listFileMaxBytes / wide.size());
    QTest::newRow("most bytes in wide rows") << wide.repeated(wideRows) << wideRows;
    QTest::newRow("most bytes in one row")
        << "1,写数据," + QByteArray(listFileMaxBytes - 16, 'A') + ",0,0" << 1;
    QTest::newRow("a million lines, refused") << line.repeated(1000000) << 0;
}

void BenchTransfer::readListFileAtLimits()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QVector<ListRow> read;
    QBENCHMARK
    {
        read = readListFile(file);
    }
    QCOMPARE(read.size(), rows);
}

void BenchTransfer::openListInWindow_data()
{
    QTest::addColumn<int>("rows");
    for (int rows : {100, 1000, 10000})
        QTest::newRow(qPrintable(QString::number(rows))) << rows;
}

void BenchTransfer::openListInWindow()
{
    // The reader is bounded; what a row then costs the window decides what the row limit can be.
    QFETCH(int, rows);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.list"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("1,写数据,11 22 33 44 55 66 77 88 99 AA,0,0\r\n").repeated(rows));
    file.close();
    KavrisFixture fixture;
    fixture.start();
    QBENCHMARK_ONCE
    {
        fixture.dialogs().then(ModalAnswerer::chooseFile(path));
        fixture.click("toolButtonOpenListFromFile");
    }
    QCOMPARE(MainWindowTestAccess::operations(fixture.window()).rowCount(), rows);
    fixture.stop();
}

void BenchTransfer::readLongListFile()
{
    QVector<ListRow> rows(5000, ListRow{true, QString::fromUtf8("写数据"),
                                        QStringLiteral("11 22 33 44 55 66 77 88 99 AA"),
                                        QStringLiteral("0"), QStringLiteral("0")});
    const QByteArray file = writeListFile(rows);
    QVector<ListRow> read;
    QBENCHMARK
    {
        read = readListFile(file);
    }
    QCOMPARE(read.size(), 5000);
}

void BenchTransfer::writeReadFullBufferIntoLog()
{
    // A full-duplex write of 20480 bytes: one call, two log entries of 61440 characters each.
    KavrisFixture fixture;
    fixture.start();
    fixture.select("controlModeComboBox", 0);
    fixture.setWriteText("writeTextEdit", formatHexBytes(fullBuffer()));
    fixture.click("writePushButton");
    QBENCHMARK
    {
        fixture.click("writePushButton");
    }
    QVERIFY(fixture.find<TrafficLogView>("dataTextBrowser")->log()->count() > 2);
    fixture.stop();
}

QTEST_MAIN(BenchTransfer)
#include "bench_transfer.moc"
