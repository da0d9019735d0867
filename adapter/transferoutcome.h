#pragma once
// What one transfer came to: the bytes to echo in the traffic log, in order, or why nothing
// (more) happened. The session fills it; the window and the command-line runner echo and warn.

#include <QByteArray>
#include <QString>
#include <QVector>

struct TransferOutcome {
    enum class Status {
        Done,      // every call succeeded (possibly there was nothing to do)
        NotReady,  // scanning, opening or configuring the adapter failed
        Refused,   // the request was turned down before any transfer call
        Failed,    // a transfer call failed (list rows: also a refused row)
        Abandoned, // the wait for a long call was given up (the window is closing)
    };
    // One log entry: `length` bytes at `offset` of `sent` (TX) or `received` (RX).
    struct Echo {
        bool sent;
        int offset;
        int length;
    };

    Status status = Status::Done;
    QString message; // the warning text unless Done
    QByteArray sent;
    QByteArray received;
    QVector<Echo> echoes;

    bool ok() const { return status == Status::Done; }
    static TransferOutcome failure(Status status, const QString &message)
    {
        TransferOutcome outcome;
        outcome.status = status;
        outcome.message = message;
        return outcome;
    }
    void echoSent(int offset, int length) { echoes.append({true, offset, length}); }
    void echoReceived(int offset, int length) { echoes.append({false, offset, length}); }
};
