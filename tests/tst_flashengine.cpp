// The flash engine against the simulated flash chip: identification by SFDP and by the table,
// reading in the largest calls, the smart write's erases and programs, erasing, 4-byte
// addressing, write protection, cancelling in each phase, a chip that stays busy, verify
// differences, progress, and what the link's failures do. Commands are compared as the chip
// received them.

#include "chipflashlink.h"
#include "flash/flashengine.h"
#include "telkor/config.h"
#include "telkor/norflash.h"

#include <QtTest>

#include <memory>

using namespace telkor;

namespace
{

quint8 pattern(quint64 address)
{
    return quint8(address * 7 + 3); // FFh only at 24h of each page
}

// A chip as "SPI1_CS1=flash:OPTIONS;ITEMS" makes it ("none": nothing answers), holding the
// pattern in [start, end) and FFh elsewhere, the link to it and the engine, on a simulated clock.
struct Rig {
    QTemporaryDir folder;
    SimClock clock;
    std::unique_ptr<SpiDevice> chip;
    std::unique_ptr<ChipFlashLink> link;
    std::unique_ptr<FlashEngine> engine;
    QStringList progress; // "PHASE done/total" of each progress signal, the phase as a number
    std::function<void(FlashPhase, quint64)> onProgress;

    explicit Rig(const QString &options = QString(), quint64 start = 0, quint64 end = 0,
                 const QString &items = QString())
    {
        clock.setRealTime(false);
        LibraryConfig config;
        std::vector<std::string> problems;
        applyConfig(("SPI1_CS1=flash:" + options + ";" + items).toStdString(), &config, &problems);
        QByteArray image(int(config.flashChips[1].size), '\xFF');
        for (quint64 at = start; at < end; ++at)
            image[int(at)] = char(pattern(at));
        QFile file(folder.filePath("chip.bin"));
        if (file.open(QIODevice::WriteOnly))
            file.write(image);
        file.close();
        std::string problem;
        if (options == QLatin1String("none"))
            chip = std::make_unique<EmptySocket>();
        else
            chip = std::make_unique<NorFlash>(clock, config.flashChips[1],
                                              file.fileName().toStdString(), &problem);
        link = std::make_unique<ChipFlashLink>(*chip, clock);
        engine = std::make_unique<FlashEngine>(link.get());
        engine->setClock([this] { return qint64(clock.nowUs()); });
        engine->setPollIntervalMs(0);
        QObject::connect(engine.get(), &FlashEngine::progress,
                         [this](FlashPhase phase, quint64 done, quint64 total) {
                             progress
                                 << QStringLiteral("%1 %2/%3").arg(int(phase)).arg(done).arg(total);
                             if (onProgress)
                                 onProgress(phase, done);
                         });
    }
    NorFlash &flash() { return static_cast<NorFlash &>(*chip); }

    FlashResult run(const FlashJob &job)
    {
        FlashResult got;
        QEventLoop loop;
        QObject::connect(engine.get(), &FlashEngine::finished, &loop,
                         [&](const FlashResult &result) {
                             got = result;
                             loop.quit();
                         });
        link->sent.clear();
        progress.clear();
        if (engine->start(job))
            loop.exec();
        return got;
    }

    // What the chip holds in [start, end), or its complement.
    QByteArray contents(quint64 start, quint64 end, bool inverted = false)
    {
        QByteArray bytes;
        for (quint64 at = start; at < end; ++at)
            bytes.append(char(flash().at(uint32_t(at)) ^ (inverted ? 0xFF : 0)));
        return bytes;
    }

