// The settings file: its path, the start-up read and the shutdown write
// under both profiles.
#include "app/Settings.h"

#include "FoundationTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace korv {
namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

struct PathCase {
    const char* cwd;
    const char* exe;
    const char* want;
};

class SettingsPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SettingsPath, WorkingDirectoryAndExecutableName)
{
    EXPECT_EQ(BuildSettingsPath(GetParam().cwd, GetParam().exe), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SettingsPath,
    ::testing::Values(PathCase{"/home/op/run", "/opt/korv/bin/modupd4620", "/home/op/run/modupd4620.ini"},
                      PathCase{"/w", "/opt/korv/modupd2520.exe", "/w/modupd2520.ini"},
                      PathCase{"/w", "/opt/x.exe", "/w/x.ini"},                  // renamed executable
                      PathCase{"/w", "/opt/korv-1.2/modupd4620", "/w/modupd4620.ini"}, // dotted folder
                      PathCase{"/w/", "./x.tar.gz", "/w/x.tar.ini"},
                      PathCase{"/", "/usr/bin/modupd4620", "/modupd4620.ini"},
                      PathCase{"/w", "modupd4620", "/w/modupd4620.ini"}));

// The running process: the working directory, not the executable's folder.
TEST(SettingsPathProcess, UsesTheWorkingDirectory)
{
    char saved[PATH_MAX];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    TempDir dir;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    char real[PATH_MAX];
    ASSERT_NE(::getcwd(real, sizeof real), nullptr);
    std::string path = SettingsPathForProcess("ignored");
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(path, std::string(real) + "/korv_foundation_tests.ini");
}

// A settings file written by hand on a workshop PC.
const std::string kFile =
    "[FormConfig]\r\n"
    "ConfigWrite[0]=0\r\n"
    "ConfigWrite[1]=0x26\r\n"
    "ConfigWrite[2]=256\r\n"
    "ConfigWrite[3]=511\r\n"
    "ConfigWrite[4]=-1\r\n"
    "ConfigWrite[5]=abc\r\n"
    "configwrite[6]= 133 \r\n"
    "ConfigWrite[8]=0X0F\r\n"
    "ConfigWrite[13]=64\r\n"
    "\r\n"
    "[Form_Param]\r\n"
    "Edit1=/srv/fw/update.bin\r\n"
    "Edit2=/srv/fw/boot4620.hex\r\n"
    "Edit5=/srv/fw/boot452.crp\r\n"
    "ConfigChip=0x1234\r\n"
    "AdrLpt=0x278\r\n";

TEST(SettingsRead, ValuesHexTruncationAndDefaults)
{
    TempDir dir;
    WriteFile(dir / "modupd4620.ini", kFile);
    SettingsValues v;
    ReadSettings(kProfile4620, dir / "modupd4620.ini", v);
    const uint8_t want[14] = {0, 0x26, 0, 0xFF, 0xFF, 0, 133, 0, 0x0F, 0, 0, 0, 0, 64};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(v.ConfigImage[i], want[i]) << "ConfigWrite[" << i << "]";
    EXPECT_EQ(v.Edit1, "/srv/fw/update.bin");
    EXPECT_EQ(v.Edit2, "/srv/fw/boot4620.hex");
    EXPECT_EQ(v.Edit5, "/srv/fw/boot452.crp");
    EXPECT_EQ(v.ConfigChip, 0x1234);
    EXPECT_EQ(v.LptBase, 0x278);
}

TEST(SettingsRead, Modupd2520HasNoEdit1)
{
    TempDir dir;
    WriteFile(dir / "modupd2520.ini", kFile);
    SettingsValues v;
    v.Edit1 = "untouched";
    ReadSettings(kProfile2520, dir / "modupd2520.ini", v);
    EXPECT_EQ(v.Edit1, "untouched");
    EXPECT_EQ(v.Edit2, "/srv/fw/boot4620.hex");
    EXPECT_EQ(v.ConfigImage[1], 0x26);
    EXPECT_EQ(v.LptBase, 0x278);
}

TEST(SettingsRead, MissingFileOrKeysGiveDefaults)
{
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(p->programName);
        TempDir dir;
        WriteFile(dir / "partial.ini", "[Form_Param]\r\nEdit5=/x.hex\r\n");
        for (const std::string& path : {dir / "absent.ini", dir / "partial.ini"}) {
            SettingsValues v;
            for (auto& b : v.ConfigImage)
                b = 0x99;
            v.Edit1 = v.Edit2 = v.Edit5 = "stale";
            v.ConfigChip = 7;
            v.LptBase = 1;
            ReadSettings(*p, path, v);
            for (int i = 0; i < 14; ++i)
                EXPECT_EQ(v.ConfigImage[i], 0) << i;
            EXPECT_EQ(v.Edit1, p->hasEdit1Key ? "c:\\" : "stale");
            EXPECT_EQ(v.Edit2, "c:\\");
            EXPECT_EQ(v.Edit5, path == dir / "partial.ini" ? "/x.hex" : "c:\\");
            EXPECT_EQ(v.ConfigChip, 0);
            EXPECT_EQ(v.LptBase, 888);
        }
    }
}

