// File: tests/e2e/compress_test.cpp
// Real photo decks through the real program: outputs written beside the
// inputs under the size-labelled name, smaller, structurally clean, with
// the same shapes in the same places and the same animations, and
// rendering like their inputs in LibreOffice.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "e2e/e2e_support.h"
#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace quillmax::test;

namespace {

struct DumpLine {
    std::string kind; // "shape" or "effect" or "slide"
    std::vector<std::string> cols;
};

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string c;
    while (std::getline(ss, c, sep)) cols.push_back(c);
    return cols;
}

// qmx-pptx dump, as lines of columns.
std::vector<std::vector<std::string>> Dump(const std::string& deck) {
    auto r = RunProgram({BuiltProgram("qmx-pptx"), "dump", deck});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::vector<std::string>> lines;
    std::stringstream ss(r.out);
    std::string line;
    while (std::getline(ss, line)) lines.push_back(Split(line, '\t'));
    return lines;
}

int CheckExit(const std::string& deck) { return RunProgram({BuiltProgram("qmx-pptx"), "check", deck}).exitCode; }

std::string OutputFor(const std::string& input, const std::string& log) {
    // "▲ﾊﾟﾜｰﾎﾟｲﾝﾄを<in>KB→<out>KB に圧縮しました。" names the size label.
    std::string stem = fs::path(input).stem().string();
    size_t at = log.find("▼" + input + "\r\n");
    size_t res = log.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを", at);
    if (at == std::string::npos || res == std::string::npos) return "";
    size_t from = res + std::string("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを").size();
    std::string label = log.substr(from, log.find("→", from) - from);
    return (fs::path(input).parent_path() / (stem + "【圧縮前" + label + "】.pptx")).string();
}

int CountOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

} // namespace

TEST(Compress, PhotoDecksShrinkBesideTheirInputsAndKeepTheirShapes) {
    std::string corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    std::vector<std::string> sources = {corpus + "/rw-quoridor-jp/発表資料.pptx",
                                        corpus + "/ooxml_parser/condition_no_event.pptx",
                                        corpus + "/poi/at.pzp.www_uploads_media_PP_Scheinecker-jdk6error.pptx"};
    for (auto& s : sources)
        if (!fs::exists(s)) GTEST_SKIP() << "corpus deck missing: " << s;

    Sandbox box;
    std::vector<std::string> inputs, before;
    for (auto& s : sources) {
        inputs.push_back(box.AddInput(s));
        before.push_back(ReadAll(inputs.back()));
    }
    auto r = box.RunHeadless(inputs);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(inputs[i]);
        EXPECT_EQ(ReadAll(inputs[i]), before[i]) << "the input was changed";
        std::string out = OutputFor(inputs[i], r.out);
        ASSERT_FALSE(out.empty()) << r.out;
        ASSERT_TRUE(fs::exists(out)) << out;
        EXPECT_LT(fs::file_size(out), before[i].size());
        if (CheckExit(inputs[i]) == 0) {
            EXPECT_EQ(CheckExit(out), 0) << "the output has structural problems";
        }

        // Same shapes in the same places; replaced pictures and rebuilt
        // groups carry new names, nothing else differs. Same effects.
        auto a = Dump(inputs[i]);
        auto b = Dump(out);
        ASSERT_EQ(a.size(), b.size());
        int renamedPictures = 0;
        for (size_t k = 0; k < a.size(); ++k) {
            ASSERT_EQ(a[k].size(), b[k].size()) << k;
            bool effect = !a[k].empty() && a[k][0] == "effect";
            for (size_t c = 0; c < a[k].size(); ++c) {
                bool nameColumn = effect ? c == 2 : c == 2 && a[k].size() == 8;
                if (nameColumn) continue;
                EXPECT_EQ(a[k][c], b[k][c]) << "line " << k << " column " << c;
            }
            if (!effect && a[k].size() == 8 && a[k][1] == "13" && a[k][2] != b[k][2]) ++renamedPictures;
        }
        // One log line per replaced picture (top-level ones are visible in the dump).
        size_t from = r.out.find("▼" + inputs[i] + "\r\n");
        size_t to = r.out.find("\r\n\r\n", from);
        int logged = CountOccurrences(r.out.substr(from, to - from), " ﾋﾟｸｾﾙの画像を圧縮 (");
        EXPECT_GE(logged, renamedPictures);
        EXPECT_GT(logged, 0);
    }
}

TEST(Compress, OutputsRenderLikeTheirInputs) {
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";
    std::string corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    std::string source = corpus + "/rw-quoridor-jp/発表資料.pptx";
    if (!fs::exists(source)) GTEST_SKIP() << "corpus deck missing: " << source;

    Sandbox box;
    std::string input = box.AddInput(source);
    auto r = box.RunHeadless({input});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string out = OutputFor(input, r.out);
    ASSERT_TRUE(fs::exists(out)) << r.out;

    // Measure: per page, mean absolute difference per channel (0..255) and
    // block SSIM on grey, at 48 dpi. JPEG re-encoding at display size moves
    // pixels a little; a missing, moved or wrongly scaled picture moves them
    // a lot (a blank picture area gives MAD > 40 and SSIM < 0.5).
    auto pages = CompareDecks(input, out, 48);
    ASSERT_FALSE(pages.empty());
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        std::printf("page %zu: MAD %.2f SSIM %.3f\n", p + 1, pages[p].meanAbsDiff, pages[p].ssim);
        EXPECT_LT(pages[p].meanAbsDiff, 3.0);
        EXPECT_GT(pages[p].ssim, 0.93);
    }
}
