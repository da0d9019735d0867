#pragma once
// The text of the firmware-information box, built from what AdapterGetInfo filled in.

#include "adapter/telkor.h"

#include <QString>

// Packed version word as "v<major>.<minor>.<patch>".
QString formatVersion(uint32_t version);

// Six lines: name, build date, firmware version, hardware version, serial number, functions.
// Every text field is read only within its own bytes, up to its first NUL if it has one.
QString formatFirmwareInfo(const DeviceInfo &info,
                           const char (&functions)[TELKOR_FUNCTION_TEXT_SIZE]);
