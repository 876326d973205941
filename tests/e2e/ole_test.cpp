// File: tests/e2e/ole_test.cpp
// OLE objects and metafile pictures of real decks through the headless
// program: objects become their previews by the conversion list, their
// embeddings leave the package, the list learns every application, and
// the slides still look the same in LibreOffice. The measure: every page
// of the output against the input's, at 48 dpi, SSIM at least 0.9 and a
// mean absolute difference of at most 6 (of 255).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "e2e/e2e_support.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/zip_io.h"
#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace quillmax;
using namespace quillmax::test;

namespace {

constexpr double kMinSsim = 0.9;
constexpr double kMaxMeanDiff = 6.0;

std::vector<std::string> ZipEntries(const std::string& path) {
    std::vector<std::string> out;
    try {
        for (auto& e : pptx::ZipArchiveEntries(test::ReadAll(path))) out.push_back(e.name);
    } catch (const std::exception&) {
    }
    return out;
}

size_t CountUnder(const std::vector<std::string>& entries, const std::string& folder) {
    size_t n = 0;
    for (auto& e : entries) n += e.rfind(folder, 0) == 0;
    return n;
}

// The one output the run wrote beside `input` ("" when none).
std::string OutputOf(const std::string& input) {
    fs::path in(input);
    std::string stem = in.stem().string() + "【圧縮前";
    for (auto& e : fs::directory_iterator(in.parent_path()))
        if (e.path().filename().string().rfind(stem, 0) == 0) return e.path().string();
    return "";
}

// Per deck, the log lines between its "▼" line and the next blank line.
std::map<std::string, std::vector<std::string>> LogByDeck(const std::string& out) {
    std::map<std::string, std::vector<std::string>> by;
    std::string current;
    for (auto& line : CrLfLines(out)) {
        if (line.rfind("▼", 0) == 0) current = line.substr(std::string("▼").size());
        else if (!current.empty()) by[current].push_back(line);
    }
    return by;
}

size_t CountContaining(const std::vector<std::string>& lines, const std::string& what) {
    size_t n = 0;
    for (auto& l : lines) n += l.find(what) != std::string::npos;
    return n;
}

// name -> value as the program left ole.ini.
std::map<std::string, std::string> ReadOleIni(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line, section;
    std::map<std::string, std::string> names, values, out;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[') section = line.substr(1, line.size() - 2);
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        (section == "name" ? names : values)[line.substr(0, eq)] = line.substr(eq + 1);
    }
    for (auto& [i, n] : names) out[n] = values[i];
    return out;
}

void ExpectLooksTheSame(const std::string& input, const std::string& output, int dpi = 48,
                        double maxMeanDiff = kMaxMeanDiff) {
    auto pages = CompareDecks(input, output, dpi);
    ASSERT_FALSE(pages.empty()) << output;
    double minSsim = 1, maxDiff = 0;
    for (auto& p : pages) minSsim = std::min(minSsim, p.ssim), maxDiff = std::max(maxDiff, p.meanAbsDiff);
    std::printf("  %s: %zu pages at %d dpi, lowest SSIM %.3f, largest mean difference %.2f\n",
                fs::path(input).filename().c_str(), pages.size(), dpi, minSsim, maxDiff);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_GE(pages[i].ssim, kMinSsim) << output << " page " << i + 1;
        EXPECT_LE(pages[i].meanAbsDiff, maxMeanDiff) << output << " page " << i + 1;
    }
}

} // namespace

// Word objects convert, Excel objects are kept by "変換しない", Acrobat
// objects by "False", a new application (Package) enters the list with
// "False", and a linked Excel chart stays.
TEST(OleEndToEnd, ObjectsBecomeTheirPreviewsByTheConversionList) {
    std::string corpus = CorpusDir();
    const std::vector<std::string> decks = {"poi/bug62513.pptx", "tika/testPPT_embedded_two_slides.pptx",
                                            "tika/testPPT_EmbeddedPDF.pptx", "aspose-net/AnimationShapesExample.pptx",
                                            "poi/bug54570.pptx"};
    for (auto& d : decks)
        if (corpus.empty() || !fs::exists(corpus + "/" + d))
            GTEST_SKIP() << "corpus deck " << d << " not found (../shared/corpus)";
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";

    Sandbox box;
    box.SetStored({{"OLE", "1"}, {"Twice", "1"}, {"FileSize", "1"}});
    {
        std::ofstream ini(box.ProgramDir() + "/ole.ini", std::ios::binary);
        ini << "[name]\r\n0=excel\r\n1=word\r\n2=acroexch\r\n"
               "[value]\r\n0=変換しない\r\n1=変換する\r\n2=False\r\n";
    }
    std::vector<std::string> inputs, before;
    for (auto& d : decks) {
        inputs.push_back(box.AddInput(corpus + "/" + d));
        before.push_back(ReadAll(inputs.back()));
    }
    auto r = box.RunHeadless(inputs);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto log = LogByDeck(r.out);
    for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(ReadAll(inputs[i]), before[i]) << inputs[i];

    // Converted: one line per object, naming its application; exactly those
    // embeddings leave the package (bug62513's objects in placeholders and
    // the Excel objects stay).
    struct Expect {
        size_t input;
        size_t wordLines;
    };
    for (auto [i, wordLines] : {Expect{0, 5}, Expect{1, 4}}) {
        const auto& lines = log[inputs[i]];
        EXPECT_EQ(CountContaining(lines, "ｵﾌﾞｼﾞｪｸﾄを画像に変換"), wordLines) << inputs[i] << "\n" << r.out;
        EXPECT_EQ(CountContaining(lines, "ﾋﾟｸｾﾙのWordｵﾌﾞｼﾞｪｸﾄを画像に変換 ("), wordLines) << inputs[i];
        std::string out = OutputOf(inputs[i]);
        ASSERT_FALSE(out.empty()) << "no output for " << inputs[i];
        for (auto& problem : pptx::CheckPackageFile(out)) ADD_FAILURE() << out << ": " << problem;
        auto inEntries = ZipEntries(inputs[i]), outEntries = ZipEntries(out);
        EXPECT_EQ(CountUnder(outEntries, "ppt/embeddings/"), CountUnder(inEntries, "ppt/embeddings/") - wordLines)
            << out;
        if (i == 1) {
            for (auto& e : outEntries) EXPECT_EQ(e.find(".doc"), std::string::npos) << out << " still holds " << e;
            EXPECT_EQ(CountUnder(outEntries, "ppt/embeddings/"), 2u); // the two worksheets
        }
        ExpectLooksTheSame(inputs[i], out);
    }
    // Kept: no object line, every embedding still there.
    for (size_t i : {2u, 3u, 4u}) {
        EXPECT_EQ(CountContaining(log[inputs[i]], "ｵﾌﾞｼﾞｪｸﾄ"), 0u) << inputs[i] << "\n" << r.out;
        std::string out = OutputOf(inputs[i]);
        if (!out.empty()) {
            EXPECT_EQ(CountUnder(ZipEntries(out), "ppt/embeddings/"), CountUnder(ZipEntries(inputs[i]), "ppt/embeddings/"));
        }
    }

    auto list = ReadOleIni(box.ProgramDir() + "/ole.ini");
    EXPECT_EQ(list["excel"], "変換しない");
    EXPECT_EQ(list["word"], "変換する");
    EXPECT_EQ(list["acroexch"], "False");
    EXPECT_EQ(list["package"], "False");
}

