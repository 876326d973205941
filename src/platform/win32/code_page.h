// File: platform/win32/code_page.h
// Text at the Windows boundary. The program's own strings are UTF-8; the
// ANSI calls (registry, profile strings, CreateFileA) take the system code
// page (CP_ACP, 932 on a Japanese system) and COM takes UTF-16.
// Characters the code page cannot hold become the code page's default
// character, as Windows converts them.
#pragma once

#include <string>
#include <string_view>

namespace quillmax::win32 {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

} // namespace quillmax::win32
