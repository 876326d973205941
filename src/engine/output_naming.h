// File: engine/output_naming.h
// Output names and the overwrite decision.
#pragma once

#include <string>

#include "engine/run_state.h"

namespace quillmax::engine {

// Separators normalised to the native one, a final separator appended.
std::string AddPathSep(const std::string& path);

// Output path without dot and extension. unit "KB" or "MB"; any other unit
// gives an empty size text.
std::string MakeOutputBase(RunState& s, const std::string& folder, const std::string& baseName,
                           double sizeBytes, const std::string& unit);

// Final output path, or "" when the user chose not to compress the file.
std::string ResolveOutputPath(RunState& s, const std::string& base, const std::string& ext);

} // namespace quillmax::engine
