// The chip's commands for its addressing, its protection layouts and its summary.

#include "flash/flashchip.h"

#include "bus/flashcommands.h"
#include "flash/sfdp.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FlashChip)
};

} // namespace

QByteArray FlashChip::command(quint8 opcode, quint64 address) const
{
    QByteArray bytes(1, static_cast<char>(opcode));
    for (int shift = 8 * (addressBytes() - 1); shift >= 0; shift -= 8)
        bytes.append(static_cast<char>(address >> shift));
    return bytes;
}

void FlashChip::takeRow(const FlashChipInfo &row)
{
    size = row.size;
    pageSize = row.pageSize;
    addressing = row.addressing;
    enter = addressing == FlashAddressing::FourByteMode ? Enter::B7 : Enter::None;
    const bool fourByteOpcodes = addressing == FlashAddressing::FourByteOpcodes;
    readOpcode = fourByteOpcodes ? FlashCommand::Read4 : FlashCommand::Read;
    programOpcode = fourByteOpcodes ? FlashCommand::PageProgram4 : FlashCommand::PageProgram;
    erases.clear();
    for (const FlashEraseType &type : row.erases) {
        const quint8 opcode = fourByteOpcodes ? type.opcode4 : type.opcode;
        if (type.size > 0 && opcode != 0)
            erases.append({type.size, opcode, qint64(type.maxMs) * 1000});
    }
    pageProgramMaxUs = row.pageProgramMaxUs;
    chipEraseMaxUs = qint64(row.chipEraseMaxMs) * 1000;
}

void FlashChip::takeSfdp(const Sfdp &sfdp, const FlashChipInfo *row)
{
    size = sfdp.size;
    pageSize = sfdp.pageSize > 0 ? sfdp.pageSize : row ? row->pageSize : 256;
    pageProgramMaxUs = std::max<qint64>(sfdp.pageProgramMaxUs, row ? row->pageProgramMaxUs : 0);
    chipEraseMaxUs =
        std::max<qint64>(sfdp.chipEraseMaxUs, row ? qint64(row->chipEraseMaxMs) * 1000 : 0);

    // Above 16 MiB (or on a chip that only takes 4-byte addresses): the chip's own 4-byte
    // commands where it has them, else the mode B7 enters.
    const int enter = sfdp.enterMethods;
    addressing = FlashAddressing::ThreeByte;
    this->enter = Enter::None;
    if (size > 16 * 1024 * 1024 || sfdp.addressModes == 2) {
        addressing = FlashAddressing::FourByteMode;
        if ((sfdp.fourByteTable && sfdp.read4 && sfdp.program4) || (enter >= 0 && enter & 0x20))
            addressing = FlashAddressing::FourByteOpcodes;
        else if (enter < 0 && row)
            addressing = row->addressing;
        if (addressing == FlashAddressing::FourByteMode && sfdp.addressModes != 2 &&
            !(enter >= 0 && enter & 0x40))
            this->enter =
                enter >= 0 && !(enter & 0x01) && (enter & 0x02) ? Enter::WriteEnableB7 : Enter::B7;
    }
    const bool fourByteOpcodes = addressing == FlashAddressing::FourByteOpcodes;
    readOpcode = fourByteOpcodes ? FlashCommand::Read4 : FlashCommand::Read;
    programOpcode = fourByteOpcodes ? FlashCommand::PageProgram4 : FlashCommand::PageProgram;

    erases.clear();
    for (const Sfdp::EraseType &type : sfdp.erases) {
        const FlashEraseType *known = nullptr;
        for (int i = 0; row && i < 3; ++i)
            if (row->erases[i].size == type.size && row->erases[i].opcode == type.opcode)
                known = &row->erases[i];
        quint8 opcode = type.opcode;
        if (fourByteOpcodes) {
            // The 4-byte table names them; without it the row does, else only the two that
            // every chip with 4-byte commands has.
            opcode = sfdp.fourByteTable                           ? type.opcode4
                     : known                                      ? known->opcode4
                     : type.opcode == FlashCommand::SectorErase4K ? FlashCommand::SectorErase4K4
                     : type.opcode == FlashCommand::BlockErase64K ? FlashCommand::BlockErase64K4
                                                                  : 0;
        }
        if (opcode != 0)
            erases.append({type.size, opcode,
                           std::max<qint64>(type.maxUs, known ? qint64(known->maxMs) * 1000 : 0)});
    }
}

