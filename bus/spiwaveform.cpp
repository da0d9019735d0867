#include "bus/spiwaveform.h"

#include <algorithm>

bool SpiWaveform::Trace::levelAt(qint64 t) const
{
    return initial ^ (togglesUntil(t) & 1);
}

qint64 SpiWaveform::Trace::togglesUntil(qint64 t) const
{
    return std::upper_bound(edges.begin(), edges.end(), t) - edges.begin();
}

void SpiWaveform::set(Signal signal, qint64 t, bool level)
{
    if (levels[signal] == level)
        return;
    levels[signal] = level;
    traces[signal].edges.push_back(t);
}

SpiWaveform::SpiWaveform(const SpiTransfer &transfer, qint64 origin) : first(origin), last(origin)
{
    if (transfer.drawable() != SpiTransfer::Drawable::Yes)
        return;
    const SpiConfig &config = transfer.context.config;
    const qint64 hz = config.clockHz;
    const bool csActive = config.csPolarity == 1;
    const bool clockIdle = config.clockPolarity == 1;
    const bool phase1 = config.clockPhase == 1;
    const bool lsbFirst = config.lsbFirst == 1;
    period = std::max<qint64>(halfPeriodsPs(2, hz), 2);
    levels[Cs] = !csActive;
    levels[Sck] = clockIdle;
    for (int s = 0; s < SignalCount; ++s)
        traces[s].initial = levels[s];
    const qint64 pause = std::max(qint64(transfer.context.intervalUs) * 1000000, period);
    byteSpans.reserve(static_cast<size_t>(transfer.bytes()));
    for (Signal s : {Sck, Mosi, Miso})
        traces[s].edges.reserve(static_cast<size_t>(transfer.bytes() * 16));

    qint64 assertAt = origin + period;
    for (const SpiFrame &frame : transfer.frames) {
        set(Cs, assertAt, csActive);
        const qint64 bitsStart = assertAt + period / 2;
        const auto edge = [&](qint64 k) { return bitsStart + halfPeriodsPs(k, hz); };
        const int bits = frame.clocks() * 8;
        for (int i = 0; i < bits; ++i) {
            const int byte = i / 8;
            const int bit = lsbFirst ? i % 8 : 7 - i % 8;
            const qint64 leading = edge(2 * i + 1);
            const qint64 put = phase1 ? leading : edge(2 * i);
            set(Mosi, put, (static_cast<quint8>(frame.mosi[byte]) >> bit) & 1);
            set(Miso, put, (static_cast<quint8>(frame.miso[byte]) >> bit) & 1);
            set(Sck, leading, !clockIdle);
            set(Sck, edge(2 * i + 2), clockIdle);
            if (i % 8 == 0)
                byteSpans.push_back({edge(2 * i), edge(2 * i + 16),
                                     static_cast<quint8>(frame.mosi[byte]),
                                     static_cast<quint8>(frame.miso[byte]), byte < frame.written,
                                     frame.wasRead(byte)});
        }
        const qint64 release = edge(2 * qint64(bits)) + period / 2;
        set(Cs, release, !csActive);
        set(Mosi, release, true);
        set(Miso, release, true);
        last = release + period;
        assertAt = release + pause;
    }
}
