#pragma once
// The four wires of a transfer as a timing diagram: when chip select, SCK, MOSI and MISO
// change, from the frames' bytes and the settings (clock polarity and phase, bit order,
// chip-select polarity, the clock, the pause between the blocks of a train). Times are in
// picoseconds, so that any clock's half period is whole enough.
//
// The model: the chip select becomes active half a clock period before the first edge; the
// bits follow one per period without gaps, the write and the read of a half-duplex assertion
// one after the other; the chip select goes inactive half a period after the last edge. With
// clock phase 0 a bit is put on the line at the start of its period and sampled on the first
// (leading) edge; with phase 1 it is put on the line at the leading edge and sampled on the
// trailing one. The pause between two assertions is the train's interval, at least a period.
// The lines idle high (MOSI, MISO) or as their polarity says (CS, SCK), one period before the
// first assertion and after the last.

#include "bus/spitransfer.h"

#include <vector>

class SpiWaveform
{
public:
    enum Signal { Cs, Sck, Mosi, Miso, SignalCount };

    // A line as its level at the start and the times it toggles, in order.
    struct Trace {
        bool initial = true;
        std::vector<qint64> edges;
        // The level at `t`: a toggle at exactly `t` has happened.
        bool levelAt(qint64 t) const;
        // Toggles at or before `t`.
        qint64 togglesUntil(qint64 t) const;
    };
    // A byte on the wires: from the start of its first bit's period to the end of its last.
    struct Byte {
        qint64 start;
        qint64 end;
        quint8 mosi;
        quint8 miso;
        bool written; // MOSI carried data, not filler
        bool read;    // MISO was read
    };

    SpiWaveform() = default;
    // The transfer drawn from `origin` on; draws nothing unless drawable.
    explicit SpiWaveform(const SpiTransfer &transfer, qint64 origin = 0);

    const Trace &trace(Signal signal) const { return traces[signal]; }
    const std::vector<Byte> &bytes() const { return byteSpans; }
    qint64 begin() const { return first; }
    qint64 end() const { return last; }
    qint64 periodPs() const { return period; }
    bool isEmpty() const { return byteSpans.empty(); }

    // Picoseconds of `halves` half periods at `hz`, whole and without drift.
    static qint64 halfPeriodsPs(qint64 halves, qint64 hz) { return halves * 500000000000LL / hz; }

private:
    void set(Signal signal, qint64 t, bool level);

    Trace traces[SignalCount];
    bool levels[SignalCount] = {true, true, true, true};
    std::vector<Byte> byteSpans;
    qint64 first = 0;
    qint64 last = 0;
    qint64 period = 0;
};
