#include "transfer/logclock.h"

#include <QDateTime>

namespace
{

constexpr qint64 QuarterUs = 15 * 60 * qint64(1000000);
constexpr qint64 DayUs = 86400 * qint64(1000000);

qint64 floorDiv(qint64 value, qint64 by)
{
    return value / by - (value % by < 0 ? 1 : 0);
}

void appendDigits(QByteArray &out, qint64 value, int digits)
{
    char text[24];
    for (int i = digits - 1; i >= 0; --i) {
        text[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(text, digits);
}

// The proleptic Gregorian date of a day number (days since 1970-01-01).
void civilFromDays(qint64 days, qint64 *year, int *month, int *day)
{
    days += 719468;
    const qint64 era = floorDiv(days, 146097);
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthIndex = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

} // namespace

qint64 LogClock::local(qint64 steadyUs, int *offsetSeconds) const
{
    const qint64 wall = steadyUs + offset;
    const qint64 quarter = floorDiv(wall, QuarterUs);
    if (quarter != cachedQuarter) {
        cachedQuarter = quarter;
        cachedOffset = QDateTime::fromMSecsSinceEpoch(floorDiv(wall, 1000)).offsetFromUtc();
    }
    *offsetSeconds = cachedOffset;
    return wall + qint64(cachedOffset) * 1000000;
}

void LogClock::appendTimeOfDay(QByteArray &out, qint64 steadyUs) const
{
    int zone = 0;
    const qint64 localUs = local(steadyUs, &zone);
    const qint64 us = localUs - floorDiv(localUs, DayUs) * DayUs;
    const qint64 seconds = us / 1000000;
    appendDigits(out, seconds / 3600, 2);
    out.append(':');
    appendDigits(out, seconds / 60 % 60, 2);
    out.append(':');
    appendDigits(out, seconds % 60, 2);
    out.append('.');
    appendDigits(out, us % 1000000, 6);
}

void LogClock::appendIso(QByteArray &out, qint64 steadyUs) const
{
    int zone = 0;
    const qint64 localUs = local(steadyUs, &zone);
    qint64 year = 0;
    int month = 0, day = 0;
    civilFromDays(floorDiv(localUs, DayUs), &year, &month, &day);
    appendDigits(out, year, 4);
    out.append('-');
    appendDigits(out, month, 2);
    out.append('-');
    appendDigits(out, day, 2);
    out.append('T');
    appendTimeOfDay(out, steadyUs);
    out.append(zone < 0 ? '-' : '+');
    zone = zone < 0 ? -zone : zone;
    appendDigits(out, zone / 3600, 2);
    out.append(':');
    appendDigits(out, zone / 60 % 60, 2);
}

void LogClock::appendNumber(QByteArray &out, qint64 value)
{
    if (value < 0) {
        out.append('-');
        value = -value;
    }
    char text[24];
    int n = 0;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        out.append(text[--n]);
}

void LogClock::appendDuration(QByteArray &out, qint64 durationUs)
{
    out.append('+');
    appendNumber(out, durationUs);
    out.append("\xC2\xB5s");
}

QString LogClock::columnText(qint64 steadyUs, qint64 durationUs) const
{
    QByteArray text;
    appendTimeOfDay(text, steadyUs);
    text.append(' ');
    appendDuration(text, durationUs);
    return QString::fromUtf8(text);
}