    // The erases, programs and status writes the chip was sent, programs to consecutive
    // addresses merged: "20 001000", "02 001000+4096(16)", "01 00".
    QStringList changes() const
    {
        QStringList made;
        quint64 next = ~0ULL; // where a program continuing the last change would start
        int programs = 0, bytes = 0;
        QString start; // the first of the merged programs
        for (const ChipFlashLink::Sent &sent : link->sent) {
            const char opcode = sent.out[0];
            const int width = QByteArray("\x12\x21\xDC").contains(opcode) ? 4 : 3;
            const QString head =
                QString::fromLatin1(sent.out.left(1 + width).toHex().toUpper()).insert(2, ' ');
            if (opcode == '\x02' || opcode == '\x12') {
                const quint64 address = sent.out.mid(1, width).toHex().toULongLong(nullptr, 16);
                if (address != next) {
                    made << QString();
                    start = head;
                    programs = bytes = 0;
                }
                bytes += sent.out.size() - 1 - width;
                next = address + quint64(sent.out.size() - 1 - width);
                made.last() = QStringLiteral("%1+%2(%3)").arg(start).arg(bytes).arg(++programs);
                continue;
            }
            if (!QByteArray("\x01\xC7\x20\x21\x52\xD8\xDC").contains(opcode))
                continue;
            made << head.trimmed();
            next = ~0ULL;
        }
        return made;
    }
    // Every assertion as hex and read count: "9F/3", "06".
    QStringList exchanges(int from = 0) const
    {
        QStringList made;
        for (int i = from; i < link->sent.size(); ++i) {
            const ChipFlashLink::Sent &sent = link->sent[i];
            made << QString::fromLatin1(sent.out.toHex().toUpper()) +
                        (sent.readCount ? QStringLiteral("/%1").arg(sent.readCount) : QString());
        }
        return made;
    }
};

using Kind = FlashJob::Kind;

FlashJob makeJob(Kind kind, quint64 offset, quint64 length, const QByteArray &image = {})
{
    return {kind, offset, length, image};
}

} // namespace

class TestFlashEngine : public QObject
{
    Q_OBJECT

private slots:
    void identify_data();
    void identify();
    void read_data();
    void read();
    void smartWrite_data();
    void smartWrite();
    void erase_data();
    void erase();
    void fourByteAddresses();
    void protection_data();
    void protection();
    void cancel_data();
    void cancel();
    void busyTimeout_data();
    void busyTimeout();
    void verifyDifference();
    void progressTotals();
};

void TestFlashEngine::identify_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("summary"); // or the failure
    QTest::addColumn<QString>("bounds");  // page program, each erase, chip erase: microseconds
    QTest::addColumn<int>("sfdpReads");   // header, basic table, 4-byte table
    // clang-format off
    // SFDP and a row: the geometry from SFDP, the longer of both times.
    QTest::newRow("default: SFDP") << "" << "JEDEC ID EF 40 15，Winbond W25Q16，2 MiB，页 256 字节，擦除 4 KiB/32 KiB/64 KiB（SFDP）" << "3000 400000/1600000/2000000 25000000" << 2;
    QTest::newRow("table") << "sfdp=off" << "JEDEC ID EF 40 15，Winbond W25Q16，2 MiB，页 256 字节，擦除 4 KiB/32 KiB/64 KiB（内置芯片表）" << "3000 400000/1600000/2000000 25000000" << 1;
    // SFDP alone: 4 times its typical times (704 us, 48, 128 and 160 ms, 6144 ms).
    QTest::newRow("SFDP, unknown maker") << "size=4M,jedec=AB1234" << "JEDEC ID AB 12 34，未知厂商，4 MiB，页 256 字节，擦除 4 KiB/32 KiB/64 KiB（SFDP）" << "2816 192000/512000/640000 24576000" << 2;
    QTest::newRow("SFDP, 64 KiB") << "size=64K" << "JEDEC ID EF 40 10，Winbond，64 KiB，页 256 字节，擦除 4 KiB/32 KiB/64 KiB（SFDP）" << "2816 192000/512000/640000 12288000" << 2;
    // Above 16 MiB only the erases with 4-byte commands remain.
    QTest::newRow("SFDP, 32 MiB") << "size=32M" << "JEDEC ID EF 40 19，Winbond W25Q256，32 MiB，页 256 字节，擦除 4 KiB/64 KiB（SFDP）" << "3000 400000/2000000 400000000" << 3;
    QTest::newRow("unknown") << "sfdp=off,jedec=1C3016" << "JEDEC ID 1C 30 16，EON，容量未知" << "" << 1;
    QTest::newRow("nothing attached") << "none" << "没有芯片应答（JEDEC ID FF FF FF）。" << "" << 0;
    QTest::newRow("all zeros") << "jedec=000000" << "没有芯片应答（JEDEC ID 00 00 00）。" << "" << 0;
    // clang-format on
}

