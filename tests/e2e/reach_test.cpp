// File: tests/e2e/reach_test.cpp
// With "all pictures" on, the real program reaches pictures of any name,
// backgrounds, layout pictures and SVG bitmaps: real decks still render
// like their inputs in LibreOffice, an SVG picture keeps its drawing, and a
// transparent picture keeps its clear pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "e2e/e2e_support.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/package.h"
#include "support/render_compare.h"

namespace fs = std::filesystem;
using namespace quillmax;
using namespace quillmax::test;

namespace {

// The output beside an input, by its size-labelled name; empty when none.
std::string OutputFor(const std::string& input) {
    for (auto& e : fs::directory_iterator(fs::path(input).parent_path())) {
        auto n = e.path().filename().string();
        if (n.rfind(fs::path(input).stem().string() + "【圧縮前", 0) == 0) return e.path().string();
    }
    return "";
}

RunResult RunAllPictures(Sandbox& box, const std::vector<std::string>& inputs, int timeoutSeconds = 600) {
    std::vector<std::string> argv = {box.Program(), "--headless", "--all-pictures"};
    argv.insert(argv.end(), inputs.begin(), inputs.end());
    return RunProgram(argv, box.Environment(), timeoutSeconds);
}

// The lines of `qmx-pptx check` on the output that the input's check does
// not report too.
std::vector<std::string> NewProblems(const std::string& input, const std::string& output) {
    auto lines = [](const std::string& deck) {
        std::vector<std::string> out;
        std::string text = RunProgram({BuiltProgram("qmx-pptx"), "check", deck}).out;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return out;
    };
    auto before = lines(input), after = lines(output);
    std::vector<std::string> added;
    for (auto& l : after)
        if (!l.empty() && std::find(before.begin(), before.end(), l) == before.end() && l.rfind("problems", 0) != 0)
            added.push_back(l);
    return added;
}

} // namespace

