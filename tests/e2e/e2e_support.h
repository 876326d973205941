// File: tests/e2e/e2e_support.h
// A sandbox for running the real program: its own copy of the program (so
// ole.ini lands in the sandbox), its own settings folder, and an input
// folder holding copies of the decks (outputs land beside inputs).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/fake_world.h"
#include "support/run_program.h"

namespace quillmax::test {

class Sandbox {
public:
    Sandbox();
    // Stored settings (value name -> stored text) written before the run.
    void SetStored(const std::map<std::string, std::string>& values);
    // Copies a deck into the input folder; returns its new path.
    std::string AddInput(const std::string& source, const std::string& name = "");
    std::string InputDir() const { return (dir_.path() / "in").string(); }
    std::string ConfigDir() const { return (dir_.path() / "config").string(); }
    std::string ProgramDir() const { return (dir_.path() / "prog").string(); }
    RunResult RunHeadless(const std::vector<std::string>& files, int timeoutSeconds = 300,
                          const std::map<std::string, std::string>& env = {}, const OutputWatch& watch = {});
    std::string Path() const { return dir_.path().string(); }
    // The program's environment for a run (settings folder, home, extra).
    std::map<std::string, std::string> Environment() const;
    std::string Program() const { return program_; }
    std::map<std::string, std::string> extraEnv; // e.g. TMPDIR
    // Files of the input folder (names), sorted.
    std::vector<std::string> InputFiles() const;

private:
    TempFolder dir_;
    std::string program_;
};

// Splits text on CR LF (a final empty piece dropped).
std::vector<std::string> CrLfLines(const std::string& text);

} // namespace quillmax::test
