// File: engine/movie.h
// Movies: finding, re-encoding and re-pointing embedded and linked movies.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/run_state.h"

namespace quillmax::engine {

// Re-encodes one movie: the new file's path, "" when the movie stays, "*"
// when the encoder reported status 2. With an output folder (a movie taken
// out of the package) the new file goes there under the movie's own name,
// outside the naming rules of presentations.
std::string CompressMovieFile(RunState& s, const std::string& presentationPath,
                              const std::string& moviePath, const std::string& outputFolder = "");

bool IsMovieLink(RunState& s, const std::shared_ptr<office::ActionSetting>& action);

std::string FindEmbeddedMovie(RunState& s, const std::string& presentationPath,
                              const std::string& sourcePath);

// Walk dispatch targets; each adds exactly one name to levelNames.
void CompressEmbeddedMovie(RunState& s, const std::shared_ptr<office::Slide>& slide,
                           const std::shared_ptr<office::Shape>& shape, bool isTopLevel,
                           std::vector<std::string>& levelNames);
void CompressLinkedMovie(RunState& s, const std::shared_ptr<office::Shape>& shape, int k,
                         std::vector<std::string>& levelNames);

} // namespace quillmax::engine
