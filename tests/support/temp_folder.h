// File: tests/support/temp_folder.h
// The tests' one temporary folder: fresh and empty when made, removed with
// everything in it when it goes. Small file helpers beside it.
#pragma once

#include <filesystem>
#include <string>

namespace quillmax::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Full path of name inside the folder (as text).
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string operator/(const std::string& name) const { return file(name); }
    // Writes a file of `bytes` bytes and returns its path.
    std::string touch(const std::string& name, size_t bytes = 1000) const;

private:
    std::filesystem::path path_;
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

} // namespace quillmax::test
