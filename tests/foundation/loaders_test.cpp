// The two image-load commands end to end over files in a scratch folder:
// the "BOOT" loader load (SpeedButton3Click, ExecuteHex) and the update
// image load (SpeedButton7Click) with the hooks of the enciphered loaders.
#include "image/HexReader.h"
#include "image/Loaders.h"

#include "FoundationTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace korv {
namespace {

using testutil::CoreFixture;
using testutil::Data;
using testutil::Seq;
using testutil::TempDir;
using testutil::WriteFile;

constexpr uint8_t kUpdateByte = 0x3C; // stands for the update image already in MasterImage

// A "BOOT" loader file: two program records and a configuration area.
std::string BootHex()
{
    return Data(0x0000, {0xEF, 0x04, 0xF0, 0x00}) + "\r\n" + Data(0x0010, Seq(0x80, 8)) + "\r\n" +
           ":020000040030CA\r\n" + ":0E000000" + std::string(28, 'F') + "00\r\n" + ":00000001FF\r\n";
}

class BootLoad : public ::testing::Test {
protected:
    void Prepare(CoreFixture& f, bool newChip)
    {
        f.host.SetChecked("Prog12.Prog4520", newChip);
        f.host.SetText("Form_Param.Edit2", dir / "boot4620.hex");
        f.host.SetText("Form_Param.Edit5", dir / "boot452.HEX");
        f.host.SetText("Prog12.Label3", "previous");
        std::fill(std::begin(f.core->images.MasterImage), std::end(f.core->images.MasterImage), kUpdateByte);
        f.core->images.DumpSource = kDumpChip;
    }
    TempDir dir;
};

// modupd4620 reads Edit2 for the PIC18F4620 and Edit5 for the PIC18F452;
// the file's records are laid over the update image.
TEST_F(BootLoad, HexFileOfTheIndicatedChip)
{
    for (bool newChip : {true, false}) {
        SCOPED_TRACE(newChip ? "PIC18F4620" : "PIC18F452");
        CoreFixture f(kProfile4620);
        Prepare(f, newChip);
        const std::string path = newChip ? dir / "boot4620.hex" : dir / "boot452.HEX";
        WriteFile(path, BootHex());
        WriteFile(newChip ? dir / "boot452.HEX" : dir / "boot4620.hex", Data(0, {0x11}) + "\r\n");

        EXPECT_EQ(SpeedButton3Click(*f.core), 0);
        EXPECT_EQ(f.host.log, std::vector<std::string>{"Загружен файл " + path + "."});
        EXPECT_EQ(f.host.Text("Prog12.Label3"), "previous");
        EXPECT_EQ(f.core->images.DumpSource, kDumpMaster);
        const uint8_t* m = f.core->images.MasterImage;
        EXPECT_EQ(m[0], 0xEF);
        EXPECT_EQ(m[3], 0x00);
        EXPECT_EQ(m[4], kUpdateByte);
        EXPECT_EQ(m[0x10], 0x80);
        EXPECT_EQ(m[0x17], 0x87);
        EXPECT_EQ(m[0x18], kUpdateByte);
        EXPECT_EQ(m[0xFFFF], kUpdateByte);
        // Configuration stored, then cleaned with the modupd4620 masks.
        EXPECT_EQ(f.core->images.ConfigImage[0], 0x00);
        EXPECT_EQ(f.core->images.ConfigImage[1], 0x27);
        EXPECT_EQ(f.core->images.ConfigImage[6], 0x85);
        EXPECT_EQ(f.core->images.ConfigImage[13], 0x40);
    }
}

struct FailCase {
    const char* name;
    const char* file;       // name of the file Edit2 names
    const char* content;    // nullptr: the file does not exist
    std::vector<std::string> log; // "%p" stands for the path
};

class BootLoadFails : public BootLoad, public ::testing::WithParamInterface<FailCase> {};

TEST_P(BootLoadFails, ReportsAndLeavesTheImage)
{
    const FailCase& fc = GetParam();
    CoreFixture f(kProfile4620);
    Prepare(f, true);
    const std::string path = dir / fc.file;
    f.host.SetText("Form_Param.Edit2", path);
    if (fc.content)
        WriteFile(path, fc.content);
    uint8_t configBefore[14];
    for (int i = 0; i < 14; ++i)
        f.core->images.ConfigImage[i] = configBefore[i] = static_cast<uint8_t>(0xF0 + i);

    EXPECT_EQ(SpeedButton3Click(*f.core), -1);

    std::vector<std::string> want;
    for (std::string l : fc.log) {
        size_t p = l.find("%p");
        if (p != std::string::npos)
            l.replace(p, 2, path);
        want.push_back(l);
    }
    EXPECT_EQ(f.host.log, want);
    EXPECT_EQ(f.host.Text("Prog12.Label3"), "Ошибка загрузки " + path);
    EXPECT_EQ(f.core->images.DumpSource, kDumpChip);
    EXPECT_TRUE(f.host.errors.empty());
    // No MaskConfigWrite after a failed load.
    EXPECT_EQ(0, std::memcmp(f.core->images.ConfigImage, configBefore, 14));
}

INSTANTIATE_TEST_SUITE_P(
    Loader, BootLoadFails,
    ::testing::Values(FailCase{"Missing", "absent.hex", nullptr, {"Файл %p не найден."}},
                      FailCase{"WrongExtension", "boot.txt", ":00000001FF\r\n", {"Неправильное расширение файла."}},
                      FailCase{"NoExtension", "boot", ":00000001FF\r\n", {"Неправильное расширение файла."}},
                      FailCase{"BadChecksum", "boot.hex",
                               // Configuration bytes as they were, then a tested record that fails.
                               ":020000040030CA\r\n:0E000000F0F1F2F3F4F5F6F7F8F9FAFBFCFD00\r\n"
                               ":0400000512345678E4\r\n",
                               {"Ошибка формата или КС"}},
                      FailCase{"CrpWithoutDecipherer", "boot.crp", "xxxx", {}}),
    [](const ::testing::TestParamInfo<FailCase>& i) { return std::string(i.param.name); });

// A folder named like a HEX file is no file.
TEST_F(BootLoad, FolderIsNotFound)
{
    CoreFixture f(kProfile4620);
    Prepare(f, false);
    const std::string path = dir / "boot452.HEX";
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(SpeedButton3Click(*f.core), -1);
    EXPECT_EQ(f.host.log, std::vector<std::string>{"Файл " + path + " не найден."});
    EXPECT_TRUE(f.host.errors.empty());
}

// ".CRP" goes to the decipherer with source 1; its verdict decides.
TEST_F(BootLoad, CrpFileGoesToTheHook)
{
    for (int verdict : {0, -1}) {
        CoreFixture f(kProfile4620);
        Prepare(f, true);
        const std::string path = dir / "boot.Crp";
        f.host.SetText("Form_Param.Edit2", path);
        WriteFile(path, "enciphered");
        std::vector<int> sources;
        f.core->loaderHooks.ExecuteCRPtoHex = [&](AppCore& c, int source) {
            EXPECT_EQ(&c, f.core.get());
            sources.push_back(source);
            return verdict;
        };
        EXPECT_EQ(SpeedButton3Click(*f.core), verdict);
        EXPECT_EQ(sources, std::vector<int>{1});
        if (verdict == 0) {
            EXPECT_EQ(f.host.log, std::vector<std::string>{"Загружен файл " + path + "."});
            EXPECT_EQ(f.core->images.DumpSource, kDumpMaster);
            EXPECT_EQ(f.host.Text("Prog12.Label3"), "previous");
        } else {
            EXPECT_TRUE(f.host.log.empty());
            EXPECT_EQ(f.host.Text("Prog12.Label3"), "Ошибка загрузки " + path);
            EXPECT_EQ(f.core->images.DumpSource, kDumpChip);
        }
    }
}

// A file that cannot be read ends the command with the system's message.
TEST_F(BootLoad, UnreadableFileShowsTheSystemMessage)
{
    CoreFixture f(kProfile4620);
    Prepare(f, true);
    const std::string path = dir / "boot4620.hex";
    std::string big(ImageBuffers::kFileTextSize + 1, '\n');
    WriteFile(path, big);
    EXPECT_EQ(SpeedButton3Click(*f.core), -1);
    EXPECT_EQ(f.host.errors, std::vector<std::string>{std::strerror(EFBIG)});
    EXPECT_EQ(f.host.Text("Prog12.Label3"), "Ошибка загрузки " + path);
    EXPECT_EQ(f.core->images.MasterImage[0], kUpdateByte);

    // ExecuteHex on its own, with a path that names nothing.
    f.host.errors.clear();
    f.host.SetText("Form_Param.Edit2", dir / "nothing.hex");
    EXPECT_EQ(ExecuteHex(*f.core), -1);
    EXPECT_EQ(f.host.errors, std::vector<std::string>{std::strerror(ENOENT)});
}

// A file exactly as large as the buffer still loads.
TEST_F(BootLoad, FileFillingTheBufferLoads)
{
    CoreFixture f(kProfile4620);
    Prepare(f, true);
    std::string text = Data(0x40, {0x12, 0x34}) + "\r\n";
    text += std::string(ImageBuffers::kFileTextSize - text.size(), '\n');
    WriteFile(dir / "boot4620.hex", text);
    EXPECT_EQ(SpeedButton3Click(*f.core), 0);
    EXPECT_EQ(f.core->images.MasterImage[0x41], 0x34);
    EXPECT_TRUE(f.host.errors.empty());
}

// modupd2520 has no "BOOT" load: nothing is read, logged or changed.
TEST_F(BootLoad, AbsentInModupd2520)
{
    CoreFixture f(kProfile2520);
    Prepare(f, true);
    WriteFile(dir / "boot4620.hex", BootHex());
    EXPECT_EQ(SpeedButton3Click(*f.core), -1);
    EXPECT_TRUE(f.host.log.empty());
    EXPECT_EQ(f.host.Text("Prog12.Label3"), "previous");
    EXPECT_EQ(f.core->images.MasterImage[0], kUpdateByte);
    EXPECT_EQ(f.core->images.DumpSource, kDumpChip);
}

// ExecuteHex cleans the configuration with the masks of the variant and,
// in modupd2520, of the indicated chip.
TEST_F(BootLoad, ExecuteHexMasksByVariant)
{
    struct {
        const VariantProfile* profile;
        bool newChip;
        uint8_t config1h, config2h;
    } rows[] = {{&kProfile4620, true, 0x27, 0x00}, {&kProfile2520, true, 0xCF, 0x1F}, {&kProfile2520, false, 0x27, 0x0F}};
    for (const auto& r : rows) {
        CoreFixture f(*r.profile);
        Prepare(f, r.newChip);
        // CONFIG1H = FF, CONFIG2H = 00 (unprogrammed in the file).
        WriteFile(dir / (r.newChip ? "boot4620.hex" : "boot452.HEX"),
                  ":020000040030CA\r\n:0400000000FF0000FF\r\n:00000001FF\r\n");
        EXPECT_EQ(ExecuteHex(*f.core), 0);
        EXPECT_EQ(f.core->images.ConfigImage[1], r.config1h) << r.profile->programName;
        EXPECT_EQ(f.core->images.ConfigImage[3], r.config2h) << r.profile->programName;
    }
}

struct UpdateCase {
    const char* name;
    const VariantProfile* profile;
    bool newChip;
    uint32_t eraseBytes;
    const char* status;
};

class UpdateLoad : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateLoad, ErasesActivePartThenLoads)
{
    const UpdateCase& uc = GetParam();
    CoreFixture f(*uc.profile);
    f.core->chip.SetIdentified(f.host, *uc.profile, uc.newChip);
    std::fill(std::begin(f.core->images.MasterImage), std::end(f.core->images.MasterImage), 0x00);
    std::vector<int> sources;
    bool erasedBeforeLoad = false;
    f.core->loaderHooks.ExecuteResurse = [&](AppCore& c, int source) {
        sources.push_back(source);
        erasedBeforeLoad = c.images.MasterImage[0] == 0xFF && c.images.MasterImage[uc.eraseBytes - 1] == 0xFF &&
                           c.images.MasterImage[uc.eraseBytes] == 0x00;
        return 0;
    };
    EXPECT_EQ(SpeedButton7Click(*f.core), 0);
    EXPECT_EQ(sources, std::vector<int>{0});
    EXPECT_TRUE(erasedBeforeLoad);
    EXPECT_EQ(f.host.Text("Prog12.Label3"), uc.status);

