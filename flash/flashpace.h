#pragma once
// How fast a flash job's phase goes and how long it has left, for the progress the window and
// kavris-run show: the rate is the phase's bytes so far over its time so far, the time left
// the bytes still to do at that rate.

#include "flash/flashjob.h"

#include <QString>

class FlashPace
{
public:
    // A progress report at `nowUs` (a monotonic clock): a new phase, or a phase that started
    // again with 0 done, starts the pace afresh.
    void update(FlashPhase phase, quint64 done, quint64 total, qint64 nowUs);

    FlashPhase phase() const { return current; }
    quint64 done() const { return bytesDone; }
    quint64 total() const { return bytesTotal; }
    // Per mille of the phase done.
    int permille() const;
    // Bytes a second; 0 until some time has passed with bytes done.
    double rate() const;
    // Milliseconds left at the rate so far; -1 while the rate is unknown.
    qint64 msLeft() const;

    // "擦除", "编程", ...
    static QString phaseName(FlashPhase phase);
    // "1.9 MiB/s", "512 KiB/s", "80 B/s".
    static QString rateText(double bytesPerSecond);
    // "3 秒", "2 分 05 秒".
    static QString durationText(qint64 ms);
    // "编程 45%，1.9 MiB/s，剩余 3 秒": the phase, how much of it is done, and the rate and time
    // left once they are known.
    QString text() const;

private:
    FlashPhase current = FlashPhase::Identify;
    bool started = false;
    quint64 bytesDone = 0, bytesTotal = 0;
    qint64 startUs = 0, lastUs = 0;
};