SettingsValues Sample(const std::string& edit1)
{
    SettingsValues v;
    for (int i = 0; i < 14; ++i)
        v.ConfigImage[i] = static_cast<uint8_t>(i * 17);
    v.Edit1 = edit1;
    v.Edit2 = "/srv/new/boot4620.hex";
    v.Edit5 = "/srv/new/boot452.hex";
    v.ConfigChip = 0x55; // never written
    v.LptBase = 0x3BC;
    return v;
}

TEST(SettingsWrite, UpdateModeWritesNothing)
{
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        TempDir dir;
        WriteFile(dir / "m.ini", kFile);
        std::string err;
        EXPECT_TRUE(WriteSettings(*p, dir / "m.ini", true, Sample("/a/u.BIN"), &err));
        EXPECT_EQ(ReadFile(dir / "m.ini"), kFile);
        EXPECT_TRUE(WriteSettings(*p, dir / "new.ini", true, Sample("/a/u.BIN"), &err));
        EXPECT_FALSE(Exists(dir / "new.ini"));
    }
}

// Into a new file, the keys appear in their order of writing.
TEST(SettingsWrite, NewFileInOrder)
{
    TempDir dir;
    ASSERT_TRUE(WriteSettings(kProfile4620, dir / "m.ini", false, Sample("/a/u.bin")));
    std::string want = "[FormConfig]\r\n";
    for (int i = 0; i < 14; ++i)
        want += "ConfigWrite[" + std::to_string(i) + "]=" + std::to_string(i * 17) + "\r\n";
    want += "[Form_Param]\r\nEdit1=/a/u.bin\r\nEdit2=/srv/new/boot4620.hex\r\nEdit5=/srv/new/boot452.hex\r\n"
            "AdrLpt=956\r\n";
    EXPECT_EQ(ReadFile(dir / "m.ini"), want);

    ASSERT_TRUE(WriteSettings(kProfile2520, dir / "n.ini", false, Sample("/a/u.bin")));
    EXPECT_EQ(ReadFile(dir / "n.ini"),
              "[Form_Param]\r\nEdit2=/srv/new/boot4620.hex\r\nEdit5=/srv/new/boot452.hex\r\nAdrLpt=956\r\n");
}

struct BinCase {
    const char* edit1;
    bool configWritten;
};

class SettingsBinRule : public ::testing::TestWithParam<BinCase> {};

