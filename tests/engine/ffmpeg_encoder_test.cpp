// File: tests/engine/ffmpeg_encoder_test.cpp
// The ffmpeg encoder: the output size rule and time limit, and real encodes
// of small generated clips (H.264/AAC, sound only, unreadable and empty
// input, a stop while encoding).
#include "engine/ffmpeg_encoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/fake_world.h"
#include "support/run_program.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
using engine::EncodeContext;
using engine::FfmpegEncoder;

std::pair<int, int> Target(int w, int h, double widthPt, double heightPt, double scale = 1.0) {
    int tw = 0, th = 0;
    FfmpegEncoder::TargetSize(w, h, EncodeContext{nullptr, widthPt, heightPt, scale}, tw, th);
    return {tw, th};
}

TEST(FfmpegEncoderRules, FitsTheDisplayedSizeNeverEnlargesAndKeepsEvenSizes) {
    // 4 x 3 inches at 96 px per inch: 384 x 288; a 16:9 movie fills the width.
    EXPECT_EQ(Target(1920, 1080, 288, 216), std::make_pair(384, 216));
    EXPECT_EQ(Target(1920, 1080, 288, 216, 2.0), std::make_pair(768, 432));
    EXPECT_EQ(Target(1280, 720, 100, 100), std::make_pair(134, 76));
    EXPECT_EQ(Target(320, 240, 720, 540), std::make_pair(320, 240));
    EXPECT_EQ(Target(321, 241, 720, 540), std::make_pair(320, 240));
    // Not shown in a slide (a linked movie): the movie's own size.
    EXPECT_EQ(Target(1920, 1080, 0, 0), std::make_pair(1920, 1080));
    EXPECT_EQ(Target(1, 1, 10, 10), std::make_pair(2, 2)); // the encoder's smallest
    EXPECT_DOUBLE_EQ(FfmpegEncoder::TimeLimitFor(30), 150);
    EXPECT_DOUBLE_EQ(FfmpegEncoder::TimeLimitFor(0), 600);
}

std::string Probe(const std::string& path, const std::string& entries, const std::string& streams) {
    auto r = RunProgram({"ffprobe", "-v", "error", "-select_streams", streams, "-show_entries", entries, "-of",
                         "csv=p=0", path});
    return r.exitCode == 0 ? r.out : "";
}

class FfmpegEncoderRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("ffmpeg") || !HaveProgram("ffprobe")) GTEST_SKIP() << "ffmpeg not installed";
        engine::UseFfmpegEncoder();
        w.session.view = &w.view;
        w.session.settings = &w.settings;
    }
    void TearDown() override { engine::MovieEncoding() = {}; }

    std::string Make(const std::string& name, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y"};
        argv.insert(argv.end(), args.begin(), args.end());
        argv.push_back(w.dir.file(name));
        auto r = RunProgram(argv);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return w.dir.file(name);
    }
    std::string Clip(const std::string& name, int seconds) {
        const std::string d = std::to_string(seconds);
        return Make(name, {"-f", "lavfi", "-i", "testsrc=size=640x480:rate=25:duration=" + d, "-f", "lavfi", "-i",
                           "sine=frequency=440:duration=" + d, "-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le",
                           "-shortest"});
    }
    int Run(const std::string& step, const std::string& movie, const std::string& base, std::string& ext,
            double widthPt = 0, double heightPt = 0) {
        engine::MovieEncoding().context = EncodeContext{&w.session, widthPt, heightPt, 1.0};
        return engine::MovieEncoding().encoder->Run(step, movie, base, ext);
    }
    // Files of the test folder, by name.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(w.dir.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    FakeWorld w;
};

