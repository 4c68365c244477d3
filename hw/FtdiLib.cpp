#include "hw/FtdiLib.h"

#include <libftdi1/ftdi.h>

#include <cstring>

namespace korv {
namespace {

constexpr int kMaxDevices = 32;

// Two contexts: one only lists devices and reads their strings, the other
// holds the opened adapter. libftdi reads the strings of a device through
// the context's open handle when it has one, so listing on the adapter's
// context would read the adapter's strings for every device.
class SystemFtdiLib final : public FtdiLib {
public:
    SystemFtdiLib() : list_(ftdi_new()), dev_(ftdi_new()) {}
    ~SystemFtdiLib() override
    {
        if (dev_) {
            if (open_) ftdi_usb_close(dev_);
            ftdi_free(dev_);
        }
        if (list_) {
            if (devlist_) ftdi_list_free(&devlist_);
            ftdi_free(list_);
        }
    }

    int Enumerate() override
    {
        if (!list_) return -3;
        if (devlist_) ftdi_list_free(&devlist_);
        count_ = 0;
        // Vendor and product 0: libftdi searches its list of FTDI's own IDs
        // (0403:6001, 6010, 6011, 6014, 6015).
        int n = ftdi_usb_find_all(list_, &devlist_, 0, 0);
        if (n < 0) return n;
        for (ftdi_device_list* d = devlist_; d && count_ < kMaxDevices; d = d->next) devices_[count_++] = d->dev;
        return count_;
    }

    int Description(int index, char* buf, int len) override
    {
        if (!list_ || index < 0 || index >= count_) return -1;
        std::memset(buf, 0, static_cast<size_t>(len));
        return ftdi_usb_get_strings(list_, devices_[index], nullptr, 0, buf, len, nullptr, 0);
    }

    int Open(int index) override
    {
        if (!dev_ || index < 0 || index >= count_) return -3;
        if (open_) {
            ftdi_usb_close(dev_);
            open_ = false;
        }
        int r = ftdi_usb_open_dev(dev_, devices_[index]);
        open_ = r >= 0;
        return r;
    }

    void Close() override
    {
        if (open_) ftdi_usb_close(dev_);
        open_ = false;
    }

    int SetBitmode(uint8_t mask, uint8_t mode) override { return open_ ? ftdi_set_bitmode(dev_, mask, mode) : -666; }
    int SetLatencyTimer(uint8_t ms) override { return open_ ? ftdi_set_latency_timer(dev_, ms) : -666; }
    int SetBaudrate(int baud) override { return open_ ? ftdi_set_baudrate(dev_, baud) : -666; }
    void SetTimeouts(int readMs, int writeMs) override
    {
        if (!dev_) return;
        dev_->usb_read_timeout = readMs;
        dev_->usb_write_timeout = writeMs;
    }
    int PurgeRx() override { return open_ ? ftdi_tciflush(dev_) : -666; }
    int Write(const uint8_t* buf, int size) override { return open_ ? ftdi_write_data(dev_, buf, size) : -666; }
    int Read(uint8_t* buf, int size) override { return open_ ? ftdi_read_data(dev_, buf, size) : -666; }

private:
    ftdi_context* list_;
    ftdi_context* dev_;
    ftdi_device_list* devlist_ = nullptr;
    libusb_device* devices_[kMaxDevices] = {};
    int count_ = 0;
    bool open_ = false;
};

} // namespace

std::unique_ptr<FtdiLib> MakeSystemFtdiLib() { return std::make_unique<SystemFtdiLib>(); }

} // namespace korv
