#include "transfer/bytetext.h"

#include <QRegExp>
#include <QStringList>

#include <cstring>

QByteArray parseHexBytes(const QString &text, HexConversion conversion)
{
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QByteArray bytes;
    bytes.reserve(tokens.size());
    for (const QString &token : tokens) {
        // A token that does not convert gives 0 from both conversions.
        const uint value = conversion == HexConversion::Unsigned
                               ? token.toUInt(nullptr, 16)
                               : static_cast<uint>(token.toInt(nullptr, 16));
        bytes.append(static_cast<char>(value & 0xFF));
    }
    return bytes;
}

QString formatHexBytes(const char *data, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    if (length <= 0)
        return QString();
    QString text(length * 3, QLatin1Char(' '));
    QChar *out = text.data();
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[3 * i] = QLatin1Char(digits[byte >> 4]);
        out[3 * i + 1] = QLatin1Char(digits[byte & 0x0F]);
    }
    return text;
}

QByteArray plainTextBytes(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text.at(i).unicode() & 0xFF);
    return bytes;
}

QByteArray collectWriteBytes(const QString &plainText, bool hexMode, HexConversion conversion)
{
    return hexMode ? parseHexBytes(plainText, conversion) : plainTextBytes(plainText);
}

int findIllegalHexCharacter(const QString &text)
{
    static const QRegExp illegal(QStringLiteral("[^A-Fa-f0-9\n\r *]"));
    return illegal.indexIn(text);
}

QString decodeUntilZero(const char *data, int length)
{
    if (length <= 0)
        return QString();
    const void *zero = std::memchr(data, 0, static_cast<size_t>(length));
    const int used = zero ? static_cast<int>(static_cast<const char *>(zero) - data) : length;
    return QString::fromUtf8(data, used);
}

QString plainToHexText(const QString &plain)
{
    return formatHexBytes(plainTextBytes(plain));
}

bool hexToPlainText(const QString &hex, QString *plain)
{
    if (findIllegalHexCharacter(hex) >= 0)
        return false;
    *plain = decodeUntilZero(parseHexBytes(hex, HexConversion::Signed));
    return true;
}

QString renderTrafficData(const char *data, int length, bool hex)
{
    return hex ? formatHexBytes(data, length) : decodeUntilZero(data, length);
}
