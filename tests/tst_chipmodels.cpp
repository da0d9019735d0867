// The simulated chips and bus, driven directly: the flash's command set with its busy and
// erase rules, its items and files (the items' refusals: tst_libraryconfig), the register bank,
// what wrong bus settings do to a chip, and the remote master of a slave port.

#include "telkor/config.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/simadapter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

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

// The first bytes of a SpiConfig in hex: control mode, master, polarity, phase, LSB first,
// chip select polarity.
SpiConfig busConfig(const char *hex)
{
    SpiConfig config{};
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::memcpy(&config, bytes.constData(), std::min<size_t>(bytes.size(), 6));
    config.clockHz = 1000000;
    return config;
}

// A simulated adapter, opened, on its own clock, with the configuration items `items`.
struct Bench {
    SimClock clock;
    std::vector<std::string> problems;
    SimAdapter adapter;
    explicit Bench(const QString &items = QString())
        : adapter((clock.setRealTime(false), configOf(items, &problems)), clock, std::string(),
                  &problems)
    {
        adapter.open();
    }
    static LibraryConfig configOf(const QString &items, std::vector<std::string> *problems)
    {
        LibraryConfig config;
        applyConfig(items.toStdString(), &config, problems);
        return config;
    }
};

} // namespace

class TestChipModels : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void flashFilePerChipSelect();
    void slavePort();
    void slavePortEdges();
};

