// The simulated chips and bus, driven directly: the flash's command set with its busy and
// erase rules, the register bank, what wrong bus settings do to a chip, the remote master of
// a slave port, the bus time, and where the library's configuration comes from.

#include "telkor/config.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/simadapter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace telkor;

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

// {control mode, polarity, phase, LSB first, chip select polarity}, as a master.
SpiConfig busConfig(const QList<int> &bits, int hz = 1000000)
{
    SpiConfig config{};
    config.master = 1;
    config.controlMode = static_cast<uint8_t>(bits.value(0));
    config.clockPolarity = static_cast<uint8_t>(bits.value(1));
    config.clockPhase = static_cast<uint8_t>(bits.value(2));
    config.lsbFirst = static_cast<uint8_t>(bits.value(3));
    config.csPolarity = static_cast<uint8_t>(bits.value(4));
    config.clockHz = hz;
    return config;
}

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
};

} // namespace

class TestChipModels : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void flashFile();
    void slavePort();
    void busTime();
    void configurationSources_data();
    void configurationSources();
};

void TestChipModels::commands_data()
{
    QTest::addColumn<int>("channel"); // 0x10: the flash, 0x20: the register bank
    // Empty: straight to the chip; else through the bus in these settings, as busConfig() takes.
    QTest::addColumn<QList<int>>("bits");
    // Each command one chip-select assertion: "OUT[/READ COUNT][+MICROSECONDS AFTER]".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("answers"); // of the steps that read
    const QList<int> chip;
    QTest::newRow("identity, write enable latch")
        << 0x10 << chip << "9F/3 05/2 06 05/1 04 05/1 0600 05/1"
        << "ef4015 0000 02 00 00";
    // 700 us a page program; the data wraps within its page and only clears bits.
    QTest::newRow("busy while a page programs, then ready")
        << 0x10 << chip
        << "06 020000FE0102F3F4 05/1+699 05/1+1 05/1 06 020000000F+700 030000FE/2 03000000/2"
        << "01 01 00 0102 03f4";
    QTest::newRow("busy ignores commands")
        << 0x10 << chip << "06 20000000 9F/3 03000000/2 06 02000000AA 05/3+45000 05/1 03000000/1"
        << "ffffff ffff 010101 00 ff";
    // Zeros programmed on each side of the region's edges first; without a write enable
    // nothing happens. Busy 45 ms a sector, 3 s the chip.
    QTest::newRow("erase a 4 KiB sector")
        << 0x10 << chip
        << "06 02000FFF00+700 06 0200100000+700 06 02001FFF00+700 06 0200200000+700 "
           "20001234 03001000/1 06 20001234 05/1+44999 05/1+1 05/1 03000FFF/2 03001FFF/2"
        << "00 01 01 00 00ff ff00";
    QTest::newRow("erase the chip")
        << 0x10 << chip
        << "06 0200000000+700 C7 03000000/1 06 C7 05/1+2999999 05/1+1 05/1 03000000/1"
        << "00 01 01 00 ff";
    // The identity is read-only, 27h writable but 28h not; the address wraps from 7Fh to 00h.
    QTest::newRow("register bank")
        << 0x20 << chip << "8F/1 A8/6 10AABBCC 90/3 0F00 271122 8F/1 A7/2 7F0102 FF/2 A0/1"
        << "5a 34127856bc9a aabbcc 5a 1134 0102 07";
    // In full duplex the first byte comes back while the command goes out.
    QTest::newRow("full duplex") << 0x10 << QList<int>{0} << "9F/4"
                                 << "ffef4015";
    QTest::newRow("mode 3") << 0x10 << QList<int>{1, 1, 1} << "9F/3"
                            << "ef4015";
    // Sampled on the wrong edge, 9F reaches the chip as CF: no command it knows.
    QTest::newRow("mode 1") << 0x10 << QList<int>{1, 0, 1} << "9F/3"
                            << "ffffff";
    // 1Eh reaches the chip as 8Fh (read the identity), and its 5Ah comes back one bit late.
    QTest::newRow("mode 2 shifts both ways") << 0x20 << QList<int>{1, 1, 0} << "1E/1"
                                             << "ad";
    QTest::newRow("LSB first") << 0x10 << QList<int>{1, 0, 0, 1} << "9F/3"
                               << "ffffff";
    QTest::newRow("LSB first both ways") << 0x20 << QList<int>{1, 0, 0, 1} << "F1/1"
                                         << "5a";
    QTest::newRow("chip select active high") << 0x10 << QList<int>{1, 0, 0, 0, 1} << "9F/3"
                                             << "ffffff";
    QTest::newRow("loopback ignores all that") << 0x00 << QList<int>{0, 0, 1, 1, 1} << "A1B2/2"
                                               << "a1b2";
    QTest::newRow("nothing attached") << 0x30 << QList<int>{0} << "A1B2/2"
                                      << "ffff";
}

