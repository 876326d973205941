// File: settings/ole_list_store.h
// Loading and saving the OLE conversion list (ole.ini through the profile
// strings), the scan for installed insertable OLE servers, and the model
// side of the list dialog frmObject (select, choose, reset).
#pragma once

#include <functional>
#include <string>

#include "settings/ole_list.h"
#include "base/profile_api.h"
#include "settings/registry_access.h"
#include "settings/settings.h"

namespace quillmax::util {
class FileSystem;
} // namespace quillmax::util

namespace quillmax::settings {

// 1024-character buffer; a count of 0 or less gives `defaultText`,
// otherwise the buffer up to its first NUL (so an empty entry reads as the
// default and texts beyond 1023 characters are cut).
std::string ReadIniString(ProfileApi& profile, const std::string& iniFilePath,
                          const std::string& section, const std::string& key,
                          const std::string& defaultText);
// One write; its result is ignored.
void WriteIniString(ProfileApi& profile, const std::string& iniFilePath,
                    const std::string& section, const std::string& key, const std::string& text);

// The thirteen entries used when ole.ini has none.
struct OleDefaultEntry {
    const char* key;
    const char* value;
};
extern const OleDefaultEntry kDefaultOleList[13];

// Captions of frmObject's option buttons optFormat(0) / optFormat(1).
inline constexpr const char* kOptFormatCaptions[2] = {kConvert, kDoNotConvert};

class OleListStore {
public:
    // iniFilePath is asked before every read, write and deletion.
    // fileSystem deletes ole.ini on reset (may be null: then std::filesystem).
    OleListStore(OleConversionList& list, ProfileApi& profile, RegistryAccess& registry,
                 std::function<std::string()> iniFilePath, util::FileSystem* fileSystem = nullptr);

    // The default list when ole.ini has no name 0, else the file's entries
    // up to the first missing name; then the installed servers.
    void initExceptionList();
    // Adds each HKEY_CLASSES_ROOT sub-key with an Insertable sub-key that
    // has a default value, as "変換しない" (listed keys keep their value).
    void ShowInstalledInsertable();
    // Writes name z then value z for every index. Entries above the count
    // stay in the file.
    void SaveExceptionList();

    // lstException_Click: the registry description of the key at `index`
    // and the option button to check (-1: leave the buttons as they are).
    struct KeySelection {
        std::string description; // lblApp
        int option = -1;         // 0 変換する, 1 変換しない
    };
    KeySelection lstException_Click(int index);
    // optFormat_Click: stores the caption of option `option` as the value of
    // the key at `index`; nothing when no key is selected (index -1).
    void optFormat_Click(int index, int option);
    // btnReset_Click: clear, tick Twice, delete ole.ini (a failure is
    // ignored), rebuild.
    void btnReset_Click(Settings& settings);

    std::string iniFilePath() const { return iniFilePath_(); }
    OleConversionList& list() { return list_; }

private:
    OleConversionList& list_;
    ProfileApi& profile_;
    RegistryAccess& registry_;
    std::function<std::string()> iniFilePath_;
    util::FileSystem* fileSystem_;
};

} // namespace quillmax::settings
