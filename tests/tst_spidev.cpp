// The spidev backend on a pretend host: the message arrays each entry and mode makes, the
// driver's limits, settings, failures and reopening. The README's recipes: tst_backends.

#include "fakespidev.h"
#include "stderrcapture.h"

#include "telkor/busadapter.h"
#include "telkor/norflash.h"
#include "telkor/spidevbackend.h"

#include <QtTest>

#include <cerrno>
#include <linux/spi/spidev.h>
#include <unistd.h>

using namespace telkor;

namespace
{

// A host with spidev0.0 (loopback), spidev0.1 (flash) and spidev1.0 (loopback).
struct Host {
    SimClock clock;
    LoopbackDevice loopback;
    NorFlash flash{(clock.setRealTime(false), clock), std::string(), nullptr};
    FakeSpidev fake;
    std::unique_ptr<BusAdapter> adapter;

    explicit Host(int bufsiz = 0)
    {
        fake.addNode(0, 0, &loopback);
        fake.addNode(0, 1, &flash);
        fake.addNode(1, 0, &loopback);
        if (bufsiz)
            fake.files["/sys/module/spidev/parameters/bufsiz"] = std::to_string(bufsiz) + "\n";
        adapter =
            std::make_unique<BusAdapter>(std::make_unique<SpidevBackend>(fake, LibraryConfig()));
    }
    int32_t open(int controlMode, int lsbFirst = 0)
    {
        SpiConfig config = BusAdapter::defaultConfig();
        config.controlMode = static_cast<uint8_t>(controlMode);
        config.lsbFirst = static_cast<uint8_t>(lsbFirst);
        adapter->open();
        return adapter->configure(0x00, config);
    }
    // Runs "ENTRY SIZE [READ_SIZE COUNT INTERVAL]" on `channel` with the data in `out`, else
    // A1h, A2h, ...; what was read lands in `in`.
    int32_t call(const QString &text, QByteArray *out, QByteArray *in, int channel = 0x00)
    {
        const QStringList parts = text.split(QLatin1Char(' '));
        const int size = parts[1].toInt(), readSize = parts.value(2).toInt(),
                  count = parts.value(3).toInt(), interval = parts.value(4).toInt();
        for (int i = out->size(); i < size * std::max(count, 1); ++i)
            out->append(static_cast<char>(0xA1 + i));
        in->fill('\0', std::max(size, readSize) * std::max(count, 1));
        const auto *data = reinterpret_cast<const uint8_t *>(out->constData());
        auto *buffer = reinterpret_cast<uint8_t *>(in->data());
        if (parts[0] == QLatin1String("SpiWrite"))
            return adapter->write(channel, data, size);
        if (parts[0] == QLatin1String("SpiRead"))
            return adapter->read(channel, buffer, size);
        if (parts[0] == QLatin1String("SpiWriteRead"))
            return adapter->writeRead(channel, data, size, buffer, readSize);
        if (parts[0] == QLatin1String("SpiBlockWrite"))
            return adapter->blockWrite(channel, data, size, count, interval);
        if (parts[0] == QLatin1String("SpiBlockRead"))
            return adapter->blockRead(channel, buffer, size, count, interval);
        return adapter->blockWriteRead(channel, data, size, buffer, readSize, count, interval);
    }
};

} // namespace

class TestSpidev : public QObject
{
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
    void modeBits_data();
    void modeBits();
    void lsbFirstInSoftware();
    void failuresAndReopening();
    void systemCallFailures_data();
    void systemCallFailures();
    void slavePort();
};

