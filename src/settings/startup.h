// File: settings/startup.h
// Everything the settings subsystem keeps for the life of the program, and
// the start and exit sequences both front ends run.
//
// Headless front end: construct a SettingsRuntime, Startup(rt), run,
// Shutdown(rt). The window interleaves the same steps with its own:
//   rt.store.LoadSettingsFirstStage(rt.settings); rt.store.LoadFormHeight(...);
//   ... rt.oleStore.initExceptionList(); ... rt.store.LoadSettingsSecondStage(...);
// and at close Shutdown(rt). Set rt.store.chkObject_Click / chkMovie_Click
// before loading when the window wants to follow the two check boxes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "settings/ole_list.h"
#include "settings/ole_list_store.h"
#include "base/profile_api.h"
#include "settings/registry_access.h"
#include "base/registry_api.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace quillmax::util {
class FileSystem;
} // namespace quillmax::util

namespace quillmax::settings {

struct SettingsRuntime {
    // The platform stand-ins at their usual places: the registry files in
    // registryFolder ("" = the default folder), ole.ini beside the program
    // (programFolder) or in the user's configuration folder when that one
    // is not writable, folder defaults = the desktop folder.
    // fileSystem deletes ole.ini on the list dialog's reset (may be null).
    explicit SettingsRuntime(const std::string& programFolder,
                             const std::string& registryFolder = "",
                             util::FileSystem* fileSystem = nullptr);
    // Explicit parts, for tests and other platforms.
    SettingsRuntime(std::unique_ptr<RegistryApi> registryApi,
                    std::unique_ptr<ProfileApi> profileApi,
                    std::function<std::string()> iniFilePath,
                    std::function<std::string()> desktopFolder,
                    util::FileSystem* fileSystem = nullptr);
    SettingsRuntime(const SettingsRuntime&) = delete;
    SettingsRuntime& operator=(const SettingsRuntime&) = delete;

    std::unique_ptr<RegistryApi> registryApi;
    std::unique_ptr<ProfileApi> profileApi;
    RegistryAccess registry;
    Settings settings;
    OleConversionList oleList;
    SettingsStore store;
    OleListStore oleStore;
};

// Start: LoadSettings (both stages and FormHeight), initExceptionList.
void Startup(SettingsRuntime& rt);
// Exit: SaveSettings, then SaveExceptionList.
void Shutdown(SettingsRuntime& rt);

} // namespace quillmax::settings
