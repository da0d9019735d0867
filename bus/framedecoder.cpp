#include "bus/framedecoder.h"

#include "bus/flashchips.h"
#include "bus/flashcommands.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace
{

// The notes are shown to the user: a translation may word them otherwise. The context of these
// texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FrameDecoder)
};

// The bytes the master wrote from `from` on (filler excluded).
QByteArray written(const SpiFrame &frame, int from)
{
    return from < frame.written ? frame.mosi.mid(from, frame.written - from) : QByteArray();
}

// The bytes read while the bytes from `from` on were clocked: what the chip answered after
// the first `from` bytes of the assertion.
QByteArray answered(const SpiFrame &frame, int from)
{
    const int begin = std::max(from, frame.readFrom);
    const int end = frame.readFrom + frame.read;
    return begin < end ? frame.miso.mid(begin, end - begin) : QByteArray();
}

QString hex(const QByteArray &bytes)
{
    QStringList parts;
    for (const char byte : bytes)
        parts << QStringLiteral("%1").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

QString sizeText(quint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString statusBits(quint8 status)
{
    return QStringLiteral("BUSY=%1 WEL=%2")
        .arg(status & FlashStatus::Busy ? 1 : 0)
        .arg(status & FlashStatus::WriteEnabled ? 1 : 0);
}

struct AddressedCommand {
    quint8 opcode;
    int addressBytes;
    int dummyBytes;
    const char *name;
    enum { Reads, Writes, Erases } kind;
    quint32 eraseSize; // for erases; 0: the whole chip
};

const AddressedCommand addressed[] = {
    {FlashCommand::Read, 3, 0, "read", AddressedCommand::Reads, 0},
    {FlashCommand::FastRead, 3, 1, "fast read", AddressedCommand::Reads, 0},
    {FlashCommand::Read4, 4, 0, "read", AddressedCommand::Reads, 0},
    {FlashCommand::FastRead4, 4, 1, "fast read", AddressedCommand::Reads, 0},
    {FlashCommand::ReadSfdp, 3, 1, "read SFDP", AddressedCommand::Reads, 0},
    {FlashCommand::PageProgram, 3, 0, "page program", AddressedCommand::Writes, 0},
    {FlashCommand::PageProgram4, 4, 0, "page program", AddressedCommand::Writes, 0},
    {FlashCommand::SectorErase4K, 3, 0, "sector erase", AddressedCommand::Erases, 4096},
    {FlashCommand::SectorErase4K4, 4, 0, "sector erase", AddressedCommand::Erases, 4096},
    {FlashCommand::BlockErase32K, 3, 0, "block erase", AddressedCommand::Erases, 32768},
    {FlashCommand::BlockErase32K4, 4, 0, "block erase", AddressedCommand::Erases, 32768},
    {FlashCommand::BlockErase64K, 3, 0, "block erase", AddressedCommand::Erases, 65536},
    {FlashCommand::BlockErase64K4, 4, 0, "block erase", AddressedCommand::Erases, 65536},
};

} // namespace

QString FrameDecoder::annotate(Kind kind, const SpiFrame &frame)
{
    switch (kind) {
    case Kind::Flash:
        return flash(frame);
    case Kind::Registers:
        return registers(frame);
    case Kind::None:
        break;
    }
    return QString();
}

const FlashChipInfo *FrameDecoder::identifiedChip(const SpiFrame &frame)
{
    const QByteArray id = answered(frame, 1);
    if (frame.written < 1 || quint8(frame.mosi[0]) != FlashCommand::ReadJedecId || id.size() < 3)
        return nullptr;
    return findFlashChip(quint8(id[0]), quint8(id[1]), quint8(id[2]));
}

QString FrameDecoder::flash(const SpiFrame &frame)
{
    if (frame.written < 1)
        return QString();
    const quint8 opcode = quint8(frame.mosi[0]);
    using namespace FlashCommand;
    switch (opcode) {
    case ReadJedecId: {
        const QByteArray id = answered(frame, 1).left(3);
        if (id.isEmpty())
            return Text::tr("JEDEC ID (not read)");
        QString text = Text::tr("JEDEC ID: ") + hex(id);
        if (const char *maker = jedecManufacturerName(quint8(id[0])))
            text += QStringLiteral(", ") + QLatin1String(maker);
        if (id.size() == 3)
            if (const quint64 size = flashSizeFromCapacity(quint8(id[2])))
                text += QStringLiteral(", ") + sizeText(size);
        return text;
    }
    case ReadStatus1: {
        const QByteArray status = answered(frame, 1);
        if (status.isEmpty())
            return Text::tr("status (not read)");
        QString text = Text::tr("status: ") + statusBits(quint8(status[0]));
        // Polling: what the last byte said, when it changed.
        if (statusBits(quint8(status.back())) != statusBits(quint8(status[0])))
            text += QStringLiteral(" \u2026 ") + statusBits(quint8(status.back()));
        return text;
    }
    case ReadStatus2: {
        const QByteArray status = answered(frame, 1);
        return status.isEmpty() ? Text::tr("status 2 (not read)")
                                : Text::tr("status 2: ") + hex(status.left(1));
    }
    case WriteStatus:
        return Text::tr("write status: ") + hex(written(frame, 1));
    case WriteEnable:
        return Text::tr("write enable");
    case WriteDisable:
        return Text::tr("write disable");
    case ChipErase:
    case ChipEraseAlt:
        return Text::tr("chip erase");
    case ReleasePowerDown:
        return Text::tr("release power-down");
    case PowerDown:
        return Text::tr("power-down");
    case Enter4ByteMode:
        return Text::tr("4-byte addresses");
    case Exit4ByteMode:
        return Text::tr("3-byte addresses");
    case ResetEnable:
        return Text::tr("reset enable");
    case Reset:
        return Text::tr("reset");
    default:
        break;
    }
    for (const AddressedCommand &command : addressed) {
        if (command.opcode != opcode)
            continue;
        const QByteArray address = written(frame, 1).left(command.addressBytes);
        if (address.size() < command.addressBytes)
            return Text::tr("%1: address cut short").arg(QLatin1String(command.name));
        quint32 value = 0;
        for (const char byte : address)
            value = value << 8 | quint8(byte);
        const QString where = QStringLiteral("%1")
                                  .arg(value, command.addressBytes * 2, 16, QLatin1Char('0'))
                                  .toUpper() +
                              QLatin1Char('h');
        const int header = 1 + command.addressBytes + command.dummyBytes;
        switch (command.kind) {
        case AddressedCommand::Reads:
            return Text::tr("%1 %2, %3 bytes")
                .arg(QLatin1String(command.name), where)
                .arg(answered(frame, header).size());
        case AddressedCommand::Writes:
            return Text::tr("%1 %2, %3 bytes")
                .arg(QLatin1String(command.name), where)
                .arg(written(frame, header).size());
        case AddressedCommand::Erases:
            return Text::tr("%1 %2 (%3)")
                .arg(QLatin1String(command.name), where, sizeText(command.eraseSize));
        }
    }
    return Text::tr("command %1h").arg(hex(frame.mosi.left(1)));
}

QString FrameDecoder::registers(const SpiFrame &frame)
{
    if (frame.written < 1)
        return QString();
    const quint8 first = quint8(frame.mosi[0]);
    const int address = first & 0x7F;
    const bool read = first & 0x80;
    const QByteArray data = read ? answered(frame, 1) : written(frame, 1);
    const auto name = [](int value) {
        return QStringLiteral("%1").arg(value & 0x7F, 2, 16, QLatin1Char('0')).toUpper() +
               QLatin1Char('h');
    };
    QString where = name(address);
    if (data.size() > 1)
        where += QStringLiteral("\u2013") + name(address + data.size() - 1);
    if (data.isEmpty())
        return read ? Text::tr("read %1 (nothing read)").arg(where)
                    : Text::tr("address %1").arg(where);
    return Text::tr("%1 %2 %3 %4")
        .arg(QLatin1String(read ? "read" : "write"), where,
             QString(read ? QChar(0x2192) : QChar(0x2190)), hex(data));
}
