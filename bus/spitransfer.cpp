#include "bus/spitransfer.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

namespace
{

using Echo = TransferOutcome::Echo;

// One assertion of `write` then (or, in full duplex, while) `read`; either may be missing.
SpiFrame frame(const TransferOutcome &outcome, const Echo *write, int writeIndex, const Echo *read,
               int readIndex, bool fullDuplex)
{
    SpiFrame made;
    const QByteArray out = write ? outcome.sent.mid(write->offset, write->length) : QByteArray();
    const QByteArray in = read ? outcome.received.mid(read->offset, read->length) : QByteArray();
    made.written = out.size();
    made.read = in.size();
    if (fullDuplex) {
        const int clocks = std::max(out.size(), in.size());
        made.mosi = out + QByteArray(clocks - out.size(), '\xFF');
        made.miso = in + QByteArray(clocks - in.size(), '\xFF');
    } else {
        made.mosi = out + QByteArray(in.size(), '\xFF');
        made.miso = QByteArray(out.size(), '\xFF') + in;
        made.readFrom = in.isEmpty() ? 0 : out.size();
    }
    made.firstEcho = std::min(write ? writeIndex : INT_MAX, read ? readIndex : INT_MAX);
    return made;
}

} // namespace

SpiTransfer SpiTransfer::fromOutcome(const TransferOutcome &outcome)
{
    SpiTransfer made;
    made.context = outcome.context;
    QVector<int> writes, reads; // echo indexes
    for (int i = 0; i < outcome.echoes.size(); ++i)
        (outcome.echoes[i].sent ? writes : reads).append(i);
    const bool fullDuplex = outcome.context.config.controlMode == 0;
    const auto add = [&](int w, int r) {
        const Echo *write = w >= 0 && w < writes.size() ? &outcome.echoes[writes[w]] : nullptr;
        const Echo *read = r >= 0 && r < reads.size() ? &outcome.echoes[reads[r]] : nullptr;
        if (write || read)
            made.frames.append(frame(outcome, write, write ? writes[w] : 0, read,
                                     read ? reads[r] : 0, fullDuplex));
    };
    switch (outcome.context.call) {
    case TransferCall::Write:
    case TransferCall::Read:
    case TransferCall::WriteRead:
        add(0, 0);
        break;
    case TransferCall::BlockWrite:
    case TransferCall::BlockRead:
    case TransferCall::BlockWriteRead:
        // Block i's write goes with block i's read, whether the echoes alternate or come as
        // all writes, then all reads (a block write in full duplex).
        for (int i = 0; i < std::max(writes.size(), reads.size()); ++i)
            add(i, i);
        break;
    case TransferCall::None:
    case TransferCall::SlaveWrite:
    case TransferCall::SlaveRead:
        break;
    }
    return made;
}

SpiTransfer::Drawable SpiTransfer::drawable() const
{
    switch (context.call) {
    case TransferCall::None:
        return Drawable::NoSettings;
    case TransferCall::SlaveWrite:
    case TransferCall::SlaveRead:
        return Drawable::Slave;
    default:
        return bytes() > 0 && context.config.clockHz > 0 ? Drawable::Yes : Drawable::Empty;
    }
}

qint64 SpiTransfer::bytes() const
{
    qint64 total = 0;
    for (const SpiFrame &f : frames)
        total += f.clocks();
    return total;
}

const char *SpiTransfer::callName(TransferCall call)
{
    switch (call) {
    case TransferCall::None:
        return "";
    case TransferCall::Write:
        return "SpiWrite";
    case TransferCall::Read:
        return "SpiRead";
    case TransferCall::WriteRead:
        return "SpiWriteRead";
    case TransferCall::SlaveWrite:
        return "SpiSlaveWrite";
    case TransferCall::SlaveRead:
        return "SpiSlaveRead";
    case TransferCall::BlockWrite:
        return "SpiBlockWrite";
    case TransferCall::BlockRead:
        return "SpiBlockRead";
    case TransferCall::BlockWriteRead:
        return "SpiBlockWriteRead";
    }
    return "";
}

QString SpiTransfer::channelName(int channel)
{
    return QStringLiteral("SPI%1_CS%2").arg((channel & 0x0F) + 1).arg((channel >> 4) & 0x0F);
}

const char *SpiTransfer::controlModeName(int mode)
{
    static const char *const names[] = {"full-duplex", "half-duplex", "software half-duplex",
                                        "single-bus"};
    return mode >= 0 && mode < 4 ? names[mode] : "unknown mode";
}

QString SpiTransfer::settingsText(const TransferContext &context)
{
    const SpiConfig &config = context.config;
    QString text =
        QStringLiteral("%1, %2 %3, CPOL=%4 CPHA=%5, %6 first, CS active %7, %8 Hz")
            .arg(channelName(context.channel), QLatin1String(controlModeName(config.controlMode)),
                 QLatin1String(config.master ? "master" : "slave"))
            .arg(config.clockPolarity)
            .arg(config.clockPhase)
            .arg(QLatin1String(config.lsbFirst ? "LSB" : "MSB"),
                 QLatin1String(config.csPolarity ? "high" : "low"))
            .arg(config.clockHz);
    const bool train = context.call == TransferCall::BlockWrite ||
                       context.call == TransferCall::BlockRead ||
                       context.call == TransferCall::BlockWriteRead;
    if (train)
        text += QCoreApplication::translate("SpiTransfer", ", blocks %1 us apart")
                    .arg(context.intervalUs);
    return text;
}
