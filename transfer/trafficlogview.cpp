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
#include <QToolButton>

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
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        following = value >= verticalScrollBar()->maximum();
        if (following && newEntries->isVisible())
            newEntries->hide();
    });
    newEntries = new QToolButton(viewport());
    newEntries->setObjectName(QStringLiteral("newEntriesMarker"));
    newEntries->setText(tr("↓ 新条目"));
    newEntries->setToolTip(tr("有新的条目，点击跳到末尾"));
    newEntries->setCursor(Qt::PointingHandCursor);
    newEntries->hide();
    connect(newEntries, &QToolButton::clicked, this, &TrafficLogView::scrollToEnd);
}

bool TrafficLogView::showsNewEntries() const
{
    return !newEntries->isHidden();
}

void TrafficLogView::placeMarker()
{
    newEntries->adjustSize();
    newEntries->move(viewport()->width() - newEntries->width() - 2 * Margin,
                     viewport()->height() - newEntries->height() - Margin);
}

void TrafficLogView::scrollToEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    following = true;
    newEntries->hide();
}

void TrafficLogView::setColumns(const LogColumns &columns)
{
    shown = columns;
    refresh();
}

int TrafficLogView::timeColumnChars() const
{
    if (!shown.times)
        return 0;
    const qint64 count = trafficLog ? trafficLog->count() : 0;
    // Number, time of day, a duration of up to ten digits, each with a blank after it.
    return QString::number(std::max<qint64>(count, 1)).size() + 1 + 15 + 1 + 13 + 1;
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
            seenCount = 0;
            newEntries->hide();
            emit currentLineChanged(-1);
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
    const qint64 count = trafficLog ? trafficLog->count() : 0;
    if (follow) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        seenCount = count;
    } else if (count > seenCount && count > firstVisibleLine() + visibleLines()) {
        placeMarker();
        newEntries->show();
    }
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
    // A note takes what it takes; room for a usual one.
    const int noteChars = shown.annotations ? 48 : 0;
    const qint64 width =
        (qint64(trafficLog ? trafficLog->longestLine() : 0) + timeColumnChars() + noteChars) *
            charWidth +
        2 * Margin;
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(
        0, static_cast<int>(std::clamp<qint64>(width - viewport()->width(), 0, INT_MAX)));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(charWidth * 4);
}

void TrafficLogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    placeMarker();
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
    const QColor dim(Qt::gray);
    const int rows = std::min<qint64>(viewport()->height() / height + 1,
                                      std::max<qint64>(trafficLog->count() - first, 0));
    const int timeChars = timeColumnChars();
    const int numberChars = timeChars ? timeChars - 31 : 0;
    const int textLeft = left + timeChars * charWidth;
    // The notes line up after the longest text in sight.
    QVector<QString> texts(rows);
    int longestText = 0;
    for (int row = 0; row < rows; ++row) {
        texts[row] = displayable(trafficLog->lineText(first + row));
        longestText = std::max(longestText, static_cast<int>(texts[row].size()));
    }
    const int noteLeft = textLeft + (std::min(longestText, 120) + 2) * charWidth;
    for (int row = 0; row < rows; ++row) {
        const qint64 line = first + row;
        const int top = row * height;
        if (line >= selFirst && line <= selLast && selFirst >= 0)
            painter.fillRect(0, top, width, height, selection);
        const QString &text = texts[row];
        const int baseline = top + metrics.ascent();
        if (timeChars) {
            const QStringList parts = trafficLog->columnText(line).split(QLatin1Char(' '));
            painter.setPen(dim);
            painter.drawText(left + (numberChars - parts.value(0).size()) * charWidth, baseline,
                             parts.value(0));
            painter.drawText(left + (numberChars + 1) * charWidth, baseline, parts.value(1));
            painter.drawText(left + (numberChars + 17) * charWidth, baseline, parts.value(2));
        }
        // A note (a flash job's line) has no direction: all of it is shown in its own colour.
        const bool note = trafficLog->isNote(line);
        const QString direction = note ? QString() : text.left(5);
        painter.setPen(text.startsWith(QLatin1Char('T')) ? QColor(Qt::green) : QColor(Qt::blue));
        painter.drawText(textLeft, baseline, direction);
        int x = textLeft + metrics.horizontalAdvance(direction);
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
        if (shown.annotations) {
            const QString note = shown.annotations->annotation(line);
            if (!note.isEmpty()) {
                painter.setPen(dim);
                painter.drawText(
                    std::max(noteLeft, x + (static_cast<int>(data.size()) + 2) * charWidth),
                    baseline, displayable(note));
            }
        }
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
    setCursorLine(lineAt(eventY(event)), event->modifiers() & Qt::ShiftModifier);
}

void TrafficLogView::setCursorLine(qint64 line, bool extend)
{
    if (!extend || anchor < 0)
        anchor = line;
    const bool moved = cursor != line;
    cursor = line;
    viewport()->update();
    if (moved)
        emit currentLineChanged(line);
}

void TrafficLogView::selectLine(qint64 line)
{
    if (!trafficLog || line < 0 || line >= trafficLog->count())
        return;
    cursor = -1; // so that the same line is announced again
    setCursorLine(line, false);
    const qint64 top = firstVisibleLine();
    if (line < top || line >= top + visibleLines())
        scrollToLine(line - visibleLines() / 2);
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
        scrollToEnd(); // and follow again
    else if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && trafficLog &&
             trafficLog->count() > 0) {
        const qint64 line = std::clamp<qint64>(cursor + (event->key() == Qt::Key_Up ? -1 : 1), 0,
                                               trafficLog->count() - 1);
        setCursorLine(line, event->modifiers() & Qt::ShiftModifier);
        if (line < firstVisibleLine())
            scrollToLine(line);
        else if (line >= firstVisibleLine() + visibleLines())
            scrollToLine(line - visibleLines() + 1);
    } else
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
    trafficLog->writeText(buffer, selectionFirst(), selectionLast() - selectionFirst() + 1, shown);
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
    setCursorLine(trafficLog->count() - 1, true);
}
