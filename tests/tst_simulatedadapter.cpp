// Our adapter library called through its entries: their results, the bus behaviour of the
// default loopback, the limits, and the test controls every window test relies on.

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
        char line[512];
        TelkorTestCallText(i, line, sizeof line);
        lines.append(QString::fromUtf8(line));
    }
    return lines;
}

SpiConfig config(int controlMode, int master, int lsbFirst = 0, int clockHz = 1000000)
{
    SpiConfig c{};
    c.controlMode = static_cast<uint8_t>(controlMode);
    c.master = static_cast<uint8_t>(master);
    c.lsbFirst = static_cast<uint8_t>(lsbFirst);
    c.clockHz = clockHz;
    return c;
}

QByteArray bytes(const uint8_t *data, int count)
{
    return QByteArray(reinterpret_cast<const char *>(data), count);
}

} // namespace

class TestSimulatedAdapter : public QObject
{
    Q_OBJECT

private slots:
    void init() { TelkorTestConfigure("timing=off"); }
    void scanOpenAndUnplug();
    void configureChecksFields_data();
    void configureChecksFields();
    void loopback_data();
    void loopback();
    void arguments_data();
    void arguments();
    void callRecordCappedByBytes_data();
    void callRecordCappedByBytes();
    void roles();
    void testControls();
    void deviceInfo();
    void callRecord();
    void injectedFaults_data();
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

void TestSimulatedAdapter::configureChecksFields_data()
{
    QTest::addColumn<int>("field"); // byte of SpiConfig; 8: the clock
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("valid") << -1 << 0 << 0;
    const char *names[] = {"control mode", "master", "polarity", "phase", "shift", "cs polarity"};
    for (int field = 0; field < 6; ++field)
        QTest::addRow("%s too big", names[field]) << field << (field ? 2 : 4) << -4;
    QTest::newRow("clock 0") << 8 << 0 << -4;
}

void TestSimulatedAdapter::configureChecksFields()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, result);
    SpiConfig c = config(1, 1);
    if (field == 8)
        c.clockHz = value;
    else if (field >= 0)
        reinterpret_cast<uint8_t *>(&c)[field] = static_cast<uint8_t>(value);
    QCOMPARE(SpiConfigure(0, 0x00, &c), -1); // not opened yet
    AdapterOpen(0);
    QCOMPARE(SpiConfigure(0, 0x00, &c), result);
    SpiConfig valid = config(1, 1);
    QCOMPARE(SpiConfigure(0, 0x50, &valid), -2); // chip select 5 does not exist
    QCOMPARE(SpiConfigure(0, 0x02, &valid), -2); // nor a third controller
    QCOMPARE(SpiConfigure(0, 0x00, nullptr), -2);
}

void TestSimulatedAdapter::loopback_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<int>("lsbFirst");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("blocks");
    // Full duplex clocks in while it clocks out: the loopback returns what was sent, and the
    // filler bytes (FFh) once the write data ends. Half duplex reads after writing: only filler.
    QTest::newRow("full duplex") << 0 << 0 << QByteArray("a1b2c3ff") << QByteArray("0102ff0304ff");
    QTest::newRow("full duplex, LSB first")
        << 0 << 1 << QByteArray("a1b2c3ff") << QByteArray("0102ff0304ff");
    for (int mode : {1, 2, 3})
        QTest::addRow("control mode %d", mode)
            << mode << 0 << QByteArray("ffffffff") << QByteArray("ffffffffffff");
}

