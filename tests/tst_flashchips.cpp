// What the program knows of flash chips without a bus: the built-in table, its lookup,
// capacity codes, the protection layouts against Winbond's tables, and SFDP tables
// decoded by hand.

#include "bus/flashchips.h"
#include "flash/flashchip.h"
#include "flash/sfdp.h"

#include <QSet>
#include <QtTest>

namespace
{

QByteArray dwords(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    for (quint32 value : values)
        for (int i = 0; i < 4; ++i)
            bytes.append(char(value >> (8 * i)));
    return bytes;
}

} // namespace

class TestFlashChips : public QObject
{
    Q_OBJECT

private slots:
    void tableRowsAreConsistent();
    void lookups();
    void protectedRanges_data();
    void protectedRanges();
    void sfdpBasicTable_data();
    void sfdpBasicTable();
    void fourByteEntry_data();
    void fourByteEntry();
};

void TestFlashChips::tableRowsAreConsistent()
{
    size_t count = 0;
    const FlashChipInfo *rows = flashChipTable(&count);
    QVERIFY(count >= 15);
    QSet<quint32> ids;
    for (size_t i = 0; i < count; ++i) {
        const FlashChipInfo &row = rows[i];
        const bool ownErases = row.addressing == FlashAddressing::FourByteOpcodes;
        const quint32 id = quint32(row.manufacturer) << 16 | row.memoryType << 8 | row.capacity;
        QVERIFY2(!ids.contains(id) && jedecManufacturerName(row.manufacturer), row.part);
        ids << id;
        QCOMPARE(quint64(row.size), flashSizeFromCapacity(row.capacity));
        QCOMPARE(row.addressing != FlashAddressing::ThreeByte, row.size > 16 * 1024 * 1024);
        QVERIFY2(row.pageSize == 256 && row.pageProgramMaxUs >= 1000 && row.chipEraseMaxMs >= 10000,
                 row.part);
        quint32 previous = 0;
        int fourByteErases = 0;
        for (const FlashEraseType &erase : row.erases) {
            if (erase.size == 0)
                continue;
            QVERIFY2(erase.size > previous && row.size % erase.size == 0 && erase.maxMs >= 100 &&
                         (erase.opcode4 == 0 || ownErases),
                     row.part);
            previous = erase.size;
            fourByteErases += erase.opcode4 != 0;
        }
        QVERIFY2(previous > 0 && (!ownErases || fourByteErases >= 2), row.part);
    }
}

void TestFlashChips::lookups()
{
    QStringList parts; // all three bytes of the id count
    for (quint32 id : {0xEF4018u, 0xEF7018u, 0xC22019u, 0x20BA18u, 0x9D6017u, 0xEF4021u, 0u}) {
        const FlashChipInfo *row = findFlashChip(quint8(id >> 16), quint8(id >> 8), quint8(id));
        parts << (row ? row->part : "-");
    }
    QCOMPARE(parts, QStringList({"W25Q128", "W25Q128JV-IM", "MX25L25645G", "N25Q128A", "IS25LP064",
                                 "-", "-"}));
    QList<quint64> sizes;
    for (quint8 code : {0x0F, 0x10, 0x15, 0x19, 0x1A, 0x1F, 0x20, 0x22, 0x23, 0xFF})
        sizes << flashSizeFromCapacity(code);
    QCOMPARE(sizes, QList<quint64>({0, 65536, 2097152, 33554432, 67108864, 2147483648u, 67108864,
                                    268435456, 0, 0}));
}

void TestFlashChips::protectedRanges_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("megabytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("range"); // "first last" in hex, or empty
    QTest::addColumn<QString>("bits");
    const int sec = int(FlashProtection::BpTbSec), bp3 = int(FlashProtection::Bp3Tb),
              unknown = int(FlashProtection::Unknown);
    auto row = [](const char *name, int layout, int mb, int status, const char *range,
                  const char *bits) {
        QTest::newRow(name) << layout << mb << status << QString(range) << QString(bits);
    };
    // W25Q16: BP counts 64 KiB blocks from the top, doubling; 11x protects all.
    row("2M BP2 BP0: upper half", sec, 2, 0x14, "100000 1fffff", "BP0 BP2");
    row("2M BP2 BP1: all", sec, 2, 0x18, "0 1fffff", "BP1 BP2");
    row("2M TB BP0: lower 64 KiB", sec, 2, 0x24, "0 ffff", "BP0 TB");
    row("2M SEC BP0: top 4 KiB", sec, 2, 0x44, "1ff000 1fffff", "BP0 SEC");
    row("2M SEC BP2 BP0: top 32 KiB", sec, 2, 0x54, "1f8000 1fffff", "BP0 BP2 SEC");
    row("2M SEC TB BP1: bottom 8 KiB", sec, 2, 0x68, "0 1fff", "BP1 TB SEC");
    row("2M TB SEC SRWD alone: none", sec, 2, 0xE3, "", "TB SEC SRWD");
    // W25Q128: a 64th of the chip per step, 111 all.
    row("16M BP0", sec, 16, 0x04, "fc0000 ffffff", "BP0");
    row("16M BP2 BP1: upper half", sec, 16, 0x18, "800000 ffffff", "BP1 BP2");
    row("16M TB BP2 BP1: lower half", sec, 16, 0x38, "0 7fffff", "BP1 BP2 TB");
    row("16M BP2 BP1 BP0: all", sec, 16, 0x1C, "0 ffffff", "BP0 BP1 BP2");
    // W25Q256: BP0-BP3 from 64 KiB, TB in bit 6.
    row("32M BP0", bp3, 32, 0x04, "1ff0000 1ffffff", "BP0");
    row("32M BP3 BP0: upper half", bp3, 32, 0x24, "1000000 1ffffff", "BP0 BP3");
    row("32M BP3 BP1: all", bp3, 32, 0x28, "0 1ffffff", "BP1 BP3");
    row("32M TB BP0", bp3, 32, 0x44, "0 ffff", "BP0 TB");
    // Layouts the engine does not know: BP0-BP3 protect everything, bit 6 nothing.
    row("unknown BP0", unknown, 2, 0x04, "0 1fffff", "BP0");
    row("unknown bit 6", unknown, 2, 0x40, "", "");
}

