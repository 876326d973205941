// File: tests/e2e/movie_test.cpp
// Movies through the real program with the real encoder: a deck built here
// with a 1080p movie and a sound, the corpus decks with movies, and a stop
// while a movie encodes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e/e2e_support.h"
#include "office/powerpoint.h"
#include "platform/pptx/package.h"
#include "platform/pptx/pptx_automation.h"
#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace quillmax;
using namespace quillmax::test;

namespace {

bool HaveEncoder() { return HaveProgram("ffmpeg") && HaveProgram("ffprobe"); }

// ffmpeg's test sources, quick to make (15 frames a second, coarse): a
// moving picture of `seconds` at 1080p with a tone, about 0.4 MB a second.
void MakeMovie(const std::string& path, int seconds, const std::string& size = "1920x1080") {
    const std::string d = std::to_string(seconds);
    auto r = RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                         "testsrc2=size=" + size + ":rate=15:duration=" + d, "-f", "lavfi", "-i",
                         "sine=frequency=440:duration=" + d, "-c:v", "libx264", "-preset", "ultrafast", "-qp", "34",
                         "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", path},
                        {}, 180);
    ASSERT_EQ(r.exitCode, 0) << r.err;
}

std::string Probe(const std::string& path, const std::string& streams, const std::string& entries) {
    auto r = RunProgram({"ffprobe", "-v", "error", "-select_streams", streams, "-show_entries", entries, "-of",
                         "csv=p=0", path});
    return r.exitCode == 0 ? r.out : "";
}

std::string OutputBeside(const std::string& input) {
    for (auto& e : fs::directory_iterator(fs::path(input).parent_path())) {
        const std::string name = e.path().filename().string();
        if (name.rfind(fs::path(input).stem().string() + "【", 0) == 0 && e.path().extension() == ".pptx")
            return e.path().string();
    }
    return "";
}

std::vector<std::string> FilesUnder(const std::string& dir) {
    std::vector<std::string> found;
    for (auto& e : fs::recursive_directory_iterator(dir)) found.push_back(e.path().string());
    return found;
}

// The deck: a rectangle behind, the movie shown at 4 x 3 inches with its
// own poster, trim, fade, loop and volume and a play effect, a sound, and a
// rectangle in front.
struct BuiltDeck {
    std::string path, posterBytes;
};

BuiltDeck BuildMovieDeck(const std::string& folder, const std::string& movie, const std::string& sound) {
    const std::string poster = folder + "/poster.png";
    auto r = RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=orange:size=320x240", "-frames:v",
                         "1", poster});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto automation = pptx::CreateAutomation();
    auto pres = automation->CreatePowerPoint()->GetPresentations()->Add(false);
    auto slide = pres->GetSlides()->Add(1, office::ppt::kLayoutBlank);
    auto shapes = slide->GetShapes();
    shapes->AddShape(office::ppt::kAddRectangle, 36, 36, 360, 300);
    auto video = shapes->AddMediaObject(movie, 72, 72, 288, 216);
    video->SetName("Opening movie");
    auto media = video->GetMediaFormat();
    media->SetDisplayPictureFromFile(poster);
    media->Set("StartPoint", 1000.0);
    media->Set("EndPoint", 25000.0);
    media->Set("FadeInDuration", 500.0);
    media->Set("Volume", 0.6);
    media->Set("LoopUntilStopped", true);
    slide->GetTimeLine()->MainSequence()->AddEffect(video, 83, 1); // play
    shapes->AddMediaObject(sound, 450, 72, 48, 48);
    shapes->AddShape(office::ppt::kAddOval, 300, 250, 100, 100);
    BuiltDeck deck{folder + "/movie deck.pptx", ReadAll(poster)};
    pres->SaveAs(deck.path);
    pres->Close();
    fs::remove(poster);
    return deck;
}

} // namespace

