// File: engine/movie_encoder.h
// The re-encoding step behind CompressMovieFile, and its recipe tables.
// By default there is no encoder and the tables and extension lists are
// empty: every movie stays as it is and no link counts as a movie link. A
// real encoder (or a test's stand-in) is plugged in through MovieEncoding().
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quillmax::engine {

// Runs one recipe step on a movie, writing outputBase + "." + producedExt.
// Status 0: go on with the next step; 2: the movie stays, without a line;
// anything else: the step failed.
class EncoderStep {
public:
    virtual ~EncoderStep() = default;
    virtual int Run(const std::string& step, const std::string& moviePath,
                    const std::string& outputBase, std::string& producedExt) = 0;
};

inline constexpr int kRecipeSteps = 11;
using Recipe = std::array<std::string, kRecipeSteps>; // an empty step ends it

struct MovieEncodingSetup {
    EncoderStep* encoder = nullptr; // none: every step fails
    // Rows selected by combType's list index. The second table serves the
    // movies whose extension is in the second list.
    std::vector<Recipe> recipes1;
    std::vector<Recipe> recipes2;
    // Extensions, lower case without the dot.
    std::vector<std::string> extensions1;
    std::vector<std::string> extensions2;
};

// The program's one setup (empty by default).
MovieEncodingSetup& MovieEncoding();

// Both extension lists together: what marks a movie file.
std::vector<std::string> movieExtensionList();

} // namespace quillmax::engine
