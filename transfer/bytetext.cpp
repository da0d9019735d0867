// Conversions between bytes and the texts of the write boxes and the traffic log.

#include "transfer/bytetext.h"

#include <cstring>

namespace
{

int hexDigit(ushort c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// What a token reads as: whether it converts at all, and its value when it does.
struct TokenValue {
    bool converts;
    qint64 value;
};

// Hex box texts run to millions of tokens: they are read in place, without a string per token.
// Almost every token is a few plain hex digits and is converted here; anything else (a sign,
// a "0x", a line feed, a token too long for 32 bits) goes to QString's conversion, whose rules
// decide what such a token means.
TokenValue tokenValue(const QChar *token, int length, HexConversion conversion, const QString &text,
                      int position)
{
    // Seven digits fit both conversions; eight only the unsigned one.
    if (length <= (conversion == HexConversion::Unsigned ? 8 : 7)) {
        uint value = 0;
        int i = 0;
        for (; i < length; ++i) {
            const int digit = hexDigit(token[i].unicode());
            if (digit < 0)
                break;
            value = value << 4 | static_cast<uint>(digit);
        }
        if (i == length)
            return {true, value};
    }
    const QString unusual = text.mid(position, length);
    bool converts = false;
    const qint64 value = conversion == HexConversion::Unsigned
                             ? qint64(unusual.toUInt(&converts, 16))
                             : qint64(unusual.toInt(&converts, 16));
    return {converts, converts ? value : 0};
}

// The low 8 bits; a token that does not convert gives 0 from both conversions.
char tokenByte(TokenValue token)
{
    return static_cast<char>(static_cast<quint64>(token.value) & 0xFF);
}

// Calls visit(position, length) for every blank-separated token of `text`.
template <typename Visit> void forEachToken(const QString &text, Visit visit)
{
    const QChar *chars = text.constData();
    const int size = text.size();
    int at = 0;
    while (at < size) {
        if (chars[at] == QLatin1Char(' ')) {
            ++at;
            continue;
        }
        int end = at;
        while (end < size && chars[end] != QLatin1Char(' '))
            ++end;
        visit(at, end - at);
        at = end;
    }
}

} // namespace

QByteArray parseHexBytes(const QString &text, HexConversion conversion)
{
    QByteArray bytes;
    // At most one byte per two characters (a digit and its blank), plus the last token.
    bytes.reserve(text.size() / 2 + 1);
    const QChar *chars = text.constData();
    forEachToken(text, [&](int at, int length) {
        bytes.append(tokenByte(tokenValue(chars + at, length, conversion, text, at)));
    });
    return bytes;
}

QVector<HexTokenIssue> findHexTokenIssues(const QString &text, HexConversion conversion)
{
    QVector<HexTokenIssue> issues;
    const QChar *chars = text.constData();
    int index = 0;
    forEachToken(text, [&](int at, int length) {
        const TokenValue token = tokenValue(chars + at, length, conversion, text, at);
        if (!token.converts)
            issues.append({index, at, length, 0, HexTokenIssue::Kind::NotANumber});
        else if (token.value < 0 || token.value > 0xFF)
            issues.append({index, at, length, tokenByte(token), HexTokenIssue::Kind::TooWide});
        ++index;
    });
    return issues;
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
    const QChar *chars = text.constData();
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = chars[i].unicode();
        if (hexDigit(c) < 0 && c != '\n' && c != '\r' && c != ' ' && c != '*')
            return i;
    }
    return -1;
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
