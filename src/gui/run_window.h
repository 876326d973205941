// Entry into the windowed program: builds the application, the session and
// the main window, runs the start-up sequence and the event loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "office/automation.h"

namespace quillmax::gui {

// Makes the presentation program the window drives; the main chooses it.
// It may throw: the environment check then reports the missing program.
using AutomationFactory = std::function<std::unique_ptr<office::Automation>()>;

// The slide count of a deck before it is opened (-1 when it cannot tell),
// for the progress bar; the main chooses it with the presentation program.
using SlideCounter = std::function<int(const std::string& path)>;

// Returns the process exit code. Files given on the command line are put into
// the source list and converted at once.
// A deck's stored bytes by kind (label, bytes), named when a fit misses.
using ContentCounter = std::function<std::vector<std::pair<std::string, double>>(const std::string& path)>;

int RunWindow(int argc, char** argv, const AutomationFactory& makeAutomation,
              const SlideCounter& countSlides = {}, const ContentCounter& contentBytes = {});

}  // namespace quillmax::gui
