#pragma once
// What the flash engine is asked to do, and the phases it reports progress in.

#include <QByteArray>

struct FlashJob {
    enum class Kind { Identify, Read, Verify, Write, Erase };
    Kind kind = Kind::Identify;
    quint64 offset = 0;
    // Read and Erase: bytes from `offset`, 0 up to the chip's end. Write and Verify: the
    // image's size.
    quint64 length = 0;
    QByteArray image; // Write, Verify: the bytes for [offset, offset + image.size())
    // Erase: the whole chip with one chip erase. Write: the whole chip erased first instead of
    // comparing, then the image programmed.
    bool chipErase = false;
    bool verify = true;     // Write: read the written range back and compare it
    bool unprotect = false; // Write, Erase: clear the protection bits that cover the range
    // Read, Verify: the size of a chip neither its SFDP tables nor the built-in table describe.
    quint64 assumedSize = 0;
    // Read: collect the bytes into the result; without, they only go out by dataRead().
    bool keepData = true;
};

enum class FlashPhase { Identify, Read, Compare, Unprotect, Erase, Program, Verify };
