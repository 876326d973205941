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
#include "support/temp_folder.h"
#include "util/file_system.h"

namespace quillmax::test {

struct FakeWorld {
    FakeWorld();

    FakeOffice office;
    RecorderView view;
    settings::Settings settings;
    settings::OleConversionList oleList;
    util::FileSystem fileSystem;
    TempFolder dir;
    TempFolder registryDir;
    util::RegistryStore registryStore{registryDir.path().string()};
    settings::RegistryAccess registry{registryStore};
    app::Session session;

    // Registers a deck at path (and writes a file there so it exists).
    std::string AddDeck(const std::string& name, std::function<void(FakePresentation&)> build,
                        size_t fileBytes = 50000);
};

} // namespace quillmax::test
