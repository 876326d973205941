// File: platform/win32/profile_strings.cpp
#include "platform/win32/profile_strings.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win32/code_page.h"

namespace quillmax::win32 {

long ProfileStrings::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                              const std::string& defaultText, char* buffer,
                                              std::uint32_t bufferSize,
                                              const std::string& fileName) {
    if (bufferSize == 0) return 0;
    std::vector<char> ansi(bufferSize);
    const DWORD n = ::GetPrivateProfileStringA(
        Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(), Utf8ToAnsi(defaultText).c_str(),
        ansi.data(), bufferSize, Utf8ToAnsi(fileName).c_str());
    std::string text = AnsiToUtf8(std::string_view(ansi.data(), n));
    if (text.size() > bufferSize - 1) {
        size_t len = bufferSize - 1;
        while (len > 0 && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80) --len;
        text.resize(len);
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<long>(text.size());
}

bool ProfileStrings::WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                                const std::string& text,
                                                const std::string& fileName) {
    return ::WritePrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                        Utf8ToAnsi(text).c_str(),
                                        Utf8ToAnsi(fileName).c_str()) != 0;
}

} // namespace quillmax::win32
