// Shared pieces of the crypto tests: an application core on a recording
// host, a scratch directory that can be listed, and file helpers.
#pragma once

#include "app/AppCore.h"
#include "app/RecordingHost.h"
#include "app/VariantProfile.h"

#include <dirent.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace korv::test {

class FixedTicks final : public TickSource {
public:
    uint32_t TickCount() override { return 0; }
};

// One application core with the chip of the profile's pair already
// identified (newChip selects NewChip).
struct CoreOnHost {
    CoreOnHost(const VariantProfile& profile, bool newChip)
        : core(std::make_unique<AppCore>(profile, host, ticks))
    {
        core->chip.SetIdentified(host, profile, newChip);
    }
    RecordingHost host;
    FixedTicks ticks;
    std::unique_ptr<AppCore> core;
};

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
class ScratchDir {
public:
    ScratchDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/korv_crypto_XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (::mkdtemp(buf.data()))
            path_ = buf.data();
    }
    ~ScratchDir()
    {
        for (const auto& name : List())
            std::remove((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Names in the directory (without "." and "..").
    std::set<std::string> List() const { return ListDir(path_); }

    static std::set<std::string> ListDir(const std::string& dir)
    {
        std::set<std::string> names;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..")
                    names.insert(n);
            }
            ::closedir(d);
        }
        return names;
    }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            out.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return out;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The working directory, listed: the loaders must not create anything there.
inline std::string WorkingDir()
{
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

// Runs the test inside a private scratch directory, so that what appears in
// the working directory is due to this test alone (other test programs may
// run at the same time in the build tree).
class PrivateWorkingDir {
public:
    PrivateWorkingDir() : old_(WorkingDir()) { ok_ = ::chdir(dir_.path().c_str()) == 0; }
    ~PrivateWorkingDir()
    {
        if (ok_ && ::chdir(old_.c_str()) != 0)
            std::abort();
    }
    PrivateWorkingDir(const PrivateWorkingDir&) = delete;
    PrivateWorkingDir& operator=(const PrivateWorkingDir&) = delete;

    bool ok() const { return ok_; }
    std::set<std::string> List() const { return dir_.List(); }

private:
    ScratchDir dir_;
    std::string old_;
    bool ok_ = false;
};

} // namespace korv::test