void TestSpidev::messages_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<int>("bufsiz"); // 0: the driver's default, 4096
    QTest::addColumn<QString>("call");
    // As the pretend host records them, a long one as its count of transfers; none: refused.
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("received"); // from the loopback on spidev0.0, in hex
    auto row = [](const char *name, int mode, int bufsiz, const char *call,
                  const QStringList &messages, const char *received) {
        QTest::newRow(name) << mode << bufsiz << QString(call) << messages << QString(received);
    };
    row("write", 1, 0, "SpiWrite 3", {"3 tx=A1A2A3"}, "");
    row("read sends filler", 1, 0, "SpiRead 2", {"2 tx=FFFF rx"}, "ffff");
    // Half duplex: one message, the write and then the read.
    row("write-read, half duplex", 1, 0, "SpiWriteRead 1 2", {"1 tx=A1 ; 2 tx=FFFF rx"}, "ffff");
    row("write-read, full duplex", 0, 0, "SpiWriteRead 3 4", {"4 tx=A1A2A3FF rx"}, "a1a2a3ff");
    row("write-read, single bus leaves the line to the chip", 3, 0, "SpiWriteRead 1 2",
        {"1 tx=A1 ; 2 rx"}, "ffff");
    // The chip select toggles between blocks; the interval is the delay after each block.
    row("block write", 1, 0, "SpiBlockWrite 1 0 2 100", {"1 tx=A1 cs d100 ; 1 tx=A2"}, "");
    row("block read", 1, 0, "SpiBlockRead 1 0 2 7", {"1 tx=FF rx cs d7 ; 1 tx=FF rx"}, "ffff");
    row("block write-read, half duplex", 1, 0, "SpiBlockWriteRead 1 1 2 5",
        {"1 tx=A1 ; 1 tx=FF rx cs d5 ; 1 tx=A2 ; 1 tx=FF rx"}, "ffff");
    row("block write-read, full duplex", 0, 0, "SpiBlockWriteRead 1 1 2 0",
        {"1 tx=A1 rx cs ; 1 tx=A2 rx"}, "a1a2");
    // Beyond the delay field's 16 bits: one message per block, the host sleeps in between.
    row("interval of 16 bits", 1, 0, "SpiBlockWrite 1 0 2 65535", {"1 tx=A1 cs d65535 ; 1 tx=A2"},
        "");
    row("interval one beyond 16 bits", 1, 0, "SpiBlockWrite 1 0 2 65536", {"1 tx=A1", "1 tx=A2"},
        "");
    // 511 transfers fill a message; a half-duplex block is two and never split. Full duplex:
    // 4096 bytes each way per message, so 40 blocks of 100 bytes.
    row("1023 one-byte blocks", 0, 0, "SpiBlockWriteRead 1 1 1023 3",
        {"511 d3", "511 d3", "1 tx=9F rx"}, "echo");
    row("half duplex pairs", 1, 0, "SpiBlockWriteRead 1 1 300 3", {"510 d3", "90"}, "");
    row("bufsiz fills first", 0, 0, "SpiBlockWriteRead 100 100 100 3", {"40 d3", "40 d3", "20"},
        "echo");
    row("blocks that fit, packed", 1, 64, "SpiBlockWrite 30 0 5 3", {"2 d3", "2 d3", "1"}, "");
    // A call that does not fit the driver's buffer is refused whole, never cut.
    row("write that just fits", 1, 64, "SpiWrite 64", {"1"}, "");
    row("write one byte over", 1, 64, "SpiWrite 65", {}, "");
    row("write-read, filler counts", 1, 64, "SpiWriteRead 40 30", {}, "");
}

void TestSpidev::messages()
{
    QFETCH(int, controlMode);
    QFETCH(int, bufsiz);
    QFETCH(QString, call);
    QFETCH(QStringList, messages);
    QFETCH(QString, received);
    Host host(bufsiz);
    QCOMPARE(host.open(controlMode), int32_t(Ok));
    QByteArray out, in;
    int32_t result = Ok;
    const QByteArray said = stderrOf([&] { result = host.call(call, &out, &in); });
    QCOMPARE(result, messages.isEmpty() ? int32_t(BadArgument) : int32_t(Ok));
    QCOMPARE(said.contains("buffer of 64 bytes; raise it with spidev.bufsiz=N on the kernel "
                           "command line or \"options spidev bufsiz=N\""),
             messages.isEmpty());
    // A long message is counted in transfers, with " d3" when it ends with its last block's
    // interval and the chip select released by the message's end, not by cs_change (which
    // would keep it asserted).
    QStringList actual;
    for (const std::string &text : host.fake.messages) {
        const QString message = QString::fromStdString(text);
        const bool released = message.endsWith(" d3") && !message.endsWith(" cs d3");
        actual << (message.size() <= 60
                       ? message
                       : QString::number(message.count(" ; ") + 1) + (released ? " d3" : ""));
    }
    QCOMPARE(actual, messages);
    const QByteArray expected = received == "echo" ? out.toHex() : received.toLatin1();
    QCOMPARE(in.toHex().left(expected.size()), expected);
    // Intervals beyond the delay field are slept between messages, one per block.
    const uint64_t interval = call.section(QLatin1Char(' '), 4).toULongLong();
    const size_t sleeps = interval > 65535 ? messages.size() - 1 : 0;
    QCOMPARE(host.fake.sleeps, std::vector<uint64_t>(sleeps, interval));
}

void TestSpidev::modeBits_data()
{
    QTest::addColumn<int>("field"); // byte of SpiConfig to set
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("slaveController");
    QTest::addColumn<uint>("mode"); // 99: refused
    auto row = [](const char *name, int field, int value, const char *slaveController, uint mode) {
        QTest::newRow(name) << field << value << QString(slaveController) << mode;
    };
    row("polarity", 2, 1, "", SPI_MODE_2);
    row("phase", 3, 1, "", SPI_MODE_1);
    row("LSB first", 4, 1, "", SPI_LSB_FIRST);
    row("CS active high", 5, 1, "", SPI_CS_HIGH);
    row("single bus", 0, 3, "", SPI_3WIRE);
    row("slave without slave controllers", 1, 0, "", 99);
    row("slave on a slave controller", 1, 0, "spi0", SPI_MODE_0);
    row("master on a slave controller", 1, 1, "spi0", 99);
}