void TestChipModels::commands_data()
{
    QTest::addColumn<QString>("items"); // the configuration
    QTest::addColumn<int>("channel");   // 0x10: the flash, 0x20: the register bank
    // Empty: straight to the chip; else through the bus in these settings, as busConfig() takes.
    QTest::addColumn<QString>("bus");
    // Each command one chip-select assertion: "OUT[/READ COUNT][+MICROSECONDS AFTER]".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("answers"); // of the steps that read
    auto row = [](const char *name, int channel, const char *bus, const char *steps,
                  const char *answers, const char *items = "") {
        QTest::newRow(name) << QString(items) << channel << QString(bus) << QString(steps)
                            << QString(answers);
    };
    // The flash on SPI1_CS1 made by the items.
    auto flash = [&](const char *name, const char *items, const char *steps, const char *answers) {
        row(name, 0x10, "", steps, answers, items);
    };
    row("identity, write enable latch", 0x10, "", "9F/3 05/2 06 05/1 04 05/1 0600 05/1",
        "ef4015 0000 02 00 00");
    // 700 us a page program; the data wraps within its page and only clears bits.
    row("busy while a page programs, then ready", 0x10, "",
        "06 020000FE0102F3F4 05/1+699 05/1+1 05/1 06 020000000F+700 030000FE/2 03000000/2",
        "01 01 00 0102 03f4");
    // Zeros programmed on each side of the region's edges first; without a write enable
    // nothing happens; busy 45 ms.
    row("erase a 4 KiB sector", 0x10, "",
        "06 02000FFF00+700 06 0200100000+700 06 02001FFF00+700 06 0200200000+700 20001234 "
        "03001000/1 06 20001234 05/1+44999 05/1+1 05/1 03000FFF/2 03001FFF/2",
        "00 01 01 00 00ff ff00");
    // The identity is read-only, 27h writable but 28h not; the address wraps from 7Fh to 00h.
    row("register bank", 0x20, "", "8F/1 A8/6 10AABBCC 90/3 0F00 271122 8F/1 A7/2 7F0102 FF/2 A0/1",
        "5a 34127856bc9a aabbcc 5a 1134 0102 07");
    // Sampled on the wrong edge, 1Eh reaches the register bank as 8Fh (read the identity), and
    // its 5Ah comes back one bit late.
    row("mode 2 shifts both ways", 0x20, "01010100", "1E/1", "ad");
    row("LSB first", 0x10, "0101000001", "9F/3", "ffffff");
    row("chip select active high", 0x10, "010100000001", "9F/3", "ffffff");
    row("loopback ignores all that", 0x00, "000101010101", "A1B2/2", "a1b2");
    row("nothing attached", 0x30, "0001", "A1B2/2", "ffff");
    // Each writing command alone without a write enable does nothing; one write enable serves
    // one program or erase only.
    row("program and erase need write enable", 0x10, "",
        "020000001122 03000000/2 06 020000001122+700 03000000/2 0200000000 03000000/1 "
        "D8000000 03000000/1 C7 03000000/1 60 03000000/1 20000000 03000000/1",
        "ffff 1122 11 11 11 11 11");
    // While busy the chip takes no command but 05: no read, no identity, no write enable.
    row("commands while busy", 0x10, "",
        "06 020000001122 03000000/2 9F/3 06 05/1+700 03000000/2 05/1", "ffff ffffff 01 1122 00");
    // Zeros on each side of the block's edges first; busy 150 ms.
    row("erase a 64 KiB block", 0x10, "",
        "06 0200FFFF00+700 06 0201000000+700 06 0201FFFF00+700 06 0202000000+700 06 D8015678 "
        "05/1+149999 05/1+1 05/1 0300FFFF/2 0301FFFF/2",
        "01 01 00 00ff ff00");
    row("erase the chip with C7", 0x10, "",
        "06 0200000000+700 06 021FFFFF00+700 06 C7 05/1+2999999 05/1+1 05/1 031FFFFF/2",
        "01 01 00 ffff");
    row("erase the chip with 60", 0x10, "",
        "06 0200000000+700 06 60 05/1+2999999 05/1+1 05/1 03000000/1", "01 01 00 ff");
    // A dummy byte after the address; a read runs on from the last byte to the first.
    row("fast read, reading across the end", 0x10, "",
        "06 020000001122+700 06 021FFFFF33+700 0B00000000/2 0B00000100/1 031FFFFF/2",
        "1122 22 3311");
    // 0Eh and 10h are writable around the identity, 2Dh read-only and 2Eh writable at the
    // measurements' upper edge (27h and 28h, the lower edge: "register bank").
    row("register bank, edges of the read-only registers", 0x20, "", "0E77 1088 8E/3 2D5566 AC/3",
        "775a88 bc9a66");
    row("mode 3 suits the flash", 0x10, "01010101", "9F/3", "ef4015");
    // 8Fh reaches the chip as C7h (read 47h, which holds 00h), and 00h comes back a bit late
    // after the high idle line.
    row("mode 1 garbles the register bank", 0x20, "01010001", "8F/1", "80");
    // The header, one parameter header (basic table, 16 double words at 80h), the density
    // (2^24 bits less one) and the erase types 4 KiB 20h, 32 KiB 52h, 64 KiB D8h.
    flash("SFDP", "", "9F/3 5A000000FF/16 5A000084FF/4 5A00009CFF/8 5A0000C0FF/2",
          "ef4015 53464450060100ff00060110800000ff ffffff00 0c200f5210d80000 ffff");
    flash("64 MiB", "SPI1_CS1=flash:size=64M", "9F/3", "ef4020");
    // Above 16 MiB: a second header for the 4-byte table at C0h (13h, 12h, 21h, DCh), B7h and
    // the 4-byte commands in the 16th double word.
    flash("SFDP above 16 MiB", "SPI1_CS1=flash:size=32M", "5A000000FF/24 5A0000BCFF/4 5A0000C0FF/8",
          "53464450060101ff00060110800000ff84000102c00000ff 81400021 410affff21ffdcff");
    // 32 KiB erase: busy 120 ms.
    flash("32 KiB erase", "",
          "06 0200800011+700 06 0201000033+700 06 52009000 05/1+119999 05/1+1 05/1 03008000/1 "
          "03010000/1",
          "01 01 00 ff 33");
    // BP0 on 2 MiB: the top 64 KiB; program and erase there and chip erase are ignored, and
    // leave write enable set.
    flash(
        "BP0 protects the top 64 KiB", "",
        "06 0104+10000 05/1 06 021F0000AA+700 05/1 031F0000/1 06 201F0000+45000 06 0200000055+700 "
        "03000000/1 06 C7 05/1",
        "04 06 ff 55 06");
    flash("SEC TB BP0 protect the bottom 4 KiB", "",
          "06 0164+10000 06 0200000011+700 03000000/1 06 0200100022+700 03001000/1", "ff 22");
    flash("BP2 BP1 on 2 MiB protect everything", "", "06 0118+10000 06 021FFF0011+700 031FFF00/1",
          "ff");
    flash("BP0 on 16 MiB: the top 256 KiB", "SPI1_CS1=flash:size=16M",
          "06 0104+10000 06 02FC0000AA+700 03FC0000/1 06 02FBFF00BB+700 03FBFF00/1", "ff bb");
    // Above 16 MiB BP0-BP3 and TB: 1001 protects the top half.
    flash("BP3 BP0 on 32 MiB: the top half", "SPI1_CS1=flash:size=32M",
          "06 0124+10000 06 1201000000AA+700 1301000000/1 06 1200FFFF00BB+700 1300FFFF00/1",
          "ff bb");
    flash("write status needs write enable and one or two bytes", "",
          "0104+10000 05/1 06 01 05/1 06 010400+10000 05/1", "00 02 04");
    flash("SRWD with WP# low locks the register", "SPI1_CS1=flash:wp=low",
          "06 0184+10000 06 0100+10000 05/1", "86");
    flash("SRWD with WP# high does not", "", "06 0184+10000 06 0100+10000 05/1", "00");
    // The protection bits are non-volatile on real chips: a chip may start protected.
    flash("status at power-up: BP2-BP0 protect everything until cleared",
          "SPI1_CS1=flash:status=1F",
          "05/1 06 021FFF0011+700 031FFF00/1 06 0100+10000 05/1 "
          "06 021FFF0011+700 031FFF00/1",
          "1c ff 00 11");
    // 12h/13h/21h always take 4 address bytes; 02h/03h after B7h until E9h.
    flash("4-byte addresses", "SPI1_CS1=flash:size=32M",
          "06 0201000033+700 06 1201000000AB+700 1301000000/1 B7 0301000000/1 E9 03010000/1 "
          "06 2101000000+45000 1301000000/1 03010000/1",
          "ab ab 33 ff 33");
    flash("no 4-byte commands up to 16 MiB", "SPI1_CS1=flash:size=16M",
          "06 0200000011+700 06 2100000000+45000 1300000000/1 B7 03000000/1", "ff 11");
    flash("stays busy", "fault.flashbusy=SPI1_CS1", "9F/3 06 0200000000 05/1+100000000 05/1 9F/3",
          "ef4015 01 01 ffffff");
}

