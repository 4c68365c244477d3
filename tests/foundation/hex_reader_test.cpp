// The Intel HEX record reader over in-memory text: record rules, the
// configuration area, line ends, and the faults a damaged file must not
// turn into out-of-range writes.
#include "image/HexReader.h"

#include "FoundationTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace korv {
namespace {

using testutil::Data;
using testutil::Rec;
using testutil::Seq;

constexpr const char* kErr = "Ошибка формата или КС";
constexpr uint8_t kMasterFill = 0x5A;
constexpr uint8_t kConfigFill = 0xA5;
constexpr uint8_t kDumpSentinel = 0x77;

struct HexCase {
    const char* name;
    std::string text;
    bool storeConfig;
    int result;
    std::map<uint32_t, uint8_t> master; // every MasterImage byte that must change, and its value
    std::map<uint32_t, uint8_t> config; // likewise for ConfigImage
};

std::map<uint32_t, uint8_t> At(uint32_t addr, const std::vector<uint8_t>& bytes)
{
    std::map<uint32_t, uint8_t> m;
    for (size_t i = 0; i < bytes.size(); ++i)
        m[static_cast<uint32_t>((addr + i) & 0xFFFF)] = bytes[i];
    return m;
}

std::map<uint32_t, uint8_t> Merge(std::map<uint32_t, uint8_t> a, const std::map<uint32_t, uint8_t>& b)
{
    for (auto& [k, v] : b)
        a[k] = v;
    return a;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

const std::string kCfg = ":020000040030CA\r\n";        // upper address 0x0030: configuration area
const std::string kLow = ":020000040000FA\r\n";        // upper address 0x0000
const std::string kIdl = ":020000040020DA\r\n";        // upper address 0x0020: ID locations
const std::string kEep = ":0200000400F00A\r\n";        // upper address 0x00F0: data EEPROM
const std::string kEnd = ":00000001FF\r\n";
const std::string k16 = ":10000000000102030405060708090A0B0C0D0E0F78"; // 16 bytes at 0000, good checksum

std::vector<HexCase> Cases()
{
    std::vector<HexCase> c;
    c.push_back({"SixteenBytesAtZero", k16 + "\r\n" + kEnd, true, 0, At(0, Seq(0, 16)), {}});
    c.push_back({"WrongChecksumDigitFailsAfterWriting",
                 ":10000000000102030405060708090A0B0C0D0E0F79\r\n" + kEnd, true, -1, At(0, Seq(0, 16)), {}});
    c.push_back({"EarlierRecordsStayWhenALaterFails",
                 Data(0x20, {1, 2}) + "\r\n" + ":0100300011AA\r\n", true, -1,
                 Merge(At(0x20, {1, 2}), At(0x30, {0x11})), {}});
    // Configuration data: no checksum (the last two digits are garbage) and no ':' test.
    c.push_back({"ConfigAreaFillsAllFourteenBytes",
                 kCfg + ":0E000000" + "0102030405060708090A0B0C0D0E" + "00\r\n" + kEnd, true, 0, {},
                 At(0, Seq(1, 14))});
    c.push_back({"ConfigAreaSkippedWithoutStoreConfig",
                 kCfg + ":0E000000" + "0102030405060708090A0B0C0D0E" + "00\r\n", false, 0, {}, {}});
    c.push_back({"ConfigRecordWithoutColon", kCfg + "X0200000055AA00\r\n", true, 0, {}, At(0, {0x55, 0xAA})});
    c.push_back({"LowExtendedAddressReturnsToProgramArea",
                 kCfg + kLow + ":020000001122CB\r\n", true, 0, At(0, {0x11, 0x22}), {}});
    // ID locations (0x200000) and data EEPROM (0xF00000) are no part of the
    // image: their records must neither overwrite the reset vector nor the
    // configuration bytes, and they are still checksum-tested.
    c.push_back({"IdLocationRecordsNotStored", kIdl + ":020000001122CB\r\n" + kEnd, true, 0, {}, {}});
    c.push_back({"EepromAfterConfigNotStored",
                 kCfg + ":0200000055AA00\r\n" + kEep + ":020000001122CB\r\n", true, 0, {},
                 At(0, {0x55, 0xAA})});
    c.push_back({"OtherAreaRecordStillTested", kEep + ":020000001122CC\r\n", true, -1, {}, {}});
    // An extended-address record without its upper address names no area:
    // program data after it are still stored, configuration data still
    // go to the configuration.
    c.push_back({"ShortExtendedAddressChangesNothing", ":00000004FC\r\n" + Data(0x10, {7, 8}) + "\r\n", true, 0,
                 At(0x10, {7, 8}), {}});
    c.push_back({"ShortExtendedAddressKeepsConfigArea", kCfg + ":00000004FC\r\n" + ":0200000055AA00\r\n", true, 0, {},
                 At(0, {0x55, 0xAA})});
    c.push_back({"OtherExtendedAddressKeepsProgramArea", kLow + Data(0x10, {7, 8}) + "\r\n", true, 0,
                 At(0x10, {7, 8}), {}});
    // Bytes past CONFIG7H (index 13) do not exist in the buffer.
    c.push_back({"ConfigBytesBeyondIndex13Dropped",
                 kCfg + ":04000C0011223344FF\r\n" + ":0200200055660000\r\n", true, 0, {},
                 At(12, {0x11, 0x22})});
    // LL is only part of the checksum; the digit count comes from the line.
    c.push_back({"LengthFromLineAcceptedByChecksum", Rec(0x01, 0x40, 0, {0xAA, 0xBB}) + "\r\n", true, 0,
                 At(0x40, {0xAA, 0xBB}), {}});
    c.push_back({"LengthFromLineRejectedByChecksum",
                 ":01004000AABB" + Rec(0x02, 0x40, 0, {0xAA, 0xBB}).substr(13) + "\r\n", true, -1,
                 At(0x40, {0xAA, 0xBB}), {}});
    c.push_back({"LowerCaseDigits", Lower(Data(0xAB0, {0xCA, 0xFE, 0xBA, 0xBE})) + "\r\n", true, 0,
                 At(0xAB0, {0xCA, 0xFE, 0xBA, 0xBE}), {}});
    c.push_back({"EndRecordStopsReading", Data(0, {1}) + "\r\n" + kEnd + Data(2, {2}) + "\r\nrubbish\r\n", true, 0,
                 At(0, {1}), {}});
    c.push_back({"MissingColonOnTestedRecord", ";" + k16.substr(1) + "\r\n", true, -1, At(0, Seq(0, 16)), {}});
    c.push_back({"OffsetWrapsAt16Bits", ":04FFFE00DEADBEEFC7\r\n", true, 0,
                 At(0xFFFE, {0xDE, 0xAD, 0xBE, 0xEF}), {}});
    // Types other than 00/01/04 are read as data records.
    c.push_back({"OtherRecordTypeIsWrittenAndTested", ":0400000512345678E3\r\n", true, 0,
                 At(0, {0x12, 0x34, 0x56, 0x78}), {}});
    c.push_back({"NoEndRecordStillSucceeds", Data(0x100, {9}), true, 0, At(0x100, {9}), {}});
    c.push_back({"EmptyText", "", true, 0, {}, {}});
    // A DOS end-of-file mark after the last record ends the text; noise
    // behind it (as deciphering with another key gives) is no end mark.
    c.push_back({"CtrlZEndsTheText", Data(0, {1}) + "\r\n\x1A", true, 0, At(0, {1}), {}});
    c.push_back({"CtrlZWithLineEndsAndMoreMarks", Data(0, {1}) + "\r\n\x1A\r\n\x1A\x1A \n", true, 0, At(0, {1}), {}});
    c.push_back({"CtrlZBeforeMoreTextFails", Data(0, {1}) + "\r\n\x1A" + Data(1, {2}) + "\r\n", true, -1, At(0, {1}), {}});
    c.push_back({"NoiseStartingWithCtrlZFails", std::string("\x1A\x93Q\x07z\r\x1A"), true, -1, {}, {}});
    c.push_back({"BlanksOnlyLineIsNoRecord", Data(0, {1}) + "\r\n \t \r\n" + Data(1, {2}), true, 0, At(0, {1, 2}), {}});
    c.push_back({"BlanksBeforeRecordAreNoRecord", "  " + Data(0, {1}) + "\r\n", true, -1, {}, {}});
    c.push_back({"BlankLinesSkipped", "\r\n" + Data(0, {1}) + "\r\n\r\n\n" + Data(1, {2}) + "\r\n\r\n", true, 0,
                 At(0, {1, 2}), {}});

    // Malformed lines: rejected before anything of theirs is written.
    c.push_back({"LineShorterThanAnyRecord", ":000000\r\n", true, -1, {}, {}});
    c.push_back({"TenCharacters", ":000000010\r\n", true, -1, {}, {}});
    c.push_back({"OddDigitCount", Data(0, {1, 2}) + "0\r\n", true, -1, {}, {}});
    c.push_back({"ShortConfigLine", kCfg + ":0200\r\n", true, -1, {}, {}});
    c.push_back({"Line255Accepted", Data(0x200, std::vector<uint8_t>(122, 0x3C)) + "\r\n", true, 0,
                 At(0x200, std::vector<uint8_t>(122, 0x3C)), {}});
    c.push_back({"Line257Rejected", Data(0x200, std::vector<uint8_t>(123, 0x3C)) + "\r\n", true, -1, {}, {}});

    // Characters that are no hexadecimal digits.
    c.push_back({"NonHexDataByteStopsAtIt", ":0400000000112G33B8\r\n", true, -1, At(0, {0x00, 0x11}), {}});
    c.push_back({"NonHexChecksum", ":020000001122Z1\r\n", true, -1, At(0, {0x11, 0x22}), {}});
    c.push_back({"NonHexAddress", ":0200Q0001122CB\r\n", true, -1, {}, {}});
    c.push_back({"NonHexStoredConfig", kCfg + ":0200000011K200\r\n", true, -1, {}, {}});
    c.push_back({"NonHexSkippedConfigIgnored", kCfg + ":0200000011K200\r\n", false, 0, {}, {}});
    return c;
}

class HexRecords : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexRecords, ChangesExactlyTheNamedBytes)
{
    const HexCase& hc = GetParam();
    auto images = std::make_unique<ImageBuffers>();
    std::fill(std::begin(images->MasterImage), std::end(images->MasterImage), kMasterFill);
    std::fill(std::begin(images->ConfigImage), std::end(images->ConfigImage), kConfigFill);
    images->DumpSource = kDumpSentinel;
    RecordingHost host;

