// The INI reader/writer: Windows lookup rules, integer values, edits that
// keep every other byte, line ends, and the atomic replace.
#include "app/IniFile.h"

#include "FoundationTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace korv {
namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

struct LookupCase {
    const char* name;
    const char* key;
    const char* want; // value read with default "DEF"
};

const char* kLookupFile =
    "\xEF\xBB\xBF[Form_Param]\r\n"
    "Edit2=first\r\n"
    "  edit5 =  spaced value  \r\n"
    "EDIT2=second\r\n"
    "Quoted=\"c:\\boot\\x.hex\"\r\n"
    "Single='a b'\r\n"
    "Empty=\r\n"
    "; Hidden=comment\r\n"
    "NoEquals\r\n"
    "[form_param]\r\n"
    "Later=ignored\r\n"
    "[Other]\r\n"
    "Other=x\r\n";

class IniLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, WindowsRules)
{
    IniFile ini;
    ini.LoadFromText(kLookupFile);
    EXPECT_EQ(ini.ReadString("FORM_PARAM", GetParam().key, "DEF"), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, IniLookup,
    ::testing::Values(LookupCase{"CaseInsensitiveKey", "edit2", "first"},    // first occurrence wins
                      LookupCase{"BlanksAroundNameAndValue", "Edit5", "spaced value"},
                      LookupCase{"DoubleQuotesRemoved", "Quoted", "c:\\boot\\x.hex"},
                      LookupCase{"SingleQuotesRemoved", "Single", "a b"},
                      LookupCase{"EmptyValueIsEmpty", "Empty", ""},
                      LookupCase{"CommentIsNoKey", "Hidden", "DEF"},
                      LookupCase{"LineWithoutEqualsIsNoKey", "NoEquals", "DEF"},
                      LookupCase{"SecondSameSectionIgnored", "Later", "DEF"},
                      LookupCase{"OtherSectionNotSearched", "Other", "DEF"}),
    [](const ::testing::TestParamInfo<LookupCase>& i) { return std::string(i.param.name); });

TEST(IniLookupSections, ByteOrderMarkAndMissingSection)
{
    IniFile ini;
    ini.LoadFromText(kLookupFile);
    EXPECT_TRUE(ini.HasKey("form_param", "EDIT2"));
    EXPECT_EQ(ini.ReadString("Other", "OTHER", "DEF"), "x");
    EXPECT_EQ(ini.ReadString("Missing", "Edit2", "DEF"), "DEF");
    EXPECT_FALSE(ini.HasKey("Missing", "Edit2"));
}

struct IntCase {
    const char* text;
    bool ok;
    int32_t value;
};

class IniInteger : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniInteger, DecimalHexOrDefault)
{
    const IntCase& ic = GetParam();
    IniFile ini;
    ini.LoadFromText(std::string("[S]\nK=") + ic.text + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", -777), ic.ok ? ic.value : -777) << "'" << ic.text << "'";
    int32_t v = 0;
    EXPECT_EQ(IniFile::ParseInteger(ic.text, v), ic.ok) << "'" << ic.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Values, IniInteger,
                         ::testing::Values(IntCase{"888", true, 888}, IntCase{"  12", true, 12},
                                           IntCase{"12  ", true, 12}, IntCase{"+7", true, 7},
                                           IntCase{"-1", true, -1}, IntCase{"0x378", true, 0x378},
                                           IntCase{"0X1f", true, 31}, IntCase{" -0x10", true, -16},
                                           IntCase{"0xFFFFFFFF", true, -1}, IntCase{"2147483647", true, 2147483647},
                                           IntCase{"-2147483648", true, INT32_MIN}, IntCase{"007", true, 7},
                                           IntCase{"", false, 0}, IntCase{"abc", false, 0},
                                           IntCase{"12abc", false, 0}, IntCase{"0x", false, 0},
                                           IntCase{"0xG1", false, 0}, IntCase{"- 5", false, 0},
                                           IntCase{"1 2", false, 0}, IntCase{"2147483648", false, 0},
                                           IntCase{"0x100000000", false, 0}, IntCase{"$FF", false, 0}));

TEST(IniInteger, MissingKeyGivesDefault)
{
    IniFile ini;
    ini.LoadFromText("[S]\nK=5\n");
    EXPECT_EQ(ini.ReadInteger("S", "Missing", 888), 888);
    EXPECT_EQ(ini.ReadInteger("T", "K", 3), 3);
}

// Edits change one line; everything else stays byte for byte.
struct EditCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(IniEdit, OnlyTheKeyChanges)
{
    const EditCase& ec = GetParam();
    IniFile ini;
    ini.LoadFromText(ec.before);
    ini.WriteString(ec.section, ec.key, ec.value);
    EXPECT_EQ(ini.Text(), ec.after);
}

const std::string kMixed =
    "; settings of the workshop PC\r\n"
    "\r\n"
    "[FormConfig]\r\n"
    "ConfigWrite[0]=0\r\n"
    "  Unknown = keep me  \r\n"
    "\r\n"
    "[Form_Param]\r\n"
    "Edit2 = c:\\old.hex\r\n"
    "AdrLpt=0x378\r\n"
    "; trailing comment\r\n"
    "\r\n"
    "\r\n"
    "[Tail]\r\n"
    "x=1";

INSTANTIATE_TEST_SUITE_P(
    Cases, IniEdit,
    ::testing::Values(
        EditCase{"ReplaceInPlace", kMixed, "form_param", "EDIT2", "/srv/new.hex",
                 "; settings of the workshop PC\r\n\r\n[FormConfig]\r\nConfigWrite[0]=0\r\n  Unknown = keep me  \r\n\r\n"
                 "[Form_Param]\r\nEdit2 =/srv/new.hex\r\nAdrLpt=0x378\r\n; trailing comment\r\n\r\n\r\n[Tail]\r\nx=1"},
        EditCase{"AppendAfterLastLineOfSection", kMixed, "Form_Param", "Edit5", "c:\\",
                 "; settings of the workshop PC\r\n\r\n[FormConfig]\r\nConfigWrite[0]=0\r\n  Unknown = keep me  \r\n\r\n"
                 "[Form_Param]\r\nEdit2 = c:\\old.hex\r\nAdrLpt=0x378\r\n; trailing comment\r\nEdit5=c:\\\r\n\r\n\r\n"
                 "[Tail]\r\nx=1"},
        EditCase{"AppendToLastSectionWithoutFinalLineEnd", kMixed, "TAIL", "y", "2",
                 "; settings of the workshop PC\r\n\r\n[FormConfig]\r\nConfigWrite[0]=0\r\n  Unknown = keep me  \r\n\r\n"
                 "[Form_Param]\r\nEdit2 = c:\\old.hex\r\nAdrLpt=0x378\r\n; trailing comment\r\n\r\n\r\n[Tail]\r\nx=1\r\n"
                 "y=2\r\n"},
        EditCase{"NewSectionAtTheEnd", "[A]\r\nk=v\r\n", "Form_Param", "AdrLpt", "888",
                 "[A]\r\nk=v\r\n[Form_Param]\r\nAdrLpt=888\r\n"},
        EditCase{"LfFileGetsLfLines", "[A]\nk=v\n", "A", "n", "1", "[A]\nk=v\nn=1\n"},
        EditCase{"LfFileNewSection", "[A]\nk=v", "B", "n", "1", "[A]\nk=v\n[B]\nn=1\n"},
        EditCase{"MixedEndsKeepTheirOwn", "[A]\nk=v\r\nm=w\r\n", "A", "k", "z", "[A]\nk=z\r\nm=w\r\n"},
        EditCase{"NewFileIsCrLf", "", "Form_Param", "Edit2", "x", "[Form_Param]\r\nEdit2=x\r\n"},
        EditCase{"LineEndsInValueLeftOut", "[A]\r\n", "A", "k", "a\r\n[B]\nb", "[A]\r\nk=a[B]b\r\n"}),
    [](const ::testing::TestParamInfo<EditCase>& i) { return std::string(i.param.name); });

TEST(IniEdit, WrittenValuesReadBack)
{
    IniFile ini;
    ini.LoadFromText(kMixed);
    ini.WriteInteger("Form_Param", "AdrLpt", 632);
    ini.WriteInteger("FormConfig", "ConfigWrite[13]", 255);
    EXPECT_EQ(ini.ReadInteger("Form_Param", "AdrLpt", 0), 632);
    EXPECT_EQ(ini.ReadInteger("FormConfig", "ConfigWrite[13]", 0), 255);
    EXPECT_EQ(ini.ReadString("FormConfig", "Unknown", ""), "keep me");
}

// Names of the files in a folder (to see that no temporary file is left).
std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

TEST(IniSave, LoadEditSaveKeepsTheRestAndThePermissions)
{
    TempDir dir;
    const std::string path = dir / "modupd4620.ini";
    WriteFile(path, kMixed);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    IniFile ini;
    std::string err;
    ASSERT_TRUE(ini.Load(path, &err)) << err;
    ini.WriteInteger("Form_Param", "AdrLpt", 888);
    ASSERT_TRUE(ini.Save(path, &err)) << err;

    std::string want = kMixed;
    want.replace(want.find("AdrLpt=0x378"), 12, "AdrLpt=888");
    EXPECT_EQ(ReadFile(path), want);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"modupd4620.ini"});
}

