#include "transfer/logexport.h"

#include "bus/spitransfer.h"
#include "bus/vcdwriter.h"
#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "transfer/logclock.h"
#include "transfer/trafficlog.h"

#include <QIODevice>

#include <algorithm>
#include <vector>

namespace
{

// RFC 4180: quoted when it holds a comma, a quote or a line break, quotes doubled.
void appendField(QByteArray &out, const QByteArray &field)
{
    bool quote = false;
    for (const char c : field)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (!quote) {
        out.append(field);
        return;
    }
    out.append('"');
    for (const char c : field) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

void appendHex(QByteArray &out, const char *data, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (i > 0)
            out.append(' ');
        out.append(digits[byte >> 4]);
        out.append(digits[byte & 0x0F]);
    }
}

// The text column: the bytes up to the first zero byte as UTF-8, as the ASCII log shows them.
void appendText(QByteArray &out, const char *data, int length)
{
    int plain = 0;
    while (plain < length && data[plain] >= 0x20 && data[plain] < 0x7F && data[plain] != '"' &&
           data[plain] != ',')
        ++plain;
    if (plain == length || data[plain] == 0) {
        out.append(data, plain);
        return;
    }
    appendField(out, decodeUntilZero(data, length).toUtf8());
}

// From device to interval: the same for every entry of a context.
QByteArray contextFields(const TransferContext &context)
{
    const SpiConfig &config = context.config;
    QByteArray out = SpiTransfer::callName(context.call);
    out += ',' + QByteArray::number(context.device) + ',' +
           SpiTransfer::channelName(context.channel).toLatin1() + ',';
    appendField(out, SpiTransfer::controlModeName(config.controlMode));
    out += QByteArray(config.master ? ",master," : ",slave,") +
           QByteArray::number(config.clockPolarity) + ',' + QByteArray::number(config.clockPhase) +
           (config.lsbFirst ? ",lsb-first" : ",msb-first") +
           (config.csPolarity ? ",active-high," : ",active-low,") +
           QByteArray::number(config.clockHz) + ',' + QByteArray::number(context.intervalUs);
    return out;
}

qint64 fastestClock(const TrafficLog &log)
{
    qint64 fastest = 1;
    for (int i = 1; i < log.contextCount(); ++i)
        fastest = std::max<qint64>(fastest, log.context(i).config.clockHz);
    return fastest;
}

} // namespace

bool LogExport::writeCsv(const TrafficLog &log, QIODevice &device, const LogColumns &columns)
{
    QByteArray buffer = "index,time,duration_us,direction,call,device,channel,control_mode,role,"
                        "cpol,cpha,bit_order,cs_polarity,clock_hz,interval_us,hex,text";
    buffer.append(columns.annotations ? ",annotation\r\n" : "\r\n");
    buffer.reserve(SaveFlushBytes + 128 * 1024);
    std::vector<QByteArray> contexts(static_cast<size_t>(log.contextCount()));
    for (int i = 1; i < log.contextCount(); ++i)
        contexts[static_cast<size_t>(i)] = contextFields(log.context(i));
    const QByteArray noContext(10, ','); // the context fields, empty
    const LogClock clock(log.wallClockOffset());
    for (TrafficLog::Reader reader(log, 0); !reader.atEnd();) {
        const TrafficEntry &e = reader.next();
        LogClock::appendNumber(buffer, e.index + 1);
        buffer.append(',');
        if (e.hasTransfer()) {
            clock.appendIso(buffer, e.startUs);
            buffer.append(',');
            LogClock::appendNumber(buffer, e.durationUs);
        } else {
            buffer.append(',');
        }
        buffer.append(e.note ? ",NOTE," : e.sent ? ",TX," : ",RX,");
        buffer.append(e.hasTransfer() ? contexts[static_cast<size_t>(e.context)] : noContext);
        buffer.append(',');
        appendHex(buffer, e.data, e.length);
        buffer.append(',');
        appendText(buffer, e.data, e.length);
        if (columns.annotations) {
            buffer.append(',');
            appendField(buffer, columns.annotations->annotation(e.index).toUtf8());
        }
        buffer.append("\r\n");
        if (buffer.size() >= SaveFlushBytes && !flushTo(device, buffer))
            return false;
    }
    return flushTo(device, buffer);
}

bool LogExport::writeVcd(const TrafficLog &log, QIODevice &device)
{
    VcdWriter writer(device, fastestClock(log));
    QStringList comments{QStringLiteral("KAVRIS traffic log: every transfer on one time axis")};
    bool begun = false;
    qint64 originUs = 0;
    qint64 free = 0; // where the last waveform ended
    // Each transfer is gathered from its entries as the reader passes them.
    TransferOutcome outcome;
    int missing = 0;
    for (TrafficLog::Reader reader(log, 0); !reader.atEnd();) {
        const TrafficEntry &e = reader.next();
        if (!e.hasTransfer())
            continue;
        if (e.index == e.transferFirst) {
            outcome = TransferOutcome();
            outcome.context = log.context(e.context);
            missing = e.transferEntries;
        }
        QByteArray &bytes = e.sent ? outcome.sent : outcome.received;
        outcome.echoes.append({e.sent, static_cast<int>(bytes.size()), e.length});
        bytes.append(e.data, e.length);
        if (--missing != 0)
            continue;
        const SpiTransfer transfer = SpiTransfer::fromOutcome(outcome);
        if (transfer.drawable() != SpiTransfer::Drawable::Yes)
            continue;
        if (!begun) {
            originUs = e.startUs;
            QByteArray first;
            LogClock(log.wallClockOffset()).appendIso(first, e.startUs);
            comments << QStringLiteral("time 0 is %1").arg(QString::fromLatin1(first));
            if (!writer.begin(comments))
                return false;
            begun = true;
        }
        const qint64 at = std::max((e.startUs - originUs) * 1000000, free);
        const SpiWaveform waveform(transfer, at);
        if (!writer.add(waveform))
            return false;
        free = waveform.end();
    }
    if (!begun && !writer.begin(comments))
        return false;
    return writer.finish();
}

bool LogExport::writeVcd(const SpiTransfer &transfer, QIODevice &device)
{
    VcdWriter writer(device, transfer.context.config.clockHz);
    return writer.begin({SpiTransfer::settingsText(transfer.context)}) &&
           writer.add(SpiWaveform(transfer)) && writer.finish();
}
