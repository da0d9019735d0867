// Any text in the write boxes: parsing and converting never fail, the program's own hex text
// reads back as the bytes it came from, and the token reader agrees with QString's conversion
// of each token, which defines what a token means.

#include "transfer/bytetext.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace
{

QByteArray referenceParse(const QString &text, HexConversion conversion)
{
    QByteArray bytes;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const uint value = conversion == HexConversion::Unsigned
                               ? token.toUInt(nullptr, 16)
                               : static_cast<uint>(token.toInt(nullptr, 16));
        bytes.append(static_cast<char>(value & 0xFF));
    }
    return bytes;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QString text = QString::fromUtf8(raw);
    for (HexConversion conversion : {HexConversion::Signed, HexConversion::Unsigned}) {
        check(parseHexBytes(text, conversion) == referenceParse(text, conversion));
        check(collectWriteBytes(text, true, conversion) == parseHexBytes(text, conversion));
    }
    check(collectWriteBytes(text, false, HexConversion::Signed) == plainTextBytes(text));

    QString plain = QStringLiteral("unchanged");
    const int illegal = findIllegalHexCharacter(text);
    check(illegal >= -1 && illegal < text.size());
    if (hexToPlainText(text, &plain))
        check(illegal == -1 &&
              plain == decodeUntilZero(parseHexBytes(text, HexConversion::Signed)));
    else
        check(illegal >= 0 && plain == QStringLiteral("unchanged"));

    check(parseHexBytes(formatHexBytes(raw), HexConversion::Signed) == raw);
    const QString hex = plainToHexText(text);
    check(hex.size() == 3 * text.size() && findIllegalHexCharacter(hex) == -1);
    check(parseHexBytes(hex, HexConversion::Unsigned) == plainTextBytes(text));
    check(renderTrafficData(raw.constData(), raw.size(), true) == formatHexBytes(raw));
    check(renderTrafficData(raw.constData(), raw.size(), false) == decodeUntilZero(raw));
    return 0;
}
