#include "oplist/listrunner.h"

#include "adapter/adaptersession.h"
#include "oplist/operationlistmodel.h"
#include "oplist/rowtracker.h"
#include "oplist/rowvalues.h"

#include <QPersistentModelIndex>
#include <QTimer>

struct ListRunner::Frame {
    enum class Stage { Start, Rows, AfterRow, Delay, WaitingForRows };

    explicit Frame(bool isCycle) : cycle(isCycle)
    {
        delay.setSingleShot(true);
        delay.setTimerType(Qt::PreciseTimer);
    }

    const bool cycle;
    Stage stage = Stage::Start;
    PanelSettings settings;
    int next = 0;
    bool ranRow = false;
    QPersistentModelIndex current;
    std::unique_ptr<RowTracker> tracker;
    QTimer delay;
};

ListRunner::ListRunner(AdapterSession &session, OperationListModel &model, QObject *parent)
    : QObject(parent), session(session), model(model), stepTimer(new QTimer(this))
{
    stepTimer->setSingleShot(true);
    stepTimer->setInterval(0);
    connect(stepTimer, &QTimer::timeout, this, &ListRunner::step);
    // A cycle with no checked row sleeps until the list changes instead of spinning.
    connect(&model, &QAbstractItemModel::dataChanged, this, &ListRunner::rowsChanged);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &ListRunner::rowsChanged);
    // A pass waits while another transfer's long call is awaited, and goes on after it.
    connect(&session.calls(), &CallWorker::longCallFinished, this, &ListRunner::scheduleStep);
}

ListRunner::~ListRunner() = default;

void ListRunner::setSettingsSource(std::function<PanelSettings()> source)
{
    settingsSource = std::move(source);
}

void ListRunner::runOnce()
{
    frames.push_back(std::make_unique<Frame>(false));
    Frame *frame = frames.back().get();
    connect(&frame->delay, &QTimer::timeout, this, &ListRunner::scheduleStep);
    // The pass starts at once, as a click has always started it: the adapter is prepared and
    // the first row runs before the event loop gets control again.
    step();
}

void ListRunner::startCycle()
{
    if (cycling || !model.anyChecked())
        return;
    cycling = true;
    announceCycle(true);
    frames.push_back(std::make_unique<Frame>(true));
    connect(&frames.back()->delay, &QTimer::timeout, this, &ListRunner::scheduleStep);
    step();
}

void ListRunner::stopCycle()
{
    if (!cycling)
        return;
    cycling = false;
    announceCycle(false);
    scheduleStep(); // a cycle waiting for rows ends now
}

void ListRunner::abandon()
{
    ++generation;
    cycling = false;
    announcedCycling = false; // nothing more is reported
    stepTimer->stop();
    const bool wasRunning = !frames.empty();
    frames.clear();
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

void ListRunner::scheduleStep()
{
    if (!frames.empty())
        stepTimer->start();
}

void ListRunner::rowsChanged()
{
    if (!frames.empty() && frames.back()->stage == Frame::Stage::WaitingForRows)
        scheduleStep();
}

void ListRunner::removeFrame(Frame *frame)
{
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        if (it->get() == frame) {
            frames.erase(it);
            if (frames.empty())
                emit idle();
            return;
        }
    }
}

void ListRunner::endFrame(Frame *frame)
{
    const bool cycleFrame = frame->cycle;
    removeFrame(frame);
    if (cycleFrame)
        announceCycle(false);
    scheduleStep();
}

void ListRunner::step()
{
    if (frames.empty())
        return;
    // While a long library call is awaited the event loop turns, and a timer of this runner
    // may fire: no second transfer starts then, the pass simply waits for the call to end.
    if (session.isBusy())
        return;
    Frame *frame = frames.back().get();
    const int started = generation;
    using Stage = Frame::Stage;
    for (;;) {
        switch (frame->stage) {
        case Stage::Start:
            if (!prepare(frame, started))
                return;
            frame->stage = Stage::Rows;
            frame->next = 0;
            frame->ranRow = false;
            continue;
        case Stage::Rows: {
            const int count = model.rowCount();
            int row = frame->next;
            while (row < count && !model.isChecked(row))
                ++row;
            if (row >= count)
                return finishPass(frame);
            // A failure elsewhere (an auto-start tick between rows) or a change of the panel
            // made the configuration stale: the row's transfer configures the adapter first,
            // as every transfer does.
            if (session.isStale() && !prepare(frame, started))
                return;
            frame->ranRow = true;
            const TransferOutcome outcome =
                session.runRow(frame->settings.device, frame->settings.channel, model.row(row));
            if (started != generation || outcome.status == TransferOutcome::Status::Abandoned)
                return;
            if (!outcome.ok()) {
                cycling = false;
                const bool cycleFrame = frame->cycle;
                removeFrame(frame);
                emit rowFailed(outcome.message);
                if (started != generation)
                    return;
                if (cycleFrame)
                    announceCycle(false);
                scheduleStep();
                return;
            }
            frame->current = QPersistentModelIndex(model.index(row, 0));
            frame->tracker = std::make_unique<RowTracker>(&model, row);
            frame->stage = Stage::AfterRow;
            emit echo(outcome);
            // The event loop runs between rows; the row's delay is read afterwards, from the
            // row as it is then (it may have been edited or deleted meanwhile).
            scheduleStep();
            return;
        }
        case Stage::AfterRow:
            if (frame->current.isValid()) {
                const int delay = rowNumber(model.row(frame->current.row()).delay);
                if (delay > 0 && !skipDelays) {
                    frame->stage = Stage::Delay;
                    frame->delay.start(delay);
                    emit delayStarted(delay);
                    return;
                }
            }
            frame->next = frame->tracker->nextRow();
            frame->stage = Stage::Rows;
            continue;
        case Stage::Delay:
            if (frame->delay.isActive())
                return; // a pass started on top of this one ended before the delay did
            frame->next = frame->tracker->nextRow();
            frame->stage = Stage::Rows;
            continue;
        case Stage::WaitingForRows:
            if (!cycling)
                return endFrame(frame);
            frame->stage = Stage::Start;
            continue;
        }
    }
}

bool ListRunner::prepare(Frame *frame, int started)
{
    frame->settings = settingsSource ? settingsSource() : PanelSettings();
    const QString problem = session.prepare(frame->settings);
    if (started != generation)
        return false;
    if (problem.isEmpty())
        return true;
    if (frame->cycle)
        cycling = false;
    // Out of the stack before the warning opens: the user may start another pass while it is
    // shown.
    const bool cycleFrame = frame->cycle;
    removeFrame(frame);
    emit notReady(problem);
    if (started != generation)
        return false;
    if (cycleFrame)
        announceCycle(false);
    scheduleStep();
    return false;
}

void ListRunner::finishPass(Frame *frame)
{
    const int started = generation;
    const bool ranRows = frame->ranRow;
    emit passFinished(ranRows);
    if (started != generation)
        return;
    if (frame->cycle && cycling) {
        frame->stage = ranRows ? Frame::Stage::Start : Frame::Stage::WaitingForRows;
        if (ranRows)
            scheduleStep();
        return;
    }
    endFrame(frame);
}