// Rendered in LibreOffice (48 dpi), every page of these decks is compared
// with the input's: SSIM on grey in 8 x 8 blocks at least 0.85 and a mean
// absolute difference of at most 8 (of 255) on every page, an SSIM of at
// least 0.98 on average. The worst pages of the whole corpus stay near
// 0.88: an EMF drawn as a bitmap (Sample) and text in a diagram that
// LibreOffice wraps otherwise once its group is rebuilt (stress021, page
// 9). Rendering the whole corpus takes a quarter of an hour; the subset
// holds one deck for each kind of picture reached and takes a few minutes.
// The whole corpus runs for size and structure.
TEST(Reach, AllPicturesCorpusDecksRenderLikeTheirInputs) {
    const std::string corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    const std::vector<std::string> rendered = {
        "aspose-java/ContentBG_Image.pptx",                              // a background photo
        "aspose-net/Image.pptx",                                         // an SVG picture on a slide
        "onlyoffice-templates/sample.pptx",                              // slide backgrounds
        "poi/KEY02.pptx",                                                // master and layout pictures
        "unstructured/science-exploration-1p.pptx",                      // layout pictures
        "rw-ppslideview/デモ5.pptx",                                      // pictures in placeholders
        "rw-quoridor-jp/発表資料.pptx",                                   // cropped pictures
        "rw-0x00Jeff-lsass-talk/slides.pptx",                            // Google Slides pictures
        "rw-imrb-research/contrastive_label_xai_slide.pptx",             // transparent backgrounds
        "syncfusion/Replace-EMF-with-PNG-in-PowerPoint-to-PDF/Sample.pptx", // a metafile
        "poi/at.pzp.www_uploads_media_PP_Scheinecker-jdk6error.pptx",    // groups, nested
    };
    Sandbox box;
    std::vector<std::string> inputs, toRender;
    int n = 0;
    for (auto& e : fs::recursive_directory_iterator(corpus)) {
        if (e.path().extension() != ".pptx") continue;
        inputs.push_back(box.AddInput(e.path().string(), std::to_string(++n) + "-" + e.path().filename().string()));
        const std::string rel = fs::relative(e.path(), corpus).generic_string();
        if (std::find(rendered.begin(), rendered.end(), rel) != rendered.end()) toRender.push_back(inputs.back());
    }
    EXPECT_EQ(toRender.size(), rendered.size()) << "a deck of the rendered subset is missing";
    auto run = RunAllPictures(box, inputs);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    double bytesIn = 0, bytesOut = 0;
    for (const auto& input : inputs) {
        const std::string output = OutputFor(input);
        bytesIn += static_cast<double>(fs::file_size(input));
        bytesOut += static_cast<double>(fs::file_size(output.empty() ? input : output));
        if (output.empty()) continue;
        EXPECT_LT(fs::file_size(output), fs::file_size(input)) << output;
        for (auto& p : NewProblems(input, output)) ADD_FAILURE() << output << ": " << p;
    }
    std::printf("[ measure ] %zu decks: %.1f MB -> %.1f MB (%.1f %%)\n", inputs.size(), bytesIn / 1048576,
                bytesOut / 1048576, 100 * bytesOut / bytesIn);

    if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice not installed: renderings not compared";
    std::vector<std::string> decks;
    for (const auto& input : toRender) {
        const std::string output = OutputFor(input);
        ASSERT_FALSE(output.empty()) << input << " was not made smaller";
        decks.push_back(input);
        decks.push_back(output);
    }
    auto pages = RenderDecks(decks, 48);
    double sum = 0;
    int count = 0;
    for (size_t k = 0; k + 1 < decks.size(); k += 2) {
        const std::string name = fs::path(decks[k]).filename().string();
        const auto& in = pages[k];
        const auto& out = pages[k + 1];
        ASSERT_FALSE(in.empty()) << name << ": LibreOffice cannot render the input";
        ASSERT_EQ(out.size(), in.size()) << name;
        double worst = 1;
        for (size_t p = 0; p < in.size(); ++p) {
            auto sim = Compare(in[p], out[p]);
            EXPECT_GE(sim.ssim, 0.85) << name << " page " << p + 1;
            EXPECT_LE(sim.meanAbsDiff, 8) << name << " page " << p + 1;
            worst = std::min(worst, sim.ssim);
            sum += sim.ssim;
            ++count;
        }
        std::printf("[ measure ] %s: %zu pages, worst SSIM %.3f\n", name.c_str(), in.size(), worst);
    }
    ASSERT_GT(count, 0);
    EXPECT_GE(sum / count, 0.98);
    std::printf("[ measure ] %d pages, mean SSIM %.4f\n", count, sum / count);
}

namespace {

// The image a slide's n-th picture (document order) shows, with its part name.
std::pair<std::string, std::string> PictureImage(const std::string& deckPath, int slide, int n) {
    auto pkg = pptx::Package::OpenFile(deckPath);
    auto* part = pkg->Find("/ppt/slides/slide" + std::to_string(slide) + ".xml");
    if (!part) return {};
    auto pics = part->Xml().select_nodes("//p:pic");
    if (n >= static_cast<int>(pics.size())) return {};
    auto blip = pics[n].node().child("p:blipFill").child("a:blip");
    auto* image = part->Target(blip.attribute("r:embed").value());
    return image ? std::make_pair(image->name(), image->Bytes()) : std::make_pair(std::string(), std::string());
}

} // namespace

