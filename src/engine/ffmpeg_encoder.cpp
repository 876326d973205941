// File: engine/ffmpeg_encoder.cpp
#include "engine/ffmpeg_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "engine/run_state.h"
#include "engine/reporting.h"
#ifndef _WIN32 // the encoder runs as a POSIX child process
#include "platform/posix/child_process.h"

#endif

namespace quillmax::engine {
#ifndef _WIN32
namespace {

namespace fs = std::filesystem;

// Status 2 of a step: the movie stays and CompressMovieFile writes nothing.
constexpr int kStatusSilent = 2;
constexpr int kStatusFailed = 1;

struct Probe {
    bool readable = false;
    bool hasVideo = false;
    bool hasAudio = false;
    int width = 0;
    int height = 0;
    double duration = 0;
};

bool StopRequested(RunState* s) {
    if (!s) return false;
    if (s->view) s->view->DoEvents();
    return s->stopRequested;
}

// One look at the movie: its first real video stream (an album cover is
// no movie), whether it has sound, its length.
Probe ProbeMovie(const std::string& path, RunState* s) {
    Probe p;
    std::string type;
    int w = 0, h = 0;
    util::ChildOptions o;
    o.timeLimitSeconds = 30;
    o.shouldStop = [s] { return StopRequested(s); };
    o.onLine = [&](const std::string& line) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) return;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_type") {
            type = value;
            w = h = 0;
            if (type == "audio") p.hasAudio = true;
        } else if (key == "width") {
            w = std::atoi(value.c_str());
        } else if (key == "height") {
            h = std::atoi(value.c_str());
        } else if (key == "DISPOSITION:attached_pic" && value == "0" && type == "video" && !p.hasVideo &&
                   w > 0 && h > 0) {
            p.hasVideo = true;
            p.width = w;
            p.height = h;
        } else if (key == "duration" && value != "N/A") {
            p.duration = std::atof(value.c_str());
        }
    };
    auto r = util::RunChild({"ffprobe", "-v", "error", "-show_entries",
                             "stream=codec_type,width,height:stream_disposition=attached_pic:format=duration", "-of",
                             "default=nw=1", path},
                            o);
    p.readable = r.Succeeded() && (p.hasVideo || p.hasAudio);
    return p;
}

int Even(double v) { return std::max(2, static_cast<int>(std::lround(v / 2.0)) * 2); }

std::string Percent(double done, double total) {
    int pct = total > 0 ? static_cast<int>(std::floor(100.0 * done / total)) : 0;
    return std::to_string(std::clamp(pct, 0, 99)) + "%";
}

} // namespace

double FfmpegEncoder::TimeLimitFor(double durationSeconds) {
    return durationSeconds > 0 ? 60.0 + 3.0 * durationSeconds : 600.0;
}

void FfmpegEncoder::TargetSize(int srcW, int srcH, const EncodeContext& c, int& w, int& h) {
    double factor = 1.0;
    if (c.widthPt > 0 && c.heightPt > 0 && srcW > 0 && srcH > 0) {
        const double boxW = c.widthPt / 72.0 * 96.0 * c.scale;
        const double boxH = c.heightPt / 72.0 * 96.0 * c.scale;
        factor = std::min({1.0, boxW / srcW, boxH / srcH});
    }
    w = Even(srcW * factor);
    h = Even(srcH * factor);
    if (w > srcW && srcW >= 2) w = srcW / 2 * 2; // rounding never enlarges
    if (h > srcH && srcH >= 2) h = srcH / 2 * 2;
}

std::vector<std::string> FfmpegEncoder::Arguments(const std::string& step, bool hasVideo, bool hasAudio,
                                                  const std::string& in, const std::string& out, int w,
                                                  int h) {
    std::vector<std::string> a = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                  "-i", in, "-map_metadata", "-1"};
    if (step == kStepVideo && hasVideo) {
        a.insert(a.end(), {"-map", "0:V:0", "-vf", "scale=" + std::to_string(w) + ":" + std::to_string(h) +
                                                       ",setsar=1,format=yuv420p",
                           "-c:v", "libx264", "-preset", kVideoPreset, "-crf", std::to_string(kVideoCrf),
                           "-profile:v", "high", "-pix_fmt", "yuv420p"});
        if (hasAudio) a.insert(a.end(), {"-map", "0:a:0", "-c:a", "aac", "-b:a", kAudioBitrate});
        a.insert(a.end(), {"-movflags", "+faststart", "-f", "mp4"});
    } else {
        a.insert(a.end(), {"-vn", "-map", "0:a:0", "-c:a", "aac", "-b:a", kAudioBitrate, "-movflags",
                           "+faststart", "-f", "ipod"});
    }
    a.insert(a.end(), {"-progress", "pipe:1", "-nostats", out});
    return a;
}

