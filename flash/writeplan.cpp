// The smart write's comparison, its choice of erases and programs, and the state a stopped
// write leaves behind.

#include "flash/writeplan.h"

#include "bus/flashcommands.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>

namespace
{

// States painted over a range, later paint winning: each key starts a part that lasts to the
// next key.
class Painting
{
public:
    Painting(quint64 start, quint64 end) : start(start), end(end)
    {
        parts[start] = FlashRegion::State::Unchanged;
        parts[end] = FlashRegion::State::Unchanged;
    }

    void paint(quint64 from, quint64 to, FlashRegion::State state)
    {
        from = std::max(from, start);
        to = std::min(to, end);
        if (from >= to)
            return;
        auto after = std::prev(parts.upper_bound(to));
        const FlashRegion::State resumes = after->second;
        parts.erase(parts.lower_bound(from), parts.upper_bound(to));
        parts[from] = state;
        parts[to] = to == end ? FlashRegion::State::Unchanged : resumes;
    }

    QVector<FlashRegion> regions() const
    {
        QVector<FlashRegion> made;
        for (auto part = parts.begin(); std::next(part) != parts.end(); ++part) {
            const quint64 length = std::next(part)->first - part->first;
            if (!made.isEmpty() && made.last().state == part->second)
                made.last().length += length;
            else
                made.append({part->first, length, part->second});
        }
        return made;
    }

private:
    quint64 start, end;
    std::map<quint64, FlashRegion::State> parts;
};

} // namespace

QVector<WritePlan::Erase> WritePlan::chooseErases(const QVector<FlashErase> &types, quint64 start,
                                                  quint64 end,
                                                  const std::function<bool(quint64)> &needed)
{
    QVector<Erase> chosen;
    if (types.isEmpty())
        return chosen;
    const quint64 unit = types.first().size;
    for (quint64 at = start; at < end;) {
        if (!needed(at)) {
            at += unit;
            continue;
        }
        // The largest type aligned here whose every unit needs erasing.
        const FlashErase *best = &types.first();
        for (const FlashErase &type : types) {
            if (type.size <= best->size || at % type.size != 0 || at + type.size > end)
                continue;
            bool all = true;
            for (quint64 part = at; all && part < at + type.size; part += unit)
                all = needed(part);
            if (all)
                best = &type;
        }
        chosen.append({at, *best});
        at += best->size;
    }
    return chosen;
}

WritePlan::WritePlan(const FlashChip &chip, quint64 offset, const QByteArray &image)
    : chip(chip), offset(offset), image(image),
      unit(chip.erases.isEmpty() ? quint64(chip.pageSize) : chip.erases.first().size),
      first(offset / unit * unit), last((offset + quint64(image.size()) + unit - 1) / unit * unit)
{
    head = QByteArray(int(offset - first), '\xFF');
    tail = QByteArray(int(last - offset - quint64(image.size())), '\xFF');
    unitNeedsErase.assign((last - first) / unit, false);
    pageDiffers.assign((last - first + chip.pageSize - 1) / chip.pageSize, false);
}

void WritePlan::compare(quint64 address, const QByteArray &old)
{
    const quint64 imageEnd = offset + quint64(image.size());
    for (int i = 0; i < old.size();) {
        const quint64 at = address + quint64(i);
        if (at < offset) {
            head[int(at - first)] = old[i++];
            continue;
        }
        if (at >= imageEnd) {
            tail[int(at - imageEnd)] = old[i++];
            continue;
        }
        // A page at a time, skipping equal ones fast.
        const quint64 pageEnd = std::min((at / chip.pageSize + 1) * chip.pageSize, imageEnd);
        const int count = int(std::min<quint64>(pageEnd - at, quint64(old.size() - i)));
        const char *was = old.constData() + i;
        const char *wanted = image.constData() + (at - offset);
        if (std::memcmp(was, wanted, size_t(count)) != 0) {
            pageDiffers[(at - first) / chip.pageSize] = true;
            for (int k = 0; k < count; ++k)
                if (quint8(wanted[k]) & ~quint8(was[k]))
                    unitNeedsErase[(at + quint64(k) - first) / unit] = true;
        }
        i += count;
    }
}

void WritePlan::plan()
{
    eraseList = chooseErases(chip.erases, first, last,
                             [this](quint64 at) { return unitNeedsErase[(at - first) / unit]; });
    programList.clear();
    for (quint64 page = first; page < last; page += chip.pageSize) {
        const bool erased = unitNeedsErase[(page - first) / unit];
        if (!erased && !pageDiffers[(page - first) / chip.pageSize])
            continue;
        // Only the span of bytes that are not FF needs to go out: FF leaves a byte as it is.
        int from = 0, to = chip.pageSize;
        while (from < to && target(page + from) == 0xFF)
            ++from;
        while (to > from && target(page + to - 1) == 0xFF)
            --to;
        if (from < to)
            programList.append({page + from, to - from});
    }
}

