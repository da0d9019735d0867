// Our adapter library called directly: the entries' results, the bus behaviour of the default
// loopback, the limits, and the test controls every window test relies on.

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
    void init();
    void scanAndOpen();
    void configureChecksFields_data();
    void configureChecksFields();
    void loopback_data();
    void loopback();
    void emptySocketReadsOnes();
    void limits_data();
    void limits();
    void blockArgumentsCheckedBeforeRecording_data();
    void blockArgumentsCheckedBeforeRecording();
    void callRecordCappedByBytes_data();
    void callRecordCappedByBytes();
    void roles();
    void unpluggedAdapterFails();
    void forcedResults();
    void scriptedMiso();
    void slaveFrames();
    void deviceInfo();
    void callRecord();
    void injectedFaults_data();
    void injectedFaults();
    void scheduledUnplugging();
    void badConfigurationIsReported();
    void flashAndRegistersByDefault();
};

void TestSimulatedAdapter::init()
{
    TelkorTestConfigure("timing=off");
}

void TestSimulatedAdapter::scanAndOpen()
{
    QCOMPARE(AdapterScan(0), 1);
    QCOMPARE(AdapterOpen(0), 1);
    QCOMPARE(AdapterOpen(0), 1); // opening an open adapter again succeeds
    QCOMPARE(AdapterOpen(1), 0);
    TelkorTestSetAdapterCount(3);
    QCOMPARE(AdapterScan(0), 3);
    QCOMPARE(AdapterOpen(2), 1);
    QCOMPARE(AdapterOpen(-1), 0);
}

void TestSimulatedAdapter::configureChecksFields_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("valid") << -1 << 0 << 0;
    QTest::newRow("control mode 4") << 0 << 4 << -4;
    QTest::newRow("master 2") << 1 << 2 << -4;
    QTest::newRow("polarity 2") << 2 << 2 << -4;
    QTest::newRow("phase 2") << 3 << 2 << -4;
    QTest::newRow("shift 2") << 4 << 2 << -4;
    QTest::newRow("cs polarity 2") << 5 << 2 << -4;
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
    // Full duplex clocks in while it clocks out: the loopback returns what was sent, and the
    // filler bytes (FFh) once the write data ends. Half duplex reads after writing: only filler.
    QTest::newRow("full duplex") << 0 << 0 << QByteArray::fromHex("A1B2C3FF");
    QTest::newRow("full duplex, LSB first") << 0 << 1 << QByteArray::fromHex("A1B2C3FF");
    QTest::newRow("half duplex") << 1 << 0 << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("software half duplex") << 2 << 0 << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("single bus") << 3 << 0 << QByteArray::fromHex("FFFFFFFF");
}

void TestSimulatedAdapter::loopback()
{
    QFETCH(int, controlMode);
    QFETCH(int, lsbFirst);
    QFETCH(QByteArray, received);
    AdapterOpen(0);
    SpiConfig c = config(controlMode, 1, lsbFirst);
    QCOMPARE(SpiConfigure(0, 0x00, &c), 0);
    uint8_t write[3] = {0xA1, 0xB2, 0xC3};
    uint8_t read[4] = {};
    QCOMPARE(SpiWriteRead(0, 0x00, write, 3, read, 4, 0), 0);
    QCOMPARE(bytes(read, 4).toHex(), received.toHex());

    uint8_t blocks[4] = {1, 2, 3, 4};
    uint8_t blockRead[6] = {};
    QCOMPARE(SpiBlockWriteRead(0, 0x00, blocks, 2, blockRead, 3, 2, 100), 0);
    const QByteArray expected = controlMode == 0 ? QByteArray::fromHex("0102FF0304FF")
                                                 : QByteArray::fromHex("FFFFFFFFFFFF");
    QCOMPARE(bytes(blockRead, 6).toHex(), expected.toHex());
}

void TestSimulatedAdapter::emptySocketReadsOnes()
{
    AdapterOpen(0);
    SpiConfig c = config(0, 1);
    SpiConfigure(0, 0x30, &c);
    uint8_t write[2] = {0x12, 0x34};
    uint8_t read[2] = {};
    QCOMPARE(SpiWriteRead(0, 0x30, write, 2, read, 2, 0), 0);
    QCOMPARE(bytes(read, 2).toHex(), QByteArray("ffff"));
    QCOMPARE(SpiRead(0, 0x01, read, 2), 0);
    QCOMPARE(bytes(read, 2).toHex(), QByteArray("ffff"));
}

