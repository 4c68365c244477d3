// The chip model driven by hand-made pin sequences over both adapters.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <numeric>

#include "BenchWire.h"

using namespace benchtest;

namespace {

struct BenchCase {
    ChipType chip;
    Adapters adapter;
};

std::string caseName(const testing::TestParamInfo<BenchCase>& p)
{
    return std::string(chipName(p.param.chip)) + (p.param.adapter == Adapters::Kerdis ? "_Kerdis" : "_Vantrel");
}

std::vector<BenchCase> allBenches()
{
    std::vector<BenchCase> v;
    for (ChipType c : kAllChips)
        for (Adapters a : {Adapters::Kerdis, Adapters::Vantrel})
            v.push_back({c, a});
    return v;
}

// One chip on one adapter, with an ICSP sequencer on that adapter's pins.
class ChipBench : public testing::TestWithParam<BenchCase> {
protected:
    void SetUp() override
    {
        StationConfig cfg;
        cfg.chip = GetParam().chip;
        cfg.adapters = GetParam().adapter;
        cfg.revision = 0x07;
        st = std::make_unique<Station>(cfg);
        if (GetParam().adapter == Adapters::Kerdis) {
            wire = std::make_unique<LptWire>(*st);
        } else {
            auto usb = std::make_unique<UsbWire>(*st);
            ASSERT_TRUE(usb->ok());
            wire = std::move(usb);
        }
        icsp = std::make_unique<Icsp>(*wire);
    }
    const ChipInfo& info() const { return st->chip().info(); }
    std::vector<ViolationKind> violationKinds() const
    {
        std::vector<ViolationKind> k;
        for (const auto& v : st->chip().violations())
            k.push_back(v.kind);
        return k;
    }

    std::unique_ptr<Station> st;
    std::unique_ptr<Wire> wire;
    std::unique_ptr<Icsp> icsp;
};

TEST_P(ChipBench, DeviceIdReadsFamilyBitsAndRevision)
{
    struct Expect {
        ChipType chip;
        uint8_t devid1, devid2;
    };
    // revision 0x07 in the low DEVID1 bits
    const Expect table[] = {{ChipType::PIC18F452, 0x27, 0x04},
                            {ChipType::PIC18F252, 0x07, 0x04},
                            {ChipType::PIC18F2520, 0x07, 0x11},
                            {ChipType::PIC18F4620, 0x07, 0x0C}};
    icsp->enter();
    icsp->selectFlash();
    icsp->setPtr(0x3FFFFE);
    const uint8_t d1 = icsp->read(0x9);
    const uint8_t d2 = icsp->read(0x9);
    icsp->leave();
    for (const auto& e : table) {
        if (e.chip != GetParam().chip)
            continue;
        EXPECT_EQ(d1, e.devid1);
        EXPECT_EQ(d2, e.devid2);
    }
    // Only reads and core instructions happened.
    EXPECT_EQ(st->chip().counts().reads, 2u);
    EXPECT_EQ(st->chip().counts().writesOrErases(), 0u);
    EXPECT_TRUE(st->chip().violations().empty()) << st->chip().logText();
}

TEST_P(ChipBench, HeldNopProgramsTheBufferIntoTheBlockOfTblptr)
{
    const uint32_t buf = info().bufferBytes;
    const uint32_t start = 3 * buf + buf / 2;  // starts mid-block, so the last word lies in the next block
    std::vector<uint8_t> d(buf);
    std::iota(d.begin(), d.end(), uint8_t{1});
    icsp->enter();
    icsp->selectFlash();
    icsp->setPtr(0x3C0006);
    icsp->write(0xC, 0x0000);  // single-panel writes on FXX2
    icsp->selectFlash();
    icsp->writeBuffer(start, d.data(), d.size());
    auto back = icsp->readBlock(0, 6 * buf);
    icsp->leave();

    // Byte i went to holding[(start + i) mod buf]; the programmed block is the
    // one holding TBLPTR at the start-programming write.
    const uint32_t block = (start + buf - 2) & ~(buf - 1);
    for (uint32_t a = 0; a < 6 * buf; ++a) {
        uint8_t want = 0xFF;
        if (a >= block && a < block + buf) {
            for (uint32_t i = 0; i < buf; ++i)
                if (((start + i) & (buf - 1)) == a - block)
                    want = d[i];
        }
        ASSERT_EQ(st->chip().flash()[a], want) << "flash 0x" << std::hex << a;
        ASSERT_EQ(back[a], want) << "read back 0x" << std::hex << a;
    }
    EXPECT_EQ(st->chip().counts().programs, 1u);
    for (ViolationKind k : violationKinds())
        EXPECT_EQ(k, ViolationKind::ProgramLowTime) << violationName(k);  // only P10 may be short on USB
}

TEST_P(ChipBench, ProgrammingWithoutEraseOnlyClearsBits)
{
    const uint32_t buf = info().bufferBytes;
    const uint32_t base = 0x1000;
    for (uint32_t i = 0; i < buf; ++i)
        st->chip().flash()[base + i] = static_cast<uint8_t>(i & 1 ? 0x0F : 0x3C);
    std::vector<uint8_t> d(buf, 0xF0);
    d[0] = 0xFF;  // unchanged byte
    icsp->enter();
    icsp->selectFlash();
    icsp->writeBuffer(base, d.data(), d.size());
    icsp->leave();
    for (uint32_t i = 0; i < buf; ++i) {
        const uint8_t old = static_cast<uint8_t>(i & 1 ? 0x0F : 0x3C);
        EXPECT_EQ(st->chip().flash()[base + i], old & d[i]) << i;
    }
}

TEST_P(ChipBench, ShortProgrammingHoldIsRecordedAndProgramsNothing)
{
    const uint32_t buf = info().bufferBytes;
    std::vector<uint8_t> d(buf, 0x00);
    icsp->enter();
    icsp->selectFlash();
    icsp->writeBuffer(0x0400, d.data(), d.size(), 400 * us);  // P9 is 1 ms
    icsp->leave();
    for (uint32_t i = 0; i < buf; ++i)
        ASSERT_EQ(st->chip().flash()[0x0400 + i], 0xFF);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::ProgramHold), 1u);
    EXPECT_EQ(st->chip().counts().programs, 0u);
}

