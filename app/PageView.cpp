#include "app/PageView.h"

#include "app/Format.h"

namespace korv {

PageLines PageLineRange(uint16_t programWords, int page)
{
    const uint16_t w = programWords;
    switch (page) {
    case 0:
        return {0, static_cast<uint16_t>(w / 16 - 1)};
    case 1:
        return {static_cast<uint16_t>(w / 16), static_cast<uint16_t>(w / 8 - 1)};
    case 2:
        return {static_cast<uint16_t>(w / 8), static_cast<uint16_t>(w / 6 + 341)};
    default:
        return {static_cast<uint16_t>(w / 6 + 342), static_cast<uint16_t>(w / 4 - 1)};
    }
}

const char* PageViewTitle(uint8_t source)
{
    return source == kDumpChip ? "Данные кристалла." : "Карта памяти программ.";
}

std::string PageViewLine(const uint8_t* buffer, uint32_t line)
{
    const uint32_t a = 8 * line;
    auto word = [&](int k) { return buffer[a + 2 * k] + 256 * buffer[a + 2 * k + 1]; };
    return Format("%03x:  %04x   %04x   %04x   %04x", {a, word(0), word(1), word(2), word(3)});
}

uint32_t AppendPageLines(const uint8_t* buffer, size_t bufferSize, PageLines range, std::string& out)
{
    uint32_t count = 0;
    if (range.last < range.first)
        return 0;
    out.reserve(out.size() + (range.last - range.first + 1u) * 36u);
    for (uint32_t l = range.first; l <= range.last; ++l) {
        if (8u * l + 8u > bufferSize)
            break;
        if (count)
            out += '\n';
        out += PageViewLine(buffer, l);
        ++count;
    }
    return count;
}

} // namespace korv
