#include "flash/flashnumber.h"

#include <algorithm>
#include <utility>

bool parseFlashNumber(const QString &text, quint64 *value)
{
    QString digits = text.trimmed().toLower();
    quint64 unit = 1;
    for (const auto &suffix : {std::make_pair("kib", 1024ULL), std::make_pair("mib", 1ULL << 20),
                               std::make_pair("k", 1024ULL), std::make_pair("m", 1ULL << 20)}) {
        if (digits.endsWith(QLatin1String(suffix.first))) {
            digits.chop(int(qstrlen(suffix.first)));
            unit = suffix.second;
            break;
        }
    }
    const bool hex = digits.startsWith(QLatin1String("0x"));
    if (hex)
        digits.remove(0, 2);
    // Only digits: toULongLong would also take signs and blanks.
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [hex](QChar c) {
            return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                   (hex && c >= QLatin1Char('a') && c <= QLatin1Char('f'));
        }))
        return false;
    bool ok = false;
    const quint64 number = digits.toULongLong(&ok, hex ? 16 : 10);
    if (!ok || number > ~0ULL / unit)
        return false;
    *value = number * unit;
    return true;
}