    EXPECT_EQ(ReadHexRecords(hc.text, hc.storeConfig, *images, host), hc.result);

    if (hc.result == 0)
        EXPECT_TRUE(host.log.empty());
    else
        EXPECT_EQ(host.log, std::vector<std::string>{kErr});

    for (uint32_t a = 0; a < ImageBuffers::kMasterSize; ++a) {
        auto it = hc.master.find(a);
        uint8_t want = it == hc.master.end() ? kMasterFill : it->second;
        ASSERT_EQ(images->MasterImage[a], want) << "MasterImage[" << a << "]";
    }
    for (uint32_t a = 0; a < ImageBuffers::kConfigSize; ++a) {
        auto it = hc.config.find(a);
        uint8_t want = it == hc.config.end() ? kConfigFill : it->second;
        EXPECT_EQ(images->ConfigImage[a], want) << "ConfigImage[" << a << "]";
    }
    // The byte behind ConfigImage in memory is untouched by configuration records.
    EXPECT_EQ(images->DumpSource, kDumpSentinel);
}

INSTANTIATE_TEST_SUITE_P(Reader, HexRecords, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HexCase>& i) { return std::string(i.param.name); });

// The same file with Windows, Unix and old Mac line ends.
TEST(HexLineEnds, CrLfLfAndCrReadAlike)
{
    const std::vector<std::string> lines = {
        Data(0, Seq(0x10, 16)), Data(0x10, Seq(0x20, 8)), ":020000040030CA", ":0300010007080900", ":00000001FF"};
    std::vector<std::unique_ptr<ImageBuffers>> results;
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (const auto& l : lines)
            text += l + eol;
        auto images = std::make_unique<ImageBuffers>();
        RecordingHost host;
        EXPECT_EQ(ReadHexRecords(text, true, *images, host), 0) << "line end " << (eol[0] == '\r' ? "CR" : "LF");
        EXPECT_TRUE(host.log.empty());
        EXPECT_EQ(images->MasterImage[0], 0x10);
        EXPECT_EQ(images->MasterImage[0x17], 0x27);
        EXPECT_EQ(images->MasterImage[0x18], 0xFF);
        EXPECT_EQ(images->ConfigImage[1], 0x07);
        EXPECT_EQ(images->ConfigImage[3], 0x09);
        results.push_back(std::move(images));
    }
    for (size_t i = 1; i < results.size(); ++i) {
        EXPECT_EQ(0, std::memcmp(results[0]->MasterImage, results[i]->MasterImage, ImageBuffers::kMasterSize));
        EXPECT_EQ(0, std::memcmp(results[0]->ConfigImage, results[i]->ConfigImage, ImageBuffers::kConfigSize));
    }
}

