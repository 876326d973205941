// File: app/help_links.h
// The help menu's two links: the manual and the support page, both handed
// to the browser registered for the http protocol. The registered command is
// split into a program and its arguments here and started without a shell,
// so no character of an address or a folder is ever interpreted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/session.h"

namespace quillmax::app {

// Scheme and host of the vendor site, without a final "/".
inline constexpr const char* kSupportSiteBase = "https://quillmax.example";
inline constexpr const char* kSupportPagePath = "/support/product.htm?k=kvrn_01";
inline constexpr const char* kManualFileName = "マニュアル.pdf";
// Where an installed program finds the manual, from its own folder.
inline constexpr const char* kInstalledManualFolder = "../share/doc/quillmax";
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

// A registered command as words: blanks and tabs separate, double quotes
// group (and are dropped), "" is an empty word.
std::vector<std::string> SplitCommand(const std::string& command);

// Program and arguments that open the manual: the whole command with every
// "%1" replaced by the path (a word "%1" becomes the path as one argument);
// without a "%1" the path is added as the last argument.
std::vector<std::string> ManualArguments(const std::string& browserCommand, const std::string& manualPath);
// Program and arguments that open the support page: the words before the
// first that begins with "-" or "%" (the command's own options and
// placeholders are dropped), then the address as one argument.
std::vector<std::string> SupportArguments(const std::string& browserCommand, const std::string& versionText);

// The manual beside the program, else where an installed program keeps it
// (kInstalledManualFolder); the first when neither exists.
std::string ManualPath(const std::string& programFolder);

// Starts argv[0] with the other words as its arguments, as a separate
// process, without a shell; false when it cannot be started.
using CommandLauncher = std::function<bool(const std::vector<std::string>& argv)>;

// The two menu handlers. The browser command is read through s.registry.
// The manual fails silently; the support page shows its failure box.
void mnuManual_Click(Session& s, const std::string& programFolder, const CommandLauncher& launch);
void mnuSupport_Click(Session& s, const CommandLauncher& launch);

} // namespace quillmax::app
