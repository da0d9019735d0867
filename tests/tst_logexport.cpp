// The log's exports for other programs: the CSV of the log, entry by entry, byte for byte; the
// VCD of the whole log holds every transfer with its own settings on one time axis, as sigrok's
// SPI decoder reads it.

#include "bus/spitransfer.h"
#include "transfer/logexport.h"
#include "transfer/trafficlog.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace
{

TransferOutcome transfer(TransferCall call, int channel, const QString &settings, int hz,
                         qint64 startUs, qint64 durationUs, const QList<QByteArray> &echoes)
{
    TransferOutcome made;
    TransferContext &c = made.context;
    c.call = call;
    c.device = 1;
    c.channel = channel;
    c.config.controlMode = settings.contains(QLatin1String("full")) ? 0 : 1;
    c.config.master = !settings.contains(QLatin1String("slave"));
    c.config.clockPolarity = settings.contains(QLatin1String("cpol"));
    c.config.clockPhase = settings.contains(QLatin1String("cpha"));
    c.config.lsbFirst = settings.contains(QLatin1String("lsb"));
    c.config.csPolarity = settings.contains(QLatin1String("cs-high"));
    c.config.clockHz = hz;
    c.intervalUs = settings.contains(QLatin1String("train")) ? 20 : 0;
    c.startUs = startUs;
    c.durationUs = durationUs;
    for (const QByteArray &e : echoes) {
        QByteArray &buffer = e.startsWith('T') ? made.sent : made.received;
        e.startsWith('T') ? made.echoSent(buffer.size(), e.size() - 1)
                          : made.echoReceived(buffer.size(), e.size() - 1);
        buffer += e.mid(1);
    }
    return made;
}

class Notes : public LogAnnotator
{
public:
    QString annotation(qint64 entry) const override
    {
        return entry == 0 ? QString::fromUtf8("read 0Fh \xE2\x86\x92 5A, \"id\"") : QString();
    }
};

} // namespace

class TestLogExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "IST-5:30"); // +05:30, to see the offset written (POSIX: no tzdata needed)
        tzset();
    }
    void csvOfTheLog_data();
    void csvOfTheLog();
    void vcdOfTheWholeLog();
};

void TestLogExport::csvOfTheLog_data()
{
    QTest::addColumn<bool>("notes");
    QTest::newRow("without notes") << false;
    QTest::newRow("with notes") << true;
}