TEST_P(ChipBench, BulkEraseWithEachDocumentedCode)
{
    const bool fxx2 = info().fxx2;
    struct Form {
        uint16_t code;
        bool oneWord;  // the whole code as one word at 3C0004h
    };
    const std::vector<Form> forms = fxx2 ? std::vector<Form>{{0x0080, false}, {0x0080, true}}
                                         : std::vector<Form>{{0x0F87, false}, {0x3F8F, false}, {0x0F87, true},
                                                             {0x3F8F, true}};
    for (const Form& f : forms) {
        const uint16_t code = f.code;
        Station::fillModuleContents(st->chip(), true);
        st->chip().eeprom()[3] = 0x12;
        icsp->enter();
        icsp->bulkErase(fxx2, code, 6 * ms, f.oneWord);
        icsp->leave();
        auto flash = st->chip().flash();
        EXPECT_TRUE(std::all_of(flash.begin(), flash.end(), [](uint8_t b) { return b == 0xFF; })) << code;
        auto id = st->chip().idLocations();
        EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(st->chip().eeprom()[3], 0xFF);
        const auto& def = configEraseDefault(fxx2);
        EXPECT_TRUE(std::equal(def.begin(), def.end(), st->chip().config().begin())) << code;
        EXPECT_FALSE(st->chip().codeProtected(0));
    }
    EXPECT_TRUE(st->chip().violations().empty()) << st->chip().logText();
    if (!fxx2) {
        const auto& r = st->chip().readingsSeen();
        EXPECT_NE(std::find(r.begin(), r.end(), "2XXX chip-erase code 0F87h as one word at 3C0004h"), r.end());
    }
}

TEST_P(ChipBench, BulkEraseInterruptedBeforeP11LeavesMemory)
{
    st->chip().flash()[0x20] = 0x00;
    icsp->enter();
    icsp->bulkErase(info().fxx2, info().fxx2 ? 0x0080 : 0x3F8F, 1 * ms);
    icsp->leave();
    EXPECT_EQ(st->chip().flash()[0x20], 0x00);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::BulkEraseTime), 1u);
}

TEST_P(ChipBench, UnknownEraseCodeErasesNothing)
{
    st->chip().flash()[0x20] = 0x00;
    icsp->enter();
    icsp->bulkErase(info().fxx2, 0x1234);
    icsp->leave();
    EXPECT_EQ(st->chip().flash()[0x20], 0x00);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::EraseCode), 1u);
}

