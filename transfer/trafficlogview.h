#pragma once
// The traffic log on screen: a viewport over a TrafficLog that paints only the entries in
// sight, one entry per row.
//
// Why a QAbstractScrollArea and not a QListView over a model: the list view would need a
// model index, a selection model and a delegate per painted row, and its selection ranges and
// per-row layout bookkeeping cost memory and time that grow with ten million rows; here a row
// is just an entry number, the vertical scroll bar counts entries (an int reaches two billion
// of them at any line height, where pixels would overflow at a few million), every row has the
// same height, and the selection is one contiguous range of entry numbers.
//
// New entries repaint at most once a frame. The view follows the newest entry unless the user
// scrolled away from the end; then a small marker says that new entries came and takes the
// view back to the end when clicked. Copying a selection gives the text the text file holds for
// those entries, with the columns shown.
//
// Optional columns: the entry's number, the time of day its transfer started and its duration
// before the text; a decoder's note, dim, after it.

#include "transfer/logcolumns.h"

#include <QAbstractScrollArea>
#include <QTimer>

class QToolButton;
class TrafficLog;

class TrafficLogView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TrafficLogView(QWidget *parent = nullptr);

    void setLog(TrafficLog *log);
    TrafficLog *log() const { return trafficLog; }

    int lineHeight() const;
    qint64 firstVisibleLine() const;
    void scrollToLine(qint64 line);
    bool isFollowing() const { return following; }

    // Entry numbers of the selection, first <= last; first is -1 when nothing is selected.
    qint64 selectionFirst() const;
    qint64 selectionLast() const;
    QString selectedText() const;
    // Selects `line` alone and scrolls it into sight.
    void selectLine(qint64 line);

    void setColumns(const LogColumns &shown);
    const LogColumns &columns() const { return shown; }
    // The marker saying that new entries came below (for tests: whether it shows).
    bool showsNewEntries() const;

public slots:
    void copy();
    void selectAll();
    // Back to the end, following the newest entry again.
    void scrollToEnd();

signals:
    // The entry the user clicked or moved to with the arrow keys; -1 when the log was cleared.
    void currentLineChanged(qint64 line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void scheduleRefresh();
    void refresh();
    void updateScrollBars();
    qint64 lineAt(int y) const;
    int visibleLines() const;
    void setCursorLine(qint64 line, bool extend);
    void placeMarker();
    // Characters before the direction while the time column shows.
    int timeColumnChars() const;

    TrafficLog *trafficLog = nullptr;
    QTimer frameTimer;
    bool following = true;
    qint64 anchor = -1; // where the selection started
    qint64 cursor = -1; // where it ends now
    LogColumns shown;
    QToolButton *newEntries = nullptr;
    qint64 seenCount = 0; // entries there were when the user last was at the end
};
