// Hexadecimal page views of a program-memory image. The image is shown in
// four pages of dump lines; one dump line is 8 bytes (four instruction
// words) and starts with its byte address. The text is built here, without
// any window code, and handed to the log in one piece.
#pragma once

#include "image/Images.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korv {

// First and last dump line (inclusive) of page 0..3 of an image of
// programWords 16-bit words. The page boundaries are computed in 16-bit
// arithmetic so that the four pages tile 0 .. programWords/4 - 1 without a
// gap or an overlap.
struct PageLines {
    uint16_t first;
    uint16_t last;
};
PageLines PageLineRange(uint16_t programWords, int page);

// Title line of the view: "Карта памяти программ." for MasterImage,
// "Данные кристалла." for ChipImage.
const char* PageViewTitle(uint8_t source);

// One dump line: "%03x:  %04x   %04x   %04x   %04x" with the byte address 8L
// and the four little-endian words of buffer[8L .. 8L+7].
std::string PageViewLine(const uint8_t* buffer, uint32_t line);

// Appends the dump lines first..last to out, each followed by '\n' except
// the last. Lines whose bytes lie beyond bufferSize are not produced (the
// caller passes the real size of the buffer it shows). Returns the number of
// lines appended.
uint32_t AppendPageLines(const uint8_t* buffer, size_t bufferSize, PageLines range, std::string& out);

} // namespace korv
