#include "transfer/waveformview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int LabelWidth = 48;
constexpr int AxisHeight = 22;
constexpr int ReadoutHeight = 18;
const char *const signalNames[SpiWaveform::SignalCount] = {"CS", "SCK", "MOSI", "MISO"};

double eventX(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().x();
#else
    return event->pos().x();
#endif
}

QString hexByte(quint8 byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

WaveformView::WaveformView(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(false);
    setMinimumHeight(140);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void WaveformView::setTransfer(const SpiTransfer &transfer)
{
    wave = SpiWaveform(transfer);
    message.clear();
    cursor = -1;
    fitAll();
}

void WaveformView::setMessage(const QString &text)
{
    wave = SpiWaveform();
    message = text;
    cursor = -1;
    update();
}

int WaveformView::plotWidth() const
{
    return std::max(1, width() - LabelWidth);
}

double WaveformView::clampScale(double psPerPixel) const
{
    // From a hundredth of a clock period a pixel to the whole transfer in a tenth of the plot.
    const double finest = std::max(1.0, wave.periodPs() / 100.0);
    const double coarsest = std::max(finest, 10.0 * (wave.end() - wave.begin()) / plotWidth());
    return std::clamp(psPerPixel, finest, coarsest);
}

void WaveformView::setView(double startPs, double psPerPixel)
{
    scale = clampScale(psPerPixel);
    start = startPs;
    update();
}

void WaveformView::fitAll()
{
    fitted = true;
    setView(wave.begin(), double(std::max<qint64>(wave.end() - wave.begin(), 1)) / plotWidth());
}

void WaveformView::setCursorPs(qint64 ps)
{
    cursor = ps;
    update();
}

QString WaveformView::timeText(double ps)
{
    struct Unit {
        double ps;
        const char *name;
    };
    static const Unit units[] = {{1e12, "s"}, {1e9, "ms"}, {1e6, "\xC2\xB5s"}, {1e3, "ns"}};
    if (ps == 0)
        return QStringLiteral("0");
    for (const Unit &unit : units)
        if (std::abs(ps) >= unit.ps)
            return QString::number(ps / unit.ps, 'g', 6) + QLatin1Char(' ') +
                   QString::fromUtf8(unit.name);
    return QString::number(ps, 'g', 6) + QStringLiteral(" ps");
}

QString WaveformView::readout() const
{
    if (cursor < 0 || wave.isEmpty())
        return QString();
    QString text = tr("光标 %1").arg(timeText(double(cursor - wave.begin())));
    for (int s = 0; s < SpiWaveform::SignalCount; ++s)
        text += QStringLiteral("  %1=%2")
                    .arg(QLatin1String(signalNames[s]))
                    .arg(wave.trace(SpiWaveform::Signal(s)).levelAt(cursor) ? 1 : 0);
    return text;
}

void WaveformView::render(QPainter &painter, const QSize &size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    if (wave.isEmpty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter | Qt::TextWordWrap, message);
        return;
    }
    const int plot = std::max(1, size.width() - LabelWidth);
    const int laneHeight =
        std::max(16, (size.height() - AxisHeight - ReadoutHeight) / SpiWaveform::SignalCount);
    const auto xOf = [&](double ps) { return LabelWidth + (ps - start) / scale; };

    // The time axis: steps of 1, 2 or 5 times a power of ten, some 80 pixels apart.
    painter.setPen(Qt::gray);
    painter.drawLine(LabelWidth, AxisHeight - 1, size.width(), AxisHeight - 1);
    const double want = scale * 80;
    const double power = std::pow(10.0, std::floor(std::log10(std::max(want, 1.0))));
    double step = power;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = power * factor;
        if (step >= want)
            break;
    }
    const double origin = wave.begin();
    for (double t = std::ceil((start - origin) / step) * step; xOf(origin + t) < size.width();
         t += step) {
        const int x = qRound(xOf(origin + t));
        painter.setPen(QColor(230, 230, 230));
        painter.drawLine(x, AxisHeight, x, size.height() - ReadoutHeight);
        painter.setPen(Qt::darkGray);
        painter.drawLine(x, AxisHeight - 5, x, AxisHeight - 1);
        painter.drawText(x + 2, AxisHeight - 8, timeText(t));
    }

    const auto &bytes = wave.bytes();
    for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
        const SpiWaveform::Trace &trace = wave.trace(SpiWaveform::Signal(s));
        const int top = AxisHeight + s * laneHeight;
        const int high = top + laneHeight / 3;
        const int low = top + laneHeight - 4;
        painter.setPen(Qt::black);
        painter.drawText(4, (high + low) / 2 + metrics.ascent() / 2, QLatin1String(signalNames[s]));
        // Column by column: a stroke where the line toggles, merged runs where it does not.
        QVector<QLine> lines;
        lines.reserve(2 * plot + 2);
        qint64 toggles = trace.togglesUntil(qint64(std::floor(start)));
        bool level = trace.initial ^ (toggles & 1);
        int runFrom = LabelWidth;
        for (int column = 0; column < plot; ++column) {
            const auto until = qint64(std::floor(start + (column + 1) * scale));
            const qint64 next = trace.togglesUntil(until);
            if (next == toggles)
                continue;
            const int x = LabelWidth + column;
            lines.append(QLine(runFrom, level ? high : low, x, level ? high : low));
            lines.append(QLine(x, high, x, low));
            toggles = next;
            level = trace.initial ^ (toggles & 1);
            runFrom = x;
        }
        lines.append(QLine(runFrom, level ? high : low, LabelWidth + plot, level ? high : low));
        painter.setPen(QPen(s == SpiWaveform::Cs    ? QColor(170, 0, 0)
                            : s == SpiWaveform::Sck ? QColor(0, 0, 160)
                                                    : QColor(0, 120, 0),
                            1));
        painter.drawLines(lines);

        // The bytes' values over the data lines, where they fit.
        if (s < SpiWaveform::Mosi || bytes.empty())
            continue;
        const int labelWidth = metrics.horizontalAdvance(QStringLiteral("FF")) + 4;
        auto first =
            std::upper_bound(bytes.begin(), bytes.end(), start,
                             [](double t, const SpiWaveform::Byte &b) { return t < b.end; });
        const double visibleEnd = start + plot * scale;
        if (first == bytes.end() || (first->end - first->start) / scale < labelWidth)
            continue;
        for (auto b = first; b != bytes.end() && b->start < visibleEnd; ++b) {
            const bool mosi = s == SpiWaveform::Mosi;
            const bool data = mosi ? b->written : b->read;
            const int left = qRound(xOf(b->start)), right = qRound(xOf(b->end));
            painter.setPen(QColor(200, 200, 200));
            painter.drawLine(left, top + 2, left, high - 2);
            painter.setPen(data ? Qt::black : Qt::lightGray);
            painter.drawText(QRect(left, top, right - left, high - top), Qt::AlignCenter,
                             hexByte(mosi ? b->mosi : b->miso));
        }
    }
    if (cursor >= 0) {
        const int x = qRound(xOf(double(cursor)));
        painter.setPen(QPen(QColor(200, 120, 0), 1, Qt::DashLine));
        painter.drawLine(x, AxisHeight, x, size.height() - ReadoutHeight);
        painter.setPen(Qt::black);
        painter.drawText(LabelWidth, size.height() - 4, readout());
    }
}

void WaveformView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    render(painter, size());
}

void WaveformView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (fitted)
        fitAll();
}

void WaveformView::wheelEvent(QWheelEvent *event)
{
    if (wave.isEmpty())
        return;
    const double x = event->position().x();
    const double at = start + (x - LabelWidth) * scale;
    const double factor = std::pow(1.25, -event->angleDelta().y() / 120.0);
    const double next = clampScale(scale * factor);
    fitted = false;
    setView(at - (x - LabelWidth) * next, next);
    event->accept();
}

void WaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressAt = event->pos();
    pressStart = start;
    dragging = false;
}

void WaveformView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (!dragging && (event->pos() - pressAt).manhattanLength() < 4)
        return;
    dragging = true;
    fitted = false;
    setView(pressStart - (eventX(event) - pressAt.x()) * scale, scale);
}

void WaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (!dragging && !wave.isEmpty() && eventX(event) >= LabelWidth)
        setCursorPs(qint64(start + (eventX(event) - LabelWidth) * scale));
    dragging = false;
}

void WaveformView::mouseDoubleClickEvent(QMouseEvent *)
{
    fitAll();
}
