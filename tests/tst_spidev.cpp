// The spidev backend on a pretend host: the README's recipes through the entries' rules, the
// SPI_IOC_MESSAGE arrays each entry and mode makes, the driver's limits, refused settings,
// failures and reopening, and the buses the configuration picks.

#include "fakespidev.h"

#include "telkor/busadapter.h"
#include "telkor/config.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/spidevbackend.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <linux/spi/spidev.h>
#include <unistd.h>

using namespace telkor;

namespace
{

// A host with spidev0.0 (loopback), spidev0.1 (flash), spidev0.2 (register bank) and
// spidev1.0 (loopback).
struct Host {
    SimClock clock;
    std::string problem;
    LoopbackDevice loopback;
    NorFlash flash{(clock.setRealTime(false), clock), std::string(), &problem};
    RegisterBank registers;
    FakeSpidev fake;
    SpidevBackend *backend = nullptr;
    std::unique_ptr<BusAdapter> adapter;

    Host()
    {
        fake.addNode(0, 0, &loopback);
        fake.addNode(0, 1, &flash);
        fake.addNode(0, 2, &registers);
        fake.addNode(1, 0, &loopback);
        auto made = std::make_unique<SpidevBackend>(fake, LibraryConfig());
        backend = made.get();
        adapter = std::make_unique<BusAdapter>(std::move(made));
    }
    int32_t configure(int channel, int controlMode, int lsbFirst = 0, int master = 1)
    {
        SpiConfig config = BusAdapter::defaultConfig();
        config.controlMode = static_cast<uint8_t>(controlMode);
        config.lsbFirst = static_cast<uint8_t>(lsbFirst);
        config.master = static_cast<uint8_t>(master);
        config.clockHz = 1000000;
        return adapter->configure(channel, config);
    }
    QByteArray writeRead(int channel, const QByteArray &out, int readCount)
    {
        QByteArray in(readCount, '\0');
        const int32_t result =
            adapter->writeRead(channel, reinterpret_cast<const uint8_t *>(out.constData()),
                               out.size(), reinterpret_cast<uint8_t *>(in.data()), readCount);
        return result == Ok ? in : "failed " + QByteArray::number(result);
    }
    // Runs "ENTRY HEX SIZE [READ_SIZE COUNT INTERVAL]" on SPI1 CS0, the data padded with 01h
    // to what the entry takes; what was read lands in `in`.
    int32_t call(const QString &text, QByteArray *out, QByteArray *in)
    {
        const QStringList parts = text.split(QLatin1Char(' '));
        const QString entry = parts[0];
        const int size = parts[2].toInt(), readSize = parts.value(3).toInt(),
                  count = parts.value(4).toInt(), interval = parts.value(5).toInt();
        *out = QByteArray::fromHex(parts[1].toLatin1());
        out->append(QByteArray(std::max(0, size * std::max(count, 1) - int(out->size())), 1));
        in->fill('\0', std::max(size, readSize) * std::max(count, 1));
        const auto *data = reinterpret_cast<const uint8_t *>(out->constData());
        auto *buffer = reinterpret_cast<uint8_t *>(in->data());
        if (entry == QLatin1String("SpiWrite"))
            return adapter->write(0x00, data, size);
        if (entry == QLatin1String("SpiRead"))
            return adapter->read(0x00, buffer, size);
        if (entry == QLatin1String("SpiWriteRead"))
            return adapter->writeRead(0x00, data, size, buffer, readSize);
        if (entry == QLatin1String("SpiBlockWrite"))
            return adapter->blockWrite(0x00, data, size, count, interval);
        if (entry == QLatin1String("SpiBlockRead"))
            return adapter->blockRead(0x00, buffer, size, count, interval);
        return adapter->blockWriteRead(0x00, data, size, buffer, readSize, count, interval);
    }
    QStringList messages() const
    {
        QStringList list;
        for (const std::string &message : fake.messages)
            list.append(QString::fromStdString(message));
        return list;
    }
};

// Standard error while `body` runs.
template <typename Body> QByteArray stderrOf(Body body)
{
    QTemporaryFile capture;
    capture.open();
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestSpidev : public QObject
{
    Q_OBJECT

private slots:
    void recipes_data();
    void recipes();
    void messages_data();
    void messages();
    void trains_data();
    void trains();
    void modeBits_data();
    void modeBits();
    void slavePort();
    void lsbFirstInSoftware_data();
    void lsbFirstInSoftware();
    void failuresAndReopening_data();
    void failuresAndReopening();
    void busesAndInfo_data();
    void busesAndInfo();
};

void TestSpidev::recipes_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("steps"); // "OUT[/READ COUNT][+MICROSECONDS AFTER]"
    QTest::addColumn<QString>("answers");
    QTest::newRow("flash: identity, erase, program, read back")
        << 0x10 << "9F/3 06 20000000+60000 05/1 06 02000100DEADBEEF+5000 05/1 03000100/4"
        << "ef4015 00 00 deadbeef";
    QTest::newRow("registers: identity, write, read back") << 0x20 << "8F/1 2047 A0/1"
                                                           << "5a 47";
}

void TestSpidev::recipes()
{
    QFETCH(int, channel);
    QFETCH(QString, steps);
    QFETCH(QString, answers);
    Host host;
    QVERIFY(host.adapter->open());
    QCOMPARE(host.configure(0x00, 1), int32_t(Ok));
    QStringList actual;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        const QStringList parts = step.split(QRegularExpression(QStringLiteral("[/+]")));
        const int reads = step.contains(QLatin1Char('/')) ? parts[1].toInt() : 0;
        const QByteArray in =
            host.writeRead(channel, QByteArray::fromHex(parts[0].toLatin1()), reads);
        if (reads > 0)
            actual.append(QString::fromLatin1(in.toHex()));
        if (step.contains(QLatin1Char('+')))
            host.clock.advance(parts.last().toULongLong());
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), answers);
}

