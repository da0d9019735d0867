// libftdi1 behind the FTDI port. Reads poll in short USB transfers until the deadline, so a
// chip that went away or stopped answering gives a failure, never a hang.

#include "telkor/libftdiport.h"

#include <ftdi.h>

#include <chrono>
#include <sys/time.h>
#include <thread>

namespace telkor
{

LibFtdiPort::LibFtdiPort() : context(ftdi_new())
{
    if (!context)
        message = "libftdi could not be initialised";
}

LibFtdiPort::~LibFtdiPort()
{
    close();
    if (context)
        ftdi_free(context);
}

int LibFtdiPort::count(uint16_t vendor, uint16_t product)
{
    if (!context)
        return 0;
    ftdi_device_list *list = nullptr;
    const int found = ftdi_usb_find_all(context, &list, vendor, product);
    ftdi_list_free(&list);
    return found > 0 ? found : 0;
}

bool LibFtdiPort::open(uint16_t vendor, uint16_t product, int index, int interface)
{
    close();
    if (!context)
        return false;
    if (ftdi_set_interface(context, interface == 0 ? INTERFACE_A : INTERFACE_B) < 0 ||
        ftdi_usb_open_desc_index(context, vendor, product, nullptr, nullptr,
                                 static_cast<unsigned>(index)) < 0) {
        message = ftdi_get_error_string(context);
        return false;
    }
    context->usb_read_timeout = 50;
    opened = true;
    return true;
}

void LibFtdiPort::close()
{
    if (!opened)
        return;
    finishWrite(true);
    ftdi_usb_close(context);
    opened = false;
}

bool LibFtdiPort::reset()
{
    if (!opened || ftdi_usb_reset(context) < 0 || ftdi_tcioflush(context) < 0) {
        message = opened ? ftdi_get_error_string(context) : "not open";
        return false;
    }
    return true;
}

bool LibFtdiPort::setLatency(uint8_t milliseconds)
{
    if (!opened || ftdi_set_latency_timer(context, milliseconds) < 0) {
        message = opened ? ftdi_get_error_string(context) : "not open";
        return false;
    }
    return true;
}

bool LibFtdiPort::setBitmode(uint8_t mask, uint8_t mode)
{
    if (!opened || ftdi_set_bitmode(context, mask, mode) < 0) {
        message = opened ? ftdi_get_error_string(context) : "not open";
        return false;
    }
    // FTDI's MPSSE examples let the engine settle before its first command.
    if (mode == BITMODE_MPSSE)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return true;
}

bool LibFtdiPort::write(const uint8_t *data, size_t count)
{
    if (!opened || !finishWrite(false)) {
        message = opened ? message : "not open";
        return false;
    }
    outgoing.assign(data, data + count);
    pending = ftdi_write_data_submit(context, outgoing.data(), static_cast<int>(count));
    if (!pending) {
        message = ftdi_get_error_string(context);
        return false;
    }
    return true;
}

int LibFtdiPort::read(uint8_t *buffer, size_t count, int timeoutMs)
{
    if (!opened) {
        message = "not open";
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t got = 0;
    while (got < count) {
        const int part = ftdi_read_data(context, buffer + got, static_cast<int>(count - got));
        if (part < 0) {
            message = ftdi_get_error_string(context);
            finishWrite(true);
            return -1;
        }
        got += static_cast<size_t>(part);
        if (got < count && std::chrono::steady_clock::now() > deadline) {
            message = "no answer in time";
            finishWrite(true);
            return static_cast<int>(got);
        }
    }
    return finishWrite(false) ? static_cast<int>(got) : -1;
}

const char *LibFtdiPort::error()
{
    return message;
}

bool LibFtdiPort::finishWrite(bool cancel)
{
    if (!pending)
        return true;
    ftdi_transfer_control *transfer = pending;
    pending = nullptr;
    if (cancel) {
        timeval wait = {0, 100000};
        ftdi_transfer_data_cancel(transfer, &wait);
        return false;
    }
    if (ftdi_transfer_data_done(transfer) < 0) {
        message = ftdi_get_error_string(context);
        return false;
    }
    return true;
}

} // namespace telkor
