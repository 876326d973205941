// File: tests/e2e/hostile_test.cpp
// The headless program against hostile inputs and faults, all built here:
// a pipe named like a deck, a slide nested 200,000 deep, slides inflating to
// 31 MiB each, outputs that cannot be written, a terminate request in the
// middle of a run, stale scratch files of a killed run, a damaged JPEG, and
// the memory a long batch holds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "e2e/e2e_support.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/deck_fixture.h"

namespace fs = std::filesystem;
using namespace quillmax;
using namespace quillmax::test;

namespace {

// A deck of `slides` slides, each with one heavy photo the program replaces.
std::string PhotoDeck(const std::string& path, int slides = 1) {
    pptx::deck::Deck d;
    for (int i = 0; i < slides; ++i) {
        pptx::deck::Slide s;
        s.shapes.push_back(pptx::deck::Picture({pptx::deck::MakePhotoJpeg(1600, 1200, 7 + i), "jpeg"},
                                               {40, 40, 320, 240}));
        d.slides.push_back(s);
    }
    pptx::deck::Write(d, path);
    return path;
}

// Extra markup at the end of each slide of a deck.
void AddToSlides(const std::string& path, const std::string& markup) {
    auto entries = ReadZip(path);
    for (auto& [name, data] : entries)
        if (name.rfind("ppt/slides/slide", 0) == 0 && name.find("_rels") == std::string::npos)
            data.insert(data.rfind("</p:sld>"), "<p:extLst><p:ext uri=\"{7A1B0000-0000-0000-0000-000000000000}\">" +
                                                    markup + "</p:ext></p:extLst>");
    WriteZip(path, entries);
}

std::vector<std::string> Named(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    for (auto& e : fs::directory_iterator(folder)) {
        std::string n = e.path().filename().string();
        if (n.rfind(prefix, 0) == 0) found.push_back(n);
    }
    return found;
}

} // namespace

TEST(Hostile, APipeNamedLikeADeckIsRefusedAtOnce) {
    Sandbox box;
    std::string pipe = box.InputDir() + "/x.pptx";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto r = box.RunHeadless({pipe}, 30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("[クイルマックス] 通常のファイルではありません：" + pipe), std::string::npos) << r.err;
}

