// File: app/session.h
// The program-level state of a run: what the engine works with, plus what
// only the batch driver keeps (the entry list, the current extension, the
// registry, the stop request). One Session lives as long as the program;
// the front end makes it.
#pragma once

#include <string>
#include <vector>

#include "engine/run_state.h"
#include "engine/view.h"

namespace quillmax::settings {
class RegistryAccess;
} // namespace quillmax::settings

namespace quillmax::app {

// The front ends speak the engine's view vocabulary.
using engine::Answer;
using engine::Icon;
using engine::kProgramTitle;
using engine::MainView;

struct Session : engine::RunState {
    settings::RegistryAccess* registry = nullptr;

    std::vector<std::string> fileList; // entries, in text order
    std::string curExt;
    bool stopRequested = false;
};

} // namespace quillmax::app