void TestFlashEngine::identify()
{
    QFETCH(QString, options);
    QFETCH(int, sfdpReads);
    Rig rig(options);
    const FlashResult result = rig.run(FlashJob());
    QTEST(result.ok() ? rig.engine->chip().summary() : result.text(), "summary");
    QCOMPARE(result.exitCode(), result.ok() ? 0 : 4);
    const FlashChip &chip = rig.engine->chip();
    QStringList erases;
    for (const FlashErase &erase : chip.erases)
        erases << QString::number(erase.maxUs);
    QTEST(chip.known() ? QStringLiteral("%1 %2 %3")
                             .arg(chip.pageProgramMaxUs)
                             .arg(erases.join(QLatin1Char('/')))
                             .arg(chip.chipEraseMaxUs)
                       : QString(),
          "bounds");
    // The id, then the header with its parameter headers, then each table where they point.
    const QStringList expected =
        QStringList({"9F/3", "5A000000FF/136", "5A000080FF/64", "5A0000C0FF/8"})
            .mid(0, sfdpReads + 1);
    QCOMPARE(rig.exchanges(), expected);
}

void TestFlashEngine::read_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<QString>("reads"); // the read commands
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("exitCode");
    // clang-format off
    // 65536 bytes from 100h: as much a call as the limit leaves after the four command bytes.
    QTest::newRow("largest calls") << 20480 << -1 << "03000100/20476 030050FC/20476 0300A0F8/20476 0300F0F4/4108" << "已读取 65536 字节（000100h–0100FFh）。" << 0;
    QTest::newRow("smaller limit") << 16388 << -1 << "03000100/16384 03004100/16384 03008100/16384 0300C100/16384" << "已读取 65536 字节（000100h–0100FFh）。" << 0;
    QTest::newRow("a read fails") << 20480 << 4 << "03000100/20476 030050FC/20476" << "传输失败：写读数据失败！" << 1;
    // clang-format on
}

void TestFlashEngine::read()
{
    QFETCH(int, limit);
    QFETCH(int, failAt);
    QFETCH(QString, reads);
    Rig rig(QString(), 0, 0x20000);
    rig.link->limit = limit;
    rig.link->failAt = failAt;
    QByteArray streamed;
    connect(rig.engine.get(), &FlashEngine::dataRead, this, [&](quint64 at, const QByteArray &b) {
        QCOMPARE(at, 0x100 + quint64(streamed.size()));
        streamed += b;
    });
    const FlashResult result = rig.run(makeJob(Kind::Read, 0x100, 0x10000));
    QTEST(result.text(), "outcome");
    QTEST(result.exitCode(), "exitCode");
    QCOMPARE(rig.exchanges().filter(QRegularExpression("^03")).join(' '), reads);
    if (result.ok()) {
        QCOMPARE(result.data, rig.contents(0x100, 0x10100));
        QCOMPARE(streamed, result.data);
    }
}

