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
// A note is an entry of plain text that stands as it is, without a direction: what a flash job
// came to, one line per job. The log keeps the indexes of its notes beside the records, so a
// log without notes is stored, shown and saved exactly as before.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QIODevice;
struct TransferOutcome;
class SpillFile;

class TrafficLog : public QObject
{
    Q_OBJECT

public:
    explicit TrafficLog(QObject *parent = nullptr);
    ~TrafficLog() override;

    void append(bool sent, const char *data, int length, bool hex);
    // A transfer's echoes in order, the sent ones only if `sent`, the received ones only if
    // `received`.
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

    // Stream the log (or `count` entries from `first`) to `device`; false when a write failed.
    // The text is UTF-8, one line feed after each entry. The HTML keeps the rich-text log's
    // structure: one pre-wrap paragraph per line, the direction in green (TX) or blue (RX) and
    // the data in black.
    bool writeText(QIODevice &device) const { return writeText(device, 0, entryCount); }
    bool writeText(QIODevice &device, qint64 first, qint64 count) const;
    bool writeHtml(QIODevice &device, const QString &fontFamily = QString()) const;

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

private:
    struct Chunk;
    struct Entry {
        bool sent;
        bool hex;
        const char *data;
        int length;
    };

    void openChunk(int firstRecord);
    void spillOverBudget();
    const QByteArray &chunkBytes(const Chunk &chunk) const;
    void collectSpilled();
    int chunkOf(qint64 index) const;
    Entry entryAt(qint64 index) const;

    std::vector<std::unique_ptr<Chunk>> chunks;
    std::vector<qint64> notes; // indexes of the notes, ascending
    qint64 entryCount = 0;
    qint64 inMemory = 0;
    qint64 budget = defaultMemoryBudget;
    int longest = 0;
    int oldestInMemory = 0; // chunks before it live in the spill file
    bool spillBroken = false;
    qint64 queued = 0; // memory of chunks handed to the spill file, not yet written
    std::unique_ptr<SpillFile> spill;
    // The spilled chunk read last: views read neighbouring entries one by one.
    mutable int cachedChunk = -1;
    mutable QByteArray cachedBytes;
};