void FlashChip::fillMissingTimes()
{
    // Generous: a good chip must never run into them; they only end the wait for a dead one.
    if (pageProgramMaxUs <= 0)
        pageProgramMaxUs = 10000;
    for (FlashErase &erase : erases)
        if (erase.maxUs <= 0)
            erase.maxUs = std::max<qint64>(1000000, qint64(erase.size) / 65536 * 4000000);
    if (chipEraseMaxUs <= 0)
        chipEraseMaxUs = std::max<qint64>(30000000, qint64(size / (1024 * 1024)) * 8000000);
}

quint8 FlashChip::protectionMask() const
{
    return protection == FlashProtection::Unknown ? 0x3C : 0x7C;
}

QPair<quint64, quint64> FlashChip::protectedRange(quint8 status) const
{
    switch (protection) {
    case FlashProtection::Unknown:
        // The layouts differ too much to tell: any BP bit may protect anything.
        return status & 0x3C ? qMakePair(quint64(0), size) : qMakePair(quint64(0), quint64(0));
    case FlashProtection::BpTbSec:
    case FlashProtection::Bp3Tb:
        break;
    }
    // BP counts units from the top (TB: the bottom), doubling until they cover the chip: 64 KiB
    // or a 64th of the chip, whichever is more; with SEC 4 KiB doubling up to 32 KiB.
    const bool fourBits = protection == FlashProtection::Bp3Tb;
    const quint32 bp = status >> 2 & (fourBits ? 0x0F : 0x07);
    const bool bottom = status & (fourBits ? 0x40 : 0x20);
    const bool sector = !fourBits && (status & 0x40);
    if (bp == 0)
        return qMakePair(quint64(0), quint64(0));
    quint64 length;
    if (sector && bp <= 5)
        length = quint64(4096) << std::min<quint32>(bp - 1, 3);
    else
        length = (fourBits ? quint64(65536) : std::max<quint64>(65536, size / 64)) << (bp - 1);
    if (length >= size)
        return qMakePair(quint64(0), size);
    return bottom ? qMakePair(quint64(0), length) : qMakePair(size - length, size);
}

QString FlashChip::protectionBits(quint8 status) const
{
    static const char *const bpTbSec[] = {"BP0", "BP1", "BP2", "TB", "SEC"};
    static const char *const bp3Tb[] = {"BP0", "BP1", "BP2", "BP3", "TB"};
    const char *const *names = protection == FlashProtection::BpTbSec ? bpTbSec : bp3Tb;
    QStringList set;
    for (int bit = 2; bit <= 6; ++bit)
        if ((protectionMask() & status) & (1 << bit))
            set << QLatin1String(names[bit - 2]);
    if (status & FlashStatus::StatusWriteDisable)
        set << QStringLiteral("SRWD");
    return set.join(QLatin1Char(' '));
}

QString flashSizeText(quint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 B").arg(bytes);
}

QString FlashChip::summary() const
{
    const QString id = QString::fromLatin1(jedecId.toHex(' ').toUpper());
    const QString maker = manufacturer.isEmpty() ? Text::tr("未知厂商") : manufacturer;
    const QString name = part.isEmpty() ? maker : maker + QLatin1Char(' ') + part;
    if (!known())
        return Text::tr("JEDEC ID %1，%2，容量未知").arg(id, name);
    QStringList sizes;
    for (const FlashErase &erase : erases)
        sizes << flashSizeText(erase.size);
    const QString from = source == Source::Sfdp    ? Text::tr("SFDP")
                         : source == Source::Table ? Text::tr("内置芯片表")
                                                   : Text::tr("指定容量");
    return Text::tr("JEDEC ID %1，%2，%3，页 %4 字节，擦除 %5（%6）")
        .arg(id, name, flashSizeText(size))
        .arg(pageSize)
        .arg(sizes.isEmpty() ? Text::tr("仅整片") : sizes.join(QLatin1Char('/')), from);
}