void TestSpidev::messages_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArray>("received"); // from the loopback on spidev0.0, in hex
    QTest::newRow("write") << 1 << "SpiWrite A1B2C3 3" << QStringList{"3 tx=A1B2C3"}
                           << QByteArray();
    QTest::newRow("empty write still asserts")
        << 1 << "SpiWrite - 0" << QStringList{"0"} << QByteArray();
    QTest::newRow("read sends filler")
        << 1 << "SpiRead - 2" << QStringList{"2 tx=FFFF rx"} << QByteArray("ffff");
    QTest::newRow("write-read, half duplex")
        << 1 << "SpiWriteRead A1 1 2" << QStringList{"1 tx=A1 ; 2 tx=FFFF rx"}
        << QByteArray("ffff");
    QTest::newRow("write-read, software half duplex")
        << 2 << "SpiWriteRead A1 1 2" << QStringList{"1 tx=A1 ; 2 tx=FFFF rx"}
        << QByteArray("ffff");
    QTest::newRow("write-read, full duplex, longer read")
        << 0 << "SpiWriteRead A1B2C3 3 4" << QStringList{"4 tx=A1B2C3FF rx"}
        << QByteArray("a1b2c3ff");
    QTest::newRow("write-read, full duplex, shorter read")
        << 0 << "SpiWriteRead A1B2C3 3 1" << QStringList{"3 tx=A1B2C3 rx"} << QByteArray("a1");
    QTest::newRow("write-read, single bus leaves the line to the chip")
        << 3 << "SpiWriteRead A1 1 2" << QStringList{"1 tx=A1 ; 2 rx"} << QByteArray("ffff");
    QTest::newRow("block write") << 1 << "SpiBlockWrite A1B2 1 0 2 100"
                                 << QStringList{"1 tx=A1 cs d100 ; 1 tx=B2"} << QByteArray();
    QTest::newRow("block read") << 1 << "SpiBlockRead - 1 0 2 7"
                                << QStringList{"1 tx=FF rx cs d7 ; 1 tx=FF rx"}
                                << QByteArray("ffff");
    QTest::newRow("block write-read, half duplex")
        << 1 << "SpiBlockWriteRead A1B2 1 1 2 5"
        << QStringList{"1 tx=A1 ; 1 tx=FF rx cs d5 ; 1 tx=B2 ; 1 tx=FF rx"} << QByteArray("ffff");
    QTest::newRow("block write-read, full duplex")
        << 0 << "SpiBlockWriteRead A1B2 1 1 2 0" << QStringList{"1 tx=A1 rx cs ; 1 tx=B2 rx"}
        << QByteArray("a1b2");
    QTest::newRow("interval beyond 16 bits: one message per block")
        << 1 << "SpiBlockWrite A1B2C3 1 0 3 70000" << QStringList{"1 tx=A1", "1 tx=B2", "1 tx=C3"}
        << QByteArray();
    QTest::newRow("no blocks, no message")
        << 1 << "SpiBlockWrite A1 1 0 0 10" << QStringList{} << QByteArray();
}

