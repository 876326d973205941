// File: app/session.h
// The program-level state of a run: what the engine works with, plus what
// only the batch driver keeps (the entry list, the current extension, the
// registry). One Session lives as long as the program;
// the front end makes it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/run_state.h"
#include "engine/view.h"

namespace quillmax::settings {
class RegistryAccess;
} // namespace quillmax::settings

namespace quillmax::app {

// The front ends speak the engine's view vocabulary.
using engine::Answer;
using engine::BatchProgress;
using engine::Icon;
using engine::kProgramTitle;
using engine::MainView;

struct Session : engine::RunState {
    settings::RegistryAccess* registry = nullptr;

    std::vector<std::string> fileList; // entries, in text order
    std::string curExt;
    // per-run outcome beyond the result flag: a run in which an output could
    // not be written, or in which no input could be opened, did not finish
    int filesTried = 0;
    int filesOpened = 0;
    int filesFailed = 0;
    std::string scratchFailure; // why this file's scratch copy could not be saved ("" = it was)

    // progress of the batch; slide counts come from countSlides (0 when it
    // is not set or cannot tell) until a file is opened
    std::function<int(const std::string& path)> countSlides;
    BatchProgress progress;
    std::vector<int> slidesOf; // per entry of fileList

    // A deck's stored bytes by kind (label, bytes), heaviest kinds named
    // when a fit misses; the main chooses it with the presentation program
    // (unset: the miss line names none).
    std::function<std::vector<std::pair<std::string, double>>(const std::string& path)> contentBytes;

    // Presentations compressed at once (the headless -j); each needs an
    // object model of its own, made by newAutomation. The window runs one
    // after another.
    unsigned jobs = 1;
    std::function<std::unique_ptr<office::Automation>()> newAutomation;
};

} // namespace quillmax::app
