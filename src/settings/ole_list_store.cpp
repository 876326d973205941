// File: settings/ole_list_store.cpp
// ole.ini reading and writing, the installed-server scan and the list
// dialog's model operations.
#include "settings/ole_list_store.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "base/containment.h"
#include "base/native_path.h"
#include "util/file_system.h"

namespace quillmax::settings {
namespace {

constexpr std::uint32_t kIniBuffer = 1024;
constexpr const char* kNameSection = "name";
constexpr const char* kValueSection = "value";

} // namespace

const OleDefaultEntry kDefaultOleList[13] = {
    {"excel", kConvert},       {"word", kConvert},    {"powerpoint", kConvert},
    {"photoshop", kConvert},   {"msphotoed", kConvert}, {"flash", kConvert},
    {"paint", kConvert},       {"wordpad", kConvert}, {"msgraph", kConvert},
    {"equation", kConvert},    {"mplayer", kDoNotConvert}, {"avifile", kDoNotConvert},
    {"midfile", kDoNotConvert},
};

std::string ReadIniString(ProfileApi& profile, const std::string& iniFilePath,
                          const std::string& section, const std::string& key,
                          const std::string& defaultText) {
    std::array<char, kIniBuffer> buffer{};
    long count = profile.GetPrivateProfileStringA(section, key, "", buffer.data(), kIniBuffer,
                                                  iniFilePath);
    if (count <= 0) return defaultText;
    buffer[kIniBuffer - 1] = '\0'; // whatever the call did, the text ends in the buffer
    return std::string(buffer.data());
}

void WriteIniString(ProfileApi& profile, const std::string& iniFilePath,
                    const std::string& section, const std::string& key, const std::string& text) {
    profile.WritePrivateProfileStringA(section, key, text, iniFilePath);
}

OleListStore::OleListStore(OleConversionList& list, ProfileApi& profile, RegistryAccess& registry,
                           std::function<std::string()> iniFilePath, util::FileSystem* fileSystem)
    : list_(list), profile_(profile), registry_(registry), iniFilePath_(std::move(iniFilePath)),
      fileSystem_(fileSystem) {}

void OleListStore::initExceptionList() {
    const std::string path = iniFilePath_();
    if (ReadIniString(profile_, path, kNameSection, "0", "").empty()) {
        for (const auto& e : kDefaultOleList) list_.AddToExceptionList(e.key, e.value);
    }
    for (int i = 0;; ++i) {
        const std::string index = std::to_string(i);
        std::string key = ReadIniString(profile_, path, kNameSection, index, "");
        if (key.empty()) break;
        std::string value = ReadIniString(profile_, path, kValueSection, index, kDoNotConvert);
        list_.AddToExceptionList(key, value);
    }
    ShowInstalledInsertable();
}

void OleListStore::ShowInstalledInsertable() {
    for (const std::string& name : registry_.ListRegistrySubkeys(RegRoot::ClassesRoot)) {
        if (!registry_.RegistryValueExists(RegRoot::ClassesRoot, name + "\\Insertable", ""))
            continue;
        std::string key = name.substr(0, name.find_first_of(std::string("\0\n\r", 3)));
        key = key.substr(0, key.find('.'));
        list_.AddToExceptionList(key, kDoNotConvert);
    }
}

void OleListStore::SaveExceptionList() {
    const std::string path = iniFilePath_();
    const auto& keys = list_.keys();
    const auto& values = list_.values();
    // The list never holds an empty key (AddToExceptionList refuses one);
    // should one get in anyway it is left out and the indexes stay dense,
    // so that no later entry is lost at the next load.
    int z = 0;
    profile_.BeginBatch(path); // one write of the file, not two per entry
    for (size_t i = 0; i < keys.size() && i < values.size(); ++i) {
        if (keys[i].empty()) continue;
        const std::string index = std::to_string(z++);
        WriteIniString(profile_, path, kNameSection, index, keys[i]);
        WriteIniString(profile_, path, kValueSection, index, values[i]);
    }
    profile_.EndBatch(path);
}

OleListStore::KeySelection OleListStore::lstException_Click(int index) {
    KeySelection sel;
    if (index < 0 || static_cast<size_t>(index) >= list_.keys().size()) return sel;
    const std::string& key = list_.keys()[static_cast<size_t>(index)];
    const std::string& value = list_.values()[static_cast<size_t>(index)];
    sel.description = registry_.ReadRegistryText(RegRoot::ClassesRoot, key, "").text;
    if (value == kOptFormatCaptions[0]) sel.option = 0;
    else if (value == kOptFormatCaptions[1]) sel.option = 1;
    return sel;
}

void OleListStore::optFormat_Click(int index, int option) {
    if (index < 0 || static_cast<size_t>(index) >= list_.values().size()) return;
    if (option < 0 || option > 1) return;
    list_.SetValueAt(static_cast<size_t>(index), kOptFormatCaptions[option]);
}

void OleListStore::btnReset_Click(Settings& settings) {
    list_.Clear();
    settings.Twice = 1;
    const std::string path = iniFilePath_();
    if (fileSystem_) {
        office::step([&] { fileSystem_->DeleteFile(path); }); // a missing file is fine
    } else {
        std::error_code ec;
        std::filesystem::remove(util::Native(path), ec);
    }
    initExceptionList();
}

} // namespace quillmax::settings
