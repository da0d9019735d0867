// The traffic log's store. An entry record is one header byte (direction, rendering and the
// length up to 62), a LEB128 continuation of longer lengths, and the bytes; a one-byte entry
// takes two bytes. Records are packed into chunks of about 64 KiB. Each chunk remembers where
// every 64th of its records starts, so an entry is found by a binary search over the chunks
// and a walk over at most 63 records. Chunks are spilled oldest first; the open chunk, which
// appends write to, always stays in memory.

#include "transfer/trafficlog.h"

#include "transfer/bytetext.h"

#include <QDir>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

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

TrafficLog::~TrafficLog() = default;

void TrafficLog::append(bool sent, const char *data, int length, bool hex)
{
    length = std::max(length, 0);
    if (chunks.empty() || chunks.back()->size >= ChunkBytes) {
        auto chunk = std::make_unique<Chunk>();
        chunk->first = entryCount;
        chunk->bytes.reserve(ChunkBytes + 16);
        chunk->reserved = chunk->bytes.capacity();
        chunk->marks.reserve(64);
        inMemory += chunk->reserved;
        chunks.push_back(std::move(chunk));
    }
    Chunk &chunk = *chunks.back();
    if (chunk.entries % MarkStride == 0)
        chunk.marks.push_back(static_cast<quint32>(chunk.size));
    char header[8];
    chunk.bytes.append(header, encodeHeader(header, sent, hex, length));
    chunk.bytes.append(data, length);
    chunk.size = chunk.bytes.size();
    ++chunk.entries;
    ++entryCount;
    const qint64 characters = 5 + qint64(length) * (hex ? 3 : 1);
    longest = static_cast<int>(std::min<qint64>(std::max<qint64>(longest, characters), INT_MAX));
    if (chunk.size >= ChunkBytes)
        closeChunk();
    emit appended();
}

void TrafficLog::closeChunk()
{
    Chunk &chunk = *chunks.back();
    inMemory += chunk.bytes.capacity() - chunk.reserved;
    chunk.reserved = chunk.bytes.capacity();
    spillOverBudget();
}

void TrafficLog::setMemoryBudget(qint64 bytes)
{
    budget = bytes;
    spillOverBudget();
}

void TrafficLog::spillOverBudget()
{
    // The last chunk may still be open for appends.
    const int closed = static_cast<int>(chunks.size()) -
                       (chunks.empty() || chunks.back()->size < ChunkBytes ? 1 : 0);
    while (inMemory > budget && oldestInMemory < closed && !spillBroken) {
        if (!spill) {
            QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
            if (folder.isEmpty() || !QDir().mkpath(folder))
                folder = QDir::tempPath();
            spill = std::make_unique<QTemporaryFile>(folder +
                                                     QStringLiteral("/traffic-log-XXXXXX.spill"));
            if (!spill->open()) {
                // Without a file the log keeps growing in memory rather than lose entries.
                qWarning("Traffic log: cannot create a spill file in %s", qPrintable(folder));
                spill.reset();
                spillBroken = true;
                return;
            }
        }
        Chunk &chunk = *chunks[oldestInMemory];
        const qint64 offset = spill->size();
        if (!spill->seek(offset) || spill->write(chunk.bytes) != chunk.size || !spill->flush()) {
            qWarning("Traffic log: cannot write the spill file %s", qPrintable(spill->fileName()));
            spillBroken = true;
            return;
        }
        chunk.fileOffset = offset;
        chunk.bytes = QByteArray();
        inMemory -= chunk.reserved;
        chunk.reserved = 0;
        ++oldestInMemory;
    }
}

QString TrafficLog::spillFileName() const
{
    return spill ? spill->fileName() : QString();
}

void TrafficLog::clear()
{
    chunks.clear();
    chunks.shrink_to_fit();
    spill.reset();
    cachedChunk = -1;
    cachedBytes = QByteArray();
    entryCount = 0;
    inMemory = 0;
    longest = 0;
    oldestInMemory = 0;
    spillBroken = false;
#if defined(__GLIBC__)
    // The chunks came from the heap, which glibc would otherwise keep for the next entries.
    malloc_trim(0);
#endif
    emit cleared();
}

QByteArray TrafficLog::readSpilled(const Chunk &chunk) const
{
    QByteArray bytes;
    if (spill && spill->seek(chunk.fileOffset))
        bytes = spill->read(chunk.size);
    // A file that fails to read back gives entries of zero bytes, not a crash.
    if (bytes.size() != chunk.size)
        bytes = QByteArray(chunk.size, '\0');
    return bytes;
}

const QByteArray &TrafficLog::chunkBytes(const Chunk &chunk) const
{
    if (chunk.fileOffset < 0)
        return chunk.bytes;
    const int index = chunkOf(chunk.first);
    if (cachedChunk != index) {
        cachedBytes = readSpilled(chunk);
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
    return QLatin1String(prefix(entry.sent)) + entryData(entry.data, entry.length, entry.hex);
}

bool TrafficLog::writeText(QIODevice &device, qint64 first, qint64 count) const
{
    first = std::max<qint64>(first, 0);
    const qint64 end = std::min(entryCount, first + std::max<qint64>(count, 0));
    QByteArray buffer;
    buffer.reserve(FlushBytes + ChunkBytes * 4);
    qint64 index = first;
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
    while (index < entryCount) {
        const Chunk &chunk = *chunks[chunkOf(index)];
        const char *p = chunkBytes(chunk).constData();
        for (int i = 0; i < chunk.entries; ++i, ++index) {
            bool sent, hex;
            const char *data;
            int length;
            p = decodeRecord(p, &sent, &hex, &data, &length);
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