TEST_P(ChipBench, RowEraseClearsOnlyItsRow)
{
    auto flash = st->chip().flash();
    std::fill(flash.begin(), flash.begin() + 0x200, 0x00);
    icsp->enter();
    icsp->selectFlash();
    icsp->core(0x84A6);  // WREN
    icsp->setPtr(0x0085);  // inside the row 0x0080..0x00BF
    icsp->core(0x88A6);  // FREE
    if (info().fxx2) {
        // FXX2: unlock sequence and a self-timed erase
        icsp->core(0x0E55);
        icsp->core(0x6EA7);
        icsp->core(0x0EAA);
        icsp->core(0x6EA7);
        icsp->core(0x82A6);
        wire->wait(6 * ms);
        icsp->core(0x0000);
    } else {
        icsp->core(0x82A6);
        icsp->programNop();  // externally timed by the held NOP
    }
    icsp->leave();
    for (uint32_t a = 0; a < 0x200; ++a)
        ASSERT_EQ(flash[a], (a >= 0x80 && a < 0xC0) ? 0xFF : 0x00) << std::hex << a;
    EXPECT_EQ(st->chip().counts().erases, 1u);
}

TEST_P(ChipBench, RowEraseInterruptedByATableWriteDoesNotTake)
{
    auto flash = st->chip().flash();
    std::fill(flash.begin(), flash.begin() + 0x100, 0x00);
    icsp->enter();
    icsp->selectFlash();
    icsp->core(0x84A6);
    icsp->setPtr(0x0040);
    icsp->core(0x88A6);
    icsp->core(0x82A6);
    icsp->write(0xD, 0x1234);  // no hold, no wait
    icsp->leave();
    EXPECT_EQ(flash[0x40], 0x00);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::RowEraseTime), 1u);
}

TEST_P(ChipBench, ConfigurationMasksProtectionAndWrtcLock)
{
    const bool fxx2 = info().fxx2;
    const auto& mask = configImplementedMask(fxx2);
    icsp->enter();
    icsp->selectConfig();
    // Everything written as 00h: implemented bits follow, protection bits
    // clear, except CONFIG6H whose WRTC would lock the rest: keep it last.
    for (unsigned i = 0; i < 14; ++i)
        if (i != 11)
            icsp->programConfig(i, 0x00);
    // Protection bits cannot be set again; other bits can.
    icsp->programConfig(8, 0xFF);
    icsp->programConfig(1, mask[1]);
    auto back = icsp->readBlock(0x300000, 14);
    icsp->leave();
    for (unsigned i = 0; i < 14; ++i) {
        uint8_t want = 0x00;
        if (i == 1)
            want = mask[1];
        if (i == 11)
            want = configEraseDefault(fxx2)[11];
        EXPECT_EQ(back[i], want) << "CONFIG byte " << i;
    }

    // WRTC = 0 locks further configuration writes.
    icsp->enter();
    icsp->selectConfig();
    icsp->programConfig(11, 0x00);
    icsp->programConfig(1, 0x00);
    const uint8_t after = icsp->readBlock(0x300001, 1)[0];
    icsp->leave();
    EXPECT_EQ(after, mask[1]);
    EXPECT_TRUE(st->chip().configLocked());
    EXPECT_EQ(st->chip().violationCount(ViolationKind::ConfigLocked), 1u);

    // Chip erase restores the erased values and unlocks.
    icsp->enter();
    icsp->bulkErase(fxx2, fxx2 ? 0x0080 : 0x3F8F);
    icsp->selectConfig();
    icsp->programConfig(1, 0x00);
    auto erased = icsp->readBlock(0x300000, 14);
    icsp->leave();
    for (unsigned i = 0; i < 14; ++i)
        EXPECT_EQ(erased[i], i == 1 ? 0x00 : configEraseDefault(fxx2)[i]) << i;
}

TEST_P(ChipBench, WritingAllOnesShowsTheImplementedBits)
{
    const auto& mask = configImplementedMask(info().fxx2);
    icsp->enter();
    icsp->selectConfig();
    for (unsigned i = 0; i < 8; ++i)  // the non-protection bytes
        icsp->programConfig(i, 0xFF);
    auto back = icsp->readBlock(0x300000, 8);
    icsp->leave();
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(back[i], mask[i]) << i;
}

