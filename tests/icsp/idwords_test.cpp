// ID locations and the factory record.
#include "IcspBench.h"

namespace icsptest {
namespace {

class FixedDate final : public korv::DateSource {
public:
    korv::CalendarDate date;
    korv::CalendarDate Today() override { return date; }
};

uint16_t IdWord(Bench& b, unsigned k)
{
    return static_cast<uint16_t>(b.chip().idLocations()[2 * k] | (b.chip().idLocations()[2 * k + 1] << 8));
}

// The date stamp: quarters by month, five-bit year since 2000, the other
// bits of the record kept.
TEST(StampFactoryDate, QuartersAndYearWrap)
{
    struct Case {
        korv::CalendarDate date;
        uint32_t quarter, year;
    };
    const Case cases[] = {
        {{2010, 1, 1}, 0, 10},  {{2010, 3, 31}, 0, 10}, {{2010, 4, 1}, 1, 10},  {{2010, 6, 30}, 1, 10},
        {{2010, 7, 1}, 2, 10},  {{2010, 9, 30}, 2, 10}, {{2010, 10, 1}, 3, 10}, {{2010, 12, 31}, 3, 10},
        {{2009, 5, 5}, 1, 9},   {{2031, 12, 1}, 3, 31}, {{2032, 1, 1}, 0, 0},   {{2000, 2, 1}, 0, 0},
    };
    korv::sim::Station st(Bench::Config(ChipType::PIC18F4620, Adapters::None));
    korv::RecordingHost host;
    korv::AppCore core(korv::kProfile4620, host, st.ticks());
    FixedDate dates;
    core.icsp.dates = &dates;
    for (const Case& c : cases) {
        for (uint32_t before : {0x00000000u, 0xFFFFFFFFu, 0x80ABCDEFu}) {
            dates.date = c.date;
            core.icsp.FactoryRecord = before;
            korv::StampFactoryDate(core);
            const uint32_t r = core.icsp.FactoryRecord;
            EXPECT_EQ((r >> 24) & 0x3, c.quarter) << c.date.year << "-" << c.date.month;
            EXPECT_EQ((r >> 26) & 0x1F, c.year) << c.date.year;
            EXPECT_EQ(r & 0x80FFFFFFu, before & 0x80FFFFFFu);
        }
    }
}

TEST(FactoryRecordFlags, SetKAndSetNChangeOnlyBit31)
{
    korv::sim::Station st(Bench::Config(ChipType::PIC18F4620, Adapters::None));
    korv::RecordingHost host;
    korv::AppCore core(korv::kProfile4620, host, st.ticks());
    core.icsp.FactoryRecord = 0x2805'04D2;
    korv::SetKFlag(core);
    EXPECT_EQ(core.icsp.FactoryRecord, 0xA805'04D2u);
    EXPECT_EQ(host.Text("Form_Param.Label11"), "K");
    korv::ClearKFlag(core);
    EXPECT_EQ(core.icsp.FactoryRecord, 0x2805'04D2u);
    EXPECT_EQ(host.Text("Form_Param.Label11"), "N");
}

// Serial 1234, chip code 5, March 2010, "N": d[1] 04D2, d[2] 2805, d[3]
// FFFF in the chip; d[0] untouched. With "K" bit 15 of d[2] is set. Both
// adapters, both variants.
TEST_F(BenchTest, FactoryRecordIntoTheIdLocations)
{
    struct Case {
        ChipType chip;
        Adapters adapters;
        bool k;
        uint16_t d2;
    };
    const Case cases[] = {
        {ChipType::PIC18F4620, Adapters::Kerdis, false, 0x2805},  {ChipType::PIC18F4620, Adapters::Vantrel, true, 0xA805},
        {ChipType::PIC18F452, Adapters::Vantrel, false, 0x2805},  {ChipType::PIC18F452, Adapters::Kerdis, true, 0xA805},
        {ChipType::PIC18F2520, Adapters::Vantrel, false, 0x2805}, {ChipType::PIC18F252, Adapters::Kerdis, true, 0xA805},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(korv::sim::chipName(c.chip)) + " on " + AdapterName(c.adapters));
        Bench& b = Make(c.chip, c.adapters);
        b.Connect();
        FixedDate dates;
        dates.date = {2010, 3, 15};
        b.core.icsp.dates = &dates;
        // d[0] holds the boot loader's checksum word.
        b.chip().idLocations()[0] = 0x5A;
        b.chip().idLocations()[1] = 0xC3;
        // What the production sequence composes before the run.
        b.core.icsp.FactoryRecord = (b.core.icsp.FactoryRecord & 0xFF000000u) | (5u << 16) | 1234u;
        if (c.k)
            korv::SetKFlag(b.core);
        else
            korv::ClearKFlag(b.core);
        korv::WriteFactoryRecord(b.core);
        EXPECT_EQ(IdWord(b, 0), 0xC35A);
        EXPECT_EQ(IdWord(b, 1), 0x04D2);
        EXPECT_EQ(IdWord(b, 2), c.d2);
        EXPECT_EQ(IdWord(b, 3), 0xFFFF);
        for (const auto& r : b.Records(TxKind::TableWrite))
            EXPECT_GE(r.address, 0x200002u) << "write below d[1]";
        // Read back as the production sequence does.
        korv::ReadIdWords(b.core);
        EXPECT_EQ(b.core.icsp.IdWords[1], 0x04D2u);
        EXPECT_EQ(b.core.icsp.IdWords[2], c.d2);
        EXPECT_EQ(b.host.texts["Prog12.Label2"],
                  korv::Format("d[0]=C35A d[1]=4D2 d[2]=%x d[3]=FFFF", {c.d2}));
        EXPECT_FALSE(b.chip().inProgrammingMode());
        EXPECT_FALSE(b.station.bus().vpp());
    }
}

// "RD ID" before an erase and "WR ID" after it put d[1]..d[3] back; d[0]
// stays erased because it is never written.
TEST_F(BenchTest, ReadEraseWriteRestoresIdWords)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F452, ChipType::PIC18F2520, ChipType::PIC18F252}) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            Bench& b = Make(chip, adapters, Contents::Module);
            b.Connect();
            const uint16_t d1 = IdWord(b, 1), d2 = IdWord(b, 2), d3 = IdWord(b, 3);
            korv::ReadIdWords(b.core);
            EXPECT_EQ(b.core.icsp.IdWords[0], IdWord(b, 0));
            EXPECT_EQ(b.core.icsp.IdWords[1], d1);
            korv::EraseCommand(b.core);
            korv::WriteIdWords(b.core);
            EXPECT_EQ(IdWord(b, 0), 0xFFFF);
            EXPECT_EQ(IdWord(b, 1), d1);
            EXPECT_EQ(IdWord(b, 2), d2);
            EXPECT_EQ(IdWord(b, 3), d3);
        }
    }
}

