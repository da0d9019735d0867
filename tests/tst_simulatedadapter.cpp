// Our adapter library called through its entries: their argument checks and results, the
// control modes and chip-select assertions on the bus, roles, and the test controls every
// window test relies on (forced results, the call record, faults, unplugging).

#include "telkor/telkortest.h"

#include <QtTest>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{

QStringList calls()
{
    QStringList lines;
    for (int i = 0; i < TelkorTestCallCount(); ++i) {
        QByteArray line(65536, '\0');
        TelkorTestCallText(i, line.data(), line.size());
        lines.append(QString::fromUtf8(line.constData()));
    }
    return lines;
}

SpiConfig config(int controlMode, int master = 1)
{
    SpiConfig c{};
    c.controlMode = static_cast<uint8_t>(controlMode);
    c.master = static_cast<uint8_t>(master);
    c.clockHz = 1000000;
    return c;
}

} // namespace

class TestSimulatedAdapter : public QObject
{
    Q_OBJECT

private slots:
    void init() { TelkorTestConfigure("timing=off"); }
    void scanOpenAndUnplug();
    void configureAndRoles();
    void controlModes_data();
    void controlModes();
    void arguments_data();
    void arguments();
    void callRecord();
    void callRecordCappedByBytes();
    void forcedResultsAndInfo();
    void injectedFaults();
    void badConfigurationIsReported();
};

void TestSimulatedAdapter::scanOpenAndUnplug()
{
    uint8_t d[1] = {1};
    // Unplugged, an open adapter fails; plugged back, it must be opened again.
    QList<int> got;
    got << AdapterScan(0) << AdapterOpen(0) << AdapterOpen(0) << AdapterOpen(1) << AdapterOpen(-1);
    TelkorTestSetAdapterCount(3);
    got << AdapterScan(0) << AdapterOpen(2) << SpiWrite(0, 0, d, 1);
    TelkorTestSetAdapterCount(0);
    got << AdapterScan(0) << SpiWrite(0, 0, d, 1);
    TelkorTestSetAdapterCount(1);
    got << SpiWrite(0, 0, d, 1) << AdapterOpen(0) << SpiWrite(0, 0, d, 1);
    QCOMPARE(got, QList<int>({1, 1, 1, 0, 0, 3, 1, 0, 0, -1, -1, 1, 0}));
    // Three calls plugged in, two unplugged, on a schedule.
    QCOMPARE(TelkorTestConfigure("timing=off;fault.unplug=every:3,for:2"), 0);
    got.clear();
    got << AdapterScan(0) << AdapterOpen(0) << SpiWrite(0, 0, d, 1) << AdapterScan(0)
        << SpiWrite(0, 0, d, 1) << AdapterScan(0) << SpiWrite(0, 0, d, 1) << AdapterOpen(0)
        << AdapterScan(0) << SpiWrite(0, 0, d, 1);
    QCOMPARE(got, QList<int>({1, 1, 0, 0, -1, 1, -1, 1, 0, -1}));
}

void TestSimulatedAdapter::configureAndRoles()
{
    SpiConfig valid = config(1), slave = config(1, 0);
    QList<int> got{SpiConfigure(0, 0x00, &valid)}; // not opened yet
    AdapterOpen(0);
    // Each byte out of its range (control mode, master, polarity, phase, shift, chip select
    // polarity), a zero clock, a chip select or controller that does not exist, no record.
    for (int field = 0; field < 7; ++field) {
        SpiConfig bad = valid;
        if (field == 6)
            bad.clockHz = 0;
        else
            reinterpret_cast<uint8_t *>(&bad)[field] = field ? 2 : 4;
        got << SpiConfigure(0, 0x00, &bad);
    }
    got << SpiConfigure(0, 0x50, &valid) << SpiConfigure(0, 0x02, &valid)
        << SpiConfigure(0, 0x00, nullptr);
    QCOMPARE(got, QList<int>({-1, -4, -4, -4, -4, -4, -4, -4, -2, -2, -2}));
    // The port starts as master. The controller's other chip selects share its configuration;
    // SPI2 keeps its own.
    uint8_t d[2] = {1, 2};
    got = {SpiSlaveWrite(0, 0, d, 2, 0),
           SpiConfigure(0, 0x00, &slave),
           SpiWrite(0, 0, d, 2),
           SpiWriteRead(0, 0, d, 2, d, 2, 0),
           SpiBlockRead(0, 0, d, 1, 2, 10),
           SpiSlaveWrite(0, 0, d, 2, 0),
           SpiWrite(0, 0x10, d, 2),
           SpiWrite(0, 0x01, d, 2)};
    QCOMPARE(got, QList<int>({-3, 0, -3, -3, -3, 0, -3, 0}));
}

void TestSimulatedAdapter::controlModes_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<QString>("received"); // loopback, flash, two blocks of the flash
    // Full duplex clocks in while it clocks out; the other modes write, then read, in one
    // chip-select assertion. Each block is an assertion of its own: the flash answers each 9F.
    QTest::newRow("full duplex") << 0 << "a1b2c3ff ffef40 ffef40ffef40";
    for (int mode : {1, 2, 3})
        QTest::addRow("control mode %d", mode) << mode << "ffffffff ef4015 ef4015ef4015";
}

