#pragma once
// What kavris-run adds to the window's "打开设备失败！" when the adapter asked for is not there:
// how many adapters the library found, so that a wrong --device is seen for what it is.

#include <QString>

struct AdapterEntries;

// "kavris-run: adapter 3 not found: 1 adapter attached (0)"; empty when `device` is among the
// adapters attached, or none is (the window's own warning says that).
QString adapterNotFoundNote(const AdapterEntries &entries, int device);