    f.core->loaderHooks.ExecuteResurse = [](AppCore&, int) { return -1; };
    EXPECT_EQ(SpeedButton7Click(*f.core), -1);
    EXPECT_EQ(f.host.Text("Prog12.Label3"), "Ошибка загрузки");

    // Without a loader of embedded images the load fails the same way.
    f.host.SetText("Prog12.Label3", "");
    f.core->loaderHooks.ExecuteResurse = nullptr;
    EXPECT_EQ(SpeedButton7Click(*f.core), -1);
    EXPECT_EQ(f.host.Text("Prog12.Label3"), "Ошибка загрузки");
}

INSTANTIATE_TEST_SUITE_P(
    Variants, UpdateLoad,
    ::testing::Values(UpdateCase{"M4620_4620", &kProfile4620, true, 65536, "Загружен Файл Korv4620Ver36"},
                      UpdateCase{"M4620_452", &kProfile4620, false, 32768, "Загружен Файл KorvVer36"},
                      UpdateCase{"M2520_2520", &kProfile2520, true, 32768, "Загружен Файл V43_Korv_2520"},
                      UpdateCase{"M2520_252", &kProfile2520, false, 32768, "Загружен Файл V43_Korv_252"}),
    [](const ::testing::TestParamInfo<UpdateCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace korv