void TestSpidev::messages()
{
    QFETCH(int, controlMode);
    QFETCH(QString, call);
    QFETCH(QStringList, messages);
    QFETCH(QByteArray, received);
    Host host;
    host.adapter->open();
    QCOMPARE(host.configure(0x00, controlMode), int32_t(Ok));
    QByteArray out, in;
    QCOMPARE(host.call(call, &out, &in), int32_t(Ok));
    QCOMPARE(host.messages(), messages);
    QCOMPARE(in.left(received.size() / 2).toHex(), received);
    // Only an interval beyond a transfer's delay field is slept by the host.
    const size_t sleeps = messages.size() > 1 ? messages.size() - 1 : 0;
    QCOMPARE(host.fake.sleeps, std::vector<uint64_t>(sleeps, 70000));
}

void TestSpidev::trains_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<int>("bufsiz"); // 0: the driver's default, 4096
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("transfers"); // per message
    // 511 transfers fill a message; a half-duplex block is two and never split.
    QTest::newRow("1023 one-byte blocks")
        << 0 << 0 << "SpiBlockWriteRead 5A 1 1 1023 3" << 0 << QList<int>{511, 511, 1};
    QTest::newRow("half duplex pairs")
        << 1 << 0 << "SpiBlockWriteRead 5A 1 1 300 3" << 0 << QList<int>{510, 90};
    // Full duplex: 4096 bytes each way per message, 100-byte blocks, 40 to a message.
    QTest::newRow("bufsiz fills first")
        << 0 << 0 << "SpiBlockWriteRead 5A 100 100 100 3" << 0 << QList<int>{40, 40, 20};
    // A call that does not fit the driver's buffer is refused whole, never cut.
    QTest::newRow("write that fits") << 1 << 64 << "SpiWrite - 64" << 0 << QList<int>{1};
    QTest::newRow("write one byte over") << 1 << 64 << "SpiWrite - 65" << -2 << QList<int>{};
    QTest::newRow("write-read, filler counts")
        << 1 << 64 << "SpiWriteRead - 40 30" << -2 << QList<int>{};
    QTest::newRow("block over the limit")
        << 1 << 64 << "SpiBlockWrite - 65 0 2" << -2 << QList<int>{};
    QTest::newRow("blocks that fit, packed")
        << 1 << 64 << "SpiBlockWrite - 30 0 5" << 0 << QList<int>{2, 2, 1};
}

void TestSpidev::trains()
{
    QFETCH(int, controlMode);
    QFETCH(int, bufsiz);
    QFETCH(QString, call);
    QFETCH(int, result);
    QFETCH(QList<int>, transfers);
    Host host;
    if (bufsiz)
        host.fake.files["/sys/module/spidev/parameters/bufsiz"] = std::to_string(bufsiz) + "\n";
    host.adapter->open();
    host.configure(0x00, controlMode);
    QCOMPARE(host.backend->bufsiz(), size_t(bufsiz ? bufsiz : 4096));
    QByteArray out, in;
    const QByteArray said = stderrOf([&] { QCOMPARE(host.call(call, &out, &in), result); });
    QCOMPARE(QList<int>(host.fake.messageSizes.begin(), host.fake.messageSizes.end()), transfers);
    QCOMPARE(said.contains("buffer of 64 bytes; raise it with spidev.bufsiz=N on the kernel "
                           "command line or \"options spidev bufsiz=N\""),
             result != 0);
    // A message ends with its last block's interval, the chip select released by the message's
    // end, not by cs_change (which would keep it asserted).
    const QStringList messages = host.messages();
    for (int m = 0; bufsiz == 0 && m + 1 < messages.size(); ++m)
        QVERIFY2(messages[m].endsWith(QLatin1String(" d3")) &&
                     !messages[m].endsWith(QLatin1String(" cs d3")),
                 qPrintable(messages[m].right(20)));
    if (controlMode == 0)
        QCOMPARE(in, out);
}

void TestSpidev::modeBits_data()
{
    QTest::addColumn<int>("field"); // byte of SpiConfig to set; -1: none
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("mode32Missing");
    QTest::addColumn<QStringList>("slaves");
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("mode");
    QTest::newRow("mode 0") << -1 << 0 << false << QStringList() << 0 << uint(SPI_MODE_0);
    QTest::newRow("polarity") << 2 << 1 << false << QStringList() << 0 << uint(SPI_MODE_2);
    QTest::newRow("phase") << 3 << 1 << false << QStringList() << 0 << uint(SPI_MODE_1);
    QTest::newRow("LSB first") << 4 << 1 << false << QStringList() << 0 << uint(SPI_LSB_FIRST);
    QTest::newRow("CS active high") << 5 << 1 << false << QStringList() << 0 << uint(SPI_CS_HIGH);
    QTest::newRow("single bus") << 0 << 3 << false << QStringList() << 0 << uint(SPI_3WIRE);
    QTest::newRow("8-bit mode ioctl") << 5 << 1 << true << QStringList() << 0 << uint(SPI_CS_HIGH);
    QTest::newRow("slave without slave controllers")
        << 1 << 0 << false << QStringList() << int(BadConfig) << 0u;
    QTest::newRow("slave on a slave controller")
        << 1 << 0 << false << QStringList{"spi0"} << 0 << uint(SPI_MODE_0);
    QTest::newRow("master on a slave controller")
        << -1 << 0 << false << QStringList{"spi0"} << int(BadConfig) << 0u;
}