void TestFlashEngine::smartWrite_data()
{
    // The chip holds the pattern in [0, 30000h). The image is what the chip holds at
    // [offset, offset + size) with the edits: "A-" clears the lowest set bit at A, "A+" sets
    // the lowest clear bit, "A=V" writes V.
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("changes");
    // The comparison reads the image's erase units; the verify reads back what was erased or
    // programmed, from the first byte to the last: the comparison showed the rest holds the
    // image.
    QTest::addColumn<QString>("reads");
    QTest::addColumn<bool>("verifying"); // the job's verify
    QTest::addColumn<bool>("chipErase");
    QTest::addColumn<QString>("outcome");
    const QString all = "03000000/20476 03004FFC/20476 03009FF8/20476 0300EFF4/4108 ";
    // clang-format off
    QTest::newRow("same image: reads only") << 0 << 0x10000 << "" << "" << all.trimmed() << true << false << "芯片内容已与映像一致，未擦除也未编程（000000h–00FFFFh）。";
    QTest::newRow("one bit 1 to 0: one page") << 0 << 0x10000 << "1234-" << "02 001200+256(1)" << all + "03001200/256" << true << false << "已写入 64 KiB（000000h–00FFFFh）：编程 1 次共 256 字节，已校验。";
    QTest::newRow("without the verify") << 0 << 0x10000 << "1234+" << "20 001000 02 001000+4096(16)" << all.trimmed() << false << false << "已写入 64 KiB（000000h–00FFFFh）：擦除 1 次共 4 KiB，编程 16 次共 4096 字节，未校验。";
    QTest::newRow("one bit 0 to 1: its sector erased, its pages programmed") << 0 << 0x10000 << "1234+" << "20 001000 02 001000+4096(16)" << all + "03001000/4096" << true << false << "已写入 64 KiB（000000h–00FFFFh）：擦除 1 次共 4 KiB，编程 16 次共 4096 字节，已校验。";
    QTest::newRow("two sectors apart") << 0 << 0x10000 << "1234+ 3FFF+" << "20 001000 20 003000 02 001000+4096(16) 02 003000+4096(16)" << all + "03001000/12288" << true << false << "已写入 64 KiB（000000h–00FFFFh）：擦除 2 次共 8 KiB，编程 32 次共 8192 字节，已校验。";
    QTest::newRow("a 32 KiB block") << 0 << 0x10000 << "8000+ 9000+ A000+ B000+ C000+ D000+ E000+ F000+" << "52 008000 02 008000+32768(128)" << all + "03008000/20476 0300CFFC/12292" << true << false << "已写入 64 KiB（000000h–00FFFFh）：擦除 1 次共 32 KiB，编程 128 次共 32768 字节，已校验。";
    // Pages left all FF after the erase are not programmed; the last page's trailing FF not.
    QTest::newRow("erased area: programs only") << 0x40000 << 0x300 << "" << "02 040000+768(3)" << "03040000/4096 03040000/768" << true << false << "已写入 768 B（040000h–0402FFh）：编程 3 次共 768 字节，已校验。";
    QTest::newRow("into an erased sector, FF at the end") << 0x40000 << 0x300 << "402FF=FF 402FE=FF" << "02 040000+766(3)" << "03040000/4096 03040000/766" << true << false << "已写入 768 B（040000h–0402FFh）：编程 3 次共 766 字节，已校验。";
    // Outside the image but in its sector: read before, written back after the erase.
    QTest::newRow("unaligned image keeps its sector's other bytes") << 0x1100 << 0x100 << "1180+" << "20 001000 02 001000+4096(16)" << "03001000/4096 03001000/4096" << true << false << "已写入 256 B（001100h–0011FFh）：擦除 1 次共 4 KiB，编程 16 次共 4096 字节，已校验。";
    // No comparison: the chip erased even where it held the image, only the image verified.
    QTest::newRow("chip erase") << 0x1000 << 0x300 << "" << "C7 02 001000+768(3)" << "03001000/768" << true << true << "已写入 768 B（001000h–0012FFh）：擦除 1 次共 2 MiB，编程 3 次共 768 字节，已校验。";
    // clang-format on
}