// The 12.9 MB picture-only EMF of a slide becomes a PNG a small fraction of
// its size, and the slide looks the same.
TEST(OleEndToEnd, HeavyEmfPictureBecomesASmallRaster) {
    std::string corpus = CorpusDir();
    std::string deck = corpus + "/syncfusion/Replace-EMF-with-PNG-in-PowerPoint-to-PDF/Sample.pptx";
    if (corpus.empty() || !fs::exists(deck)) GTEST_SKIP() << "corpus deck " << deck << " not found";
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";

    Sandbox box;
    // PNG at "ｻｲｽﾞ最優先": the scanned page deflates well, so only a
    // smaller rendering pays.
    box.SetStored({{"Format", "2"}, {"Ratio", "0"}, {"FileSize", "50"}});
    std::string input = box.AddInput(deck);
    auto r = box.RunHeadless({input});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountContaining(CrLfLines(r.out), "ﾋﾟｸｾﾙの画像を圧縮 ("), 1u) << r.out;
    std::string out = OutputOf(input);
    ASSERT_FALSE(out.empty()) << r.out;
    for (auto& problem : pptx::CheckPackageFile(out)) ADD_FAILURE() << out << ": " << problem;

    std::uintmax_t png = 0;
    for (auto& e : ZipEntries(out)) {
        EXPECT_EQ(e.find(".emf"), std::string::npos) << out << " still holds " << e;
        if (e.rfind("ppt/media/", 0) == 0 && e.find(".png") != std::string::npos) ++png;
    }
    EXPECT_EQ(png, 1u);
    EXPECT_LT(fs::file_size(out), fs::file_size(input));
    ExpectLooksTheSame(input, out);
}

// With the default settings (no stored values, the default conversion list)
// the heavy Word object of slide 5 becomes a picture: the second conversion
// of the `Twice` rule ends in a picture (a raster where LibreOffice draws
// its metafile, the metafile itself where nothing can), so the embedding
// leaves the package.
TEST(OleEndToEnd, HeavyWordObjectConvertsWithTheDefaultSettings) {
    std::string corpus = CorpusDir();
    std::string deck = corpus + "/syncfusion/Iterate-slide-elements/Template.pptx";
    if (corpus.empty() || !fs::exists(deck)) GTEST_SKIP() << "corpus deck " << deck << " not found";
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";

    Sandbox box;
    std::string input = box.AddInput(deck);
    auto r = box.RunHeadless({input});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto lines = LogByDeck(r.out)[input];
    EXPECT_EQ(CountContaining(lines, "ﾋﾟｸｾﾙのWordｵﾌﾞｼﾞｪｸﾄを画像に変換 ("), 1u) << r.out;
    std::string out = OutputOf(input);
    ASSERT_FALSE(out.empty()) << r.out;
    for (auto& problem : pptx::CheckPackageFile(out)) ADD_FAILURE() << out << ": " << problem;
    for (auto& e : ZipEntries(out)) EXPECT_EQ(e.find(".docx"), std::string::npos) << out << " still holds " << e;
    EXPECT_LT(fs::file_size(out), fs::file_size(input));
    // The object's page is now a picture made at 96 ppi (the metafile drawn
    // by LibreOffice, pasted again by the picture rules as JPEG): compared
    // where its pixels are, not after a second halving; a page of small text
    // as a JPEG differs by 5.6 on average from its vector drawing (SSIM 0.94).
    ExpectLooksTheSame(input, out, 96, 8.0);
}
