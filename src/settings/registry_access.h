// File: settings/registry_access.h
// The registry operations the settings, the picture-compression switch, the
// OLE server scan and the browser lookup use. Each opens its key, does one
// thing and closes it again. The buffer rules live here, over the thin
// Win32-shaped registry calls of the platform (RegistryApi).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/registry_api.h"

namespace quillmax::settings {

struct RegText {
    bool found = false;
    std::string text;
};

class RegistryAccess {
public:
    explicit RegistryAccess(RegistryApi& api) : api_(api) {}

    RegText ReadRegistryText(RegRoot root, const std::string& subKey, const std::string& valueName);
    bool WriteRegistryText(RegRoot root, const std::string& subKey, const std::string& valueName,
                           const std::string& text);
    bool WriteRegistryDword(RegRoot root, const std::string& subKey, const std::string& valueName,
                            std::uint32_t value);
    long DeleteRegistryValue(RegRoot root, const std::string& subKey, const std::string& valueName);
    void CreateRegistryKey(RegRoot root, const std::string& subKey);
    std::vector<std::string> ListRegistrySubkeys(RegRoot root);
    bool RegistryValueExists(RegRoot root, const std::string& subKey, const std::string& valueName);

    RegistryApi& api() { return api_; }

private:
    RegistryApi& api_;
};

} // namespace quillmax::settings
