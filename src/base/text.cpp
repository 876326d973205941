// File: base/text.cpp
#include "base/text.h"

namespace quillmax::util {

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Trim(std::string_view s, std::string_view chars) {
    return TrimRight(TrimLeft(s, chars), chars);
}

std::string TrimLeft(std::string_view s, std::string_view chars) {
    size_t b = s.find_first_not_of(chars);
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string TrimRight(std::string_view s, std::string_view chars) {
    size_t e = s.find_last_not_of(chars);
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

} // namespace quillmax::util