int FfmpegEncoder::Run(const std::string& step, const std::string& moviePath, const std::string& outputBase,
                       std::string& producedExt) {
    const EncodeContext context = MovieEncoding().context;
    RunState* s = context.session;
    const Probe probe = ProbeMovie(moviePath, s);
    if (StopRequested(s)) return kStatusSilent;
    if (!probe.readable) return kStatusFailed;

    const bool video = step == kStepVideo && probe.hasVideo;
    if (!video && !probe.hasAudio) return kStatusFailed;
    producedExt = video ? "mp4" : "m4a";
    int w = 0, h = 0;
    if (video) TargetSize(probe.width, probe.height, context, w, h);
    const std::string final = outputBase + "." + producedExt;
    // Written under another name and renamed once whole: a stopped or
    // failed encode never leaves a file under the movie's name.
    const std::string partial = outputBase + ".partial." + producedExt;

    std::string saved;
    if (s && s->view) saved = s->view->Status();
    const std::string label = fs::path(moviePath).filename().string();
    util::ChildOptions o;
    o.timeLimitSeconds = TimeLimitFor(probe.duration);
    o.shouldStop = [s] { return StopRequested(s); };
    std::string lastShown, lastSet;
    o.onLine = [&](const std::string& line) {
        if (!s || !s->view || line.rfind("out_time_us=", 0) != 0) return;
        const std::string shown = Percent(std::atof(line.c_str() + 12) / 1e6, probe.duration);
        if (shown == lastShown || s->stopRequested) return;
        lastShown = shown;
        lastSet = saved + " 動画圧縮中 " + label + " " + shown;
        s->view->SetStatus(lastSet);
    };
    const util::ChildOutcome r = util::RunChild(Arguments(step, video, probe.hasAudio, moviePath, partial, w, h), o);
    // Back to what it said, unless a stop wrote its own text meanwhile.
    if (s && s->view && !lastSet.empty() && s->view->Status() == lastSet) s->view->SetStatus(saved);

    std::error_code ec;
    if (!r.Succeeded()) {
        fs::remove(partial, ec);
        producedExt.clear(); // nothing was produced
        if (r.end == util::ChildOutcome::End::Stopped) return kStatusSilent;
        if (r.end == util::ChildOutcome::End::TimedOut && s) {
            AppendLog(*s, "\t" + label + " の圧縮は制限時間 (" + std::to_string(std::lround(o.timeLimitSeconds)) +
                              "秒) を超えたため中止しました。" + kCrLf);
            return kStatusSilent;
        }
        return kStatusFailed;
    }
    fs::rename(partial, final, ec);
    if (ec) {
        fs::remove(partial, ec);
        producedExt.clear();
        return kStatusFailed;
    }
    return 0;
}

bool FfmpegEncoder::PosterFrame(const std::string& moviePath, const std::string& picturePath) {
    util::ChildOptions o;
    o.timeLimitSeconds = 30;
    auto r = util::RunChild({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", moviePath,
                             "-map", "0:V:0", "-frames:v", "1", "-f", "image2", "-c:v", "png", picturePath},
                            o);
    std::error_code ec;
    if (r.Succeeded() && fs::file_size(picturePath, ec) > 0) return true;
    fs::remove(picturePath, ec);
    return false;
}

#endif // _WIN32

void UseFfmpegEncoder() {
#ifndef _WIN32
    static FfmpegEncoder encoder;
    MovieEncodingSetup& setup = MovieEncoding();
    setup.encoder = &encoder;
    // One row: combType offers one choice.
    setup.recipes1 = {Recipe{FfmpegEncoder::kStepVideo}};
    setup.recipes2 = {Recipe{FfmpegEncoder::kStepAudio}};
    setup.extensions1 = {"mp4", "m4v", "mov", "qt", "avi", "wmv", "asf", "mpg", "mpeg", "mpe", "m1v",
                         "m2v", "vob", "ts", "mts", "m2ts", "mkv", "webm", "flv", "3gp", "3g2", "ogv", "dv"};
    setup.extensions2 = {"wav", "mp3", "m4a", "aac", "wma", "aif", "aiff", "au", "snd", "ogg", "oga",
                         "opus", "flac", "mp2"};
#endif
}

} // namespace quillmax::engine
