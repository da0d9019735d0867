#pragma once
// A FlashLink straight onto a simulated chip, for the flash engine's tests: each exchange is
// one chip-select assertion of the chip, answered from the event loop. It keeps every
// assertion it was given, moves the simulated clock on by a round trip and the bytes' time,
// and can fail an exchange or leave a command undelivered.

#include "flash/flashlink.h"
#include "telkor/simclock.h"
#include "telkor/spidevice.h"

#include <QStringList>
#include <QVector>

#include <functional>

class ChipFlashLink : public FlashLink
{
public:
    struct Sent {
        QByteArray out;
        int readCount = 0;
    };

    ChipFlashLink(telkor::SpiDevice &chip, telkor::SimClock &clock) : chip(chip), clock(clock) {}

    void exchange(const QByteArray &out, int readCount, Done done) override;
    QString unsuitable() const override { return QString(); }
    int transferLimit() const override { return limit; }

    QVector<Sent> sent;
    qint64 roundTripUs = 200; // and 1 us a byte
    int failAt = -1;          // this exchange (counted from 0) fails
    int dropProgram = -1;     // this program command (counted from 0) does not reach the chip
    std::function<void(const QByteArray &out)> onSend;
    int limit = 20480;

private:
    int programs = 0;
    telkor::SpiDevice &chip;
    telkor::SimClock &clock;
};
