// Requests go to the worker, answers come back as queued calls on the session's thread.

#include "adapter/adaptersession.h"

#include "adapter/callworker.h"

#include <QAbstractEventDispatcher>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace
{

// How long the session's thread, about to sleep right after making a request, waits for its
// answer first. Most calls take a few microseconds; waking a sleeping thread for their answer
// costs more than that, and the answer of a short call is posted within this time.
constexpr std::chrono::microseconds answerSpin(50);

} // namespace

// Where a finished job posts its outcome: the session while it lives. The lock keeps the
// session from going away while a job posts to it.
struct AdapterSession::Mailbox {
    std::mutex mutex;
    AdapterSession *session = nullptr;
    std::atomic<quint64> posted{0}; // the last request whose answer is posted
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
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &AdapterSession::awaitShortAnswer);
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
    spinFor = current;
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
        box->posted.store(id, std::memory_order_release);
    });
    return id;
}

void AdapterSession::awaitShortAnswer()
{
    // Once per request, at the first time the thread would sleep after making it: the answer
    // posted meanwhile is then there when the event loop looks, with no wake-up.
    if (!spinFor || spinFor != current)
        return;
    const quint64 id = spinFor;
    spinFor = 0;
    const auto end = std::chrono::steady_clock::now() + answerSpin;
    while (mailbox->posted.load(std::memory_order_acquire) != id &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
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
