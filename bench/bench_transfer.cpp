// What the largest transfers cost the program: turning 20480 bytes into hex text and back,
// reading a long list file, and echoing a full buffer into the traffic log.

#include "kavristest.h"

#include "oplist/listfile.h"
#include "transfer/bytetext.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QtTest>

class BenchTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void formatFullBuffer();
    void parseFullBuffer();
    void readLongListFile();
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
