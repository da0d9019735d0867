#pragma once
// Value change dump files of the bus (IEEE 1364 VCD, as logic-analyser programs such as
// PulseView and sigrok-cli read them): the signals `cs`, `sck`, `mosi` and `miso`, one
// waveform after another on one time axis. The time unit is the coarsest power of ten that
// still puts ten units into a half period of the fastest clock, so that slow buses do not
// make huge sample counts in the programs that read the file.

#include "bus/spiwaveform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

class VcdWriter
{
public:
    // `fastestHz`: the fastest clock of the waveforms to come.
    VcdWriter(QIODevice &device, qint64 fastestHz);

    // The header; `comments` become $comment sections (one line each, say the settings).
    bool begin(const QStringList &comments);
    // Appends a waveform's changes. Waveforms must come in time order, not overlapping.
    bool add(const SpiWaveform &waveform);
    // The final time stamp; false when a write failed.
    bool finish();

    qint64 unitPs() const { return unit; }
    static QString unitText(qint64 unitPs); // "1 ns", "100 ps"

private:
    bool flush();
    void stamp(qint64 ps);
    void writeStamp(qint64 units);
    void writeLevel(int signal, bool level);
    void append(const QByteArray &text);
    // Room for `bytes` more at the end of what is written; where they go.
    char *reserve(int bytes);

    QIODevice &device;
    qint64 unit = 1000;
    qint64 lastStamp = -1;
    qint64 endPs = 0;
    bool levels[SpiWaveform::SignalCount] = {};
    bool started = false;
    bool failed = false;
    QByteArray buffer; // its first `used` bytes are written, not yet flushed
    int used = 0;
};
