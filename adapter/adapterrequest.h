#pragma once
// A request to the adapter session: one piece of work the adapter carries out on the session's
// worker, answered later with a TransferOutcome. Requests are plain values, made by the
// functions below; nothing in them refers to a widget or a list cell.

#include "adapter/spisettings.h"

#include <QByteArray>

struct AdapterRequest {
    enum class Kind {
        Prepare, // scan, open and configure the adapter if the configuration is stale
        Write,   // the six transfers of the panel, each prepared first when stale
        Read,
        WriteRead,
        BlockWrite,
        BlockRead,
        BlockWriteRead,
        RowWrite, // list rows: one transfer on the adapter as prepared for the pass
        RowRead,
        RowWriteRead,
        FirmwareInfo, // scan, open and query the device; the configuration is left alone
        Exchange,     // a master's write, then a read, under one chip-select assertion; not
                      // echoed (the flash engine's commands)
    };

    Kind kind = Kind::Prepare;
    PanelSettings settings; // rows and the firmware query use only device and channel
    QByteArray data;        // bytes to write
    int count = 0;          // bytes to read; blocks of a block read
    int blockSize = 0;      // block writes: the write block; block read: the block
    int readBlockSize = 0;  // block write-read: the read block
    int intervalUs = 0;     // between the blocks of a train

    static AdapterRequest prepare(const PanelSettings &settings)
    {
        return make(Kind::Prepare, settings);
    }
    static AdapterRequest write(const PanelSettings &settings, const QByteArray &data)
    {
        AdapterRequest request = make(Kind::Write, settings);
        request.data = data;
        return request;
    }
    static AdapterRequest read(const PanelSettings &settings, int count)
    {
        AdapterRequest request = make(Kind::Read, settings);
        request.count = count;
        return request;
    }
    static AdapterRequest writeRead(const PanelSettings &settings, const QByteArray &data,
                                    int count)
    {
        AdapterRequest request = write(settings, data);
        request.kind = Kind::WriteRead;
        request.count = count;
        return request;
    }
    static AdapterRequest blockWrite(const PanelSettings &settings, const QByteArray &data,
                                     int blockSize, int intervalUs)
    {
        AdapterRequest request = write(settings, data);
        request.kind = Kind::BlockWrite;
        request.blockSize = blockSize;
        request.intervalUs = intervalUs;
        return request;
    }
    static AdapterRequest blockRead(const PanelSettings &settings, int blockSize, int blockCount,
                                    int intervalUs)
    {
        AdapterRequest request = make(Kind::BlockRead, settings);
        request.blockSize = blockSize;
        request.count = blockCount;
        request.intervalUs = intervalUs;
        return request;
    }
    static AdapterRequest blockWriteRead(const PanelSettings &settings, const QByteArray &data,
                                         int writeBlockSize, int readBlockSize, int intervalUs)
    {
        AdapterRequest request = blockWrite(settings, data, writeBlockSize, intervalUs);
        request.kind = Kind::BlockWriteRead;
        request.readBlockSize = readBlockSize;
        return request;
    }
    // A list row's transfer on the device and channel of `settings` (those of the pass); `count`
    // is the row's read count.
    static AdapterRequest row(Kind kind, const PanelSettings &settings, const QByteArray &data,
                              int count)
    {
        AdapterRequest request = make(kind, settings);
        request.data = data;
        request.count = count;
        return request;
    }
    // Writes `data` and then reads `count` bytes under one chip-select assertion, prepared first
    // when stale: SpiWriteRead (SpiWrite when nothing is read) in the half-duplex modes; in
    // full duplex one exchange of data and FFh filler, the bytes clocked in during the filler
    // being the ones read. The outcome's `received` holds the `count` bytes read.
    static AdapterRequest exchange(const PanelSettings &settings, const QByteArray &data, int count)
    {
        AdapterRequest request = write(settings, data);
        request.kind = Kind::Exchange;
        request.count = count;
        return request;
    }
    static AdapterRequest firmwareInfo(int device)
    {
        AdapterRequest request;
        request.kind = Kind::FirmwareInfo;
        request.settings.device = device;
        return request;
    }

private:
    static AdapterRequest make(Kind kind, const PanelSettings &settings)
    {
        AdapterRequest request;
        request.kind = kind;
        request.settings = settings;
        return request;
    }
};
