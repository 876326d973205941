// File: platform/posix/profile_store.h
// Profile strings (INI files) on POSIX systems, behaving as the Windows
// profile-string calls behave for the callers here: sections and keys match
// without regard to case, surrounding blanks and one pair of surrounding
// matching quotes are removed from a value, every other line of the file
// (other sections and keys, comments, lines it cannot parse) is kept, the
// file is created by the first write. Text is UTF-8, lines end in CR LF;
// a write replaces the file atomically (temporary file, rename).
#pragma once

#include <string>

#include "base/profile_api.h"

namespace quillmax::util {

class ProfileStore : public settings::ProfileApi {
public:
    long GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultText, char* buffer,
                                  std::uint32_t bufferSize, const std::string& fileName) override;
    bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                    const std::string& text, const std::string& fileName) override;
};

// Where ole.ini lives: programFolder + "/ole.ini" when that folder is
// writable; otherwise (an installed program, or no folder known)
// $XDG_CONFIG_HOME/quillmax/ole.ini (~/.config/quillmax/ole.ini), whose
// folder is created when missing. Used for reading and writing alike.
std::string OleIniPath(const std::string& programFolder);

} // namespace quillmax::util
