// Container enciphering and the ".CRP" "BOOT" loader: deciphering in memory
// into the record reader, failures, and no file left behind either way.
#include "CryptoTestSupport.h"

#include "image/Container.h"
#include "image/ContainerCipher.h"
#include "image/HexReader.h"
#include "image/ImageKey.h"
#include "image/Loaders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace korv {
namespace {

using test::Bytes;
using test::CoreOnHost;
using test::ScratchDir;

const uint8_t kOtherKey[kImageKeyBytes] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 0x01, 0x23};

std::vector<uint8_t> Encipher(std::vector<uint8_t> data, const uint8_t* key = nullptr)
{
    Rc6w8r8b10 cipher;
    if (key) {
        cipher.KeySchedule(key);
    } else {
        ImageKey k;
        cipher.KeySchedule(k.bytes());
    }
    EncipherContainer(cipher, data.data(), data.size());
    return data;
}

TEST(ContainerCipher, FullGroupsEncipheredShortTailKeptPlain)
{
    Rc6w8r8b10 cipher;
    cipher.KeySchedule(kOtherKey);
    for (size_t size : {0u, 4u, 8u, 4096u, 4097u, 4098u, 4099u, 1u, 2u, 3u}) {
        std::vector<uint8_t> plain(size);
        for (size_t i = 0; i < size; ++i)
            plain[i] = static_cast<uint8_t>(i * 7 + 3);
        std::vector<uint8_t> c = plain;
        EncipherContainer(cipher, c.data(), c.size());

        const size_t full = size / 4 * 4;
        for (size_t p = 0; p < full; p += 4) {
            // Each group on its own, no chaining: DecryptBlock of the group
            // alone gives the plain group.
            const CipherBlock got = cipher.DecryptBlock({c[p], c[p + 1], c[p + 2], c[p + 3]});
            ASSERT_EQ(got, (CipherBlock{plain[p], plain[p + 1], plain[p + 2], plain[p + 3]})) << size << "@" << p;
        }
        for (size_t p = full; p < size; ++p)
            EXPECT_EQ(c[p], plain[p]) << "tail byte " << p << " of " << size;
        if (full) {
            EXPECT_NE(std::vector<uint8_t>(c.begin(), c.begin() + full),
                      std::vector<uint8_t>(plain.begin(), plain.begin() + full));
        }

        DecipherContainer(cipher, c.data(), c.size());
        EXPECT_EQ(c, plain) << size;
    }
}

// One small "BOOT" loader image: two program records and a configuration
// block that a .CRP load must skip.
const std::string kBootHex =
    ":020000040000FA\n"
    ":100000000102030405060708090A0B0C0D0E0F1068\n"
    ":04001000A1B2C3D402\n"
    ":020000040030CA\n"
    ":0E000000112233445566778899AABBCCDDEEF9\n"
    ":00000001FF\n";

struct CrpFixture : ::testing::Test {
    CrpFixture() : env(kProfile4620, true)
    {
        std::memset(env.core->images.ConfigImage, 0xFF, sizeof env.core->images.ConfigImage);
        env.core->images.MasterImage[0x20] = 0x5A;
    }
    std::string Place(const std::string& name, const std::vector<uint8_t>& bytes, bool newChip = true)
    {
        const std::string path = dir.File(name);
        EXPECT_TRUE(test::WriteBytes(path, bytes));
        env.host.SetText(newChip ? "Form_Param.Edit2" : "Form_Param.Edit5", path);
        return path;
    }
    const uint8_t* master() const { return env.core->images.MasterImage; }
    const uint8_t* config() const { return env.core->images.ConfigImage; }

    ScratchDir dir;
    CoreOnHost env;
};

TEST_F(CrpFixture, LoadsTheProgramRecordsSkipsConfigurationAndMasks)
{
    Place("boot.crp", Encipher(Bytes(kBootHex)));
    test::PrivateWorkingDir cwd;
    ASSERT_TRUE(cwd.ok());
    const auto before = dir.List();

    ASSERT_EQ(ExecuteCRPtoHex(*env.core, 1), 0);

    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(master()[i], i + 1) << i;
    EXPECT_EQ(master()[0x10], 0xA1);
    EXPECT_EQ(master()[0x13], 0xD4);
    EXPECT_EQ(master()[0x14], 0xFF);
    EXPECT_EQ(master()[0x20], 0x5A) << "bytes the file does not name stay";
    // Configuration records are skipped; the mask still runs (0xFF bytes
    // become the masked values, not the file's 0x11, 0x22 ...).
    EXPECT_EQ(config()[0], 0x00);
    EXPECT_EQ(config()[1], 0x27);
    EXPECT_EQ(config()[13], 0x40);
    EXPECT_TRUE(env.host.errors.empty());

    EXPECT_EQ(dir.List(), before) << "no temporary file beside the source";
    EXPECT_TRUE(cwd.List().empty()) << "nothing in the working directory";
    // The plain text does not stay in the buffer either.
    EXPECT_EQ(std::string_view(env.core->images.FileText, 4).find(':'), std::string_view::npos);
}