void TestChipModels::commands()
{
    QFETCH(int, channel);
    QFETCH(QList<int>, bits);
    QFETCH(QString, steps);
    QFETCH(QString, answers);
    Bench bench;
    QCOMPARE(bench.adapter->configure(channel, busConfig(bits)), int32_t(Ok));
    SpiDevice *chip = bench.adapter->device(channel);
    const QRegularExpression step(QStringLiteral("^(\\w+)(?:/(\\d+))?(?:\\+(\\d+))?$"));
    QStringList actual;
    for (const QString &text : steps.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch parts = step.match(text);
        QVERIFY(parts.hasMatch());
        const QByteArray out = QByteArray::fromHex(parts.captured(1).toLatin1());
        QByteArray in(parts.captured(2).toInt(), '\0');
        if (bits.isEmpty())
            in = command(*chip, out, in.size());
        else
            QCOMPARE(bench.adapter->writeRead(
                         channel, reinterpret_cast<const uint8_t *>(out.data()), out.size(),
                         reinterpret_cast<uint8_t *>(in.data()), in.size()),
                     int32_t(Ok));
        if (!in.isEmpty())
            actual.append(QString::fromLatin1(in.toHex()));
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
        command(flash, QByteArray::fromHex("06"));
        command(flash, QByteArray::fromHex("02012300C0FFEE"));
    }
    NorFlash again(clock, path, &problem);
    QCOMPARE(QString::fromStdString(problem), QString());
    QCOMPARE(command(again, QByteArray::fromHex("03012300"), 4).toHex(), QByteArray("c0ffeeff"));
    QCOMPARE(QFileInfo(QString::fromStdString(path)).size(), qint64(NorFlash::size));
    // A file that is not an image is left alone: the flash starts erased and the problem says why.
    QFile notAnImage(dir.filePath(QStringLiteral("short.bin")));
    QVERIFY(notAnImage.open(QIODevice::WriteOnly) && notAnImage.write("not a flash") > 0);
    notAnImage.close();
    NorFlash erased(clock, notAnImage.fileName().toStdString(), &problem);
    QVERIFY2(problem.find("is not a 2 MiB flash image") != std::string::npos, problem.c_str());
    QCOMPARE(erased.at(0), uint8_t(0xFF));
    QCOMPARE(notAnImage.size(), qint64(11));
}

void TestChipModels::slavePort()
{
    Bench bench;
    const uint64_t period = LibraryConfig().slavePeriodUs;
    SpiConfig slave = busConfig({1});
    slave.master = 0;
    QCOMPARE(bench.adapter->configure(0x00, slave), int32_t(Ok));
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    auto read = [&] {
        const int32_t count = bench.adapter->slaveRead(0x00, buffer);
        return QByteArray(reinterpret_cast<char *>(buffer), std::max(count, 0));
    };
    QCOMPARE(read(), QByteArray());
    const uint8_t reply[] = {0xDE, 0xAD};
    QCOMPARE(bench.adapter->slaveWrite(0x00, reply, 2), int32_t(Ok));
    bench.clock.advance(period - 1);
    QCOMPARE(read(), QByteArray());
    bench.clock.advance(1);
    QCOMPARE(read().toHex(), QByteArray("4d530000"));
    // Two frames since the last read: both come, in order; the second echoes our reply.
    bench.clock.advance(2 * period);
    QCOMPARE(read().toHex(), QByteArray("4d530102dead4d530200"));
    // A long silence: only the newest 64 frames are kept, numbered 939 to 1002.
    bench.clock.advance(1000 * period);
    const QByteArray kept = read();
    QCOMPARE(kept.size(), 64 * 4);
    QCOMPARE(kept.left(4).toHex(), QByteArray("4d53ab00"));
    QCOMPARE(kept.right(4).toHex(), QByteArray("4d53ea00"));
    // The port's queue holds no more than its buffer.
    QByteArray big(TELKOR_BUFFER_SIZE, 'x');
    QCOMPARE(bench.adapter->slaveWrite(0x00, reinterpret_cast<uint8_t *>(big.data()), big.size()),
             int32_t(Ok));
    QCOMPARE(bench.adapter->slaveWrite(0x00, reply, 1), int32_t(BadArgument));
}

void TestChipModels::busTime()
{
    // A call takes its round trip, its bytes at the clock and the intervals between blocks;
    // with real timing the caller sleeps that long (never shorter), else the clock just moves.
    const struct {
        int hz, blockSize, blocks, intervalUs;
        uint64_t us;
    } calls[] = {{390450, 1000, 1, 100, 20490}, {1000000, 2, 3, 100, 248}, {50000000, 1, 1, 0, 1}};
    for (bool realTime : {false, true}) {
        for (const auto &call : calls) {
            Bench bench(realTime);
            bench.adapter->configure(0x00, busConfig({1}, call.hz));
            QByteArray data(call.blockSize * call.blocks, '\x55');
            const uint64_t before = bench.clock.nowUs();
            bench.adapter->blockWrite(0x00, reinterpret_cast<uint8_t *>(data.data()),
                                      call.blockSize, call.blocks, call.intervalUs);
            const uint64_t took = bench.clock.nowUs() - before;
            QVERIFY2(realTime ? took >= call.us : took == call.us,
                     qPrintable(QString::number(took)));
        }
    }
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
    const QByteArray saved = qgetenv("TELKOR_CONFIG");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("telkor")));
    const QString names[] = {QStringLiteral("given.conf"), QString(),
                             QStringLiteral("telkor/telkor.conf")};
    for (int i : {0, 2}) {
        QFile out(dir.filePath(names[i]));
        QVERIFY(sources[i].size() < 2 || (out.open(QIODevice::WriteOnly) &&
                                          out.write(sources[i].toUtf8()) == sources[i].size()));
    }
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("TELKOR_CONFIG_FILE", dir.filePath(names[0]).toUtf8());
    qputenv("TELKOR_CONFIG", sources[1].toUtf8());
    if (sources[0] == QLatin1String("-"))
        qunsetenv("TELKOR_CONFIG_FILE");
    if (sources[1] == QLatin1String("-"))
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
