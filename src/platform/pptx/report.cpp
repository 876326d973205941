// File: platform/pptx/report.cpp
#include "platform/pptx/report.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "base/errors.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/package.h"

namespace quillmax::pptx {
namespace {

constexpr double kEmuPerPoint = 12700.0;
constexpr double kEmuPerInch = 914400.0;
constexpr size_t kHeaviest = 10;

bool OneOf(const std::string& ext, std::initializer_list<const char*> list) {
    for (const char* e : list)
        if (ext == e) return true;
    return false;
}

bool IsPictureExt(const std::string& ext) {
    return OneOf(ext, {"png", "jpg", "jpeg", "jfif", "jpe", "gif", "bmp", "dib", "tif", "tiff", "emf", "wmf",
                       "emz", "wmz", "svg", "wdp", "jxr", "hdp", "pict", "pct", "ico", "webp"});
}

bool IsMovieOrSoundExt(const std::string& ext) {
    return OneOf(ext, {"mp4", "m4v", "mov", "qt", "avi", "wmv", "asf", "mpg", "mpeg", "mpe", "m2v", "webm",
                       "mkv", "flv", "3gp", "swf", "mp3", "m4a", "wav", "wma", "aif", "aiff", "au", "mid",
                       "midi", "ogg", "oga", "aac", "flac"});
}

// The kind of a zip entry by its name (no leading "/").
ByteKind KindOf(const std::string& entry) {
    const std::string lower = LowerAscii(entry);
    const std::string ext = ExtensionOf("/" + lower);
    if (lower.rfind("ppt/embeddings/", 0) == 0) return ByteKind::OleEmbeddings;
    if (lower.rfind("ppt/fonts/", 0) == 0 || OneOf(ext, {"fntdata", "odttf", "ttf", "otf"})) return ByteKind::Fonts;
    if (IsPictureExt(ext)) return ByteKind::Pictures;
    if (IsMovieOrSoundExt(ext)) return ByteKind::MoviesAndSounds;
    if (OneOf(ext, {"xml", "rels", "vml"})) return ByteKind::Xml;
    return ByteKind::Other;
}

std::string Attr(const pugi::xml_node& n, const char* name) { return n.attribute(name).as_string(); }

double Num(const pugi::xml_node& n, const char* name) { return n.attribute(name).as_double(0); }

// The shape an element belongs to, and its size in EMU as shown (group
// scaling applied).
bool ShownSize(pugi::xml_node at, double slideCx, double slideCy, double& cx, double& cy) {
    pugi::xml_node shape = at;
    for (; shape; shape = shape.parent()) {
        const std::string n = shape.name();
        if (n == "p:pic" || n == "p:sp" || n == "p:cxnSp" || n == "p:graphicFrame" || n == "p:bg") break;
    }
    if (!shape) return false;
    const std::string name = shape.name();
    if (name == "p:bg") {
        cx = slideCx;
        cy = slideCy;
        return cx > 0 && cy > 0;
    }
    pugi::xml_node ext = name == "p:graphicFrame" ? shape.child("p:xfrm").child("a:ext")
                                                  : shape.child("p:spPr").child("a:xfrm").child("a:ext");
    cx = Num(ext, "cx");
    cy = Num(ext, "cy");
    for (pugi::xml_node g = shape.parent(); g; g = g.parent()) {
        if (std::string(g.name()) != "p:grpSp") continue;
        pugi::xml_node x = g.child("p:grpSpPr").child("a:xfrm");
        const double chCx = Num(x.child("a:chExt"), "cx"), chCy = Num(x.child("a:chExt"), "cy");
        if (chCx > 0) cx *= Num(x.child("a:ext"), "cx") / chCx;
        if (chCy > 0) cy *= Num(x.child("a:ext"), "cy") / chCy;
    }
    return cx > 0 && cy > 0;
}

// The visible fraction of a picture's width and height (a:srcRect).
void VisibleFraction(pugi::xml_node blip, double& fx, double& fy) {
    pugi::xml_node rect = blip.parent().child("a:srcRect");
    fx = 1.0 - (Num(rect, "l") + Num(rect, "r")) / 100000.0;
    fy = 1.0 - (Num(rect, "t") + Num(rect, "b")) / 100000.0;
    fx = std::clamp(fx, 0.0, 10.0);
    fy = std::clamp(fy, 0.0, 10.0);
}

struct Usage {
    double cx = 0, cy = 0, fx = 1, fy = 1;
    std::set<int> slides;
    bool onLayouts = false;
};

std::map<std::string, int> SlideNumbers(Package& pkg) {
    std::map<std::string, int> numbers;
    Part* main = pkg.MainPart();
    if (!main) return numbers;
    int n = 0;
    for (pugi::xml_node id : main->Xml().document_element().child("p:sldIdLst").children("p:sldId")) {
        ++n;
        if (Part* slide = main->Target(Attr(id, "r:id"))) numbers[slide->name()] = n;
    }
    return numbers;
}

// Every slide, layout and master element that points at a media part.
std::map<std::string, Usage> MediaUsage(Package& pkg, const std::map<std::string, int>& slideNumbers,
                                        double slideCx, double slideCy) {
    std::map<std::string, Usage> usage;
    for (Part* part : pkg.Parts()) {
        const std::string& name = part->name();
        const bool isSlide = slideNumbers.count(name) > 0;
        const bool isLayout = name.rfind("/ppt/slideLayouts/", 0) == 0 || name.rfind("/ppt/slideMasters/", 0) == 0;
        if (!isSlide && !isLayout) continue;
        pugi::xml_document* doc = nullptr;
        try {
            doc = &part->Xml();
        } catch (const office::AutomationError&) {
            continue;
        }
        // pugixml walks the tree without recursion, so deep documents are safe.
        struct Walker : pugi::xml_tree_walker {
            std::vector<pugi::xml_node> found;
            bool for_each(pugi::xml_node& n) override {
                if (n.type() == pugi::node_element &&
                    (n.attribute("r:embed") || n.attribute("r:link") || n.attribute("r:id")))
                    found.push_back(n);
                return true;
            }
        } walker;
        doc->traverse(walker);
        for (pugi::xml_node el : walker.found) {
            for (const char* a : {"r:embed", "r:link", "r:id"}) {
                Part* target = part->Target(Attr(el, a));
                if (!target) continue;
                const ByteKind kind = KindOf(target->name().substr(1));
                if (kind != ByteKind::Pictures && kind != ByteKind::MoviesAndSounds) continue;
                Usage& u = usage[target->name()];
                if (isSlide) u.slides.insert(slideNumbers.at(name));
                else u.onLayouts = true;
                double cx = 0, cy = 0, fx = 1, fy = 1;
                if (std::string(el.name()) == "a:blip") VisibleFraction(el, fx, fy);
                if (ShownSize(el, slideCx, slideCy, cx, cy) && cx * cy > u.cx * u.cy) {
                    u.cx = cx;
                    u.cy = cy;
                    u.fx = fx;
                    u.fy = fy;
                }
            }
        }
    }
    return usage;
}

// Columns on a terminal: ASCII narrow, the rest (Japanese here) wide.
int DisplayWidth(const std::string& text) {
    int w = 0;
    for (unsigned char c : text) {
        if (c < 0x80) w += 1;
        else if ((c & 0xC0) != 0x80) w += 2;
    }
    return w;
}

std::string Thousands(std::uint64_t v) {
    std::string digits = std::to_string(v), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace

const char* ByteKindName(ByteKind kind) {
    static const char* names[] = {"pictures", "movies_and_sounds", "ole_embeddings", "fonts",
                                  "xml", "other", "zip_structure"};
    return names[static_cast<int>(kind)];
}

const char* ByteKindLabel(ByteKind kind) {
    static const char* labels[] = {"画像", "動画・音声", "OLE埋め込み", "フォント", "XML", "その他", "ZIP構造"};
    return labels[static_cast<int>(kind)];
}

DeckReport MakeReport(const std::string& path) {
    DeckReport report;
    std::unique_ptr<Package> pkg = Package::OpenFile(path);

    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!za) throw office::AutomationError("report", "cannot read " + path);
    std::map<std::string, std::uint64_t> stored; // "/name" (lower case) -> compressed bytes
    std::uint64_t entries = 0;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        const std::string name = st.name ? st.name : "";
        report.bytes[static_cast<int>(KindOf(name))] += st.comp_size;
        entries += st.comp_size;
        stored["/" + LowerAscii(name)] = st.comp_size;
    }
    zip_close(za);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f && std::fseek(f, 0, SEEK_END) == 0) report.fileSize = static_cast<std::uint64_t>(std::ftell(f));
    if (f) std::fclose(f);
    // Headers, the central directory and anything else between the entries.
    report.bytes[static_cast<int>(ByteKind::ZipStructure)] =
        report.fileSize > entries ? report.fileSize - entries : 0;

