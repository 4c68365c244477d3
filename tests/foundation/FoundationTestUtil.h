// Small helpers shared by the foundation tests: a scratch folder, whole-file
// read/write, Intel HEX record composition and an application core on the
// heap (its image buffers are large).
#pragma once

#include "app/AppCore.h"
#include "app/RecordingHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace korv::testutil {

// A fresh folder under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/korv_found_XXXXXX";
        char* p = ::mkdtemp(tmpl);
        EXPECT_NE(p, nullptr);
        path_ = p ? p : "/tmp";
    }
    ~TempDir()
    {
        std::string cmd = "rm -rf '" + path_ + "'";
        int rc = std::system(cmd.c_str());
        (void)rc;
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << content;
    ASSERT_TRUE(f.good()) << path;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// One Intel HEX record line (no line end) with the checksum defined by the
// format: the two's complement of the byte sum of LL, AAAA, TT and data.
inline std::string Rec(uint8_t ll, uint16_t addr, uint8_t tt, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> bytes = {ll, static_cast<uint8_t>(addr >> 8), static_cast<uint8_t>(addr), tt};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string s = ":";
    char buf[3];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    s += buf;
    return s;
}

// A data record whose LL matches its data.
inline std::string Data(uint16_t addr, const std::vector<uint8_t>& data)
{
    return Rec(static_cast<uint8_t>(data.size()), addr, 0x00, data);
}

inline std::vector<uint8_t> Seq(uint8_t first, size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(first + i);
    return v;
}

class NullTicks : public TickSource {
public:
    uint32_t TickCount() override { return 0; }
};

// An application core over a recording host.
struct CoreFixture {
    explicit CoreFixture(const VariantProfile& p) : core(std::make_unique<AppCore>(p, host, ticks)) {}
    RecordingHost host;
    NullTicks ticks;
    std::unique_ptr<AppCore> core;
};

} // namespace korv::testutil