void TestFlashEngine::smartWrite()
{
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(QString, edits);
    QFETCH(QString, changes);
    QFETCH(bool, verifying);
    QFETCH(bool, chipErase);
    Rig rig(QString(), 0, 0x30000);
    QByteArray expected = rig.contents(0, 0x50000);
    for (int at = std::max(offset, 0x30000); at < offset + size; ++at)
        expected[at] = char(pattern(quint64(at))); // over erased bytes: the pattern
    for (const QString &edit : edits.split(' ', Qt::SkipEmptyParts)) {
        const int at = edit.left(edit.indexOf(QRegularExpression("[-+=]"))).toInt(nullptr, 16);
        const quint8 old = quint8(expected[at]);
        if (edit.endsWith('-'))
            expected[at] = char(old & (old - 1));
        else if (edit.endsWith('+'))
            expected[at] = char(old | (old + 1));
        else
            expected[at] = char(edit.section('=', 1).toInt(nullptr, 16));
    }
    FlashJob job = makeJob(Kind::Write, quint64(offset), 0, expected.mid(offset, size));
    job.verify = verifying;
    job.chipErase = chipErase;
    if (chipErase)
        expected = QByteArray(expected.size(), '\xFF').replace(offset, size, job.image);
    const FlashResult result = rig.run(job);
    QTEST(result.text(), "outcome");
    QCOMPARE(rig.changes().join(' '), changes);
    QCOMPARE(rig.contents(0, 0x50000), expected);
    QCOMPARE(result.verified, verifying && !changes.isEmpty());
    QTEST(rig.exchanges().filter(QRegularExpression("^03")).join(' '), "reads");
    if (changes.isEmpty()) {
        QSet<QString> opcodes;
        for (const QString &sent : rig.exchanges())
            opcodes << sent.left(2);
        QCOMPARE(opcodes, QSet<QString>({"9F", "5A", "05", "03"}));
    }
}

void TestFlashEngine::erase_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("chipErase");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("exitCode");
    // clang-format off
    QTest::newRow("32 KiB then 64 KiB") << 0x8000 << 0x18000 << false << "52 008000 D8 010000" << "已擦除 96 KiB（008000h–01FFFFh）。" << 0;
    QTest::newRow("sector, block, sector") << 0xF000 << 0x12000 << false << "20 00F000 D8 010000 20 020000" << "已擦除 72 KiB（00F000h–020FFFh）。" << 0;
    QTest::newRow("sectors around a 32 KiB block") << 0x7000 << 0xA000 << false << "20 007000 52 008000 20 010000" << "已擦除 40 KiB（007000h–010FFFh）。" << 0;
    QTest::newRow("whole chip") << 0 << 0 << false << "C7" << "已擦除 2 MiB（000000h–1FFFFFh）。" << 0;
    QTest::newRow("chip erase asked") << 0x1000 << 0x1000 << true << "C7" << "已擦除 2 MiB（000000h–1FFFFFh）。" << 0;
    QTest::newRow("unaligned start") << 0x100 << 0x1000 << false << "" << "擦除范围 000100h–0010FFh 未对齐到 4 KiB 的擦除单元。" << 3;
    QTest::newRow("unaligned end") << 0x1000 << 0x1100 << false << "" << "擦除范围 001000h–0020FFh 未对齐到 4 KiB 的擦除单元。" << 3;
    QTest::newRow("past the end") << 0x1F0000 << 0x20000 << false << "" << "范围 1F0000h–20FFFFh 超出芯片。" << 3;
    // clang-format on
}

void TestFlashEngine::erase()
{
    QFETCH(int, offset);
    QFETCH(int, length);
    QFETCH(bool, chipErase);
    Rig rig(QString(), 0, 0x30000);
    QByteArray expected = rig.contents(0, 0x30000);
    FlashJob job = makeJob(Kind::Erase, quint64(offset), quint64(length));
    job.chipErase = chipErase;
    const FlashResult result = rig.run(job);
    QTEST(result.text(), "outcome");
    QTEST(result.exitCode(), "exitCode");
    QTEST(rig.changes().join(' '), "changes");
    // Erased exactly the range: the bytes just outside it kept.
    const int erased = int(std::min<quint64>(result.rangeLength, 0x30000));
    if (result.ok())
        expected.replace(int(result.rangeStart), erased, QByteArray(erased, '\xFF'));
    QCOMPARE(rig.contents(0, 0x30000), expected);
}

