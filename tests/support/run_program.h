// File: tests/support/run_program.h
// Runs a program as a user would (for end-to-end tests): captured stdout
// and stderr, stdin from /dev/null, extra environment, a time limit.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillmax::test {

struct RunResult {
    int exitCode = -1; // -1: killed or did not start
    bool timedOut = false;
    std::string out;
    std::string err;
    long maxRssKb = 0; // the program's peak resident memory
};

// Called with the output so far and the program's process id each time
// more output arrived (e.g. to send a signal at a given moment).
using OutputWatch = std::function<void(const std::string& out, int pid)>;

RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env = {}, int timeoutSeconds = 120,
                     const std::string& workingDir = "", const OutputWatch& watch = {});

// Path of a program built beside the tests (e.g. "quillmax", "qmx-pptx").
std::string BuiltProgram(const std::string& name);

// The public test decks (../shared/corpus from the project root), or ""
// when the folder is absent.
std::string CorpusDir();

// True when a program is found on PATH.
bool HaveProgram(const std::string& name);

} // namespace quillmax::test
