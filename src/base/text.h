// File: base/text.h
// Byte-wise text helpers every layer uses: ASCII case folding and trimming.
// Case folding touches only A-Z, so multi-byte (Japanese) text is never
// altered, whatever the process locale.
#pragma once

#include <string>
#include <string_view>

namespace quillmax::util {

// Blanks and line breaks: what a typed or read-back text may carry around it.
inline constexpr std::string_view kBlanksAndBreaks = " \t\r\n";

std::string LowerAscii(std::string_view s);

// s without the leading and/or trailing characters found in `chars`.
std::string Trim(std::string_view s, std::string_view chars = kBlanksAndBreaks);
std::string TrimLeft(std::string_view s, std::string_view chars = kBlanksAndBreaks);
std::string TrimRight(std::string_view s, std::string_view chars = kBlanksAndBreaks);

} // namespace quillmax::util
