#pragma once
// Runs the operation list: a pass over the checked rows, once or again and again (a cycle).
// A pass is a plain state machine: each checked row becomes a request to the adapter session,
// its answer is the next step, and a row's delay is a single-shot timer. The event loop runs
// between all of them, so clicks, edits and auto-start ticks are handled between rows, as users
// are used to. When the session is busy with someone else's request (an auto-start tick), the
// pass waits for it to be ready.
//
// One pass at a time: "run once" while a pass runs does nothing; starting a cycle while a single
// pass runs makes that pass the cycle's first. Rows added or deleted meanwhile are followed: a
// pass goes on with the rows that came after the last row it ran, wherever they are now.
//
// The runner owns the pass and the cycle flag and nothing else: the rows belong to the model,
// the adapter to the session; echoes and failures are reported by signals for the window or
// the command-line runner to log and show.

#include "adapter/adaptersession.h"
#include "adapter/spisettings.h"
#include "adapter/transferoutcome.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class OperationListModel;
class RowTracker;
struct AdapterRequest;

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
    bool isRunning() const { return stage != Stage::Idle; }

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
    void notReady(const TransferOutcome &outcome);
    // A row failed; the pass and the cycle end.
    void rowFailed(const TransferOutcome &outcome);
    // A row's delay starts (not emitted while delays are skipped).
    void delayStarted(int milliseconds);
    // A pass ended; `ranRows` tells whether any checked row ran. Emitted before the next pass of
    // a cycle starts, so a handler may still stop the cycle.
    void passFinished(bool ranRows);
    // The cycle started or ended (a stop click shows at once; a failure after its warning).
    void cycleChanged(bool running);
    // The pass ended (or was abandoned); nothing runs any more.
    void idle();

private:
    enum class Stage {
        Idle,
        Start,          // a pass is to prepare the adapter
        Rows,           // the next checked row is to run
        Waiting,        // a request is out, its answer awaited
        AfterRow,       // a row ran; its delay is read once the event loop has turned
        Delay,          // a row's delay runs
        WaitingForRows, // a cycle with no checked row sleeps until the list changes
    };

    void startPass();
    void step();
    void schedule(Stage next);
    // Sends the request, or waits for the session to be ready when it is busy.
    void send(const AdapterRequest &request, void (ListRunner::*answered)(const TransferOutcome &));
    void prepared(const TransferOutcome &outcome);
    void rowDone(const TransferOutcome &outcome);
    void nextRow();
    // Ends the pass after a failure, whose warning `report` gives.
    void fail(void (ListRunner::*report)(const TransferOutcome &), const TransferOutcome &outcome);
    void finishPass();
    void endPass();
    void sessionReady();
    void rowsChanged();
    void announceCycle(bool running);

    AdapterSession &session;
    OperationListModel &model;
    QPointer<AdapterSession> sessionAlive;
    std::function<PanelSettings()> settingsSource;
    bool skipDelays = false;
    bool cycling = false;
    bool announcedCycling = false; // what cycleChanged last said
    Stage stage = Stage::Idle;
    PanelSettings settings; // read when the pass started, or when it prepared again
    int next = 0;           // the row to look at next
    bool ranRow = false;
    quint64 request = 0; // the request whose answer is awaited
    // The session was busy: the step is taken again when it is ready.
    bool waitingForSession = false;
    QPersistentModelIndex current;
    std::unique_ptr<RowTracker> tracker;
    QTimer stepTimer;
    QTimer delay;
};
