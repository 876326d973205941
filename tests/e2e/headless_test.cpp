// File: tests/e2e/headless_test.cpp
// The headless program as a user runs it: refusals, the log of a walk over
// real decks, unreadable inputs, and inputs left untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "e2e/e2e_support.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace quillmax::test;

namespace {

// Settings under which nothing is worth converting, so a run only walks.
const std::map<std::string, std::string> kWalkOnly = {{"FileSize", "99999999"}, {"OLE", "0"}};

std::vector<std::string> CorpusDecks(std::initializer_list<const char*> names) {
    std::vector<std::string> found;
    std::string dir = CorpusDir();
    if (dir.empty()) return found;
    for (auto n : names)
        if (fs::exists(dir + "/" + n)) found.push_back(dir + "/" + n);
    return found;
}

} // namespace

TEST(Headless, RefusesABatchWithAFolderAtTheThirdEntry) {
    Sandbox box;
    std::string a = box.AddInput(BuiltProgram("quillmax"), "a.pptx");
    std::string b = box.AddInput(BuiltProgram("quillmax"), "b.pptx");
    fs::create_directories(box.InputDir() + "/folder");
    std::string folder = box.InputDir() + "/folder";
    auto r = box.RunHeadless({a, b, folder, a});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("[クイルマックス] フォルダ名は指定できません：" + folder), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Headless, RefusesTemplatesMissingFilesAndEmptyInput) {
    Sandbox box;
    std::string pot = box.AddInput(BuiltProgram("quillmax"), "deck.pot");
    auto r = box.RunHeadless({pot});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("パワーポイントファイルではありません：" + pot), std::string::npos) << r.err;

    std::string missing = box.InputDir() + "/missing.pptx";
    r = box.RunHeadless({missing});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("入力ファイルが存在しません：" + missing), std::string::npos) << r.err;

    r = box.RunHeadless({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("パワーポイントファイルを指定してください"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Headless, WalksRealDecksAndWritesNothing) {
    auto decks = CorpusDecks({"poi/2411-Performance_Up.pptx", "rw-quoridor-jp/発表資料.pptx"});
    if (decks.size() < 2) GTEST_SKIP() << "corpus decks not found (../shared/corpus)";
    Sandbox box;
    box.SetStored(kWalkOnly);
    std::vector<std::string> inputs;
    std::vector<std::string> before;
    for (auto& d : decks) {
        inputs.push_back(box.AddInput(d));
        before.push_back(ReadAll(inputs.back()));
    }
    auto files = box.InputFiles();
    auto r = box.RunHeadless(inputs);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    auto lines = CrLfLines(r.out);
    size_t at = 0;
    for (auto& in : inputs) {
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at++], "▼" + in);
        int k = 0, n = -1;
        while (at < lines.size() && lines[at].rfind("   ﾍﾟｰｼﾞ ", 0) == 0) {
            ++k;
            std::string frac = lines[at].substr(std::string("   ﾍﾟｰｼﾞ ").size());
            EXPECT_EQ(frac.substr(0, frac.find('/')), std::to_string(k));
            n = std::stoi(frac.substr(frac.find('/') + 1));
            ++at;
        }
        EXPECT_GT(k, 0);
        EXPECT_EQ(k, n);
        ASSERT_LT(at + 1, lines.size());
        EXPECT_EQ(lines[at++], "▲十分な圧縮効果が得られなかったため圧縮を中止しました。");
        EXPECT_EQ(lines[at++], "");
    }
    EXPECT_EQ(at, lines.size());
    for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(ReadAll(inputs[i]), before[i]);
    EXPECT_EQ(box.InputFiles(), files);
}

TEST(Headless, UnreadableInputsAreReportedAndTheBatchGoesOn) {
    Sandbox box;
    box.SetStored(kWalkOnly);
    std::string dir = CorpusDir();
    std::vector<std::string> inputs;
    // A legacy binary file (OLE2 signature), a truncated zip and random bytes.
    {
        std::ofstream(box.InputDir() + "/old.ppt", std::ios::binary)
            << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(4096, '\0');
        inputs.push_back(box.InputDir() + "/old.ppt");
    }
    {
        std::string zip = "PK\x03\x04" + std::string(100, 'z');
        std::ofstream(box.InputDir() + "/truncated.pptx", std::ios::binary) << zip;
        inputs.push_back(box.InputDir() + "/truncated.pptx");
    }
    {
        std::string noise;
        unsigned x = 12345;
        for (int i = 0; i < 5000; ++i) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 16);
        std::ofstream(box.InputDir() + "/noise.pptx", std::ios::binary) << noise;
        inputs.push_back(box.InputDir() + "/noise.pptx");
    }
    auto files = box.InputFiles();
    auto r = box.RunHeadless(inputs);
    EXPECT_EQ(r.exitCode, 1) << r.err; // nothing could be opened: the run did not finish
    std::string expected;
    for (auto& in : inputs) expected += "▼" + in + "\r\n▲ﾌｧｲﾙを開けませんでした。圧縮を中止しました。\r\n\r\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(box.InputFiles(), files);
}