void TestFlashEngine::fourByteAddresses()
{
    // Across 16 MiB: the chip's own 4-byte commands, from SFDP or from the table.
    for (const char *options : {"size=32M", "size=32M,sfdp=off"}) {
        Rig rig(options, 0xFFF000, 0x1001000);
        QByteArray image = rig.contents(0xFFF000, 0x1001000);
        image[0x10] = char(quint8(image[0x10]) | 0x80 | 0x01);
        image[0x1FF0] = char(~quint8(image[0x1FF0]));
        const FlashResult result = rig.run(makeJob(Kind::Write, 0xFFF000, 0, image));
        QVERIFY2(result.ok(), qPrintable(result.text()));
        QCOMPARE(rig.changes().join(' '),
                 QStringLiteral("21 00FFF000 21 01000000 12 00FFF000+8192(32)"));
        // The comparison and the verify, after identification.
        QCOMPARE(rig.exchanges().filter(QRegularExpression("^(03|13)")),
                 QStringList({"1300FFF000/8192", "1300FFF000/8192"}));
        QCOMPARE(rig.contents(0xFFF000, 0x1001000), image);
    }
    // Reading a chip neither SFDP nor the table knows, at a size given: B7 first, E9 after.
    Rig unknown("size=32M,sfdp=off,jedec=AB4019", 0xFFFF00, 0x1000100);
    FlashJob read = makeJob(Kind::Read, 0xFFFF00, 0x200);
    read.assumedSize = 32 * 1024 * 1024;
    const FlashResult got = unknown.run(read);
    QVERIFY2(got.ok(), qPrintable(got.text()));
    QCOMPARE(unknown.exchanges(2), QStringList({"B7", "0300FFFF00/512", "E9"}));
    QCOMPARE(got.data, unknown.contents(0xFFFF00, 0x1000100));
}

void TestFlashEngine::protection_data()
{
    QTest::addColumn<QString>("options"); // with the status register's bits at power-up
    QTest::addColumn<int>("offset");      // of a one-page write
    QTest::addColumn<bool>("unprotect");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<int>("statusAfter");
    // clang-format off
    // BP0 on 2 MiB: the top 64 KiB.
    QTest::newRow("refused, naming the bits") << "status=04" << 0x1F0000 << false << "范围 1F0000h–1FFFFFh 受写保护（状态寄存器 1 为 04h：BP0），未作改动；可选择解除保护。" << "" << 0x04;
    QTest::newRow("outside the protected range") << "status=04" << 0x1E0000 << false << "已写入 256 B（1E0000h–1E00FFh）：编程 1 次共 256 字节，已校验。" << "02 1E0000+256(1)" << 0x04;
    QTest::newRow("unprotected") << "status=04" << 0x1F0000 << true << "已写入 256 B（1F0000h–1F00FFh）：编程 1 次共 256 字节，已校验。" << "01 00 02 1F0000+256(1)" << 0x00;
    // SEC, TB, BP0: the bottom 4 KiB; SRWD stays as it was.
    QTest::newRow("bottom sector, SRWD with WP# high") << "status=E4" << 0x0F00 << false << "范围 000000h–000FFFh 受写保护（状态寄存器 1 为 E4h：BP0 TB SEC SRWD），未作改动；可选择解除保护。" << "" << 0xE4;
    QTest::newRow("SRWD with WP# high unprotects") << "status=E4" << 0x0F00 << true << "已写入 256 B（000F00h–000FFFh）：编程 1 次共 256 字节，已校验。" << "01 80 02 000F00+256(1)" << 0x80;
    QTest::newRow("SRWD with WP# low: locked") << "wp=low,status=84" << 0x1F0000 << true << "无法解除写保护：状态寄存器被锁定（状态寄存器 1 为 84h：BP0 SRWD，WP# 为低电平）。" << "01 80" << 0x84;
    // A layout the engine does not know: any BP bit protects the whole chip.
    QTest::newRow("unknown layout") << "jedec=C22015,status=20" << 0 << false << "范围 000000h–1FFFFFh 受写保护（状态寄存器 1 为 20h：BP3），未作改动；可选择解除保护。" << "" << 0x20;
    // clang-format on
}