TEST(MovieRun, A1080pMovieShrinksToItsShownSizeAndKeepsEverythingElse) {
    if (!HaveEncoder()) GTEST_SKIP() << "ffmpeg not installed";
    Sandbox box;
    TempFolder work;
    const std::string movie = work.file("movie.mp4"), sound = work.file("tone.wav");
    MakeMovie(movie, 30);
    ASSERT_EQ(RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=300:duration=20", sound})
                  .exitCode,
              0);
    const auto before = fs::file_size(movie);
    ASSERT_GT(before, 4u * 1048576) << "the source movie should weigh several MB";
    const BuiltDeck deck = BuildMovieDeck(work.path().string(), movie, sound);
    const std::string input = box.AddInput(deck.path);
    fs::create_directories(box.InputDir() + "/../tmp");
    box.extraEnv["TMPDIR"] = box.InputDir() + "/../tmp";

    auto r = box.RunHeadless({"--movies", input});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\tmedia1.mp4 を圧縮 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\tmedia2.wav を圧縮 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("埋め込み動画を"), std::string::npos) << r.out;
    EXPECT_TRUE(FilesUnder(box.InputDir() + "/../tmp").empty());
    const std::string output = OutputBeside(input);
    ASSERT_FALSE(output.empty()) << r.out;
    // Nothing but the deck and its output beside it.
    EXPECT_EQ(box.InputFiles().size(), 2u);

    // The new movie: H.264 / AAC at 4 x 3 inches' 96 px per inch, a fifth
    // of the size at most.
    auto automation = pptx::CreateAutomation();
    auto pres = automation->CreatePowerPoint()->GetPresentations()->Open(output, true);
    auto slide = pres->GetSlides()->Item(1);
    auto shapes = slide->GetShapes();
    ASSERT_EQ(shapes->Count(), 4);
    auto video = shapes->Item(2);
    EXPECT_EQ(video->Name(), "Opening movie");
    EXPECT_EQ(video->Type(), office::ppt::kShapeMedia);
    EXPECT_DOUBLE_EQ(video->Left(), 72);
    EXPECT_DOUBLE_EQ(video->Top(), 72);
    EXPECT_DOUBLE_EQ(video->Width(), 288);
    EXPECT_DOUBLE_EQ(video->Height(), 216);
    auto media = video->GetMediaFormat();
    const std::string newMovie = work.file("new.mp4");
    media->ExportMedia(newMovie);
    EXPECT_LE(fs::file_size(newMovie) * 5, before);
    EXPECT_EQ(Probe(newMovie, "v", "stream=codec_name,width,height,pix_fmt"), "h264,384,216,yuv420p\n");
    EXPECT_EQ(Probe(newMovie, "a", "stream=codec_name"), "aac\n");
    // Poster, trim, fade, volume, loop.
    const std::string poster = media->ExportDisplayPicture(work.file("kept"));
    EXPECT_EQ(ReadAll(poster), deck.posterBytes);
    EXPECT_DOUBLE_EQ(media->Get("StartPoint").as_double(), 1000);
    EXPECT_DOUBLE_EQ(media->Get("EndPoint").as_double(), 25000);
    EXPECT_DOUBLE_EQ(media->Get("FadeInDuration").as_double(), 500);
    EXPECT_DOUBLE_EQ(media->Get("Volume").as_double(), 0.6);
    EXPECT_TRUE(media->Get("LoopUntilStopped").as_bool());
    // The play effect plays the new movie.
    auto effects = slide->GetTimeLine()->MainSequence();
    ASSERT_EQ(effects->Count(), 1);
    EXPECT_EQ(effects->Item(1)->EffectType(), 83);
    EXPECT_EQ(effects->Item(1)->GetShape()->Name(), "Opening movie");
    // The sound became AAC and stays a sound.
    auto sound2 = shapes->Item(3);
    const std::string newSound = work.file("new-sound");
    sound2->GetMediaFormat()->ExportMedia(newSound);
    EXPECT_EQ(Probe(newSound, "a", "stream=codec_name"), "aac\n");
    EXPECT_LT(fs::file_size(newSound), fs::file_size(sound));
    pres->Close();

    EXPECT_EQ(RunProgram({BuiltProgram("qmx-pptx"), "check", output}).exitCode, 0);
    if (HaveLibreOffice()) {
        // LibreOffice opens it and shows the orange poster in the movie's place.
        auto pages = RenderDeck(output, 48);
        ASSERT_EQ(pages.size(), 1u);
        const PageImage poster = Region(pages[0], 60, 60, 100, 80); // inside 48..240 x 48..192
        double r = 0, g = 0, b = 0;
        for (size_t i = 0; i + 2 < poster.rgb.size(); i += 3) r += poster.rgb[i], g += poster.rgb[i + 1], b += poster.rgb[i + 2];
        const double n = poster.rgb.size() / 3.0;
        EXPECT_GT(r / n, 200);
        EXPECT_NEAR(g / n, 165, 40);
        EXPECT_LT(b / n, 60);
    }
}

