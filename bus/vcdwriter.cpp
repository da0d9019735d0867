#include "bus/vcdwriter.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace
{

constexpr int FlushBytes = 256 * 1024;
const char identifiers[SpiWaveform::SignalCount] = {'c', 'k', 'o', 'i'};
const char *const names[SpiWaveform::SignalCount] = {"cs", "sck", "mosi", "miso"};

} // namespace

VcdWriter::VcdWriter(QIODevice &device, qint64 fastestHz) : device(device)
{
    const qint64 half = SpiWaveform::halfPeriodsPs(1, std::max<qint64>(fastestHz, 1));
    unit = 1;
    while (unit < 1000000 && unit * 10 * 10 <= half)
        unit *= 10;
    buffer.resize(FlushBytes + 4096);
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
    append("$version KAVRIS $end\n");
    for (const QString &comment : comments)
        append("$comment " + comment.toUtf8().replace("$end", "$ end") + " $end\n");
    append("$timescale " + unitText(unit).toLatin1() + " $end\n$scope module spi $end\n");
    for (int s = 0; s < SpiWaveform::SignalCount; ++s)
        append(QByteArray("$var wire 1 ") + identifiers[s] + ' ' + names[s] + " $end\n");
    append("$upscope $end\n$enddefinitions $end\n");
    return flush();
}

void VcdWriter::stamp(qint64 ps)
{
    writeStamp((ps + unit / 2) / unit);
}

void VcdWriter::writeStamp(qint64 at)
{
    if (at == lastStamp)
        return;
    char text[24];
    int n = 0;
    qint64 value = at;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    char *out = reserve(n + 2);
    *out++ = '#';
    while (n)
        *out++ = text[--n];
    *out++ = '\n';
    used = static_cast<int>(out - buffer.data());
    lastStamp = at;
}

char *VcdWriter::reserve(int bytes)
{
    if (used + bytes > buffer.size())
        buffer.resize(std::max<qint64>(buffer.size() * 2, used + bytes + FlushBytes));
    return buffer.data() + used;
}

void VcdWriter::writeLevel(int signal, bool level)
{
    char *out = reserve(3);
    out[0] = level ? '1' : '0';
    out[1] = identifiers[signal];
    out[2] = '\n';
    used += 3;
}

bool VcdWriter::add(const SpiWaveform &waveform)
{
    if (waveform.isEmpty())
        return !failed;
    if (!started) {
        // The first waveform's idle levels are the lines' values from the start.
        stamp(0);
        append("$dumpvars\n");
        for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
            levels[s] = waveform.trace(SpiWaveform::Signal(s)).initial;
            writeLevel(s, levels[s]);
        }
        append("$end\n");
        started = true;
    }
    // A waveform whose idle levels differ (another polarity) takes them at its start.
    stamp(waveform.begin());
    for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
        const bool initial = waveform.trace(SpiWaveform::Signal(s)).initial;
        if (levels[s] != initial) {
            levels[s] = initial;
            writeLevel(s, initial);
        }
    }
    // Merges the four lines' toggles in time order, each toggle's stamp worked out once.
    const std::vector<qint64> *edges[SpiWaveform::SignalCount];
    size_t next[SpiWaveform::SignalCount] = {};
    qint64 nextStamp[SpiWaveform::SignalCount];
    constexpr qint64 none = std::numeric_limits<qint64>::max();
    const auto stampOf = [this](qint64 ps) { return (ps + unit / 2) / unit; };
    for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
        edges[s] = &waveform.trace(SpiWaveform::Signal(s)).edges;
        nextStamp[s] = edges[s]->empty() ? none : stampOf(edges[s]->front());
    }
    for (;;) {
        const qint64 soonest = *std::min_element(std::begin(nextStamp), std::end(nextStamp));
        if (soonest == none)
            break;
        writeStamp(soonest);
        for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
            // Toggles that rounding put on one stamp: only the level that remains is written.
            bool toggled = false;
            while (nextStamp[s] == soonest) {
                toggled = !toggled;
                ++next[s];
                nextStamp[s] = next[s] < edges[s]->size() ? stampOf((*edges[s])[next[s]]) : none;
            }
            if (toggled) {
                levels[s] = !levels[s];
                writeLevel(s, levels[s]);
            }
        }
        if (used >= FlushBytes && !flush())
            return false;
    }
    endPs = std::max(endPs, waveform.end());
    return flush();
}

void VcdWriter::append(const QByteArray &text)
{
    std::memcpy(reserve(text.size()), text.constData(), static_cast<size_t>(text.size()));
    used += text.size();
}

bool VcdWriter::finish()
{
    if (started)
        stamp(endPs);
    return flush() && !failed;
}

bool VcdWriter::flush()
{
    if (!failed && used > 0 && device.write(buffer.constData(), used) != used)
        failed = true;
    used = 0;
    return !failed;
}