TEST(IniSave, NewFileAndMissingFile)
{
    TempDir dir;
    IniFile ini;
    std::string err;
    EXPECT_TRUE(ini.Load(dir / "none.ini", &err)); // missing: empty, no error
    EXPECT_EQ(ini.Text(), "");
    ini.WriteString("Form_Param", "Edit2", "c:\\");
    ASSERT_TRUE(ini.Save(dir / "none.ini", &err)) << err;
    EXPECT_EQ(ReadFile(dir / "none.ini"), "[Form_Param]\r\nEdit2=c:\\\r\n");
}

TEST(IniSave, FolderMissingIsReported)
{
    TempDir dir;
    IniFile ini;
    ini.WriteString("A", "k", "v");
    std::string err;
    EXPECT_FALSE(ini.Save(dir / "no/such/dir/x.ini", &err));
    EXPECT_EQ(err, std::strerror(ENOENT));
    err.clear();
    EXPECT_FALSE(ini.Save("", &err));
    EXPECT_EQ(err, std::strerror(ENOENT));
}

// Through a symbolic link the file it points to is replaced; the link stays.
TEST(IniSave, SymbolicLinkKept)
{
    TempDir dir;
    WriteFile(dir / "real.ini", "[A]\r\nk=1\r\n");
    ASSERT_EQ(::symlink("real.ini", (dir / "link.ini").c_str()), 0);
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir / "link.ini"));
    ini.WriteInteger("A", "k", 2);
    ASSERT_TRUE(ini.Save(dir / "link.ini"));
    struct stat st;
    ASSERT_EQ(::lstat((dir / "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "real.ini"), "[A]\r\nk=2\r\n");
}

// The disk refuses the new text part way (file size limit, as on a full
// disk): the old file is left exactly as it was, with no temporary file.
TEST(IniSave, WriteFailureLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir / "modupd4620.ini";
    const std::string old = "[Form_Param]\r\nAdrLpt=888\r\n";
    WriteFile(path, old);

    IniFile ini;
    ASSERT_TRUE(ini.Load(path));
    ini.WriteString("Form_Param", "Edit2", std::string(4096, 'p'));

    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string err;
    bool ok = ini.Save(path, &err);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(err, std::strerror(EFBIG));
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"modupd4620.ini"});
}

} // namespace
} // namespace korv
