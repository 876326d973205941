// File: tests/integration/movie_test.cpp
// Movies through the real engine and the package-backed presentation
// program: the video decks of the corpus and a deck built here, run through
// the start button with an encoder stand-in that halves every movie.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "app/batch_run.h"
#include "engine/movie_encoder.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/package.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "support/fake_encoder.h"
#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
constexpr size_t kMB = 1048576;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string Corpus(const std::string& name) {
    return std::string(QUILLMAX_SOURCE_DIR) + "/../shared/corpus/" + name;
}

class MovieRun : public ::testing::Test {
protected:
    void SetUp() override {
        w.session.automation = automation.get();
        auto& setup = engine::MovieEncoding();
        setup = {};
        setup.encoder = &encoder;
        setup.recipes1 = {engine::Recipe{"wmv"}};
        setup.extensions1 = {"mp4", "avi", "mpg", "mp3"};
        w.settings.Movie = 1;
        w.settings.Encode = 0;
        w.settings.MovieCond = 1;
        w.settings.MovieTarget = 0;
    }
    void TearDown() override { engine::MovieEncoding() = {}; }

    // Copies a corpus deck into the test folder.
    std::string Copy(const std::string& corpusName) {
        std::string to = w.dir.file(fs::path(corpusName).filename().string());
        fs::copy_file(Corpus(corpusName), to);
        return to;
    }

    void Run(const std::vector<std::string>& inputs) {
        w.view = RecorderView();
        encoder.movies.clear();
        encoder.bases.clear();
        for (auto& in : inputs) w.view.source += in + "\r\n";
        app::btnStart_Click(w.session);
        ASSERT_EQ(w.view.status, "圧縮完了") << w.view.log;
    }

    // The presentations in the folder that are not among `inputs`.
    std::vector<std::string> Outputs(const std::set<std::string>& inputs) {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(w.dir.path()))
            if (e.path().extension() == ".pptx" && !inputs.count(e.path().string()))
                out.push_back(e.path().string());
        return out;
    }

    FakeWorld w;
    std::unique_ptr<office::Automation> automation = pptx::CreateAutomation();
    FakeEncoder encoder{"wmv"};
};

// Every shape id the slide's timing names, and every id of its shape tree.
void TimingAndShapeIds(pugi::xml_document& doc, std::set<unsigned>& timing, std::set<unsigned>& shapes) {
    for (auto t : doc.select_nodes("//p:timing//p:spTgt")) timing.insert(t.node().attribute("spid").as_uint());
    for (auto c : doc.select_nodes("//p:cSld//p:cNvPr")) shapes.insert(c.node().attribute("id").as_uint());
}

// The file names (not folders) of the movies the encoder was handed.
std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (auto& p : paths) names.push_back(fs::path(p).filename().string());
    return names;
}

