// File: tests/support/fake_world.cpp
#include "support/fake_world.h"

#include <fstream>
#include <random>

namespace quillmax::test {

FakeWorld::FakeWorld() {
    session.view = &view;
    session.automation = &office;
    session.settings = &settings;
    session.oleList = &oleList;
    session.fileSystem = &fileSystem;
    session.registry = &registry;
    settings.PPTFolder = dir.path().string();
    settings.MovieFolder = dir.path().string();
}

std::string FakeWorld::AddDeck(const std::string& name, std::function<void(FakePresentation&)> build,
                               size_t fileBytes) {
    std::string path = dir.touch(name, fileBytes);
    office.decks[path] = std::move(build);
    return path;
}

} // namespace quillmax::test
