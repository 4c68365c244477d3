// korvcrypt: makes and opens the enciphered firmware containers (".CRP"
// files and the images embedded in the programs). Runs on the build machine
// and on the staff's desks; the operator programs only decipher.
#include "image/ContainerCipher.h"
#include "image/ImageKey.h"
#include "image/Rc6w8r8b10.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum ExitCode {
    kOk = 0,
    kUsage = 1,
    kIoError = 2,
    kTooLarge = 3,
};

const char kUsageText[] =
    "Usage: korvcrypt encipher|decipher [--key HEX] [--force] INPUT OUTPUT\n"
    "       korvcrypt --help\n"
    "\n"
    "Enciphers an Intel HEX file into a firmware container (\".CRP\"), or\n"
    "deciphers a container back into HEX text. Every full 4-byte group is\n"
    "enciphered on its own; a final group of 1 to 3 bytes stays plain.\n"
    "\n"
    "  --key HEX  use this 10-byte key, given as 20 hexadecimal digits,\n"
    "             instead of the key the operator programs use\n"
    "  --force    accept an input larger than the programs can load\n"
    "\n"
    "Exit codes: 0 done, 1 wrong command line, 2 file could not be read or\n"
    "written, 3 input larger than the programs' container buffer.\n";

int Usage(const char* why)
{
    std::fprintf(stderr, "korvcrypt: %s\n\n%s", why, kUsageText);
    return kUsage;
}

int HexNibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseKey(const char* text, uint8_t* key)
{
    if (std::strlen(text) != 2 * korv::kImageKeyBytes)
        return false;
    for (size_t i = 0; i < korv::kImageKeyBytes; ++i) {
        const int hi = HexNibble(text[2 * i]);
        const int lo = HexNibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        key[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool ReadWhole(const char* path, std::vector<uint8_t>& out)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "korvcrypt: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    uint8_t chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    const bool bad = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (bad) {
        std::fprintf(stderr, "korvcrypt: cannot read %s: %s\n", path, std::strerror(err));
        return false;
    }
    return true;
}

// Writes data to path through a temporary file in the same folder that is
// renamed over path at the end, so a failed run (full disk, a size limit)
// leaves whatever was at path before, also when path is the input itself.
bool WriteWhole(const char* path, const std::vector<uint8_t>& data)
{
    std::string tmp = std::string(path) + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        std::fprintf(stderr, "korvcrypt: cannot create %s: %s\n", path, std::strerror(errno));
        return false;
    }
    bool ok = true;
    int err = 0;
    size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            err = n < 0 ? errno : EIO;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    // The new file gets the usual permissions of a created file, not the
    // owner-only ones of a temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (ok && ::fchmod(fd, 0666 & ~mask) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(tmp.c_str(), path) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "korvcrypt: cannot write %s: %s\n", path, std::strerror(err));
        ::unlink(tmp.c_str());
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsageText, stdout);
        return kOk;
    }
    if (argc < 2)
        return Usage("no command given");

    const std::string command = argv[1];
    if (command != "encipher" && command != "decipher")
        return Usage(("unknown command '" + command + "'").c_str());

    uint8_t givenKey[korv::kImageKeyBytes];
    bool haveKey = false;
    bool force = false;
    const char* paths[2] = {nullptr, nullptr};
    int pathCount = 0;
    for (int a = 2; a < argc; ++a) {
        if (std::strcmp(argv[a], "--key") == 0) {
            if (a + 1 >= argc)
                return Usage("--key needs 20 hexadecimal digits");
            if (!ParseKey(argv[++a], givenKey))
                return Usage("the key must be exactly 20 hexadecimal digits");
            haveKey = true;
        } else if (std::strcmp(argv[a], "--force") == 0) {
            force = true;
        } else if (argv[a][0] == '-' && argv[a][1] != '\0') {
            return Usage((std::string("unknown option '") + argv[a] + "'").c_str());
        } else {
            if (pathCount == 2)
                return Usage("too many file names");
            paths[pathCount++] = argv[a];
        }
    }
    if (pathCount != 2)
        return Usage("INPUT and OUTPUT are both needed");

    std::vector<uint8_t> data;
    if (!ReadWhole(paths[0], data))
        return kIoError;
    if (data.size() > korv::kContainerCapacity && !force) {
        std::fprintf(stderr,
                     "korvcrypt: %s has %zu bytes; the programs load at most %zu (use --force to write it anyway)\n",
                     paths[0], data.size(), korv::kContainerCapacity);
        return kTooLarge;
    }

    korv::Rc6w8r8b10 cipher;
    if (haveKey) {
        cipher.KeySchedule(givenKey);
        korv::WipeBytes(givenKey, sizeof givenKey);
    } else {
        korv::ImageKey key;
        cipher.KeySchedule(key.bytes());
    }
    if (command == "encipher")
        korv::EncipherContainer(cipher, data.data(), data.size());
    else
        korv::DecipherContainer(cipher, data.data(), data.size());
    cipher.Wipe();

    return WriteWhole(paths[1], data) ? kOk : kIoError;
}