TEST_F(CrpFixture, OldChipReadsTheFileOfEdit5)
{
    env.core->chip.SetIdentified(env.host, kProfile4620, false);
    Place("wrong.crp", Encipher(Bytes(":010000009966\n")), true); // Edit2: not used
    Place("boot452.crp", Encipher(Bytes(kBootHex)), false);
    ASSERT_EQ(ExecuteCRPtoHex(*env.core, 1), 0);
    EXPECT_EQ(master()[0], 0x01);
}

TEST_F(CrpFixture, BadTextWrongKeyAndDamageFailWithTheFormatMessage)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> container;
    };
    std::string badSum = kBootHex;
    badSum[16 + 41] = '9'; // checksum of the first data record
    std::vector<uint8_t> damaged = Encipher(Bytes(kBootHex));
    damaged[20] ^= 0x01;
    const Case cases[] = {
        {"checksum wrong inside", Encipher(Bytes(badSum))},
        {"enciphered with another key", Encipher(Bytes(kBootHex), kOtherKey)},
        {"plain HEX named .crp", Bytes(kBootHex)},
        {"one bit flipped", damaged},
        // Noise whose first byte is the DOS end-of-file mark must not pass
        // for an empty file.
        {"noise starting with Ctrl-Z", Encipher(Bytes(std::string("\x1A\x5C\xE1:0\r\n\x93\x11\x1A\x00\x7F", 11)))},
    };
    test::PrivateWorkingDir cwd;
    ASSERT_TRUE(cwd.ok());
    for (const auto& c : cases) {
        CoreOnHost fresh(kProfile4620, true);
        std::memset(fresh.core->images.ConfigImage, 0xFF, sizeof fresh.core->images.ConfigImage);
        const std::string path = dir.File("bad.crp");
        ASSERT_TRUE(test::WriteBytes(path, c.container));
        fresh.host.SetText("Form_Param.Edit2", path);
        const auto before = dir.List();

        EXPECT_EQ(ExecuteCRPtoHex(*fresh.core, 1), -1) << c.what;
        EXPECT_TRUE(fresh.host.Logged("Ошибка формата или КС")) << c.what;
        EXPECT_EQ(fresh.core->images.ConfigImage[1], 0xFF) << c.what << ": MaskConfigWrite must not run";
        EXPECT_TRUE(fresh.host.errors.empty()) << c.what;
        EXPECT_EQ(dir.List(), before) << c.what;
        EXPECT_TRUE(cwd.List().empty()) << c.what;
    }
}

TEST_F(CrpFixture, EmptyFileLoadsNothingAndSucceeds)
{
    Place("empty.crp", {});
    std::vector<uint8_t> snapshot(master(), master() + ImageBuffers::kMasterSize);
    ASSERT_EQ(ExecuteCRPtoHex(*env.core, 1), 0);
    EXPECT_EQ(std::vector<uint8_t>(master(), master() + ImageBuffers::kMasterSize), snapshot);
    EXPECT_EQ(dir.List(), std::set<std::string>{"empty.crp"});
}

TEST_F(CrpFixture, FileErrorsShowTheSystemMessage)
{
    // Missing file.
    env.host.SetText("Form_Param.Edit2", dir.File("absent.crp"));
    EXPECT_EQ(ExecuteCRPtoHex(*env.core, 1), -1);
    ASSERT_EQ(env.host.errors.size(), 1u);
    EXPECT_EQ(env.host.errors[0], std::strerror(ENOENT));

    // A folder in place of the file.
    env.host.SetText("Form_Param.Edit2", dir.path());
    EXPECT_EQ(ExecuteCRPtoHex(*env.core, 1), -1);
    EXPECT_EQ(env.host.errors.size(), 2u);

    // Larger than the container buffer: refused, nothing deciphered.
    Place("huge.crp", std::vector<uint8_t>(kContainerCapacity + 1, 0x3A));
    EXPECT_EQ(ExecuteCRPtoHex(*env.core, 1), -1);
    ASSERT_EQ(env.host.errors.size(), 3u);
    EXPECT_EQ(env.host.errors[2], std::strerror(EFBIG));
    EXPECT_FALSE(env.host.Logged("Ошибка формата или КС"));
    EXPECT_EQ(dir.List(), std::set<std::string>{"huge.crp"});
}

