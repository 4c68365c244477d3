// The VCD trace of the lines and the cost of simulating a whole
// program-and-verify cycle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "BenchWire.h"

using namespace benchtest;

namespace {

std::string tempPath(const std::string& name)
{
    return std::string(KORV_BINARY_DIR) + "/" + name;
}

std::string runCommand(const std::string& cmd, int* status)
{
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) {
        *status = -1;
        return out;
    }
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    *status = pclose(p);
    return out;
}

void deviceIdRead(Wire& w)
{
    Icsp icsp(w);
    icsp.enter();
    icsp.setPtr(0x3FFFFE);
    icsp.read();
    icsp.read();
    icsp.leave();
}

TEST(Trace, VcdOfBothAdaptersOpensInSigrok)
{
    for (Adapters a : {Adapters::Kerdis, Adapters::Vantrel}) {
        StationConfig cfg;
        cfg.chip = ChipType::PIC18F4620;
        cfg.adapters = a;
        Station st(cfg);
        const std::string path = tempPath(a == Adapters::Kerdis ? "sim_trace_kerdis.vcd" : "sim_trace_vantrel.vcd");
        ASSERT_TRUE(st.startTrace(path));
        std::unique_ptr<Wire> w;
        if (a == Adapters::Kerdis)
            w = std::make_unique<LptWire>(st);
        else
            w = std::make_unique<UsbWire>(st);
        deviceIdRead(*w);
        st.stopTrace();

        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        const std::string vcd = text.str();
        EXPECT_NE(vcd.find("$timescale 1 ns $end"), std::string::npos);
        EXPECT_NE(vcd.find(" pgc $end"), std::string::npos);
        EXPECT_NE(vcd.find(" pgd_chip_drive $end"), std::string::npos);
        // 20-clock transactions: dozens of PGC changes at least
        size_t pgcChanges = 0;
        for (size_t pos = 0; (pos = vcd.find("\n1#", pos)) != std::string::npos; ++pos)
            ++pgcChanges;
        EXPECT_GT(pgcChanges, 100u);
        // the chip drove PGD during the reads
        EXPECT_NE(vcd.find("\n1&"), std::string::npos);

        int status = 0;
        runCommand("command -v sigrok-cli", &status);
        if (status != 0)
            GTEST_SKIP() << "sigrok-cli not installed";
        const std::string out = runCommand("sigrok-cli -I vcd:downsample=20 -i '" + path + "' -O bits:width=64 --samples 2000", &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("pgc"), std::string::npos) << out;
    }
}

TEST(Trace, TextLogNamesTheTransactionsAndTheLoader)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F2520;
    cfg.adapters = Adapters::Kerdis;
    Station st(cfg);
    LptWire w(st);
    deviceIdRead(w);
    const std::string path = tempPath("sim_log.txt");
    ASSERT_TRUE(st.writeLog(path));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("read 0x3FFFFF = 0x11"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("# boot loader"), std::string::npos);
}

// A batched ICSP reader: one exchange for a whole run of table reads, the
// way a fast host would use the synchronous bit-bang adapter.
std::vector<uint8_t> readRun(Icsp& icsp, Wire& w, uint32_t a, size_t n)
{
    icsp.setPtr(a);
    for (size_t i = 0; i < n; ++i) {
        icsp.command(0x9);
        for (int k = 0; k < 8; ++k)
            icsp.bit(false);
        w.data(true);
        for (int k = 0; k < 8; ++k) {
            w.pgc(true);
            w.pgc(false);
            w.mark();
        }
        w.data(false);
    }
    auto m = w.marks();
    std::vector<uint8_t> out(n, 0);
    for (size_t i = 0; i < n && (i + 1) * 8 <= m.size(); ++i)
        for (int k = 0; k < 8; ++k)
            out[i] |= static_cast<uint8_t>(m[i * 8 + k] << k);
    return out;
}

TEST(Speed, WholeFlashProgramAndVerifyCostsWellUnderAMicrosecondPerPinChange)
{
    for (Adapters a : {Adapters::Kerdis, Adapters::Vantrel}) {
        StationConfig cfg;
        cfg.chip = ChipType::PIC18F4620;
        cfg.adapters = a;
        Station st(cfg);
        std::unique_ptr<Wire> w;
        if (a == Adapters::Kerdis)
            w = std::make_unique<LptWire>(st);
        else
            w = std::make_unique<UsbWire>(st);
        Icsp icsp(*w);
        std::vector<uint8_t> image(0x10000);
        for (uint32_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 13 + (i >> 8));

        const auto t0 = std::chrono::steady_clock::now();
        icsp.enter();
        icsp.selectFlash();
        for (uint32_t row = 0; row < image.size(); row += 64)
            icsp.writeBuffer(row, &image[row], 64);
        bool same = true;
        for (uint32_t at = 0; at < image.size(); at += 256) {
            auto back = readRun(icsp, *w, at, 256);
            same = same && std::equal(back.begin(), back.end(), image.begin() + at);
        }
        icsp.leave();
        const auto t1 = std::chrono::steady_clock::now();

        EXPECT_TRUE(same) << w->name();
        EXPECT_EQ(st.chip().counts().programs, 1024u);
        EXPECT_EQ(st.chip().counts().reads, 65536u);
        const double cpuNs = std::chrono::duration<double, std::nano>(t1 - t0).count();
        const uint64_t pinEvents =
            a == Adapters::Kerdis ? st.kerdis().writes() + st.kerdis().reads() : st.vantrel().bytesOut();
        const double perEvent = cpuNs / double(pinEvents);
        std::printf("[ speed    ] %s: %llu pin events in %.0f ms CPU, %.0f ns each, %.1f s virtual\n", w->name(),
                    static_cast<unsigned long long>(pinEvents), cpuNs / 1e6, perEvent, st.clock().now() / 1e9);
        EXPECT_LT(perEvent, 1000.0) << w->name();
        EXPECT_LT(cpuNs, 20e9) << w->name();
    }
}

} // namespace
