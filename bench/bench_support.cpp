// File: bench/bench_support.cpp
#include "bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

#include <pugixml.hpp>
#include <vips/vips8>

#include "base/atomic_file.h"
#include "base/regular_file.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/zip_io.h"

namespace fs = std::filesystem;
using quillmax::pptx::ZipEntry;

namespace bench {

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (const auto ec = quillmax::util::ReadRegularFile(path, bytes))
        throw std::runtime_error(path + ": " + ec.message());
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    if (const auto ec = quillmax::util::WriteFileAtomically(path, bytes))
        throw std::runtime_error(path + ": " + ec.message());
}

ChildRun Run(const std::vector<std::string>& argv, const std::string& cwd,
             const std::vector<std::pair<std::string, std::string>>& env) {
    ChildRun r;
    char outName[] = "/tmp/qmx-bench-outXXXXXX", errName[] = "/tmp/qmx-bench-errXXXXXX",
         usageName[] = "/tmp/qmx-bench-useXXXXXX";
    const int outFd = ::mkstemp(outName), errFd = ::mkstemp(errName), usageFd = ::mkstemp(usageName);
    // Through the small launcher beside the benchmarks, for a peak of the
    // program's own (see measured_launch.cpp).
    std::error_code ec;
    const fs::path self = fs::canonical("/proc/self/exe", ec);
    const std::string launcher = ec ? std::string() : (self.parent_path() / "measured_launch").string();
    const bool launched = !launcher.empty() && ::access(launcher.c_str(), X_OK) == 0;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::dup2(usageFd, 3);
        if (::chdir(cwd.c_str()) != 0) ::_exit(127);
        for (auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> args;
        if (launched) args.push_back(const_cast<char*>(launcher.c_str()));
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ::close(outFd);
    ::close(errFd);
    ::close(usageFd);
    long peakKb = 0;
    double cpu = 0;
    if (launched && std::sscanf(ReadFile(usageName).c_str(), "%ld %lf", &peakKb, &cpu) == 2) {
        r.peakMb = static_cast<double>(peakKb) / 1024.0;
        r.cpuSeconds = cpu;
    }
    r.out = ReadFile(outName);
    r.err = ReadFile(errName);
    ::unlink(outName);
    ::unlink(errName);
    ::unlink(usageName);
    return r;
}

std::string BuildProgram(const char* argv0, const std::string& name) {
    std::error_code ec;
    fs::path self = fs::canonical("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0);
    return (self.parent_path().parent_path() / name).string();
}

std::string CorpusDir() {
    fs::path corpus = fs::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    return fs::is_directory(corpus, ec) ? fs::canonical(corpus).string() : std::string();
}

double LoadAverage() {
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

double MachineBusySeconds() {
    std::string stat;
    if (quillmax::util::ReadRegularFile("/proc/stat", stat)) return 0;
    std::istringstream in(stat);
    std::string cpu;
    unsigned long long v[10] = {};
    in >> cpu;
    for (auto& x : v) in >> x;
    // user nice system idle iowait irq softirq steal (guest time is in user)
    const unsigned long long busy = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
    return static_cast<double>(busy) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

namespace {

std::vector<std::string> Jpegs(const std::string& folder, std::uintmax_t maxBytes) {
    std::vector<std::string> files;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return files;
    for (auto& e : fs::recursive_directory_iterator(folder, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg") && e.file_size() <= maxBytes)
            files.push_back(e.path().string());
    }
    // Smallest first: a deck of more pictures than files repeats the small ones.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        const auto sa = fs::file_size(a), sb = fs::file_size(b);
        return sa != sb ? sa < sb : a < b;
    });
    return files;
}

std::string XmlBytes(const pugi::xml_document& doc) {
    std::ostringstream ss;
    doc.save(ss, "", pugi::format_raw | pugi::format_no_declaration);
    return ss.str();
}

pugi::xml_document Parse(const std::string& bytes) {
    pugi::xml_document doc;
    doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration);
    return doc;
}

int SlideNumber(const std::string& name) {
    std::smatch m;
    static const std::regex slide("^ppt/slides/slide([0-9]+)\\.xml$");
    return std::regex_match(name, m, slide) ? std::stoi(m[1]) : 0;
}

std::string RelsOf(const std::string& part) {
    const auto slash = part.rfind('/');
    return part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
}

// "../media/x.png" from ppt/slides/ -> ppt/media/x.png.
std::string Resolve(const std::string& part, const std::string& target) {
    fs::path p = fs::path(part).parent_path() / target;
    return p.lexically_normal().generic_string();
}

long MaxShapeId(pugi::xml_node node) {
    long best = 0;
    for (pugi::xpath_node n : node.select_nodes(".//*[local-name()='cNvPr']"))
        best = std::max(best, static_cast<long>(n.node().attribute("id").as_int()));
    return best;
}

} // namespace

std::string MakePhotoDeck(const PhotoDeckPlan& plan, const std::string& out) {
    std::vector<ZipEntry> entries;
    std::error_code ec;
    if (!plan.host.empty() && fs::is_regular_file(plan.host, ec)) {
        entries = quillmax::pptx::ZipArchiveEntries(ReadFile(plan.host));
    } else {
        quillmax::pptx::deck::Deck blank;
        blank.slides.resize(static_cast<size_t>(std::max(1, (plan.pictures + 2) / 3)));
        entries = quillmax::pptx::ZipArchiveEntries(quillmax::pptx::deck::Build(blank));
    }
    std::map<std::string, size_t> at;
    for (size_t i = 0; i < entries.size(); ++i) at[entries[i].name] = i;
    auto entry = [&](const std::string& name) -> ZipEntry& {
        if (!at.count(name)) {
            at[name] = entries.size();
            entries.push_back(ZipEntry{name, {}});
        }
        return entries[at[name]];
    };

    std::vector<std::string> slides;
    for (auto& e : entries)
        if (SlideNumber(e.name) > 0) slides.push_back(e.name);
    std::sort(slides.begin(), slides.end(),
              [](const std::string& a, const std::string& b) { return SlideNumber(a) < SlideNumber(b); });
    if (slides.empty()) throw std::runtime_error("the host deck has no slides");
    auto pres = Parse(entry("ppt/presentation.xml").bytes);
    auto size = pres.document_element().child("p:sldSz");
    const double slideW = size.attribute("cx").as_double(9144000), slideH = size.attribute("cy").as_double(6858000);

    const auto files = Jpegs(plan.wallpapers, plan.maxPictureBytes);
    std::vector<std::string> made;
    for (unsigned k = 0; files.empty() && k < 4; ++k)
        made.push_back(quillmax::pptx::deck::MakePhotoJpeg(plan.fallbackWidth, plan.fallbackHeight, 2000u + k, 90));
    const size_t kinds = files.empty() ? made.size() : files.size();

    auto types = Parse(entry("[Content_Types].xml").bytes);
    bool hasJpeg = false;
    for (auto d : types.document_element().children("Default"))
        hasJpeg = hasJpeg || std::string(d.attribute("Extension").value()) == "jpeg";
    if (!hasJpeg) {
        auto d = types.document_element().prepend_child("Default");
        d.append_attribute("Extension") = "jpeg";
        d.append_attribute("ContentType") = "image/jpeg";
    }
    entry("[Content_Types].xml").bytes = XmlBytes(types);

    std::map<std::string, int> onSlide;
    for (int i = 0; i < plan.pictures; ++i) {
        const std::string& slideName = slides[static_cast<size_t>(i) * slides.size() / static_cast<size_t>(plan.pictures)];
        const int k = onSlide[slideName]++;
        const size_t kind = static_cast<size_t>(i) % kinds;
        std::string bytes = files.empty() ? made[kind] : ReadFile(files[kind]);
        bytes += std::string(static_cast<size_t>(i) / kinds, '\0'); // the same bytes twice would be stored once
        int w = 1, h = 1;
        quillmax::pptx::imaging::ImageSize({bytes, "jpeg"}, w, h);
        const std::string media = "ppt/media/bench-photo" + std::to_string(i + 1) + ".jpeg";
        entry(media) = ZipEntry{media, std::move(bytes), true};

        const std::string rid = "rIdBenchPhoto" + std::to_string(i + 1);
        auto rels = Parse(entry(RelsOf(slideName)).bytes);
        if (!rels.document_element()) {
            auto root = rels.append_child("Relationships");
            root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
        }
        auto rel = rels.document_element().append_child("Relationship");
        rel.append_attribute("Id") = rid.c_str();
        rel.append_attribute("Type") = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
        rel.append_attribute("Target") = ("../media/bench-photo" + std::to_string(i + 1) + ".jpeg").c_str();
        entry(RelsOf(slideName)).bytes = XmlBytes(rels);

        // A third of the slide wide, on a grid of three by two.
        auto doc = Parse(entry(slideName).bytes);
        auto tree = doc.document_element().child("p:cSld").child("p:spTree");
        const long id = MaxShapeId(doc.document_element()) + 1;
        const double cx = slideW * 0.3, cy = cx * h / w;
        const double x = slideW * (0.03 + 0.32 * (k % 3)), y = slideH * (0.25 + 0.35 * ((k / 3) % 2)) + 50800.0 * (k / 6);
        std::ostringstream pic;
        pic << "<p:pic><p:nvPicPr><p:cNvPr id=\"" << id << "\" name=\"Picture " << id << "\"/>"
            << "<p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr><p:nvPr/></p:nvPicPr>"
            << "<p:blipFill><a:blip r:embed=\"" << rid << "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
            << "<p:spPr><a:xfrm><a:off x=\"" << static_cast<long>(x) << "\" y=\"" << static_cast<long>(y)
            << "\"/><a:ext cx=\"" << static_cast<long>(cx) << "\" cy=\"" << static_cast<long>(cy)
            << "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
        const std::string fragment = pic.str();
        tree.append_buffer(fragment.data(), fragment.size());
        entry(slideName).bytes = XmlBytes(doc);
    }
    const std::string tmp = out + ".tmp";
    WriteFile(tmp, quillmax::pptx::ZipArchiveBytes(entries, true));
    fs::rename(tmp, out);
    return files.empty() ? "generated photos" : "wallpapers from " + plan.wallpapers;
}

std::vector<std::string> StandardPhotoDecks(const std::string& folder) {
    const std::string corpus = CorpusDir();
    PhotoDeckPlan big;
    big.host = corpus.empty() ? "" : corpus + "/rw-0x00Jeff-lsass-talk/slides.pptx";
    big.pictures = 32;
    big.maxPictureBytes = 10'000'000;
    PhotoDeckPlan small = big;
    small.host = corpus.empty() ? "" : corpus + "/poi/ececapstonespring2012.pptx";
    small.pictures = 53;
    small.maxPictureBytes = 1'000'000;
    small.fallbackWidth = 1600;
    small.fallbackHeight = 1200;
    std::vector<std::string> out = {folder + "/wallpapers-32.pptx", folder + "/wallpapers-53.pptx"};
    const std::string what = MakePhotoDeck(big, out[0]);
    MakePhotoDeck(small, out[1]);
    std::printf("photo decks: %s\n", what.c_str());
    return out;
}

std::string OutputOf(const std::string& folder, const std::string& input) {
    const std::string stem = fs::path(input).stem().string();
    for (auto& e : fs::directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        if (n.rfind(stem + "【", 0) == 0 && e.path().extension() == ".pptx") return e.path().string();
    }
    return {};
}

namespace {

// Each slide's pictures in tree order, as media part names.
std::map<std::string, std::vector<std::string>> SlidePictures(const std::map<std::string, std::string>& parts) {
    std::map<std::string, std::vector<std::string>> out;
    for (auto& [name, bytes] : parts) {
        if (SlideNumber(name) == 0) continue;
        std::map<std::string, std::string> targets;
        auto rels = parts.find(RelsOf(name));
        if (rels != parts.end()) {
            auto doc = Parse(rels->second);
            for (auto r : doc.document_element().children("Relationship"))
                targets[r.attribute("Id").value()] = Resolve(name, r.attribute("Target").value());
        }
        auto doc = Parse(bytes);
        for (pugi::xpath_node n : doc.select_nodes("//*[local-name()='pic']")) {
            const char* rid = n.node().child("p:blipFill").child("a:blip").attribute("r:embed").value();
            out[name].push_back(targets.count(rid) ? targets[rid] : std::string());
        }
    }
    return out;
}

std::map<std::string, std::string> Parts(const std::string& path) {
    std::map<std::string, std::string> out;
    for (auto& e : quillmax::pptx::ZipArchiveEntries(ReadFile(path))) out[e.name] = std::move(e.bytes);
    return out;
}

double ProcessCpu() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string Ext(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    return ext.empty() ? ext : ext.substr(1);
}

} // namespace

Floor CodecFloor(const std::string& input, const std::string& output) {
    Floor f;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    const auto in = Parts(input), out = Parts(output);
    const auto before = SlidePictures(in), after = SlidePictures(out);
    for (auto& [slide, pics] : before) {
        auto match = after.find(slide);
        for (size_t k = 0; k < pics.size(); ++k) {
            const std::string& was = pics[k];
            const std::string is = (match != after.end() && k < match->second.size()) ? match->second[k] : "";
            if (!in.count(was) || !out.count(is)) continue;
            const std::string& source = in.at(was);
            const std::string& target = out.at(is);
            if (source == target) {
                ++f.kept;
                continue;
            }
            const std::string ext = Ext(is);
            if (ext != "jpeg" && ext != "jpg" && ext != "png") continue;
            auto head = vips::VImage::new_from_buffer(target.data(), target.size(), "");
            const int w = head.width(), h = head.height();
            auto encode = [&](vips::VImage im) {
                if (im.has_alpha() && ext != "png") im = im.flatten(vips::VImage::option()->set("background", 255));
                if (im.bands() > 3 && ext != "png") im = im.extract_band(0, vips::VImage::option()->set("n", 3));
                VipsBlob* blob = ext == "png"
                    ? im.pngsave_buffer(vips::VImage::option()->set("compression", 6)->set("strip", true))
                    : im.jpegsave_buffer(vips::VImage::option()->set("Q", 85)->set("optimize_coding", true)->set("strip", true));
                vips_area_unref(reinterpret_cast<VipsArea*>(blob));
            };
            auto whole = [&](VipsAccess access) {
                auto im = vips::VImage::new_from_buffer(source.data(), source.size(), "",
                                                        vips::VImage::option()->set("access", access));
                encode(im.resize(static_cast<double>(w) / im.width(),
                                 vips::VImage::option()->set("vscale", static_cast<double>(h) / im.height())));
            };
            auto t0 = std::chrono::steady_clock::now();
            const double c0 = ProcessCpu();
            whole(VIPS_ACCESS_SEQUENTIAL);
            f.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            f.cpuSeconds += ProcessCpu() - c0;
            t0 = std::chrono::steady_clock::now();
            whole(VIPS_ACCESS_RANDOM);
            f.plainSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            t0 = std::chrono::steady_clock::now();
            VipsBlob* src = vips_blob_new(nullptr, source.data(), source.size());
            encode(vips::VImage::thumbnail_buffer(
                src, w, vips::VImage::option()->set("height", h)->set("size", VIPS_SIZE_FORCE)));
            vips_area_unref(reinterpret_cast<VipsArea*>(src));
            f.shrunkSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            ++f.pictures;
        }
    }
    return f;
}

} // namespace bench
