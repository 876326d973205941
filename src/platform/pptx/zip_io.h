// File: platform/pptx/zip_io.h
// Whole zip archives to and from memory, for what is not read part by part
// through a Package: the test fixtures, checks and tools; and the reading
// of one entry that the package and the render-ahead pool share. Together
// with package.cpp, the only code that reads entries through libzip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct zip;

namespace quillmax::pptx {

struct ZipEntry {
    std::string name;
    std::string bytes;
    bool stored = false; // kept as is, else deflated
    int level = 0;       // deflate level; 0 is the library's default
};

// An archive of the entries in their order. With fixedTime every entry
// carries one fixed date, so equal entries give equal bytes. Throws
// office::AutomationError when libzip fails.
std::string ZipArchiveBytes(const std::vector<ZipEntry>& entries, bool fixedTime = false);

// Every entry of an archive, in stored order; throws office::AutomationError
// when the archive cannot be read.
std::vector<ZipEntry> ZipArchiveEntries(const std::string& archive);

// The entry names of a zip file, read from its central directory only;
// empty when it is no regular file or no zip.
std::vector<std::string> ZipFileEntryNames(const std::string& path);

// A zip file opened by its central directory alone (entries are read as
// asked for); null when it is no regular file or no zip. Closed with
// zip_discard.
::zip* OpenZipFile(const std::string& path);

// The entry of an opened archive named so, without regard to case (as part
// names are); nothing when it is missing, over limit or damaged.
std::optional<std::string> ReadNamedZipEntry(::zip* archive, const std::string& name, std::uint64_t limit);

// A read-only archive over bytes that outlive it; null when they are no zip
// archive (why then says libzip's reason). Closed with zip_discard.
::zip* OpenZipInMemory(const std::string& bytes, std::string& why);

// One entry of an opened archive, whose central directory declares
// `declared` bytes: a different length or a bad checksum is a damaged part.
// Throws office::AutomationError (no member name).
std::string ReadZipEntry(::zip* archive, std::int64_t index, std::uint64_t declared);

} // namespace quillmax::pptx
