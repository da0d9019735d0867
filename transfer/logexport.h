#pragma once
// The traffic log in the forms other programs read: a CSV table (RFC 4180) of the entries with
// their transfers' times and settings, for spreadsheets, and a VCD file of the bus, for
// logic-analyser programs. Both are streamed, as the text and HTML saves are.

#include "transfer/logcolumns.h"

class QIODevice;
class TrafficLog;
struct SpiTransfer;

class LogExport
{
public:
    // One row per entry after a header row: index (from 1), time (ISO 8601, local, with
    // microseconds), duration_us, direction, call, device, channel, control_mode, role, cpol,
    // cpha, bit_order, cs_polarity, clock_hz, interval_us, hex, text; and annotation when the
    // columns carry notes. An entry without a transfer leaves time and settings empty. Lines
    // end in CR LF; a field with a comma, a quote or a line break is quoted.
    static bool writeCsv(const TrafficLog &log, QIODevice &device,
                         const LogColumns &columns = LogColumns());

    // Every transfer of the log one after another on one time axis, at the distance their
    // calls started apart (and never overlapping), each drawn with its own settings. Entries
    // without settings and slave transfers are left out.
    static bool writeVcd(const TrafficLog &log, QIODevice &device);
    // One transfer, from time 0.
    static bool writeVcd(const SpiTransfer &transfer, QIODevice &device);
};