    const std::map<std::string, int> numbers = SlideNumbers(*pkg);
    report.slideCount = static_cast<int>(numbers.size());
    double slideCx = 0, slideCy = 0;
    if (Part* main = pkg->MainPart()) {
        pugi::xml_node sz = main->Xml().document_element().child("p:sldSz");
        slideCx = Num(sz, "cx");
        slideCy = Num(sz, "cy");
    }
    const std::map<std::string, Usage> usage = MediaUsage(*pkg, numbers, slideCx, slideCy);

    for (Part* part : pkg->Parts()) {
        const ByteKind kind = KindOf(part->name().substr(1));
        if (kind != ByteKind::Pictures && kind != ByteKind::MoviesAndSounds) continue;
        // The presentation's own media; a package thumbnail is not shown.
        if (LowerAscii(part->name()).rfind("/ppt/", 0) != 0) continue;
        MediaPartReport m;
        m.part = part->name();
        m.kind = kind;
        auto s = stored.find(LowerAscii(part->name()));
        m.stored = s == stored.end() ? 0 : s->second;
        report.heaviest.push_back(m);
    }
    std::stable_sort(report.heaviest.begin(), report.heaviest.end(),
                     [](const MediaPartReport& a, const MediaPartReport& b) { return a.stored > b.stored; });
    if (report.heaviest.size() > kHeaviest) report.heaviest.resize(kHeaviest);

