// The traffic log's store. An entry record is one header byte (direction, rendering and the
// length up to 62), a LEB128 continuation of longer lengths, and the bytes; a one-byte entry
// takes two bytes. Records are packed into chunks of 64 KiB. Each chunk remembers where
// every 64th of its records starts, so an entry is found by a binary search over the chunks
// and a walk over at most 63 records. Chunks go to the spill file oldest first, written by its
// own thread; the open chunk, which appends write to, always stays in memory.

#include "transfer/trafficlog.h"

#include "adapter/transferoutcome.h"

#include "transfer/bytetext.h"
#include "transfer/spillfile.h"

#include <QDir>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace
{

constexpr int ChunkBytes = 64 * 1024;
constexpr int MarkStride = 64;
constexpr int ShortLength = 63; // header lengths 0..62 are whole, 63 means "63 + LEB128"
constexpr int FlushBytes = 256 * 1024;
constexpr qint64 MaxQueuedBytes = 64 * 1024 * 1024;

int encodeHeader(char *out, bool sent, bool hex, int length)
{
    const int shortLength = std::min(length, ShortLength);
    out[0] = static_cast<char>((sent ? 1 : 0) | (hex ? 2 : 0) | (shortLength << 2));
    int n = 1;
    if (length >= ShortLength) {
        auto rest = static_cast<unsigned>(length - ShortLength);
        do {
            out[n++] = static_cast<char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
            rest >>= 7;
        } while (rest);
    }
    return n;
}

// Reads the record at p; returns the record that follows it.
const char *decodeRecord(const char *p, bool *sent, bool *hex, const char **data, int *length)
{
    const auto header = static_cast<unsigned char>(*p++);
    *sent = header & 1;
    *hex = header & 2;
    unsigned value = header >> 2;
    if (value == ShortLength) {
        unsigned rest = 0;
        int shift = 0;
        unsigned char byte;
        do {
            byte = static_cast<unsigned char>(*p++);
            rest |= static_cast<unsigned>(byte & 0x7F) << shift;
            shift += 7;
        } while (byte & 0x80);
        value += rest;
    }
    *data = p;
    *length = static_cast<int>(value);
    return p + value;
}

const char *skipRecord(const char *p)
{
    bool sent, hex;
    const char *data;
    int length;
    return decodeRecord(p, &sent, &hex, &data, &length);
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

bool flushTo(QIODevice &device, QByteArray &buffer)
{
    if (buffer.isEmpty())
        return true;
    if (device.write(buffer) != buffer.size())
        return false;
    buffer.resize(0);
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
const char noteSpan[] = "<span style=\" color:#996600;\">";

} // namespace

struct TrafficLog::Chunk {
    qint64 first = 0;
    int entries = 0;
    qint64 fileOffset = -1; // where the records are in the spill file, once spilled
    int size = 0;           // bytes of records
    int reserved = 0;       // the capacity counted in the log's memory in use
    QByteArray bytes;       // the records while in memory
    std::vector<quint32> marks;
};

TrafficLog::TrafficLog(QObject *parent) : QObject(parent) {}

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
    length = std::max(length, 0);
    char header[8];
    const int headerSize = encodeHeader(header, sent, hex, length);
    const int recordSize = headerSize + length;
    // A record never grows a chunk beyond its reservation, so that the memory counted is the
    // memory used; a record larger than a chunk gets one of its own.
    if (chunks.empty() ||
        (chunks.back()->entries > 0 && chunks.back()->size + recordSize > ChunkBytes))
        openChunk(recordSize);
    Chunk &chunk = *chunks.back();
    if (chunk.entries % MarkStride == 0)
        chunk.marks.push_back(static_cast<quint32>(chunk.size));
    chunk.bytes.append(header, headerSize);
    chunk.bytes.append(data, length);
    chunk.size += recordSize;
    ++chunk.entries;
    ++entryCount;
    const qint64 characters = 5 + qint64(length) * (hex ? 3 : 1);
    longest = static_cast<int>(std::min<qint64>(std::max<qint64>(longest, characters), INT_MAX));
    emit appended();
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
            if (!spill->open(folder)) {
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

void TrafficLog::append(const TransferOutcome &outcome, bool hex, bool sent, bool received)
{
    for (const TransferOutcome::Echo &entry : outcome.echoes) {
        if (entry.sent ? !sent : !received)
            continue;
        const QByteArray &buffer = entry.sent ? outcome.sent : outcome.received;
        append(entry.sent, buffer.constData() + entry.offset, entry.length, hex);
    }
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

TrafficLog::Entry TrafficLog::entryAt(qint64 index) const
{
    const Chunk &chunk = *chunks[chunkOf(index)];
    const auto within = static_cast<int>(index - chunk.first);
    const char *p = chunkBytes(chunk).constData() + chunk.marks[within / MarkStride];
    for (int skip = within % MarkStride; skip > 0; --skip)
        p = skipRecord(p);
    Entry entry{};
    decodeRecord(p, &entry.sent, &entry.hex, &entry.data, &entry.length);
    return entry;
}

bool TrafficLog::isSent(qint64 index) const
{
    return index >= 0 && index < entryCount && entryAt(index).sent;
}

QString TrafficLog::lineText(qint64 index) const
{
    if (index < 0 || index >= entryCount)
        return QString();
    const Entry entry = entryAt(index);
    if (isNote(index))
        return entryData(entry.data, entry.length, false);
    return QLatin1String(prefix(entry.sent)) + entryData(entry.data, entry.length, entry.hex);
}

bool TrafficLog::writeText(QIODevice &device, qint64 first, qint64 count) const
{
    first = std::max<qint64>(first, 0);
    const qint64 end = std::min(entryCount, first + std::max<qint64>(count, 0));
    QByteArray buffer;
    buffer.reserve(FlushBytes + ChunkBytes * 4);
    qint64 index = first;
    auto nextNote = std::lower_bound(notes.begin(), notes.end(), first);
    while (index < end) {
        const Chunk &chunk = *chunks[chunkOf(index)];
        const QByteArray &bytes = chunkBytes(chunk);
        const auto within = static_cast<int>(index - chunk.first);
        const char *p = bytes.constData() + chunk.marks[within / MarkStride];
        for (int skip = within % MarkStride; skip > 0; --skip)
            p = skipRecord(p);
        const qint64 chunkEnd = std::min(end, chunk.first + chunk.entries);
        for (; index < chunkEnd; ++index) {
            bool sent, hex;
            const char *data;
            int length;
            p = decodeRecord(p, &sent, &hex, &data, &length);
            const bool note = nextNote != notes.end() && *nextNote == index;
            if (note)
                ++nextNote;
            else
                buffer.append(prefix(sent), 5);
            if (hex)
                appendHex(buffer, data, length);
            else if (!appendPlainAscii(buffer, data, length))
                buffer.append(entryData(data, length, false).toUtf8());
            buffer.append('\n');
            if (buffer.size() >= FlushBytes && !flushTo(device, buffer))
                return false;
        }
    }
    return flushTo(device, buffer);
}

bool TrafficLog::writeHtml(QIODevice &device, const QString &fontFamily) const
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
    buffer.reserve(FlushBytes + ChunkBytes * 8);
    qint64 index = 0;
    auto nextNote = notes.begin();
    while (index < entryCount) {
        const Chunk &chunk = *chunks[chunkOf(index)];
        const char *p = chunkBytes(chunk).constData();
        for (int i = 0; i < chunk.entries; ++i, ++index) {
            bool sent, hex;
            const char *data;
            int length;
            p = decodeRecord(p, &sent, &hex, &data, &length);
            if (nextNote != notes.end() && *nextNote == index) {
                ++nextNote;
                // A note's lines in a colour of their own, without a direction.
                for (const QString &line : entryData(data, length, false).split(QLatin1Char('\n')))
                    buffer.append(paragraph + QByteArray(noteSpan) + escapeHtml(line).toUtf8() +
                                  "</span></p>");
                continue;
            }
            buffer.append(paragraph);
            buffer.append(sent ? "<span style=\" color:#00ff00;\">TX : </span>"
                               : "<span style=\" color:#0000ff;\">RX : </span>");
            if (hex) {
                if (length > 0) {
                    buffer.append(dataSpan);
                    appendHex(buffer, data, length);
                    buffer.append("</span>");
                }
                buffer.append("</p>");
            } else {
                // Each line of the text becomes a paragraph of its own, as in the text file.
                const QStringList lines = entryData(data, length, false).split(QLatin1Char('\n'));
                for (int line = 0; line < lines.size(); ++line) {
                    if (line > 0 && lines[line].isEmpty()) {
                        buffer.append(emptyParagraph);
                        continue;
                    }
                    if (line > 0)
                        buffer.append(paragraph);
                    if (!lines[line].isEmpty())
                        buffer.append(dataSpan + escapeHtml(lines[line]).toUtf8() + "</span>");
                    buffer.append("</p>");
                }
            }
            if (buffer.size() >= FlushBytes && !flushTo(device, buffer))
                return false;
        }
    }
    buffer.append(emptyParagraph);
    buffer.append("</body></html>");
    return flushTo(device, buffer);
}