TEST_F(CrpFixture, ContainerOfExactlyTheBufferSizeIsAccepted)
{
    // Padding of blank lines up to the limit: the reader skips them.
    std::string text = kBootHex;
    text.append(kContainerCapacity - text.size(), '\n');
    Place("full.crp", Encipher(Bytes(text)));
    EXPECT_EQ(ExecuteCRPtoHex(*env.core, 1), 0);
    EXPECT_EQ(master()[15], 0x10);
}

TEST_F(CrpFixture, OnlySourceOneIsAFile)
{
    Place("boot.crp", Encipher(Bytes(kBootHex)));
    EXPECT_EQ(ExecuteCRPtoHex(*env.core, 0), -1);
    EXPECT_EQ(master()[0], 0xFF);
}

// The main window's "BOOT" command with a .CRP path, loader hooks installed
// as the application does.
TEST_F(CrpFixture, BootCommandLoadsACrpThroughTheHook)
{
    InstallContainerLoaders(env.core->loaderHooks);
    const std::string path = Place("Boot.CRP", Encipher(Bytes(kBootHex)));
    ASSERT_EQ(SpeedButton3Click(*env.core), 0);
    EXPECT_TRUE(env.host.Logged("Загружен файл " + path + "."));
    EXPECT_EQ(master()[1], 0x02);

    Place("Boot.CRP", Encipher(Bytes(kBootHex), kOtherKey));
    EXPECT_EQ(SpeedButton3Click(*env.core), -1);
    EXPECT_EQ(env.host.Text("Prog12.Label3"), "Ошибка загрузки " + path);
    EXPECT_EQ(dir.List(), std::set<std::string>{"Boot.CRP"});
}

// The sample boot loaders built beside the programs: the .CRP gives exactly
// what the .HEX gives (configuration aside), and stays in the boot area.
TEST(SampleBootLoaders, CrpMatchesHexAndStaysInTheBootArea)
{
    struct Case {
        const char* file;
        bool newChip;
        size_t bootBytes;
    };
    for (const Case& c : {Case{"Boot4620", true, 0x800}, Case{"Boot452", false, 0x300}}) {
        const std::string base = std::string(KORV_BINARY_DIR) + "/bin/" + c.file;
        const char* field = c.newChip ? "Form_Param.Edit2" : "Form_Param.Edit5";

        CoreOnHost viaHex(kProfile4620, c.newChip);
        viaHex.host.SetText(field, base + ".HEX");
        ASSERT_EQ(ExecuteHex(*viaHex.core), 0) << c.file;

        CoreOnHost viaCrp(kProfile4620, c.newChip);
        viaCrp.host.SetText(field, base + ".CRP");
        const auto binBefore = ScratchDir::ListDir(std::string(KORV_BINARY_DIR) + "/bin");
        ASSERT_EQ(ExecuteCRPtoHex(*viaCrp.core, 1), 0) << c.file;
        EXPECT_EQ(ScratchDir::ListDir(std::string(KORV_BINARY_DIR) + "/bin"), binBefore);

        const uint8_t* a = viaHex.core->images.MasterImage;
        const uint8_t* b = viaCrp.core->images.MasterImage;
        EXPECT_TRUE(std::equal(a, a + ImageBuffers::kMasterSize, b)) << c.file;
        EXPECT_NE(b[0], 0xFF) << c.file << ": reset vector present";
        for (size_t p = c.bootBytes; p < ImageBuffers::kMasterSize; ++p)
            ASSERT_EQ(b[p], 0xFF) << c.file << " writes outside its boot area at " << p;
        // The .HEX carries configuration (stored by ExecuteHex: HS oscillator).
        EXPECT_EQ(viaHex.core->images.ConfigImage[1] & 0x07, 0x02) << c.file;
    }
}

} // namespace
} // namespace korv