void TestSimulatedAdapter::limits_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("result");
    QTest::newRow("write 20480") << "SpiWrite" << 20480 << 1 << 0;
    QTest::newRow("write 20481") << "SpiWrite" << 20481 << 1 << -2;
    QTest::newRow("write negative") << "SpiWrite" << -1 << 1 << -2;
    QTest::newRow("read 20481") << "SpiRead" << 20481 << 1 << -2;
    QTest::newRow("block read 100 x 204") << "SpiBlockRead" << 100 << 204 << 0;
    QTest::newRow("block read 100 x 300") << "SpiBlockRead" << 100 << 300 << -2;
    QTest::newRow("block read overflowing product") << "SpiBlockRead" << 65536 << 65536 << -2;
    QTest::newRow("block write 0 blocks") << "SpiBlockWrite" << 2 << 0 << 0;
    QTest::newRow("block write negative count") << "SpiBlockWrite" << 2 << -1 << -2;
}

void TestSimulatedAdapter::limits()
{
    QFETCH(QString, entry);
    QFETCH(int, size);
    QFETCH(int, count);
    QFETCH(int, result);
    AdapterOpen(0);
    QByteArray buffer(TELKOR_BUFFER_SIZE, '\0');
    auto *data = reinterpret_cast<uint8_t *>(buffer.data());
    int actual = 1;
    if (entry == QLatin1String("SpiWrite"))
        actual = SpiWrite(0, 0, data, size);
    else if (entry == QLatin1String("SpiRead"))
        actual = SpiRead(0, 0, data, size);
    else if (entry == QLatin1String("SpiBlockRead"))
        actual = SpiBlockRead(0, 0, data, size, count, 10);
    else if (entry == QLatin1String("SpiBlockWrite"))
        actual = SpiBlockWrite(0, 0, data, size, count, 10);
    QCOMPARE(actual, result);
}

void TestSimulatedAdapter::blockArgumentsCheckedBeforeRecording_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("line");
    // Two negatives once made a size, and the record read that much of a 2-byte buffer.
    QTest::newRow("negative size and count")
        << "SpiBlockWrite" << -2 << -3 << "SpiBlockWrite(0,0x00,[?],-2,-3,0) => -2";
    QTest::newRow("negative sizes and count, write-read")
        << "SpiBlockWriteRead" << -2 << -3 << "SpiBlockWriteRead(0,0x00,[?],-2,-2,-3,0) => -2";
    // Empty blocks once ran a million assertions and succeeded.
    QTest::newRow("empty blocks, huge count")
        << "SpiBlockWrite" << 0 << 1000000 << "SpiBlockWrite(0,0x00,[?],0,1000000,0) => -2";
    QTest::newRow("empty blocks, count over the buffer")
        << "SpiBlockRead" << 0 << 20481 << "SpiBlockRead(0,0x00,0,20481,0) => -2";
    QTest::newRow("empty blocks, count of the buffer")
        << "SpiBlockWrite" << 0 << 20480 << "SpiBlockWrite(0,0x00,[],0,20480,0) => 0";
}

void TestSimulatedAdapter::blockArgumentsCheckedBeforeRecording()
{
    QFETCH(QString, entry);
    QFETCH(int, size);
    QFETCH(int, count);
    QFETCH(QString, line);
    AdapterOpen(0);
    TelkorTestClearCalls();
    uint8_t data[2] = {0x12, 0x34};
    if (entry == QLatin1String("SpiBlockWrite"))
        SpiBlockWrite(0, 0, data, size, count, 0);
    else if (entry == QLatin1String("SpiBlockRead"))
        SpiBlockRead(0, 0, data, size, count, 0);
    else
        SpiBlockWriteRead(0, 0, data, size, data, size, count, 0);
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
    QTest::newRow("small") << qint64(10000) << 10 << 1000 << 3;
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
    // The newest write is the last line.
    char head[23];
    TelkorTestCallText(kept - 1, head, sizeof head);
    QCOMPARE(QString::fromLatin1(head), QString::asprintf("SpiWrite(0,0x00,[%02X 00", writes - 1));
}

void TestSimulatedAdapter::roles()
{
    AdapterOpen(0);
    uint8_t data[2] = {1, 2};
    QCOMPARE(SpiSlaveWrite(0, 0, data, 2, 0), -3); // the port starts as master
    SpiConfig slave = config(1, 0);
    QCOMPARE(SpiConfigure(0, 0x00, &slave), 0);
    QCOMPARE(SpiWrite(0, 0, data, 2), -3);
    QCOMPARE(SpiWriteRead(0, 0, data, 2, data, 2, 0), -3);
    QCOMPARE(SpiBlockRead(0, 0, data, 1, 2, 10), -3);
    QCOMPARE(SpiSlaveWrite(0, 0, data, 2, 0), 0);
    // The controller's other chip selects share its configuration; SPI2 keeps its own.
    QCOMPARE(SpiWrite(0, 0x10, data, 2), -3);
    QCOMPARE(SpiWrite(0, 0x01, data, 2), 0);
}

