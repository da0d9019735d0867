#pragma once
// A flash chip as the engine found it: its id, where its geometry came from (its SFDP tables,
// the built-in table, or a size the user gave), the commands it takes for the addressing in
// use, how long it may stay busy, and how its status register protects it.

#include "bus/flashchips.h"

class Sfdp;

#include <QByteArray>
#include <QString>
#include <QVector>

// One erase the engine may use on this chip: the opcode fits the addressing in use.
struct FlashErase {
    quint32 size = 0;
    quint8 opcode = 0;
    qint64 maxUs = 0; // the longest the chip may stay busy with it
};

struct FlashChip {
    enum class Source { None, Sfdp, Table, Assumed };
    // How the chip leaves 3-byte addressing, when it has to.
    enum class Enter { None, B7, WriteEnableB7 };

    QByteArray jedecId; // the three bytes of 9F
    QString manufacturer;
    QString part; // from the built-in table; empty when it has no row
    Source source = Source::None;
    quint64 size = 0; // 0: unknown
    int pageSize = 256;
    QVector<FlashErase> erases; // smallest first
    FlashAddressing addressing = FlashAddressing::ThreeByte;
    Enter enter = Enter::None;
    quint8 readOpcode = 0x03, programOpcode = 0x02;
    FlashProtection protection = FlashProtection::Unknown;
    qint64 pageProgramMaxUs = 0;
    qint64 chipEraseMaxUs = 0;
    qint64 writeStatusMaxUs = 200000;

    bool known() const { return size > 0; }
    int addressBytes() const { return addressing == FlashAddressing::ThreeByte ? 3 : 4; }
    // A command with the address in as many bytes as the addressing takes.
    QByteArray command(quint8 opcode, quint64 address) const;

    // The geometry of the built-in table's row, with the opcodes for its addressing.
    void takeRow(const FlashChipInfo &row);
    // The geometry of the SFDP tables; `row`, if the built-in table has one for the id, fills
    // in what they leave open and makes the busy times no shorter than its own.
    void takeSfdp(const Sfdp &sfdp, const FlashChipInfo *row);
    // Bounds for times neither the SFDP tables nor a row gave.
    void fillMissingTimes();

    // Status register 1's bits that protect parts of the chip under this chip's layout.
    quint8 protectionMask() const;
    // The bytes [first, second) that status register 1 `status` protects; empty when none.
    QPair<quint64, quint64> protectedRange(quint8 status) const;
    // The names of the protection bits (and SRWD) set in `status`: "BP0 BP2 TB".
    QString protectionBits(quint8 status) const;

    // One line for the user: maker, part, size, page, erase sizes and where they came from.
    QString summary() const;
};

// "2 MiB", "64 KiB", "300 B".
QString flashSizeText(quint64 bytes);
