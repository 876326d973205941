// File: platform/posix/registry_store.h
// The registry on POSIX systems: each root (HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER, HKEY_CLASSES_ROOT) is one UTF-8 text file in the
// registry export format ("Windows Registry Editor Version 5.00"), named
// after the root, e.g. HKEY_LOCAL_MACHINE.reg, in one folder. The store only
// stores; the buffer rules live in settings::RegistryAccess.
//
// Key and value names match without regard to case. A root's file is parsed
// once and read again only when another writer changed it; each change
// rewrites it atomically (temporary file, rename). Lines that cannot be
// parsed are ignored, so a damaged file reads as the values it still holds.
// HKEY_CLASSES_ROOT answers "xdg-open" as the default value of
// http\shell\open\command when the file does not say otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/registry_api.h"
#include "platform/posix/reg_file.h"

namespace quillmax::util {

// $XDG_CONFIG_HOME/quillmax/registry (~/.config/quillmax/registry when the
// variable is unset or empty).
std::string DefaultRegistryFolder();

// "HKEY_LOCAL_MACHINE" etc.
inline const char* RegistryRootName(settings::RegRoot root) { return regfile::RootName(root); }

class RegistryStore : public settings::RegistryApi {
public:
    explicit RegistryStore(std::string folder);

    long RegOpenKeyExA(settings::RegRoot root, const std::string& subKey, settings::RegAccess access,
                       settings::RegHandle* result) override;
    long RegCreateKeyExA(settings::RegRoot root, const std::string& subKey,
                         settings::RegHandle* result) override;
    long RegQueryValueExA(settings::RegHandle key, const std::string& valueName, std::uint32_t* type,
                          unsigned char* data, std::uint32_t* size) override;
    long RegSetValueExA(settings::RegHandle key, const std::string& valueName, std::uint32_t type,
                        const unsigned char* data, std::uint32_t size) override;
    long RegDeleteValueA(settings::RegHandle key, const std::string& valueName) override;
    long RegEnumKeyExA(settings::RegHandle key, std::uint32_t index, char* name,
                       std::uint32_t* nameSize, char* className,
                       std::uint32_t* classSize) override;
    long RegCloseKey(settings::RegHandle key) override;
    void BeginBatch(settings::RegRoot root) override;
    void EndBatch(settings::RegRoot root) override;

    const std::string& folder() const { return folder_; }
    // Full path of a root's file.
    std::string FilePath(settings::RegRoot root) const;

private:
    struct Open {
        settings::RegRoot root;
        std::string path; // lower-cased
        settings::RegAccess access;
    };

    regfile::Hive& Load(settings::RegRoot root);
    // Writes the cached hive of root; on failure the cache is dropped, so
    // the next read sees what the file holds.
    bool Save(settings::RegRoot root);
    settings::RegHandle NewHandle(settings::RegRoot root, std::string path,
                                  settings::RegAccess access);

    // The last parse of each root's file and the file state it came from,
    // so that a scan of many keys does not parse the file for every call.
    struct FileState {
        bool exists = false;
        std::uint64_t size = 0, inode = 0;
        std::int64_t mtimeNs = 0;
        bool operator==(const FileState&) const = default;
    };
    struct Cached {
        bool valid = false;
        FileState state;
        regfile::Hive hive;
        std::map<std::string, std::vector<std::string>> children; // by parent, filled on demand
        int batch = 0;
        bool dirty = false; // changed inside a batch, not yet written
    };
    static FileState StateOf(const std::string& path);
    std::map<settings::RegRoot, Cached> cache_;

    std::string folder_;
    std::map<settings::RegHandle, Open> open_;
    settings::RegHandle next_ = 1;
};

} // namespace quillmax::util
