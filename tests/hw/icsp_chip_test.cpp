// The ICSP primitives driven against the chip model through both adapters:
// the model decodes from pin edges only, so wrong bit order, framing, clocks
// or holds show as wrong values, transactions or violations.
#include <gtest/gtest.h>

#include "tests/hw/bench.h"

namespace korv::test {
namespace {

struct ChipCase {
    const VariantProfile* profile;
    sim::ChipType chip;
    sim::Adapters adapter;
    const char* name;
};

class IcspOnChip : public ::testing::TestWithParam<ChipCase> {
protected:
    void SetUp() override
    {
        const ChipCase& c = GetParam();
        bench = std::make_unique<Bench>(*c.profile, StationFor(c.adapter, c.chip));
        if (c.adapter == sim::Adapters::Vantrel) ASSERT_TRUE(bench->SelectUsb());
    }
    std::unique_ptr<Bench> bench;
};

TEST_P(IcspOnChip, DeviceIdReadsTheModelsDevidBytesWithoutViolations)
{
    auto [d1, d2] = bench->ReadDeviceId();
    EXPECT_EQ(d1, bench->st.chip().devid1());
    EXPECT_EQ(d2, bench->st.chip().devid2());
    for (const auto& v : bench->st.chip().violations())
        ADD_FAILURE() << sim::violationName(v.kind) << ": " << v.detail;
    EXPECT_TRUE(bench->host.errors.empty());
    EXPECT_TRUE(bench->host.log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    BothAdaptersBothVariants, IcspOnChip,
    ::testing::Values(
        ChipCase{&kProfile4620, sim::ChipType::PIC18F4620, sim::Adapters::Kerdis, "F4620_lpt"},
        ChipCase{&kProfile4620, sim::ChipType::PIC18F452, sim::Adapters::Vantrel, "F452_usb"},
        ChipCase{&kProfile4620, sim::ChipType::PIC18F4620, sim::Adapters::Vantrel, "F4620_usb"},
        ChipCase{&kProfile2520, sim::ChipType::PIC18F2520, sim::Adapters::Kerdis, "F2520_lpt"},
        ChipCase{&kProfile2520, sim::ChipType::PIC18F252, sim::Adapters::Vantrel, "F252_usb"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korv::test
