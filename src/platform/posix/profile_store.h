// File: platform/posix/profile_store.h
// Profile strings (INI files) on POSIX systems, behaving as the Windows
// profile-string calls behave for the callers here: sections and keys match
// without regard to case, surrounding blanks and one pair of surrounding
// matching quotes are removed from a value, every other line of the file
// (other sections and keys, comments, lines it cannot parse) is kept, the
// file is created by the first write. Text is UTF-8, lines end in CR LF;
// a write replaces the file atomically (temporary file, rename). A file is
// parsed once and read again only when another writer changed it; inside a
// batch the writes are held and the file is written once at its end.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/profile_api.h"

namespace quillmax::util {

class ProfileStore : public settings::ProfileApi {
public:
    long GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultText, char* buffer,
                                  std::uint32_t bufferSize, const std::string& fileName) override;
    bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                    const std::string& text, const std::string& fileName) override;
    void BeginBatch(const std::string& fileName) override;
    bool EndBatch(const std::string& fileName) override;

private:
    struct FileState {
        bool exists = false;
        std::uint64_t size = 0, inode = 0;
        std::int64_t mtimeNs = 0;
        bool operator==(const FileState&) const = default;
    };
    // The lines under one header (the first "section" holds the lines before
    // any header), with the first line of each key by lower-cased name.
    struct Section {
        std::vector<std::string> lines;
        std::unordered_map<std::string, size_t> keys;
    };
    struct File {
        bool valid = false, exists = false, dirty = false;
        int batch = 0;
        FileState state;
        std::vector<Section> sections;
        std::unordered_map<std::string, std::vector<size_t>> byName; // lower-cased name -> sections
    };
    File& Load(const std::string& fileName);
    bool Flush(const std::string& fileName, File& f);

    std::map<std::string, File> files_;
};

// Where ole.ini lives: programFolder + "/ole.ini" when that folder is
// writable and not a shared program folder such as /usr/bin; otherwise (an
// installed program, or no folder known)
// $XDG_CONFIG_HOME/quillmax/ole.ini (~/.config/quillmax/ole.ini), whose
// folder is created when missing. Used for reading and writing alike.
std::string OleIniPath(const std::string& programFolder);

} // namespace quillmax::util