void TestChipModels::commands()
{
    QFETCH(QString, items);
    QFETCH(int, channel);
    QFETCH(QString, bus);
    QFETCH(QString, steps);
    QFETCH(QString, answers);
    Bench bench(items);
    QVERIFY(bench.problems.empty());
    QCOMPARE(bench.adapter.configure(channel, busConfig(qPrintable(bus))), int32_t(Ok));
    SpiDevice *chip = bench.adapter.device(channel);
    const QRegularExpression step(QStringLiteral("^(\\w+)(?:/(\\d+))?(?:\\+(\\d+))?$"));
    QStringList actual;
    for (const QString &text : steps.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch parts = step.match(text);
        const QByteArray out = QByteArray::fromHex(parts.captured(1).toLatin1());
        QByteArray in(parts.captured(2).toInt(), '\0');
        if (bus.isEmpty())
            in = command(*chip, out, in.size());
        else
            QCOMPARE(bench.adapter.writeRead(channel, reinterpret_cast<const uint8_t *>(out.data()),
                                             out.size(), reinterpret_cast<uint8_t *>(in.data()),
                                             in.size()),
                     int32_t(Ok));
        if (!in.isEmpty())
            actual.append(QString::fromLatin1(in.toHex()));
        bench.clock.advance(parts.captured(3).toULongLong());
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), answers);
}