// ConfigWrite keys are written only by modupd4620 and only when the update
// file's extension is ".BIN" in any case; otherwise the old values stay.
TEST_P(SettingsBinRule, ConfigWriteKeys)
{
    const BinCase& bc = GetParam();
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(p->programName);
        TempDir dir;
        WriteFile(dir / "m.ini", kFile);
        std::string err;
        ASSERT_TRUE(WriteSettings(*p, dir / "m.ini", false, Sample(bc.edit1), &err)) << err;
        SettingsValues back;
        ReadSettings(*p, dir / "m.ini", back);
        bool written = p->is4620() && bc.configWritten;
        EXPECT_EQ(back.ConfigImage[1], written ? 17 : 0x26);
        EXPECT_EQ(back.ConfigImage[13], written ? 221 : 64);
        const std::string text = ReadFile(dir / "m.ini");
        EXPECT_EQ(text.find("ConfigWrite[5]=abc") != std::string::npos, !written);
        if (p->is4620()) {
            EXPECT_EQ(back.Edit1, bc.edit1);
        }
        EXPECT_EQ(back.Edit2, "/srv/new/boot4620.hex");
        EXPECT_EQ(back.Edit5, "/srv/new/boot452.hex");
        EXPECT_EQ(back.LptBase, 0x3BC);
        EXPECT_NE(text.find("AdrLpt=956\r\n"), std::string::npos);
        EXPECT_NE(text.find("ConfigChip=0x1234\r\n"), std::string::npos);
        // modupd2520 leaves the Edit1 line as it was.
        if (!p->is4620()) {
            EXPECT_NE(text.find("Edit1=/srv/fw/update.bin\r\n"), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Extensions, SettingsBinRule,
                         ::testing::Values(BinCase{"/srv/u.bin", true}, BinCase{"/srv/u.BIN", true},
                                           BinCase{"/srv/u.Bin", true}, BinCase{"c:\\fw\\u.bIn", true},
                                           BinCase{"/srv/u.hex", false}, BinCase{"/srv/u.crp", false},
                                           BinCase{"/srv/u.bin.hex", false}, BinCase{"/srv/ubin", false},
                                           BinCase{"/srv/fw.bin/u", false},
                                           BinCase{"c:\\", false}));

// Everything the write does not name stays byte for byte.
TEST(SettingsWrite, UnrelatedContentKept)
{
    TempDir dir;
    const std::string before =
        "; workshop PC 3\r\n"
        "[Other]\r\n"
        "Key=Value ; not a comment\r\n"
        "\r\n"
        "[Form_Param]\r\n"
        "Edit2=/old/boot.hex\r\n"
        "Custom = 1\r\n"
        "ConfigChip=17\r\n"
        "\r\n"
        "[Last]\r\n"
        "z=0\r\n";
    WriteFile(dir / "m.ini", before);
    ASSERT_TRUE(WriteSettings(kProfile2520, dir / "m.ini", false, Sample("")));
    EXPECT_EQ(ReadFile(dir / "m.ini"),
              "; workshop PC 3\r\n"
              "[Other]\r\n"
              "Key=Value ; not a comment\r\n"
              "\r\n"
              "[Form_Param]\r\n"
              "Edit2=/srv/new/boot4620.hex\r\n"
              "Custom = 1\r\n"
              "ConfigChip=17\r\n"
              "Edit5=/srv/new/boot452.hex\r\n"
              "AdrLpt=956\r\n"
              "\r\n"
              "[Last]\r\n"
              "z=0\r\n");
}

TEST(SettingsWrite, LfFileStaysLf)
{
    TempDir dir;
    WriteFile(dir / "m.ini", "[Form_Param]\nAdrLpt=888\n");
    ASSERT_TRUE(WriteSettings(kProfile2520, dir / "m.ini", false, Sample("")));
    EXPECT_EQ(ReadFile(dir / "m.ini"),
              "[Form_Param]\nAdrLpt=956\nEdit2=/srv/new/boot4620.hex\nEdit5=/srv/new/boot452.hex\n");
}

TEST(SettingsWrite, FailureReported)
{
    TempDir dir;
    std::string err;
    EXPECT_FALSE(WriteSettings(kProfile4620, dir / "gone/m.ini", false, Sample("/u.bin"), &err));
    EXPECT_EQ(err, std::strerror(ENOENT));
    // A folder where the file should be: it cannot be read, so it is not replaced.
    ASSERT_EQ(::mkdir((dir / "m.ini").c_str(), 0755), 0);
    err.clear();
    EXPECT_FALSE(WriteSettings(kProfile4620, dir / "m.ini", false, Sample("/u.bin"), &err));
    EXPECT_FALSE(err.empty());
}

TEST(SettingsUi, ShowsAndCollectsByProfile)
{
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(p->programName);
        RecordingHost host;
        SettingsValues v = Sample("/u.bin");
        v.ConfigImage[0] = 0x00;
        v.ConfigImage[1] = 0x80;
        v.ConfigImage[13] = 0xA5;
        ApplySettingsToUi(host, *p, v);
        EXPECT_EQ(host.Text("FormConfig.Edit1"), "00000000");
        EXPECT_EQ(host.Text("FormConfig.Edit2"), "10000000");
        EXPECT_EQ(host.Text("FormConfig.Edit14"), "10100101");
        EXPECT_EQ(host.texts.count("FormConfig.Edit15"), 0u);
        EXPECT_EQ(host.texts.count("Form_Param.Edit1"), p->hasEdit1Key ? 1u : 0u);
        EXPECT_EQ(host.Text("Form_Param.Edit2"), "/srv/new/boot4620.hex");
        EXPECT_EQ(host.Text("Form_Param.Edit5"), "/srv/new/boot452.hex");

        host.SetText("Form_Param.Edit1", "/typed/u.BIN");
        host.SetText("Form_Param.Edit2", "/typed/b.hex");
        SettingsValues back;
        back.Edit1 = "kept";
        CollectPathsFromUi(host, *p, back);
        EXPECT_EQ(back.Edit1, p->hasEdit1Key ? "/typed/u.BIN" : "kept");
        EXPECT_EQ(back.Edit2, "/typed/b.hex");
        EXPECT_EQ(back.Edit5, "/srv/new/boot452.hex");
    }
}

TEST(ByteStrToBinText, MostSignificantBitFirst)
{
    const struct {
        uint8_t v;
        const char* s;
    } rows[] = {{0x00, "00000000"}, {0x01, "00000001"}, {0x80, "10000000"},
                {0xA5, "10100101"}, {0x3C, "00111100"}, {0xFF, "11111111"}};
    for (const auto& r : rows)
        EXPECT_EQ(ByteStrToBin(r.v), r.s) << int(r.v);
}

TEST(FileExtension, UpperCasedLastExtensionOfTheName)
{
    const struct {
        const char* path;
        const char* ext;
    } rows[] = {{"/a/b.hex", ".HEX"}, {"boot.Crp", ".CRP"}, {"/a.b/c", ""}, {"c:\\a.b\\c", ""},
                {"c:\\fw\\x.bin", ".BIN"}, {"/a/x.tar.gz", ".GZ"}, {"/a/x.", "."}, {"", ""}};
    for (const auto& r : rows)
        EXPECT_EQ(UpperFileExt(r.path), r.ext) << r.path;
}

} // namespace
} // namespace korv
