// File: platform/win32/registry.h
// The registry calls over the real Win32 registry (the ANSI functions).
// Names and string values are converted between the program's UTF-8 and the
// system code page here, so the registry holds what any ANSI program of the
// machine would write. The buffer rules stay in settings::RegistryAccess.
#pragma once

#include "base/registry_api.h"

namespace quillmax::win32 {

class Registry : public settings::RegistryApi {
public:
    long RegOpenKeyExA(settings::RegRoot root, const std::string& subKey, settings::RegAccess access,
                       settings::RegHandle* result) override;
    long RegCreateKeyExA(settings::RegRoot root, const std::string& subKey,
                         settings::RegHandle* result) override;
    // A string value's size is its UTF-8 byte count; one that fits the
    // caller's buffer in the code page but not in UTF-8 gives kErrorMoreData.
    long RegQueryValueExA(settings::RegHandle key, const std::string& valueName, std::uint32_t* type,
                          unsigned char* data, std::uint32_t* size) override;
    long RegSetValueExA(settings::RegHandle key, const std::string& valueName, std::uint32_t type,
                        const unsigned char* data, std::uint32_t size) override;
    long RegDeleteValueA(settings::RegHandle key, const std::string& valueName) override;
    long RegEnumKeyExA(settings::RegHandle key, std::uint32_t index, char* name,
                       std::uint32_t* nameSize, char* className,
                       std::uint32_t* classSize) override;
    long RegCloseKey(settings::RegHandle key) override;
};

} // namespace quillmax::win32
