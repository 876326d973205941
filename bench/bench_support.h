// File: bench/bench_support.h
// What the speed benchmarks share: running the built program as a child
// (wall time, peak resident memory), the photo decks they measure (real
// wallpapers from a Debian package placed into public decks, or
// generated photos where those are absent) and the codec floor.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0; // user + system, its own threads
    double peakMb = 0;     // the child's own peak resident memory
    int exitCode = -1;
    std::string out, err;
};

// Runs argv[0] with the arguments in cwd, stdin from /dev/null, the given
// variables added to the environment.
ChildRun Run(const std::vector<std::string>& argv, const std::string& cwd,
             const std::vector<std::pair<std::string, std::string>>& env = {});

// The build folder's programs, found beside the benchmark's own folder.
std::string BuildProgram(const char* argv0, const std::string& name);
// ../shared/corpus from the source tree, or empty.
std::string CorpusDir();
// The one-minute load average, to print beside timings.
double LoadAverage();
// Processor seconds the whole machine has spent busy (all processes, all
// cores) since it started; the difference over a run counts helper
// processes the run's own accounting misses.
double MachineBusySeconds();
// Whole files through the program's own readers and writers; a failure throws.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A deck of photos: `pictures` JPEGs from `wallpapers` no larger than
// maxPictureBytes each (cycled, each use made distinct by a few bytes after
// the picture's end), placed over the slides of the host deck `host` (a
// blank deck of pictures/3 slides when empty or absent). Without such
// JPEGs, generated photos of fallbackWidth x fallbackHeight. The same
// inputs give the same bytes. Returns what the pictures are.
struct PhotoDeckPlan {
    std::string host;
    std::string wallpapers = "/usr/share/backgrounds/mate";
    int pictures = 32;
    std::uintmax_t maxPictureBytes = 10'000'000;
    int fallbackWidth = 3000, fallbackHeight = 2000;
};
std::string MakePhotoDeck(const PhotoDeckPlan& plan, const std::string& out);

// The two photo decks of the speed benchmarks, written into folder:
// 32 large wallpapers in a talk's slides, 53 smaller ones in a student
// project's. Returns their paths.
std::vector<std::string> StandardPhotoDecks(const std::string& folder);

// The codec floor of one compressed deck: every picture the output
// replaced, decoded from the input, resized to the replacement's pixel
// size and encoded in its format, directly with libvips on one thread.
// Each replaced picture redone directly with libvips on one thread, to the
// replacement's pixel size and format.
struct Floor {
    // The floor: the whole picture decoded (streamed through once), resized
    // and encoded. Wall and processor time (libvips works on a thread of
    // its own).
    double seconds = 0;
    double cpuSeconds = 0;
    // The same decoded with random access, as a plain load gives (the whole
    // picture in memory first).
    double plainSeconds = 0;
    // Decoded already shrunk (JPEG shrink-on-load) straight to the size, as
    // the program itself decodes: no decoder does less.
    double shrunkSeconds = 0;
    int pictures = 0; // replaced pictures the floor redid
    int kept = 0;     // pictures the output left as they were
};
Floor CodecFloor(const std::string& input, const std::string& output);

// A compressed deck beside its input in folder, or empty.
std::string OutputOf(const std::string& folder, const std::string& input);

} // namespace bench
