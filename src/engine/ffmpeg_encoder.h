// File: engine/ffmpeg_encoder.h
// The program's movie encoder: Debian's ffmpeg run as a child process, one
// movie per child, so a movie that hangs or crashes the encoder costs that
// movie only, and a stop kills it at once. Recipes: H.264 (yuv420p,
// faststart) with AAC in MP4 for movies, AAC in M4A for sound-only media.
#pragma once

#include <string>
#include <vector>

#include "engine/movie_encoder.h"

namespace quillmax::engine {

// Quality and speed, chosen by measurement (README, bench/movie_bench).
inline constexpr int kVideoCrf = 26;
inline constexpr const char* kVideoPreset = "veryfast";
inline constexpr const char* kAudioBitrate = "96k";

class FfmpegEncoder : public EncoderStep {
public:
    // Recipe step texts.
    static constexpr const char* kStepVideo = "mp4";
    static constexpr const char* kStepAudio = "m4a";

    int Run(const std::string& step, const std::string& moviePath, const std::string& outputBase,
            std::string& producedExt) override;
    bool PosterFrame(const std::string& moviePath, const std::string& picturePath) override;

    // The time an encode may take: a minute plus three times the movie's
    // length (ten minutes when the length cannot be read).
    static double TimeLimitFor(double durationSeconds);
    // The output's pixel size: the source fitted into the displayed size
    // at 96 px per inch times the scale, never enlarged, even numbers.
    static void TargetSize(int srcW, int srcH, const EncodeContext& c, int& w, int& h);
    // The ffmpeg arguments of one encode (after the program name).
    static std::vector<std::string> Arguments(const std::string& step, bool hasVideo, bool hasAudio,
                                              const std::string& in, const std::string& out, int w, int h);
};

// Fills MovieEncoding() with the ffmpeg encoder, its recipe tables and the
// extensions it reads; the program calls this once at start.
void UseFfmpegEncoder();

} // namespace quillmax::engine
