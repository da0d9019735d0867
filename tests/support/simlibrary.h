#pragma once
// What every test against our simulated adapter library shares: binding it, its record of
// calls, and the bytes it is told to answer with.

#include "adapter/adapterrequest.h"
#include "adapter/transferoutcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Binds the twelve entries of the test library, which the test links, once per test program.
// The test library is the shipped library's code plus the test controls (telkor/telkortest.h).
bool loadSimulatedAdapter();

// The simulated adapter's record of calls, oldest first, and clearing it.
QStringList adapterCalls();
// The same without scans, opens and configurations.
QStringList transferCalls();
void clearAdapterCalls();
// What the master receives next in place of the chips' answers; a frame the remote master
// sends to the slave port.
void queueMiso(const QByteArray &bytes);
void queueSlaveFrame(const QByteArray &bytes);
// "SpiWrite=-1": the next call of that entry gives that result and does nothing else.
void forceNext(const QString &entryAndResult);
class AdapterSession;
// Submits the request and waits (the event loop turning) for its answer; a request the busy
// session refuses fails the test.
TransferOutcome answerOf(AdapterSession &session, const AdapterRequest &request);

// An outcome's echoes as the log shows them in hex: "TX : 11 22 ".
QStringList echoLines(const TransferOutcome &outcome);
