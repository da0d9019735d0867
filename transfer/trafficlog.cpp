// The traffic log's store. An entry record is one header byte (direction, rendering, whether it
// starts a transfer, and the length up to 30), a LEB128 continuation of longer lengths, a
// transfer's facts when it starts one (LEB128: context index, the start as a zigzag delta from
// the transfer before, the duration, the number of entries less one), and the bytes. A record
// that starts nothing belongs to the transfer before while that has entries left, else it is
// an entry on its own. A one-byte entry of its own takes two bytes; one that is a whole
// transfer about seven. Records are packed into chunks of 64 KiB. Each chunk
// remembers where every 64th of its records starts, and the transfer that record is part of,
// so an entry and its transfer are found by a binary search over the chunks and a walk over at
// most 63 records. Chunks go to the spill file oldest first, written by its own thread; the
// open chunk, which appends write to, always stays in memory.

#include "transfer/trafficlog.h"

#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "transfer/logclock.h"
#include "transfer/logpattern.h"
#include "transfer/spillfile.h"

#include <QDir>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace
{

constexpr int ChunkBytes = 64 * 1024;
constexpr int MarkStride = 64;
constexpr int ShortLength = 31; // header lengths 0..30 are whole, 31 means "31 + LEB128"
constexpr int StartsTransfer = 4;
constexpr qint64 MaxQueuedBytes = 64 * 1024 * 1024;

char *putVarint(char *out, quint64 value)
{
    do {
        *out++ = static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
        value >>= 7;
    } while (value);
    return out;
}

const char *getVarint(const char *p, quint64 *value)
{
    quint64 result = 0;
    int shift = 0;
    unsigned char byte;
    do {
        byte = static_cast<unsigned char>(*p++);
        result |= static_cast<quint64>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    *value = result;
    return p;
}

quint64 zigzag(qint64 value)
{
    return (static_cast<quint64>(value) << 1) ^ static_cast<quint64>(value >> 63);
}

qint64 unzigzag(quint64 value)
{
    return static_cast<qint64>(value >> 1) ^ -static_cast<qint64>(value & 1);
}

bool isBreak(ushort c)
{
    return c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

// What QTextDocument made of the text: its block and line separators come out as LF, a no-break
// space as a blank, and CR LF counts as one break.
void normaliseBreaks(QString &text)
{
    const int size = text.size();
    const QChar *in = text.constData();
    int i = 0;
    while (i < size && in[i].unicode() != '\r' && in[i].unicode() != 0xA0 &&
           !isBreak(in[i].unicode()))
        ++i;
    if (i == size)
        return;
    QChar *d = text.data();
    int out = i;
    for (; i < size; ++i) {
        ushort c = d[i].unicode();
        if (c == '\r') {
            if (i + 1 < size && d[i + 1].unicode() == '\n')
                continue;
            c = '\n';
        } else if (isBreak(c)) {
            c = '\n';
        } else if (c == 0xA0) {
            c = ' ';
        }
        d[out++] = QChar(c);
    }
    text.truncate(out);
}

QString entryData(const char *data, int length, bool hex)
{
    QString text = renderTrafficData(data, length, hex);
    if (!hex)
        normaliseBreaks(text);
    return text;
}

const char *prefix(bool sent)
{
    return sent ? "TX : " : "RX : ";
}

void appendHex(QByteArray &out, const char *data, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    const int start = out.size();
    out.resize(start + 3 * length);
    char *p = out.data() + start;
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        *p++ = digits[byte >> 4];
        *p++ = digits[byte & 0x0F];
        *p++ = ' ';
    }
}

// The text rendering's bytes when they are plain ASCII without CR: then UTF-8 decoding and
// normalising change nothing and the bytes are the text.
bool appendPlainAscii(QByteArray &out, const char *data, int length)
{
    int used = 0;
    while (used < length && data[used] != 0) {
        const auto byte = static_cast<unsigned char>(data[used]);
        if (byte >= 0x80 || byte == '\r')
            return false;
        ++used;
    }
    out.append(data, used);
    return true;
}

// HTML text: markup characters escaped, and the characters HTML does not allow in text
// (controls other than tab, noncharacters) shown as U+FFFD, as a browser would show them.
QString escapeHtml(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const ushort c = ch.unicode();
        switch (c) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        default:
            if ((c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F) ||
                (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFFFE || c == 0xFFFF)
                out += QChar(QChar::ReplacementCharacter);
            else
                out += ch;
        }
    }
    return out;
}

const char paragraph[] = "\n<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; "
                         "margin-right:0px; -qt-block-indent:0; text-indent:0px;\">";
const char emptyParagraph[] =
    "\n<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; "
    "margin-right:0px; -qt-block-indent:0; text-indent:0px; color:#000000;\"><br /></p>";
const char dataSpan[] = "<span style=\" color:#000000;\">";
const char dimSpan[] = "<span style=\" color:#808080;\">";
const char noteSpan[] = "<span style=\" color:#996600;\">";

} // namespace

