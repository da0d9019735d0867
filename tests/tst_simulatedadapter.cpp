// Our adapter library through its entries: argument checks, control modes and chip-select
// assertions, roles, and the test controls the other tests rely on (record, faults, unplugging).

#include "simlibrary.h"

#include "telkor/telkortest.h"

#include <QtTest>

#include <cstring>

class TestSimulatedAdapter : public QObject
{
    Q_OBJECT

private slots:
    void init() { TelkorTestConfigure("timing=off"); }
    void scanOpenAndUnplug();
    void configureAndRoles();
    void controlModes();
    void callRecord();
    void callRecordCappedByBytes();
    void faults();
};

void TestSimulatedAdapter::scanOpenAndUnplug()
{
    uint8_t d[1] = {1};
    DeviceInfo info;
    char functions[TELKOR_FUNCTION_TEXT_SIZE];
    // Unplugged, an open adapter fails; plugged back, it must be opened again.
    QList<int> got;
    std::memset(&info, 0xEE, sizeof info);
    got << AdapterScan(0) << AdapterGetInfo(0, &info, functions) << AdapterOpen(0) << AdapterOpen(0)
        << AdapterOpen(1) << AdapterOpen(-1) << AdapterGetInfo(0, &info, functions);
    QCOMPARE(QByteArray(info.firmwareName), QByteArray("TELKOR-SIM USB2SPI"));
    QCOMPARE(info.reserved[0], uint8_t(0xEE)); // the library writes 84 bytes only
    TelkorTestSetAdapterCount(3);
    got << AdapterScan(0) << AdapterOpen(2) << SpiWrite(0, 0, d, 1);
    TelkorTestSetAdapterCount(0);
    got << AdapterScan(0) << SpiWrite(0, 0, d, 1);
    TelkorTestSetAdapterCount(1);
    got << SpiWrite(0, 0, d, 1) << AdapterOpen(0) << SpiWrite(0, 0, d, 1);
    // Three calls plugged in, two unplugged, on a schedule.
    got << TelkorTestConfigure("timing=off;fault.unplug=every:3,for:2") << AdapterScan(0)
        << AdapterOpen(0) << SpiWrite(0, 0, d, 1) << AdapterScan(0) << SpiWrite(0, 0, d, 1)
        << AdapterScan(0) << SpiWrite(0, 0, d, 1) << AdapterOpen(0) << AdapterScan(0)
        << SpiWrite(0, 0, d, 1);
    QCOMPARE(got, QList<int>({1, 0, 1, 1, 0, 0,  1, 3,  1, 0, 0, -1, -1, 1, 0, // by hand
                              0, 1, 1, 0, 0, -1, 1, -1, 1, 0, -1}));           // on the schedule
}

void TestSimulatedAdapter::configureAndRoles()
{
    SpiConfig valid{1, 1, 0, 0, 0, 0, {0, 0}, 1000000}, slave{1, 0, 0, 0, 0, 0, {0, 0}, 1000000};
    QList<int> got{SpiConfigure(0, 0x00, &valid)}; // not opened yet
    AdapterOpen(0);
    // Each byte out of its range, a zero clock, a missing chip select or controller or record.
    for (int field = 0; field < 7; ++field) {
        SpiConfig bad = valid;
        (field < 6 ? reinterpret_cast<uint8_t *>(&bad)[field] : bad.reserved[0]) = field ? 2 : 4;
        bad.clockHz = field == 6 ? 0 : 1000000;
        got << SpiConfigure(0, 0x00, &bad);
    }
    got << SpiConfigure(0, 0x50, &valid) << SpiConfigure(0, 0x02, &valid)
        << SpiConfigure(0, 0x00, nullptr);
    // The port starts as master. The controller's other chip selects share its configuration;
    // SPI2 keeps its own.
    uint8_t d[2] = {1, 2};
    got << SpiSlaveWrite(0, 0, d, 2, 0) << SpiConfigure(0, 0x00, &slave) << SpiWrite(0, 0, d, 2)
        << SpiWriteRead(0, 0, d, 2, d, 2, 0) << SpiBlockRead(0, 0, d, 1, 2, 10)
        << SpiSlaveWrite(0, 0, d, 2, 0) << SpiWrite(0, 0x10, d, 2) << SpiWrite(0, 0x01, d, 2);
    QCOMPARE(got,
             QList<int>({-1, -4, -4, -4, -4, -4, -4, -4, -2, -2, -2, -3, 0, -3, -3, -3, 0, -3, 0}));
}

