// The simulated chips and bus, driven directly: the flash's command set and its program,
// erase and busy rules, the register bank, what wrong bus settings do to a chip, the remote
// master of a slave port, the bus clock, and the library's configuration.

#include "telkor/config.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/remotemaster.h"
#include "telkor/simadapter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

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
    explicit Bench(bool realTime = false)
    {
        clock.setRealTime(realTime);
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
    void flashIdentityAndStatus();
    void flashProgram();
    void flashProgramRules_data();
    void flashProgramRules();
    void flashErase_data();
    void flashErase();
    void flashIgnoresCommandsWhileBusy();
    void flashReads();
    void flashKeepsContentsInFile();
    void flashRejectsWrongFile();
    void registerBank();
    void busModes_data();
    void busModes();
    void remoteMaster();
    void slavePort();
    void busTimeOnSimulatedClock_data();
    void busTimeOnSimulatedClock();
    void busTimeInRealTime();
    void configuration_data();
    void configuration();
    void configurationFromEnvironment();
};

void TestChipModels::flashIdentityAndStatus()
{
    FlashBench bench;
    NorFlash &flash = bench.flash;
    QCOMPARE(command(flash, hex("9F"), 3), hex("EF4015"));
    QCOMPARE(command(flash, hex("05"), 2), hex("0000"));
    command(flash, hex("06"));
    QCOMPARE(command(flash, hex("05"), 1), hex("02"));
    command(flash, hex("04"));
    QCOMPARE(command(flash, hex("05"), 1), hex("00"));
    command(flash, hex("0600")); // not an exact write enable: no effect
    QCOMPARE(command(flash, hex("05"), 1), hex("00"));
}

void TestChipModels::flashProgram()
{
    FlashBench bench;
    SimClock &clock = bench.clock;
    NorFlash &flash = bench.flash;
    command(flash, hex("06"));
    command(flash, hex("02000010"
                       "1122"));
    // Busy while the page programs; the write-enable latch is gone.
    QCOMPARE(command(flash, hex("05"), 1), hex("01"));
    clock.advance(NorFlash::pageProgramUs - 1);
    QCOMPARE(command(flash, hex("05"), 1), hex("01"));
    clock.advance(1);
    QCOMPARE(command(flash, hex("05"), 1), hex("00"));
    QCOMPARE(command(flash, hex("03000010"), 3), hex("1122FF"));
}

void TestChipModels::flashProgramRules_data()
{
    QTest::addColumn<QList<QByteArray>>("commands"); // each after a write enable and the busy time
    QTest::addColumn<uint>("address");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("wraps within its page") << QList<QByteArray>({hex("020000FE"
                                                                     "01020304")})
                                           << 0xFCu << hex("FFFF0102");
    QTest::newRow("wrapped bytes at the page start") << QList<QByteArray>({hex("020000FE"
                                                                               "01020304")})
                                                     << 0x00u << hex("0304FF");
    QTest::newRow("next page untouched") << QList<QByteArray>({hex("020000FE"
                                                                   "01020304")})
                                         << 0x100u << hex("FF");
    QTest::newRow("only clears bits")
        << QList<QByteArray>({hex("02000000F0"), hex("020000000F"), hex("02000000FF")}) << 0x00u
        << hex("00");
    // 300 bytes from a page start: the last 256 stay in the page buffer.
    QByteArray long300;
    for (int i = 0; i < 300; ++i)
        long300.append(static_cast<char>(i));
    QTest::newRow("more than a page")
        << QList<QByteArray>({hex("02000000") + long300}) << 0x00u << hex("0001022B2C2D");
}

void TestChipModels::flashProgramRules()
{
    QFETCH(QList<QByteArray>, commands);
    QFETCH(uint, address);
    QFETCH(QByteArray, contents);
    FlashBench bench;
    SimClock &clock = bench.clock;
    NorFlash &flash = bench.flash;
    for (const QByteArray &program : commands) {
        command(flash, hex("06"));
        command(flash, program);
        clock.advance(NorFlash::pageProgramUs);
    }
    QByteArray actual;
    if (contents == hex("0001022B2C2D")) {
        // positions 0..2 got bytes 256..258 (00 01 02), positions 43..45 kept bytes 43..45
        for (uint at : {0u, 1u, 2u, 43u, 44u, 45u})
            actual.append(static_cast<char>(flash.at(at)));
    } else {
        for (int i = 0; i < contents.size(); ++i)
            actual.append(static_cast<char>(flash.at(address + static_cast<uint>(i))));
    }
    QCOMPARE(actual.toHex(), contents.toHex());
}

