// File: tests/support/fake_world.cpp
#include "support/fake_world.h"

#include <fstream>
#include <random>

namespace quillmax::test {

TempDir::TempDir() {
    static std::mt19937_64 rng{std::random_device{}()};
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto p = base / ("quillmax-test-" + std::to_string(rng()));
        if (std::filesystem::create_directory(p)) {
            path_ = p;
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::touch(const std::string& name, size_t bytes) const {
    auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::string block(bytes, 'x');
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return p.string();
}

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
