#include "oplist/listrunner.h"

#include "adapter/adapterrequest.h"
#include "adapter/adaptersession.h"
#include "oplist/operationlistmodel.h"
#include "oplist/operationrow.h"
#include "oplist/rowtracker.h"
#include "oplist/rowvalues.h"

ListRunner::ListRunner(AdapterSession &session, OperationListModel &model, QObject *parent)
    : QObject(parent), session(session), model(model), sessionAlive(&session)
{
    stepTimer.setSingleShot(true);
    stepTimer.setInterval(0);
    connect(&stepTimer, &QTimer::timeout, this, &ListRunner::step);
    delay.setSingleShot(true);
    delay.setTimerType(Qt::PreciseTimer);
    connect(&delay, &QTimer::timeout, this, &ListRunner::nextRow);
    // A cycle with no checked row sleeps until the list changes instead of spinning.
    connect(&model, &QAbstractItemModel::dataChanged, this, &ListRunner::rowsChanged);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &ListRunner::rowsChanged);
    connect(&session, &AdapterSession::ready, this, &ListRunner::sessionReady);
}

ListRunner::~ListRunner()
{
    // The session may be gone already (the window's members go before its children).
    if (sessionAlive)
        session.forget(request);
}

void ListRunner::setSettingsSource(std::function<PanelSettings()> source)
{
    settingsSource = std::move(source);
}

void ListRunner::runOnce()
{
    if (stage != Stage::Idle)
        return;
    startPass();
}

void ListRunner::startCycle()
{
    if (cycling || !model.anyChecked())
        return;
    cycling = true;
    announceCycle(true);
    if (stage == Stage::Idle)
        startPass();
}

void ListRunner::stopCycle()
{
    if (!cycling)
        return;
    cycling = false;
    announceCycle(false);
    if (stage == Stage::WaitingForRows)
        schedule(Stage::WaitingForRows); // a cycle waiting for rows ends now
}

void ListRunner::abandon()
{
    cycling = false;
    announcedCycling = false; // nothing more is reported
    stepTimer.stop();
    delay.stop();
    waitingForSession = false;
    session.forget(request);
    request = 0;
    const bool wasRunning = stage != Stage::Idle;
    stage = Stage::Idle;
    tracker.reset();
    if (wasRunning)
        emit idle();
}

void ListRunner::announceCycle(bool running)
{
    // A stop click shows at once and the end of the stopped pass changes nothing more.
    if (running == announcedCycling)
        return;
    announcedCycling = running;
    emit cycleChanged(running);
}

void ListRunner::startPass()
{
    // The pass starts at once, as a click has always started it: the adapter is prepared, or
    // the first row asked for, before the event loop gets control again.
    stage = Stage::Start;
    ranRow = false;
    next = 0;
    step();
}

void ListRunner::schedule(Stage nextStage)
{
    stage = nextStage;
    stepTimer.start();
}

void ListRunner::rowsChanged()
{
    if (stage == Stage::WaitingForRows)
        schedule(Stage::WaitingForRows);
}

void ListRunner::sessionReady()
{
    if (waitingForSession) {
        waitingForSession = false;
        step();
    }
}

void ListRunner::send(const AdapterRequest &req,
                      void (ListRunner::*answered)(const TransferOutcome &))
{
    const Stage retry = stage;
    stage = Stage::Waiting;
    request = session.submit(req, [this, answered](const TransferOutcome &outcome) {
        request = 0;
        (this->*answered)(outcome);
    });
    if (request)
        return;
    // Someone else's call is under way (a transfer of the auto-start or the window): the step
    // is taken again once the session is ready, with whatever changed meanwhile (a failed
    // transfer leaves the configuration stale, to be prepared before the row).
    stage = retry;
    waitingForSession = true;
}

void ListRunner::step()
{
    switch (stage) {
    case Stage::Idle:
    case Stage::Waiting:
    case Stage::Delay:
        return;
    case Stage::Start:
        settings = settingsSource ? settingsSource() : PanelSettings();
        if (session.isStale())
            return send(AdapterRequest::prepare(settings), &ListRunner::prepared);
        stage = Stage::Rows;
        return step();
    case Stage::Rows: {
        const int count = model.rowCount();
        int row = next;
        while (row < count && !model.isChecked(row))
            ++row;
        if (row >= count)
            return finishPass();
        // A failure elsewhere (an auto-start tick between rows) or a change of the panel made
        // the configuration stale: it is prepared again, with the panel as it is now, before
        // the row's transfer.
        if (session.isStale()) {
            settings = settingsSource ? settingsSource() : PanelSettings();
            return send(AdapterRequest::prepare(settings), &ListRunner::prepared);
        }
        ranRow = true;
        current = QPersistentModelIndex(model.index(row, 0));
        tracker = std::make_unique<RowTracker>(&model, row);
        return send(rowRequest(model.row(row), settings), &ListRunner::rowDone);
    }
    case Stage::AfterRow:
        // The row's delay is read now, from the row as it is after the event loop turned (it
        // may have been edited or deleted meanwhile).
        if (current.isValid()) {
            const int milliseconds = rowNumber(model.row(current.row()).delay);
            if (milliseconds > 0 && !skipDelays) {
                stage = Stage::Delay;
                delay.start(milliseconds);
                emit delayStarted(milliseconds);
                return;
            }
        }
        return nextRow();
    case Stage::WaitingForRows:
        if (!cycling)
            return endPass();
        stage = Stage::Start;
        return step();
    }
}

void ListRunner::nextRow()
{
    // The rows that followed the last one run, wherever they are now.
    next = tracker->nextRow();
    stage = Stage::Rows;
    step();
}

void ListRunner::prepared(const TransferOutcome &outcome)
{
    if (!outcome.ok())
        return fail(&ListRunner::notReady, outcome);
    stage = Stage::Rows;
    step();
}

void ListRunner::rowDone(const TransferOutcome &outcome)
{
    if (!outcome.ok())
        return fail(&ListRunner::rowFailed, outcome);
    schedule(Stage::AfterRow);
    emit echo(outcome);
}

void ListRunner::fail(void (ListRunner::*report)(const TransferOutcome &),
                      const TransferOutcome &outcome)
{
    // The pass is over before the warning opens: the user may start another while it shows,
    // and the cycle button keeps its running look until the warning is answered.
    cycling = false;
    stage = Stage::Idle;
    tracker.reset();
    emit idle();
    emit(this->*report)(outcome);
    if (!cycling)
        announceCycle(false);
}

void ListRunner::finishPass()
{
    stage = Stage::Idle; // the pass is over; what follows is decided below
    emit passFinished(ranRow);
    if (stage != Stage::Idle)
        return; // a handler started a pass of its own
    if (cycling) {
        // Between passes the event loop turns; a cycle that ran no row waits for the list to
        // change instead of spinning.
        ranRow ? schedule(Stage::Start) : void(stage = Stage::WaitingForRows);
        next = 0;
        ranRow = false;
        return;
    }
    endPass();
}

void ListRunner::endPass()
{
    stage = Stage::Idle;
    tracker.reset();
    announceCycle(false);
    emit idle();
}