void TestChipModels::flashErase_data()
{
    QTest::addColumn<QByteArray>("erase");
    QTest::addColumn<uint>("first");  // first erased byte
    QTest::addColumn<uint>("length"); // erased bytes
    QTest::addColumn<qulonglong>("busyUs");
    QTest::newRow("4 KiB sector") << hex("20001234") << 0x1000u << 0x1000u
                                  << qulonglong(NorFlash::sectorEraseUs);
    QTest::newRow("64 KiB block") << hex("D8012345") << 0x10000u << 0x10000u
                                  << qulonglong(NorFlash::blockEraseUs);
    QTest::newRow("chip, C7") << hex("C7") << 0u << NorFlash::size
                              << qulonglong(NorFlash::chipEraseUs);
    QTest::newRow("chip, 60") << hex("60") << 0u << NorFlash::size
                              << qulonglong(NorFlash::chipEraseUs);
    QTest::newRow("sector, address incomplete") << hex("200012") << 0u << 0u << qulonglong(0);
}

void TestChipModels::flashErase()
{
    QFETCH(QByteArray, erase);
    QFETCH(uint, first);
    QFETCH(uint, length);
    QFETCH(qulonglong, busyUs);
    FlashBench bench;
    SimClock &clock = bench.clock;
    NorFlash &flash = bench.flash;
    // Zeros at every 2 KiB, so each boundary shows what was erased and what was not.
    for (uint at = 0; at < NorFlash::size; at += 0x800) {
        command(flash, hex("06"));
        command(flash, hex("02") + QByteArray(1, char(at >> 16)) + QByteArray(1, char(at >> 8)) +
                           QByteArray(1, char(at)) + hex("00"));
        clock.advance(NorFlash::pageProgramUs);
    }
    command(flash, erase); // without write enable: nothing
    QCOMPARE(flash.at(first), uint8_t(0x00));
    command(flash, hex("06"));
    command(flash, erase);
    for (uint at = 0; at < NorFlash::size; at += 0x800) {
        const bool erased = at >= first && at < first + length;
        QCOMPARE(flash.at(at), erased ? uint8_t(0xFF) : uint8_t(0x00));
    }
    if (busyUs == 0) {
        QCOMPARE(flash.status(), uint8_t(NorFlash::writeEnableLatch));
        return;
    }
    clock.advance(busyUs - 1);
    QCOMPARE(flash.status(), uint8_t(NorFlash::busyBit));
    clock.advance(1);
    QCOMPARE(flash.status(), uint8_t(0));
}

void TestChipModels::flashIgnoresCommandsWhileBusy()
{
    FlashBench bench;
    SimClock &clock = bench.clock;
    NorFlash &flash = bench.flash;
    command(flash, hex("06"));
    command(flash, hex("20000000"));
    QCOMPARE(command(flash, hex("9F"), 3), hex("FFFFFF"));
    QCOMPARE(command(flash, hex("03000000"), 2), hex("FFFF"));
    command(flash, hex("06"));
    command(flash, hex("02000000AA"));
    QCOMPARE(command(flash, hex("05"), 3), hex("010101")); // polled within one command
    clock.advance(NorFlash::sectorEraseUs);
    QCOMPARE(command(flash, hex("05"), 1), hex("00"));
    QCOMPARE(flash.at(0), uint8_t(0xFF));
}

