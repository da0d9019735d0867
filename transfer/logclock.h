#pragma once
// The log's times as people read them: the monotonic microseconds a transfer started at,
// turned into local wall-clock time. Formatting is by hand with the time zone's offset looked
// up once per quarter of an hour, because exports write a time for every one of millions of
// entries and QDateTime would cost more than the rest of a line.

#include <QByteArray>
#include <QString>

class LogClock
{
public:
    // Wall-clock microseconds since the epoch are monotonic microseconds plus `offsetUs`.
    explicit LogClock(qint64 offsetUs = 0) : offset(offsetUs) {}

    // "hh:mm:ss.uuuuuu", local time.
    void appendTimeOfDay(QByteArray &out, qint64 steadyUs) const;
    // "YYYY-MM-DDThh:mm:ss.uuuuuu+hh:mm", local time with its offset from UTC.
    void appendIso(QByteArray &out, qint64 steadyUs) const;
    // "+215µs"
    static void appendDuration(QByteArray &out, qint64 durationUs);
    // The time column's text: "12:34:56.123456 +215µs".
    QString columnText(qint64 steadyUs, qint64 durationUs) const;

    static void appendNumber(QByteArray &out, qint64 value);

private:
    // Local microseconds since the epoch, and the zone's offset in seconds.
    qint64 local(qint64 steadyUs, int *offsetSeconds) const;

    qint64 offset;
    mutable qint64 cachedQuarter = -1;
    mutable int cachedOffset = 0;
};
