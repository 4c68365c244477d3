#include "image/HexReader.h"

#include "app/AppCore.h"
#include "app/ChipModel.h"
#include "image/FileText.h"

#include <cstring>

namespace korv {

namespace {

constexpr const char* kFormatError = "Ошибка формата или КС";

// Byte from two hexadecimal digits at p; -1 when either is not a digit.
int HexByte(const char* p)
{
    int hi = HexDigitValue(p[0]);
    int lo = HexDigitValue(p[1]);
    if (hi < 0 || lo < 0)
        return -1;
    return hi * 16 + lo;
}

int Fail(UiHost& host)
{
    host.Okno(kFormatError);
    return -1;
}

// Masks applied to ConfigImage after a load; 0x00 clears the byte.
// Bits kept are the implemented bits of each configuration byte; CONFIG1L,
// CONFIG3L and CONFIG4H are always written as zero.
constexpr uint8_t kMaskFxx2[14] = {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                                   0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr uint8_t kMask2520[14] = {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5,
                                   0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};

} // namespace

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int ReadHexRecords(std::string_view text, bool storeConfig, ImageBuffers& images, UiHost& host)
{
    enum class Area { Program, Config, Other };
    Area area = Area::Program;
    char line[kMaxHexLine + 1];
    size_t pos = 0;
    const size_t size = text.size();

    while (pos < size) {
        // One line: up to CR, LF or CRLF.
        size_t start = pos;
        size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        pos = end;
        if (pos < size && text[pos] == '\r')
            ++pos;
        if (pos < size && text[pos] == '\n')
            ++pos;
        const size_t len = end - start;

        // Empty lines (a final line end, a separator left by an editor,
        // blanks only) carry no record.
        bool blank = true;
        for (size_t i = start; i < end && blank; ++i)
            blank = text[i] == ' ' || text[i] == '\t';
        if (blank)
            continue;
        // Ctrl-Z marks the end of a DOS/Windows text file. It is taken as
        // that mark only when nothing but further marks, line ends and blanks
        // follow it: deciphered text of a container made with another key is
        // noise, and noise that happens to start with this byte must fail
        // like any other noise instead of loading nothing with success.
        if (text[start] == '\x1A') {
            for (size_t i = start; i < size; ++i) {
                const char c = text[i];
                if (c != '\x1A' && c != '\r' && c != '\n' && c != ' ' && c != '\t')
                    return Fail(host);
            }
            return 0;
        }
        // A record needs ':' LL AAAA TT CC and whole data bytes; the digit
        // count is formed in 8 bits, so longer lines are no records.
        if (len < 11 || len > kMaxHexLine || (len - 11) % 2 != 0)
            return Fail(host);

        for (size_t i = 0; i < len; ++i) {
            char c = text[start + i];
            line[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }

        const int ll = HexByte(line + 1);
        const int ah = HexByte(line + 3);
        const int al = HexByte(line + 5);
        const int tt = HexByte(line + 7);
        const size_t count = (len - 11) / 2;
        const char* data = line + 9;

        if (tt == 0x01)
            return 0;

        if (tt == 0x04) {
            // The upper address names the area of the records that follow:
            // 0x0030 the configuration bytes at 0x300000, 0x0000 program
            // memory. Any other area (ID locations at 0x200000, data EEPROM
            // at 0xF00000) is not part of the image: its records would land
            // on the reset vector or on the configuration bytes through
            // their 16-bit offsets, so they are checked and not stored.
            // A record too short to carry an upper address names no area
            // and changes nothing; the records after it stay where they were.
            if (len < 13)
                continue;
            if (line[11] == '3' && line[12] == '0')
                area = Area::Config;
            else if (line[9] == '0' && line[10] == '0' && line[11] == '0' && line[12] == '0')
                area = Area::Program;
            else
                area = Area::Other;
            continue;
        }

        if (tt == 0x00 && area == Area::Config) {
            if (!storeConfig)
                continue;
            if (ah < 0 || al < 0)
                return Fail(host);
            // Nothing tests these bytes later, so a damaged record is
            // refused whole before any of it reaches the configuration.
            for (size_t k = 0; k < count; ++k)
                if (HexByte(data + 2 * k) < 0)
                    return Fail(host);
            const unsigned addr = static_cast<unsigned>(ah * 256 + al);
            for (size_t k = 0; k < count; ++k) {
                // Only 0x300000..0x30000D exist; anything further is dropped.
                if (addr + k < ImageBuffers::kConfigSize)
                    images.ConfigImage[addr + k] = static_cast<uint8_t>(HexByte(data + 2 * k));
            }
            continue;
        }

        // Program-memory record (and every other record type): bytes are
        // written first, then the record is tested.
        if (ll < 0 || ah < 0 || al < 0 || tt < 0)
            return Fail(host);
        const unsigned addr = static_cast<unsigned>(ah * 256 + al);
        unsigned sum = static_cast<unsigned>(ll + ah + al + tt);
        for (size_t k = 0; k < count; ++k) {
            int v = HexByte(data + 2 * k);
            if (v < 0)
                return Fail(host);
            if (area == Area::Program)
                images.MasterImage[(addr + k) & 0xFFFFu] = static_cast<uint8_t>(v);
            sum += static_cast<unsigned>(v);
        }
        const int cc = HexByte(line + len - 2);
        const int expected = static_cast<int>((0x100u - (sum & 0xFFu)) & 0xFFu);
        if (cc != expected || line[0] != ':')
            return Fail(host);
    }
    return 0;
}

void MaskConfigWrite(const VariantProfile& profile, const UiHost& host, uint8_t (&configImage)[14])
{
    const uint8_t* mask = kMaskFxx2;
    if (profile.maskConfigPerChip) {
        // An unprogrammed byte from a file reads as 0x00; the chip's erased
        // state is 0xFF.
        for (auto& b : configImage)
            if (b == 0x00)
                b = 0xFF;
        if (IsNewChip(host))
            mask = kMask2520;
    }
    for (size_t i = 0; i < 14; ++i)
        configImage[i] = static_cast<uint8_t>(configImage[i] & mask[i]);
}

void MaskConfigWrite(AppCore& core)
{
    MaskConfigWrite(core.profile, core.host, core.images.ConfigImage);
}

int ExecuteHex(AppCore& core)
{
    const std::string path = core.host.Text(IsNewChip(core.host) ? "Form_Param.Edit2" : "Form_Param.Edit5");
    size_t length = 0;
    std::string error;
    if (!ReadFileToBuffer(path, core.images.FileText, ImageBuffers::kFileTextSize, length, error)) {
        core.host.ErrorDialog(error);
        return -1;
    }
    if (ReadHexRecords(std::string_view(core.images.FileText, length), true, core.images, core.host) != 0)
        return -1;
    MaskConfigWrite(core);
    return 0;
}

} // namespace korv
