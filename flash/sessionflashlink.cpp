// Exchanges as session requests, queued while the session is busy with another one.

#include "flash/sessionflashlink.h"

#include "adapter/adaptermessages.h"

#include <QCoreApplication>

SessionFlashLink::SessionFlashLink(AdapterSession &session, const PanelSettings &settings,
                                   const void *holder, QObject *parent)
    : QObject(parent), session(session), panel(settings), holder(holder)
{
    // Whoever held the session has its answer next; this link asks again before that answer
    // is handed over, so a waiting exchange is never overtaken for long.
    connect(&session, &AdapterSession::ready, this, &SessionFlashLink::submitWaiting);
}

SessionFlashLink::~SessionFlashLink()
{
    if (underWay)
        session.forget(underWay);
}

QString SessionFlashLink::unsuitable() const
{
    // Every master mode carries a write followed by a read in one assertion: the half-duplex
    // modes and single-bus mode read after writing, full duplex clocks filler while it reads.
    // A slave answers a remote master and cannot send a command of its own.
    if (!panel.isMaster())
        return QCoreApplication::translate(
            "SessionFlashLink",
            "闪存操作需要主机模式：从机不能向芯片发送命令，请在主从模式中选择主机。");
    return QString();
}

void SessionFlashLink::exchange(const QByteArray &out, int readCount, Done done)
{
    queue.append({out, readCount, std::move(done)});
    ++made;
    // Only the oldest may go: the engine's commands keep their order.
    if (queue.size() == 1 && underWay == 0) {
        submitWaiting();
        if (!queue.isEmpty())
            ++waited;
    }
}

void SessionFlashLink::submitWaiting()
{
    if (queue.isEmpty() || underWay != 0)
        return;
    const Waiting next = queue.first();
    const quint64 id = session.submit(
        AdapterRequest::exchange(panel, next.out, next.readCount),
        [this, done = next.done](const TransferOutcome &outcome) {
            underWay = 0;
            // The next exchange (if the engine queued one already) goes before this answer's
            // consequences, in order.
            submitWaiting();
            if (outcome.ok())
                done(true, outcome.received, QString());
            else
                done(false, QByteArray(), adapterErrorText(outcome));
        },
        holder);
    if (id == 0)
        return; // busy: ready() brings this back
    underWay = id;
    queue.removeFirst();
}
