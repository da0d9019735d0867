#pragma once
// What a chip's SFDP tables (JESD216) say: the header at SFDP address 0 with its parameter
// headers, the basic flash parameter table (density, page size, erase types, their opcodes and
// times, 3- or 4-byte addresses and how to enter 4-byte addressing) and the 4-byte address
// instruction table. Parsed from bytes only; the engine reads them from the chip.

#include <QByteArray>
#include <QVector>

class Sfdp
{
public:
    // The header and this many parameter headers are read in one go from address 0.
    static constexpr int maxParameterHeaders = 16;
    static constexpr int startBytes = 8 * (1 + maxParameterHeaders);
    static constexpr quint16 basicId = 0xFF00, fourByteId = 0xFF84;

    struct Location {
        quint32 address = 0;
        int bytes = 0; // 0: no such table
    };
    // Whether the bytes at address 0 start with the signature "SFDP".
    static bool hasSignature(const QByteArray &start);
    // Where the table of parameter id `id` is, after the header's parameter headers.
    static Location find(const QByteArray &start, quint16 id);

    // Reads the basic table; false when it is too short or its density unusable.
    bool parseBasic(const QByteArray &table);
    // Reads the 4-byte address instruction table, after the basic table.
    void parseFourByte(const QByteArray &table);

    struct EraseType {
        int number = 0; // 1 to 4, as the basic table counts them
        quint32 size = 0;
        quint8 opcode = 0;
        quint8 opcode4 = 0; // from the 4-byte table; 0 when it has none
        qint64 maxUs = 0;   // 0: the table gives no time
    };
    quint64 size = 0;
    int pageSize = 0; // 0: the table gives none
    QVector<EraseType> erases;
    qint64 pageProgramMaxUs = 0, chipEraseMaxUs = 0;
    // Bits 18-17 of the first double word: 0 3-byte addresses only, 1 both, 2 4-byte only.
    int addressModes = 0;
    // Bits 31-24 of the 16th double word (how to enter 4-byte addressing); -1 without it.
    int enterMethods = -1;
    // From the 4-byte table: the chip reads (13h) and programs (12h) with 4-byte addresses.
    bool fourByteTable = false, read4 = false, program4 = false;
};
