#pragma once
// The flash engine's only way to the bus: one chip-select assertion at a time, answered later.
// The window and kavris-run give it one over their adapter session; tests give it one over a
// simulated chip.

#include <QByteArray>
#include <QString>

#include <functional>

class FlashLink
{
public:
    virtual ~FlashLink() = default;

    // `in` holds exactly `readCount` bytes when `ok`; `error` says what failed otherwise.
    using Done = std::function<void(bool ok, const QByteArray &in, const QString &error)>;

    // One chip-select assertion: `out` is clocked out, then `readCount` bytes are read under
    // the same assertion (0: a plain write). `done` is called once, later, from the event loop,
    // never from inside exchange().
    virtual void exchange(const QByteArray &out, int readCount, Done done) = 0;

    // Why this link cannot carry a write followed by a read in one assertion (a bus mode that
    // cannot), as a sentence for the user; empty when it can.
    virtual QString unsuitable() const { return QString(); }

    // The most bytes one assertion may clock, written and read together.
    virtual int transferLimit() const { return 20480; }
};
