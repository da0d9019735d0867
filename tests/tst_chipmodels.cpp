// The simulated chips and bus, driven directly: the flash's command set and its program,
// erase and busy rules, the register bank, what wrong bus settings do to a chip, the remote
// master of a slave port, the bus clock, and where the library's configuration comes from.

#include "telkor/config.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/remotemaster.h"
#include "telkor/simadapter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace telkor;

Q_DECLARE_METATYPE(SpiConfig)

namespace
{

// One chip-select assertion: sends `out`, then clocks `readCount` filler bytes and returns
// what came back during them.
QByteArray command(SpiDevice &chip, const QByteArray &out, int readCount = 0)
{
    chip.select();
    for (char byte : out)
        chip.exchange(static_cast<uint8_t>(byte));
    QByteArray answer;
    for (int i = 0; i < readCount; ++i)
        answer.append(static_cast<char>(chip.exchange(0xFF)));
    chip.deselect();
    return answer;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

SpiConfig busConfig(int controlMode, int polarity = 0, int phase = 0, int lsbFirst = 0,
                    int csPolarity = 0, int hz = 1000000)
{
    SpiConfig config{};
    config.controlMode = static_cast<uint8_t>(controlMode);
    config.master = 1;
    config.clockPolarity = static_cast<uint8_t>(polarity);
    config.clockPhase = static_cast<uint8_t>(phase);
    config.lsbFirst = static_cast<uint8_t>(lsbFirst);
    config.csPolarity = static_cast<uint8_t>(csPolarity);
    config.clockHz = hz;
    return config;
}

// A flash without a backing file, on the simulated clock.
struct FlashBench {
    SimClock clock;
    std::string problem;
    NorFlash flash{(clock.setRealTime(false), clock), std::string(), &problem};
};

struct Bench {
    SimClock clock;
    std::vector<std::string> problems;
    std::unique_ptr<SimAdapter> adapter;
    Bench()
    {
        clock.setRealTime(false);
        adapter = std::make_unique<SimAdapter>(LibraryConfig(), clock, std::string(), &problems);
        adapter->open();
    }
    QByteArray writeRead(int channel, const QByteArray &out, int readCount)
    {
        QByteArray in(readCount, '\0');
        const int32_t result =
            adapter->writeRead(channel, reinterpret_cast<const uint8_t *>(out.constData()),
                               out.size(), reinterpret_cast<uint8_t *>(in.data()), readCount);
        return result == Ok ? in : QByteArray("failed");
    }
};

} // namespace

class TestChipModels : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void flashFile();
    void busModes_data();
    void busModes();
    void remoteMaster();
    void slavePort();
    void busTimeOnSimulatedClock_data();
    void busTimeOnSimulatedClock();
    void busTimeInRealTime();
    void badConfiguration();
    void configurationSources_data();
    void configurationSources();
};

