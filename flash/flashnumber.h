#pragma once
// Addresses and sizes as users type them for flash jobs, in the window and on kavris-run's
// command line: decimal or 0x hexadecimal, optionally followed by K or M (KiB, MiB).

#include <QString>

// False for anything else, a negative number or one beyond 64 bits.
bool parseFlashNumber(const QString &text, quint64 *value);