TEST(Hostile, DeepNestingIsRefusedAndTheBatchGoesOn) {
    Sandbox box;
    std::string deep = PhotoDeck(box.InputDir() + "/deep.pptx");
    std::string nest;
    for (int i = 0; i < 200000; ++i) nest += "<q:d>";
    for (int i = 0; i < 200000; ++i) nest += "</q:d>";
    AddToSlides(deep, nest);
    std::string good = PhotoDeck(box.InputDir() + "/good.pptx");
    auto r = box.RunHeadless({deep, good}, 60);
    EXPECT_EQ(r.exitCode, 0) << r.err; // one of the two opened and was written
    EXPECT_NE(r.out.find("▼" + deep + "\r\n▲ﾌｧｲﾙを開けませんでした。圧縮を中止しました。"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを", r.out.find("▼" + good + "\r\n   ﾍﾟｰｼﾞ 1/1\r\n")), std::string::npos) << r.out;

    auto check = RunProgram({BuiltProgram("qmx-pptx"), "check", deep}, {}, 60);
    EXPECT_EQ(check.exitCode, 1) << check.err;
    EXPECT_NE((check.out + check.err).find("nested too deeply"), std::string::npos);

    // A batch in which nothing opens does not end as finished.
    r = box.RunHeadless({deep}, 60);
    EXPECT_EQ(r.exitCode, 1);
}

TEST(Hostile, InflatingSlidesAreRefusedWithinBoundedMemory) {
    // 8 slides of 31 MiB of tiny elements each: under the zip guard, a few
    // hundred kilobytes on disk.
    Sandbox box;
    std::string deck = box.InputDir() + "/inflating.pptx";
    pptx::deck::Deck d;
    d.slides.resize(8);
    pptx::deck::Write(d, deck);
    std::string tiny;
    tiny.reserve(31u << 20);
    while (tiny.size() + 4 <= (31u << 20) - 200) tiny += "<a/>";
    AddToSlides(deck, tiny);
    EXPECT_LT(fs::file_size(deck), 2u << 20);
    auto r = box.RunHeadless({deck}, 120);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("▲ﾌｧｲﾙを開けませんでした。"), std::string::npos) << r.out;
    EXPECT_LT(r.maxRssKb, 1024 * 1024) << "peak resident memory (KB)";
    std::printf("inflating deck: peak RSS %ld KB\n", r.maxRssKb);
}

TEST(Hostile, AnOutputThatCannotBeWrittenIsSaidSoWithTheReason) {
    Sandbox box;
    std::string longName = box.InputDir() + "/" + std::string(230, 'n') + ".pptx";
    PhotoDeck(longName);
    std::string blocked = PhotoDeck(box.InputDir() + "/blocked.pptx");
    std::string good = PhotoDeck(box.InputDir() + "/good.pptx");
    box.SetStored({{"SameFilename", "1"}});
    // A folder where the output would go, under the name the program chooses.
    std::string size = std::to_string((fs::file_size(blocked) + 512) / 1024);
    fs::create_directory(box.InputDir() + "/blocked【圧縮前" + size + "KB】.pptx");
    auto r = box.RunHeadless({longName, blocked, good}, 120);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("▲保存できませんでした：ファイル名が長すぎます\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("▲保存できませんでした：同じ名前のフォルダがあります\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("十分な圧縮効果"), std::string::npos);
    EXPECT_NE(r.out.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを", r.out.find("▼" + good + "\r\n   ﾍﾟｰｼﾞ 1/1\r\n")), std::string::npos);
    EXPECT_TRUE(Named(box.InputDir(), "~").empty());
}

TEST(Hostile, TerminateStopsCleanlyAndALaterRunClearsWhatAKilledOneLeft) {
    Sandbox box;
    std::string tmp = box.Path() + "/tmp";
    fs::create_directories(tmp);
    std::string deck = PhotoDeck(box.InputDir() + "/six.pptx", 6);
    // Left by a run that was killed (its process is gone) and by a live one.
    std::string dead = "qmx-999999999-ABCDE.tmp.pptx";
    std::string live = "qmx-" + std::to_string(::getpid()) + "-ABCDE.tmp.pptx";
    for (auto n : {dead, live}) std::ofstream(tmp + "/" + n) << "x";
    std::ofstream(box.InputDir() + "/~" + dead) << "x";

    bool sent = false;
    auto r = box.RunHeadless({deck}, 120, {{"TMPDIR", tmp}}, [&](const std::string& out, int pid) {
        if (!sent && out.find("ﾍﾟｰｼﾞ 1/6") != std::string::npos) {
            ::kill(pid, SIGTERM);
            sent = true;
        }
    });
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("▲圧縮を中止しました。\r\n\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ﾍﾟｰｼﾞ 3/6"), std::string::npos);
    // Nothing of this run is left, the dead run's files are gone, the live one's stay.
    EXPECT_EQ(Named(tmp, "qmx-"), std::vector<std::string>{live});
    EXPECT_TRUE(fs::exists(box.InputDir() + "/~" + dead)); // no output was saved into that folder
    EXPECT_TRUE(fs::exists(box.ConfigDir() + "/quillmax/registry/HKEY_LOCAL_MACHINE.reg")); // settings saved

    r = box.RunHeadless({deck}, 120, {{"TMPDIR", tmp}});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(fs::exists(box.InputDir() + "/~" + dead));
    EXPECT_TRUE(Named(box.InputDir(), "~").empty());
}

TEST(Hostile, ImageLibraryWarningsStayOffTheTerminal) {
    Sandbox box;
    std::string jpeg = pptx::deck::MakePhotoJpeg(1600, 1200, 3);
    jpeg.resize(jpeg.size() * 2 / 3); // cut short: the decoder complains
    pptx::deck::Deck d;
    d.slides.push_back({{pptx::deck::Picture({jpeg, "jpeg"}, {40, 40, 320, 240})}, {}});
    std::string deck = box.InputDir() + "/truncated.pptx";
    pptx::deck::Write(d, deck);
    auto r = box.RunHeadless({deck}, 60);
    EXPECT_NE(r.exitCode, -1);
    EXPECT_EQ(r.err.find("VIPS"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
}

TEST(Hostile, ALongBatchHoldsNoMoreMemoryThanOneFile) {
    Sandbox box;
    std::string deck = PhotoDeck(box.InputDir() + "/d0.pptx");
    std::vector<std::string> many = {deck};
    for (int i = 1; i < 20; ++i) {
        std::string copy = box.InputDir() + "/d" + std::to_string(i) + ".pptx";
        fs::copy_file(deck, copy);
        many.push_back(copy);
    }
    box.SetStored({{"SameFilename", "1"}});
    // One malloc arena for both runs: how many arenas the threads happen to
    // open varies from run to run and would hide or fake a leak.
    const std::map<std::string, std::string> env = {{"MALLOC_ARENA_MAX", "1"}};
    // One file at a time: this looks for what a file leaves behind, not for
    // the files a parallel batch holds at once.
    many.insert(many.begin(), "-j1");
    auto one = box.RunHeadless({"-j1", deck}, 120, env);
    auto all = box.RunHeadless(many, 300, env);
    ASSERT_EQ(one.exitCode, 0);
    ASSERT_EQ(all.exitCode, 0);
    std::printf("peak RSS: one file %ld KB, %zu files %ld KB\n", one.maxRssKb, many.size() - 1, all.maxRssKb);
    EXPECT_LT(static_cast<double>(all.maxRssKb), 1.3 * static_cast<double>(one.maxRssKb));
}
