// Parallel-port access: finding the ppdev device by base address, and the
// behaviour when no access can be had: one message in words, then a port
// with nothing attached. Direct I/O is disabled here so that the tests never
// touch a real port register.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/RecordingHost.h"
#include "hw/DirectPort.h"
#include "hw/Hardware.h"

namespace korv::test {
namespace {

namespace fs = std::filesystem;

struct Tree {
    Tree()
    {
        root = fs::temp_directory_path() / ("korv_parport_" + std::to_string(::getpid()) + "_" +
                                            std::to_string(counter++));
        fs::create_directories(root / "dev");
        fs::create_directories(root / "proc");
    }
    ~Tree() { fs::remove_all(root); }
    void AddPort(int n, const char* baseAddr, bool node)
    {
        fs::create_directories(root / "proc" / ("parport" + std::to_string(n)));
        std::ofstream(root / "proc" / ("parport" + std::to_string(n)) / "base-addr") << baseAddr;
        if (node) std::ofstream(root / "dev" / ("parport" + std::to_string(n))) << "";
    }
    void Use(DirectPort& p) const { p.SetRoots((root / "dev").string(), (root / "proc").string()); }
    fs::path root;
    static inline int counter = 0;
};

TEST(DirectPort, FindsTheDeviceWhoseBaseAddressMatches)
{
    Tree t;
    t.AddPort(0, "632\t1656\n", true);
    t.AddPort(1, "888\t1912\n", true);
    DirectPort p;
    t.Use(p);
    std::string why;
    EXPECT_EQ(p.FindPpdev(888, &why), (t.root / "dev" / "parport1").string());
    EXPECT_EQ(p.FindPpdev(632, &why), (t.root / "dev" / "parport0").string());
    EXPECT_EQ(p.FindPpdev(0x3BC, &why), "");
    EXPECT_NE(why.find("0x3BC"), std::string::npos) << why;
}

TEST(DirectPort, NoAccessIsSaidOnceAndThePortAnswersNothing)
{
    Tree t;
    RecordingHost host;
    uint16_t base = 0x378;
    DirectPort p;
    t.Use(p);
    p.AllowIoperm(false);
    p.BindHost(&host);
    p.BindBase(&base);
    EXPECT_TRUE(host.log.empty()) << "nothing is said before the port is used";
    EXPECT_EQ(p.PortRead(0x379), 0xFF);
    p.PortWrite(0x378, 0x08);
    p.PortWrite(0x37A, 0x01);
    EXPECT_EQ(p.PortRead(0x379), 0xFF);
    ASSERT_EQ(host.log.size(), 1u);
    const std::string& m = host.log[0];
    for (const char* part : {"0x378", "группу lp", "/dev/parport0", "CAP_SYS_RAWIO", "без программатора"})
        EXPECT_NE(m.find(part), std::string::npos) << part << " in: " << m;
    EXPECT_EQ(p.CurrentMode(), DirectPort::Mode::None);

    // A new address from the parameters panel is a new attempt.
    base = 0x278;
    p.PortRead(0x279);
    ASSERT_EQ(host.log.size(), 2u);
    EXPECT_NE(host.log[1].find("0x278"), std::string::npos);
}

TEST(DirectPort, DeviceThatCannotBeClaimedIsNamedInTheMessage)
{
    Tree t;
    t.AddPort(0, "888\t1912\n", true);  // a plain file: claiming it fails
    RecordingHost host;
    DirectPort p;
    t.Use(p);
    p.AllowIoperm(false);
    p.BindHost(&host);
    EXPECT_FALSE(p.Acquire(0x378));
    ASSERT_EQ(host.log.size(), 1u);
    EXPECT_NE(host.log[0].find((t.root / "dev" / "parport0").string()), std::string::npos) << host.log[0];
}

// The line layer on a port without access runs as with no adapter: the
// handshake finds nothing, and nothing hangs or crashes.
TEST(DirectPort, LineLayerOnAPortWithoutAccessSeesNoAdapter)
{
    Tree t;
    RecordingHost host;
    SteadyTickSource ticks;
    HwSubsystem hw(kProfile4620, host, ticks);
    DirectPort p;
    t.Use(p);
    p.AllowIoperm(false);
    p.BindHost(&host);
    p.BindBase(&hw.portProg.LptBase);
    hw.port.Attach(&p);
    hw.portProg.PresetDataShadow();
    hw.portProg.SyncWait();
    EXPECT_FALSE(hw.portProg.AdapterPresent);
    hw.portProg.SetMclrLine(true);
    hw.portProg.SendCommand(kCmdTableRead, false);
    hw.portProg.ReadDataByte();
    EXPECT_EQ(host.log.size(), 1u);
}

} // namespace
} // namespace korv::test