void TestSimulatedAdapter::controlModes()
{
    // Full duplex clocks in while it clocks out; the other modes write, then read, in one
    // chip-select assertion. Each block is an assertion of its own: the flash answers each 9F.
    AdapterOpen(0);
    QStringList received; // from the loopback, the flash, and two blocks of the flash
    for (uint8_t mode : {0, 1, 2, 3}) {
        SpiConfig c{mode, 1, 0, 0, 0, 0, {0, 0}, 1000000};
        uint8_t write[3] = {0xA1, 0xB2, 0xC3}, jedec[2] = {0x9F, 0x9F}, read[13] = {};
        QCOMPARE(SpiConfigure(0, 0x00, &c), 0);
        SpiWriteRead(0, 0x00, write, 3, read, 4, 0);
        SpiWriteRead(0, 0x10, jedec, 1, read + 4, 3, 0);
        SpiBlockWriteRead(0, 0x10, jedec, 1, read + 7, 3, 2, 100);
        const QByteArray hex = QByteArray(reinterpret_cast<char *>(read), 13).toHex();
        received << hex.left(8) + ' ' + hex.mid(8, 6) + ' ' + hex.mid(14);
    }
    const QString halfDuplex = QStringLiteral("ffffffff ef4015 ef4015ef4015");
    QCOMPARE(received,
             QStringList({"a1b2c3ff ffef40 ffef40ffef40", halfDuplex, halfDuplex, halfDuplex}));
}

void TestSimulatedAdapter::callRecord()
{
    SpiConfig c{0, 1, 1, 0, 0, 0, {0, 0}, 390450};
    uint8_t data[2] = {0x11, 0xAB}, read[2];
    // The argument checks: beyond the adapter's buffer, negative sizes and counts. Two
    // negatives once made a size, and the record read that much of the caller's buffer; empty
    // blocks once ran a million assertions and succeeded.
    QByteArray buffer(TELKOR_BUFFER_SIZE + 1, '\0');
    auto *big = reinterpret_cast<uint8_t *>(buffer.data());
    QList<int32_t> results; // the record holds them
    results << AdapterScan(0) << AdapterOpen(0) << SpiConfigure(0, 0x21, &c)
            << SpiWrite(0, 0x21, data, 2) << SpiWriteRead(0, 0x21, data, 2, read, 1, 0)
            << SpiBlockWrite(0, 0x21, data, 1, 2, 100) << SpiBlockRead(0, 0x21, read, 1, 2, 100)
            << SpiBlockWriteRead(0, 0x21, data, 1, read, 1, 2, 100) << SpiRead(0, 0x21, read, 2)
            << SpiSlaveRead(0, 0x21, read, 0) << SpiSlaveWrite(0, 0x21, data, 2, 0)
            << SpiWrite(0, 0, big, 20481) << SpiWrite(0, 0, big, -1) << SpiRead(0, 0, big, 20481)
            << SpiBlockRead(0, 0, big, 100, 204, 0) << SpiBlockRead(0, 0, big, 100, 300, 0)
            << SpiBlockRead(0, 0, big, 65536, 65536, 0) << SpiBlockWrite(0, 0, big, 2, 0, 0)
            << SpiBlockWrite(0, 0, big, 2, -1, 0) << SpiBlockWrite(0, 0, big, -2, -3, 0)
            << SpiBlockWriteRead(0, 0, big, -2, big, -2, -3, 0)
            << SpiBlockWrite(0, 0, big, 0, 1000000, 0) << SpiBlockRead(0, 0, big, 0, 20481, 0)
            << SpiBlockWrite(0, 0, big, 0, 20480, 0);
    QCOMPARE(adapterCalls(),
             QString::fromLatin1(
                 "AdapterScan(0) => 1\nAdapterOpen(0) => 1\n"
                 "SpiConfigure(0,0x21,[00 01 01 00 00 00],390450) => 0\n"
                 "SpiWrite(0,0x21,[11 AB],2) => 0\nSpiWriteRead(0,0x21,[11 AB],2,1,0) => 0\n"
                 "SpiBlockWrite(0,0x21,[11 AB],1,2,100) => 0\n"
                 "SpiBlockRead(0,0x21,1,2,100) => 0\n"
                 "SpiBlockWriteRead(0,0x21,[11 AB],1,1,2,100) => 0\nSpiRead(0,0x21,2) => 0\n"
                 "SpiSlaveRead(0,0x21,0) => -3\nSpiSlaveWrite(0,0x21,[11 AB],2,0) => -3\n"
                 "SpiWrite(0,0x00,[?],20481) => -2\nSpiWrite(0,0x00,[?],-1) => -2\n"
                 "SpiRead(0,0x00,20481) => -2\nSpiBlockRead(0,0x00,100,204,0) => 0\n"
                 "SpiBlockRead(0,0x00,100,300,0) => -2\n"
                 "SpiBlockRead(0,0x00,65536,65536,0) => -2\n"
                 "SpiBlockWrite(0,0x00,[],2,0,0) => 0\nSpiBlockWrite(0,0x00,[?],2,-1,0) => -2\n"
                 "SpiBlockWrite(0,0x00,[?],-2,-3,0) => -2\n"
                 "SpiBlockWriteRead(0,0x00,[?],-2,-2,-3,0) => -2\n"
                 "SpiBlockWrite(0,0x00,[?],0,1000000,0) => -2\n"
                 "SpiBlockRead(0,0x00,0,20481,0) => -2\n"
                 "SpiBlockWrite(0,0x00,[],0,20480,0) => 0")
                 .split(QLatin1Char('\n')));
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
            QCOMPARE(SpiWrite(0, 0, reinterpret_cast<uint8_t *>(data.data()), data.size()), 0);
        }
        kept << QString::number(TelkorTestCallCount()) + ": " + adapterCalls().last().left(22);
    }
    QCOMPARE(kept, QStringList({"68: SpiWrite(0,0x00,[63 00", "1: SpiWrite(0,0x00,[63 00"}));
}

