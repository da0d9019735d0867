#pragma once
// The adapter and the program move at most TELKOR_BUFFER_SIZE bytes each way per call. Anything
// larger is refused before a call, never cut.

#include "adapter/telkor.h"

#include <QByteArray>

#include <cstring>

// A zeroed buffer of the adapter's size with the data (at most that size) at its start.
inline QByteArray transferBuffer(const QByteArray &data = QByteArray())
{
    QByteArray buffer(TELKOR_BUFFER_SIZE, '\0');
    std::memcpy(buffer.data(), data.constData(), static_cast<size_t>(data.size()));
    return buffer;
}

inline uint8_t *bufferBytes(QByteArray &buffer)
{
    return reinterpret_cast<uint8_t *>(buffer.data());
}

// Receive volume of `blocks` blocks of `blockSize` bytes, without overflow.
inline bool fitsBuffer(long long blockSize, long long blocks)
{
    return blockSize >= 0 && blocks >= 0 && blockSize * blocks <= TELKOR_BUFFER_SIZE;
}
