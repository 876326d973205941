// File: app/entry.h
// The program's entry procedure: the one fileSystem, the command-line
// files put into txtSource and the batch started at once, and the headless
// front end's whole life (start-up, the batch, shut-down, exit status).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace quillmax::settings {
struct SettingsRuntime;
} // namespace quillmax::settings

namespace quillmax::app {

class ConsoleView;

// Exit status of the headless program.
inline constexpr int kExitFinished = 0;    // lblMsg "圧縮完了"
inline constexpr int kExitInterrupted = 1; // lblMsg "圧縮中断"
inline constexpr int kExitRefused = 2;     // the run never began

// Creates fileSystem; a failure is ignored (null: later file calls fail).
std::unique_ptr<util::FileSystem> CreateFileSystem();

// The files named on the command line (the words after the program's own
// options), at most 256; the shell has already split them.
std::vector<std::string> LimitArguments(std::vector<std::string> args);

// With arguments: hides the drop hint, puts them (at most 256; a warning
// names how many more were not taken) into txtSource one per line (each
// followed by CR LF) and runs btnStart_Click. Without: nothing;
// the window waits for the user. True when a batch was started.
bool StartWithArguments(Session& s, const std::vector<std::string>& args);

// The status label's outcome as an exit status.
int ExitStatusOf(const std::string& status);

// The headless program: the window's start-up steps that matter without a
// window (settings, OLE list, environment check), the batch over `files`
// (an empty list is refused like an empty input box), and the shut-down
// (clipboard emptied, settings and ole.ini written). s must have automation
// set; view, settings, registry, oleList and fileSystem are filled from
// `view`, `rt` and a new file system. Returns the exit status.
struct HeadlessOptions {
    // movie handling on for this run (embedded and linked), not stored
    bool movies = false;
    // the whole pass, but nothing is written anywhere (outputs and movies are
    // measured in a scratch folder that is removed, settings and ole.ini are
    // not saved); the log reads as a real run's would
    bool dryRun = false;
    // the size to fit under for this run, in place of the stored one (not
    // stored)
    std::optional<std::string> fit;
};
int RunHeadless(Session& s, ConsoleView& view, settings::SettingsRuntime& rt,
                const std::vector<std::string>& files, const HeadlessOptions& options = {});

} // namespace quillmax::app