// A file as a Windows tool chain leaves it: CRLF after every line, including
// the last one.
TEST(HexLineEnds, FinalLineEndIsNoRecord)
{
    auto images = std::make_unique<ImageBuffers>();
    RecordingHost host;
    std::string text = Data(0, {0xEF, 0xBE}) + "\r\n" + ":00000001FF\r\n";
    EXPECT_EQ(ReadHexRecords(text, true, *images, host), 0);
    std::string noEnd = Data(0, {0xEF, 0xBE}) + "\r\n";
    EXPECT_EQ(ReadHexRecords(noEnd, true, *images, host), 0);
    EXPECT_TRUE(host.log.empty());
}

// The reader is given only the bytes of the view; what lies behind them in
// memory is never read as part of the last line.
TEST(HexBounds, LastLineEndsAtTheView)
{
    const std::string full = Data(0, {1, 2, 3}) + "FFFF";
    auto images = std::make_unique<ImageBuffers>();
    RecordingHost host;
    EXPECT_EQ(ReadHexRecords(std::string_view(full.data(), full.size() - 4), true, *images, host), 0);
    EXPECT_EQ(images->MasterImage[2], 3);
    EXPECT_EQ(images->MasterImage[3], 0xFF);
}

TEST(HexDigit, ValuesOfAllCharacters)
{
    for (int c = 0; c < 256; ++c) {
        int want = -1;
        if (c >= '0' && c <= '9')
            want = c - '0';
        else if (c >= 'A' && c <= 'F')
            want = c - 'A' + 10;
        EXPECT_EQ(HexDigitValue(static_cast<char>(c)), want) << "char " << c;
    }
}

} // namespace
} // namespace korv
