// File: platform/win32/platform_services.cpp
// The settings' operating-system services on Windows: the real registry and
// profile strings, ole.ini beside the program, the shell's desktop folder.
#include "base/platform_services.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/code_page.h"
#include "platform/win32/profile_strings.h"
#include "platform/win32/registry.h"

namespace quillmax::settings {
namespace {

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return "";
    std::string s = win32::WideToUtf8(path);
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

// Whether a file can be made in the folder (Program Files cannot, for a
// user without rights: no virtualisation for a 64-bit program).
bool FolderWritable(const std::string& folder) {
    wchar_t tmp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(win32::Utf8ToWide(folder).c_str(), L"qmx", 0, tmp)) return false;
    ::DeleteFileW(tmp);
    return true;
}

std::string WithSep(std::string folder) {
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    return folder;
}

} // namespace

std::unique_ptr<RegistryApi> CreateRegistryApi(const std::string&) {
    return std::make_unique<win32::Registry>();
}

std::unique_ptr<ProfileApi> CreateProfileApi() { return std::make_unique<win32::ProfileStrings>(); }

// Beside the program; when that folder is not writable (an installed
// program), %APPDATA%\quillmax, so the list survives every exit.
std::string OleIniPath(const std::string& programFolder) {
    if (!programFolder.empty() && FolderWritable(programFolder))
        return WithSep(programFolder) + "ole.ini";
    const std::string appData = ShellFolder(CSIDL_APPDATA);
    if (appData.empty()) return WithSep(programFolder) + "ole.ini";
    const std::string folder = WithSep(appData) + "quillmax";
    ::CreateDirectoryW(win32::Utf8ToWide(folder).c_str(), nullptr);
    return folder + "\\ole.ini";
}

// What WScript.Shell's SpecialFolders("Desktop") answers.
std::string DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }

} // namespace quillmax::settings
