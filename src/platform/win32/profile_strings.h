// File: platform/win32/profile_strings.h
// The profile-string calls over the real GetPrivateProfileStringA and
// WritePrivateProfileStringA, so ole.ini is in the system code page as any
// ANSI program of the machine writes it; texts are UTF-8 on our side.
#pragma once

#include "base/profile_api.h"

namespace quillmax::win32 {

class ProfileStrings : public settings::ProfileApi {
public:
    // The code page's text is cut to bufferSize bytes first (as the call
    // cuts it), then converted and cut again at a whole UTF-8 character.
    long GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultText, char* buffer,
                                  std::uint32_t bufferSize, const std::string& fileName) override;
    bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                    const std::string& text, const std::string& fileName) override;
};

} // namespace quillmax::win32
