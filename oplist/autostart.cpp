#include "oplist/autostart.h"

AutoStart::AutoStart(QObject *parent) : QObject(parent)
{
    // Coarse, as a window timer: ticks that come due while a transfer runs coalesce instead
    // of queueing up.
    timer.setTimerType(Qt::CoarseTimer);
    connect(&timer, &QTimer::timeout, this, &AutoStart::tick);
}

void AutoStart::start(int milliseconds)
{
    if (timer.isActive())
        return;
    timer.start(milliseconds);
    emit runningChanged(true);
}

void AutoStart::stop()
{
    if (!timer.isActive())
        return;
    timer.stop();
    emit runningChanged(false);
}