void TestChipModels::commands_data()
{
    QTest::addColumn<bool>("flash"); // else the register bank
    // Each command one chip-select assertion: "OUT[/READ COUNT][+MICROSECONDS AFTER]".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("answers"); // of the steps that read
    QTest::newRow("identity, write enable latch") << true << "9F/3 05/2 06 05/1 04 05/1 0600 05/1"
                                                  << "ef4015 0000 02 00 00";
    // 700 us a page program, 45 ms a sector erase.
    QTest::newRow("busy while a page programs")
        << true << "06 020000101122 05/1+699 05/1+1 05/1 03000010/3"
        << "01 01 00 1122ff";
    QTest::newRow("busy ignores commands")
        << true << "06 20000000 9F/3 03000000/2 06 02000000AA 05/3+45000 05/1 03000000/1"
        << "ffffff ffff 010101 00 ff";
    QTest::newRow("program wraps within its page")
        << true << "06 020000FE01020304+700 030000FC/4 03000000/3 03000100/1"
        << "ffff0102 0304ff ff";
    QTest::newRow("program only clears bits")
        << true << "06 02000000F0+700 06 020000000F+700 06 02000000FF+700 03000000/1"
        << "00";
    // 300 bytes from a page start: the last 256 stay in the page buffer.
    QTest::newRow("program more than a page")
        << true
        << "06 02000000" + QString(512, 'A') + QString(88, '5') + "+700 0300002A/3 03000100/1"
        << "5555aa ff";
    QTest::newRow("reads wrap at the end; fast read skips a dummy byte")
        << true << "06 021FFFFF5A+700 06 02000000A5+700 031FFFFF/2 0B1FFFFF00/2 0B1FFFFF/2"
        << "5aa5 5aa5 ff5a";
    // Erases: zeros programmed on each side of the region's edges first; without a write
    // enable nothing happens. Busy 45 ms a sector, 150 ms a block, 3 s the chip.
    auto zeros = [](const QStringList &addresses) {
        QString steps;
        for (const QString &address : addresses)
            steps += "06 02" + address + "00+700 ";
        return steps;
    };
    QTest::newRow("erase a 4 KiB sector")
        << true
        << zeros({"000FFF", "001000", "001FFF", "002000"}) +
               "20001234 03001000/1 06 20001234 05/1+44999 05/1+1 05/1 03000FFF/2 03001FFF/2"
        << "00 01 01 00 00ff ff00";
    QTest::newRow("erase a 64 KiB block")
        << true
        << zeros({"00FFFF", "010000", "01FFFF", "020000"}) +
               "D8012345 03010000/1 06 D8012345 05/1+149999 05/1+1 05/1 0300FFFF/2 0301FFFF/2"
        << "00 01 01 00 00ff ff00";
    for (const char *erase : {"C7", "60"})
        QTest::addRow("erase the chip with %s", erase)
            << true
            << zeros({"000000", "1FFFFF"}) + erase + " 03000000/1 06 " + erase +
                   " 05/1+2999999 05/1+1 05/1 03000000/1 031FFFFF/1"
            << "00 01 01 00 ff ff";
    QTest::newRow("erase with its address cut short")
        << true << zeros({"001000"}) + "06 200012 05/1 03001000/1"
        << "02 00";
    // The identity is read-only, 27h writable but 28h not; the address wraps from 7Fh to 00h.
    QTest::newRow("register bank")
        << false << "8F/1 A8/6 10AABBCC 90/3 0F00 271122 8F/1 A7/2 7F0102 FF/2 A0/1"
        << "5a 34127856bc9a aabbcc 5a 1134 0102 07";
}

void TestChipModels::commands()
{
    QFETCH(bool, flash);
    QFETCH(QString, steps);
    QFETCH(QString, answers);
    FlashBench bench;
    RegisterBank bank;
    SpiDevice &chip = flash ? static_cast<SpiDevice &>(bench.flash) : bank;
    const QRegularExpression step(QStringLiteral("^(\\w+)(?:/(\\d+))?(?:\\+(\\d+))?$"));
    QStringList actual;
    for (const QString &text : steps.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch parts = step.match(text);
        QVERIFY(parts.hasMatch());
        const int reads = parts.captured(2).toInt();
        const QByteArray answer = command(chip, hex(parts.captured(1).toLatin1()), reads);
        if (reads > 0)
            actual.append(QString::fromLatin1(answer.toHex()));
        bench.clock.advance(parts.captured(3).toULongLong());
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), answers);
}

