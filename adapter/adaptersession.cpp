// Requests go to the worker, answers come back as queued calls on the session's thread.

#include "adapter/adaptersession.h"

#include "adapter/callworker.h"

#include <mutex>

// Where a finished job posts its outcome: the session while it lives. The lock keeps the
// session from going away while a job posts to it.
struct AdapterSession::Mailbox {
    std::mutex mutex;
    AdapterSession *session = nullptr;
};

AdapterSession::AdapterSession(const AdapterEntries &entries, QObject *parent)
    : QObject(parent), core(std::make_shared<SessionCore>(entries)),
      mailbox(std::make_shared<Mailbox>()), worker(std::make_unique<CallWorker>())
{
    qRegisterMetaType<TransferOutcome>();
    mailbox->session = this;
    grace.setSingleShot(true);
    // The timer is not restarted for every request: short requests follow each other far more
    // often than a timer can be armed for free. When it fires, it looks at the request under way
    // and waits for the rest of that request's grace if needed.
    connect(&grace, &QTimer::timeout, this, [this] {
        if (!current || longCall)
            return;
        const qint64 left = graceMs - since.elapsed();
        if (left > 0)
            return grace.start(int(left));
        longCall = true;
        emit longCallStarted();
    });
}

AdapterSession::~AdapterSession()
{
    {
        std::lock_guard<std::mutex> lock(mailbox->mutex);
        mailbox->session = nullptr;
    }
    if (current)
        worker->abandon();
}

quint64 AdapterSession::submit(const AdapterRequest &request, Answer answer, const void *holder)
{
    if (current || (heldBy && holder != heldBy))
        return 0;
    current = ++lastId;
    pending = std::move(answer);
    since.start();
    if (!grace.isActive())
        grace.start(graceMs);
    const quint64 id = current;
    std::shared_ptr<SessionCore> work = core;
    std::shared_ptr<Mailbox> box = mailbox;
    worker->post([work, box, id, request] {
        TransferOutcome outcome = work->run(request);
        std::lock_guard<std::mutex> lock(box->mutex);
        if (AdapterSession *session = box->session)
            QMetaObject::invokeMethod(
                session,
                [session, id, outcome = std::move(outcome)] { session->deliver(id, outcome); },
                Qt::QueuedConnection);
    });
    return id;
}

bool AdapterSession::hold(const void *holder)
{
    if (heldBy && heldBy != holder)
        return false;
    heldBy = holder;
    return true;
}

void AdapterSession::letGo(const void *holder)
{
    if (!heldBy || heldBy != holder)
        return;
    heldBy = nullptr;
    if (!current)
        emit ready();
}

void AdapterSession::forget(quint64 id)
{
    if (id && id == current)
        pending = nullptr;
}

void AdapterSession::abandon()
{
    if (!current)
        return;
    pending = nullptr;
    worker->abandon();
}

void AdapterSession::deliver(quint64 id, const TransferOutcome &outcome)
{
    if (id != current)
        return;
    current = 0;
    const Answer answer = std::move(pending);
    pending = nullptr;
    if (longCall) {
        longCall = false;
        emit longCallFinished();
    }
    emit ready();
    if (answer)
        answer(outcome);
}
