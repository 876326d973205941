// File: util/file_system.cpp
// The file-system object over std::filesystem.
#include "util/file_system.h"

#include <filesystem>
#include <system_error>

#include "base/errors.h"
#include "base/native_path.h"
#include "util/scratch_files.h"

namespace fs = std::filesystem;

namespace quillmax::util {
namespace {

size_t last_sep(const std::string& path) {
    size_t a = path.find_last_of('/');
    size_t b = path.find_last_of('\\');
    if (a == std::string::npos) return b;
    if (b == std::string::npos) return a;
    return std::max(a, b);
}

} // namespace

bool FileSystem::FolderExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(Native(path), ec);
}

bool FileSystem::FileExists(const std::string& path) {
    std::error_code ec;
    if (path.empty()) return false;
    auto st = fs::status(Native(path), ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool FileSystem::IsRegularFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(Native(path), ec);
}

std::string FileSystem::GetFileName(const std::string& path) {
    size_t s = last_sep(path);
    return s == std::string::npos ? path : path.substr(s + 1);
}

std::string FileSystem::GetExtensionName(const std::string& path) {
    std::string name = GetFileName(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string FileSystem::GetBaseName(const std::string& path) {
    std::string name = GetFileName(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FileSystem::GetParentFolderName(const std::string& path) {
    size_t s = last_sep(path);
    if (s == std::string::npos) return "";
    if (s == 0) return path.substr(0, 1); // the root keeps its separator
    return path.substr(0, s);
}

double FileSystem::FileSize(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(Native(path), ec);
    if (ec) throw office::AutomationError("FileSystem.GetFile", "file not found: " + path);
    return static_cast<double>(size);
}

std::string FileSystem::GetSpecialFolder(int which) {
    if (which != 2) throw office::AutomationError("FileSystem.GetSpecialFolder", "unsupported folder");
    std::error_code ec;
    auto tmp = fs::temp_directory_path(ec);
    if (ec) throw office::AutomationError("FileSystem.GetSpecialFolder", "no temporary folder");
    std::string s = Utf8(tmp);
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
}

std::string FileSystem::GetTempName() { return ScratchName(); }

void FileSystem::DeleteFile(const std::string& path) {
    std::error_code ec;
    if (!FileExists(path) || !fs::remove(Native(path), ec) || ec)
        throw office::AutomationError("FileSystem.DeleteFile", "cannot delete: " + path);
}

} // namespace quillmax::util
