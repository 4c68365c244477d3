// The two adapter models: Kerdis register bits and echo handshake, Vantrel
// device list, synchronous bit-bang capture, FTDI timing and faults.
#include <gtest/gtest.h>

#include <cstring>

#include "BenchWire.h"

using namespace benchtest;
using namespace korv;

namespace {

StationConfig config(Adapters a, ChipType chip = ChipType::PIC18F4620)
{
    StationConfig c;
    c.chip = chip;
    c.adapters = a;
    return c;
}

// ---------------------------------------------------------------- Kerdis

// One handshake cycle as the adapter's users run it: four edges of data
// bit 1, each waited for on status bit 6. Returns how many of the four
// waits saw their level within `limit` polls.
struct CycleResult {
    int answered;
    std::array<bool, 4> seen;
    uint64_t ns;
};
CycleResult handshakeCycle(Station& st, uint8_t& data, int limit = 1201)
{
    const uint16_t base = st.config().lptBase;
    const uint64_t t0 = st.clock().now();
    CycleResult r{0, {}, 0};
    auto waitFor = [&](bool bit6) {
        for (int i = 0; i < limit; ++i)
            if (((st.port().PortRead(base + 1) & 0x40) != 0) == bit6)
                return true;
        return false;
    };
    const bool levels[4] = {true, false, true, false};
    // the wait before the first edge: the echo of the last edge (bit 1 = 0)
    waitFor(false);
    for (int e = 0; e < 4; ++e) {
        data = levels[e] ? (data | 0x02) : (data & ~0x02);
        st.port().PortWrite(base, data);
        r.seen[e] = waitFor(levels[e]);
        r.answered += r.seen[e];
    }
    r.ns = st.clock().now() - t0;
    return r;
}

TEST(Kerdis, HandshakeCycleEchoesAllFourEdgesInAboutTenMicroseconds)
{
    Station st(config(Adapters::Kerdis));
    uint8_t data = 0x08;
    handshakeCycle(st, data);  // settle
    const CycleResult r = handshakeCycle(st, data);
    EXPECT_EQ(r.answered, 4);
    EXPECT_GE(r.ns, 7 * us);
    EXPECT_LE(r.ns, 14 * us);
}

TEST(Kerdis, EchoFaultsAndMissingAdapter)
{
    // What each of the four waits of the first cycle sees. The two middle
    // ones are the answers a presence check counts.
    struct Case {
        const char* name;
        Adapters adapters;
        KerdisFaults faults;
        std::array<bool, 4> seen;
    };
    const Case cases[] = {
        {"healthy adapter", Adapters::Kerdis, {}, {true, true, true, true}},
        // a bare port reads status bit 6 as 1 whatever data bit 1 does
        {"no adapter on the port", Adapters::Vantrel, {}, {true, false, true, false}},
        {"adapter that never echoes", Adapters::Kerdis, {true, 0x0F}, {false, true, false, true}},
        {"first two edges only", Adapters::Kerdis, {false, 0x03}, {true, true, false, true}},
        {"misses the third edge", Adapters::Kerdis, {false, 0x0B}, {true, true, false, true}},
        {"misses the second edge", Adapters::Kerdis, {false, 0x0D}, {true, false, true, true}},
    };
    for (const Case& c : cases) {
        StationConfig cfg = config(c.adapters);
        cfg.kerdisFaults = c.faults;
        Station st(cfg);
        uint8_t data = 0x08;
        const CycleResult r = handshakeCycle(st, data, 50);
        EXPECT_EQ(r.seen, c.seen) << c.name;
        EXPECT_EQ(r.seen[1] && r.seen[2], c.faults.phaseMask == 0x0F && !c.faults.noEcho &&
                                              c.adapters == Adapters::Kerdis)
            << c.name;
    }
}

TEST(Kerdis, RegisterBitsDriveTheLines)
{
    Station st(config(Adapters::Kerdis));
    auto& p = st.port();
    struct Step {
        uint16_t reg;
        uint8_t value;
        bool vpp, pgc, pgdHigh;
    };
    const Step steps[] = {
        {0x378, 0x08, false, false, true},  // everything released: PGD pulled up
        {0x378, 0x09, false, false, false}, // bit 0 pulls PGD low
        {0x37A, 0x01, false, true, false},  // control bit 0 is the PGC level
        {0x378, 0x18, true, true, true},    // bit 4: programming voltage
        {0x37A, 0x00, true, false, true},
        {0x378, 0x0C, false, false, true},  // bit 2 is only the pre-VPP line
    };
    for (const Step& s : steps) {
        p.PortWrite(s.reg, s.value);
        EXPECT_EQ(st.bus().vpp(), s.vpp) << std::hex << int(s.value);
        EXPECT_EQ(st.bus().pgc(), s.pgc) << std::hex << int(s.value);
        const bool pgdHigh = (p.PortRead(0x379) & 0x10) == 0;  // status bit 4 = NOT PGD
        EXPECT_EQ(pgdHigh, s.pgdHigh) << std::hex << int(s.value);
    }
    EXPECT_EQ(st.kerdis().preVppPulses(), 1u);
}

TEST(Kerdis, PortAccessCostsBusTimeAndOtherAddressesAreBare)
{
    Station st(config(Adapters::Kerdis));
    const uint64_t t0 = st.clock().now();
    EXPECT_EQ(st.port().PortRead(0x278 + 1), 0xFF);
    st.port().PortWrite(0x278, 0x10);  // another port: no VPP on the module
    EXPECT_FALSE(st.bus().vpp());
    EXPECT_EQ(st.clock().now() - t0, 2 * st.kerdis().timing().accessNs);

    StationConfig moved = config(Adapters::Kerdis);
    moved.lptBase = 0x278;
    Station st2(moved);
    st2.port().PortWrite(0x278, 0x18);
    EXPECT_TRUE(st2.bus().vpp());
}

TEST(Kerdis, UnpluggedPortReadsAsBareAndDrivesNothing)
{
    Station st(config(Adapters::Kerdis));
    st.port().PortWrite(0x378, 0x18);
    EXPECT_TRUE(st.bus().vpp());
    st.kerdis().setAttached(false);
    EXPECT_FALSE(st.bus().vpp());
    EXPECT_EQ(st.port().PortRead(0x379), 0x7F);
}

// ---------------------------------------------------------------- Vantrel

FT_HANDLE openBy(Station& st, const char* description, FT_STATUS* status)
{
    FT_HANDLE h = nullptr;
    *status = st.d2xx().FT_OpenEx(const_cast<char*>(description), FT_OPEN_BY_DESCRIPTION, &h);
    return h;
}

TEST(Vantrel, DeviceListAndOpenByExactDescription)
{
    StationConfig cfg = config(Adapters::Vantrel);
    cfg.otherUsbDevices = {"USB <-> Serial", "vantrel", "Vantrel2"};
    cfg.vantrelIndex = 3;
    Station st(cfg);
    auto& d = st.d2xx();
    uint32_t n = 0;
    ASSERT_EQ(d.FT_ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    ASSERT_EQ(n, 4u);
    const char* want[] = {"USB <-> Serial", "vantrel", "Vantrel2", "Vantrel"};
    for (uint32_t i = 0; i < n; ++i) {
        char buf[64];
        std::memset(buf, 0x55, sizeof buf);
        ASSERT_EQ(d.FT_ListDevices(reinterpret_cast<void*>(uintptr_t(i)), buf, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
                  FT_OK);
        EXPECT_STREQ(buf, want[i]);
    }
    char buf[64];
    EXPECT_EQ(d.FT_ListDevices(reinterpret_cast<void*>(uintptr_t(4)), buf, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_DEVICE_NOT_FOUND);

    FT_STATUS s;
    openBy(st, "VANTREL", &s);
    EXPECT_EQ(s, FT_DEVICE_NOT_FOUND);
    FT_HANDLE decoy = openBy(st, "vantrel", &s);
    ASSERT_EQ(s, FT_OK);
    EXPECT_FALSE(st.vantrel().open());
    // A decoy in bit-bang mode does not reach the module.
    uint8_t vppOn = 0x20;
    uint32_t w = 0;
    d.FT_SetBitMode(decoy, 0xF7, FT_BITMODE_SYNC_BITBANG);
    d.FT_Write(decoy, &vppOn, 1, &w);
    EXPECT_FALSE(st.bus().vpp());

    FT_HANDLE h = openBy(st, "Vantrel", &s);
    ASSERT_EQ(s, FT_OK);
    EXPECT_TRUE(st.vantrel().open());
    openBy(st, "Vantrel", &s);
    EXPECT_EQ(s, FT_DEVICE_NOT_OPENED);  // already open
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    d.FT_Write(h, &vppOn, 1, &w);
    EXPECT_TRUE(st.bus().vpp());
}

TEST(Vantrel, CaptureRunsOneByteBehind)
{
    Station st(config(Adapters::Vantrel));
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    ASSERT_EQ(s, FT_OK);
    ASSERT_EQ(d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG), FT_OK);
    // bit 6 pulls PGD low; the PGD level shows in bit 3 of the NEXT capture
    const uint8_t out[] = {0x44, 0x04, 0x84, 0x44, 0x44, 0x04};
    uint32_t w = 0, r = 0;
    ASSERT_EQ(d.FT_Write(h, out, sizeof out, &w), FT_OK);
    ASSERT_EQ(w, sizeof out);
    uint8_t in[sizeof out] = {};
    ASSERT_EQ(d.FT_Read(h, in, sizeof in, &r), FT_OK);
    ASSERT_EQ(r, sizeof out);
    EXPECT_EQ(in[0] & 0xF7, 0x00);  // outputs as before the first byte
    for (size_t i = 1; i < sizeof out; ++i) {
        EXPECT_EQ(in[i] & 0xF7, out[i - 1] & 0xF7) << i;
        EXPECT_EQ((in[i] & 0x08) != 0, (out[i - 1] & 0x40) == 0) << i;
    }
}

TEST(Vantrel, PinsOutsideTheMaskAreInputs)
{
    Station st(config(Adapters::Vantrel));
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    ASSERT_EQ(d.FT_SetBitMode(h, 0x04, FT_BITMODE_SYNC_BITBANG), FT_OK);  // only PGC is an output
    const uint8_t out[] = {0x60, 0x60};
    uint32_t w = 0, r = 0;
    d.FT_Write(h, out, 2, &w);
    EXPECT_FALSE(st.bus().vpp());
    EXPECT_FALSE(st.bus().hostPullsPgdLow());
    uint8_t in[2];
    d.FT_Read(h, in, 2, &r);
    EXPECT_EQ(in[1], 0xFB);  // inputs float high, the PGC output reads its latch (0)
}

TEST(Vantrel, ByteClockLatencyAndReadTimeoutInVirtualTime)
{
    Station st(config(Adapters::Vantrel));
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    d.FT_SetLatencyTimer(h, 1);
    d.FT_SetTimeouts(h, 5000, 5000);
    d.FT_SetBaudRate(h, 153600);
    // 16 x 153600 pin bytes per second
    EXPECT_EQ(st.vantrel().byteClockNs(), 407u);
    std::vector<uint8_t> out(10000, 0x04), in(10001);
    uint32_t w = 0, r = 0;
    const uint64_t t0 = st.clock().now();
    d.FT_Write(h, out.data(), 10000, &w);
    const uint64_t t1 = st.clock().now();
    EXPECT_NEAR(double(t1 - t0), 10000 * 406.9 + st.vantrel().timing().writeLatencyNs + 5000, 20000.0);
    uint32_t q = 1;
    d.FT_GetQueueStatus(h, &q);
    EXPECT_EQ(q, 0u);  // the latency timer has not run out yet
    d.FT_Read(h, in.data(), 10000, &r);
    EXPECT_EQ(r, 10000u);
    EXPECT_GE(st.clock().now() - t1, 1 * ms);
    // Asking for more than was captured waits for the read time-out.
    d.FT_Write(h, out.data(), 10, &w);
    const uint64_t t2 = st.clock().now();
    d.FT_Read(h, in.data(), 11, &r);
    EXPECT_EQ(r, 10u);
    EXPECT_GE(st.clock().now() - t2, 5000 * ms);
}

TEST(Vantrel, QueueCountsCapturesAndPurgeEmptiesIt)
{
    Station st(config(Adapters::Vantrel));
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    d.FT_SetLatencyTimer(h, 1);
    const uint8_t out[5] = {0x04, 0x04, 0x04, 0x04, 0x04};
    uint32_t w = 0, q = 0;
    d.FT_Write(h, out, 5, &w);
    d.FT_Write(h, out, 3, &w);
    st.clock().advance(2 * ms);
    d.FT_GetQueueStatus(h, &q);
    EXPECT_EQ(q, 8u);  // one capture per byte written
    d.FT_Purge(h, FT_PURGE_RX);
    d.FT_GetQueueStatus(h, &q);
    EXPECT_EQ(q, 0u);
    EXPECT_EQ(d.FT_GetQueueStatus(reinterpret_cast<FT_HANDLE>(uintptr_t(8)), &q), FT_INVALID_HANDLE);
}

TEST(Vantrel, QueueStatusPollingCalibratesAgainstTheVirtualTick)
{
    Station st(config(Adapters::Vantrel));
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    uint32_t q;
    const uint32_t t0 = st.ticks().TickCount();
    uint32_t polls = 0;
    for (;;) {
        d.FT_GetQueueStatus(h, &q);
        if (st.ticks().TickCount() - t0 >= 100)
            break;
        ++polls;
    }
    const uint32_t perMs = polls / 100;
    EXPECT_GE(perMs, 20u);
    EXPECT_LE(perMs, 100u);
}

TEST(Vantrel, InjectedStatusOnTheNthCall)
{
    StationConfig cfg = config(Adapters::Vantrel);
    cfg.vantrelFaults.failingCalls = {{"FT_Write", 2, FT_IO_ERROR}, {"FT_SetLatencyTimer", 0, FT_INVALID_PARAMETER}};
    Station st(cfg);
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    EXPECT_EQ(d.FT_SetLatencyTimer(h, 1), FT_INVALID_PARAMETER);
    EXPECT_EQ(d.FT_SetLatencyTimer(h, 1), FT_INVALID_PARAMETER);
    const uint8_t b = 0x20;
    uint32_t w = 99;
    const FT_STATUS expect[] = {FT_OK, FT_IO_ERROR, FT_OK};
    for (FT_STATUS e : expect) {
        EXPECT_EQ(d.FT_Write(h, &b, 1, &w), e);
        EXPECT_EQ(w, e == FT_OK ? 1u : 0u);
    }
    EXPECT_EQ(st.vantrel().bytesOut(), 2u);
}

TEST(Vantrel, ShortWriteAndShortRead)
{
    StationConfig cfg = config(Adapters::Vantrel);
    cfg.vantrelFaults.shortWriteCall = 1;
    cfg.vantrelFaults.shortWriteBytes = 3;
    cfg.vantrelFaults.shortReadCall = 2;
    cfg.vantrelFaults.shortReadMissing = 4;
    Station st(cfg);
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    d.FT_SetTimeouts(h, 5000, 5000);
    const uint8_t out[8] = {0x04, 0x24, 0x24, 0x04, 0x04, 0x04, 0x04, 0x04};
    uint8_t in[8];
    uint32_t w = 0, r = 0;
    d.FT_Write(h, out, 8, &w);
    EXPECT_EQ(w, 3u);
    EXPECT_TRUE(st.bus().vpp());  // byte 2 applied, byte 3 never sent
    d.FT_Read(h, in, 3, &r);
    EXPECT_EQ(r, 3u);
    d.FT_Write(h, out, 8, &w);
    EXPECT_EQ(w, 8u);
    const uint64_t t0 = st.clock().now();
    d.FT_Read(h, in, 8, &r);
    EXPECT_EQ(r, 4u);
    EXPECT_GE(st.clock().now() - t0, 5000 * ms);
}

TEST(Vantrel, UnpluggedDeviceFailsEveryCall)
{
    StationConfig cfg = config(Adapters::Vantrel);
    cfg.vantrelFaults.unplugAtNs = 200 * ms;
    Station st(cfg);
    auto& d = st.d2xx();
    FT_STATUS s;
    FT_HANDLE h = openBy(st, "Vantrel", &s);
    d.FT_SetBitMode(h, 0xF7, FT_BITMODE_SYNC_BITBANG);
    const uint8_t vpp = 0x20;
    uint32_t w = 0, n = 0, q = 0;
    ASSERT_EQ(d.FT_Write(h, &vpp, 1, &w), FT_OK);
    EXPECT_TRUE(st.bus().vpp());
    st.clock().advance(300 * ms);
    EXPECT_EQ(d.FT_Write(h, &vpp, 1, &w), FT_IO_ERROR);
    EXPECT_EQ(d.FT_GetQueueStatus(h, &q), FT_IO_ERROR);
    EXPECT_FALSE(st.bus().vpp());  // its pins are gone
    d.FT_ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY);
    EXPECT_EQ(n, 2u);  // the two other devices
    openBy(st, "Vantrel", &s);
    EXPECT_EQ(s, FT_DEVICE_NOT_FOUND);
}

TEST(Station, BothAdaptersShareTheModuleLines)
{
    Station st(config(Adapters::Both));
    LptWire lpt(st);
    lpt.vpp(true);
    EXPECT_TRUE(st.bus().vpp());
    lpt.vpp(false);
    UsbWire usb(st);
    ASSERT_TRUE(usb.ok());
    usb.vpp(true);
    usb.sync();
    EXPECT_TRUE(st.bus().vpp());
}

TEST(Station, TicksFollowVirtualTime)
{
    StationConfig cfg = config(Adapters::None);
    cfg.tickStartMs = 0xFFFFFFF0u;  // wraps 16 ms in
    Station st(cfg);
    const uint32_t t0 = st.ticks().TickCount();
    st.clock().advance(40 * ms);
    EXPECT_EQ(static_cast<uint32_t>(st.ticks().TickCount() - t0), 40u);
    EXPECT_LT(st.ticks().TickCount(), 100u);
}

TEST(Station, ModuleContentsPerChip)
{
    for (ChipType c : kAllChips) {
        StationConfig cfg = config(Adapters::Kerdis, c);
        cfg.contents = Contents::Module;
        Station st(cfg);
        const uint32_t boot = 2u * st.chip().info().bootWords;
        EXPECT_EQ(st.chip().flash()[1], Station::moduleBootByte(1));
        EXPECT_EQ(st.chip().flash()[boot], Station::moduleAppByte(boot));
        EXPECT_NE(st.chip().idLocations()[2], 0xFF);
        const bool withLoader = c == ChipType::PIC18F4620 || c == ChipType::PIC18F452;
        EXPECT_EQ(st.loader().installed(), withLoader) << chipName(c);
        EXPECT_FALSE(st.chip().codeProtected(0));
    }
    StationConfig blank = config(Adapters::Kerdis);
    Station st(blank);
    EXPECT_FALSE(st.loader().installed());
}

} // namespace
