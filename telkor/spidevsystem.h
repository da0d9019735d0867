#pragma once
// The system calls of the spidev backend, behind one seam so that tests hand it a fake host
// with device nodes that carry out the transfers on chip models. Failures come back as
// -errno, never through the global errno.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telkor
{

class SpidevSystem
{
public:
    virtual ~SpidevSystem() = default;

    // The host itself (SpidevHost).
    static SpidevSystem &real();

    // A file descriptor, or -errno.
    virtual int open(const std::string &path) = 0;
    virtual void close(int fd) = 0;
    // The ioctl's result, or -errno.
    virtual int ioctl(int fd, unsigned long request, void *argument) = 0;
    // Bytes moved, or -errno.
    virtual long read(int fd, uint8_t *buffer, size_t count) = 0;
    virtual long write(int fd, const uint8_t *data, size_t count) = 0;
    // uname's release, such as "6.1.0-13-amd64".
    virtual std::string kernelRelease() = 0;
    // The names in a directory (no "." and ".."); empty if it cannot be read.
    virtual std::vector<std::string> listDirectory(const std::string &path) = 0;
    // The file's text; false if it cannot be read.
    virtual bool readFile(const std::string &path, std::string *text) = 0;
    virtual void sleepUs(uint64_t microseconds) = 0;
};

} // namespace telkor
