// File: platform/win32/atomic_file.cpp
// The atomic replace on Windows: a temporary file beside the target,
// flushed, then moved over it in one MoveFileEx.
#include "base/atomic_file.h"

#include <windows.h>

#include <filesystem>

#include "platform/win32/code_page.h"

namespace quillmax::util {
namespace {

std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

} // namespace

std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target(win32::Utf8ToWide(path));
    std::wstring folder = target.parent_path().wstring();
    if (folder.empty()) folder = L".";
    wchar_t tmp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(folder.c_str(), L"qmx", 0, tmp)) return LastError();

    std::error_code ec;
    HANDLE h = ::CreateFileW(tmp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = LastError();
        ::DeleteFileW(tmp);
        return ec;
    }
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0 && !ec) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, p, chunk, &written, nullptr) || written == 0) {
            ec = LastError();
            if (!ec) ec = std::make_error_code(std::errc::io_error);
        }
        p += written;
        left -= written;
    }
    if (!ec && !::FlushFileBuffers(h)) ec = LastError();
    if (!::CloseHandle(h) && !ec) ec = LastError();
    if (!ec && !::MoveFileExW(tmp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ec = LastError();
    if (ec) ::DeleteFileW(tmp);
    return ec;
}

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing name.
    if (::MoveFileExW(win32::Utf8ToWide(from).c_str(), win32::Utf8ToWide(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD e = ::GetLastError();
    if (e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS) return std::make_error_code(std::errc::file_exists);
    return std::error_code(static_cast<int>(e), std::system_category());
}

} // namespace quillmax::util
