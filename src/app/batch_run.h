// File: app/batch_run.h
// What the start and stop buttons do, and the program's entry procedure.
#pragma once

#include <string>
#include <vector>

#include "app/session.h"

namespace quillmax::app {

// The whole batch over the text of txtSource.
void btnStart_Click(Session& s);
// Stop request: taken after the current slide.
void btnStop_Click(Session& s);

// One entry of the batch with the per-file preparation and clean-up around
// its pass. `contained`: failing calls are skipped (true after the first
// pass of a batch has returned; set here). `result` gets the pass's answer.
enum class EntryEnd { Skipped, MissingFolder, Ran };
EntryEnd CompressEntry(Session& s, const std::string& entry, bool& contained, bool& result);

// One presentation; false when the batch must stop.
bool CompressPresentation(Session& s, const std::string& inputPath, std::string& outputPath);

// The command line split as the entry procedure splits it: blanks and tabs
// separate, double quotes toggle quoting, at most 256 arguments.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Parses txtSource into entries (the input-text rules).
std::vector<std::string> ParseSourceText(const std::string& text);

} // namespace quillmax::app