// A Google Slides export names its pictures "Google Shape;…" and keeps
// transparent PNGs: with all pictures on they shrink, and every clear pixel
// stays clear (read back from the output's picture).
TEST(Reach, GoogleSlidesTransparentPicturesShrinkAndStayClear) {
    namespace d = pptx::deck;
    d::Deck deck;
    d::Slide slide;
    const std::string soft = d::MakeTransparentPng(1600, 1200, true), hard = d::MakeTransparentPng(1600, 1200, false);
    slide.shapes.push_back(d::Picture({soft, "png"}, {20, 20, 300, 225}, "Google Shape;61;p13"));
    slide.shapes.push_back(d::Picture({hard, "png"}, {360, 20, 300, 225}, "Google Shape;62;p13"));
    deck.slides.push_back(slide);
    Sandbox box;
    const std::string source = box.Path() + "/google.pptx";
    d::Write(deck, source);
    const std::string input = box.AddInput(source);
    auto run = RunAllPictures(box, {input});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string output = OutputFor(input);
    ASSERT_FALSE(output.empty()) << run.out;
    EXPECT_EQ(RunProgram({BuiltProgram("qmx-pptx"), "check", output}).exitCode, 0);

    for (int k = 0; k < 2; ++k) {
        auto [name, bytes] = PictureImage(output, 1, k);
        const std::string& original = k == 0 ? soft : hard;
        ASSERT_FALSE(bytes.empty()) << k;
        EXPECT_TRUE(name.size() > 4 && name.substr(name.size() - 4) == ".png") << name;
        EXPECT_LT(bytes.size(), original.size() / 2) << name;
        // Both at the output's own size, pixel by pixel.
        int w = 0, h = 0;
        pptx::imaging::ImageSize({bytes, "png"}, w, h);
        ASSERT_GT(w, 0);
        auto out = pptx::imaging::Render({bytes, "png"}, {}, w, h);
        auto in = pptx::imaging::Render({original, "png"}, {}, w, h);
        ASSERT_TRUE(out.anyTransparent) << name;
        int clear = 0, lost = 0, opaque = 0, faded = 0;
        for (size_t i = 3; i < in.rgba.size(); i += 4) {
            if (in.rgba[i] == 0) ++clear, lost += out.rgba[i] != 0;
            if (in.rgba[i] == 255) ++opaque, faded += out.rgba[i] < 250;
        }
        EXPECT_GT(clear, w * h / 10) << name;
        EXPECT_EQ(lost, 0) << name << ": clear pixels that are no longer clear";
        EXPECT_EQ(faded, 0) << name << ": opaque pixels that let the slide through";
        std::printf("[ measure ] %s: %zu -> %zu bytes, %dx%d, %d clear and %d opaque pixels kept\n", name.c_str(),
                    original.size(), bytes.size(), w, h, clear, opaque);
    }
}

// An SVG picture on a slide (the drawing with a PNG for programs that cannot
// draw SVG): its drawing stays, only the PNG is redone, and LibreOffice,
// which shows the PNG, renders the slide as before.
TEST(Reach, SlideSvgPictureKeepsItsDrawingAndOnlyItsBitmapShrinks) {
    const std::string corpus = CorpusDir();
    const std::string source = corpus + "/aspose-net/Image.pptx";
    if (corpus.empty() || !fs::exists(source)) GTEST_SKIP() << "corpus deck missing: " << source;
    Sandbox box;
    const std::string input = box.AddInput(source);
    auto run = RunAllPictures(box, {input});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("SVGの代替画像を圧縮"), std::string::npos) << run.out;
    const std::string output = OutputFor(input);
    ASSERT_FALSE(output.empty()) << run.out;
    EXPECT_TRUE(NewProblems(input, output).empty());

    auto pkgIn = pptx::Package::OpenFile(input), pkgOut = pptx::Package::OpenFile(output);
    auto svgOf = [](pptx::Package& pkg) -> std::pair<std::string, std::string> {
        auto* slide = pkg.Find("/ppt/slides/slide1.xml");
        auto svg = slide->Xml().select_node("//p:pic//*[local-name()='svgBlip']").node();
        auto* part = svg ? slide->Target(svg.attribute("r:embed").value()) : nullptr;
        auto name = slide->Xml().select_node("//p:pic/p:nvPicPr/p:cNvPr").node().attribute("name").value();
        return {name, part ? part->Bytes() : ""};
    };
    auto [nameIn, svgIn] = svgOf(*pkgIn);
    auto [nameOut, svgOut] = svgOf(*pkgOut);
    ASSERT_FALSE(svgIn.empty());
    EXPECT_EQ(svgOut, svgIn) << "the drawing is kept byte for byte";
    EXPECT_EQ(nameOut, nameIn) << "the picture itself is not replaced";
    EXPECT_LT(PictureImage(output, 1, 0).second.size(), PictureImage(input, 1, 0).second.size() / 4);

    if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice not installed: rendering not compared";
    auto sims = CompareDecks(input, output, 48);
    ASSERT_EQ(sims.size(), 1u);
    EXPECT_GE(sims[0].ssim, 0.98);
    std::printf("[ measure ] SVG picture's page: SSIM %.4f, mean abs diff %.2f\n", sims[0].ssim, sims[0].meanAbsDiff);
}