void TestChipModels::flashFile()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("flash.bin")).toStdString();
    SimClock clock;
    clock.setRealTime(false);
    std::string problem;
    {
        NorFlash flash(clock, path, &problem);
        command(flash, hex("06"));
        command(flash, hex("02012300C0FFEE"));
    }
    NorFlash again(clock, path, &problem);
    QCOMPARE(QString::fromStdString(problem), QString());
    QCOMPARE(command(again, hex("03012300"), 4), hex("C0FFEEFF"));
    QCOMPARE(QFileInfo(QString::fromStdString(path)).size(), qint64(NorFlash::size));
    // A file that cannot be used leaves an erased flash, and the problem says why.
    QFile notAnImage(dir.filePath(QStringLiteral("short.bin")));
    QVERIFY(notAnImage.open(QIODevice::WriteOnly) && notAnImage.write("not a flash") > 0);
    notAnImage.close();
    const std::pair<const char *, const char *> wrong[] = {
        {"short.bin", "is not a 2 MiB flash image"},
        {"no/such/dir", "cannot be written"},
        {".", "cannot be opened"}};
    for (const auto &file : wrong) {
        std::string said;
        NorFlash flash(clock, dir.filePath(QLatin1String(file.first)).toStdString(), &said);
        QVERIFY2(said.find(file.second) != std::string::npos, said.c_str());
        QCOMPARE(flash.at(0), uint8_t(0xFF));
    }
}

void TestChipModels::busModes_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<SpiConfig>("config");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("readCount");
    QTest::addColumn<QByteArray>("in");
    QTest::newRow("flash, half duplex") << 0x10 << busConfig(1) << hex("9F") << 3 << hex("EF4015");
    QTest::newRow("flash, software half duplex")
        << 0x10 << busConfig(2) << hex("9F") << 3 << hex("EF4015");
    // In full duplex the first byte comes back while the command goes out.
    QTest::newRow("flash, full duplex")
        << 0x10 << busConfig(0) << hex("9F") << 4 << hex("FFEF4015");
    QTest::newRow("flash, mode 3") << 0x10 << busConfig(1, 1, 1) << hex("9F") << 3 << hex("EF4015");
    // Sampled on the wrong edge, 9F reaches the chip as CF: no command it knows.
    QTest::newRow("flash, mode 1") << 0x10 << busConfig(1, 0, 1) << hex("9F") << 3 << hex("FFFFFF");
    // 1Eh reaches the chip as 8Fh (read the identity), and its 5Ah comes back one bit late.
    QTest::newRow("registers, mode 2 shifts both ways")
        << 0x20 << busConfig(1, 1, 0) << hex("1E") << 1 << hex("AD");
    QTest::newRow("flash, LSB first")
        << 0x10 << busConfig(1, 0, 0, 1) << hex("9F") << 3 << hex("FFFFFF");
    QTest::newRow("registers, LSB first both ways")
        << 0x20 << busConfig(1, 0, 0, 1) << hex("F1") << 1 << hex("5A");
    QTest::newRow("flash, chip select active high")
        << 0x10 << busConfig(1, 0, 0, 0, 1) << hex("9F") << 3 << hex("FFFFFF");
    QTest::newRow("loopback ignores all that")
        << 0x00 << busConfig(0, 0, 1, 1, 1) << hex("A1B2") << 2 << hex("A1B2");
    QTest::newRow("nothing attached") << 0x30 << busConfig(0) << hex("A1B2") << 2 << hex("FFFF");
}

void TestChipModels::busModes()
{
    QFETCH(int, channel);
    QFETCH(SpiConfig, config);
    QFETCH(QByteArray, out);
    QFETCH(int, readCount);
    QFETCH(QByteArray, in);
    Bench bench;
    QCOMPARE(bench.adapter->configure(channel, config), int32_t(Ok));
    QCOMPARE(bench.writeRead(channel, out, readCount).toHex(), in.toHex());
}

void TestChipModels::remoteMaster()
{
    RemoteMaster master;
    std::deque<uint8_t> outgoing = {1, 2, 3};
    std::vector<uint8_t> frame;
    master.start(1000, 100000);
    master.catchUp(100999, outgoing);
    QVERIFY(!master.take(&frame));
    master.catchUp(101000, outgoing);
    QVERIFY(master.take(&frame));
    QCOMPARE(frame, std::vector<uint8_t>({'M', 'S', 0, 0}));
    QVERIFY(outgoing.empty()); // clocked in during that frame ...
    master.catchUp(201000, outgoing);
    QVERIFY(master.take(&frame));
    QCOMPARE(frame, std::vector<uint8_t>({'M', 'S', 1, 3, 1, 2, 3})); // ... echoed in the next
    // A long silence: only the newest frames are kept.
    master.catchUp(201000 + 1000 * 100000, outgoing);
    int pending = 0;
    while (master.take(&frame))
        ++pending;
    QCOMPARE(pending, int(RemoteMaster::maxPending));
    QCOMPARE(int(frame[2]), (2 + 1000 - 1) % 256);
}

