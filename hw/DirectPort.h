// Parallel-port register access on Linux.
//
// Preferred: the ppdev device /dev/parportN whose base address
// (/proc/sys/dev/parport/parportN/base-addr) equals LptBase, claimed for the
// run (needs membership in group lp). PPWDATA writes the data register,
// PPRSTATUS reads the status register and PPWCONTROL writes the control
// register. The PC-style parport driver puts the value given to PPWCONTROL
// into the register as it is (the inversion of pins 1, 14 and 17 happens in
// the port hardware, and the Kerdis adapter inverts PGC back), so the line
// layer's value 0x01 = PGC high is passed unchanged; the driver keeps bits
// 4-7 (interrupt enable, direction) to itself, and the program writes them 0.
//
// Otherwise: direct port I/O at LptBase after ioperm (root or
// CAP_SYS_RAWIO; x86 only). ioperm reaches only port addresses below 400h;
// the higher addresses of PCI and PCIe parallel-port cards take the I/O
// privilege level (iopl) instead, with the same rights.
//
// Access is obtained at the first register access (adapter detection, after
// the settings have given LptBase) and kept for the run; a changed LptBase
// (parameters panel) moves it to the new port. On exit the data and control
// registers get back the values they had before and the port is released.
// If neither way works the main log says so once, in words, with what to do,
// and the port behaves as one with nothing attached: writes go nowhere and
// reads return 0xFF.
#pragma once

#include <cstdint>
#include <string>

#include "app/UiHost.h"
#include "hw/PortIo.h"

namespace korv {

class DirectPort final : public PortIo {
public:
    enum class Mode : uint8_t { None, Ppdev, Ioperm };

    DirectPort() = default;
    ~DirectPort() override { Release(); }
    DirectPort(const DirectPort&) = delete;
    DirectPort& operator=(const DirectPort&) = delete;

    // Where failures are reported and where the line layer keeps LptBase.
    void BindHost(UiHost* host) { host_ = host; }
    void BindBase(const uint16_t* lptBase) { lptBase_ = lptBase; }
    // Roots for the device and proc trees (tests point them elsewhere).
    void SetRoots(std::string dev, std::string proc)
    {
        devRoot_ = std::move(dev);
        procRoot_ = std::move(proc);
    }
    void AllowIoperm(bool allow) { allowIoperm_ = allow; }

    void PortWrite(uint16_t port, uint8_t value) override;
    uint8_t PortRead(uint16_t port) override;

    // Obtains access to the port at base (releasing an earlier one); false
    // and one log message when no way works.
    bool Acquire(uint16_t base);
    void Release();

    Mode CurrentMode() const { return mode_; }
    const std::string& DevicePath() const { return devicePath_; }
    // The ppdev device whose base address is base, or "" (cause in *why).
    std::string FindPpdev(uint16_t base, std::string* why) const;
    // Text of the message shown when access fails.
    static std::string FailureText(uint16_t base, const std::string& cause, const std::string& device);

private:
    bool Ensure();
    uint16_t Base() const { return lptBase_ ? *lptBase_ : 0x378; }

    UiHost* host_ = nullptr;
    const uint16_t* lptBase_ = nullptr;
    std::string devRoot_ = "/dev";
    std::string procRoot_ = "/proc/sys/dev/parport";
    bool allowIoperm_ = true;

    Mode mode_ = Mode::None;
    bool tried_ = false;
    uint16_t base_ = 0;
    int fd_ = -1;
    std::string devicePath_;
    bool viaIopl_ = false;
    bool saved_ = false;
    uint8_t savedData_ = 0;
    uint8_t savedControl_ = 0;
};

} // namespace korv
