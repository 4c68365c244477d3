// The embedded update images of both deliverables, loaded end to end through
// the main window's update-image command with the loader hooks installed.
#include "CryptoTestSupport.h"
#include "ScrambleReference.h"

#include "image/Container.h"
#include "image/EmbeddedImages.h"
#include "image/HexReader.h"
#include "image/Loaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace korv {
namespace {

struct ImageCase {
    const VariantProfile* profile;
    bool newChip;
    const char* resource;
    const char* source;   // assembled firmware in the build tree
    const char* status;
    bool scrambled;
    uint32_t base;        // the firmware's reset vector
    uint32_t W;
};
const ImageCase kImages[] = {
    {&kProfile4620, true, "DATAARRAY1", "korv4620", "Загружен Файл Korv4620Ver36", true, 0x800, 0x8000},
    {&kProfile4620, false, "DATAARRAY", "korv452", "Загружен Файл KorvVer36", true, 0x300, 0x4000},
    {&kProfile2520, true, "DATAARRAY1", "korv2520", "Загружен Файл V43_Korv_2520", false, 0x000, 0x4000},
    {&kProfile2520, false, "DATAARRAY", "korv252", "Загружен Файл V43_Korv_252", false, 0x000, 0x4000},
};

std::string Name(const ImageCase& c) { return std::string(c.profile->programName) + " " + c.resource; }

// The plain firmware as the assembler wrote it, read by the same reader.
struct Reference {
    explicit Reference(const ImageCase& c, const UiHost& indicators) : buf(std::make_unique<ImageBuffers>())
    {
        const std::string path = std::string(KORV_BINARY_DIR) + "/resources/generated/" + c.source + ".HEX";
        const auto bytes = test::ReadBytes(path);
        text.assign(bytes.begin(), bytes.end());
        ok = !text.empty() && ReadHexRecords(text, true, *buf, host) == 0;
        MaskConfigWrite(*c.profile, indicators, buf->ConfigImage);
    }
    std::unique_ptr<ImageBuffers> buf;
    RecordingHost host;
    std::string text;
    bool ok = false;
};

TEST(EmbeddedImages, EachVariantCarriesBothOfItsOwnImages)
{
    for (const auto& c : kImages) {
        const EmbeddedImage* img = FindEmbeddedImage(*c.profile, c.resource);
        ASSERT_NE(img, nullptr) << Name(c);
        EXPECT_EQ(img->variant, c.profile->variant);
        EXPECT_GT(img->size, 0u);
        EXPECT_STREQ(img->name, c.resource);
    }
    EXPECT_NE(FindEmbeddedImage(kProfile4620, "DATAARRAY"), FindEmbeddedImage(kProfile2520, "DATAARRAY"));
    EXPECT_EQ(FindEmbeddedImage(kProfile4620, "DATAARRAY2"), nullptr);
    EXPECT_EQ(FindEmbeddedImage(kProfile4620, nullptr), nullptr);
    // The profile names the images by chip.
    for (const auto& c : kImages)
        EXPECT_STREQ((c.newChip ? c.profile->newChip : c.profile->oldChip).resourceName, c.resource);
}

TEST(EmbeddedImages, UpdateCommandLoadsTheChipsImage)
{
    for (const auto& c : kImages) {
        SCOPED_TRACE(Name(c));
        test::CoreOnHost env(*c.profile, c.newChip);
        InstallContainerLoaders(env.core->loaderHooks);
        uint8_t* m = env.core->images.MasterImage;
        // Leftovers of an earlier load in the active part, which the command
        // erases first; the bytes behind it start erased.
        std::memset(m, 0x00, 2 * c.W);
        std::memset(env.core->images.ConfigImage, 0x5A, ImageBuffers::kConfigSize);
        test::PrivateWorkingDir cwd;
        ASSERT_TRUE(cwd.ok());

        ASSERT_EQ(SpeedButton7Click(*env.core), 0);
        EXPECT_EQ(env.host.Text("Prog12.Label3"), c.status);
        EXPECT_TRUE(env.host.errors.empty());
        EXPECT_TRUE(cwd.List().empty()) << "no temporary file in the working directory";

        Reference ref(c, env.host);
        ASSERT_TRUE(ref.ok) << "assembled image missing or unreadable";
        const uint8_t* plain = ref.buf->MasterImage;
        const uint32_t end = 2 * c.W;
        const uint32_t first = 2 * env.core->chip.BootWords;

        // The firmware begins with a GOTO at its reset vector and lies
        // inside the chip's program memory.
        EXPECT_EQ(plain[c.base + 1], 0xEF);
        EXPECT_TRUE(std::all_of(plain + end, plain + ImageBuffers::kMasterSize, [](uint8_t b) { return b == 0xFF; }));
        // Configuration records are stored (and masked).
        EXPECT_TRUE(std::equal(ref.buf->ConfigImage, ref.buf->ConfigImage + 14, env.core->images.ConfigImage));
        EXPECT_EQ(env.core->images.ConfigImage[1] & 0x07, 0x02) << "HS oscillator";

        if (c.scrambled) {
            ASSERT_EQ(first, c.base);
            // Application area only: nothing in the boot area, which stays erased.
            EXPECT_TRUE(std::all_of(plain, plain + first, [](uint8_t b) { return b == 0xFF; }));
            EXPECT_TRUE(std::all_of(m, m + first, [](uint8_t b) { return b == 0xFF; }));
            EXPECT_FALSE(std::equal(m + first, m + end, plain + first)) << "left plain";
            const auto restored = test::Descramble(m, first, end);
            EXPECT_TRUE(std::equal(restored.begin(), restored.end(), plain + first)) << "module cannot restore it";
            const test::PlainSums sums = test::SumsOf(restored, first);
            EXPECT_EQ(m[end + 1], sums.even);
            EXPECT_EQ(m[end + 2], sums.odd);
            EXPECT_EQ(m[end], 0xFF);
        } else {
            // Whole firmware from address 0, as written, no sums behind it.
            EXPECT_TRUE(std::equal(m, m + end, plain));
            EXPECT_EQ(m[end + 1], 0xFF);
            EXPECT_EQ(m[end + 2], 0xFF);
        }
    }
}

TEST(EmbeddedImages, ReloadingScramblesThePlainImageAgainNotTwice)
{
    test::CoreOnHost env(kProfile4620, true);
    InstallContainerLoaders(env.core->loaderHooks);
    ASSERT_EQ(SpeedButton7Click(*env.core), 0);
    const std::vector<uint8_t> first(env.core->images.MasterImage, env.core->images.MasterImage + ImageBuffers::kMasterSize);
    ASSERT_EQ(SpeedButton7Click(*env.core), 0);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), env.core->images.MasterImage));
}

