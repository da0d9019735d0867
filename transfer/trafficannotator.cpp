#include "transfer/trafficannotator.h"

#include "bus/flashchips.h"
#include "bus/flashcommands.h"
#include "transfer/trafficlog.h"

#include <algorithm>
#include <tuple>

TrafficAnnotator::TrafficAnnotator(const TrafficLog &log, QObject *parent)
    : QObject(parent), log(log)
{
    connect(&log, &TrafficLog::transferAppended, this,
            [this](const TransferOutcome &outcome, qint64) { observe(outcome); });
    connect(&log, &TrafficLog::cleared, this, [this] {
        // The identifications came from entries that are gone; the user's choices stay.
        chips.clear();
        forget();
        emit changed();
    });
}

void TrafficAnnotator::observe(const TransferOutcome &outcome)
{
    // Every transfer comes by here: only a JEDEC id answer is looked at any closer.
    if (outcome.sent.isEmpty() || quint8(outcome.sent[0]) != FlashCommand::ReadJedecId ||
        outcome.received.isEmpty() || outcome.echoes.isEmpty() || !outcome.echoes[0].sent ||
        outcome.echoes[0].offset != 0)
        return;
    const int at = key(outcome.context.device, outcome.context.channel);
    if (choice(outcome.context.device, outcome.context.channel) != Choice::Automatic ||
        chips.contains(at))
        return;
    const SpiTransfer transfer = SpiTransfer::fromOutcome(outcome);
    for (const SpiFrame &frame : transfer.frames)
        if (const FlashChipInfo *chip = FrameDecoder::identifiedChip(frame)) {
            const char *maker = jedecManufacturerName(chip->manufacturer);
            chips.insert(at, QStringLiteral("%1 %2").arg(QLatin1String(maker ? maker : "?"),
                                                         QLatin1String(chip->part)));
            forget();
            emit changed();
            return;
        }
}

void TrafficAnnotator::forget()
{
    cachedFirst = -1;
    cachedNotes.clear();
}

TrafficAnnotator::Choice TrafficAnnotator::choice(int device, int channel) const
{
    return choices.value(key(device, channel), Choice::Automatic);
}

void TrafficAnnotator::setChoice(int device, int channel, Choice chosen)
{
    if (choice(device, channel) == chosen)
        return;
    if (chosen == Choice::Automatic)
        choices.remove(key(device, channel));
    else
        choices.insert(key(device, channel), chosen);
    forget();
    emit changed();
}

FrameDecoder::Kind TrafficAnnotator::decoder(int device, int channel) const
{
    switch (choice(device, channel)) {
    case Choice::Automatic:
        return chips.contains(key(device, channel)) ? FrameDecoder::Kind::Flash
                                                    : FrameDecoder::Kind::None;
    case Choice::None:
        return FrameDecoder::Kind::None;
    case Choice::Flash:
        return FrameDecoder::Kind::Flash;
    case Choice::Registers:
        return FrameDecoder::Kind::Registers;
    }
    return FrameDecoder::Kind::None;
}

QString TrafficAnnotator::identified(int device, int channel) const
{
    return chips.value(key(device, channel));
}

QList<QPair<int, int>> TrafficAnnotator::chipSelects() const
{
    QList<QPair<int, int>> found;
    for (int i = 1; i < log.contextCount(); ++i) {
        const TransferContext context = log.context(i);
        found << qMakePair(context.device, context.channel & 0xFF);
    }
    for (auto it = choices.begin(); it != choices.end(); ++it)
        found << qMakePair(it.key() >> 8, it.key() & 0xFF);
    std::sort(found.begin(), found.end(), [](const QPair<int, int> &a, const QPair<int, int> &b) {
        // By adapter, then controller, then chip select: the channel box's order.
        return std::make_tuple(a.first, a.second & 0x0F, a.second >> 4) <
               std::make_tuple(b.first, b.second & 0x0F, b.second >> 4);
    });
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

QString TrafficAnnotator::annotation(qint64 entry) const
{
    const TrafficEntry facts = log.entry(entry);
    if (!facts.hasTransfer())
        return QString();
    const TransferContext context = log.context(facts.context);
    const FrameDecoder::Kind kind = decoder(context.device, context.channel);
    if (kind == FrameDecoder::Kind::None)
        return QString();
    if (cachedFirst != facts.transferFirst || cachedKind != kind) {
        const SpiTransfer transfer = SpiTransfer::fromOutcome(log.transfer(entry));
        cachedNotes = QVector<QString>(facts.transferEntries);
        for (const SpiFrame &frame : transfer.frames)
            if (frame.firstEcho < cachedNotes.size())
                cachedNotes[frame.firstEcho] = FrameDecoder::annotate(kind, frame);
        cachedFirst = facts.transferFirst;
        cachedKind = kind;
    }
    return cachedNotes.value(static_cast<int>(entry - facts.transferFirst));
}