TEST_P(ChipBench, CodeProtectedBlocksReadZeroButIdConfigAndDevidRead)
{
    Station::fillModuleContents(st->chip(), false);
    const uint32_t blockSize = info().flashBytes > 0x8000 ? 0x4000 : 0x2000;
    st->chip().setConfig(8, 0x0E);  // CP0 programmed: block 0 protected
    st->chip().setConfig(9, 0x80);  // CPB programmed: boot block protected
    const uint32_t probes[] = {0x0000, info().bootBlockEnd - 1, info().bootBlockEnd, blockSize - 1, blockSize,
                               info().flashBytes - 1};
    icsp->enter();
    icsp->selectFlash();
    for (uint32_t a : probes) {
        const uint8_t got = icsp->readBlock(a, 1)[0];
        const bool prot = a < blockSize;
        EXPECT_EQ(got, prot ? 0x00 : st->chip().flash()[a]) << std::hex << a;
    }
    const auto id = icsp->readBlock(0x200000, 8);
    const auto cfg = icsp->readBlock(0x300008, 2);
    const auto dev = icsp->readBlock(0x3FFFFE, 2);
    icsp->leave();
    EXPECT_TRUE(std::equal(id.begin(), id.end(), st->chip().idLocations().begin()));
    EXPECT_EQ(cfg[0], 0x0E);
    EXPECT_EQ(cfg[1], 0x80);
    EXPECT_EQ(dev[0], st->chip().devid1());
    EXPECT_EQ(dev[1], st->chip().devid2());
}

TEST_P(ChipBench, IdLocationsProgramThroughTheBuffer)
{
    const uint8_t d[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    icsp->enter();
    icsp->selectFlash();
    icsp->writeBuffer(0x200000, d, 8);
    auto back = icsp->readBlock(0x200000, 8);
    icsp->leave();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(back[i], d[i]) << i;
    EXPECT_EQ(st->chip().flash()[0], 0xFF);
}

INSTANTIATE_TEST_SUITE_P(AllChipsBothAdapters, ChipBench, testing::ValuesIn(allBenches()), caseName);

// ---- cases that need only one adapter

class KerdisChip : public testing::TestWithParam<ChipType> {
protected:
    void SetUp() override
    {
        StationConfig cfg;
        cfg.chip = GetParam();
        cfg.adapters = Adapters::Kerdis;
        st = std::make_unique<Station>(cfg);
        wire = std::make_unique<LptWire>(*st);
        icsp = std::make_unique<Icsp>(*wire);
    }
    std::unique_ptr<Station> st;
    std::unique_ptr<LptWire> wire;
    std::unique_ptr<Icsp> icsp;
};

TEST_P(KerdisChip, RevisionBitsAreMaskedPerChip)
{
    st->chip().setRevision(0xFF);
    icsp->enter();
    icsp->setPtr(0x3FFFFE);
    const uint8_t d1 = icsp->read();
    icsp->leave();
    const uint8_t want = GetParam() == ChipType::PIC18F452   ? 0x3F
                         : GetParam() == ChipType::PIC18F2520 ? 0x0F
                                                              : 0x1F;
    EXPECT_EQ(d1, want);
}

TEST_P(KerdisChip, EntryWithLinesHighIsRecorded)
{
    wire->pgc(true);
    wire->data(true);
    wire->vpp(true);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::EntryLines), 1u);
}

TEST_P(KerdisChip, ReadCommandsMoveTheTablePointer)
{
    auto flash = st->chip().flash();
    for (int i = 0; i < 8; ++i)
        flash[0x100 + i] = static_cast<uint8_t>(0xA0 + i);
    icsp->enter();
    icsp->setPtr(0x104);
    struct Step {
        uint8_t cmd;
        uint8_t value;
        uint32_t ptrAfter;
    };
    const Step steps[] = {{0x8, 0xA4, 0x104}, {0x9, 0xA4, 0x105}, {0xA, 0xA5, 0x104}, {0xB, 0xA5, 0x105},
                          {0x2, 0xA5, 0x105}};
    for (const auto& s : steps) {
        EXPECT_EQ(icsp->read(s.cmd), s.value) << int(s.cmd);
        EXPECT_EQ(st->chip().tblptr(), s.ptrAfter) << int(s.cmd);
    }
    icsp->leave();
}

TEST_P(KerdisChip, ChipDrivingAgainstThePullDownIsContention)
{
    st->chip().flash()[0] = 0xFF;
    icsp->enter();
    icsp->setPtr(0);
    icsp->command(0x9);
    for (int i = 0; i < 16; ++i)
        icsp->bit(false);  // host keeps pulling PGD low while the chip drives 1s
    icsp->leave();
    EXPECT_GE(st->chip().violationCount(ViolationKind::Contention), 1u);
}

