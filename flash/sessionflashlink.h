#pragma once
// The flash engine's link over an adapter session: each exchange is one request of the session
// (a master's write, then a read, under one chip-select assertion) with the settings the job
// started with. The session may be busy with someone else's request when the engine asks: the
// exchange then waits for the session's ready() and is made again, never dropped, never
// blocking.

#include "adapter/adaptersession.h"
#include "adapter/spisettings.h"
#include "flash/flashlink.h"

#include <QObject>

class SessionFlashLink : public QObject, public FlashLink
{
    Q_OBJECT

public:
    // `holder`: the session's holder the requests are made as (see AdapterSession::hold).
    SessionFlashLink(AdapterSession &session, const PanelSettings &settings,
                     const void *holder = nullptr, QObject *parent = nullptr);
    // An exchange under way is forgotten: its answer never reaches the engine.
    ~SessionFlashLink() override;

    void exchange(const QByteArray &out, int readCount, Done done) override;
    QString unsuitable() const override;

    const PanelSettings &settings() const { return panel; }
    // Exchanges made so far, and how many of them had to wait for the session first.
    int exchanges() const { return made; }
    int waits() const { return waited; }

private:
    void submitWaiting();

    AdapterSession &session;
    PanelSettings panel;
    const void *holder;
    quint64 underWay = 0; // the session's id of the exchange under way
    struct Waiting {
        QByteArray out;
        int readCount = 0;
        Done done;
    };
    QVector<Waiting> queue; // refused by the busy session, oldest first
    int made = 0;
    int waited = 0;
};
