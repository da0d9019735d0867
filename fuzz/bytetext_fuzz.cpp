// Any text in the write boxes: parsing and converting never fail, the program's own hex text
// reads back as the bytes it came from, and the token reader agrees with QString's conversion
// of each token, which defines what a token means, also for the tokens it names as not sent as
// written.

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

// The tokens that do not convert, or convert to a number outside 00h..FFh, as "index:byte".
QStringList referenceIssues(const QString &text, HexConversion conversion)
{
    QStringList issues;
    int index = 0;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool converts = false;
        const qint64 value = conversion == HexConversion::Unsigned
                                 ? qint64(token.toUInt(&converts, 16))
                                 : qint64(token.toInt(&converts, 16));
        if (!converts || value < 0 || value > 0xFF)
            issues.append(QStringLiteral("%1:%2").arg(index).arg(converts ? value & 0xFF : 0));
        ++index;
    }
    return issues;
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
        QStringList issues;
        for (const HexTokenIssue &issue : findHexTokenIssues(text, conversion)) {
            check(text.mid(issue.position, issue.length).indexOf(QLatin1Char(' ')) < 0 &&
                  issue.length > 0);
            issues.append(QStringLiteral("%1:%2").arg(issue.index).arg(uint(uchar(issue.byte))));
        }
        check(issues == referenceIssues(text, conversion));
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