void TestSimulatedAdapter::unpluggedAdapterFails()
{
    AdapterOpen(0);
    uint8_t data[2] = {1, 2};
    QCOMPARE(SpiWrite(0, 0, data, 2), 0);
    TelkorTestSetAdapterCount(0);
    QCOMPARE(AdapterScan(0), 0);
    QCOMPARE(SpiWrite(0, 0, data, 2), -1);
    TelkorTestSetAdapterCount(1);
    QCOMPARE(SpiWrite(0, 0, data, 2), -1); // plugged back in, but not opened again
    QCOMPARE(AdapterOpen(0), 1);
    QCOMPARE(SpiWrite(0, 0, data, 2), 0);
}

void TestSimulatedAdapter::forcedResults()
{
    AdapterOpen(0);
    uint8_t data[1] = {7};
    TelkorTestForceResult("SpiWrite", 5, 2);
    TelkorTestForceResult("AdapterScan", 0, 1);
    QCOMPARE(AdapterScan(0), 0);
    QCOMPARE(AdapterScan(0), 1);
    QCOMPARE(SpiWrite(0, 0, data, 1), 5);
    QCOMPARE(SpiWrite(0, 0, data, 1), 5);
    QCOMPARE(SpiWrite(0, 0, data, 1), 0);
}

void TestSimulatedAdapter::scriptedMiso()
{
    AdapterOpen(0);
    const uint8_t script[3] = {0xEF, 0x40, 0x15};
    TelkorTestQueueMiso(script, 3);
    uint8_t read[5] = {};
    QCOMPARE(SpiRead(0, 0, read, 5), 0);
    QCOMPARE(bytes(read, 5).toHex(), QByteArray("ef4015ffff"));
}

void TestSimulatedAdapter::slaveFrames()
{
    AdapterOpen(0);
    SpiConfig slave = config(1, 0);
    SpiConfigure(0, 0x00, &slave);
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    QCOMPARE(SpiSlaveRead(0, 0, buffer, 0), 0);
    const uint8_t frame[3] = {'O', 'K', '!'};
    TelkorTestQueueSlaveFrame(frame, 3);
    QCOMPARE(SpiSlaveRead(0, 0, buffer, 0), 3);
    QCOMPARE(bytes(buffer, 3), QByteArray("OK!"));
    QCOMPARE(SpiSlaveRead(0, 0, buffer, 0), 0);
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
    std::memset(functions, 0, sizeof functions);
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
    QTest::newRow("once") << "fault.SpiWrite=once"
                          << "-6 0 0 0 0 0 0 0 0 0";
    QTest::newRow("every third") << "fault.SpiWrite=every:3"
                                 << "0 0 -6 0 0 -6 0 0 -6 0";
    QTest::newRow("never") << "fault.SpiWrite=random:0"
                           << "0 0 0 0 0 0 0 0 0 0";
    QTest::newRow("always") << "fault.SpiWrite=random:1"
                            << "-6 -6 -6 -6 -6 -6 -6 -6 -6 -6";
}

void TestSimulatedAdapter::injectedFaults()
{
    QFETCH(QString, rule);
    QFETCH(QString, results);
    QCOMPARE(TelkorTestConfigure(qPrintable(QStringLiteral("timing=off;") + rule)), 0);
    AdapterOpen(0);
    uint8_t data[1] = {1};
    QStringList actual;
    for (int i = 0; i < 10; ++i)
        actual.append(QString::number(SpiWrite(0, 0, data, 1)));
    QCOMPARE(actual.join(QLatin1Char(' ')), results);
}

void TestSimulatedAdapter::scheduledUnplugging()
{
    // Three calls plugged in, two unplugged; plugged back, the adapter must be opened again.
    QCOMPARE(TelkorTestConfigure("timing=off;fault.unplug=every:3,for:2"), 0);
    uint8_t data[1] = {1};
    const QList<int> results = {
        AdapterScan(0),          AdapterOpen(0),         SpiWrite(0, 0, data, 1), AdapterScan(0),
        SpiWrite(0, 0, data, 1), AdapterScan(0),         SpiWrite(0, 0, data, 1), AdapterOpen(0),
        AdapterScan(0),          SpiWrite(0, 0, data, 1)};
    QCOMPARE(results, QList<int>({1, 1, 0, 0, -1, 1, -1, 1, 0, -1}));
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

void TestSimulatedAdapter::flashAndRegistersByDefault()
{
    AdapterOpen(0);
    uint8_t command[1] = {0x9F};
    uint8_t id[3] = {};
    QCOMPARE(SpiWriteRead(0, 0x10, command, 1, id, 3, 0), 0);
    QCOMPARE(bytes(id, 3).toHex(), QByteArray("ef4015"));
    uint8_t identity[1] = {0x8F};
    QCOMPARE(SpiWriteRead(0, 0x20, identity, 1, id, 1, 0), 0);
    QCOMPARE(bytes(id, 1).toHex(), QByteArray("5a"));
}

QTEST_GUILESS_MAIN(TestSimulatedAdapter)
#include "tst_simulatedadapter.moc"
