#include "transfer/logpattern.h"

#include <QStringList>

#include <cstring>

namespace
{

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool LogPattern::fromHex(const QString &text, LogPattern *pattern)
{
    LogPattern made;
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (token.compare(QLatin1String("XX"), Qt::CaseInsensitive) == 0) {
            made.bytes.append('\0');
            made.kinds.append(AnyByte);
            continue;
        }
        if (token.size() != 2 || hexDigit(token[0]) < 0 || hexDigit(token[1]) < 0)
            return false;
        made.bytes.append(static_cast<char>(hexDigit(token[0]) * 16 + hexDigit(token[1])));
        made.kinds.append(Exact);
    }
    if (made.isEmpty())
        return false;
    *pattern = made;
    return true;
}

LogPattern LogPattern::fromText(const QString &text)
{
    LogPattern made;
    made.bytes = text.toUtf8();
    made.kinds.fill(Exact, made.bytes.size());
    for (int i = 0; i < made.bytes.size(); ++i) {
        const char c = made.bytes[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            made.bytes[i] = lower(c);
            made.kinds[i] = EitherCase;
        }
    }
    return made;
}

bool LogPattern::matches(const char *data, int length) const
{
    const int size = bytes.size();
    if (size == 0 || size > length)
        return false;
    const char *want = bytes.constData();
    const char *kind = kinds.constData();
    const int last = length - size;
    for (int start = 0; start <= last; ++start) {
        // The first byte decides most starts; memchr skips to candidates when it is exact.
        if (kind[0] == Exact) {
            const void *hit =
                std::memchr(data + start, want[0], static_cast<size_t>(last - start + 1));
            if (!hit)
                return false;
            start = static_cast<int>(static_cast<const char *>(hit) - data);
        }
        int i = 0;
        for (; i < size; ++i) {
            const char c = data[start + i];
            if (kind[i] == AnyByte || (kind[i] == Exact ? c == want[i] : lower(c) == want[i]))
                continue;
            break;
        }
        if (i == size)
            return true;
    }
    return false;
}
