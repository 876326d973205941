// File: platform/posix/platform_services.cpp
// The settings' operating-system services on POSIX: the file-backed
// registry and profile-string stand-ins, ole.ini beside the program or in
// the configuration folder, the XDG desktop folder.
#include "base/platform_services.h"

#include "platform/posix/desktop_folder.h"
#include "platform/posix/profile_store.h"
#include "platform/posix/registry_store.h"

namespace quillmax::settings {

std::unique_ptr<RegistryApi> CreateRegistryApi(const std::string& registryFolder) {
    return std::make_unique<util::RegistryStore>(
        registryFolder.empty() ? util::DefaultRegistryFolder() : registryFolder);
}

std::unique_ptr<ProfileApi> CreateProfileApi() { return std::make_unique<util::ProfileStore>(); }

std::string OleIniPath(const std::string& programFolder) { return util::OleIniPath(programFolder); }

std::string DesktopFolder() { return util::DesktopFolder(); }

} // namespace quillmax::settings
