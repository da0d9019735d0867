#pragma once
// The command bytes of 25-series SPI NOR flash chips and the bits of their first status
// register: what the flash engine sends and what the traffic log's decoder names. The values
// are the ones nearly every maker uses; where makers differ the comment says so.

#include <cstdint>

namespace FlashCommand
{

// Identification.
constexpr uint8_t ReadJedecId = 0x9F;      // answers manufacturer, memory type, capacity
constexpr uint8_t ReadSfdp = 0x5A;         // 3-byte address, 1 dummy byte, then the SFDP tables
constexpr uint8_t ReleasePowerDown = 0xAB; // also answers the old one-byte device id
constexpr uint8_t PowerDown = 0xB9;        // deep power-down; only AB wakes the chip
constexpr uint8_t ReadManufacturerDeviceId = 0x90; // 3 address bytes, then two id bytes

// Status and write enable.
constexpr uint8_t ReadStatus1 = 0x05;  // BUSY, WEL, block protection; repeats while clocked
constexpr uint8_t ReadStatus2 = 0x35;  // Winbond, GigaDevice: QE, CMP, ... (not Macronix)
constexpr uint8_t WriteStatus = 0x01;  // needs write enable; status 1 (and on some chips 2)
constexpr uint8_t WriteEnable = 0x06;  // sets WEL; every program, erase and status write needs it
constexpr uint8_t WriteDisable = 0x04; // clears WEL

// Reading.
constexpr uint8_t Read = 0x03;      // address, then data for as long as it is clocked
constexpr uint8_t FastRead = 0x0B;  // address, 1 dummy byte, then data
constexpr uint8_t Read4 = 0x13;     // Read with a 4-byte address
constexpr uint8_t FastRead4 = 0x0C; // FastRead with a 4-byte address

// Programming: only clears bits, within one page (the address wraps at the page's end).
constexpr uint8_t PageProgram = 0x02;
constexpr uint8_t PageProgram4 = 0x12; // with a 4-byte address

// Erasing: sets every bit of an aligned unit.
constexpr uint8_t SectorErase4K = 0x20;
constexpr uint8_t SectorErase4K4 = 0x21; // with a 4-byte address
constexpr uint8_t BlockErase32K = 0x52;
constexpr uint8_t BlockErase32K4 = 0x5C; // with a 4-byte address (Macronix, Micron, ISSI)
constexpr uint8_t BlockErase64K = 0xD8;
constexpr uint8_t BlockErase64K4 = 0xDC; // with a 4-byte address
constexpr uint8_t ChipErase = 0xC7;
constexpr uint8_t ChipEraseAlt = 0x60; // the same as C7 on nearly every chip

// Addressing above 16 MiB.
constexpr uint8_t Enter4ByteMode = 0xB7; // 03, 0B, 02, 20, 52, D8 then take 4-byte addresses
constexpr uint8_t Exit4ByteMode = 0xE9;  // back to 3-byte addresses (ISSI: 29)

// Reset.
constexpr uint8_t ResetEnable = 0x66; // must come right before Reset
constexpr uint8_t Reset = 0x99;

} // namespace FlashCommand

// Bits of status register 1. BUSY and WEL are the same on every chip; the protection bits are
// laid out as on Winbond's and GigaDevice's parts up to 16 MiB. Other layouts put BP3 (and TB)
// in bits 5 and 6, Macronix keeps QE in bit 6.
namespace FlashStatus
{

constexpr uint8_t Busy = 0x01;         // a program, erase or status write is under way
constexpr uint8_t WriteEnabled = 0x02; // WEL
constexpr uint8_t Bp0 = 0x04;
constexpr uint8_t Bp1 = 0x08;
constexpr uint8_t Bp2 = 0x10;
constexpr uint8_t TopBottom = 0x20;          // TB: 1 protects from the bottom of the chip
constexpr uint8_t Sector = 0x40;             // SEC: 1 protects 4 to 32 KiB instead of 64 KiB units
constexpr uint8_t StatusWriteDisable = 0x80; // SRWD: with WP# low the status cannot be written

} // namespace FlashStatus
