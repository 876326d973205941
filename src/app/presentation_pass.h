// File: app/presentation_pass.h
// The steps of one presentation's pass that a fit runs again per level:
// the walk over presSource, the save to a temporary beside the output, the
// temporary put in place, and the file's closing line.
#pragma once

#include <optional>
#include <string>

#include "app/session.h"
#include "base/errors.h"

namespace quillmax::app {

// Every slide of presSource handed to the engine (then, in all-pictures
// mode, the pictures no shape visit reaches); resets and sets the
// per-presentation results.
void WalkPresentation(Session& s);

// Saves presSource to a temporary file in the output's folder; returns its
// path, or "" with notSmaller set when it is no smaller than the input
// (the file is then gone). Throws AutomationError when it cannot be saved.
std::string SaveTemporary(Session& s, const std::string& outputPath, double inputSize, bool& notSmaller);

// Renames temp to the output. A file that appeared under the output's name
// after the name was decided is not replaced unasked: the overwrite setting
// decides again. Returns the path written, "" when the user declined (temp
// is then removed). Throws AutomationError (temp removed) when it fails.
std::string PutInPlace(Session& s, const std::string& temp, std::string outputPath, bool mayReplace);

// What became of a pass, for its closing line.
struct PassOutcome {
    double inputSize = 0;
    double outputSize = 0;    // 0: nothing written
    std::string saveFailure;  // the closing text when the output could not be written
    bool skipped = false;     // the user declined the output's name
    bool notSmaller = false;  // the result was no smaller than the input
};

// Where a temporary from SaveTemporary ends: a dry run measures it and
// removes it; a real run puts it in place as PutInPlace does (outputPath
// then names what was written). Sets the outcome's size or skipped.
// Throws AutomationError (temp removed) when it fails.
void Deliver(Session& s, const std::string& temp, const std::string& chosen, bool mayReplace, PassOutcome& outcome,
             std::string& outputPath);
// The closing "▲" line (and the failure count).
void CloseFile(Session& s, const PassOutcome& outcome);
std::string CannotSaveText(const office::AutomationError& e);

// The size this run's outputs should fit under (combined from the setting);
// nullopt when the fit is off.
std::optional<double> FitTarget(const Session& s);

// The pass of a deck larger than target, from its opened presSource on:
// levels run as the fit's search chooses, the best-quality result that fits
// (else the smallest) put in place, its lines, the level line and the
// closing line written. outputPath as for CompressPresentation.
bool CompressToFit(Session& s, const std::string& inputPath, double target, double inputSize,
                   const std::string& chosen, bool mayReplace, std::string& outputPath);

} // namespace quillmax::app
