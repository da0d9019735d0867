// The system calls of the spidev backend on the real host.

#include "telkor/spidevhost.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

namespace telkor
{

SpidevSystem &SpidevSystem::real()
{
    static SpidevHost host;
    return host;
}

int SpidevHost::open(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

void SpidevHost::close(int fd)
{
    ::close(fd);
}

int SpidevHost::ioctl(int fd, unsigned long request, void *argument)
{
    const int result = ::ioctl(fd, request, argument);
    return result >= 0 ? result : -errno;
}

long SpidevHost::read(int fd, uint8_t *buffer, size_t count)
{
    const ssize_t done = ::read(fd, buffer, count);
    return done >= 0 ? done : -errno;
}

long SpidevHost::write(int fd, const uint8_t *data, size_t count)
{
    const ssize_t done = ::write(fd, data, count);
    return done >= 0 ? done : -errno;
}

std::string SpidevHost::kernelRelease()
{
    struct utsname name;
    return ::uname(&name) == 0 ? std::string(name.release) : std::string();
}

std::vector<std::string> SpidevHost::listDirectory(const std::string &path)
{
    std::vector<std::string> names;
    DIR *directory = ::opendir(path.c_str());
    if (!directory)
        return names;
    while (const dirent *entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(directory);
    return names;
}

bool SpidevHost::readFile(const std::string &path, std::string *text)
{
    std::ifstream file(path);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    *text = contents.str();
    return true;
}

void SpidevHost::sleepUs(uint64_t microseconds)
{
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

} // namespace telkor
