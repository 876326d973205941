// File: engine/movie_encoder.h
// The re-encoding step behind CompressMovieFile, and its recipe tables.
// By default there is no encoder and the tables and extension lists are
// empty: every movie stays as it is and no link counts as a movie link. The
// program plugs in its encoder (engine/ffmpeg_encoder.h), a test its
// stand-in, through MovieEncoding().
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quillmax::engine {

struct RunState;

// Runs one recipe step on a movie, writing outputBase + "." + producedExt.
// Status 0: go on with the next step; 2: the movie stays, without a line;
// anything else: the step failed.
class EncoderStep {
public:
    virtual ~EncoderStep() = default;
    virtual int Run(const std::string& step, const std::string& moviePath,
                    const std::string& outputBase, std::string& producedExt) = 0;
    // A still of the movie as a picture file; false when there is none.
    virtual bool PosterFrame(const std::string& moviePath, const std::string& picturePath) { return false; }
};

// What the encoder may know of the movie in hand, set by the movie handling
// before each CompressMovieFile.
struct EncodeContext {
    RunState* session = nullptr; // stop flag and view: polled while encoding
    double widthPt = 0;              // the shape's displayed size; 0: not shown in a slide
    double heightPt = 0;
    double scale = 1.0;              // the Ratio factor
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
    EncodeContext context;
};

// The program's one setup (empty by default).
MovieEncodingSetup& MovieEncoding();

// Both extension lists together: what marks a movie file.
std::vector<std::string> movieExtensionList();

} // namespace quillmax::engine