void TestSpidev::modeBits()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(QString, slaveController);
    QFETCH(uint, mode);
    Host host;
    host.fake.maxHz = 20000000;
    if (!slaveController.isEmpty())
        host.fake.slaveControllers.push_back(slaveController.toStdString());
    host.adapter->open();
    SpiConfig config = BusAdapter::defaultConfig(); // 50 MHz
    reinterpret_cast<uint8_t *>(&config)[field] = static_cast<uint8_t>(value);
    int32_t result = Ok;
    const QByteArray said = stderrOf([&] { result = host.adapter->configure(0x00, config); });
    QCOMPARE(result, mode == 99 ? int32_t(BadConfig) : int32_t(Ok));
    QCOMPARE(said.contains("slave controller"), mode == 99);
    // The other nodes of SPI1 take the setting too, at the clock the controller can make; SPI2
    // keeps its own.
    const FakeSpidev::Node &node = host.fake.node(0, 1);
    QCOMPARE(QList<uint>({node.mode, node.bits, node.hz, host.fake.node(1, 0).hz}),
             mode == 99 ? QList<uint>({0, 0, 0, 0}) : QList<uint>({mode, 8, 20000000, 0}));
}

void TestSpidev::lsbFirstInSoftware()
{
    // On the wire A1h least significant bit first is 85h: the controller turns it, or we do.
    // F9h least significant bit first is the flash's 9Fh; its answer EFh 40h comes back turned
    // (full duplex: the first byte is clocked in while the command goes out).
    for (bool refused : {false, true}) {
        Host host;
        host.fake.lsbFirstRefused = refused;
        QCOMPARE(host.open(0, 1), int32_t(Ok));
        QByteArray out, in, command = QByteArray::fromHex("F9"), answer;
        host.call(QStringLiteral("SpiWriteRead 2 2"), &out, &in);
        host.call(QStringLiteral("SpiWriteRead 1 3"), &command, &answer, 0x10);
        QCOMPARE(in.toHex() + ' ' + answer.toHex(), QByteArray("a1a2 fff702"));
        QCOMPARE(host.fake.messages.at(0), refused ? "2 tx=8545 rx" : "2 tx=A1A2 rx");
        DeviceInfo info;
        char functions[TELKOR_FUNCTION_TEXT_SIZE];
        QVERIFY(host.adapter->info(&info, functions));
        QCOMPARE(QByteArray(functions).contains("SPI1 spidev0 CS 0 1, LSB first in software"),
                 refused);
    }
}

void TestSpidev::failuresAndReopening()
{
    // 600 one-byte blocks are two messages; the second fails as the node goes. The node is
    // opened again for the next transfer, and may refuse; once it opens, it is set up again
    // before it sends.
    Host host;
    QCOMPARE(host.open(0), int32_t(Ok));
    host.fake.failAtMessage = 2;
    host.fake.failError = ENODEV;
    QByteArray out, in, again, back;
    QList<int> results;
    const QByteArray said = stderrOf([&] {
        results << host.call(QStringLiteral("SpiBlockWriteRead 1 1 600 0"), &out, &in);
        host.fake.openError = EACCES;
        results << host.call(QStringLiteral("SpiWrite 1"), &out, &in);
    });
    host.fake.openError = 0;
    results << host.call(QStringLiteral("SpiWriteRead 2 2"), &again, &back) << host.fake.opens;
    QCOMPARE(results, QList<int>({DeviceFailed, DeviceFailed, Ok, 3}));
    QCOMPARE(back, again);
    QCOMPARE(said, QByteArray("libTELKOR: spidev: /dev/spidev0.0: SPI_IOC_MESSAGE failed: No such "
                              "device\nlibTELKOR: spidev: /dev/spidev0.0: open failed: Permission "
                              "denied (give the user access to the node, e.g. by a udev rule)\n"));
}

