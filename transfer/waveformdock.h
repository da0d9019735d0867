#pragma once
// The dock under the log that draws the transfer of the entry selected in it, with its
// settings in a caption, and exports the picture (PNG, SVG) and the transfer (VCD).

#include "bus/spitransfer.h"

#include <QDockWidget>

class QLabel;
class TrafficLog;
class WaveformView;

class WaveformDock : public QDockWidget
{
    Q_OBJECT

public:
    WaveformDock(const TrafficLog &log, QWidget *parent = nullptr);

    WaveformView *view() const { return waveform; }
    QString caption() const;

    // The picture as PNG or SVG bytes, the transfer as a VCD file.
    QByteArray png() const;
    QByteArray svg() const;
    QByteArray vcd() const;

public slots:
    // The transfer `entry` belongs to; -1 shows nothing.
    void showEntry(qint64 entry);

private:
    void exportAs(const QString &filter, QByteArray (WaveformDock::*make)() const);

    const TrafficLog &log;
    WaveformView *waveform;
    QLabel *info;
    SpiTransfer shown;
};