TEST(Headless, DryRunLogsAsARealRunAndWritesNothing) {
    std::vector<std::string> decks = CorpusDecks({"ooxml_parser/condition_no_event.pptx", "aspose-net/Image.pptx"});
    if (decks.size() < 2) GTEST_SKIP() << "corpus decks not found (../shared/corpus)";
    Sandbox dry, real;
    std::vector<std::string> dryInputs, realInputs;
    for (const std::string& d : decks) {
        dryInputs.push_back(dry.AddInput(d));
        realInputs.push_back(real.AddInput(d));
    }
    const auto before = dry.InputFiles();
    std::vector<std::string> args = {"--dry-run"};
    args.insert(args.end(), dryInputs.begin(), dryInputs.end());
    auto d = dry.RunHeadless(args);
    auto r = real.RunHeadless(realInputs);
    ASSERT_EQ(d.exitCode, 0) << d.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dry.InputFiles(), before); // the folder is unchanged
    EXPECT_GT(real.InputFiles().size(), before.size()); // a real run wrote something
    // The same ▼ / ﾍﾟｰｼﾞ / result lines, paths aside.
    std::string dryLog = d.out, realLog = r.out;
    for (size_t i = 0; i < decks.size(); ++i) {
        for (size_t at; (at = dryLog.find(dryInputs[i])) != std::string::npos;) dryLog.replace(at, dryInputs[i].size(), "IN");
        for (size_t at; (at = realLog.find(realInputs[i])) != std::string::npos;) realLog.replace(at, realInputs[i].size(), "IN");
    }
    EXPECT_EQ(dryLog, realLog);
    EXPECT_NE(dryLog.find("に圧縮しました。"), std::string::npos) << dryLog;
    // No progress line when stderr is not a terminal.
    EXPECT_EQ(d.err.find("ﾌｧｲﾙ "), std::string::npos) << d.err;
}

TEST(Headless, FitTakesASizeForThisRunAndRefusesOneItCannotRead) {
    Sandbox box;
    const std::string input = box.AddInput(std::string(QUILLMAX_SOURCE_DIR) + "/samples/CMakeLists.txt", "a.pptx");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--fit", "10XB", input}, {"--fit=0MB", input}, {input, "--fit"}}) {
        auto r = box.RunHeadless(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("目標"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }

    std::vector<std::string> decks = CorpusDecks({"ooxml_parser/condition_no_event.pptx"});
    if (decks.empty()) GTEST_SKIP() << "corpus deck not found (../shared/corpus)";
    const std::string deck = box.AddInput(decks[0]);
    const auto before = box.InputFiles();
    auto r = box.RunHeadless({"--fit", "1.5MB", deck});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(box.InputFiles().size(), before.size() + 1); // one output, no temporaries left
    EXPECT_NE(r.out.find("\t目標ｻｲｽﾞ1.5MBに収まる最高の画質「"), std::string::npos) << r.out;
    // Not stored: the next run has no size.
    EXPECT_EQ(ReadAll(box.ConfigDir() + "/quillmax/registry/HKEY_LOCAL_MACHINE.reg").find("1.5MB"), std::string::npos);

    // A movie no level shrinks: the miss line names it from the report's counts.
    std::vector<std::string> movie = CorpusDecks({"ooxml_parser/transition_direction_nil_2.pptx"});
    if (movie.empty()) return;
    r = box.RunHeadless({"--fit", "1MB", box.AddInput(movie[0])});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("に収まりませんでした（"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("残りの内訳：動画・音声 3.2MB"), std::string::npos) << r.out;
}

TEST(Report, CorpusDeckNumbersAddUpToThePackageSize) {
    std::vector<std::string> decks = CorpusDecks({"poi/2411-Performance_Up.pptx"});
    if (decks.empty()) GTEST_SKIP() << "corpus deck not found (../shared/corpus)";
    auto r = RunProgram({BuiltProgram("qmx-pptx"), "report", decks[0], "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The "bytes" object's numbers, summed.
    const size_t open = r.out.find("\"bytes\":{"), close = r.out.find('}', open);
    ASSERT_NE(open, std::string::npos) << r.out;
    unsigned long long sum = 0;
    std::string body = r.out.substr(open + 9, close - open - 9);
    for (size_t colon = body.find(':'); colon != std::string::npos; colon = body.find(':', colon + 1))
        sum += std::stoull(body.substr(colon + 1));
    EXPECT_EQ(sum, fs::file_size(decks[0]));
    EXPECT_NE(r.out.find("\"size\":" + std::to_string(fs::file_size(decks[0]))), std::string::npos);
    auto text = RunProgram({BuiltProgram("qmx-pptx"), "report", decks[0]});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("ZIP構造"), std::string::npos);
}

// Every option --help names is in the man page, and the other way round.
TEST(Headless, HelpAndManPageNameTheSameOptions) {
    auto help = RunProgram({BuiltProgram("quillmax"), "--help"});
    ASSERT_EQ(help.exitCode, 0);
    std::string man = ReadAll(std::string(QUILLMAX_SOURCE_DIR) + "/packaging/quillmax.1");
    ASSERT_FALSE(man.empty());
    for (size_t at; (at = man.find("\\-")) != std::string::npos;) man.replace(at, 2, "-");
    auto options = [](const std::string& text) {
        std::set<std::string> found;
        for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
            size_t end = at + 2;
            while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-')) ++end;
            if (end > at + 2) found.insert(text.substr(at, end - at));
        }
        return found;
    };
    EXPECT_EQ(options(help.out), options(man));
}