TEST_F(FfmpegEncoderRun, MoviesBecomeH264AacAtTheShownSizeAndSoundsAac) {
    const std::string clip = Clip("clip.avi", 2);
    std::string ext;
    ASSERT_EQ(Run("mp4", clip, w.dir.file("small"), ext, 144, 108), 0) << w.view.log;
    EXPECT_EQ(ext, "mp4");
    const std::string out = w.dir.file("small.mp4");
    EXPECT_EQ(Probe(out, "stream=codec_name,width,height,pix_fmt", "v"), "h264,192,144,yuv420p\n");
    EXPECT_EQ(Probe(out, "stream=codec_name", "a"), "aac\n");
    // The status label showed the progress and is back as it was.
    EXPECT_EQ(w.view.status, "");

    const std::string tone = Make("tone.wav", {"-f", "lavfi", "-i", "sine=frequency=300:duration=2"});
    ASSERT_EQ(Run("m4a", tone, w.dir.file("tone-small"), ext), 0);
    EXPECT_EQ(ext, "m4a");
    EXPECT_EQ(Probe(w.dir.file("tone-small.m4a"), "stream=codec_name", "a"), "aac\n");
    // A movie recipe on a file without pictures gives sound only.
    ASSERT_EQ(Run("mp4", tone, w.dir.file("tone-as-movie"), ext), 0);
    EXPECT_EQ(ext, "m4a");

    std::string still = w.dir.file("still.png");
    EXPECT_TRUE(engine::MovieEncoding().encoder->PosterFrame(out, still));
    EXPECT_GT(fs::file_size(still), 0u);
    EXPECT_FALSE(engine::MovieEncoding().encoder->PosterFrame(tone, w.dir.file("none.png")));
    EXPECT_FALSE(fs::exists(w.dir.file("none.png")));
}

TEST_F(FfmpegEncoderRun, UnreadableAndEmptyMoviesFailWithoutLeavingAFile) {
    std::ofstream(w.dir.file("noise.mp4"), std::ios::binary) << std::string(50000, 'x');
    std::ofstream(w.dir.file("empty.mp4"), std::ios::binary);
    std::string ext;
    EXPECT_EQ(Run("mp4", w.dir.file("noise.mp4"), w.dir.file("noise-out"), ext), 1);
    EXPECT_EQ(Run("mp4", w.dir.file("empty.mp4"), w.dir.file("empty-out"), ext), 1);
    EXPECT_EQ(Run("mp4", w.dir.file("missing.mp4"), w.dir.file("missing-out"), ext), 1);
    EXPECT_EQ(Files(), (std::vector<std::string>{"empty.mp4", "noise.mp4"}));
}

TEST_F(FfmpegEncoderRun, ACrashingEncoderCostsTheMovieOnly) {
    const std::string clip = Clip("clip.avi", 1);
    // An ffmpeg that writes a little and dies; the real ffprobe.
    const std::string bin = w.dir.file("bin");
    fs::create_directory(bin);
    std::ofstream(bin + "/ffmpeg") << "#!/bin/sh\nfor a; do out=$a; done\necho partial > \"$out\"\nkill -SEGV $$\n";
    fs::permissions(bin + "/ffmpeg", fs::perms::owner_all);
    auto r = RunProgram({"sh", "-c", "command -v ffprobe"});
    fs::create_symlink(r.out.substr(0, r.out.find('\n')), bin + "/ffprobe");
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", bin.c_str(), 1);
    std::string ext;
    const int status = Run("mp4", clip, w.dir.file("out"), ext);
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Files(), (std::vector<std::string>{"bin", "clip.avi"}));
}

TEST_F(FfmpegEncoderRun, StopKillsTheEncoderWithinASecondAndLeavesNoFile) {
    const std::string clip = Clip("long.avi", 30);
    using Clock = std::chrono::steady_clock;
    Clock::time_point pressed{};
    // The stop is pressed once the encoder has reported progress.
    w.view.onDoEvents = [&](int) {
        if (pressed == Clock::time_point{} && w.view.status.find("動画圧縮中") != std::string::npos) {
            pressed = Clock::now();
            w.session.stopRequested = true;
        }
    };
    std::string ext;
    EXPECT_EQ(Run("mp4", clip, w.dir.file("long-out"), ext), 2);
    ASSERT_NE(pressed, Clock::time_point{}) << "no progress was shown";
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - pressed).count(), 1.0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"long.avi"}));
}

} // namespace
} // namespace quillmax::test