TEST_F(MovieRun, CorpusVideosComeOutOfTheirPackagesLinksAreReportedOnceAndTargetsAreHonoured) {
    if (!fs::exists(Corpus("shapecrawler/040_video.pptx"))) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    const std::string video = Copy("shapecrawler/040_video.pptx");
    const std::string linked = Copy("aspose-net/Media File.pptx");
    const std::string avi = Copy("ooxml_parser/transition_direction_nil_2.pptx");
    const std::string audio = Copy("tika/testPPT_embedded_two_slides.pptx");
    const std::string dir = w.dir.path().string();
    // A namesake of the deck's movie beside it is not the movie: the
    // package holds it.
    const std::string beside = w.dir.touch("media1.mp4", 2 * kMB);
    const std::set<std::string> inputs{video, linked, avi, audio};

    // Linked movies only: no media shape is looked at.
    w.settings.MovieTarget = 2;
    Run({video, linked, avi, audio});
    EXPECT_TRUE(encoder.movies.empty());
    EXPECT_EQ(Count(w.view.log, "見つかりません"), 0) << w.view.log;
    EXPECT_TRUE(Outputs(inputs).empty());

    // A file of the answered name in the current folder is not the movie.
    TempFolder elsewhere;
    elsewhere.touch("media1.mp4", 3 * kMB);
    const fs::path cwd = fs::current_path();
    fs::current_path(elsewhere.path());
    w.settings.MovieTarget = 1;
    Run({video, linked, avi, audio});
    fs::current_path(cwd);
    const std::string& log = w.view.log;
    EXPECT_EQ(Names(encoder.movies), (std::vector<std::string>{"media1.mp4", "video1.avi"}));
    for (auto& m : encoder.movies) EXPECT_NE(fs::path(m).parent_path(), w.dir.path());
    EXPECT_EQ(Count(log, "\tmedia1.mp4 を圧縮 (0.9MB→0.5MB)  \r\n"), 1) << log;
    EXPECT_EQ(Count(log, "KB に圧縮しました。埋め込み動画を0.9MB→0.5MB に圧縮しました。\r\n\r\n"), 1) << log;
    EXPECT_EQ(Count(log, "\tvideo1.avi を圧縮 (3MB→2MB)  \r\n"), 1) << log;
    // Linked sounds found nowhere: one line per shape, named in the deck's
    // folder; the shape stays and nothing is written.
    EXPECT_EQ(Count(log, "\t" + dir + "/empty.mp3(埋め込み動画) が見つかりません。\r\n"), 2) << log;
    EXPECT_EQ(Count(log, "(埋め込み動画) が見つかりません。"), 3) << log; // and the web video
    EXPECT_EQ(Count(log, "十分な圧縮効果が得られなかったため圧縮を中止しました。"), 2) << log;
    // Taken out into private folders that are gone again.
    for (auto& m : encoder.movies) EXPECT_FALSE(fs::exists(fs::path(m).parent_path().parent_path()));

    std::vector<std::string> outputs = Outputs(inputs);
    ASSERT_EQ(outputs.size(), 2u);
    for (auto& out : outputs)
        for (auto& p : pptx::CheckPackageFile(out)) ADD_FAILURE() << p;
    std::sort(outputs.begin(), outputs.end());
    auto pkg = pptx::Package::OpenFile(outputs[0]); // 040_video
    pugi::xml_document& slide = pkg->Find("/ppt/slides/slide1.xml")->Xml();
    auto pic = slide.select_node("//p:pic[p:nvPicPr/p:nvPr/a:videoFile]").node();
    ASSERT_TRUE(pic);
    const unsigned id = pic.child("p:nvPicPr").child("p:cNvPr").attribute("id").as_uint();
    EXPECT_NE(id, 8u) << "the old movie shape is gone";
    auto off = pic.child("p:spPr").child("a:xfrm").child("a:off");
    auto ext = pic.child("p:spPr").child("a:xfrm").child("a:ext");
    EXPECT_EQ(off.attribute("x").as_llong(), 386862);
    EXPECT_EQ(off.attribute("y").as_llong(), 80963);
    EXPECT_EQ(ext.attribute("cx").as_llong(), 4244622);
    EXPECT_EQ(ext.attribute("cy").as_llong(), 2387600);
    std::set<std::string> media;
    for (pptx::Part* part : pkg->Parts())
        if (part->name().rfind("/ppt/media/media", 0) == 0) media.insert(part->name());
    EXPECT_EQ(media.size(), 1u);
    EXPECT_FALSE(media.count("/ppt/media/media1.mp4"));
    EXPECT_EQ(fs::path(*media.begin()).extension(), ".wmv");
    // The play-on-click effect went with the movie, and the movie has a
    // media node of its own.
    std::set<unsigned> timing, shapes;
    TimingAndShapeIds(slide, timing, shapes);
    EXPECT_EQ(timing, std::set<unsigned>{id});
    EXPECT_TRUE(slide.select_node(("//p:video/p:cMediaNode/p:tgtEl/p:spTgt[@spid='" + std::to_string(id) + "']").c_str()));
    EXPECT_TRUE(slide.select_node("//p:seq[p:cTn/@nodeType='mainSeq']//p:cmd[starts-with(@cmd,'playFrom')]"));
}

