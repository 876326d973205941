// File: engine/reporting.h
// Byte counts as text and the log appends of the batch and the engine.
#pragma once

#include <string>

#include "engine/run_state.h"

namespace quillmax::engine {

inline constexpr const char* kCrLf = "\r\n";

std::string FormatKB(double bytes);
std::string FormatMB(double bytes);

// Appends text to txtLog at its end (the text carries its own CR LF).
void AppendLog(RunState& s, const std::string& text);

} // namespace quillmax::engine
