// The real host behind the spidev backend.

#include "telkor/spidevsystem.h"

#include <cerrno>
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

namespace
{

class RealSystem : public SpidevSystem
{
public:
    int open(const std::string &path) override
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    void close(int fd) override { ::close(fd); }
    int ioctl(int fd, unsigned long request, void *argument) override
    {
        const int result = ::ioctl(fd, request, argument);
        return result >= 0 ? result : -errno;
    }
    long read(int fd, uint8_t *buffer, size_t count) override
    {
        const ssize_t done = ::read(fd, buffer, count);
        return done >= 0 ? done : -errno;
    }
    long write(int fd, const uint8_t *data, size_t count) override
    {
        const ssize_t done = ::write(fd, data, count);
        return done >= 0 ? done : -errno;
    }
    std::string kernelRelease() override
    {
        struct utsname name;
        return ::uname(&name) == 0 ? std::string(name.release) : std::string();
    }
    std::vector<std::string> listDirectory(const std::string &path) override
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
    bool readFile(const std::string &path, std::string *text) override
    {
        std::ifstream file(path);
        if (!file)
            return false;
        std::ostringstream contents;
        contents << file.rdbuf();
        *text = contents.str();
        return true;
    }
    void sleepUs(uint64_t microseconds) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    }
};

} // namespace

SpidevSystem &SpidevSystem::real()
{
    static RealSystem system;
    return system;
}

} // namespace telkor
