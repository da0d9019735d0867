// Parsing the SFDP header and tables.

#include "flash/sfdp.h"

#include <algorithm>

namespace
{

quint32 dword(const QByteArray &table, int index) // index from 1, as JESD216 counts them
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(table.at(4 * (index - 1) + i));
    return value;
}

} // namespace

bool Sfdp::hasSignature(const QByteArray &start)
{
    return start.startsWith("SFDP");
}

Sfdp::Location Sfdp::find(const QByteArray &start, quint16 id)
{
    if (start.size() < 16)
        return Location();
    const int headers = std::min<int>(quint8(start.at(6)) + 1, (start.size() - 8) / 8);
    for (int i = 0; i < headers; ++i) {
        const char *header = start.constData() + 8 * (i + 1);
        if ((quint8(header[7]) << 8 | quint8(header[0])) != id)
            continue;
        Location found;
        found.address = quint32(quint8(header[4])) | quint32(quint8(header[5])) << 8 |
                        quint32(quint8(header[6])) << 16;
        found.bytes = 4 * quint8(header[3]);
        return found;
    }
    return Location();
}

bool Sfdp::parseBasic(const QByteArray &table)
{
    const int dwords = table.size() / 4;
    if (dwords < 9)
        return false;
    const quint32 first = dword(table, 1), density = dword(table, 2);
    // Bit 31 set: 2^N bits; else N + 1 bits.
    const quint64 bits =
        density & 0x80000000u
            ? ((density & 0x7FFFFFFF) < 40 ? quint64(1) << (density & 0x7FFFFFFF) : 0)
            : quint64(density) + 1;
    size = bits / 8;
    if (size < 1024)
        return false;
    addressModes = first >> 17 & 0x03;

    // Erase types 1 to 4: a size as a power of two and an opcode each; their typical times,
    // and the factor to the maximum, in the tenth double word.
    const quint32 types[2] = {dword(table, 8), dword(table, 9)};
    const quint32 times = dwords >= 10 ? dword(table, 10) : 0;
    const qint64 eraseUnitsUs[] = {1000, 16000, 128000, 1000000};
    const qint64 eraseFactor = 2 * ((times & 0x0F) + 1);
    erases.clear();
    for (int type = 0; type < 4; ++type) {
        const quint32 half = types[type / 2] >> (16 * (type % 2));
        const int exponent = half & 0xFF;
        if (exponent == 0 || exponent >= 32)
            continue;
        EraseType erase;
        erase.number = type + 1;
        erase.size = quint32(1) << exponent;
        erase.opcode = quint8(half >> 8);
        if (dwords >= 10) {
            const quint32 time = times >> (4 + 7 * type);
            erase.maxUs = eraseFactor * ((time & 0x1F) + 1) * eraseUnitsUs[time >> 5 & 0x03];
        }
        erases.append(erase);
    }
    // Older tables may name only the 4 KiB erase, in the first double word.
    if (erases.isEmpty() && (first & 0x03) == 0x01)
        erases.append({1, 4096, quint8(first >> 8), 0, 0});
    std::stable_sort(erases.begin(), erases.end(),
                     [](const EraseType &a, const EraseType &b) { return a.size < b.size; });

    if (dwords >= 11) {
        const quint32 program = dword(table, 11);
        pageSize = 1 << (program >> 4 & 0x0F);
        const qint64 programTypicalUs =
            ((program >> 8 & 0x1F) + 1) * (program & (1 << 13) ? 64 : 8);
        pageProgramMaxUs = 2 * ((program & 0x0F) + 1) * programTypicalUs;
        const qint64 chipUnitsUs[] = {16000, 256000, 4000000, 64000000};
        chipEraseMaxUs =
            eraseFactor * ((program >> 24 & 0x1F) + 1) * chipUnitsUs[program >> 29 & 0x03];
    }
    if (dwords >= 16)
        enterMethods = dword(table, 16) >> 24;
    return true;
}

void Sfdp::parseFourByte(const QByteArray &table)
{
    if (table.size() < 8)
        return;
    const quint32 support = dword(table, 1), opcodes = dword(table, 2);
    fourByteTable = true;
    read4 = support & 0x01;
    program4 = support & 0x40;
    // Erase type n is supported with a 4-byte address when bit 8 + n is set; its opcode is
    // byte n - 1 of the second double word.
    for (EraseType &erase : erases)
        if (support & (1u << (8 + erase.number)))
            erase.opcode4 = quint8(opcodes >> (8 * (erase.number - 1)));
}
