// The module's boot loader on the ICSP pins: reset into the loader, the
// preamble, the ready handshake, scrambled blocks and the stored sums.
#include <gtest/gtest.h>

#include <memory>

#include "BenchWire.h"

using namespace benchtest;

namespace {

constexpr uint8_t kPreamble[8] = {0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C};

// The programmer's side of the link, from the loader's published behaviour.
class LoaderLink {
public:
    explicit LoaderLink(Wire& w) : w_(w) {}
    void linesLow()
    {
        w_.pgc(false);
        w_.data(false);
    }
    void linesReleased()
    {
        w_.pgc(true);
        w_.data(true);
    }
    void resetIntoLoader()
    {
        w_.vpp(true);
        w_.wait(200 * us);
        linesLow();
        w_.wait(200 * us);
        w_.vpp(false);  // the module starts with PGC and PGD low
        w_.wait(1 * ms);
    }
    void sendByte(uint8_t b, uint64_t phaseNs = 3 * us)
    {
        for (int k = 0; k < 8; ++k) {
            w_.data((b >> k) & 1);
            w_.wait(phaseNs);
            w_.pgc(true);
            w_.wait(phaseNs);
            w_.pgc(false);
            w_.wait(phaseNs);
        }
    }
    // Polls PGD with the lines released; true once the module pulls it low.
    bool waitReady(int polls, uint64_t gapNs, uint64_t* when = nullptr)
    {
        for (int i = 0; i < polls; ++i) {
            w_.mark();
            auto m = w_.marks();
            if (!m.empty() && !m.back()) {
                if (when)
                    *when = now_ ? now_() : 0;
                return true;
            }
            w_.wait(gapNs);
        }
        return false;
    }
    bool start(int polls = 200)
    {
        resetIntoLoader();
        linesLow();
        w_.wait(1 * ms);
        for (uint8_t b : kPreamble)
            sendByte(b);
        linesLow();
        w_.wait(20 * us);
        linesReleased();
        w_.wait(20 * us);
        return waitReady(polls, 50 * us);
    }
    bool sendBlock(const uint8_t* d, size_t n, int polls = 400)
    {
        linesLow();
        for (size_t i = 0; i < n; ++i)
            sendByte(d[i]);
        linesLow();
        w_.wait(20 * us);
        linesReleased();
        w_.wait(20 * us);
        return waitReady(polls, 50 * us);
    }
    std::function<uint64_t()> now_;

private:
    Wire& w_;
};

struct LoaderCase {
    ChipType chip;
    Adapters adapter;
};

class LoaderBench : public testing::TestWithParam<LoaderCase> {
protected:
    void make(const LoaderFaults& faults = {}, Contents contents = Contents::Module)
    {
        StationConfig cfg;
        cfg.chip = GetParam().chip;
        cfg.adapters = GetParam().adapter;
        cfg.contents = contents;
        cfg.loaderFaults = faults;
        st = std::make_unique<Station>(cfg);
        if (GetParam().adapter == Adapters::Kerdis)
            wire = std::make_unique<LptWire>(*st);
        else
            wire = std::make_unique<UsbWire>(*st);
        link = std::make_unique<LoaderLink>(*wire);
        link->now_ = [this] { return st->clock().now(); };
        const ChipInfo& info = st->chip().info();
        first = 2u * info.bootWords;
        end = info.flashBytes;
        block = info.loaderBlockBytes;
        // plain application: a counting pattern with blank stretches
        plain.assign(end + 4, 0xFF);
        for (uint32_t p = first; p < end; ++p)
            plain[p] = ((p / 256) % 3 == 2) ? 0xFF : static_cast<uint8_t>(p * 7 + (p >> 9));
        plain[first + 5] = 0x00;  // a group with one non-blank byte
        plain[first + 4] = plain[first + 6] = plain[first + 7] = 0xFF;
        sent = plain;
        scramble(sent, first, end, &even, &odd);
    }