// The ID operations run the message pump once, after their last ICSP step;
// RD ID and WR ID set the gauge to the boot area, the factory record leaves
// it alone.
TEST_F(BenchTest, IdOperationsPumpOnceAndSetTheGauge)
{
    struct Case {
        const char* name;
        void (*run)(korv::AppCore&);
        bool gauge;
    };
    const Case cases[] = {
        {"RD ID", korv::ReadIdWords, true},
        {"WR ID", korv::WriteIdWords, true},
        {"Установить", korv::WriteFactoryRecord, false},
    };
    for (ChipType chip : {ChipType::PIC18F452, ChipType::PIC18F2520}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " " + c.name);
            // The parallel port puts every step on the pins at once, so the
            // chip has seen all of them when the pump runs.
            Bench& b = Make(chip, Adapters::Kerdis);
            b.Connect();
            b.host.log.clear();
            b.host.pumps = 0;
            b.host.gaugeMax = -7;
            b.host.gaugeHistory.clear();
            uint64_t transactionsAtPump = 0;
            b.host.onPump = [&] { transactionsAtPump = b.chip().counts().transactions; };
            c.run(b.core);
            b.host.onPump = nullptr;
            EXPECT_EQ(b.host.pumps, 1);
            // After the pump only the exit follows, no further transaction.
            EXPECT_EQ(transactionsAtPump, b.chip().counts().transactions);
            EXPECT_GT(transactionsAtPump, 0u);
            if (c.gauge) {
                EXPECT_EQ(b.host.gaugeMax, static_cast<int>(b.core.chip.BootWords) - 1);
                EXPECT_EQ(b.host.gaugeHistory, (std::vector<int>{0}));
            } else {
                EXPECT_EQ(b.host.gaugeMax, -7);
                EXPECT_TRUE(b.host.gaugeHistory.empty());
            }
            EXPECT_TRUE(b.host.log.empty());
        }
    }
}

} // namespace
} // namespace icsptest
