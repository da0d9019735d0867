#include "bus/vcdwriter.h"

#include <QIODevice>

#include <algorithm>

namespace
{

constexpr int FlushBytes = 256 * 1024;
const char identifiers[SpiWaveform::SignalCount] = {'c', 'k', 'o', 'i'};
const char *const names[SpiWaveform::SignalCount] = {"cs", "sck", "mosi", "miso"};

void appendNumber(QByteArray &out, qint64 value)
{
    char text[24];
    int n = 0;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        out.append(text[--n]);
}

} // namespace

VcdWriter::VcdWriter(QIODevice &device, qint64 fastestHz) : device(device)
{
    const qint64 half = SpiWaveform::halfPeriodsPs(1, std::max<qint64>(fastestHz, 1));
    unit = 1;
    while (unit < 1000000 && unit * 10 * 10 <= half)
        unit *= 10;
    buffer.reserve(FlushBytes + 4096);
}

QString VcdWriter::unitText(qint64 unitPs)
{
    static const char *const units[] = {"ps", "ns", "us"};
    int scale = 0;
    while (unitPs >= 1000 && scale < 2) {
        unitPs /= 1000;
        ++scale;
    }
    return QStringLiteral("%1 %2").arg(unitPs).arg(QLatin1String(units[scale]));
}

bool VcdWriter::begin(const QStringList &comments)
{
    buffer.append("$version KAVRIS $end\n");
    for (const QString &comment : comments)
        buffer.append("$comment " + comment.toUtf8().replace("$end", "$ end") + " $end\n");
    buffer.append("$timescale " + unitText(unit).toLatin1() + " $end\n$scope module spi $end\n");
    for (int s = 0; s < SpiWaveform::SignalCount; ++s)
        buffer.append(QByteArray("$var wire 1 ") + identifiers[s] + ' ' + names[s] + " $end\n");
    buffer.append("$upscope $end\n$enddefinitions $end\n");
    return flush();
}

void VcdWriter::stamp(qint64 ps)
{
    const qint64 at = (ps + unit / 2) / unit;
    if (at == lastStamp)
        return;
    buffer.append('#');
    appendNumber(buffer, at);
    buffer.append('\n');
    lastStamp = at;
}

bool VcdWriter::add(const SpiWaveform &waveform)
{
    if (waveform.isEmpty())
        return !failed;
    if (!started) {
        // The first waveform's idle levels are the lines' values from the start.
        stamp(0);
        buffer.append("$dumpvars\n");
        for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
            levels[s] = waveform.trace(SpiWaveform::Signal(s)).initial;
            buffer.append(levels[s] ? '1' : '0');
            buffer.append(identifiers[s]);
            buffer.append('\n');
        }
        buffer.append("$end\n");
        started = true;
    }
    // A waveform whose idle levels differ (another polarity) takes them at its start.
    stamp(waveform.begin());
    for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
        const bool initial = waveform.trace(SpiWaveform::Signal(s)).initial;
        if (levels[s] != initial) {
            levels[s] = initial;
            buffer.append(initial ? '1' : '0');
            buffer.append(identifiers[s]);
            buffer.append('\n');
        }
    }
    // Merges the four lines' toggles in time order.
    size_t next[SpiWaveform::SignalCount] = {};
    for (;;) {
        qint64 soonest = -1;
        for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
            const auto &edges = waveform.trace(SpiWaveform::Signal(s)).edges;
            if (next[s] < edges.size() && (soonest < 0 || edges[next[s]] < soonest))
                soonest = edges[next[s]];
        }
        if (soonest < 0)
            break;
        stamp(soonest);
        for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
            const auto &edges = waveform.trace(SpiWaveform::Signal(s)).edges;
            // Toggles that rounding put on one stamp: only the level that remains is written.
            bool toggled = false;
            while (next[s] < edges.size() && (edges[next[s]] + unit / 2) / unit == lastStamp) {
                toggled = !toggled;
                ++next[s];
            }
            if (toggled) {
                levels[s] = !levels[s];
                buffer.append(levels[s] ? '1' : '0');
                buffer.append(identifiers[s]);
                buffer.append('\n');
            }
        }
        if (buffer.size() >= FlushBytes && !flush())
            return false;
    }
    endPs = std::max(endPs, waveform.end());
    return flush();
}

bool VcdWriter::finish()
{
    if (started)
        stamp(endPs);
    return flush() && !failed;
}

bool VcdWriter::flush()
{
    if (!failed && !buffer.isEmpty() && device.write(buffer) != buffer.size())
        failed = true;
    buffer.resize(0);
    return !failed;
}