TEST_P(KerdisChip, ShortLowTimeAfterTheHoldIsRecordedButProgrammingTakes)
{
    // P10: 100 us on 2XXX, 5 us on FXX2; 50 us is short only for 2XXX.
    const bool fxx2 = st->chip().info().fxx2;
    std::vector<uint8_t> d(st->chip().info().bufferBytes, 0x00);
    icsp->enter();
    icsp->selectFlash();
    icsp->setPtr(0x0200);
    for (size_t i = 0; i + 2 < d.size(); i += 2)
        icsp->write(0xD, 0x0000);
    icsp->write(0xF, 0x0000);
    icsp->commandHeld(0x0, 1200 * us, 50 * us);
    icsp->operand(0x0000);
    icsp->leave();
    EXPECT_EQ(st->chip().flash()[0x0200], 0x00);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::ProgramLowTime), fxx2 ? 0u : 1u);
}

TEST_P(KerdisChip, WriteProtectedBlockIsNotProgrammed)
{
    st->chip().setConfig(10, 0x0E);  // WRT0 programmed
    const uint32_t a = st->chip().info().bootBlockEnd;  // first byte of block 0
    std::vector<uint8_t> d(st->chip().info().bufferBytes, 0x00);
    icsp->enter();
    icsp->selectFlash();
    icsp->writeBuffer(a, d.data(), d.size());
    icsp->leave();
    EXPECT_EQ(st->chip().flash()[a], 0xFF);
    EXPECT_EQ(st->chip().violationCount(ViolationKind::WriteProtected), 1u);
}

TEST_P(KerdisChip, MclrDropEndsTheModeAndResetsThePointer)
{
    icsp->enter();
    icsp->setPtr(0x1234);
    EXPECT_EQ(st->chip().tblptr(), 0x1234u);
    wire->vpp(false);
    EXPECT_FALSE(st->chip().inProgrammingMode());
    wire->wait(20 * us);
    wire->vpp(true);
    EXPECT_TRUE(st->chip().inProgrammingMode());
    EXPECT_EQ(st->chip().tblptr(), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllChips, KerdisChip, testing::ValuesIn(kAllChips),
                         [](const auto& p) { return std::string(chipName(p.param)); });

TEST(ChipModel, EdgesTooSoonAfterEntryAreIgnoredAndRecorded)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F2520;
    cfg.adapters = Adapters::Vantrel;
    Station st(cfg);
    UsbWire w(st);
    ASSERT_TRUE(w.ok());
    Icsp icsp(w);
    w.pgc(false);
    w.data(false);
    w.wait(10 * us);
    w.vpp(true);  // the clocks follow within a few pin bytes, under 2 us
    icsp.setPtr(0x3FFFFE);
    w.wait(2 * ms);
    EXPECT_GE(st.chip().violationCount(ViolationKind::EntryHold), 1u);
    // The ignored edges slipped the framing: the pointer is not what was sent.
    EXPECT_NE(st.chip().tblptr(), 0x3FFFFEu);
}

TEST(ChipModel, Pic18F4620PointerWrapsAtTheTopOfFlash)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F4620;
    cfg.adapters = Adapters::Kerdis;
    Station st(cfg);
    st.chip().flash()[0xFFFF] = 0x5A;
    st.chip().flash()[0x0000] = 0xA5;
    LptWire w(st);
    Icsp icsp(w);
    icsp.enter();
    auto two = icsp.readBlock(0xFFFF, 2);
    icsp.leave();
    EXPECT_EQ(two[0], 0x5A);
    EXPECT_EQ(two[1], 0xA5);
}

TEST(ChipModel, Fxx2MultiPanelProgramsEveryPanelAtOnce)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F452;
    cfg.adapters = Adapters::Kerdis;
    Station st(cfg);
    LptWire w(st);
    Icsp icsp(w);
    icsp.enter();
    icsp.selectFlash();
    icsp.setPtr(0x3C0006);
    icsp.write(0xC, 0x0040);  // multi-panel
    icsp.selectFlash();
    const uint32_t offset = 0x0120;
    for (uint32_t p = 0; p < 4; ++p) {
        icsp.setPtr(p * 0x2000 + offset);
        for (int i = 0; i < 3; ++i)
            icsp.write(0xD, static_cast<uint16_t>(0x0101 * (p * 4 + i + 1)));
        icsp.write(p == 3 ? 0xF : 0xD, static_cast<uint16_t>(0x0101 * (p * 4 + 4)));
    }
    icsp.programNop();
    icsp.leave();
    for (uint32_t p = 0; p < 4; ++p)
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(st.chip().flash()[p * 0x2000 + offset + i], uint8_t(p * 4 + i / 2 + 1)) << p << ":" << i;
    EXPECT_EQ(st.chip().counts().programs, 4u);
}

