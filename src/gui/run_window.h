// Entry into the windowed program: builds the application, the session and
// the main window, runs the start-up sequence and the event loop.
#pragma once

#include <functional>
#include <memory>

#include "office/automation.h"

namespace quillmax::gui {

// Makes the presentation program the window drives; the main chooses it.
// It may throw: the environment check then reports the missing program.
using AutomationFactory = std::function<std::unique_ptr<office::Automation>()>;

// Returns the process exit code. Files given on the command line are put into
// the source list and converted at once.
int RunWindow(int argc, char** argv, const AutomationFactory& makeAutomation);

}  // namespace quillmax::gui
