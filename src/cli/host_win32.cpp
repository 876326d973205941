// File: cli/host_win32.cpp
// The main's host on Windows: the real programs over COM, the command line
// as UTF-16 turned into UTF-8, UTF-8 console output with CR LF kept as
// written (binary streams, no second CR).
#include "host.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "office/automation.h"
#include "platform/com/com_automation.h"
#include "platform/win32/code_page.h"

namespace quillmax::cli {

std::vector<std::string> PrepareConsole(int, char**) {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);

    std::vector<std::string> args;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; words && i < count; ++i) args.push_back(win32::WideToUtf8(words[i]));
    if (words) ::LocalFree(words);
    return args;
}

std::string ProgramFolder(const char*) {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t sep = path.find_last_of(L"\\/");
    return win32::WideToUtf8(sep == std::wstring::npos ? std::wstring() : path.substr(0, sep));
}

bool StdinIsTerminal() { return ::_isatty(::_fileno(stdin)) != 0; }

// No progress line on this console yet.
int StderrTerminalColumns() { return 0; }

int CountSlides(const std::string&) { return -1; }

std::vector<std::pair<std::string, double>> ContentBytes(const std::string&) { return {}; }

std::unique_ptr<office::Automation> CreateAutomation() { return com::CreateAutomation(); }

} // namespace quillmax::cli