void TestSpidev::modeBits()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(bool, mode32Missing);
    QFETCH(QStringList, slaves);
    QFETCH(int, result);
    QFETCH(uint, mode);
    Host host;
    host.fake.mode32Missing = mode32Missing;
    host.fake.maxHz = 20000000;
    for (const QString &slave : slaves)
        host.fake.slaveControllers.push_back(slave.toStdString());
    host.adapter->open();
    SpiConfig config = BusAdapter::defaultConfig(); // 50 MHz
    if (field >= 0)
        reinterpret_cast<uint8_t *>(&config)[field] = static_cast<uint8_t>(value);
    int32_t actual = Ok;
    const QByteArray said = stderrOf([&] { actual = host.adapter->configure(0x00, config); });
    QCOMPARE(actual, result);
    QCOMPARE(said.contains("slave controller"), result != 0);
    if (result != 0) {
        QCOMPARE(host.fake.opens, 0);
        return;
    }
    // Every node of SPI1 took the setting; the clock is the one the driver reads back.
    for (int chipSelect = 0; chipSelect < 3; ++chipSelect) {
        QCOMPARE(host.fake.node(0, chipSelect).mode, mode);
        QCOMPARE(host.fake.node(0, chipSelect).bits, uint8_t(8));
        QCOMPARE(host.fake.node(0, chipSelect).hz, 20000000u);
    }
    QCOMPARE(host.fake.node(1, 0).hz, 0u); // SPI2 keeps its own
    QCOMPARE(host.backend->clockHz(0), 20000000u);
    QCOMPARE(host.fake.shortModeWrites > 0, mode32Missing);
}

void TestSpidev::slavePort()
{
    Host host;
    host.fake.slaveControllers = {"spi1"};
    host.adapter->open();
    QCOMPARE(host.configure(0x01, 1, 0, 0), int32_t(Ok));
    const uint8_t reply[2] = {0x01, 0x02};
    QCOMPARE(host.adapter->slaveWrite(0x01, reply, 2), int32_t(Ok));
    QCOMPARE(QString::fromStdString(host.fake.slaveWritten), QStringLiteral("0102"));
    host.fake.slaveIncoming = "MS";
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    QCOMPARE(host.adapter->slaveRead(0x01, buffer), 2);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 2), QByteArray("MS"));
    QCOMPARE(host.adapter->write(0x01, reply, 2), int32_t(WrongRole));
    QCOMPARE(host.adapter->slaveWrite(0x00, reply, 2), int32_t(WrongRole)); // SPI1 is a master
}

void TestSpidev::lsbFirstInSoftware_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("message");
    // On the wire 01h least significant bit first is 80h: the controller turns it, or we do.
    QTest::newRow("controller turns the bits") << false << "2 tx=0102 rx";
    QTest::newRow("refused: reversed here") << true << "2 tx=8040 rx";
}

void TestSpidev::lsbFirstInSoftware()
{
    QFETCH(bool, refused);
    QFETCH(QString, message);
    Host host;
    host.fake.lsbFirstRefused = refused;
    host.adapter->open();
    QCOMPARE(host.configure(0x00, 0, 1), int32_t(Ok));
    QCOMPARE(host.backend->reversesBits(0), refused);
    QCOMPARE(host.writeRead(0x00, QByteArray::fromHex("0102"), 2).toHex(), QByteArray("0102"));
    QCOMPARE(host.messages().value(0), message);
    // F9h least significant bit first is the flash's 9Fh; its answer EFh 40h comes back turned
    // (full duplex: the first byte is clocked in while the command goes out).
    QCOMPARE(host.writeRead(0x10, QByteArray::fromHex("F9"), 3).toHex(), QByteArray("fff702"));
    DeviceInfo info;
    char functions[TELKOR_FUNCTION_TEXT_SIZE];
    QVERIFY(host.adapter->info(&info, functions));
    QCOMPARE(QByteArray(functions).contains("SPI1 spidev0 CS 0 1 2, LSB first in software"),
             refused);
}