void TestChipModels::slavePort()
{
    Bench bench;
    const uint64_t period = LibraryConfig().slavePeriodUs;
    SpiConfig slave = busConfig(1);
    slave.master = 0;
    QCOMPARE(bench.adapter->configure(0x00, slave), int32_t(Ok));
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    QCOMPARE(bench.adapter->slaveRead(0x00, buffer), 0);
    const uint8_t reply[] = {0xDE, 0xAD};
    QCOMPARE(bench.adapter->slaveWrite(0x00, reply, 2), int32_t(Ok));
    bench.clock.advance(period);
    QCOMPARE(bench.adapter->slaveRead(0x00, buffer), 4);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 4), QByteArray("MS\x00\x00", 4));
    // Two frames since the last read: both come, in order; the second echoes our reply.
    bench.clock.advance(2 * period);
    QCOMPARE(bench.adapter->slaveRead(0x00, buffer), 10);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 10),
             QByteArray("MS\x01\x02\xDE\xADMS\x02\x00", 10));
    // The port's queue holds no more than its buffer.
    QByteArray big(TELKOR_BUFFER_SIZE, 'x');
    QCOMPARE(bench.adapter->slaveWrite(0x00, reinterpret_cast<uint8_t *>(big.data()), big.size()),
             int32_t(Ok));
    QCOMPARE(bench.adapter->slaveWrite(0x00, reply, 1), int32_t(BadArgument));
    // Frames from elsewhere that would not fit together wait for the next read.
    bench.adapter->queueSlaveFrame(0x00, reinterpret_cast<uint8_t *>(big.data()), 20000);
    bench.adapter->queueSlaveFrame(0x00, reinterpret_cast<uint8_t *>(big.data()), 1000);
    QCOMPARE(bench.adapter->slaveRead(0x00, buffer), 20000);
    QCOMPARE(bench.adapter->slaveRead(0x00, buffer), 1000);
}

void TestChipModels::busTimeOnSimulatedClock_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("intervalUs");
    QTest::addColumn<qulonglong>("expectedUs");
    QTest::newRow("1000 bytes at 390450 Hz") << 390450 << 1000 << 1 << 100 << qulonglong(20490);
    QTest::newRow("3 blocks of 2 at 1 MHz, 100 us apart")
        << 1000000 << 2 << 3 << 100 << qulonglong(248);
    QTest::newRow("one byte at 50 MHz") << 50000000 << 1 << 1 << 100 << qulonglong(1);
}

void TestChipModels::busTimeOnSimulatedClock()
{
    QFETCH(int, hz);
    QFETCH(int, blockSize);
    QFETCH(int, blocks);
    QFETCH(int, intervalUs);
    QFETCH(qulonglong, expectedUs);
    Bench bench;
    bench.adapter->configure(0x00, busConfig(1, 0, 0, 0, 0, hz));
    QByteArray data(blockSize * blocks, '\x55');
    const uint64_t before = bench.clock.nowUs();
    bench.adapter->blockWrite(0x00, reinterpret_cast<uint8_t *>(data.data()), blockSize, blocks,
                              intervalUs);
    QCOMPARE(qulonglong(bench.clock.nowUs() - before), expectedUs);
}

