#pragma once
// The real host behind the spidev backend: the system calls themselves.

#include "telkor/spidevsystem.h"

namespace telkor
{

class SpidevHost : public SpidevSystem
{
public:
    int open(const std::string &path) override;
    void close(int fd) override;
    int ioctl(int fd, unsigned long request, void *argument) override;
    long read(int fd, uint8_t *buffer, size_t count) override;
    long write(int fd, const uint8_t *data, size_t count) override;
    std::string kernelRelease() override;
    std::vector<std::string> listDirectory(const std::string &path) override;
    bool readFile(const std::string &path, std::string *text) override;
    void sleepUs(uint64_t microseconds) override;
};

} // namespace telkor
