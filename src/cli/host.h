// File: cli/host.h
// What the program's main takes from the machine it runs on: its command
// line as UTF-8, its folder, whether stdin is a terminal, and the automation
// backend that stands for the presentation program. Defined once per
// platform (host_posix.cpp: the package-backed PowerPoint; host_win32.cpp:
// the real programs over COM).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillmax::office {
class Automation;
} // namespace quillmax::office

namespace quillmax::cli {

// Sets up the console for UTF-8 text and returns the arguments after the
// program name, as UTF-8.
std::vector<std::string> PrepareConsole(int argc, char** argv);
// The folder the program lives in (ole.ini sits beside it).
std::string ProgramFolder(const char* argv0);
bool StdinIsTerminal();
// Columns of the terminal on stderr; 0 when stderr is not a terminal.
int StderrTerminalColumns();
// A deck's slide count before it is opened, for progress; -1 when unknown.
int CountSlides(const std::string& path);
// A deck's stored bytes by kind, as the package report counts them
// (Japanese label, bytes); empty when it cannot tell.
std::vector<std::pair<std::string, double>> ContentBytes(const std::string& path);
// The presentation program this platform drives. A backend that cannot be
// set up answers with one that fails every start (so the environment check
// reports it), never with null.
std::unique_ptr<office::Automation> CreateAutomation();

} // namespace quillmax::cli