void TestChipModels::busTimeInRealTime()
{
    // With real timing a call lasts its bus time: 4096 bytes at 390450 Hz take 84 ms. Sleeping
    // never ends early, so the lower bound is firm.
    SimClock clock;
    std::vector<std::string> problems;
    SimAdapter adapter(LibraryConfig(), clock, std::string(), &problems);
    adapter.open();
    adapter.configure(0x00, busConfig(1, 0, 0, 0, 0, 390450));
    QByteArray data(4096, '\x55');
    QElapsedTimer timer;
    timer.start();
    adapter.write(0x00, reinterpret_cast<uint8_t *>(data.data()), data.size());
    QVERIFY2(timer.nsecsElapsed() >= 83000000, qPrintable(QString::number(timer.nsecsElapsed())));
}

void TestChipModels::badConfiguration()
{
    // Each item that cannot be used is a problem and leaves the defaults.
    LibraryConfig config;
    std::vector<std::string> found;
    applyConfig("adapters=11;timing=maybe;SPI3_CS0=flash;SPI1_CS1=eeprom;slave.period_ms=-1;"
                "colour=blue;junk;fault.SpiWrite=every:0;fault.SpiErase=once;"
                "fault.SpiRead=random:2;fault.unplug=every:0,for:5;fault.unplug=every:5;"
                "fault.unplug=sometimes;fault.SpiWrite=once;fault.SpiWrite=off",
                &config, &found);
    QCOMPARE(int(found.size()), 13);
    const LibraryConfig defaults;
    QCOMPARE(config.adapters, defaults.adapters);
    QCOMPARE(config.timing, defaults.timing);
    QVERIFY(config.devices == defaults.devices);
    QCOMPARE(config.slavePeriodUs, defaults.slavePeriodUs);
    QVERIFY(config.faults.empty()); // the last rule switched off again
    QCOMPARE(config.pluggedCalls, defaults.pluggedCalls);
}

void TestChipModels::configurationSources_data()
{
    // TELKOR_CONFIG_FILE's text ("-": unset, "?": missing), TELKOR_CONFIG ("-": unset), and
    // $XDG_CONFIG_HOME/telkor/telkor.conf.
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("result"); // adapters, backend, SPI2 bus, problems
    QTest::newRow("the variable after the file")
        << QStringList{"adapters=2\nbackend=spidev\n", "adapters=4", ""} << "4 1 -1 0";
    QTest::newRow("missing file") << QStringList{"?", "-", "adapters=3"} << "1 0 -1 1";
    QTest::newRow("user file") << QStringList{"-", "-", "backend=spidev\nspidev.SPI2=7\n"}
                               << "1 1 7 0";
    QTest::newRow("the variable wins over the user file")
        << QStringList{"-", "timing=off", "backend=spidev"} << "1 0 -1 0";
}

void TestChipModels::configurationSources()
{
    QFETCH(QStringList, sources);
    QFETCH(QString, result);
    const QString file = sources[0], variable = sources[1], userFile = sources[2];
    const QByteArray saved = qgetenv("TELKOR_CONFIG");
    QTemporaryDir dir;
    auto put = [&](const QString &name, const QString &text) {
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path()));
        QFile out(dir.filePath(name));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    };
    put(QStringLiteral("telkor/telkor.conf"), userFile);
    if (file.size() > 1)
        put(QStringLiteral("given.conf"), file);
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("TELKOR_CONFIG_FILE", dir.filePath(QStringLiteral("given.conf")).toUtf8());
    qputenv("TELKOR_CONFIG", variable.toUtf8());
    if (file == QLatin1String("-"))
        qunsetenv("TELKOR_CONFIG_FILE");
    if (variable == QLatin1String("-"))
        qunsetenv("TELKOR_CONFIG");
    std::vector<std::string> problems;
    const LibraryConfig config = loadConfig(&problems);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("TELKOR_CONFIG_FILE");
    qputenv("TELKOR_CONFIG", saved);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(config.adapters)
                 .arg(int(config.backend))
                 .arg(config.spidevBus[1])
                 .arg(problems.size()),
             result);
    if (!problems.empty())
        QVERIFY(QString::fromStdString(problems[0]).contains(QStringLiteral("cannot be read")));
}

QTEST_GUILESS_MAIN(TestChipModels)
#include "tst_chipmodels.moc"