// Modification time in whole seconds.
long long Seconds(const std::string& path) {
    return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(path).time_since_epoch()).count();
}

pptx::deck::Shape Linking(int id, const std::string& click, const std::string& hover = "") {
    pptx::deck::Shape r = pptx::deck::Rectangle({400, 40.0 * id, 80, 30});
    r.id = id;
    if (!click.empty()) r.click = pptx::deck::Action{click, "ppaction://hlinkfile", "", "", ""};
    if (!hover.empty()) r.hover = pptx::deck::Action{hover, "ppaction://hlinkfile", "", "", ""};
    return r;
}

TEST_F(MovieRun, BuiltDeckReplacesTheMediaShapeAndRepointsClickLinksBesideTheDeck) {
    using namespace pptx::deck;
    Shape back = Rectangle({0, 0, 50, 50});
    back.id = 2;
    Shape movie;
    movie.kind = Kind::Video;
    movie.id = 3;
    movie.geometry = {100, 80, 320, 180};
    movie.image = {MakeLineArtPng(32, 18, 1), "png"};
    movie.videoBytes = std::string(2 * kMB, 'v');
    movie.hover = Action{"https://example.com/", "", "", "", ""};
    Shape front = Rectangle({10, 10, 50, 50});
    front.id = 4;
    Slide slide;
    slide.shapes = {back, movie, front, Linking(5, "clip.mpg", "other.mpg"), Linking(6, "star.mpg"),
                    Linking(7, "gone.mpg")};
    slide.effects = {Effect{3}};
    Deck d;
    d.slides = {slide};
    const std::string deck = w.dir.file("deck.pptx");
    Write(d, deck);
    const std::string dir = w.dir.path().string();
    // The linked movie files beside the deck, and a namesake of the
    // embedded one that must not be used; dated in the past, to the millisecond.
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400) + std::chrono::milliseconds(370);
    std::map<std::string, std::string> files;
    for (auto [name, mb] : std::map<std::string, size_t>{{"media1.mp4", 2}, {"clip.mpg", 4}, {"other.mpg", 1}, {"star.mpg", 1}}) {
        files[name] = w.dir.touch(name, mb * kMB);
        fs::last_write_time(files[name], past);
    }
    encoder.starFor = {"star.mpg"};
    auto cleanUp = [&] {
        for (auto& e : fs::directory_iterator(w.dir.path())) {
            bool kept = e.path() == deck;
            for (auto& [name, path] : files) kept |= e.path() == path;
            if (!kept) fs::remove(e.path());
        }
    };

    // Embedded only: the links are never looked at.
    w.settings.MovieTarget = 1;
    Run({deck});
    EXPECT_EQ(Names(encoder.movies), std::vector<std::string>{"media1.mp4"});
    EXPECT_NE(encoder.movies[0], files["media1.mp4"]);
    EXPECT_EQ(Count(w.view.log, "リンク先動画"), 0) << w.view.log;
    cleanUp();

    w.settings.MovieTarget = 0;
    w.settings.KeepFileDate = 1;
    Run({deck});
    const std::string& log = w.view.log;
    // Only the click of the shape linking two movies is handled; "*" is silent.
    EXPECT_EQ(Names(encoder.movies), (std::vector<std::string>{"media1.mp4", "clip.mpg", "star.mpg"}));
    EXPECT_EQ(encoder.movies[1], files["clip.mpg"]);
    EXPECT_EQ(Count(log, "\tmedia1.mp4 を圧縮 (2MB→1MB)  \r\n"), 1) << log;
    EXPECT_EQ(Count(log, "\tclip.mpg を圧縮 (4MB→2MB)  \r\n"), 1) << log;
    EXPECT_EQ(Count(log, "\t" + dir + "/gone.mpg(リンク先動画) が見つかりません。\r\n"), 1) << log;
    EXPECT_EQ(Count(log, "star"), 0) << log;
    EXPECT_EQ(Count(log, "埋め込み動画を6MB→3MB に圧縮しました。\r\n\r\n"), 1) << log;
    ASSERT_EQ(encoder.bases.size(), 3u);
    const std::string newMovie = encoder.bases[0] + ".wmv", newClip = encoder.bases[1] + ".wmv";
    EXPECT_EQ(fs::path(newClip).parent_path(), w.dir.path());
    // The movie from the package was encoded in a private folder, gone now.
    EXPECT_FALSE(fs::exists(newMovie));
    // A re-encoded file carries its source's dates, to the second.
    EXPECT_EQ(Seconds(newClip), Seconds(files["clip.mpg"]));

    std::vector<std::string> outputs = Outputs({deck});
    ASSERT_EQ(outputs.size(), 1u);
    for (auto& p : pptx::CheckPackageFile(outputs[0])) ADD_FAILURE() << p;
    auto app = automation->CreatePowerPoint();
    auto pres = app->GetPresentations()->Open(outputs[0], true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    ASSERT_EQ(shapes->Count(), 6);
    auto media = shapes->Item(2);
    EXPECT_EQ(media->Type(), office::ppt::kShapeMedia);
    EXPECT_EQ(media->ZOrderPosition(), 2);
    EXPECT_DOUBLE_EQ(media->Left(), 100);
    EXPECT_DOUBLE_EQ(media->Top(), 80);
    EXPECT_DOUBLE_EQ(media->Width(), 320);
    EXPECT_DOUBLE_EQ(media->Height(), 180);
    EXPECT_EQ(media->ActionSettings(2)->GetHyperlink()->Address(), "https://example.com/");
    EXPECT_EQ(fs::path(media->GetLinkFormat()->SourceFullName()).extension(), ".wmv");
    // Re-encoded beside the deck: the link is a bare name again.
    EXPECT_EQ(shapes->Item(4)->ActionSettings(1)->GetHyperlink()->Address(), fs::path(newClip).filename().string());
    EXPECT_EQ(shapes->Item(4)->ActionSettings(2)->GetHyperlink()->Address(), "other.mpg");
    EXPECT_EQ(shapes->Item(5)->ActionSettings(1)->GetHyperlink()->Address(), "star.mpg");
    EXPECT_EQ(shapes->Item(6)->ActionSettings(1)->GetHyperlink()->Address(), "gone.mpg");
    pres->Close();

    // The old movie's part is gone, the new one is in; the fade and the
    // media node play the new shape.
    auto pkg = pptx::Package::OpenFile(outputs[0]);
    std::set<std::string> parts;
    for (pptx::Part* part : pkg->Parts())
        if (part->name().rfind("/ppt/media/media", 0) == 0) parts.insert(fs::path(part->name()).extension().string());
    EXPECT_EQ(parts, std::set<std::string>{".wmv"});
    pugi::xml_document& xml = pkg->Find("/ppt/slides/slide1.xml")->Xml();
    const unsigned id = xml.select_node("//p:pic[p:nvPicPr/p:nvPr/a:videoFile]/p:nvPicPr/p:cNvPr").node().attribute("id").as_uint();
    std::set<unsigned> timing, ids;
    TimingAndShapeIds(xml, timing, ids);
    EXPECT_EQ(timing, std::set<unsigned>{id});
    EXPECT_TRUE(xml.select_node("//p:seq[p:cTn/@nodeType='mainSeq']//p:cTn[@presetClass='entr']"));
    EXPECT_TRUE(xml.select_node("//p:video/p:cMediaNode"));
}

} // namespace
} // namespace quillmax::test
