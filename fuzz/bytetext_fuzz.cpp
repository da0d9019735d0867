// Any text in the write boxes: parsing and converting never fail, and the program's own hex
// text reads back as the bytes it came from.

#include "transfer/bytetext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QString text = QString::fromUtf8(raw);
    for (HexConversion conversion : {HexConversion::Signed, HexConversion::Unsigned})
        parseHexBytes(text, conversion);
    QString plain;
    hexToPlainText(text, &plain);
    if (parseHexBytes(formatHexBytes(raw), HexConversion::Signed) != raw)
        std::abort();
    if (parseHexBytes(plainToHexText(text), HexConversion::Unsigned) != plainTextBytes(text))
        std::abort();
    renderTrafficData(raw.constData(), raw.size(), false);
    return 0;
}
