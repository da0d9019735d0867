#pragma once
// What the window shows of the log beyond its lines: the time column, the decoders' notes and
// their choice per chip select, the waveform dock, the find bar and the CSV export. One object
// sets them all up beside the form, so that the window itself only hands over its log view and
// the menus the actions belong in.

#include "transfer/logcolumns.h"

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class LogFindBar;
class TrafficAnnotator;
class TrafficLogView;
class WaveformDock;

class LogFeatures : public QObject
{
    Q_OBJECT

public:
    // Appends its actions to `viewMenu`, puts "另存为 CSV" into `fileMenu` before `before`, and
    // the waveform dock under the window's central widget.
    LogFeatures(QMainWindow *window, TrafficLogView *view, QMenu *viewMenu, QMenu *fileMenu,
                QAction *before);
    ~LogFeatures() override;

    // The columns shown, which saved texts, HTML and CSV files carry.
    LogColumns columns() const;
    TrafficAnnotator &annotator() const { return *notes; }
    WaveformDock *waveform() const { return dock; }
    LogFindBar *findBar() const { return finder; }

private:
    void applyColumns();
    void saveCsv();
    void chooseDecoders();

    QMainWindow *window;
    TrafficLogView *view;
    TrafficAnnotator *notes;
    WaveformDock *dock;
    LogFindBar *finder;
    QAction *showTimes;
    QAction *showNotes;
    bool dockOpened = false; // the waveform dock was opened for the first chosen entry
};