struct TrafficLog::Chunk {
    qint64 first = 0;
    int entries = 0;
    qint64 fileOffset = -1; // where the records are in the spill file, once spilled
    int size = 0;           // bytes of records
    int reserved = 0;       // the capacity counted in the log's memory in use
    QByteArray bytes;       // the records while in memory
    std::vector<Mark> marks;
};

TrafficLog::ContextKey::ContextKey(const TransferContext &context)
{
    char *p = bytes;
    const auto add = [&p](const void *data, size_t size) {
        std::memcpy(p, data, size);
        p += size;
    };
    const auto call = static_cast<quint8>(context.call);
    add(&call, 1);
    add(&context.device, 4);
    add(&context.channel, 4);
    add(&context.config, sizeof(SpiConfig));
    add(&context.intervalUs, 4);
}

bool TrafficLog::ContextKey::operator==(const ContextKey &other) const
{
    return std::memcmp(bytes, other.bytes, sizeof(bytes)) == 0;
}

size_t TrafficLog::ContextHash::operator()(const ContextKey &key) const
{
    size_t hash = 1469598103934665603ULL; // FNV-1a
    for (const char c : key.bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return hash;
}

TrafficLog::TrafficLog(QObject *parent) : QObject(parent)
{
    contexts.emplace_back(); // index 0: no transfer
}

TrafficLog::~TrafficLog()
{
    // The writer first: it may still be writing a chunk's bytes.
    spill.reset();
    chunks.clear();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void TrafficLog::append(bool sent, const char *data, int length, bool hex)
{
    appendRecord(sent, data, length, hex, 0, nullptr, 1);
    emit appended();
}

void TrafficLog::appendNote(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    notes.push_back(entryCount);
    append(false, bytes.constData(), bytes.size(), false);
}

bool TrafficLog::isNote(qint64 index) const
{
    return std::binary_search(notes.begin(), notes.end(), index);
}

void TrafficLog::appendRecord(bool sent, const char *data, int length, bool hex, int context,
                              const TransferContext *facts, int entries)
{
    length = std::max(length, 0);
    const bool starts = facts != nullptr;
    char header[64];
    const int shortLength = std::min(length, ShortLength);
    header[0] = static_cast<char>((sent ? 1 : 0) | (hex ? 2 : 0) | (starts ? StartsTransfer : 0) |
                                  (shortLength << 3));
    char *end = header + 1;
    if (length >= ShortLength)
        end = putVarint(end, static_cast<quint64>(length - ShortLength));
    Transfer next = tail;
    if (starts) {
        end = putVarint(end, static_cast<quint64>(context));
        end = putVarint(end, zigzag(facts->startUs - tail.startUs));
        end = putVarint(end, static_cast<quint64>(std::max<qint64>(facts->durationUs, 0)));
        end = putVarint(end, static_cast<quint64>(entries - 1));
        next = {entryCount, facts->startUs, std::max<qint64>(facts->durationUs, 0), context,
                entries};
    } else if (context == 0) {
        // An entry on its own needs no mark: the transfer before it has all its entries.
        next.first = entryCount;
        next.context = 0;
        next.entries = 1;
    }
    const auto headerSize = static_cast<int>(end - header);
    const int recordSize = headerSize + length;
    // A record never grows a chunk beyond its reservation, so that the memory counted is the
    // memory used; a record larger than a chunk gets one of its own.
    if (chunks.empty() ||
        (chunks.back()->entries > 0 && chunks.back()->size + recordSize > ChunkBytes))
        openChunk(recordSize);
    Chunk &chunk = *chunks.back();
    if (chunk.entries % MarkStride == 0)
        chunk.marks.push_back({static_cast<quint32>(chunk.size), tail});
    chunk.bytes.append(header, headerSize);
    chunk.bytes.append(data, length);
    chunk.size += recordSize;
    ++chunk.entries;
    ++entryCount;
    tail = next;
    const qint64 characters = 5 + qint64(length) * (hex ? 3 : 1);
    longest = static_cast<int>(std::min<qint64>(std::max<qint64>(longest, characters), INT_MAX));
}

int TrafficLog::contextIndex(const TransferContext &context)
{
    if (context.call == TransferCall::None)
        return 0;
    // Transfers one after another mostly share a few settings: the recent ones are checked
    // first, field by field.
    const auto same = [&context](const TransferContext &known) {
        return known.call == context.call && known.channel == context.channel &&
               known.device == context.device && known.intervalUs == context.intervalUs &&
               std::memcmp(&known.config, &context.config, sizeof(SpiConfig)) == 0;
    };
    constexpr int Recent = sizeof(recentContexts) / sizeof(recentContexts[0]);
    int found = 0;
    int slot = 0;
    for (; slot < Recent && recentContexts[slot] != 0; ++slot)
        if (same(contexts[static_cast<size_t>(recentContexts[slot])])) {
            found = recentContexts[slot];
            break;
        }
    if (found == 0) {
        slot = std::min(slot, Recent - 1);
        ContextKey key(context);
        const auto known = contextIndexes.find(key);
        if (known != contextIndexes.end()) {
            found = known->second;
        } else {
            TransferContext kept = context;
            kept.startUs = 0;
            kept.durationUs = 0;
            contexts.push_back(kept);
            found = static_cast<int>(contexts.size()) - 1;
            contextIndexes.emplace(key, found);
        }
    }
    // Move to the front.
    for (; slot > 0; --slot)
        recentContexts[slot] = recentContexts[slot - 1];
    recentContexts[0] = found;
    return found;
}

void TrafficLog::append(const TransferOutcome &outcome, bool hex, bool sent, bool received)
{
    int entries = 0;
    for (const TransferOutcome::Echo &echo : outcome.echoes)
        entries += echo.sent ? sent : received;
    if (entries == 0)
        return;
    const int context = contextIndex(outcome.context);
    if (context != 0 && !wallOffsetSet) {
        using namespace std::chrono;
        const auto wall = duration_cast<microseconds>(system_clock::now().time_since_epoch());
        const auto steady = duration_cast<microseconds>(steady_clock::now().time_since_epoch());
        wallOffset = wall.count() - steady.count();
        wallOffsetSet = true;
    }
    const qint64 first = entryCount;
    bool starting = true;
    for (const TransferOutcome::Echo &echo : outcome.echoes) {
        if (echo.sent ? !sent : !received)
            continue;
        const QByteArray &buffer = echo.sent ? outcome.sent : outcome.received;
        // An entry without a known call stands on its own; a transfer's first one opens it.
        appendRecord(echo.sent, buffer.constData() + echo.offset, echo.length, hex, context,
                     starting && context != 0 ? &outcome.context : nullptr, entries);
        starting = false;
    }
    emit appended();
    emit transferAppended(outcome, first);
}

void TrafficLog::setWallClockOffset(qint64 offsetUs)
{
    wallOffset = offsetUs;
    wallOffsetSet = true;
}

void TrafficLog::openChunk(int firstRecord)
{
    auto chunk = std::make_unique<Chunk>();
    chunk->first = entryCount;
    chunk->bytes.reserve(std::max(ChunkBytes, firstRecord));
    chunk->reserved = chunk->bytes.capacity();
    inMemory += chunk->reserved;
    chunks.push_back(std::move(chunk));
    spillOverBudget();
}

void TrafficLog::setMemoryBudget(qint64 bytes)
{
    budget = bytes;
    spillOverBudget();
}

void TrafficLog::spillOverBudget()
{
    collectSpilled();
    // The last chunk is open for appends; chunks on their way to the file are still in memory
    // but already dealt with.
    const int closed = static_cast<int>(chunks.size()) - 1;
    while (inMemory - queued > budget && oldestInMemory < closed && !spillBroken) {
        if (!spill) {
            QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
            if (folder.isEmpty() || !QDir().mkpath(folder))
                folder = QDir::tempPath();
            spill = std::make_unique<SpillFile>([this] {
                QMetaObject::invokeMethod(
                    this, [this] { collectSpilled(); }, Qt::QueuedConnection);
            });
            // Qt gives no temporary folder when TMPDIR names none: never the working folder.
            if (folder.isEmpty() || !spill->open(folder)) {
                // Without a file the log keeps growing in memory rather than lose entries.
                qWarning("Traffic log: cannot create a spill file in %s", qPrintable(folder));
                spill.reset();
                spillBroken = true;
                return;
            }
        }
        Chunk &chunk = *chunks[oldestInMemory];
        chunk.fileOffset = spill->enqueue(oldestInMemory, chunk.bytes);
        queued += chunk.reserved;
        ++oldestInMemory;
    }
    // Appends faster than the disk: wait for it rather than let memory run away.
    if (spill && queued > MaxQueuedBytes) {
        spill->waitUntilWritten();
        collectSpilled();
    }
}

void TrafficLog::collectSpilled()
{
    if (!spill || !spill->hasFinished())
        return;
    std::vector<int> written, failed;
    spill->takeFinished(&written, &failed);
    for (const int index : written) {
        Chunk &chunk = *chunks[index];
        chunk.bytes = QByteArray();
        inMemory -= chunk.reserved;
        queued -= chunk.reserved;
        chunk.reserved = 0;
    }
    for (const int index : failed) {
        // The chunk stays in memory, and so does everything after it.
        Chunk &chunk = *chunks[index];
        chunk.fileOffset = -1;
        queued -= chunk.reserved;
        if (!spillBroken)
            qWarning("Traffic log: cannot write the spill file %s", qPrintable(spill->fileName()));
        spillBroken = true;
    }
}

void TrafficLog::finishSpilling()
{
    if (spill) {
        spill->waitUntilWritten();
        collectSpilled();
    }
}

QString TrafficLog::spillFileName() const
{
    return spill ? spill->fileName() : QString();
}

void TrafficLog::clear()
{
    spill.reset();
    chunks.clear();
    chunks.shrink_to_fit();
    notes.clear();
    notes.shrink_to_fit();
    cachedChunk = -1;
    cachedBytes = QByteArray();
    entryCount = 0;
    inMemory = 0;
    queued = 0;
    longest = 0;
    oldestInMemory = 0;
    spillBroken = false;
    tail = Transfer();
    contexts.resize(1);
    contexts.shrink_to_fit();
    contextIndexes.clear();
    std::fill(std::begin(recentContexts), std::end(recentContexts), 0);
#if defined(__GLIBC__)
    // The chunks came from the heap, which glibc would otherwise keep for the next entries.
    malloc_trim(0);
#endif
    emit cleared();
}

const QByteArray &TrafficLog::chunkBytes(const Chunk &chunk) const
{
    // A chunk on its way to the file is still in memory.
    if (!chunk.bytes.isNull())
        return chunk.bytes;
    const int index = chunkOf(chunk.first);
    if (cachedChunk != index) {
        cachedBytes = spill ? spill->read(chunk.fileOffset, chunk.size) : QByteArray();
        // A file that fails to read back gives entries of zero bytes, not a crash.
        if (cachedBytes.size() != chunk.size)
            cachedBytes = QByteArray(chunk.size, '\0');
        cachedChunk = index;
    }
    return cachedBytes;
}

int TrafficLog::chunkOf(qint64 index) const
{
    const auto it = std::upper_bound(
        chunks.begin(), chunks.end(), index,
        [](qint64 value, const std::unique_ptr<Chunk> &chunk) { return value < chunk->first; });
    return static_cast<int>(it - chunks.begin()) - 1;
}

// Reads the record of entry `index` at p into *entry, moving *transfer on when the record
// starts one; returns the record that follows.
const char *TrafficLog::decode(const char *p, qint64 index, Transfer *transfer,
                               TrafficEntry *entry) const
{
    const auto header = static_cast<unsigned char>(*p++);
    quint64 length = header >> 3;
    if (length == ShortLength) {
        quint64 rest = 0;
        p = getVarint(p, &rest);
        length += rest;
    }
    if (header & StartsTransfer) {
        quint64 value = 0;
        p = getVarint(p, &value);
        transfer->first = index;
        transfer->context = static_cast<qint32>(value);
        p = getVarint(p, &value);
        transfer->startUs += unzigzag(value);
        p = getVarint(p, &value);
        transfer->durationUs = static_cast<qint64>(value);
        p = getVarint(p, &value);
        transfer->entries = static_cast<qint32>(value + 1);
    } else if (index >= transfer->first + transfer->entries) {
        // Past the last entry of the transfer before: an entry on its own.
        transfer->first = index;
        transfer->context = 0;
        transfer->entries = 1;
    }
    entry->index = index;
    entry->sent = header & 1;
    entry->hex = header & 2;
    entry->note = !notes.empty() && isNote(index);
    entry->data = p;
    entry->length = static_cast<int>(length);
    entry->transferFirst = transfer->first;
    entry->transferEntries = transfer->entries;
    entry->context = transfer->context;
    entry->startUs = transfer->startUs;
    entry->durationUs = transfer->durationUs;
    return p + length;
}

TrafficEntry TrafficLog::entry(qint64 index) const
{
    TrafficEntry found;
    if (index < 0 || index >= entryCount)
        return found;
    const Chunk &chunk = *chunks[chunkOf(index)];
    const auto within = static_cast<int>(index - chunk.first);
    const Mark &mark = chunk.marks[within / MarkStride];
    const char *p = chunkBytes(chunk).constData() + mark.offset;
    Transfer transfer = mark.transfer;
    for (qint64 i = index - within % MarkStride; i <= index; ++i)
        p = decode(p, i, &transfer, &found);
    return found;
}

QByteArray TrafficLog::entryBytes(qint64 index) const
{
    const TrafficEntry found = entry(index);
    return QByteArray(found.data, found.length);
}

TransferContext TrafficLog::context(int index) const
{
    return index > 0 && index < contextCount() ? contexts[static_cast<size_t>(index)]
                                               : TransferContext();
}

TransferOutcome TrafficLog::transfer(qint64 index) const
{
    TransferOutcome outcome;
    if (index < 0 || index >= entryCount)
        return outcome;
    const TrafficEntry found = entry(index);
    outcome.context = context(found.context);
    outcome.context.startUs = found.hasTransfer() ? found.startUs : 0;
    outcome.context.durationUs = found.hasTransfer() ? found.durationUs : 0;
    Reader reader(*this, found.transferFirst);
    for (int i = 0; i < found.transferEntries && !reader.atEnd(); ++i) {
        const TrafficEntry &e = reader.next();
        QByteArray &bytes = e.sent ? outcome.sent : outcome.received;
        outcome.echoes.append({e.sent, static_cast<int>(bytes.size()), e.length});
        bytes.append(e.data, e.length);
    }
    return outcome;
}

TrafficLog::Reader::Reader(const TrafficLog &log, qint64 first)
    : log(log), index(std::max<qint64>(first, 0))
{
    if (index < log.entryCount)
        enterChunk(log.chunkOf(index), index);
}

void TrafficLog::Reader::enterChunk(int number, qint64 at)
{
    chunk = number;
    const Chunk &c = *log.chunks[static_cast<size_t>(number)];
    const char *bytes = c.bytes.constData();
    if (c.bytes.isNull()) {
        spilled = log.spill ? log.spill->read(c.fileOffset, c.size) : QByteArray();
        if (spilled.size() != c.size)
            spilled = QByteArray(c.size, '\0');
        bytes = spilled.constData();
    }
    chunkEnd = c.first + c.entries;
    const auto within = static_cast<int>(at - c.first);
    const Mark &mark = c.marks[within / MarkStride];
    p = bytes + mark.offset;
    Transfer transfer = mark.transfer;
    for (qint64 i = at - within % MarkStride; i < at; ++i)
        p = log.decode(p, i, &transfer, &current);
    // Where the entry before `at` left the decoding.
    skipped = transfer;
}

const TrafficEntry &TrafficLog::Reader::next()
{
    if (index >= chunkEnd)
        enterChunk(chunk + 1, index);
    p = log.decode(p, index, &skipped, &current);
    ++index;
    return current;
}

bool TrafficLog::isSent(qint64 index) const
{
    return index >= 0 && index < entryCount && entry(index).sent;
}

QString TrafficLog::lineText(qint64 index) const
{
    if (index < 0 || index >= entryCount)
        return QString();
    const TrafficEntry found = entry(index);
    if (found.note)
        return entryData(found.data, found.length, false);
    return QLatin1String(prefix(found.sent)) + entryData(found.data, found.length, found.hex);
}

QString TrafficLog::columnText(qint64 index) const
{
    if (index < 0 || index >= entryCount)
        return QString();
    const TrafficEntry found = entry(index);
    QByteArray text;
    LogClock::appendNumber(text, index + 1);
    text.append(' ');
    if (found.hasTransfer()) {
        const LogClock clock(wallOffset);
        clock.appendTimeOfDay(text, found.startUs);
        text.append(' ');
        LogClock::appendDuration(text, found.durationUs);
    } else {
        text.append("- -");
    }
    return QString::fromUtf8(text);
}

QString TrafficLog::displayText(qint64 index, const LogColumns &columns) const
{
    QString text = lineText(index);
    if (columns.times)
        text.prepend(columnText(index) + QLatin1Char(' '));
    if (columns.annotations) {
        const QString note = columns.annotations->annotation(index);
        if (!note.isEmpty())
            text += QLatin1String("  # ") + note;
    }
    return text;
}

bool TrafficLog::writeText(QIODevice &device, qint64 first, qint64 count,
                           const LogColumns &columns) const
{
    first = std::max<qint64>(first, 0);
    const qint64 end = std::min(entryCount, first + std::max<qint64>(count, 0));
    QByteArray buffer;
    buffer.reserve(SaveFlushBytes + ChunkBytes * 4);
    const LogClock clock(wallOffset);
    Reader reader(*this, first);
    for (qint64 index = first; index < end; ++index) {
        const TrafficEntry &e = reader.next();
        if (columns.times) {
            LogClock::appendNumber(buffer, index + 1);
            buffer.append(' ');
            if (e.hasTransfer()) {
                clock.appendTimeOfDay(buffer, e.startUs);
                buffer.append(' ');
                LogClock::appendDuration(buffer, e.durationUs);
                buffer.append(' ');
            } else {
                buffer.append("- - ");
            }
        }
        if (!e.note)
            buffer.append(prefix(e.sent), 5);
        if (e.hex)
            appendHex(buffer, e.data, e.length);
        else if (!appendPlainAscii(buffer, e.data, e.length))
            buffer.append(entryData(e.data, e.length, false).toUtf8());
        if (columns.annotations) {
            const QString note = columns.annotations->annotation(index);
            if (!note.isEmpty())
                buffer.append("  # " + note.toUtf8());
        }
        buffer.append('\n');
        if (buffer.size() >= SaveFlushBytes && !flushTo(device, buffer))
            return false;
    }
    return flushTo(device, buffer);
}

bool TrafficLog::writeHtml(QIODevice &device, const QString &fontFamily,
                           const LogColumns &columns) const
{
    QString family = fontFamily.isEmpty() ? QStringLiteral("monospace") : fontFamily;
    family.remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    QByteArray buffer = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                        "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
                        "<html><head><meta name=\"qrichtext\" content=\"1\" /><meta "
                        "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"
                        "<style type=\"text/css\">\np, li { white-space: pre-wrap; }\n</style>"
                        "</head><body style=\" font-family:'" +
                        escapeHtml(family).toUtf8() + "'; font-weight:400; font-style:normal;\">";
    buffer.reserve(SaveFlushBytes + ChunkBytes * 8);
    Reader reader(*this, 0);
    for (qint64 index = 0; index < entryCount; ++index) {
        const TrafficEntry &e = reader.next();
        buffer.append(paragraph);
        if (columns.times)
            buffer.append(dimSpan + escapeHtml(columnText(index)).toUtf8() + " </span>");
        if (e.note) {
            // A note's lines in a colour of their own, without a direction.
            const QStringList lines = entryData(e.data, e.length, false).split(QLatin1Char('\n'));
            for (int line = 0; line < lines.size(); ++line)
                buffer.append((line > 0 ? QByteArray(paragraph) : QByteArray()) + noteSpan +
                              escapeHtml(lines[line]).toUtf8() + "</span></p>");
            continue;
        }
        buffer.append(e.sent ? "<span style=\" color:#00ff00;\">TX : </span>"
                             : "<span style=\" color:#0000ff;\">RX : </span>");
        QByteArray note;
        if (columns.annotations) {
            const QString text = columns.annotations->annotation(index);
            if (!text.isEmpty())
                note = dimSpan + escapeHtml(QLatin1String("  # ") + text).toUtf8() + "</span>";
        }
        if (e.hex) {
            if (e.length > 0) {
                buffer.append(dataSpan);
                appendHex(buffer, e.data, e.length);
                buffer.append("</span>");
            }
            buffer.append(note + "</p>");
        } else {
            // Each line of the text becomes a paragraph of its own, as in the text file.
            const QStringList lines = entryData(e.data, e.length, false).split(QLatin1Char('\n'));
            for (int line = 0; line < lines.size(); ++line) {
                const bool last = line == lines.size() - 1;
                if (line > 0 && lines[line].isEmpty() && (!last || note.isEmpty())) {
                    buffer.append(emptyParagraph);
                    continue;
                }
                if (line > 0)
                    buffer.append(paragraph);
                if (!lines[line].isEmpty())
                    buffer.append(dataSpan + escapeHtml(lines[line]).toUtf8() + "</span>");
                if (last)
                    buffer.append(note);
                buffer.append("</p>");
            }
        }
        if (buffer.size() >= SaveFlushBytes && !flushTo(device, buffer))
            return false;
    }
    buffer.append(emptyParagraph);
    buffer.append("</body></html>");
    return flushTo(device, buffer);
}

qint64 TrafficLog::find(const LogPattern &pattern, qint64 from, bool forward) const
{
    if (pattern.isEmpty() || entryCount == 0)
        return -1;
    if (forward) {
        for (Reader reader(*this, std::max<qint64>(from + 1, 0)); !reader.atEnd();) {
            const TrafficEntry &e = reader.next();
            if (pattern.matches(e.data, e.length))
                return e.index;
        }
        return -1;
    }
    // Backwards a chunk at a time, each read forwards: the last match before `from` wins.
    const qint64 before = std::min(from, entryCount);
    if (before <= 0)
        return -1;
    for (int number = chunkOf(before - 1); number >= 0; --number) {
        const Chunk &chunk = *chunks[static_cast<size_t>(number)];
        const qint64 end = std::min(before, chunk.first + chunk.entries);
        qint64 found = -1;
        Reader reader(*this, chunk.first);
        for (qint64 index = chunk.first; index < end; ++index) {
            const TrafficEntry &e = reader.next();
            if (pattern.matches(e.data, e.length))
                found = index;
        }
        if (found >= 0)
            return found;
    }
    return -1;
}
