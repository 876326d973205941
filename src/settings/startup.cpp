// File: settings/startup.cpp
// The settings' part of the program's start and exit.
#include "settings/startup.h"

#include "base/platform_services.h"

namespace quillmax::settings {

SettingsRuntime::SettingsRuntime(const std::string& programFolder,
                                 const std::string& registryFolder, util::FileSystem* fileSystem)
    : SettingsRuntime(CreateRegistryApi(registryFolder), CreateProfileApi(),
                      [programFolder] { return OleIniPath(programFolder); },
                      [] { return DesktopFolder(); }, fileSystem) {}

SettingsRuntime::SettingsRuntime(std::unique_ptr<RegistryApi> registryApi_,
                                 std::unique_ptr<ProfileApi> profileApi_,
                                 std::function<std::string()> iniFilePath,
                                 std::function<std::string()> desktopFolder,
                                 util::FileSystem* fileSystem)
    : registryApi(std::move(registryApi_)), profileApi(std::move(profileApi_)),
      registry(*registryApi), store(registry, std::move(desktopFolder)),
      oleStore(oleList, *profileApi, registry, std::move(iniFilePath), fileSystem) {}

void Startup(SettingsRuntime& rt) {
    rt.store.LoadSettingsFirstStage(rt.settings);
    rt.store.LoadFormHeight(rt.settings);
    rt.oleStore.initExceptionList();
    rt.store.LoadSettingsSecondStage(rt.settings);
}

void Shutdown(SettingsRuntime& rt) {
    rt.store.SaveSettings(rt.settings);
    rt.oleStore.SaveExceptionList();
}

} // namespace quillmax::settings