void TestSpidev::systemCallFailures_data()
{
    QTest::addColumn<qulonglong>("request"); // the ioctl that fails when configuring
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("call"); // configure (mode 3), transfer, slave read, slave write
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("said");
    const QString setting =
        "libTELKOR: spidev: /dev/spidev0.0: setting the mode and clock failed: ";
    auto row = [](const char *name, const char *call, qulonglong request, int error, int result,
                  const QString &said) {
        QTest::newRow(name) << request << error << QString(call) << result << said;
    };
    // A driver from before the 32-bit mode: the 8-bit one is used.
    row("WR_MODE32 unknown", "configure", SPI_IOC_WR_MODE32, ENOTTY, Ok, "");
    row("WR_MODE32 refused", "configure", SPI_IOC_WR_MODE32, EINVAL, BadConfig,
        setting + "Invalid argument\nlibTELKOR: spidev: the controller cannot work in this mode "
                  "(clock mode, chip-select polarity or single bus)\n");
    for (const auto &failing : {std::make_pair("WR_MODE32 fails", SPI_IOC_WR_MODE32),
                                std::make_pair("WR_BITS_PER_WORD fails", SPI_IOC_WR_BITS_PER_WORD),
                                std::make_pair("WR_MAX_SPEED_HZ fails", SPI_IOC_WR_MAX_SPEED_HZ),
                                std::make_pair("RD_MAX_SPEED_HZ fails", SPI_IOC_RD_MAX_SPEED_HZ)})
        row(failing.first, "configure", failing.second, EIO, DeviceFailed,
            setting + "Input/output error\n");
    row("message too long", "transfer", 0, EMSGSIZE, DeviceFailed,
        "libTELKOR: spidev: the driver refused a message larger than its buffer (bufsiz 4096 "
        "bytes)\nlibTELKOR: spidev: /dev/spidev0.0: SPI_IOC_MESSAGE failed: Message too long\n");
    row("slave write fails", "slave write", 0, EIO, DeviceFailed,
        "libTELKOR: spidev: /dev/spidev0.0: write failed: Input/output error\n");
    row("slave read fails", "slave read", 0, EIO, DeviceFailed,
        "libTELKOR: spidev: /dev/spidev0.0: read failed: Input/output error\n");
}

void TestSpidev::systemCallFailures()
{
    QFETCH(qulonglong, request);
    QFETCH(int, error);
    QFETCH(QString, call);
    QFETCH(int, result);
    QFETCH(QString, said);
    Host host;
    SpiConfig config = BusAdapter::defaultConfig();
    config.clockPolarity = config.clockPhase = 1;
    if (call.startsWith(QLatin1String("slave"))) {
        host.fake.slaveControllers.push_back("spi0");
        config.master = 0;
    }
    host.adapter->open();
    if (call != QLatin1String("configure"))
        QCOMPARE(host.adapter->configure(0x00, config), int32_t(Ok));
    auto fail = [&](int with) {
        if (call == QLatin1String("transfer"))
            host.fake.failAtMessage = with ? 1 : 0, host.fake.failError = with;
        else if (call == QLatin1String("configure"))
            with ? void(host.fake.ioctlErrors[request] = with) : host.fake.ioctlErrors.clear();
        else
            host.fake.ioError = with;
    };
    uint8_t bytes[TELKOR_BUFFER_SIZE] = {0xA1};
    auto act = [&] {
        if (call == QLatin1String("configure"))
            return host.adapter->configure(0x00, config);
        if (call == QLatin1String("transfer"))
            return host.adapter->write(0x00, bytes, 1);
        if (call == QLatin1String("slave write"))
            return host.adapter->slaveWrite(0x00, bytes, 1);
        return host.adapter->slaveRead(0x00, bytes);
    };
    fail(error);
    int32_t got = Ok;
    QCOMPARE(QString::fromLocal8Bit(stderrOf([&] { got = act(); })), said);
    QCOMPARE(got, int32_t(result));
    // Once the system calls work again, the node is opened and set up afresh.
    fail(0);
    QCOMPARE(act(), int32_t(Ok));
    QCOMPARE(host.fake.node(0, 0).mode, uint32_t(SPI_MODE_3));
    QCOMPARE(host.fake.opens, result == Ok ? 2 : 3); // both nodes of bus 0, then 0.0 again
}

void TestSpidev::slavePort()
{
    // On a slave controller SpiSlaveWrite writes to the node, SpiSlaveRead reads from it: no
    // more than the driver's buffer at once.
    Host host(64);
    host.fake.slaveControllers.push_back("spi0");
    SpiConfig slave = BusAdapter::defaultConfig();
    slave.master = 0;
    host.adapter->open();
    QCOMPARE(host.adapter->configure(0x00, slave), int32_t(Ok));
    const uint8_t reply[] = {0xDE, 0xAD};
    QCOMPARE(host.adapter->slaveWrite(0x00, reply, 2), int32_t(Ok));
    QCOMPARE(host.fake.slaveWritten, std::string("DEAD"));
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    QList<int> counts;
    for (int incoming : {3, 64, 65}) {
        host.fake.slaveIncoming = std::string(size_t(incoming), 'M');
        counts << host.adapter->slaveRead(0x00, buffer);
    }
    QCOMPARE(counts, QList<int>({3, 64, 64}));
    QCOMPARE(buffer[0], uint8_t('M'));
}

QTEST_GUILESS_MAIN(TestSpidev)
#include "tst_spidev.moc"
