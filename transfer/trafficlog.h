#pragma once
// The traffic log's entries, kept compactly so that a long run of transfers fits: each entry is
// its direction, its rendering (hex or text, fixed when it is appended) and the raw bytes, packed
// into chunks. Beyond a memory budget the oldest chunks move to a temporary file. The texts the
// user sees, copies and saves are rendered from the bytes on demand.
//
// An entry's text is "TX : " or "RX : " followed by renderTrafficData() of its bytes, with line
// breaks and no-break spaces normalised as the rich-text log always saved them: CR LF, CR,
// U+2028, U+2029, U+FDD0 and U+FDD1 become LF, U+00A0 becomes a blank. So an entry whose text
// decodes to line breaks fills several lines of the text file; everywhere else it is one entry.
//
// The entries a transfer echoed are kept together with the transfer's facts: the settings it
// was made with (an index into a small table of the distinct contexts seen, since they repeat),
// when its call started (delta-encoded against the transfer before) and how long it took. An
// entry appended on its own carries none of them.
//
// A note is an entry of plain text that stands as it is, without a direction: what a flash job
// came to, one line per job. The log keeps the indexes of its notes beside the records, so a
// log without notes is stored, shown and saved exactly as before.

#include "adapter/transferoutcome.h"
#include "transfer/logcolumns.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

class QIODevice;
class LogPattern;
class SpillFile;

// One entry as the log keeps it, with its transfer's facts. `data` stays valid until the log is
// next asked for something or changed.
struct TrafficEntry {
    qint64 index = 0;
    bool sent = false;
    bool hex = false;
    bool note = false; // a line of text without a direction (appendNote())
    const char *data = nullptr;
    int length = 0;
    qint64 transferFirst = 0; // the transfer's first entry
    int transferEntries = 1;
    int context = 0; // 0: appended on its own, no settings or times
    qint64 startUs = 0;
    qint64 durationUs = 0;
    bool hasTransfer() const { return context != 0; }
};

class TrafficLog : public QObject
{
    Q_OBJECT

public:
    explicit TrafficLog(QObject *parent = nullptr);
    ~TrafficLog() override;

    void append(bool sent, const char *data, int length, bool hex);
    // A transfer's echoes in order, the sent ones only if `sent`, the received ones only if
    // `received`, with its context (when its call is known).
    void append(const TransferOutcome &outcome, bool hex, bool sent = true, bool received = true);
    // A line of text as it is, in place of a transfer's echo.
    void appendNote(const QString &text);
    bool isNote(qint64 index) const;
    // Forgets every entry, frees their memory and removes the spill file.
    void clear();

    qint64 count() const { return entryCount; }
    bool isSent(qint64 index) const;
    // The entry's text as the text file holds it, without the final line feed.
    QString lineText(qint64 index) const;
    // The characters of the longest entry text so far (an upper bound), for horizontal extents.
    int longestLine() const { return longest; }

    TrafficEntry entry(qint64 index) const;
    QByteArray entryBytes(qint64 index) const;
    // The settings of context `index` (see TrafficEntry::context); 0 gives an empty one.
    TransferContext context(int index) const;
    int contextCount() const { return static_cast<int>(contexts.size()); }
    // The transfer `entry` belongs to, rebuilt from its entries: sent and received bytes one
    // echo after another, the echoes in their order, its context. An entry appended on its own
    // gives a transfer without a call.
    TransferOutcome transfer(qint64 entry) const;

    // Wall-clock microseconds since the epoch are the transfers' monotonic microseconds plus
    // this offset, taken when the first transfer with a time is appended (or set, for tests).
    qint64 wallClockOffset() const { return wallOffset; }
    void setWallClockOffset(qint64 offsetUs);
    // The time column of an entry: number, time of day and duration ("7 12:34:56.123456
    // +215µs"); "7 - -" for an entry without a transfer.
    QString columnText(qint64 index) const;
    // The entry's line as the window shows it with `columns`, the texts' line breaks kept.
    QString displayText(qint64 index, const LogColumns &columns) const;

    // Stream the log (or `count` entries from `first`) to `device`; false when a write failed.
    // The text is UTF-8, one line feed after each entry. The HTML keeps the rich-text log's
    // structure: one pre-wrap paragraph per line, the direction in green (TX) or blue (RX) and
    // the data in black. The columns come before the direction (times) and after the data
    // (notes); without them the files are those the program always wrote.
    bool writeText(QIODevice &device) const { return writeText(device, 0, entryCount); }
    bool writeText(QIODevice &device, qint64 first, qint64 count,
                   const LogColumns &columns = LogColumns()) const;
    bool writeHtml(QIODevice &device, const QString &fontFamily = QString(),
                   const LogColumns &columns = LogColumns()) const;

