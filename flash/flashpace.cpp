// The pace of a flash job's phase and its text.

#include "flash/flashpace.h"

#include <QCoreApplication>

#include <algorithm>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FlashPace)
};

} // namespace

void FlashPace::update(FlashPhase phase, quint64 done, quint64 total, qint64 nowUs)
{
    if (!started || phase != current || done == 0) {
        started = true;
        current = phase;
        startUs = nowUs;
    }
    bytesDone = done;
    bytesTotal = total;
    lastUs = nowUs;
}

int FlashPace::permille() const
{
    if (bytesTotal == 0)
        return 0;
    return int(std::min<quint64>(bytesDone, bytesTotal) * 1000 / bytesTotal);
}

double FlashPace::rate() const
{
    const qint64 elapsed = lastUs - startUs;
    if (elapsed <= 0 || bytesDone == 0)
        return 0;
    return double(bytesDone) * 1e6 / double(elapsed);
}

qint64 FlashPace::msLeft() const
{
    const double perSecond = rate();
    if (perSecond <= 0)
        return -1;
    const quint64 left = bytesTotal > bytesDone ? bytesTotal - bytesDone : 0;
    return qint64(double(left) * 1000.0 / perSecond + 0.5);
}

QString FlashPace::phaseName(FlashPhase phase)
{
    switch (phase) {
    case FlashPhase::Identify:
        return Text::tr("识别");
    case FlashPhase::Read:
        return Text::tr("读取");
    case FlashPhase::Compare:
        return Text::tr("比较");
    case FlashPhase::Unprotect:
        return Text::tr("解除保护");
    case FlashPhase::Erase:
        return Text::tr("擦除");
    case FlashPhase::Program:
        return Text::tr("编程");
    case FlashPhase::Verify:
        return Text::tr("校验");
    }
    return QString();
}

QString FlashPace::rateText(double bytesPerSecond)
{
    if (bytesPerSecond >= 1024.0 * 1024.0)
        return Text::tr("%1 MiB/s").arg(bytesPerSecond / (1024.0 * 1024.0), 0, 'f', 1);
    if (bytesPerSecond >= 1024.0)
        return Text::tr("%1 KiB/s").arg(bytesPerSecond / 1024.0, 0, 'f', 0);
    return Text::tr("%1 B/s").arg(bytesPerSecond, 0, 'f', 0);
}

QString FlashPace::durationText(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60)
        return Text::tr("%1 秒").arg(seconds);
    return Text::tr("%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString FlashPace::text() const
{
    QString text = Text::tr("%1 %2%").arg(phaseName(current)).arg(permille() / 10);
    const qint64 left = msLeft();
    if (left >= 0)
        text += Text::tr("，%1，剩余 %2").arg(rateText(rate()), durationText(left));
    return text;
}
