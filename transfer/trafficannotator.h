#pragma once
// The log's notes: a decoder per chip select (of each adapter) saying what each assertion's
// bytes meant. The user chooses one from the dialog, or leaves it automatic: then a chip select
// whose JEDEC id answer names a chip of the flash table gets the flash decoder, from that answer
// on for the whole log. Notes are decoded when asked for (only shown or saved entries are), a
// transfer at a time, the last one kept.

#include "bus/framedecoder.h"
#include "transfer/logcolumns.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QVector>

class TrafficLog;
struct TransferOutcome;

class TrafficAnnotator : public QObject, public LogAnnotator
{
    Q_OBJECT

public:
    enum class Choice { Automatic, None, Flash, Registers };

    explicit TrafficAnnotator(const TrafficLog &log, QObject *parent = nullptr);

    QString annotation(qint64 entry) const override;

    Choice choice(int device, int channel) const;
    void setChoice(int device, int channel, Choice choice);
    // The decoder in use: the choice, or for an automatic one what the chip's answer named.
    FrameDecoder::Kind decoder(int device, int channel) const;
    // The chip an automatic chip select identified itself as ("Winbond W25Q16"); empty if none.
    QString identified(int device, int channel) const;
    // The chip selects of the log's transfers and those with a choice, as (device, channel).
    QList<QPair<int, int>> chipSelects() const;

signals:
    // A choice or an identification changed the notes.
    void changed();

private:
    static int key(int device, int channel) { return device << 8 | (channel & 0xFF); }
    void observe(const TransferOutcome &outcome);
    void forget();

    const TrafficLog &log;
    QHash<int, Choice> choices;
    QHash<int, QString> chips; // identified, by key
    mutable qint64 cachedFirst = -1;
    mutable FrameDecoder::Kind cachedKind = FrameDecoder::Kind::None;
    mutable QVector<QString> cachedNotes;
};
