#pragma once
// The flash engine: identifies a SPI NOR flash and reads, verifies, erases and writes it
// through a FlashLink, for the window and for kavris-run alike.
//
// A job is a state machine driven by the link's answers: every bus operation is a request
// answered later from the event loop; nothing blocks, sleeps or turns an event loop of its
// own. Each job first identifies the chip (9F, then its SFDP tables, else the built-in table),
// then works on it. Waits for a busy chip poll its status, at once after a page program and
// with growing pauses during an erase, and end in an error once the chip data's longest time
// is over. A cancel takes effect between two operations, never inside a program or erase.
//
// Memory: a write holds the image (shared with the caller), two bits per page and erase unit,
// and one chunk of the chip at a time; a read collects what it reads unless told not to.

#include "flash/flashchip.h"
#include "flash/flashjob.h"
#include "flash/flashlink.h"
#include "flash/flashresult.h"
#include "flash/sfdp.h"
#include "flash/writeplan.h"

#include <QMetaType>
#include <QObject>

#include <functional>
#include <memory>

class FlashEngine : public QObject
{
    Q_OBJECT

public:
    // Monotonic microseconds.
    using Clock = std::function<qint64()>;

    // `link` must outlive the engine.
    explicit FlashEngine(FlashLink *link, QObject *parent = nullptr);
    ~FlashEngine() override;

    // Tests give their own clock; the default is the system's monotonic clock.
    void setClock(Clock clock);
    // The system's monotonic clock, in microseconds since its first use.
    static qint64 monotonicUs();
    // The longest pause between two status polls while an erase or status write runs. The
    // pauses start at 0 and grow with the time waited (an eighth of it), up to this.
    void setPollIntervalMs(int milliseconds);

    // Starts `job`; false, and nothing happens, while another job runs. The job begins from
    // the event loop: no signal comes from inside start().
    bool start(const FlashJob &job);
    // The job stops after the operation under way; finished() then says what is left in
    // which state.
    void cancel();
    bool isRunning() const { return running; }
    // The chip as the last job found it.
    const FlashChip &chip() const { return found; }

signals:
    void identified(const FlashChip &chip);
    // Bytes of the phase done so far out of `total`; 0 of the total when a phase begins.
    void progress(FlashPhase phase, quint64 done, quint64 total);
    // A read job's bytes at `address`, in order.
    void dataRead(quint64 address, const QByteArray &bytes);
    void finished(const FlashResult &result);

private:
    using Next = std::function<void()>;
    using Answer = std::function<void(const QByteArray &)>;
    // What a read of a range does with each chunk; false when it ended the job.
    using Sink = std::function<bool(quint64 address, const QByteArray &bytes)>;

    void send(const QByteArray &out, int readCount, Answer next);
    // Write enable, then `command`: how every command that changes the chip is sent.
    void sendEnabled(const QByteArray &command, Next next);
    void run(quint64 generation);
    void identify();
    void readSfdp(const FlashChipInfo *row);
    void resolve(const FlashChipInfo *row, bool useSfdp);
    void dispatch();
    bool checkRange(quint64 length);
    void checkProtection(quint64 start, quint64 end, Next next);
    void unprotect(quint8 status, quint64 start, quint64 end, Next next);
    void enterFourByte(Next next);

    void readRange(FlashPhase phase, quint64 start, quint64 length, Sink sink, Next done);
    void readNext();
    void eraseNext();
    void programNext();
    void waitReady(FlashOperation operation, quint64 address, quint64 length, qint64 boundUs,
                   bool patient, Next next);
    void pollStatus();

    void startWrite();
    void startErasing();
    void startProgramming();
    void startVerifying();

    // Ends the job: with `error`, or as it stands.
    void fail(FlashError error, bool midOperation = false);
    void failLink(const QString &message);
    void finish();
    void emitFinished();
    qint64 now() const { return clock(); }

    FlashLink *link;
    Clock clock;
    int pollMaxMs = 2;

    bool running = false;
    bool cancelRequested = false;
    quint64 generation = 0; // answers of an earlier job (or a finished one) are dropped
    FlashJob job;
    FlashResult result;
    FlashChip found;
    Sfdp sfdp;
    bool fourByteEntered = false;

    FlashPhase phase = FlashPhase::Identify;
    int done = 0; // operations of the phase finished
    std::unique_ptr<WritePlan> plan;
    QVector<WritePlan::Erase> eraseSteps; // the erase job's, or the plan's
    quint64 eraseTotal = 0;
    Next afterPhase;

    struct {
        quint64 at = 0, end = 0, total = 0, start = 0;
        Sink sink;
        Next done;
    } reading;

    struct {
        FlashOperation operation = FlashOperation::None;
        quint64 address = 0, length = 0;
        qint64 boundUs = 0, startUs = 0;
        bool patient = false;
        Next next;
    } waiting;
};

Q_DECLARE_METATYPE(FlashChip)
Q_DECLARE_METATYPE(FlashResult)
Q_DECLARE_METATYPE(FlashPhase)