void TestSpidev::failuresAndReopening_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("onOpen");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("unplugged mid-train")
        << ENODEV << false << QByteArray("/dev/spidev0.0: SPI_IOC_MESSAGE failed: No such device");
    QTest::newRow("message too long")
        << EMSGSIZE << false << QByteArray("refused a message larger than its buffer");
    QTest::newRow("invalid transfer")
        << EINVAL << false << QByteArray("SPI_IOC_MESSAGE failed: Invalid argument");
    QTest::newRow("no access") << EACCES << true
                               << QByteArray("open failed: Permission denied (give the user");
}

void TestSpidev::failuresAndReopening()
{
    QFETCH(int, error);
    QFETCH(bool, onOpen);
    QFETCH(QByteArray, said);
    Host host;
    host.adapter->open();
    QCOMPARE(host.configure(0x00, 0), int32_t(Ok));
    QCOMPARE(host.fake.opens, 3);
    // 600 one-byte blocks are two messages; the second fails. For a refused open the train
    // fails first, so that the node must be opened again.
    host.fake.failAtMessage = 2;
    host.fake.failError = onOpen ? ENODEV : error;
    host.fake.openError = onOpen ? error : 0;
    int32_t result = Ok;
    const QByteArray stderrText = stderrOf([&] {
        QByteArray out, in;
        result = host.call(QStringLiteral("SpiBlockWriteRead 33 1 1 600 0"), &out, &in);
        if (onOpen) // the node is opened again and refused
            result = host.call(QStringLiteral("SpiWrite 33 1"), &out, &in);
    });
    QCOMPARE(result, int32_t(DeviceFailed));
    QVERIFY2(stderrText.contains(said), stderrText.constData());
    host.fake.openError = 0;
    // The next transfer opens the node again and sets it up before it sends.
    const int opens = host.fake.opens;
    QCOMPARE(host.writeRead(0x00, QByteArray::fromHex("C0DE"), 2).toHex(), QByteArray("c0de"));
    QCOMPARE(host.fake.opens, opens + 1);
}

void TestSpidev::busesAndInfo_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QList<int>>("nodeBuses"); // each with chip select 0
    QTest::addColumn<QByteArray>("functions"); // empty: no adapter
    QTest::newRow("two lowest") << "" << QList<int>{5, 3, 9}
                                << QByteArray("Linux spidev, kernel 6.1.0-test: SPI1 spidev3 CS 0; "
                                              "SPI2 spidev5 CS 0; bufsiz 4096");
    QTest::newRow("one bus") << "" << QList<int>{2}
                             << QByteArray("Linux spidev, kernel 6.1.0-test: SPI1 spidev2 CS 0; "
                                           "SPI2 none; bufsiz 4096");
    QTest::newRow("configured") << "spidev.SPI1=9;spidev.SPI2=3" << QList<int>{5, 3, 9}
                                << QByteArray("Linux spidev, kernel 6.1.0-test: SPI1 spidev9 CS 0; "
                                              "SPI2 spidev3 CS 0; bufsiz 4096");
    QTest::newRow("none") << "" << QList<int>{} << QByteArray();
}

void TestSpidev::busesAndInfo()
{
    QFETCH(QString, items);
    QFETCH(QList<int>, nodeBuses);
    QFETCH(QByteArray, functions);
    FakeSpidev fake;
    LoopbackDevice wire;
    for (int bus : nodeBuses)
        fake.addNode(bus, 0, &wire);
    LibraryConfig config;
    std::vector<std::string> problems;
    applyConfig(items.toStdString(), &config, &problems);
    QCOMPARE(SpidevBackend::count(fake), nodeBuses.isEmpty() ? 0 : 1);
    SpidevBackend backend(fake, config);
    QCOMPARE(backend.open(), !nodeBuses.isEmpty());
    if (nodeBuses.isEmpty())
        return;
    DeviceInfo info;
    std::memset(&info, 0xEE, sizeof info);
    char text[TELKOR_FUNCTION_TEXT_SIZE];
    QVERIFY(backend.info(&info, text));
    QCOMPARE(QByteArray(info.firmwareName), QByteArray("Linux spidev"));
    QCOMPARE(QByteArray(info.buildDate), QByteArray("6.1.0-test"));
    QCOMPARE(info.firmwareVersion, 0x06010000u);
    QCOMPARE(info.reserved[0], uint8_t(0xEE));
    QCOMPARE(QByteArray(text), functions);
}

QTEST_GUILESS_MAIN(TestSpidev)
#include "tst_spidev.moc"
