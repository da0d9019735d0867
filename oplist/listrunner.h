#pragma once
// Runs the operation list: a pass over the checked rows, once or again and again (a cycle).
// A pass is a state machine driven by timers, never a loop inside a slot: each row is one
// step, the event loop runs between rows, and a row's delay is a single-shot timer. Clicks,
// edits and auto-start ticks are therefore handled between rows, as users are used to.
//
// A pass started while another is under way (a click on "run once" during a cycle) runs to its
// end first; the interrupted pass then goes on, after the rest of its delay if any. Rows added
// or deleted meanwhile are followed: a pass goes on with the rows that came after the last row
// it ran, wherever they are now.
//
// The runner owns the passes and the cycle flag and nothing else: the rows belong to the
// model, the adapter to the session; echoes and failures are reported by signals for the
// window or the command-line runner to log and show.

#include "adapter/spisettings.h"
#include "adapter/transferoutcome.h"

#include <QObject>
#include <QVector>

#include <functional>
#include <memory>

class AdapterSession;
class OperationListModel;
class QTimer;

class ListRunner : public QObject
{
    Q_OBJECT

public:
    ListRunner(AdapterSession &session, OperationListModel &model, QObject *parent = nullptr);
    ~ListRunner() override;

    // Where each pass reads the adapter, channel and panel when it starts.
    void setSettingsSource(std::function<PanelSettings()> source);
    // Rows' delays are skipped (the command-line runner's --no-delay).
    void setSkipDelays(bool skip) { skipDelays = skip; }

    bool isCycling() const { return cycling; }
    bool isRunning() const { return !frames.empty(); }

    // One pass over the checked rows. The adapter is prepared first, also with no row checked.
    void runOnce();
    // Starts a cycle when at least one row is checked.
    void startCycle();
    // Ends the cycle after the pass under way; it finishes its rows.
    void stopCycle();
    // Ends everything at once (the window is closing); nothing more is reported.
    void abandon();

signals:
    // A row's transfer succeeded: its bytes to echo.
    void echo(const TransferOutcome &outcome);
    // Preparing the adapter failed (at the start of a pass, or before a row once the
    // configuration went stale); the pass and the cycle end.
    void notReady(const QString &message);
    // A row failed; the pass and the cycle end.
    void rowFailed(const QString &message);
    // A row's delay starts (not emitted while delays are skipped).
    void delayStarted(int milliseconds);
    // A pass ended; `ranRows` tells whether any checked row ran. Emitted before the next pass of
    // a cycle starts, so a handler may still stop the cycle.
    void passFinished(bool ranRows);
    // The cycle started or ended (a stop click shows at once; a failure after its warning).
    void cycleChanged(bool running);
    // The last pass under way ended (or was abandoned); nothing runs any more. Emitted while the
    // runner is still in its step: a handler should act on it later, not start a pass at once.
    void idle();

private:
    struct Frame;
    void announceCycle(bool running);
    void scheduleStep();
    void step();
    // Prepares the adapter with the panel as it is now; false when the pass ended (the
    // preparation failed, or everything was abandoned meanwhile).
    bool prepare(Frame *frame, int started);
    void finishPass(Frame *frame);
    void endFrame(Frame *frame);
    void removeFrame(Frame *frame);
    void rowsChanged();

    AdapterSession &session;
    OperationListModel &model;
    std::function<PanelSettings()> settingsSource;
    bool skipDelays = false;
    bool cycling = false;
    bool announcedCycling = false; // what cycleChanged last said
    // Changes when everything is abandoned, so that a step interrupted by a signal's handler
    // knows that its frame is gone.
    int generation = 0;
    QTimer *stepTimer;
    std::vector<std::unique_ptr<Frame>> frames;
};