void TestChipModels::flashFilePerChipSelect()
{
    // The old item keeps the first flash, made when missing; a chip select's own file keeps its
    // flash, on adapter 0 only.
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.bin"));
    const QString own = dir.filePath(QStringLiteral("own.bin"));
    LibraryConfig config;
    std::vector<std::string> problems;
    applyConfig(("SPI1_CS2=flash:size=64K;flash.file.SPI1_CS2=" + own).toStdString(), &config,
                &problems);
    SimClock clock;
    clock.setRealTime(false);
    const auto program = [&](SimAdapter &adapter, int channel, const char *hex) {
        command(*adapter.device(channel), QByteArray::fromHex("06"));
        command(*adapter.device(channel), QByteArray::fromHex(hex));
        clock.advance(1000);
    };
    {
        SimAdapter adapter(config, clock, first.toStdString(), &problems, true);
        program(adapter, 0x10, "0200010011");
        program(adapter, 0x20, "02000100222324");
        SimAdapter other(config, clock, std::string(), &problems, false);
        program(other, 0x20, "0200010000");
    }
    QCOMPARE(problems.size(), size_t(0));
    SimAdapter again(config, clock, first.toStdString(), &problems, true);
    QCOMPARE(command(*again.device(0x10), QByteArray::fromHex("03000100"), 2).toHex(),
             QByteArray("11ff"));
    QCOMPARE(command(*again.device(0x20), QByteArray::fromHex("03000100"), 4).toHex(),
             QByteArray("222324ff"));
    // A file of another size is neither used nor changed: the flash starts erased.
    NorFlash wrong(clock, config.flashChips[2], first.toStdString(), &problems.emplace_back());
    NorFlash other(clock, own.toStdString(), &problems.emplace_back());
    QCOMPARE(QString::fromStdString(problems[0] + '|' + problems[1]).replace(dir.path(), "DIR"),
             QStringLiteral("flash.file DIR/first.bin is not a 64 KiB flash image; not used|"
                            "flash.file DIR/own.bin is not a 2 MiB flash image; not used"));
    QCOMPARE(QList<int>({wrong.at(0x100), other.at(0x100)}), QList<int>({0xFF, 0xFF}));
    QCOMPARE(QFileInfo(first).size(), qint64(NorFlash::defaultSize));
    QCOMPARE(QFileInfo(own).size(), qint64(64 * 1024));
}

void TestChipModels::slavePort()
{
    Bench bench;
    QCOMPARE(bench.adapter.configure(0x00, busConfig("0100")), int32_t(Ok)); // a slave
    const uint8_t reply[] = {0xDE, 0xAD};
    QCOMPARE(bench.adapter.slaveWrite(0x00, reply, 2), int32_t(Ok));
    QStringList frames; // what each read returns after the clock moved on so many periods
    for (uint64_t periods : {0, 1, 2, 1000}) {
        bench.clock.advance(periods * LibraryConfig().slavePeriodUs);
        uint8_t buffer[TELKOR_BUFFER_SIZE];
        const int32_t count = bench.adapter.slaveRead(0x00, buffer);
        frames << QString::fromLatin1(
                      QByteArray(reinterpret_cast<char *>(buffer), std::min(count, 8)).toHex()) +
                      "/" + QString::number(count);
    }
    // The second frame echoes our reply; of a long silence only the newest 64 frames (939 to
    // 1002) are kept.
    QCOMPARE(frames,
             QStringList({"/0", "4d530000/4", "4d530102dead4d53/10", "4d53ab004d53ac00/256"}));
}

void TestChipModels::slavePortEdges()
{
    // The port queues at most 20480 bytes for the remote master, which clocks in at most 16
    // of them a frame and sends a frame exactly one period after the last.
    Bench bench;
    QCOMPARE(bench.adapter.configure(0x00, busConfig("0100")), int32_t(Ok));
    std::vector<uint8_t> bytes(TELKOR_BUFFER_SIZE, 0xEE);
    for (uint8_t i = 0; i < 17; ++i)
        bytes[i] = i + 1;
    QList<int> results{bench.adapter.slaveWrite(0x00, bytes.data(), 17),
                       bench.adapter.slaveWrite(0x00, bytes.data() + 17, TELKOR_BUFFER_SIZE - 17),
                       bench.adapter.slaveWrite(0x00, bytes.data(), 1)};
    QStringList frames;
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    const uint64_t period = LibraryConfig().slavePeriodUs;
    for (uint64_t wait : {period - 1, uint64_t(1), period, period}) {
        bench.clock.advance(wait);
        const int32_t count = bench.adapter.slaveRead(0x00, buffer);
        frames << QString::fromLatin1(QByteArray(reinterpret_cast<char *>(buffer), count).toHex());
        // Three frames have taken 48 bytes: room for 48 more, not 49.
        if (frames.size() == 4)
            results << bench.adapter.slaveWrite(0x00, bytes.data(), 49)
                    << bench.adapter.slaveWrite(0x00, bytes.data(), 48);
    }
    QCOMPARE(results, QList<int>({Ok, Ok, BadArgument, BadArgument, Ok}));
    QCOMPARE(frames,
             QStringList({"", "4d530000", "4d530110" + QString("0102030405060708090a0b0c0d0e0f10"),
                          "4d530210" + QString("11") + QString("ee").repeated(15)}));
}

QTEST_GUILESS_MAIN(TestChipModels)
#include "tst_chipmodels.moc"
