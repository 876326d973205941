// File: app/help_links.cpp
// Composing and starting the manual and support command lines.
#include "app/help_links.h"

#include "engine/output_naming.h"
#include "settings/registry_access.h"

namespace quillmax::app {
namespace {

// The registered browser command; empty when missing or without a registry.
std::string BrowserCommand(Session& s) {
    if (!s.registry) return "";
    return s.registry->ReadRegistryText(settings::RegRoot::ClassesRoot, kBrowserCommandKey, "").text;
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

std::string BrowserProgram(const std::string& browserCommand) {
    // A "-" or "%" opens an argument only where a word begins; inside a
    // name ("xdg-open", "C:\my-browser\") it belongs to the program.
    std::string program;
    bool wordStart = true;
    for (char c : browserCommand) {
        if (c == '"') continue;
        if ((c == '-' || c == '%') && wordStart) break;
        program += c;
        wordStart = (c == ' ' || c == '\t');
    }
    return program;
}

std::string ManualCommandLine(const std::string& browserCommand, const std::string& programFolder) {
    return browserCommand + " " + engine::AddPathSep(programFolder) + kManualFileName;
}

std::string SupportCommandLine(const std::string& browserCommand, const std::string& versionText) {
    return BrowserProgram(browserCommand) + " " + SupportAddress(versionText);
}

void mnuManual_Click(Session& s, const std::string& programFolder, const CommandLauncher& launch) {
    std::string command = BrowserCommand(s);
    // A command that is not there cannot be started; the manual stays shut.
    if (command.empty() || !launch) return;
    launch(ManualCommandLine(command, programFolder));
}

void mnuSupport_Click(Session& s, const CommandLauncher& launch) {
    std::string command = BrowserCommand(s);
    std::string program = BrowserProgram(command);
    bool started = false;
    // Blanks only means there is no program to start.
    if (program.find_first_not_of(' ') != std::string::npos && launch)
        started = launch(SupportCommandLine(command, ProgramVersionText()));
    if (s.view) s.view->DoEvents();
    if (!started && s.view) s.view->MessageBox(kSupportFailureText, Icon::None);
}

} // namespace quillmax::app
