// File: base/native_path.h
// Paths travel through the program as UTF-8 text; the file system wants its
// own form (wide on Windows). These two cross that line, and only these.
#pragma once

#include <filesystem>
#include <string>

namespace quillmax::util {

// The file system's path for a UTF-8 path.
std::filesystem::path Native(const std::string& utf8);

// The UTF-8 text of a file-system path.
std::string Utf8(const std::filesystem::path& path);

} // namespace quillmax::util
