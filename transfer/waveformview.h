#pragma once
// The timing diagram of one transfer: chip select, SCK, MOSI and MISO, the bytes' values over
// the data lines (grey where MOSI carried filler or MISO was not read), a time axis from the
// transfer's start, and a cursor with its time and the lines' levels. The wheel zooms about
// the mouse, dragging pans, a click places the cursor, a double click fits the whole transfer.
//
// Drawing stays cheap at any zoom: each line is drawn column by column, one vertical stroke for
// a pixel column in which it toggles (however often) and merged horizontal runs between, so a
// repaint costs the widget's width, not the transfer's clocks.

#include "bus/spiwaveform.h"

#include <QWidget>

class WaveformView : public QWidget
{
    Q_OBJECT

public:
    explicit WaveformView(QWidget *parent = nullptr);

    void setTransfer(const SpiTransfer &transfer);
    // What shows instead of a diagram (the waveform is then empty).
    void setMessage(const QString &text);
    const SpiWaveform &waveform() const { return wave; }

    // The visible time: picoseconds at the plot's left edge and per pixel.
    double viewStart() const { return start; }
    double psPerPixel() const { return scale; }
    void setView(double startPs, double psPerPixel);
    void fitAll();
    // The cursor's time, -1 when none; its readout ("光标 1.5 µs  CS=0 SCK=1 MOSI=0 MISO=1").
    qint64 cursorPs() const { return cursor; }
    void setCursorPs(qint64 ps);
    QString readout() const;

    // Draws the diagram as the widget shows it, into any paint device of `size`.
    void render(QPainter &painter, const QSize &size) const;

    static QString timeText(double ps); // "1.5 µs", "250 ns", "0"

    QSize sizeHint() const override { return QSize(640, 220); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int plotWidth() const;
    double clampScale(double psPerPixel) const;

    SpiWaveform wave;
    QString message;
    double start = 0;
    double scale = 1;
    qint64 cursor = -1;
    bool fitted = true; // keep fitting on resize until the user zooms or pans
    QPoint pressAt;
    double pressStart = 0;
    bool dragging = false;
};
