// Painting, selecting and copying the traffic log's visible rows.

#include "transfer/trafficlogview.h"

#include "transfer/trafficlog.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace
{

constexpr int FrameMilliseconds = 16;
constexpr int Margin = 4;
// Lines longer than this are cut to what fits before they are shaped: a full buffer in hex is
// 61 445 characters, and shaping it for every repaint would make scrolling crawl.
constexpr int CutLinesFrom = 512;

int eventY(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return qRound(event->position().y());
#else
    return event->pos().y();
#endif
}

// Controls have no glyph of their own; their pictures (U+2400...) show where they are, and a
// line break inside an entry shows as a picture instead of breaking the row.
QString displayable(QString text)
{
    for (QChar &ch : text) {
        const ushort c = ch.unicode();
        if (c < 0x20)
            ch = QChar(0x2400 + c);
        else if (c == 0x7F)
            ch = QChar(0x2421);
    }
    return text;
}

} // namespace

TrafficLogView::TrafficLogView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    frameTimer.setSingleShot(true);
    frameTimer.setInterval(FrameMilliseconds);
    connect(&frameTimer, &QTimer::timeout, this, &TrafficLogView::refresh);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { following = value >= verticalScrollBar()->maximum(); });
}

void TrafficLogView::setLog(TrafficLog *log)
{
    if (trafficLog)
        disconnect(trafficLog, nullptr, this, nullptr);
    trafficLog = log;
    anchor = cursor = -1;
    if (log) {
        connect(log, &TrafficLog::appended, this, &TrafficLogView::scheduleRefresh);
        connect(log, &TrafficLog::cleared, this, [this] {
            anchor = cursor = -1;
            scheduleRefresh();
        });
    }
    refresh();
}

int TrafficLogView::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int TrafficLogView::visibleLines() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

qint64 TrafficLogView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

void TrafficLogView::scrollToLine(qint64 line)
{
    verticalScrollBar()->setValue(static_cast<int>(std::clamp<qint64>(line, 0, INT_MAX)));
}

void TrafficLogView::scheduleRefresh()
{
    if (!frameTimer.isActive())
        frameTimer.start();
}

void TrafficLogView::refresh()
{
    frameTimer.stop();
    const bool follow = following;
    updateScrollBars();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TrafficLogView::updateScrollBars()
{
    const qint64 count = trafficLog ? trafficLog->count() : 0;
    const int visible = visibleLines();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::clamp<qint64>(count - visible, 0, INT_MAX)));
    vertical->setPageStep(visible);
    vertical->setSingleStep(1);
    const int charWidth = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
    const qint64 width =
        qint64(trafficLog ? trafficLog->longestLine() : 0) * charWidth + 2 * Margin;
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(
        0, static_cast<int>(std::clamp<qint64>(width - viewport()->width(), 0, INT_MAX)));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(charWidth * 4);
}

void TrafficLogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    refresh();
}

void TrafficLogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refresh();
}

void TrafficLogView::paintEvent(QPaintEvent *)
{
    if (!trafficLog)
        return;
    QPainter painter(viewport());
    const QFontMetrics metrics = fontMetrics();
    const int height = lineHeight();
    const int charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    const int width = viewport()->width();
    const int left = Margin - horizontalScrollBar()->value();
    const qint64 first = firstVisibleLine();
    const qint64 selFirst = selectionFirst();
    const qint64 selLast = selectionLast();
    QColor selection = palette().color(QPalette::Highlight);
    selection.setAlpha(80); // light, so that the direction colours stay readable
    const int rows = viewport()->height() / height + 1;
    for (int row = 0; row < rows; ++row) {
        const qint64 line = first + row;
        if (line >= trafficLog->count())
            break;
        const int top = row * height;
        if (line >= selFirst && line <= selLast && selFirst >= 0)
            painter.fillRect(0, top, width, height, selection);
        const QString text = displayable(trafficLog->lineText(line));
        const int baseline = top + metrics.ascent();
        // A note (a flash job's line) has no direction: all of it is shown in its own colour.
        const bool note = trafficLog->isNote(line);
        const QString direction = note ? QString() : text.left(5);
        painter.setPen(text.startsWith(QLatin1Char('T')) ? QColor(Qt::green) : QColor(Qt::blue));
        painter.drawText(left, baseline, direction);
        int x = left + metrics.horizontalAdvance(direction);
        QString data = note ? text : text.mid(5);
        if (data.size() > CutLinesFrom) {
            // Characters of a fixed-pitch font: skip those left of the viewport and draw what
            // fits, plus one at each side for glyphs that overhang.
            const int hidden = std::max(0, -x / charWidth - 1);
            x += hidden * charWidth;
            data = data.mid(hidden, width / charWidth + 3);
        }
        painter.setPen(note ? QColor(0x99, 0x66, 0x00) : QColor(Qt::black));
        painter.drawText(x, baseline, data);
    }
}

qint64 TrafficLogView::lineAt(int y) const
{
    const qint64 count = trafficLog ? trafficLog->count() : 0;
    const qint64 line = firstVisibleLine() + (y < 0 ? -1 : y / lineHeight());
    return std::clamp<qint64>(line, 0, std::max<qint64>(count - 1, 0));
}

void TrafficLogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !trafficLog || trafficLog->count() == 0)
        return QAbstractScrollArea::mousePressEvent(event);
    const qint64 line = lineAt(eventY(event));
    if (!(event->modifiers() & Qt::ShiftModifier) || anchor < 0)
        anchor = line;
    cursor = line;
    viewport()->update();
}

void TrafficLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || anchor < 0 || !trafficLog)
        return QAbstractScrollArea::mouseMoveEvent(event);
    const int y = eventY(event);
    // Dragging past an edge scrolls the log a line per move.
    if (y < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (y >= viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    cursor = lineAt(std::clamp(y, 0, std::max(0, viewport()->height() - 1)));
    viewport()->update();
}

void TrafficLogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || anchor < 0)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    event->accept();
}

void TrafficLogView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (event->matches(QKeySequence::MoveToStartOfDocument))
        verticalScrollBar()->setValue(0);
    else if (event->matches(QKeySequence::MoveToEndOfDocument))
        verticalScrollBar()->setValue(verticalScrollBar()->maximum()); // and follow again
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void TrafficLogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("&Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(anchor >= 0);
    connect(copyAction, &QAction::triggered, this, &TrafficLogView::copy);
    QAction *selectAllAction = menu.addAction(tr("Select All"));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(trafficLog && trafficLog->count() > 0);
    connect(selectAllAction, &QAction::triggered, this, &TrafficLogView::selectAll);
    menu.exec(event->globalPos());
}

qint64 TrafficLogView::selectionFirst() const
{
    return anchor < 0 ? -1 : std::min(anchor, cursor);
}

qint64 TrafficLogView::selectionLast() const
{
    return anchor < 0 ? -1 : std::max(anchor, cursor);
}

QString TrafficLogView::selectedText() const
{
    if (!trafficLog || anchor < 0)
        return QString();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    trafficLog->writeText(buffer, selectionFirst(), selectionLast() - selectionFirst() + 1);
    return QString::fromUtf8(buffer.data());
}

void TrafficLogView::copy()
{
    if (anchor >= 0)
        QGuiApplication::clipboard()->setText(selectedText());
}

void TrafficLogView::selectAll()
{
    if (!trafficLog || trafficLog->count() == 0)
        return;
    anchor = 0;
    cursor = trafficLog->count() - 1;
    viewport()->update();
}