TEST(ChipModel, TransactionLogDescribesWhatHappened)
{
    StationConfig cfg;
    cfg.chip = ChipType::PIC18F2520;
    cfg.adapters = Adapters::Kerdis;
    Station st(cfg);
    LptWire w(st);
    Icsp icsp(w);
    icsp.enter();
    icsp.selectFlash();
    icsp.setPtr(0x0040);
    icsp.write(0xD, 0x1234);
    icsp.setPtr(0x3FFFFE);
    icsp.read();
    icsp.leave();
    const std::string text = st.chip().logText();
    EXPECT_NE(text.find("table write 0x1234 -> holding[0]"), std::string::npos) << text;
    EXPECT_NE(text.find("read 0x3FFFFE = 0x07"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVWF TBLPTRU"), std::string::npos);
    EXPECT_EQ(st.chip().counts().tableWrites, 1u);
    EXPECT_EQ(st.chip().counts().reads, 1u);
    st.chip().clearLog();
    EXPECT_EQ(st.chip().logSize(), 0u);
    EXPECT_EQ(st.chip().counts().writesOrErases(), 0u);
}

} // namespace

namespace {

// Host mistakes the chip model has to notice.
TEST(ChipModel, MisusedSequencesAreRecorded)
{
    struct Case {
        const char* name;
        std::function<void(Icsp&, Wire&)> run;
        ViolationKind kind;
    };
    const Case cases[] = {
        {"undefined command", [](Icsp& i, Wire&) { i.write(0x7, 0x1234); }, ViolationKind::UnknownCommand},
        {"core instruction the model does not execute", [](Icsp& i, Wire&) { i.core(0x0012); },
         ViolationKind::UnknownInstruction},
        {"start programming followed by a read",
         [](Icsp& i, Wire&) {
             i.selectFlash();
             i.write(0xF, 0x0000);
             i.read();
         },
         ViolationKind::ProgramNotStarted},
        {"MCLR dropped before the programming NOP",
         [](Icsp& i, Wire& w) {
             i.selectFlash();
             i.write(0xF, 0x0000);
             w.vpp(false);
         },
         ViolationKind::AbortedByMclr},
        {"bulk erase cut short by MCLR",
         [](Icsp& i, Wire& w) {
             i.setPtr(0x3C0005);
             i.write(0xC, 0x3F3F);
             i.setPtr(0x3C0004);
             i.write(0xC, 0x8F8F);
             w.vpp(false);
         },
         ViolationKind::BulkEraseTime},
    };
    for (const Case& c : cases) {
        StationConfig cfg;
        cfg.chip = ChipType::PIC18F4620;
        cfg.adapters = Adapters::Kerdis;
        Station st(cfg);
        st.chip().flash()[0] = 0x00;
        LptWire w(st);
        Icsp icsp(w);
        icsp.enter();
        c.run(icsp, w);
        icsp.leave();
        EXPECT_EQ(st.chip().violationCount(c.kind), 1u) << c.name << "\n" << st.chip().logText();
        EXPECT_EQ(st.chip().flash()[0], 0x00) << c.name;  // nothing programmed or erased
        EXPECT_EQ(st.chip().counts().programs + st.chip().counts().erases, 0u) << c.name;
    }
}

TEST(ChipModel, UsbSupplySelectAndKerdisPreVppAreRecorded)
{
    StationConfig cfg;
    cfg.adapters = Adapters::Both;
    Station st(cfg);
    UsbWire usb(st);  // sets the 5 V supply bit
    usb.sync();
    EXPECT_TRUE(st.vantrel().supply5V());
    LptWire lpt(st);
    st.port().PortWrite(0x378, 0x0C);
    st.clock().advance(40 * ms);
    st.port().PortWrite(0x378, 0x18);
    EXPECT_EQ(st.kerdis().preVppPulses(), 1u);
    EXPECT_GE(st.kerdis().preVppTotalNs(), 40 * ms);
    EXPECT_EQ(st.kerdis().writesChangingFixedBits(), 0u);
}

} // namespace