    std::unique_ptr<Station> st;
    std::unique_ptr<Wire> wire;
    std::unique_ptr<LoaderLink> link;
    uint32_t first = 0, end = 0, block = 0;
    std::vector<uint8_t> plain, sent;
    uint8_t even = 0, odd = 0;
};

TEST_P(LoaderBench, FullTransferProgramsThePlainImageAndStoresTheSums)
{
    make();
    ASSERT_TRUE(link->start()) << st->loader().eventText();
    uint32_t a = first;
    for (; a < end; a += block)
        ASSERT_TRUE(link->sendBlock(&sent[a], block)) << "block at 0x" << std::hex << a;
    link->linesReleased();
    wire->sync();
    auto flash = st->chip().flash();
    for (uint32_t p = first; p < end; ++p)
        ASSERT_EQ(flash[p], plain[p]) << "0x" << std::hex << p;
    // The boot area is the loader's own and stays untouched.
    for (uint32_t p = 0; p < first; ++p)
        ASSERT_EQ(flash[p], Station::moduleBootByte(p));
    EXPECT_EQ(st->chip().idLocations()[0], even);
    EXPECT_EQ(st->chip().idLocations()[1], odd);
    EXPECT_EQ(st->loader().blocksTaken(), (end - first) / block);
    EXPECT_EQ(st->loader().state(), LoaderState::Ready);
}

TEST_P(LoaderBench, SumsAreInPlaceForTheProgrammersIdRead)
{
    make();
    ASSERT_TRUE(link->start());
    for (uint32_t a = first; a < end; a += block)
        ASSERT_TRUE(link->sendBlock(&sent[a], block));
    Icsp icsp(*wire);
    icsp.enter();
    icsp.selectFlash();
    const auto id = icsp.readBlock(0x200000, 2);
    icsp.leave();
    EXPECT_EQ(id[0], even);
    EXPECT_EQ(id[1], odd);
}

TEST_P(LoaderBench, FaultsOfTheModule)
{
    struct Case {
        const char* name;
        LoaderFaults faults;
        Contents contents;
        bool readyAfterPreamble;
        uint32_t blocksAcknowledged;  // of the first four sent
    };
    LoaderFaults none{}, absent{}, never{}, stop2{}, stop0{};
    absent.presence = LoaderPresence::Absent;
    never.neverReady = true;
    stop2.stopAfterBlock = 2;
    stop0.stopAfterBlock = 0;
    const Case cases[] = {
        {"healthy", none, Contents::Module, true, 4},
        {"no loader in the module", absent, Contents::Module, false, 0},
        {"blank chip", none, Contents::Blank, false, 0},
        {"never ready", never, Contents::Module, false, 0},
        {"stops after block 2", stop2, Contents::Module, true, 2},
        {"ready only after the preamble", stop0, Contents::Module, true, 0},
    };
    for (const Case& c : cases) {
        make(c.faults, c.contents);
        const bool ready = link->start(40);
        EXPECT_EQ(ready, c.readyAfterPreamble) << c.name;
        if (!ready)
            continue;
        uint32_t acked = 0;
        for (uint32_t k = 0; k < 4; ++k)
            if (link->sendBlock(&sent[first + k * block], block, 200))
                ++acked;
            else
                break;
        EXPECT_EQ(acked, c.blocksAcknowledged) << c.name;
    }
}

TEST_P(LoaderBench, WrongChecksumFault)
{
    LoaderFaults f;
    f.wrongChecksum = true;
    make(f);
    ASSERT_TRUE(link->start());
    for (uint32_t a = first; a < end; a += block)
        ASSERT_TRUE(link->sendBlock(&sent[a], block));
    EXPECT_NE(st->chip().idLocations()[0], even);
    EXPECT_NE(st->chip().idLocations()[1], odd);
    EXPECT_EQ(st->chip().flash()[end - 1], plain[end - 1]);
}

TEST_P(LoaderBench, SlowBlocksDelayTheReadySignal)
{
    LoaderFaults f;
    f.blockTimeNs = 40 * ms;
    make(f);
    ASSERT_TRUE(link->start());
    const uint64_t t0 = st->clock().now();
    uint64_t readyAt = 0;
    link->linesLow();
    for (uint32_t i = 0; i < block; ++i)
        link->sendByte(sent[first + i]);
    const uint64_t sentAt = st->clock().now();
    link->linesReleased();
    ASSERT_TRUE(link->waitReady(4000, 50 * us, &readyAt));
    EXPECT_GE(readyAt - sentAt, 40 * ms);
    EXPECT_LT(readyAt - t0, 60 * ms);
}

TEST_P(LoaderBench, ResetWithLinesHighRunsTheApplication)
{
    make();
    wire->vpp(true);
    wire->wait(200 * us);
    link->linesReleased();
    wire->wait(200 * us);
    wire->vpp(false);
    wire->wait(1 * ms);
    EXPECT_EQ(st->loader().state(), LoaderState::Off);
    for (uint8_t b : kPreamble)
        link->sendByte(b);
    link->linesReleased();
    EXPECT_FALSE(link->waitReady(20, 50 * us));
}

INSTANTIATE_TEST_SUITE_P(BothLoaderChips, LoaderBench,
                         testing::Values(LoaderCase{ChipType::PIC18F4620, Adapters::Kerdis},
                                         LoaderCase{ChipType::PIC18F4620, Adapters::Vantrel},
                                         LoaderCase{ChipType::PIC18F452, Adapters::Kerdis},
                                         LoaderCase{ChipType::PIC18F452, Adapters::Vantrel}),
                         [](const auto& p) {
                             return std::string(chipName(p.param.chip)) +
                                    (p.param.adapter == Adapters::Kerdis ? "_Kerdis" : "_Vantrel");
                         });

TEST(Loader, PulsesTooShortForTheFirmwareAreMissed)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F4620;
    cfg.adapters = Adapters::Vantrel;
    cfg.contents = Contents::Module;
    Station st(cfg);
    UsbWire w(st);
    LoaderLink link(w);
    link.resetIntoLoader();
    link.linesLow();
    w.wait(1 * ms);
    for (uint8_t b : kPreamble)
        link.sendByte(b, 0);  // one pin byte per phase: about 0.4 us
    link.linesReleased();
    EXPECT_FALSE(link.waitReady(20, 50 * us));
    size_t missed = 0;
    for (const auto& e : st.loader().events())
        missed += e.kind == LoaderEvent::MissedBit;
    EXPECT_EQ(missed, 64u);
    EXPECT_EQ(st.loader().missedBits(), 64u);
    EXPECT_EQ(st.loader().state(), LoaderState::Preamble);
}