void TestChipModels::flashReads()
{
    FlashBench bench;
    SimClock &clock = bench.clock;
    NorFlash &flash = bench.flash;
    command(flash, hex("06"));
    command(flash, hex("021FFFFF"
                       "5A"));
    clock.advance(NorFlash::pageProgramUs);
    command(flash, hex("06"));
    command(flash, hex("02000000"
                       "A5"));
    clock.advance(NorFlash::pageProgramUs);
    QCOMPARE(command(flash, hex("031FFFFF"), 2), hex("5AA5"));   // wraps at the end
    QCOMPARE(command(flash, hex("0B1FFFFF00"), 2), hex("5AA5")); // after one dummy byte
    QCOMPARE(command(flash, hex("0B1FFFFF"), 2), hex("FF5A"));   // the dummy answers nothing
}

void TestChipModels::flashKeepsContentsInFile()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("flash.bin")).toStdString();
    SimClock clock;
    clock.setRealTime(false);
    {
        std::string problem;
        NorFlash flash(clock, path, &problem);
        QCOMPARE(QString::fromStdString(problem), QString());
        command(flash, hex("06"));
        command(flash, hex("02012300"
                           "C0FFEE"));
    }
    std::string problem;
    NorFlash again(clock, path, &problem);
    QCOMPARE(QString::fromStdString(problem), QString());
    QCOMPARE(command(again, hex("03012300"), 4), hex("C0FFEEFF"));
    QCOMPARE(QFileInfo(QString::fromStdString(path)).size(), qint64(NorFlash::size));
}

void TestChipModels::flashRejectsWrongFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a flash");
    file.close();
    SimClock clock;
    std::string problem;
    NorFlash flash(clock, path.toStdString(), &problem);
    QVERIFY(QString::fromStdString(problem).contains(QStringLiteral("is not a 2 MiB flash image")));
    QCOMPARE(flash.at(0), uint8_t(0xFF));
    std::string noFolder;
    NorFlash nowhere(clock, dir.filePath(QStringLiteral("no/such/dir")).toStdString(), &noFolder);
    QVERIFY(QString::fromStdString(noFolder).contains(QStringLiteral("cannot be written")));
    std::string folder;
    NorFlash inFolder(clock, dir.path().toStdString(), &folder);
    QVERIFY(QString::fromStdString(folder).contains(QStringLiteral("cannot be opened")));
}

void TestChipModels::registerBank()
{
    RegisterBank bank;
    QCOMPARE(command(bank, hex("8F"), 1), hex("5A"));
    QCOMPARE(command(bank, hex("A8"), 6), hex("341278 56BC9A"));
    command(bank, hex("10AABBCC"));
    QCOMPARE(command(bank, hex("90"), 3), hex("AABBCC"));
    command(bank, hex("0F00"));   // identity is read-only
    command(bank, hex("271122")); // 27h writable, 28h not
    QCOMPARE(command(bank, hex("8F"), 1), hex("5A"));
    QCOMPARE(command(bank, hex("A7"), 2), hex("1134"));
    command(bank, hex("7F0102")); // the address wraps from 7Fh to 00h
    QCOMPARE(command(bank, hex("FF"), 2), hex("0102"));
    QCOMPARE(command(bank, hex("A0"), 1), hex("07"));
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
    // With real timing a call lasts its bus time: 4096 bytes at 390450 Hz take 84 ms, at
    // 50 MHz well under one. Sleeping never ends early, so the slow call's lower bound is firm;
    // the fast one is only compared with it.
    Bench bench(true);
    QByteArray data(4096, '\x55');
    auto timed = [&](int hz) {
        bench.adapter->configure(0x00, busConfig(1, 0, 0, 0, 0, hz));
        QElapsedTimer timer;
        timer.start();
        bench.adapter->write(0x00, reinterpret_cast<uint8_t *>(data.data()), data.size());
        return timer.nsecsElapsed() / 1000;
    };
    const qint64 slow = timed(390450);
    const qint64 fast = timed(50000000);
    QVERIFY2(slow >= 83000, qPrintable(QString::number(slow)));
    QVERIFY2(slow > 10 * fast, qPrintable(QStringLiteral("%1 / %2").arg(slow).arg(fast)));
}

