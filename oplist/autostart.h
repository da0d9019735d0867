#pragma once
// The auto-start: a timer that repeats one chosen transfer. It owns its on/off state; the
// window's button caption follows runningChanged, and the window carries out each tick.

#include <QObject>
#include <QTimer>

class AutoStart : public QObject
{
    Q_OBJECT

public:
    explicit AutoStart(QObject *parent = nullptr);

    bool isRunning() const { return timer.isActive(); }
    void start(int milliseconds);
    void stop();

signals:
    void tick();
    void runningChanged(bool running);

private:
    QTimer timer;
};