    // The nearest entry after (forward) or before `from` whose bytes hold the pattern, or -1.
    // Searches the whole log, spilled chunks included; `from` may be -1 or count().
    qint64 find(const LogPattern &pattern, qint64 from, bool forward) const;

    // Reads entries one after another from `first`, cheaper than entry() for each.
    // Reads entries one after another from a first one, cheaper than entry() for each.
    class Reader;

    // Bytes of entry records the log keeps in memory before it moves chunks to its file.
    void setMemoryBudget(qint64 bytes);
    qint64 memoryBudget() const { return budget; }
    qint64 memoryInUse() const { return inMemory; }
    // The temporary file holding moved chunks; empty while there is none.
    QString spillFileName() const;
    // Chunks are written by a thread of the spill file's; this waits until all are written and
    // their memory is freed (which otherwise happens when the event loop next runs).
    void finishSpilling();

    static constexpr qint64 defaultMemoryBudget = 256 * 1024 * 1024;

signals:
    // Emitted for every append and clear; views coalesce them into their own repaints.
    void appended();
    void cleared();
    // After a transfer's entries were appended, from `first` on.
    void transferAppended(const TransferOutcome &outcome, qint64 first);

private:
    struct Chunk;
    // Where decoding stands: the transfer the last decoded entry belongs to. startUs doubles
    // as the base of the next transfer's delta, so an entry without a transfer keeps it.
    struct Transfer {
        qint64 first = 0;
        qint64 startUs = 0;
        qint64 durationUs = 0;
        qint32 context = 0;
        qint32 entries = 1;
    };
    struct Mark {
        quint32 offset;
        Transfer transfer; // the one before the record at offset
    };
    // The settings that make a context, packed without padding so that bytes compare.
    struct ContextKey {
        char bytes[1 + 4 + 4 + sizeof(SpiConfig) + 4];
        explicit ContextKey(const TransferContext &context);
        bool operator==(const ContextKey &other) const;
    };
    struct ContextHash {
        size_t operator()(const ContextKey &key) const;
    };

    void appendRecord(bool sent, const char *data, int length, bool hex, int context,
                      const TransferContext *facts, int entries);
    int contextIndex(const TransferContext &context);
    void openChunk(int firstRecord);
    void spillOverBudget();
    const QByteArray &chunkBytes(const Chunk &chunk) const;
    void collectSpilled();
    int chunkOf(qint64 index) const;
    const char *decode(const char *p, qint64 index, Transfer *transfer, TrafficEntry *entry) const;

    std::vector<std::unique_ptr<Chunk>> chunks;
    std::vector<qint64> notes; // indexes of the notes, ascending
    qint64 entryCount = 0;
    qint64 inMemory = 0;
    qint64 budget = defaultMemoryBudget;
    int longest = 0;
    Transfer tail; // the transfer of the last entry appended
    std::vector<TransferContext> contexts;
    std::unordered_map<ContextKey, int, ContextHash> contextIndexes;
    int recentContexts[4] = {}; // the contexts used last, newest first, checked before the map
    qint64 wallOffset = 0;
    bool wallOffsetSet = false;
    int oldestInMemory = 0; // chunks before it live in the spill file
    bool spillBroken = false;
    qint64 queued = 0; // memory of chunks handed to the spill file, not yet written
    std::unique_ptr<SpillFile> spill;
    // The spilled chunk read last: views read neighbouring entries one by one.
    mutable int cachedChunk = -1;
    mutable QByteArray cachedBytes;
};

// A walk over the log's entries in order. It must not outlive a change of the log.
class TrafficLog::Reader
{
public:
    Reader(const TrafficLog &log, qint64 first);
    bool atEnd() const { return index >= log.entryCount; }
    // The next entry; call only while !atEnd().
    const TrafficEntry &next();

private:
    void enterChunk(int chunk, qint64 at);
    const TrafficLog &log;
    qint64 index;
    int chunk = -1;
    const char *p = nullptr;
    qint64 chunkEnd = 0;
    QByteArray spilled; // a spilled chunk's records, read for this reader alone
    Transfer skipped;   // the transfer of the entry before the next
    TrafficEntry current;
};