void TestSimulatedAdapter::controlModes()
{
    QFETCH(int, controlMode);
    QFETCH(QString, received);
    AdapterOpen(0);
    SpiConfig c = config(controlMode);
    QCOMPARE(SpiConfigure(0, 0x00, &c), 0);
    uint8_t write[3] = {0xA1, 0xB2, 0xC3}, jedec[2] = {0x9F, 0x9F}, read[13] = {};
    QCOMPARE(SpiWriteRead(0, 0x00, write, 3, read, 4, 0), 0);
    QCOMPARE(SpiWriteRead(0, 0x10, jedec, 1, read + 4, 3, 0), 0);
    QCOMPARE(SpiBlockWriteRead(0, 0x10, jedec, 1, read + 7, 3, 2, 100), 0);
    const QByteArray hex = QByteArray(reinterpret_cast<char *>(read), 13).toHex();
    QCOMPARE(QString::fromLatin1(hex.left(8) + ' ' + hex.mid(8, 6) + ' ' + hex.mid(14)), received);
}

void TestSimulatedAdapter::arguments_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("line"); // the call record's
    auto row = [](const char *entry, int size, int count, const char *line) {
        QTest::addRow("%s %d x %d", entry, size, count) << entry << size << count << line;
    };
    row("SpiWrite", 20480, 1, "SpiWrite(0,0x00,[00 00...00 00],20480) => 0");
    row("SpiWrite", 20481, 1, "SpiWrite(0,0x00,[?],20481) => -2");
    row("SpiWrite", -1, 1, "SpiWrite(0,0x00,[?],-1) => -2");
    row("SpiRead", 20481, 1, "SpiRead(0,0x00,20481) => -2");
    row("SpiBlockRead", 100, 204, "SpiBlockRead(0,0x00,100,204,0) => 0");
    row("SpiBlockRead", 100, 300, "SpiBlockRead(0,0x00,100,300,0) => -2");
    row("SpiBlockRead", 65536, 65536, "SpiBlockRead(0,0x00,65536,65536,0) => -2");
    row("SpiBlockWrite", 2, 0, "SpiBlockWrite(0,0x00,[],2,0,0) => 0");
    row("SpiBlockWrite", 2, -1, "SpiBlockWrite(0,0x00,[?],2,-1,0) => -2");
    // Two negatives once made a size, and the record read that much of the caller's buffer.
    row("SpiBlockWrite", -2, -3, "SpiBlockWrite(0,0x00,[?],-2,-3,0) => -2");
    row("SpiBlockWriteRead", -2, -3, "SpiBlockWriteRead(0,0x00,[?],-2,-2,-3,0) => -2");
    // Empty blocks once ran a million assertions and succeeded.
    row("SpiBlockWrite", 0, 1000000, "SpiBlockWrite(0,0x00,[?],0,1000000,0) => -2");
    row("SpiBlockRead", 0, 20481, "SpiBlockRead(0,0x00,0,20481,0) => -2");
    row("SpiBlockWrite", 0, 20480, "SpiBlockWrite(0,0x00,[],0,20480,0) => 0");
}

void TestSimulatedAdapter::arguments()
{
    QFETCH(QString, entry);
    QFETCH(int, size);
    QFETCH(int, count);
    QFETCH(QString, line);
    AdapterOpen(0);
    TelkorTestClearCalls();
    QByteArray buffer(TELKOR_BUFFER_SIZE, '\0');
    auto *data = reinterpret_cast<uint8_t *>(buffer.data());
    if (entry == QLatin1String("SpiWrite"))
        SpiWrite(0, 0, data, size);
    else if (entry == QLatin1String("SpiRead"))
        SpiRead(0, 0, data, size);
    else if (entry == QLatin1String("SpiBlockRead"))
        SpiBlockRead(0, 0, data, size, count, 0);
    else if (entry == QLatin1String("SpiBlockWrite"))
        SpiBlockWrite(0, 0, data, size, count, 0);
    else
        SpiBlockWriteRead(0, 0, data, size, data, size, count, 0);
    // "HEAD...TAIL": the record's line starts and ends so.
    const QStringList record = calls(), ends = line.split(QLatin1String("..."));
    QCOMPARE(record.size(), 1);
    QCOMPARE(ends.size() == 1
                 ? record[0]
                 : record[0].left(ends[0].size()) + "..." + record[0].right(ends[1].size()),
             line);
}