void TestSimulatedAdapter::faults()
{
    AdapterOpen(0); // forced results: the next calls of an entry return them
    uint8_t data[1] = {1};
    TelkorTestForceResult("SpiWrite", 5, 2);
    TelkorTestForceResult("AdapterScan", 0, 1);
    QCOMPARE(QList<int>({AdapterScan(0), AdapterScan(0), SpiWrite(0, 0, data, 1),
                         SpiWrite(0, 0, data, 1), SpiWrite(0, 0, data, 1)}),
             QList<int>({0, 1, 5, 5, 0}));
    // Injected faults of ten calls by each rule.
    QStringList actual;
    for (const char *rule : {"once", "every:3", "random:0", "random:1"}) {
        QCOMPARE(TelkorTestConfigure(qPrintable("timing=off;fault.SpiWrite=" + QString(rule))), 0);
        AdapterOpen(0);
        QString results;
        for (int i = 0; i < 10; ++i)
            results += QString::number(SpiWrite(0, 0, data, 1)) + ' ';
        actual << results.trimmed();
    }
    QCOMPARE(actual, QStringList({"-6 0 0 0 0 0 0 0 0 0", "0 0 -6 0 0 -6 0 0 -6 0",
                                  "0 0 0 0 0 0 0 0 0 0", "-6 -6 -6 -6 -6 -6 -6 -6 -6 -6"}));
    // Rules that cannot be used are reported (on standard error) and leave the defaults.
    QCOMPARE(TelkorTestConfigure("timing=off;adapters=11;fault.SpiWrite=every:0;"
                                 "fault.SpiErase=once;fault.unplug=every:0,for:5"),
             4);
    QCOMPARE(QList<int>({AdapterScan(0), AdapterOpen(0), SpiWrite(0, 0, data, 1)}),
             QList<int>({1, 1, 0}));
}

QTEST_GUILESS_MAIN(TestSimulatedAdapter)
#include "tst_simulatedadapter.moc"