void TestFlashEngine::protection()
{
    QFETCH(QString, options);
    QFETCH(int, offset);
    QFETCH(bool, unprotect);
    QFETCH(QString, outcome);
    Rig rig(options);
    QByteArray image(256, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(pattern(quint64(i)));
    FlashJob job = makeJob(Kind::Write, quint64(offset), 0, image);
    job.unprotect = unprotect;
    const FlashResult result = rig.run(job);
    QCOMPARE(result.text(), outcome);
    QCOMPARE(result.exitCode(), outcome.startsWith(QStringLiteral("已写入")) ? 0 : 4);
    QTEST(rig.changes().join(' '), "changes");
    QTEST(int(rig.flash().status()), "statusAfter");
    QCOMPARE(rig.contents(quint64(offset), quint64(offset) + 256) == image, result.ok());
}

void TestFlashEngine::cancel_data()
{
    // A write of 1000h–4FFFh over the pattern's complement: four sector erases, 64 programs,
    // the verify in chunks of 4 KiB. Cancelled once the phase has done its first step, or
    // (phase Erase, atSend) while the first erase is under way.
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("atSend");
    QTest::addColumn<QString>("regions");
    QTest::addColumn<QString>("changes");
    const int write = int(Kind::Write), erase = int(Kind::Erase);
    const int compare = int(FlashPhase::Compare), erasing = int(FlashPhase::Erase);
    // clang-format off
    QTest::newRow("compare") << write << compare << false << "001000h–004FFFh 未改动" << "";
    QTest::newRow("erase") << write << erasing << false << "001000h–001FFFh 已擦除；002000h–004FFFh 未改动" << "20 001000";
    QTest::newRow("inside an erase: it finishes") << write << erasing << true << "001000h–001FFFh 已擦除；002000h–004FFFh 未改动" << "20 001000";
    QTest::newRow("program") << write << int(FlashPhase::Program) << false << "001000h–0010FFh 已写入，尚未校验；001100h–004FFFh 已擦除" << "20 001000 20 002000 20 003000 20 004000 02 001000+256(1)";
    QTest::newRow("verify") << write << int(FlashPhase::Verify) << false << "001000h–001FFFh 已写入并校验；002000h–004FFFh 已写入，尚未校验" << "20 001000 20 002000 20 003000 20 004000 02 001000+16384(64)";
    QTest::newRow("erase job") << erase << erasing << false << "001000h–001FFFh 已擦除；002000h–004FFFh 未改动" << "20 001000";
    // clang-format on
}

void TestFlashEngine::cancel()
{
    QFETCH(int, kind);
    QFETCH(int, phase);
    QFETCH(bool, atSend);
    QFETCH(QString, regions);
    Rig rig(QString(), 0, 0x30000);
    rig.link->limit = 0x1004;
    const FlashJob job = kind == int(Kind::Write)
                             ? makeJob(Kind::Write, 0x1000, 0, rig.contents(0x1000, 0x5000, true))
                             : makeJob(Kind::Erase, 0x1000, 0x4000);
    rig.onProgress = [&](FlashPhase now, quint64 done) {
        if (int(now) == phase && done > 0 && !atSend)
            rig.engine->cancel();
    };
    rig.link->onSend = [&](const QByteArray &out) {
        if (atSend && out.startsWith('\x20'))
            rig.engine->cancel();
    };
    const FlashResult result = rig.run(job);
    QCOMPARE(result.exitCode(), 1);
    QCOMPARE(result.text(), QStringLiteral("已取消。芯片现状：%1。").arg(regions));
    QTEST(rig.changes().join(' '), "changes");
    // The last operation ran to its end: the chip was ready when the engine stopped.
    if (phase == int(FlashPhase::Erase) || phase == int(FlashPhase::Program))
        QCOMPARE(rig.exchanges().constLast(), QStringLiteral("05/1"));
    QCOMPARE(int(rig.flash().status() & 1), 0);
}

void TestFlashEngine::busyTimeout_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<quint64>("boundUs");
    // clang-format off
    QTest::newRow("erase") << false << "芯片在擦除 001000h 起 4 KiB后超过 400 毫秒仍忙，已放弃。芯片现状：001000h–001FFFh 状态不明。" << quint64(400000);
    QTest::newRow("page program") << true << "芯片在编程 040000h 起的页后超过 3 毫秒仍忙，已放弃。芯片现状：040000h–0400FFh 状态不明；040100h–0401FFh 未改动。" << quint64(3000);
    // clang-format on
}

