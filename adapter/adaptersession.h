#pragma once
// The adapter session: the one owner of the adapter. It takes typed requests (preparing the
// adapter, the six transfers, list rows, the firmware query), carries each out on its worker
// thread and answers with the outcome on the thread that asked, from the event loop. Nobody
// ever waits for the adapter, and no event loop runs inside a call.
//
// One request at a time: a request made while another is under way is refused here, in one
// place; callers wait for `ready()` or drop what they wanted (a tick that comes due). A request
// that takes longer than the grace time (100 ms) is announced with longCallStarted() and
// longCallFinished(), so that a window can show why its controls start nothing meanwhile;
// shorter ones show nothing at all.
//
// The session holds the configuration last applied and the stale flag (SessionCore); it never
// logs or warns itself, so the window and the command-line runner share every rule.

#include "adapter/adapterlibrary.h"
#include "adapter/adapterrequest.h"
#include "adapter/sessioncore.h"
#include "adapter/transferoutcome.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class CallWorker;

class AdapterSession : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(const TransferOutcome &)>;

    explicit AdapterSession(const AdapterEntries &entries, QObject *parent = nullptr);
    // A request still under way is abandoned: it ends on its own and is not answered.
    ~AdapterSession() override;

    // Queues the request unless another is under way, or the session is held by another
    // holder than `holder`. Returns its id (never 0), or 0 when it was refused; `answer` is
    // then never called. Otherwise `answer` gets the outcome later, from the event loop, unless
    // the request is forgotten first.
    quint64 submit(const AdapterRequest &request, Answer answer, const void *holder = nullptr);
    // A holder (a flash job) keeps the session for a run of its own requests: until it lets
    // go, every other request is refused, also in the pauses between its requests, so that
    // nothing reconfigures the adapter or talks to the chip in the middle of the job. False
    // when another holder has the session. Letting go announces ready() when nothing runs.
    bool hold(const void *holder);
    void letGo(const void *holder);
    bool isHeld() const { return heldBy != nullptr; }
    // The answer to request `id` is not wanted any more; the request itself still runs.
    void forget(quint64 id);
    // The window is closing: the request under way is not answered and counts as abandoned
    // until it ends (CallWorker::abandonedCallRunning()).
    void abandon();

    bool isBusy() const { return current != 0; }
    // Busy for longer than the grace time.
    bool isLong() const { return longCall; }
    void setGraceMilliseconds(int milliseconds) { graceMs = milliseconds; }

    // Stale: the next transfer scans, opens and configures the adapter first. Every failed
    // transfer call and every change of the panel makes the configuration stale.
    bool isStale() const { return core->isStale(); }
    void markStale() { core->markStale(); }
    SpiConfig appliedConfig() const { return core->appliedConfig(); }

    // The library call under way and how long it should take, in milliseconds (0 when
    // unknown), for the busy indicator.
    SessionStep step() const { return core->step(); }
    qint64 expectedMs() const { return core->expectedUs() / 1000; }

signals:
    void longCallStarted();
    void longCallFinished();
    // The request under way was answered (or it ended unanswered): a new one may be made now.
    // Emitted before the answer is handed over.
    void ready();

private:
    struct Mailbox;
    void deliver(quint64 id, const TransferOutcome &outcome);
    void awaitShortAnswer();

    std::shared_ptr<SessionCore> core;
    std::shared_ptr<Mailbox> mailbox;
    std::unique_ptr<CallWorker> worker;
    QTimer grace;
    int graceMs = 100;
    QElapsedTimer since; // when the request under way was made
    quint64 lastId = 0;
    quint64 current = 0; // the request under way, 0 for none
    quint64 spinFor = 0; // the request whose answer is awaited before the thread first sleeps
    Answer pending;      // its answer, empty once forgotten
    bool longCall = false;
    const void *heldBy = nullptr; // see hold()
};
