// File: settings/registry_access.cpp
// The registry operations over the platform calls: buffer sizes, NUL
// trimming, DWORD as decimal text. Every operation closes what it opened.
#include "settings/registry_access.h"

#include <array>

namespace quillmax::settings {
namespace {

constexpr std::uint32_t kValueBuffer = 1024;
constexpr std::uint32_t kNameBuffer = 2000;

// Closes the key on every way out.
class OpenKey {
public:
    explicit OpenKey(RegistryApi& api) : api_(api) {}
    ~OpenKey() {
        if (handle) api_.RegCloseKey(handle);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    RegHandle handle = 0;

private:
    RegistryApi& api_;
};

// Opens for setting values, creating the key when it cannot be opened.
bool OpenForWrite(RegistryAccess& access, RegRoot root, const std::string& subKey, OpenKey& key) {
    RegistryApi& api = access.api();
    if (api.RegOpenKeyExA(root, subKey, RegAccess::SetValue, &key.handle) == kErrorSuccess)
        return true;
    key.handle = 0;
    return api.RegCreateKeyExA(root, subKey, &key.handle) == kErrorSuccess;
}

} // namespace

RegText RegistryAccess::ReadRegistryText(RegRoot root, const std::string& subKey,
                                         const std::string& valueName) {
    OpenKey key(api_);
    if (api_.RegOpenKeyExA(root, subKey, RegAccess::QueryValue, &key.handle) != kErrorSuccess) {
        key.handle = 0;
        return {};
    }
    std::array<unsigned char, kValueBuffer> buffer{};
    std::uint32_t type = kRegNone;
    std::uint32_t size = kValueBuffer;
    if (api_.RegQueryValueExA(key.handle, valueName, &type, buffer.data(), &size) != kErrorSuccess)
        return {};
    if (size > kValueBuffer) return {}; // a stand-in that overran its buffer
    std::string bytes(reinterpret_cast<const char*>(buffer.data()), size);
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();

    RegText result;
    result.found = true;
    if (type == kRegDword) {
        std::uint32_t v = 0;
        for (size_t i = 0; i < 4 && i < size; ++i) v |= std::uint32_t(buffer[i]) << (8 * i);
        result.text = std::to_string(v);
    } else {
        // Strings (and any other type) as text up to the first NUL.
        size_t nul = bytes.find('\0');
        result.text = nul == std::string::npos ? bytes : bytes.substr(0, nul);
    }
    return result;
}

bool RegistryAccess::WriteRegistryText(RegRoot root, const std::string& subKey,
                                       const std::string& valueName, const std::string& text) {
    OpenKey key(api_);
    if (!OpenForWrite(*this, root, subKey, key)) return true;
    std::string bytes = text;
    bytes.push_back('\0');
    api_.RegSetValueExA(key.handle, valueName, kRegSz,
                        reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<std::uint32_t>(bytes.size()));
    return true;
}

bool RegistryAccess::WriteRegistryDword(RegRoot root, const std::string& subKey,
                                        const std::string& valueName, std::uint32_t value) {
    OpenKey key(api_);
    if (!OpenForWrite(*this, root, subKey, key)) return true;
    unsigned char bytes[4] = {static_cast<unsigned char>(value & 0xff),
                              static_cast<unsigned char>((value >> 8) & 0xff),
                              static_cast<unsigned char>((value >> 16) & 0xff),
                              static_cast<unsigned char>((value >> 24) & 0xff)};
    api_.RegSetValueExA(key.handle, valueName, kRegDword, bytes, 4);
    return true;
}

long RegistryAccess::DeleteRegistryValue(RegRoot root, const std::string& subKey,
                                         const std::string& valueName) {
    OpenKey key(api_);
    long status = api_.RegOpenKeyExA(root, subKey, RegAccess::SetValue, &key.handle);
    if (status != kErrorSuccess) {
        key.handle = 0;
        return status;
    }
    return api_.RegDeleteValueA(key.handle, valueName);
}

void RegistryAccess::CreateRegistryKey(RegRoot root, const std::string& subKey) {
    OpenKey key(api_);
    if (api_.RegCreateKeyExA(root, subKey, &key.handle) != kErrorSuccess) key.handle = 0;
}

std::vector<std::string> RegistryAccess::ListRegistrySubkeys(RegRoot root) {
    std::vector<std::string> names;
    OpenKey key(api_);
    if (api_.RegOpenKeyExA(root, "", RegAccess::QueryValue, &key.handle) != kErrorSuccess) {
        key.handle = 0;
        return names;
    }
    std::array<char, kNameBuffer> name{};
    std::array<char, kNameBuffer> className{};
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameSize = kNameBuffer;
        std::uint32_t classSize = kNameBuffer;
        if (api_.RegEnumKeyExA(key.handle, index, name.data(), &nameSize, className.data(),
                               &classSize) != kErrorSuccess)
            break;
        if (nameSize >= kNameBuffer) nameSize = kNameBuffer - 1;
        names.emplace_back(name.data(), nameSize);
    }
    return names;
}

bool RegistryAccess::RegistryValueExists(RegRoot root, const std::string& subKey,
                                         const std::string& valueName) {
    OpenKey key(api_);
    if (api_.RegOpenKeyExA(root, subKey, RegAccess::QueryValue, &key.handle) != kErrorSuccess) {
        key.handle = 0;
        return false;
    }
    std::array<unsigned char, kValueBuffer> buffer{};
    std::uint32_t type = kRegNone;
    std::uint32_t size = kValueBuffer;
    return api_.RegQueryValueExA(key.handle, valueName, &type, buffer.data(), &size) ==
           kErrorSuccess;
}

} // namespace quillmax::settings