void TestFlashEngine::busyTimeout()
{
    QFETCH(bool, write);
    QFETCH(quint64, boundUs);
    Rig rig(QString(), 0, 0, QStringLiteral("fault.flashbusy=SPI1_CS1"));
    const FlashResult result =
        rig.run(write ? makeJob(Kind::Write, 0x40000, 0, QByteArray(0x200, '\x5A'))
                      : makeJob(Kind::Erase, 0x1000, 0x1000));
    QTEST(result.text(), "outcome");
    QCOMPARE(result.exitCode(), 1);
    // Given up at the first poll sent after the bound that still found the chip busy: a late
    // answer alone is no timeout.
    const QStringList sent = rig.exchanges();
    const int polls = sent.size() - sent.lastIndexOf(QRegularExpression("(20|02).*")) - 1;
    QCOMPARE(quint64(polls), boundUs / 202 + 2); // 202 us a poll, the first at 0
}

void TestFlashEngine::verifyDifference()
{
    Rig rig(QString(), 0, 0x10000);
    // The second program never reaches the chip: the verify finds its first byte.
    rig.link->dropProgram = 1;
    QCOMPARE(rig.run(makeJob(Kind::Write, 0x20000, 0, QByteArray(0x300, '\x11'))).text(),
             QStringLiteral("校验不一致：首个不同在 020100h（应为 11h，读出 FFh）。"));
    // A verify job compares without writing; its first difference here is in its second read.
    FlashJob verify = makeJob(Kind::Verify, 0x100, 0, rig.contents(0x100, 0x8000));
    verify.image[0x5432] = char(pattern(0x5532) ^ 0x40); // 61h there
    QCOMPARE(rig.run(verify).text(),
             QStringLiteral("校验不一致：首个不同在 005532h（应为 21h，读出 61h）。"));
    QCOMPARE(rig.changes(), QStringList());
}

void TestFlashEngine::progressTotals()
{
    Rig rig(QString(), 0, 0x30000);
    rig.link->limit = 0x2004;
    const FlashResult result =
        rig.run(makeJob(Kind::Write, 0x1000, 0, rig.contents(0x1000, 0x5000, true)));
    QVERIFY(result.ok());
    // Each phase starts at 0 of its total and ends at its total; a read reports per call, an
    // erase per erase, a program per page.
    QStringList phases; // "PHASE first..last xCOUNT"
    int count = 0;
    for (const QString &step : rig.progress) {
        if (phases.isEmpty() || !phases.last().startsWith(step.section(' ', 0, 0) + ' ')) {
            phases << step + "..";
            count = 0;
        }
        phases.last() = phases.last().section("..", 0, 0) + ".." + step.section(' ', 1) +
                        QStringLiteral(" x%1").arg(++count);
    }
    // Compare (2), Erase (4), Program (5), Verify (6).
    QCOMPARE(phases, QStringList({"2 0/16384..16384/16384 x3", "4 0/16384..16384/16384 x5",
                                  "5 0/16384..16384/16384 x65", "6 0/16384..16384/16384 x3"}));
}

QTEST_GUILESS_MAIN(TestFlashEngine)
#include "tst_flashengine.moc"