    for (MediaPartReport& m : report.heaviest) {
        if (m.kind == ByteKind::Pictures) {
            const std::string ext = ExtensionOf(m.part);
            if (!imaging::IsMetafile(ext)) {
                try {
                    imaging::ImageSize({pkg->Find(m.part)->Bytes(), ext}, m.widthPx, m.heightPx);
                } catch (const std::exception&) {
                    m.widthPx = m.heightPx = 0;
                }
            }
        }
        auto u = usage.find(m.part);
        if (u == usage.end()) continue;
        m.slides.assign(u->second.slides.begin(), u->second.slides.end());
        m.onLayouts = u->second.onLayouts;
        m.shownWidthPt = u->second.cx / kEmuPerPoint;
        m.shownHeightPt = u->second.cy / kEmuPerPoint;
        if (m.widthPx > 0 && m.heightPx > 0 && u->second.cx > 0 && u->second.cy > 0) {
            const double ppiX = m.widthPx * u->second.fx / (u->second.cx / kEmuPerInch);
            const double ppiY = m.heightPx * u->second.fy / (u->second.cy / kEmuPerInch);
            m.ppi = std::min(ppiX, ppiY);
        }
    }
    return report;
}

std::string ReportText(const std::string& path, const DeckReport& r) {
    std::string out = path + "\n  " + Thousands(r.fileSize) + " バイト, スライド " + std::to_string(r.slideCount) +
                      " 枚\n";
    for (int k = 0; k < kByteKindCount; ++k) {
        const double share = r.fileSize ? 100.0 * static_cast<double>(r.bytes[k]) / r.fileSize : 0;
        const std::string label = ByteKindLabel(static_cast<ByteKind>(k));
        char numbers[80];
        std::snprintf(numbers, sizeof numbers, "%15s  %5.1f%%\n", Thousands(r.bytes[k]).c_str(), share);
        out += "  " + label + std::string(std::max(0, 12 - DisplayWidth(label)), ' ') + numbers;
    }
    if (r.heaviest.empty()) return out;
    out += "  重いメディア (上位 " + std::to_string(r.heaviest.size()) + " 件):\n";
    for (const MediaPartReport& m : r.heaviest) {
        out += "    " + m.part + "  " + Thousands(m.stored) + " バイト";
        if (m.widthPx > 0) out += "  " + std::to_string(m.widthPx) + "x" + std::to_string(m.heightPx) + " px";
        if (m.shownWidthPt > 0)
            out += "  表示 " + Fixed(m.shownWidthPt, 0) + "x" + Fixed(m.shownHeightPt, 0) + " pt";
        if (m.ppi > 0) out += "  " + Fixed(m.ppi, 0) + " ppi";
        std::string slides;
        for (int n : m.slides) slides += (slides.empty() ? "" : ",") + std::to_string(n);
        if (!slides.empty()) out += "  スライド " + slides;
        if (m.onLayouts) out += "  (レイアウト/マスター)";
        if (slides.empty() && !m.onLayouts) out += "  (未使用)";
        out += "\n";
    }
    return out;
}

