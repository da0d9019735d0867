#pragma once
// The smart write's bookkeeping for one image at an offset. The image's range is widened to
// whole units of the chip's smallest erase; the comparison read of that range marks, with a
// bit each, the units that need a 0→1 bit (and so an erase) and the pages that differ. The
// plan is then the largest erases that cover exactly the marked units, and one page program
// for each page that differs or was erased and is not all FF, cut to its non-FF bytes. The
// bytes outside the image but inside an erased unit are kept from the comparison and written
// back. Apart from the image (shared, not copied) it holds two bits per page and unit, two
// units of edge bytes and the list of commands.

#include "flash/flashchip.h"
#include "flash/flashjob.h"
#include "flash/flashresult.h"

#include <QByteArray>
#include <QVector>

#include <functional>
#include <vector>

class WritePlan
{
public:
    struct Erase {
        quint64 address = 0;
        FlashErase type;
    };
    struct Program {
        quint64 address = 0;
        int length = 0;
    };

    // The largest erases, each aligned to its size, that cover exactly the units of the
    // smallest erase in [start, end) for which needed(unit's address) is true.
    static QVector<Erase> chooseErases(const QVector<FlashErase> &types, quint64 start, quint64 end,
                                       const std::function<bool(quint64)> &needed);

    // Without erase types only planChipErase() can make a plan.
    WritePlan(const FlashChip &chip, quint64 offset, const QByteArray &image);

    // The image's range widened to whole units of the smallest erase.
    quint64 start() const { return first; }
    quint64 end() const { return last; }

    // What the chip holds at [address, address + old.size()), within [start, end), in order.
    void compare(quint64 address, const QByteArray &old);
    // After the comparison: the erases and programs that make the chip hold the image.
    void plan();
    // Instead of comparing: the whole chip erased with one chip erase, then the image's pages
    // that are not all FF programmed.
    void planChipErase();

    const QVector<Erase> &erases() const { return eraseList; }
    const QVector<Program> &programs() const { return programList; }
    quint64 eraseBytes() const;
    quint64 programBytes() const;

    // What the chip must hold at [address, address + length) when the write is done.
    QByteArray bytes(quint64 address, int length) const;
    // The range the write changes: the image's, widened to the units erased at its edges; the
    // whole chip after a chip erase.
    quint64 changedStart() const;
    quint64 changedEnd() const;
    // The range the verify reads back: from the first byte erased or programmed to the last
    // (the comparison showed that the rest holds the image already); the image's after a chip
    // erase.
    quint64 verifyStart() const;
    quint64 verifyEnd() const;

    // What each part of the changed range holds when the job stopped in `phase` with `done`
    // operations of the phase finished (`failed`: the next one failed midway) and the bytes
    // before `verifiedUpTo` verified.
    QVector<FlashRegion> regions(FlashPhase phase, int done, bool failed,
                                 quint64 verifiedUpTo) const;

private:
    quint8 target(quint64 address) const;

    FlashChip chip;
    quint64 offset;
    QByteArray image;
    quint64 unit;
    quint64 first, last;
    bool chipErased = false;
    QByteArray head, tail; // what the chip held in the widened parts before and after the image
    std::vector<bool> unitNeedsErase, pageDiffers;
    QVector<Erase> eraseList;
    QVector<Program> programList;
};

// The parts of [start, end) that an erase job leaves in which state after `done` of `erases`
// (and, if `failed`, the next one failing midway).
QVector<FlashRegion> eraseRegions(quint64 start, quint64 end,
                                  const QVector<WritePlan::Erase> &erases, int done, bool failed);
