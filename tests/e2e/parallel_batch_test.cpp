// File: tests/e2e/parallel_batch_test.cpp
// The headless batch with -j: two files at a time write the log and the
// outputs of one after another, and a stop leaves neither half a file nor
// a scratch file.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

#include "e2e/e2e_support.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/deck_fixture.h"

namespace fs = std::filesystem;
using namespace quillmax;
using namespace quillmax::test;

namespace {

// Photos shown small, `slides` slides of two.
std::string PhotoDeck(const std::string& path, int slides, unsigned seed) {
    pptx::deck::Deck d;
    for (int i = 0; i < slides; ++i) {
        pptx::deck::Slide s;
        for (int k = 0; k < 2; ++k)
            s.shapes.push_back(pptx::deck::Picture({pptx::deck::MakePhotoJpeg(1400, 1000, seed + 2 * i + k), "jpeg"},
                                                   {40.0 + 330 * k, 60, 300, 214}));
        d.slides.push_back(s);
    }
    pptx::deck::Write(d, path);
    return path;
}

// Output file name -> bytes, and the scratch names, of a folder.
std::map<std::string, std::string> Outputs(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (auto& e : fs::directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        if (n.find("【圧縮") != std::string::npos || n.rfind("~", 0) == 0 || n.find(".tmp") != std::string::npos)
            out[n] = ReadAll(e.path().string());
    }
    return out;
}

} // namespace

TEST(ParallelBatch, TwoAtOnceWriteTheLogAndOutputsOfOneAfterAnother) {
    Sandbox box;
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i)
        files.push_back(PhotoDeck(box.InputDir() + "/photos" + std::to_string(i) + ".pptx", 2 + i, 10u * i));
    // Real decks in between: some shrink, some are left alone, one is no package at all.
    if (!CorpusDir().empty())
        for (const char* deck : {"shapecrawler/031.pptx", "poi/stress022.pptx", "python-pptx/test.pptx"})
            if (fs::exists(CorpusDir() + "/" + deck)) files.insert(files.begin() + 1, box.AddInput(CorpusDir() + "/" + deck));
    std::ofstream(box.InputDir() + "/broken.pptx") << "not a zip";
    files.push_back(box.InputDir() + "/broken.pptx");

    std::vector<std::string> one = {"-j", "1"}, two = {"-j2"};
    one.insert(one.end(), files.begin(), files.end());
    two.insert(two.end(), files.begin(), files.end());
    auto sequential = box.RunHeadless(one, 300);
    const auto sequentialOutputs = Outputs(box.InputDir());
    for (auto& [name, bytes] : sequentialOutputs) fs::remove(box.InputDir() + "/" + name);
    auto parallel = box.RunHeadless(two, 300);
    const auto parallelOutputs = Outputs(box.InputDir());

    EXPECT_EQ(parallel.exitCode, sequential.exitCode);
    EXPECT_EQ(parallel.out, sequential.out); // byte for byte
    EXPECT_EQ(parallel.err, sequential.err);
    EXPECT_GE(sequentialOutputs.size(), 3u);
    ASSERT_EQ(parallelOutputs.size(), sequentialOutputs.size());
    for (auto& [name, bytes] : sequentialOutputs) {
        ASSERT_TRUE(parallelOutputs.count(name)) << name;
        EXPECT_TRUE(parallelOutputs.at(name) == bytes) << name << " differs";
    }
    EXPECT_NE(sequential.out.find("▼" + files.back() + "\r\n▲ﾌｧｲﾙを開けませんでした。"), std::string::npos) << sequential.out;
}

TEST(ParallelBatch, AStopEndsEveryRunningFileCleanlyAndBeginsNoOther) {
    Sandbox box;
    const std::string tmp = box.Path() + "/tmp";
    fs::create_directories(tmp);
    std::vector<std::string> files = {"-j", "2"};
    PhotoDeck(box.InputDir() + "/d0.pptx", 6, 3);
    files.push_back(box.InputDir() + "/d0.pptx");
    for (int i = 1; i < 5; ++i) {
        files.push_back(box.InputDir() + "/d" + std::to_string(i) + ".pptx");
        fs::copy_file(files[2], files.back());
    }
    bool sent = false;
    auto r = box.RunHeadless(files, 300, {{"TMPDIR", tmp}}, [&](const std::string& out, int pid) {
        if (!sent && out.find("ﾍﾟｰｼﾞ 2/6") != std::string::npos) {
            ::kill(pid, SIGINT);
            sent = true;
        }
    });
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("▲圧縮を中止しました。\r\n\r\n"), std::string::npos) << r.out;
    // The fifth file had not begun: nothing of it is written.
    EXPECT_EQ(r.out.find("d4.pptx"), std::string::npos) << r.out;
    // Each file's lines stay together: a file's closing line comes before the next file's first.
    size_t at = 0;
    for (int i = 0; i < 5; ++i) {
        const size_t begin = r.out.find("▼" + box.InputDir() + "/d" + std::to_string(i) + ".pptx\r\n");
        if (begin == std::string::npos) break;
        EXPECT_GE(begin, at);
        at = r.out.find("▲", begin);
        ASSERT_NE(at, std::string::npos) << r.out;
    }
    // No half-written output, no scratch file, here or in the temporary folder.
    for (auto& [name, bytes] : Outputs(box.InputDir())) {
        EXPECT_EQ(name.find("~"), std::string::npos) << name;
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        ExpectClean(box.InputDir() + "/" + name); // an output that is there is whole
    }
    EXPECT_TRUE(fs::is_empty(tmp));
}
