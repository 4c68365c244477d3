#include "app/Format.h"

#include <cstdio>

namespace korv {

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args)
{
    std::string out;
    out.reserve(fmt.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        size_t j = i + 1;
        if (fmt[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        int width = 0;
        while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') {
            width = width * 10 + (fmt[j] - '0');
            ++j;
        }
        if (j >= fmt.size()) {
            out.append(fmt.substr(i));
            break;
        }
        char conv = fmt[j];
        std::string piece;
        const FormatArg* a = next != args.end() ? &*next : nullptr;
        switch (conv) {
        case 'd':
        case 'u':
            if (a && !a->isText)
                piece = std::to_string(a->number);
            else if (a)
                piece = std::string(a->text);
            break;
        case 'x':
        case 'X':
            if (a && !a->isText) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(a->number));
                piece = buf;
            } else if (a) {
                piece = std::string(a->text);
            }
            break;
        case 's':
            if (a && a->isText)
                piece = std::string(a->text);
            else if (a)
                piece = std::to_string(a->number);
            break;
        default:
            out.append(fmt.substr(i, j - i + 1));
            i = j;
            continue;
        }
        if (next != args.end())
            ++next;
        if (static_cast<int>(piece.size()) < width)
            out.append(static_cast<size_t>(width) - piece.size(), ' ');
        out += piece;
        i = j;
    }
    return out;
}

} // namespace korv