void TestSimulatedAdapter::loopback()
{
    QFETCH(int, controlMode);
    QFETCH(int, lsbFirst);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, blocks);
    AdapterOpen(0);
    SpiConfig c = config(controlMode, 1, lsbFirst);
    QCOMPARE(SpiConfigure(0, 0x00, &c), 0);
    uint8_t write[4] = {0xA1, 0xB2, 0xC3}, read[6] = {};
    QCOMPARE(SpiWriteRead(0, 0x00, write, 3, read, 4, 0), 0);
    QCOMPARE(bytes(read, 4).toHex(), received);
    uint8_t data[4] = {1, 2, 3, 4};
    QCOMPARE(SpiBlockWriteRead(0, 0x00, data, 2, read, 3, 2, 100), 0);
    QCOMPARE(bytes(read, 6).toHex(), blocks);
    // Behind an empty chip select (SPI1 CS3, all of SPI2) nothing drives MISO.
    QCOMPARE(SpiConfigure(0, 0x30, &c), 0);
    QCOMPARE(SpiWriteRead(0, 0x30, write, 2, read, 2, 0), 0);
    QCOMPARE(SpiRead(0, 0x01, read + 2, 2), 0);
    QCOMPARE(bytes(read, 4).toHex(), QByteArray("ffffffff"));
}

void TestSimulatedAdapter::arguments_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("line"); // the call record's, when it matters
    QTest::newRow("write 20480") << "SpiWrite" << 20480 << 1 << 0 << "";
    QTest::newRow("write 20481") << "SpiWrite" << 20481 << 1 << -2 << "";
    QTest::newRow("write negative") << "SpiWrite" << -1 << 1 << -2 << "";
    QTest::newRow("read 20481") << "SpiRead" << 20481 << 1 << -2 << "";
    QTest::newRow("block read 100 x 204") << "SpiBlockRead" << 100 << 204 << 0 << "";
    QTest::newRow("block read 100 x 300") << "SpiBlockRead" << 100 << 300 << -2 << "";
    QTest::newRow("block read overflowing product") << "SpiBlockRead" << 65536 << 65536 << -2 << "";
    QTest::newRow("block write 0 blocks") << "SpiBlockWrite" << 2 << 0 << 0 << "";
    QTest::newRow("block write negative count") << "SpiBlockWrite" << 2 << -1 << -2 << "";
    // Two negatives once made a size, and the record read that much of the caller's buffer.
    QTest::newRow("negative size and count")
        << "SpiBlockWrite" << -2 << -3 << -2 << "SpiBlockWrite(0,0x00,[?],-2,-3,0) => -2";
    QTest::newRow("negative sizes and count, write-read")
        << "SpiBlockWriteRead" << -2 << -3 << -2
        << "SpiBlockWriteRead(0,0x00,[?],-2,-2,-3,0) => -2";
    // Empty blocks once ran a million assertions and succeeded.
    QTest::newRow("empty blocks, huge count")
        << "SpiBlockWrite" << 0 << 1000000 << -2 << "SpiBlockWrite(0,0x00,[?],0,1000000,0) => -2";
    QTest::newRow("empty blocks, count over the buffer")
        << "SpiBlockRead" << 0 << 20481 << -2 << "SpiBlockRead(0,0x00,0,20481,0) => -2";
    QTest::newRow("empty blocks, count of the buffer")
        << "SpiBlockWrite" << 0 << 20480 << 0 << "SpiBlockWrite(0,0x00,[],0,20480,0) => 0";
}

void TestSimulatedAdapter::arguments()
{
    QFETCH(QString, entry);
    QFETCH(int, size);
    QFETCH(int, count);
    QFETCH(int, result);
    QFETCH(QString, line);
    AdapterOpen(0);
    TelkorTestClearCalls();
    QByteArray buffer(TELKOR_BUFFER_SIZE, '\0');
    auto *data = reinterpret_cast<uint8_t *>(buffer.data());
    int actual = 1;
    if (entry == QLatin1String("SpiWrite"))
        actual = SpiWrite(0, 0, data, size);
    else if (entry == QLatin1String("SpiRead"))
        actual = SpiRead(0, 0, data, size);
    else if (entry == QLatin1String("SpiBlockRead"))
        actual = SpiBlockRead(0, 0, data, size, count, 0);
    else if (entry == QLatin1String("SpiBlockWrite"))
        actual = SpiBlockWrite(0, 0, data, size, count, 0);
    else
        actual = SpiBlockWriteRead(0, 0, data, size, data, size, count, 0);
    QCOMPARE(actual, result);
    if (!line.isEmpty())
        QCOMPARE(calls(), QStringList{line});
}