void TestFlashChips::protectedRanges()
{
    QFETCH(int, layout);
    QFETCH(int, megabytes);
    QFETCH(int, status);
    FlashChip chip;
    chip.size = quint64(megabytes) * 1024 * 1024;
    chip.protection = FlashProtection(layout);
    const auto got = chip.protectedRange(quint8(status));
    QTEST(got.first < got.second
              ? QStringLiteral("%1 %2").arg(got.first, 0, 16).arg(got.second - 1, 0, 16)
              : QString(),
          "range");
    QTEST(chip.protectionBits(quint8(status)), "bits");
}

void TestFlashChips::sfdpBasicTable_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("parsed"); // size page modes enter pp chip; erases size/op/max
    // 16 MiB, 3-byte addresses; erase times typical 48, 128, 160 ms and max 6 times that
    // (multiplier 2); page 2^8, program 6 x 64 us, chip erase 10 x 4 s.
    QTest::newRow("16 MiB, 16 double words")
        << dwords({0xFFF920E5, 0x07FFFFFF, 0x6B08EB44, 0x3B42BB08, 0xFFFFFFFE, 0xFF00FFFF,
                   0xEB40FFFF, 0x520F200C, 0xFF00D810, 0x00A53A22, 0x49002582, 0, 0, 0, 0, 0})
        << "16777216 256 0 0 2304 240000000; 4096/20/288000 32768/52/768000 65536/d8/960000";
    // JESD216 without revision A: nine double words; the density as a power of two; 3- or
    // 4-byte addresses; only the first double word's 4 KiB erase.
    QTest::newRow("1 GiB, nine double words")
        << dwords({0xFFF320E5, 0x80000021, 0, 0, 0, 0, 0, 0, 0})
        << "1073741824 0 1 -1 0 0; 4096/20/0";
    QTest::newRow("too short") << dwords({0xFFF320E5, 0x07FFFFFF, 0, 0, 0, 0, 0, 0}) << "";
    QTest::newRow("density under 1 KiB")
        << dwords({0xFFF920E5, 0xFFF, 0, 0, 0, 0, 0, 0x0C, 0}) << "";
}

void TestFlashChips::sfdpBasicTable()
{
    QFETCH(QByteArray, table);
    Sfdp sfdp;
    QString got;
    if (sfdp.parseBasic(table)) {
        QStringList erases;
        for (const Sfdp::EraseType &erase : sfdp.erases)
            erases << QStringLiteral("%1/%2/%3")
                          .arg(erase.size)
                          .arg(erase.opcode, 0, 16)
                          .arg(erase.maxUs);
        got = QStringLiteral("%1 %2 %3 %4 %5 %6; %7")
                  .arg(sfdp.size)
                  .arg(sfdp.pageSize)
                  .arg(sfdp.addressModes)
                  .arg(sfdp.enterMethods)
                  .arg(sfdp.pageProgramMaxUs)
                  .arg(sfdp.chipEraseMaxUs)
                  .arg(erases.join(' '));
    }
    QTEST(got, "parsed");
}

void TestFlashChips::fourByteEntry_data()
{
    // A 32 MiB table with erases 4 KiB (20h), 32 KiB (52h), 64 KiB (D8h), and its 16th double
    // word's ways into 4-byte addressing; with or without the 4-byte table (21h, DCh).
    QTest::addColumn<quint32>("enter");
    QTest::addColumn<bool>("fourByteTable");
    QTest::addColumn<QString>("chip"); // addressing enter read program; erase opcodes
    QTest::newRow("B7") << 0x01u << false << "2 1 3 2; 20 52 d8";
    QTest::newRow("06 then B7") << 0x02u << false << "2 2 3 2; 20 52 d8";
    QTest::newRow("always 4-byte") << 0x40u << false << "2 0 3 2; 20 52 d8";
    QTest::newRow("own commands") << 0x21u << false << "1 0 13 12; 21 dc";
    QTest::newRow("own commands, their table") << 0x01u << true << "1 0 13 12; 21 dc";
}

void TestFlashChips::fourByteEntry()
{
    QFETCH(quint32, enter);
    QFETCH(bool, fourByteTable);
    Sfdp sfdp;
    QVERIFY(sfdp.parseBasic(dwords({0xFFFB20E5, 0x0FFFFFFF, 0, 0, 0, 0, 0, 0x520F200C, 0xFF00D810,
                                    0, 0, 0, 0, 0, 0, enter << 24})));
    if (fourByteTable)
        sfdp.parseFourByte(dwords({0xFFFF0A41, 0xFFDCFF21}));
    FlashChip made;
    made.takeSfdp(sfdp, nullptr);
    QStringList erases;
    for (const FlashErase &erase : made.erases)
        erases << QString::number(erase.opcode, 16);
    QTEST(QStringLiteral("%1 %2 %3 %4; %5")
              .arg(int(made.addressing))
              .arg(int(made.enter))
              .arg(made.readOpcode, 0, 16)
              .arg(made.programOpcode, 0, 16)
              .arg(erases.join(' ')),
          "chip");
}

QTEST_GUILESS_MAIN(TestFlashChips)
#include "tst_flashchips.moc"
