// File: base/platform_services.h
// What the settings need from the operating system. Each platform library
// defines these once (platform/posix: the stand-ins; platform/win32: the
// real registry and profile-string calls); the build links exactly one,
// through util.
#pragma once

#include <memory>
#include <string>

#include "base/profile_api.h"
#include "base/registry_api.h"

namespace quillmax::settings {

// The registry. registryFolder is where a file-backed stand-in keeps its
// files ("" = its default); a platform with a real registry ignores it.
std::unique_ptr<RegistryApi> CreateRegistryApi(const std::string& registryFolder);
std::unique_ptr<ProfileApi> CreateProfileApi();
// The full path of ole.ini for a program living in programFolder.
std::string OleIniPath(const std::string& programFolder);
// The current user's desktop folder, without a final separator.
std::string DesktopFolder();

} // namespace quillmax::settings