void TestSimulatedAdapter::callRecordCappedByBytes_data()
{
    QTest::addColumn<qint64>("limit"); // -1: the default
    QTest::addColumn<int>("writes");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("kept");
    // A line of a 20480-byte write is 61469 characters, of a 1000-byte write 3028.
    QTest::newRow("default: 4 MiB") << qint64(-1) << 100 << 20480 << 68;
    QTest::newRow("raised to 8 MiB, AdapterOpen kept") << qint64(8 << 20) << 100 << 20480 << 101;
    QTest::newRow("the newest line stays") << qint64(100) << 3 << 1000 << 1;
}

void TestSimulatedAdapter::callRecordCappedByBytes()
{
    QFETCH(qint64, limit);
    QFETCH(int, writes);
    QFETCH(int, size);
    QFETCH(int, kept);
    if (limit >= 0)
        TelkorTestSetCallRecordLimit(limit);
    AdapterOpen(0);
    QByteArray data(size, '\0');
    for (int i = 0; i < writes; ++i) {
        data[0] = static_cast<char>(i);
        SpiWrite(0, 0, reinterpret_cast<uint8_t *>(data.data()), size);
    }
    QCOMPARE(TelkorTestCallCount(), kept);
    char head[23];
    TelkorTestCallText(kept - 1, head, sizeof head);
    QCOMPARE(QString::fromLatin1(head), QString::asprintf("SpiWrite(0,0x00,[%02X 00", writes - 1));
}

void TestSimulatedAdapter::roles()
{
    AdapterOpen(0);
    uint8_t d[2] = {1, 2};
    SpiConfig slave = config(1, 0);
    // The port starts as master. The controller's other chip selects share its configuration;
    // SPI2 keeps its own.
    QList<int> got;
    got << SpiSlaveWrite(0, 0, d, 2, 0) << SpiConfigure(0, 0x00, &slave) << SpiWrite(0, 0, d, 2)
        << SpiWriteRead(0, 0, d, 2, d, 2, 0) << SpiBlockRead(0, 0, d, 1, 2, 10)
        << SpiSlaveWrite(0, 0, d, 2, 0) << SpiWrite(0, 0x10, d, 2) << SpiWrite(0, 0x01, d, 2);
    QCOMPARE(got, QList<int>({-3, 0, -3, -3, -3, 0, -3, 0}));
}

void TestSimulatedAdapter::testControls()
{
    AdapterOpen(0);
    uint8_t data[5] = {7};
    TelkorTestForceResult("SpiWrite", 5, 2);
    TelkorTestForceResult("AdapterScan", 0, 1);
    QList<int> got;
    got << AdapterScan(0) << AdapterScan(0) << SpiWrite(0, 0, data, 1) << SpiWrite(0, 0, data, 1)
        << SpiWrite(0, 0, data, 1);
    QCOMPARE(got, QList<int>({0, 1, 5, 5, 0}));

    const uint8_t script[3] = {0xEF, 0x40, 0x15};
    TelkorTestQueueMiso(script, 3);
    QCOMPARE(SpiRead(0, 0, data, 5), 0);
    QCOMPARE(bytes(data, 5).toHex(), QByteArray("ef4015ffff"));

    // The default wiring: flash on SPI1 CS1, register bank on CS2.
    uint8_t jedec[1] = {0x9F}, identity[1] = {0x8F};
    QCOMPARE(SpiWriteRead(0, 0x10, jedec, 1, data, 3, 0), 0);
    QCOMPARE(SpiWriteRead(0, 0x20, identity, 1, data + 3, 1, 0), 0);
    QCOMPARE(bytes(data, 4).toHex(), QByteArray("ef40155a"));

    SpiConfig slave = config(1, 0);
    SpiConfigure(0, 0x00, &slave);
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    const uint8_t frame[3] = {'O', 'K', '!'};
    got.clear();
    got << SpiSlaveRead(0, 0, buffer, 0);
    TelkorTestQueueSlaveFrame(frame, 3);
    got << SpiSlaveRead(0, 0, buffer, 0);
    QCOMPARE(bytes(buffer, 3), QByteArray("OK!"));
    got << SpiSlaveRead(0, 0, buffer, 0);
    QCOMPARE(got, QList<int>({0, 3, 0}));
}