void TestLogExport::csvOfTheLog()
{
    QFETCH(bool, notes);
    TrafficLog log;
    log.setWallClockOffset(1700000000LL * 1000000); // 2023-11-14 22:13:20 UTC at 0
    log.append(transfer(TransferCall::WriteRead, 0x12, "cpol cpha lsb cs-high", 390450, 1, 215,
                        {"T\x8F", "R\x5A"}),
               true);
    log.append(transfer(TransferCall::Write, 0x01, "full", 50000000, 3600000001LL, 7,
                        {QByteArray("Ta,b \"c\"\r\nd\xC3\xA9\0tail", 18)}),
               false);
    log.append(false, "plain", 5, false); // without a transfer
    log.append(
        transfer(TransferCall::BlockRead, 0x40, "train", 1000, 3600000001LL, 9, {"R", "R\x01\x02"}),
        true);
    log.append(transfer(TransferCall::SlaveRead, 0x00, "slave", 1, 3600000002LL, 0, {"R\x4D\x53"}),
               false);
    Notes annotator;
    LogColumns columns;
    columns.annotations = notes ? &annotator : nullptr;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(LogExport::writeCsv(log, out, columns));
    // RFC 4180: records end in CR LF; only a field holding a comma, a quote or a line break is
    // quoted, its quotes doubled.
    const QList<QByteArray> rows = {
        "index,time,duration_us,direction,call,device,channel,control_mode,role,cpol,cpha,"
        "bit_order,cs_polarity,clock_hz,interval_us,hex,text",
        "1,2023-11-15T03:43:20.000001+05:30,215,TX,SpiWriteRead,1,SPI3_CS1,half-duplex,master,"
        "1,1,lsb-first,active-high,390450,0,8F,\xEF\xBF\xBD",
        "2,2023-11-15T03:43:20.000001+05:30,215,RX,SpiWriteRead,1,SPI3_CS1,half-duplex,master,"
        "1,1,lsb-first,active-high,390450,0,5A,Z",
        "3,2023-11-15T04:43:20.000001+05:30,7,TX,SpiWrite,1,SPI2_CS0,full-duplex,master,0,0,"
        "msb-first,active-low,50000000,0,61 2C 62 20 22 63 22 0D 0A 64 C3 A9 00 74 61 69 6C,"
        "\"a,b \"\"c\"\"\r\nd\xC3\xA9\"",
        "4,,,RX,,,,,,,,,,,,70 6C 61 69 6E,plain",
        "5,2023-11-15T04:43:20.000001+05:30,9,RX,SpiBlockRead,1,SPI1_CS4,half-duplex,master,0,0,"
        "msb-first,active-low,1000,20,,",
        "6,2023-11-15T04:43:20.000001+05:30,9,RX,SpiBlockRead,1,SPI1_CS4,half-duplex,master,0,0,"
        "msb-first,active-low,1000,20,01 02,\x01\x02",
        "7,2023-11-15T04:43:20.000002+05:30,0,RX,SpiSlaveRead,1,SPI1_CS0,half-duplex,slave,0,0,"
        "msb-first,active-low,1,0,4D 53,MS",
    };
    QByteArray expected;
    for (int i = 0; i < rows.size(); ++i)
        expected += rows[i] +
                    (!notes   ? ""
                     : i == 0 ? ",annotation"
                     : i == 1 ? ",\"read 0Fh \xE2\x86\x92 5A, \"\"id\"\"\""
                              : ",") +
                    "\r\n";
    QCOMPARE(out.data(), expected);
}

void TestLogExport::vcdOfTheWholeLog()
{
    const QString sigrok = QStandardPaths::findExecutable(QStringLiteral("sigrok-cli"));
    if (sigrok.isEmpty())
        QFAIL("sigrok-cli is missing (Debian package sigrok-cli; scripts/test.sh installs it)");
    TrafficLog log;
    // Mode 3 throughout, decoded as such; other clocks, a train, a slave transfer and a raw
    // entry (both left out), and a transfer that started before the last one ended.
    log.append(transfer(TransferCall::WriteRead, 0x10, "cpol cpha", 1000000, 100, 50,
                        {"T\x9F", "R\xEF\x40\x15"}),
               true);
    log.append(false, "x", 1, true);
    log.append(transfer(TransferCall::SlaveRead, 0x10, "slave cpol cpha", 1, 200, 0, {"R\x01"}),
               true);
    log.append(transfer(TransferCall::BlockWrite, 0x10, "cpol cpha train", 250000, 500, 99,
                        {"T\x06", "T\x05"}),
               true);
    log.append(transfer(TransferCall::Write, 0x10, "cpol cpha", 50000000, 501, 1, {"T\xAB\xCD"}),
               true);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("run.vcd")));
    QVERIFY(file.open(QIODevice::ReadWrite) && LogExport::writeVcd(log, file) && file.seek(0));
    const QByteArray vcd = file.readAll();
    file.close();
    // The fastest clock, 50 MHz, sets a unit of 1 ns; the train starts 400 us after the
    // first transfer, whose CS fell one period (1 us) after time 0.
    QVERIFY(vcd.contains("$timescale 1 ns $end"));
    QVERIFY(vcd.contains("#400000\n#404000\n0c\n"));
    QProcess process;
    process.start(sigrok, {"-I", "vcd", "-i", file.fileName(), "-P",
                           "spi:clk=sck:mosi=mosi:miso=miso:cs=cs:cpol=1:cpha=1", "-A",
                           "spi=mosi-transfer"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardOutput(),
             QByteArray("spi-1: 9F FF FF FF\nspi-1: 06\nspi-1: 05\nspi-1: AB CD\n"));
}

QTEST_MAIN(TestLogExport)
#include "tst_logexport.moc"
