// Message formatting with the conventions of the program's texts:
//   %d   decimal
//   %x   upper-case hexadecimal, no leading zeros
//   %s   text
//   %Nd / %Nx / %0Nd / %0Nx   right-aligned in N characters, padded on the
//        left with blanks (a leading 0 in the width also pads with blanks)
//   %%   a percent sign
// Missing arguments format as nothing; surplus arguments are ignored.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korv {

struct FormatArg {
    FormatArg(int v) : isText(false), number(v) {}
    FormatArg(unsigned v) : isText(false), number(v) {}
    FormatArg(long v) : isText(false), number(v) {}
    FormatArg(unsigned long v) : isText(false), number(static_cast<long long>(v)) {}
    FormatArg(long long v) : isText(false), number(v) {}
    FormatArg(unsigned long long v) : isText(false), number(static_cast<long long>(v)) {}
    FormatArg(const char* s) : isText(true), text(s) {}
    FormatArg(const std::string& s) : isText(true), text(s) {}
    FormatArg(std::string_view s) : isText(true), text(s) {}
    bool isText;
    long long number = 0;
    std::string_view text;
};

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args = {});

} // namespace korv