void TestSimulatedAdapter::callRecord()
{
    AdapterScan(0);
    AdapterOpen(0);
    SpiConfig c = config(0);
    c.clockPolarity = 1;
    c.clockHz = 390450;
    SpiConfigure(0, 0x21, &c);
    uint8_t data[2] = {0x11, 0xAB};
    uint8_t read[2];
    SpiWrite(0, 0x21, data, 2);
    SpiWriteRead(0, 0x21, data, 2, read, 1, 0);
    SpiBlockWrite(0, 0x21, data, 1, 2, 100);
    SpiBlockRead(0, 0x21, read, 1, 2, 100);
    SpiBlockWriteRead(0, 0x21, data, 1, read, 1, 2, 100);
    SpiRead(0, 0x21, read, 2);
    SpiSlaveRead(0, 0x21, read, 0);
    SpiSlaveWrite(0, 0x21, data, 2, 0);
    QCOMPARE(calls(), QStringList({
                          "AdapterScan(0) => 1",
                          "AdapterOpen(0) => 1",
                          "SpiConfigure(0,0x21,[00 01 01 00 00 00],390450) => 0",
                          "SpiWrite(0,0x21,[11 AB],2) => 0",
                          "SpiWriteRead(0,0x21,[11 AB],2,1,0) => 0",
                          "SpiBlockWrite(0,0x21,[11 AB],1,2,100) => 0",
                          "SpiBlockRead(0,0x21,1,2,100) => 0",
                          "SpiBlockWriteRead(0,0x21,[11 AB],1,1,2,100) => 0",
                          "SpiRead(0,0x21,2) => 0",
                          "SpiSlaveRead(0,0x21,0) => -3",
                          "SpiSlaveWrite(0,0x21,[11 AB],2,0) => -3",
                      }));
    TelkorTestClearCalls();
    QCOMPARE(TelkorTestCallCount(), 0);
}

void TestSimulatedAdapter::callRecordCappedByBytes()
{
    // A line of a 20480-byte write is 61469 characters: 4 MiB keep 68 of them; a limit below
    // one line still keeps the newest.
    AdapterOpen(0);
    QByteArray data(TELKOR_BUFFER_SIZE, '\0');
    QStringList kept;
    for (int64_t limit : {int64_t(-1), int64_t(100)}) {
        if (limit > 0)
            TelkorTestSetCallRecordLimit(limit);
        for (int i = 0; i < 100; ++i) {
            data[0] = static_cast<char>(i);
            SpiWrite(0, 0, reinterpret_cast<uint8_t *>(data.data()), data.size());
        }
        char head[23];
        TelkorTestCallText(TelkorTestCallCount() - 1, head, sizeof head);
        kept << QString::number(TelkorTestCallCount()) + ": " + QString::fromLatin1(head);
    }
    QCOMPARE(kept, QStringList({"68: SpiWrite(0,0x00,[63 00", "1: SpiWrite(0,0x00,[63 00"}));
}

void TestSimulatedAdapter::forcedResultsAndInfo()
{
    DeviceInfo info;
    char functions[TELKOR_FUNCTION_TEXT_SIZE];
    QCOMPARE(AdapterGetInfo(0, &info, functions), 0); // not opened
    AdapterOpen(0);
    std::memset(&info, 0xEE, sizeof info);
    QCOMPARE(AdapterGetInfo(0, &info, functions), 1);
    QCOMPARE(QByteArray(info.firmwareName), QByteArray("TELKOR-SIM USB2SPI"));
    QCOMPARE(info.reserved[0], uint8_t(0xEE)); // the library writes 84 bytes only
    uint8_t data[1] = {7};
    TelkorTestForceResult("SpiWrite", 5, 2);
    TelkorTestForceResult("AdapterScan", 0, 1);
    const QList<int> got = {AdapterScan(0), AdapterScan(0), SpiWrite(0, 0, data, 1),
                            SpiWrite(0, 0, data, 1), SpiWrite(0, 0, data, 1)};
    QCOMPARE(got, QList<int>({0, 1, 5, 5, 0}));
}

void TestSimulatedAdapter::injectedFaults()
{
    QStringList actual;
    for (const char *rule : {"once", "every:3", "random:0", "random:1"}) {
        QCOMPARE(TelkorTestConfigure(qPrintable(QStringLiteral("timing=off;fault.SpiWrite=") +
                                                QLatin1String(rule))),
                 0);
        AdapterOpen(0);
        uint8_t data[1] = {1};
        QString results;
        for (int i = 0; i < 10; ++i)
            results += QString::number(SpiWrite(0, 0, data, 1)) + ' ';
        actual << results.trimmed();
    }
    QCOMPARE(actual, QStringList({"-6 0 0 0 0 0 0 0 0 0", "0 0 -6 0 0 -6 0 0 -6 0",
                                  "0 0 0 0 0 0 0 0 0 0", "-6 -6 -6 -6 -6 -6 -6 -6 -6 -6"}));
}

void TestSimulatedAdapter::badConfigurationIsReported()
{
    // The message goes to standard error: catch it in a file for a moment.
    QTemporaryFile capture;
    QVERIFY(capture.open());
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    const int problems = TelkorTestConfigure("timing=off;adapters=99;SPI1_CS9=flash");
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    QCOMPARE(problems, 2);
    capture.seek(0);
    QCOMPARE(capture.readAll(),
             QByteArray("libTELKOR: configuration: \"adapters=99\" cannot be used; ignored\n"
                        "libTELKOR: configuration: \"SPI1_CS9=flash\" cannot be used; ignored\n"));
    QCOMPARE(AdapterScan(0), 1); // the default stays
}

QTEST_GUILESS_MAIN(TestSimulatedAdapter)
#include "tst_simulatedadapter.moc"