TEST(EmbeddedImages, ChipIndicatorPicksTheImage)
{
    // The two images of a variant differ; the indicator, not the sizes,
    // chooses: with Prog4520 ticked the larger chip's image is read.
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        test::CoreOnHost big(*p, true), small(*p, false);
        // Same sizes in both cores, so only the indicator differs.
        small.core->chip.ProgramWords = big.core->chip.ProgramWords;
        small.core->chip.BootWords = big.core->chip.BootWords;
        ASSERT_EQ(ExecuteResurse(*big.core, 0), 0);
        ASSERT_EQ(ExecuteResurse(*small.core, 0), 0);
        const uint8_t* a = big.core->images.MasterImage;
        const uint8_t* b = small.core->images.MasterImage;
        EXPECT_FALSE(std::equal(a, a + ImageBuffers::kMasterSize, b)) << p->programName;
    }
}

TEST(EmbeddedImages, MissingImageFailsCleanly)
{
    VariantProfile bare = kProfile4620;
    bare.variant = static_cast<Variant>(0x7F); // no resource library registers this
    test::CoreOnHost env(bare, true);
    InstallContainerLoaders(env.core->loaderHooks);
    EXPECT_EQ(SpeedButton7Click(*env.core), -1);
    EXPECT_EQ(env.host.Text("Prog12.Label3"), "Ошибка загрузки");
    ASSERT_EQ(env.host.errors.size(), 1u);
    EXPECT_EQ(env.host.errors[0], "Ресурс DATAARRAY1 не найден.") << "named in the operator's language";
    EXPECT_EQ(ExecuteResurse(*env.core, 1), -1) << "only source 0 is the embedded image";
}

// Each program carries its own two images and not the other variant's.
TEST(EmbeddedImages, ProgramsEmbedOnlyTheirOwnImages)
{
    int checked = 0;
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        const auto exe = test::ReadBytes(std::string(KORV_BINARY_DIR) + "/bin/" + p->programName);
        if (exe.empty())
            continue;
        ++checked;
        for (const auto& c : kImages) {
            const EmbeddedImage* img = FindEmbeddedImage(*c.profile, c.resource);
            ASSERT_NE(img, nullptr);
            const size_t probe = std::min<size_t>(img->size, 64);
            const bool found = std::search(exe.begin(), exe.end(), img->data, img->data + probe) != exe.end();
            EXPECT_EQ(found, c.profile == p) << p->programName << " and " << Name(c);
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "no program built in " << KORV_BINARY_DIR << "/bin";
}

} // namespace
} // namespace korv