TEST(Loader, PreambleIsFoundAfterLeadingGarbage)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F452;
    cfg.adapters = Adapters::Kerdis;
    cfg.contents = Contents::Module;
    Station st(cfg);
    LptWire w(st);
    LoaderLink link(w);
    link.resetIntoLoader();
    link.linesLow();
    link.sendByte(0xAA);
    for (uint8_t b : kPreamble)
        link.sendByte(b);
    link.linesReleased();
    EXPECT_TRUE(link.waitReady(20, 50 * us));
    EXPECT_EQ(st.loader().starts(), 1u);
}

} // namespace

namespace {

// The transfer format sends blank groups plain, so a group whose scrambled
// bytes happen to be FFh FFh FFh FFh cannot be told from a blank one: the
// loader takes it as blank, programs FFh and leaves the key bytes
// unrotated. The sums then disagree with the programmer's.
TEST(Loader, ScrambledGroupThatLooksBlankIsTakenAsBlank)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F4620;
    cfg.adapters = Adapters::Kerdis;
    cfg.contents = Contents::Module;
    Station st(cfg);
    LptWire w(st);
    LoaderLink link(w);
    const uint32_t first = 0x800;
    std::vector<uint8_t> plain(0x10004, 0xFF);
    const char* key = "trebolux";
    for (uint32_t i = 0; i < 4; ++i)
        plain[first + i] = static_cast<uint8_t>(0xFF ^ key[i]);  // scrambles to FFh
    plain[first + 8] = 0x12;                                     // uses key byte 0 again
    std::vector<uint8_t> sent = plain;
    uint8_t even = 0, odd = 0;
    scramble(sent, first, 0x10000, &even, &odd);
    ASSERT_EQ(sent[first], 0xFF);
    ASSERT_EQ(sent[first + 3], 0xFF);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(link.sendBlock(&sent[first], 64));
    EXPECT_EQ(st.chip().flash()[first], 0xFF);
    EXPECT_NE(st.chip().flash()[first], plain[first]);
    EXPECT_NE(st.chip().flash()[first + 8], plain[first + 8]);  // key byte 0 out of step
}

} // namespace