TEST(MovieRun, CorpusMoviesAreReencodedWherePayingAndReportedOtherwise) {
    if (!HaveEncoder()) GTEST_SKIP() << "ffmpeg not installed";
    const std::string corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus decks not found (../shared/corpus)";
    Sandbox box;
    // Only movies that halve are used; pictures stay out of the way.
    box.SetStored({{"MovieCond", "2"}, {"FileSize", "99999999"}, {"OLE", "0"}});
    const std::string mp4 = box.AddInput(corpus + "/shapecrawler/040_video.pptx");
    const std::string avi = box.AddInput(corpus + "/ooxml_parser/transition_direction_nil_2.pptx");
    const std::string linked = box.AddInput(corpus + "/aspose-net/Media File.pptx");
    auto r = box.RunHeadless({"--movies", mp4, avi, linked});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto lines = CrLfLines(r.out);
    auto has = [&](const std::string& prefix) {
        for (auto& l : lines)
            if (l.rfind(prefix, 0) == 0) return true;
        return false;
    };
    // The avi (3.2 MB, shown small) pays; the mp4 either pays or is named.
    EXPECT_TRUE(has("\tvideo1.avi を圧縮 (3MB→")) << r.out;
    EXPECT_TRUE(has("\tmedia1.mp4 を圧縮 (0.9MB→") || has("\tmedia1.mp4 は圧縮効果不十分のため圧縮せず")) << r.out;
    // A web video is no file: one line, the deck stays as it was.
    EXPECT_TRUE(has("\t") && r.out.find("(埋め込み動画) が見つかりません。") != std::string::npos) << r.out;
    for (const std::string& in : {avi}) {
        const std::string out = OutputBeside(in);
        ASSERT_FALSE(out.empty()) << r.out;
        EXPECT_LT(fs::file_size(out), fs::file_size(in) / 2);
        EXPECT_EQ(RunProgram({BuiltProgram("qmx-pptx"), "check", out}).exitCode, 0);
    }
    // Without --movies (the stored setting is off) no movie is touched.
    Sandbox plain;
    plain.SetStored({{"FileSize", "99999999"}, {"OLE", "0"}});
    const std::string again = plain.AddInput(corpus + "/ooxml_parser/transition_direction_nil_2.pptx");
    r = plain.RunHeadless({again});
    EXPECT_EQ(r.out.find("video1.avi"), std::string::npos) << r.out;
}

TEST(MovieRun, StopDuringAnEncodeEndsTheRunWithinASecondAndLeavesNothing) {
    if (!HaveEncoder()) GTEST_SKIP() << "ffmpeg not installed";
    Sandbox box;
    TempFolder work;
    const std::string movie = work.file("long.mp4"), sound = work.file("tone.wav");
    MakeMovie(movie, 60, "1280x720");
    ASSERT_EQ(RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=1", sound}).exitCode, 0);
    const std::string input = box.AddInput(BuildMovieDeck(work.path().string(), movie, sound).path);
    const std::string tmp = work.file("tmp");
    fs::create_directories(tmp);
    box.extraEnv["TMPDIR"] = tmp;

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (auto& [k, v] : box.Environment()) ::setenv(k.c_str(), v.c_str(), 1);
        int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execl(box.Program().c_str(), box.Program().c_str(), "--headless", "--movies", input.c_str(), nullptr);
        ::_exit(127);
    }
    // Wait until the encoder is writing, then press Ctrl-C.
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    bool encoding = false;
    while (!encoding && Clock::now() - started < std::chrono::seconds(60)) {
        for (auto& f : FilesUnder(tmp))
            if (f.find(".partial.") != std::string::npos && fs::file_size(f) > 0) encoding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(encoding) << "the encoder never started";
    const auto pressed = Clock::now();
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double took = std::chrono::duration<double>(Clock::now() - pressed).count();
    EXPECT_LT(took, 1.0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1); // 圧縮中断
    EXPECT_TRUE(FilesUnder(tmp).empty());
    EXPECT_EQ(box.InputFiles(), std::vector<std::string>{"movie deck.pptx"});
}
