// File: util/file_system.h
// The one file-system object of the program (fileSystem): existence tests,
// names, extensions, sizes, temporary names and deletion, with the results
// the callers rely on. Failing calls throw office::AutomationError, as the
// scripting runtime's calls raise errors.
//
// Paths: the native separator is kPathSep ('/' here, '\\' on Windows); the
// name functions accept both separators, so texts typed the Windows way
// still split correctly.
#pragma once

#include <string>

namespace quillmax::util {

#ifdef _WIN32
inline constexpr char kPathSep = '\\';
inline constexpr char kForeignSep = '/';
#else
inline constexpr char kPathSep = '/';
inline constexpr char kForeignSep = '\\';
#endif

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FolderExists(const std::string& path);
    virtual bool FileExists(const std::string& path);
    // A regular file (not a folder, pipe, device or socket).
    virtual bool IsRegularFile(const std::string& path);
    // Extension without the dot ("" when none), as stored (not lower-cased).
    virtual std::string GetExtensionName(const std::string& path);
    // File name without folder and extension.
    virtual std::string GetBaseName(const std::string& path);
    // Folder part without a final separator ("" when none).
    virtual std::string GetParentFolderName(const std::string& path);
    virtual std::string GetFileName(const std::string& path);
    // Size in bytes; throws when the file does not exist.
    virtual double FileSize(const std::string& path);
    // 2: the temporary folder (no final separator).
    virtual std::string GetSpecialFolder(int which);
    // A unique temporary name with the program's mark, "qmx-<pid>-XXXXX.tmp"
    // (no folder; see scratch_files.h).
    virtual std::string GetTempName();
    // Throws when the file does not exist or cannot be deleted.
    virtual void DeleteFile(const std::string& path);
};

} // namespace quillmax::util
