// File: tests/support/fake_world.h
// Everything a test of the system code needs, wired together: the fake
// office, a recorder view, a settings record, an OLE list, the file system
// and a session pointing at them, plus a temporary folder for files.
#pragma once

#include <filesystem>
#include <string>

#include "app/session.h"
#include "platform/posix/registry_store.h"
#include "settings/ole_list.h"
#include "settings/registry_access.h"
#include "settings/settings.h"
#include "support/fake_office.h"
#include "support/recorder_view.h"
#include "util/file_system.h"

namespace quillmax::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Full path of name inside the folder (as text).
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file of `bytes` bytes and returns its path.
    std::string touch(const std::string& name, size_t bytes = 1000) const;

private:
    std::filesystem::path path_;
};

struct FakeWorld {
    FakeWorld();

    FakeOffice office;
    RecorderView view;
    settings::Settings settings;
    settings::OleConversionList oleList;
    util::FileSystem fileSystem;
    TempDir dir;
    TempDir registryDir;
    util::RegistryStore registryStore{registryDir.path().string()};
    settings::RegistryAccess registry{registryStore};
    app::Session session;

    // Registers a deck at path (and writes a file there so it exists).
    std::string AddDeck(const std::string& name, std::function<void(FakePresentation&)> build,
                        size_t fileBytes = 50000);
};

} // namespace quillmax::test
