// File: app/help_links.h
// The help menu's two links: the manual beside the program and the support
// page, both handed to the browser registered for the http protocol. The
// texts are composed here; the front end only starts the command line.
#pragma once

#include <functional>
#include <string>

#include "app/session.h"

namespace quillmax::app {

// Scheme and host of the vendor site, without a final "/".
inline constexpr const char* kSupportSiteBase = "https://quillmax.example";
inline constexpr const char* kSupportPagePath = "/support/product.htm?k=kvrn_01";
inline constexpr const char* kManualFileName = "マニュアル.pdf";
inline constexpr const char* kBrowserCommandKey = "http\\shell\\open\\command";
inline constexpr const char* kSupportFailureText =
    "アプリケーション上からサポートページにアクセスできません。\r\n"
    "ネットワークの状態を確認して下さい。";

// "1_0_0" for version 1.0.0.
std::string VersionText(int major, int minor, int patch);
// The program's own version as VersionText gives it.
std::string ProgramVersionText();
// Base address + page path + "&app=quillmax&ver=" + version + "&lang=japanese".
std::string SupportAddress(const std::string& versionText);

// The browser program taken from its registered command: double quotes
// skipped, everything from the first "-" or "%" that begins a word on
// dropped (the blank before it is kept).
std::string BrowserProgram(const std::string& browserCommand);

// Command line that opens the manual: the command as stored, a blank, the
// manual's path (not quoted).
std::string ManualCommandLine(const std::string& browserCommand, const std::string& programFolder);
// Command line that opens the support page.
std::string SupportCommandLine(const std::string& browserCommand, const std::string& versionText);

// Starts a command line as a separate process; false when it cannot start.
using CommandLauncher = std::function<bool(const std::string& commandLine)>;

// The two menu handlers. The browser command is read through s.registry.
// The manual fails silently; the support page shows its failure box.
void mnuManual_Click(Session& s, const std::string& programFolder, const CommandLauncher& launch);
void mnuSupport_Click(Session& s, const CommandLauncher& launch);

} // namespace quillmax::app