void WritePlan::planChipErase()
{
    chipErased = true;
    FlashErase whole;
    whole.size = quint32(std::min<quint64>(chip.size, 0xFFFFFFFFu));
    whole.opcode = FlashCommand::ChipErase;
    whole.maxUs = chip.chipEraseMaxUs;
    eraseList = {{0, whole}};
    programList.clear();
    const quint64 imageEnd = offset + quint64(image.size());
    for (quint64 page = offset / chip.pageSize * chip.pageSize; page < imageEnd;
         page += chip.pageSize) {
        quint64 from = std::max(page, offset), to = std::min(page + chip.pageSize, imageEnd);
        while (from < to && target(from) == 0xFF)
            ++from;
        while (to > from && target(to - 1) == 0xFF)
            --to;
        if (from < to)
            programList.append({from, int(to - from)});
    }
}

quint64 WritePlan::eraseBytes() const
{
    quint64 total = 0;
    for (const Erase &erase : eraseList)
        total += erase.type.size;
    return total;
}

quint64 WritePlan::programBytes() const
{
    quint64 total = 0;
    for (const Program &program : programList)
        total += quint64(program.length);
    return total;
}

quint8 WritePlan::target(quint64 address) const
{
    const quint64 imageEnd = offset + quint64(image.size());
    if (address >= offset && address < imageEnd)
        return quint8(image[int(address - offset)]);
    if (chipErased)
        return 0xFF;
    return quint8(address < offset ? head[int(address - first)] : tail[int(address - imageEnd)]);
}

QByteArray WritePlan::bytes(quint64 address, int length) const
{
    QByteArray made(length, '\xFF');
    const quint64 imageEnd = offset + quint64(image.size());
    for (int i = 0; i < length;) {
        const quint64 at = address + quint64(i);
        if (at >= offset && at < imageEnd) {
            const int count = int(std::min<quint64>(imageEnd - at, quint64(length - i)));
            std::memcpy(made.data() + i, image.constData() + (at - offset), size_t(count));
            i += count;
        } else {
            made[i++] = char(target(at));
        }
    }
    return made;
}

quint64 WritePlan::verifyStart() const
{
    if (chipErased)
        return offset;
    quint64 start = changedEnd();
    for (const Erase &erase : eraseList)
        start = std::min(start, erase.address);
    for (const Program &program : programList)
        start = std::min(start, program.address);
    return std::max(start, changedStart());
}

quint64 WritePlan::verifyEnd() const
{
    if (chipErased)
        return offset + quint64(image.size());
    quint64 end = changedStart();
    for (const Erase &erase : eraseList)
        end = std::max(end, erase.address + erase.type.size);
    for (const Program &program : programList)
        end = std::max(end, program.address + quint64(program.length));
    return std::min(end, changedEnd());
}

quint64 WritePlan::changedStart() const
{
    if (chipErased)
        return 0;
    return !unitNeedsErase.empty() && unitNeedsErase.front() ? first : offset;
}

quint64 WritePlan::changedEnd() const
{
    if (chipErased)
        return chip.size;
    return !unitNeedsErase.empty() && unitNeedsErase.back() ? last : offset + quint64(image.size());
}

QVector<FlashRegion> WritePlan::regions(FlashPhase phase, int done, bool failed,
                                        quint64 verifiedUpTo) const
{
    using State = FlashRegion::State;
    Painting painting(changedStart(), changedEnd());
    const bool pastErase = phase == FlashPhase::Program || phase == FlashPhase::Verify;
    if (phase == FlashPhase::Erase || pastErase) {
        const int erased = pastErase ? eraseList.size() : done;
        for (int i = 0; i < erased; ++i)
            painting.paint(eraseList[i].address, eraseList[i].address + eraseList[i].type.size,
                           State::Erased);
        if (phase == FlashPhase::Erase && failed && done < eraseList.size())
            painting.paint(eraseList[done].address,
                           eraseList[done].address + eraseList[done].type.size, State::Unknown);
    }
    if (pastErase) {
        // Programs go up through the range: everything before the next one holds the image.
        const bool allProgrammed = phase == FlashPhase::Verify || done >= programList.size();
        const quint64 written = allProgrammed ? changedEnd() : programList[done].address;
        painting.paint(changedStart(), written, State::Written);
        if (phase == FlashPhase::Program && failed && !allProgrammed)
            painting.paint(programList[done].address,
                           programList[done].address + quint64(programList[done].length),
                           State::Unknown);
    }
    if (phase == FlashPhase::Verify)
        painting.paint(verifyStart(), verifiedUpTo, State::Verified);
    return painting.regions();
}

QVector<FlashRegion> eraseRegions(quint64 start, quint64 end,
                                  const QVector<WritePlan::Erase> &erases, int done, bool failed)
{
    Painting painting(start, end);
    for (int i = 0; i < done && i < erases.size(); ++i)
        painting.paint(erases[i].address, erases[i].address + erases[i].type.size,
                       FlashRegion::State::Erased);
    if (failed && done < erases.size())
        painting.paint(erases[done].address, erases[done].address + erases[done].type.size,
                       FlashRegion::State::Unknown);
    return painting.regions();
}