void TestChipModels::configuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("settings"); // adapters|timing|SPI1_CS1|file|period|faults
    QTest::addColumn<int>("problems");
    QTest::newRow("defaults") << ""
                              << "1|on|flash||500000|" << 0;
    QTest::newRow("everything") << "adapters=3; timing=off\nSPI1_CS1=registers\n"
                                   "flash.file=/tmp/f.bin;slave.period_ms=5;"
                                   "fault.SpiWrite=every:10;fault.AdapterOpen=once;"
                                   "fault.SpiRead=random:0.25 # a comment"
                                << "3|off|registers|/tmp/f.bin|5000|AdapterOpen=once "
                                   "SpiRead=random:0.25 SpiWrite=every:10"
                                << 0;
    QTest::newRow("bad items keep the defaults")
        << "adapters=11;timing=maybe;SPI3_CS0=flash;SPI1_CS1=eeprom;slave.period_ms=-1;"
           "fault.SpiWrite=every:0;fault.SpiErase=once;fault.SpiRead=random:2;colour=blue;junk"
        << "1|on|flash||500000|" << 10;
    QTest::newRow("fault switched off again") << "fault.SpiWrite=once;fault.SpiWrite=off"
                                              << "1|on|flash||500000|" << 0;
    QTest::newRow("unplugging schedule") << "fault.unplug=every:50,for:5"
                                         << "1|on|flash||500000|unplug=50/5" << 0;
    QTest::newRow("bad unplugging schedules")
        << "fault.unplug=every:0,for:5;fault.unplug=every:5;fault.unplug=sometimes"
        << "1|on|flash||500000|" << 3;
}

void TestChipModels::configuration()
{
    QFETCH(QString, text);
    QFETCH(QString, settings);
    QFETCH(int, problems);
    LibraryConfig config;
    std::vector<std::string> found;
    applyConfig(text.toStdString(), &config, &found);
    static const char *const kinds[] = {"none", "loopback", "flash", "registers"};
    QStringList faults;
    for (const auto &fault : config.faults) {
        const FaultRule &rule = fault.second;
        QString what = rule.kind == FaultRule::Once ? QStringLiteral("once")
                       : rule.kind == FaultRule::Every
                           ? QStringLiteral("every:%1").arg(rule.every)
                           : QStringLiteral("random:%1").arg(rule.probability);
        faults.append(QString::fromStdString(fault.first) + QLatin1Char('=') + what);
    }
    if (config.pluggedCalls > 0)
        faults.append(
            QStringLiteral("unplug=%1/%2").arg(config.pluggedCalls).arg(config.unpluggedCalls));
    const QString actual = QStringLiteral("%1|%2|%3|%4|%5|%6")
                               .arg(config.adapters)
                               .arg(config.timing ? "on" : "off")
                               .arg(kinds[static_cast<int>(config.devices[1])])
                               .arg(QString::fromStdString(config.flashFile))
                               .arg(config.slavePeriodUs)
                               .arg(faults.join(QLatin1Char(' ')));
    QCOMPARE(actual, settings);
    QCOMPARE(int(found.size()), problems);
}

void TestChipModels::configurationFromEnvironment()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("telkor.conf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("adapters=2\nSPI2_CS0=flash\n");
    file.close();
    qputenv("TELKOR_CONFIG_FILE", path.toLocal8Bit());
    qputenv("TELKOR_CONFIG", "adapters=4");
    std::vector<std::string> problems;
    LibraryConfig config = loadConfig(&problems);
    QCOMPARE(config.adapters, 4); // the variable's text comes after the file's
    QVERIFY(config.devices[5] == DeviceKind::Flash);
    QVERIFY(problems.empty());
    qputenv("TELKOR_CONFIG_FILE", dir.filePath(QStringLiteral("missing.conf")).toLocal8Bit());
    config = loadConfig(&problems);
    QCOMPARE(int(problems.size()), 1);
    QVERIFY(QString::fromStdString(problems[0]).contains(QStringLiteral("cannot be read")));
    qunsetenv("TELKOR_CONFIG_FILE");
    qunsetenv("TELKOR_CONFIG");
}

QTEST_GUILESS_MAIN(TestChipModels)
#include "tst_chipmodels.moc"
