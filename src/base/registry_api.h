// File: base/registry_api.h
// The thin, Win32-shaped registry calls the registry access builds on:
// open / create / query / set / delete / enumerate / close, each returning
// a Win32 status code. The platform library supplies the implementation
// (base/platform_services.h). The buffer rules are not here: they live in
// RegistryAccess.
#pragma once

#include <cstdint>
#include <string>

namespace quillmax::settings {

enum class RegRoot { LocalMachine, CurrentUser, ClassesRoot };

// Win32 status codes the callers and stand-ins use.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorWriteFault = 29;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

// Value types, numbered as the registry numbers them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

enum class RegAccess { QueryValue, SetValue, AllAccess };

// An open key; 0 is never a valid handle.
using RegHandle = std::uintptr_t;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA on a predefined root; the empty sub-key opens the root.
    // Fails (kErrorFileNotFound) when the key does not exist.
    virtual long RegOpenKeyExA(RegRoot root, const std::string& subKey, RegAccess access,
                               RegHandle* result) = 0;
    // RegCreateKeyExA: creates the key and its missing parents, or opens it.
    virtual long RegCreateKeyExA(RegRoot root, const std::string& subKey, RegHandle* result) = 0;
    // RegQueryValueExA: *size is the buffer size on entry and the value's
    // byte count on return. data may be null to ask only for type and size.
    // A buffer that is too small gives kErrorMoreData. "" names the default.
    virtual long RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t* type,
                                  unsigned char* data, std::uint32_t* size) = 0;
    virtual long RegSetValueExA(RegHandle key, const std::string& valueName, std::uint32_t type,
                                const unsigned char* data, std::uint32_t size) = 0;
    virtual long RegDeleteValueA(RegHandle key, const std::string& valueName) = 0;
    // RegEnumKeyExA: *nameSize / *classSize are buffer sizes in characters
    // (NUL included) on entry and the lengths (NUL excluded) on return.
    // kErrorNoMoreItems past the last sub-key.
    virtual long RegEnumKeyExA(RegHandle key, std::uint32_t index, char* name,
                               std::uint32_t* nameSize, char* className,
                               std::uint32_t* classSize) = 0;
    virtual long RegCloseKey(RegHandle key) = 0;
    // Changes to root between the two may be held back and stored together
    // at the end (all settings saved at once); batches nest.
    virtual void BeginBatch(RegRoot /*root*/) {}
    virtual void EndBatch(RegRoot /*root*/) {}
};

} // namespace quillmax::settings
