// File: app/help_links.cpp
// Composing and starting the manual and support commands.
#include "app/help_links.h"

#include <filesystem>
#include <system_error>

#include "base/native_path.h"
#include "engine/output_naming.h"
#include "settings/registry_access.h"

namespace quillmax::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPlaceholder = "%1";

// The registered browser command; empty when missing or without a registry.
std::string BrowserCommand(Session& s) {
    if (!s.registry) return "";
    return s.registry->ReadRegistryText(settings::RegRoot::ClassesRoot, kBrowserCommandKey, "").text;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(util::Native(path), ec);
}

bool Startable(const std::vector<std::string>& argv) {
    return !argv.empty() && !argv.front().empty();
}

} // namespace

std::string VersionText(int major, int minor, int patch) {
    return std::to_string(major) + "_" + std::to_string(minor) + "_" + std::to_string(patch);
}

std::string ProgramVersionText() {
    return VersionText(QUILLMAX_VERSION_MAJOR, QUILLMAX_VERSION_MINOR, QUILLMAX_VERSION_PATCH);
}

std::string SupportAddress(const std::string& versionText) {
    return std::string(kSupportSiteBase) + kSupportPagePath + "&app=" + "quillmax" + "&ver=" +
           versionText + "&lang=japanese";
}

std::vector<std::string> SplitCommand(const std::string& command) {
    std::vector<std::string> words;
    std::string current;
    bool quoted = false;
    bool inWord = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(current);
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(current);
    return words;
}

std::vector<std::string> ManualArguments(const std::string& browserCommand, const std::string& manualPath) {
    std::vector<std::string> argv = SplitCommand(browserCommand);
    bool placed = false;
    // Only the command's own words are searched, never the inserted path.
    for (size_t i = 1; i < argv.size(); ++i) {
        std::string word;
        const std::string& w = argv[i];
        for (size_t at = 0; at < w.size();) {
            if (w.compare(at, 2, kPlaceholder) == 0) {
                word += manualPath;
                placed = true;
                at += 2;
            } else {
                word += w[at++];
            }
        }
        argv[i] = word;
    }
    if (!placed && !argv.empty()) argv.push_back(manualPath);
    return argv;
}

std::vector<std::string> SupportArguments(const std::string& browserCommand, const std::string& versionText) {
    std::vector<std::string> argv;
    for (const std::string& w : SplitCommand(browserCommand)) {
        if (!w.empty() && (w[0] == '-' || w[0] == '%')) break;
        argv.push_back(w);
    }
    if (!argv.empty()) argv.push_back(SupportAddress(versionText));
    return argv;
}

std::string ManualPath(const std::string& programFolder) {
    const std::string beside = engine::AddPathSep(programFolder) + kManualFileName;
    if (Exists(beside)) return beside;
    const std::string installed = engine::AddPathSep(engine::AddPathSep(programFolder) + kInstalledManualFolder) +
                                  kManualFileName;
    std::error_code ec;
    const fs::path canonical =
        fs::weakly_canonical(util::Native(installed), ec);
    if (!ec && Exists(installed)) return util::Utf8(canonical);
    return beside;
}

void mnuManual_Click(Session& s, const std::string& programFolder, const CommandLauncher& launch) {
    const std::vector<std::string> argv = ManualArguments(BrowserCommand(s), ManualPath(programFolder));
    // A command that is not there cannot be started; the manual stays shut.
    if (!Startable(argv) || !launch) return;
    launch(argv);
}

void mnuSupport_Click(Session& s, const CommandLauncher& launch) {
    const std::vector<std::string> argv = SupportArguments(BrowserCommand(s), ProgramVersionText());
    bool started = false;
    if (Startable(argv) && launch) started = launch(argv);
    if (s.view) s.view->DoEvents();
    if (!started && s.view) s.view->MessageBox(kSupportFailureText, Icon::None);
}

} // namespace quillmax::app