void TestSimulatedAdapter::deviceInfo()
{
    DeviceInfo info;
    char functions[TELKOR_FUNCTION_TEXT_SIZE];
    QCOMPARE(AdapterGetInfo(0, &info, functions), 0); // not opened
    AdapterOpen(0);
    std::memset(&info, 0xEE, sizeof info);
    QCOMPARE(AdapterGetInfo(0, &info, functions), 1);
    QCOMPARE(QByteArray(info.firmwareName), QByteArray("TELKOR-SIM USB2SPI"));
    QCOMPARE(info.reserved[0], uint8_t(0xEE)); // the library writes 84 bytes only
    QVERIFY(std::strlen(functions) > 0);
    DeviceInfo custom{};
    custom.firmwareVersion = 0x01020003;
    uint8_t full[TELKOR_FUNCTION_TEXT_SIZE];
    std::memset(full, 'x', sizeof full);
    TelkorTestSetDeviceInfo(&custom, full, sizeof full);
    QCOMPARE(AdapterGetInfo(0, &info, functions), 1);
    QCOMPARE(info.firmwareVersion, 0x01020003u);
    QCOMPARE(QByteArray(functions, sizeof functions), QByteArray(256, 'x'));
}

void TestSimulatedAdapter::callRecord()
{
    AdapterScan(0);
    AdapterOpen(0);
    SpiConfig c = config(0, 1, 0, 390450);
    c.clockPolarity = 1;
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
    SpiWrite(0, 0x21, data, -5);
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
                          "SpiWrite(0,0x21,[?],-5) => -2",
                      }));
    TelkorTestClearCalls();
    QCOMPARE(TelkorTestCallCount(), 0);
}

void TestSimulatedAdapter::injectedFaults_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("results"); // of ten SpiWrite calls
    QTest::newRow("once") << "once"
                          << "-6 0 0 0 0 0 0 0 0 0";
    QTest::newRow("every third") << "every:3"
                                 << "0 0 -6 0 0 -6 0 0 -6 0";
    QTest::newRow("never") << "random:0"
                           << "0 0 0 0 0 0 0 0 0 0";
    QTest::newRow("always") << "random:1"
                            << "-6 -6 -6 -6 -6 -6 -6 -6 -6 -6";
}

void TestSimulatedAdapter::injectedFaults()
{
    QFETCH(QString, rule);
    QFETCH(QString, results);
    QCOMPARE(TelkorTestConfigure(qPrintable("timing=off;fault.SpiWrite=" + rule)), 0);
    AdapterOpen(0);
    uint8_t data[1] = {1};
    QStringList actual;
    for (int i = 0; i < 10; ++i)
        actual.append(QString::number(SpiWrite(0, 0, data, 1)));
    QCOMPARE(actual.join(QLatin1Char(' ')), results);
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
    const QByteArray said = capture.readAll();
    QVERIFY2(said.contains("libTELKOR: configuration: \"adapters=99\" cannot be used; ignored"),
             said.constData());
    QVERIFY(said.contains("\"SPI1_CS9=flash\" cannot be used"));
    QCOMPARE(AdapterScan(0), 1); // the default stays
}

QTEST_GUILESS_MAIN(TestSimulatedAdapter)
#include "tst_simulatedadapter.moc"
