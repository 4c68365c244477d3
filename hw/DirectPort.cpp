#include "hw/DirectPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define KORV_HAVE_IOPERM 1
#endif

#include "app/Format.h"

namespace korv {

std::string DirectPort::FailureText(uint16_t base, const std::string& cause, const std::string& device)
{
    const std::string dev = device.empty() ? std::string("/dev/parport0") : device;
    return Format("Нет доступа к параллельному порту 0x%x: %s. Что сделать: добавьте пользователя в "
                  "группу lp (устройство %s, адрес порта 0x%x в параметрах) и войдите в систему заново, "
                  "либо запустите программу с правом CAP_SYS_RAWIO. Пока программа работает без "
                  "программатора на LPT.",
                  {static_cast<unsigned>(base), cause, dev, static_cast<unsigned>(base)});
}

std::string DirectPort::FindPpdev(uint16_t base, std::string* why) const
{
    DIR* d = opendir(procRoot_.c_str());
    if (!d) {
        if (why) *why = "в системе нет параллельных портов (модуль parport_pc не загружен)";
        return {};
    }
    std::string found;
    bool any = false;
    while (dirent* e = readdir(d)) {
        if (std::strncmp(e->d_name, "parport", 7) != 0) continue;
        std::ifstream f(procRoot_ + "/" + e->d_name + "/base-addr");
        long value = -1;
        if (!(f >> value)) continue;
        any = true;
        if (value == base) {
            found = devRoot_ + "/" + e->d_name;
            break;
        }
    }
    closedir(d);
    if (found.empty() && why)
        *why = any ? Format("ни один порт /dev/parportN не имеет адреса 0x%x", {static_cast<unsigned>(base)})
                   : std::string("в системе нет параллельных портов (модуль parport_pc не загружен)");
    return found;
}

bool DirectPort::Acquire(uint16_t base)
{
    Release();
    tried_ = true;
    base_ = base;
    std::string cause;
    std::string dev = FindPpdev(base, &cause);
    if (!dev.empty()) {
        int fd = ::open(dev.c_str(), O_RDWR);
        if (fd < 0) {
            cause = Format("нет прав на %s (%s)", {dev, std::strerror(errno)});
        } else if (ioctl(fd, PPCLAIM) != 0) {
            cause = Format("порт %s занят другой программой (%s)", {dev, std::strerror(errno)});
            ::close(fd);
        } else {
            fd_ = fd;
            devicePath_ = dev;
            mode_ = Mode::Ppdev;
            unsigned char data = 0, control = 0;
            if (ioctl(fd_, PPRDATA, &data) == 0 && ioctl(fd_, PPRCONTROL, &control) == 0) {
                savedData_ = data;
                savedControl_ = control;
                saved_ = true;
            }
            return true;
        }
    }
#ifdef KORV_HAVE_IOPERM
    if (allowIoperm_) {
        const bool high = base + 3u > 0x400u;
        if ((high ? iopl(3) : ioperm(base, 3, 1)) == 0) {
            mode_ = Mode::Ioperm;
            viaIopl_ = high;
            savedData_ = inb(base);
            savedControl_ = inb(static_cast<uint16_t>(base + 2));
            saved_ = true;
            return true;
        }
        cause += Format("; прямой доступ к портам запрещён (%s)", {std::strerror(errno)});
    }
#endif
    if (host_) host_->Okno(FailureText(base, cause, dev));
    return false;
}

void DirectPort::Release()
{
    if (mode_ == Mode::Ppdev) {
        if (saved_) {
            unsigned char data = savedData_, control = savedControl_;
            ioctl(fd_, PPWDATA, &data);
            ioctl(fd_, PPWCONTROL, &control);
        }
        ioctl(fd_, PPRELEASE);
        ::close(fd_);
        fd_ = -1;
    }
#ifdef KORV_HAVE_IOPERM
    if (mode_ == Mode::Ioperm) {
        if (saved_) {
            outb(savedData_, base_);
            outb(savedControl_, static_cast<uint16_t>(base_ + 2));
        }
        if (viaIopl_)
            iopl(0);
        else
            ioperm(base_, 3, 0);
        viaIopl_ = false;
    }
#endif
    mode_ = Mode::None;
    saved_ = false;
    devicePath_.clear();
}

// Obtains access on first use and follows a changed LptBase; a base that
// failed is not retried (its message is in the log already).
bool DirectPort::Ensure()
{
    const uint16_t want = Base();
    if (tried_ && base_ == want) return mode_ != Mode::None;
    return Acquire(want);
}

void DirectPort::PortWrite(uint16_t port, uint8_t value)
{
    if (!Ensure()) return;
    const int offset = port - base_;
    if (mode_ == Mode::Ppdev) {
        unsigned char v = value;
        if (offset == 0)
            ioctl(fd_, PPWDATA, &v);
        else if (offset == 2)
            ioctl(fd_, PPWCONTROL, &v);
        return;
    }
#ifdef KORV_HAVE_IOPERM
    if (offset >= 0 && offset <= 2) outb(value, port);
#endif
}

uint8_t DirectPort::PortRead(uint16_t port)
{
    if (!Ensure()) return 0xFF;
    const int offset = port - base_;
    if (mode_ == Mode::Ppdev) {
        unsigned char v = 0xFF;
        int r = -1;
        if (offset == 0)
            r = ioctl(fd_, PPRDATA, &v);
        else if (offset == 1)
            r = ioctl(fd_, PPRSTATUS, &v);
        else if (offset == 2)
            r = ioctl(fd_, PPRCONTROL, &v);
        return r == 0 ? v : 0xFF;
    }
#ifdef KORV_HAVE_IOPERM
    if (offset >= 0 && offset <= 2) return inb(port);
#endif
    return 0xFF;
}

} // namespace korv
