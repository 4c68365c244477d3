// korvcrypt, the built tool, run as staff run it: round trips, keys, exit
// codes, and containers the program then loads.
#include "CryptoTestSupport.h"

#include "image/Container.h"
#include "image/ContainerCipher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace korv {
namespace {

using test::ScratchDir;

const std::string kTool = std::string(KORV_BINARY_DIR) + "/bin/korvcrypt";

struct ToolRun {
    int code = -1;
    std::string out;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

ToolRun Tool(const std::string& args)
{
    ToolRun r;
    std::FILE* p = ::popen((Quote(kTool) + " " + args + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The firmware the build assembled for the PIC18F4620, as staff would have it.
std::string SampleHex() { return std::string(KORV_BINARY_DIR) + "/bin/Boot4620.HEX"; }

TEST(Korvcrypt, RoundTripsAHexFileByteForByte)
{
    ScratchDir dir;
    const auto hex = test::ReadBytes(SampleHex());
    ASSERT_GT(hex.size(), 100u);
    struct Case {
        const char* what;
        std::string keyArg;
    };
    const Case cases[] = {{"image key", ""}, {"key given", "--key 0011223344556677aAbB "}};
    for (const auto& c : cases) {
        // Sizes 4k .. 4k+3 all reach the tail rule.
        for (size_t cut = 0; cut < 4; ++cut) {
            std::vector<uint8_t> in(hex.begin(), hex.end() - cut);
            ASSERT_TRUE(test::WriteBytes(dir.File("in.hex"), in));
            ToolRun e = Tool("encipher " + c.keyArg + Quote(dir.File("in.hex")) + " " + Quote(dir.File("out.CRP")));
            ASSERT_EQ(e.code, 0) << c.what << ": " << e.out;
            const auto crp = test::ReadBytes(dir.File("out.CRP"));
            ASSERT_EQ(crp.size(), in.size());
            EXPECT_NE(crp, in) << c.what;
            ToolRun d = Tool("decipher " + c.keyArg + Quote(dir.File("out.CRP")) + " " + Quote(dir.File("back.hex")));
            ASSERT_EQ(d.code, 0) << c.what << ": " << d.out;
            EXPECT_EQ(test::ReadBytes(dir.File("back.hex")), in) << c.what << " cut " << cut;
        }
    }
}

TEST(Korvcrypt, ItsDefaultKeyIsTheProgramsKey)
{
    ScratchDir dir;
    struct Case {
        std::string keyArg;
        int expect;
    };
    const Case cases[] = {{"", 0}, {"--key 0123456789ABCDEF0123 ", -1}};
    for (const auto& c : cases) {
        ToolRun e = Tool("encipher " + c.keyArg + Quote(SampleHex()) + " " + Quote(dir.File("Boot4620.CRP")));
        ASSERT_EQ(e.code, 0) << e.out;
        test::CoreOnHost env(kProfile4620, true);
        env.host.SetText("Form_Param.Edit2", dir.File("Boot4620.CRP"));
        EXPECT_EQ(ExecuteCRPtoHex(*env.core, 1), c.expect) << "key arg '" << c.keyArg << "'";
        EXPECT_EQ(env.host.Logged("Ошибка формата или КС"), c.expect != 0);
    }
}

TEST(Korvcrypt, CommandLineAndFileErrorsHaveTheirExitCodes)
{
    ScratchDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.File("in.hex"), test::Bytes(":00000001FF\n")));
    const std::string in = Quote(dir.File("in.hex"));
    const std::string out = Quote(dir.File("out.crp"));
    struct Case {
        std::string args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {"--help", 0, "Usage: korvcrypt"},
        {"", 1, "no command"},
        {"scramble " + in + " " + out, 1, "unknown command"},
        {"encipher " + in, 1, "INPUT and OUTPUT"},
        {"encipher " + in + " " + out + " extra", 1, "too many"},
        {"encipher --key 0011 " + in + " " + out, 1, "20 hexadecimal"},
        {"encipher --key 00112233445566778899XY " + in + " " + out, 1, "20 hexadecimal"},
        {"encipher --key", 1, "--key needs"},
        {"encipher --verbose " + in + " " + out, 1, "unknown option"},
        {"decipher " + Quote(dir.File("absent.crp")) + " " + out, 2, "cannot open"},
        {"encipher " + in + " " + Quote(dir.File("no/such/dir/out.crp")), 2, "cannot create"},
        {"encipher " + Quote(dir.path()) + " " + out, 2, "cannot read"},
    };
    for (const auto& c : cases) {
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(dir.List(), std::set<std::string>{"in.hex"}) << "a failed run leaves no output";
}

// A write that the disk refuses part way (here a file size limit, as on a
// full disk) leaves the file that was there, even when the output is the
// input itself, and no half-written or temporary file.
TEST(Korvcrypt, FailedWriteLeavesTheOldFile)
{
    ScratchDir dir;
    std::vector<uint8_t> hex;
    const auto one = test::ReadBytes(SampleHex());
    ASSERT_FALSE(one.empty());
    while (hex.size() < 4096) // well above the limit of one 512-byte block
        hex.insert(hex.end(), one.begin(), one.end());
    ASSERT_TRUE(test::WriteBytes(dir.File("in.hex"), hex));
    const std::string in = Quote(dir.File("in.hex"));
    ToolRun r;
    {
        // The limit and the ignored signal apply to the tool only.
        const std::string cmd = "sh -c \"trap '' XFSZ; ulimit -f 1; exec " + Quote(kTool) + " encipher " + in + " " +
                                in + "\" 2>&1";
        std::FILE* p = ::popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        const int status = ::pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    EXPECT_EQ(r.code, 2) << r.out;
    EXPECT_NE(r.out.find("cannot write"), std::string::npos) << r.out;
    EXPECT_EQ(test::ReadBytes(dir.File("in.hex")), hex);
    EXPECT_EQ(dir.List(), std::set<std::string>{"in.hex"});

    // Without the limit the same in-place run works and deciphers back.
    ASSERT_EQ(Tool("encipher " + in + " " + in).code, 0);
    EXPECT_NE(test::ReadBytes(dir.File("in.hex")), hex);
    ASSERT_EQ(Tool("decipher " + in + " " + in).code, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("in.hex")), hex);
    EXPECT_EQ(dir.List(), std::set<std::string>{"in.hex"});
}

TEST(Korvcrypt, RefusesWhatTheProgramsCouldNotLoadUnlessForced)
{
    ScratchDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.File("big.hex"), std::vector<uint8_t>(kContainerCapacity + 1, '\n')));
    ToolRun r = Tool("encipher " + Quote(dir.File("big.hex")) + " " + Quote(dir.File("big.crp")));
    EXPECT_EQ(r.code, 3) << r.out;
    EXPECT_EQ(dir.List(), std::set<std::string>{"big.hex"});
    r = Tool("encipher --force " + Quote(dir.File("big.hex")) + " " + Quote(dir.File("big.crp")));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(test::ReadBytes(dir.File("big.crp")).size(), kContainerCapacity + 1);
}

} // namespace
} // namespace korv