std::string ReportJson(const std::string& path, const DeckReport& r) {
    std::string out = "{\"file\":" + JsonString(path) + ",\"size\":" + std::to_string(r.fileSize) +
                      ",\"slides\":" + std::to_string(r.slideCount) + ",\"bytes\":{";
    for (int k = 0; k < kByteKindCount; ++k)
        out += std::string(k ? "," : "") + "\"" + ByteKindName(static_cast<ByteKind>(k)) + "\":" +
               std::to_string(r.bytes[k]);
    out += "},\"heaviest\":[";
    for (size_t i = 0; i < r.heaviest.size(); ++i) {
        const MediaPartReport& m = r.heaviest[i];
        out += std::string(i ? "," : "") + "{\"part\":" + JsonString(m.part) + ",\"kind\":\"" +
               ByteKindName(m.kind) + "\",\"bytes\":" + std::to_string(m.stored) +
               ",\"width_px\":" + std::to_string(m.widthPx) + ",\"height_px\":" + std::to_string(m.heightPx) +
               ",\"shown_width_pt\":" + Fixed(m.shownWidthPt, 2) + ",\"shown_height_pt\":" +
               Fixed(m.shownHeightPt, 2) + ",\"ppi\":" + Fixed(m.ppi, 1) + ",\"slides\":[";
        for (size_t k = 0; k < m.slides.size(); ++k) out += (k ? "," : "") + std::to_string(m.slides[k]);
        out += std::string("],\"on_layouts\":") + (m.onLayouts ? "true" : "false") + "}";
    }
    return out + "]}\n";
}

int CountSlides(const std::string& path) {
    // A batch counts every deck before it starts: only the main part is read.
    const auto main = Package::ReadMainPartOf(path);
    if (!main) return -1;
    pugi::xml_document doc;
    if (!doc.load_buffer(main->data(), main->size())) return -1;
    int n = 0;
    for (pugi::xml_node id : doc.document_element().child("p:sldIdLst").children("p:sldId")) {
        (void)id;
        ++n;
    }
    return n;
}

} // namespace quillmax::pptx
