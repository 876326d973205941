// File: platform/pptx/package.cpp
// Zip reading and writing for the package model (libzip over an in-memory
// copy of the file), relationship and content-type bookkeeping.
#include "platform/pptx/package.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <sstream>

#include "base/errors.h"
#include "base/regular_file.h"
#include "platform/pptx/xml_util.h"
#include "platform/pptx/zip_io.h"

namespace quillmax::pptx {

namespace {

constexpr const char* kOpen = "Presentations.Open";
constexpr const char* kSave = "Presentation.SaveAs";

std::string PercentDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// "/a/b/../c" -> "/a/c"; false when it climbs above the root.
bool Normalise(const std::string& path, std::string& out) {
    std::vector<std::string> segs;
    std::string seg;
    std::stringstream ss(path);
    while (std::getline(ss, seg, '/')) {
        if (seg.empty() || seg == ".") continue;
        if (seg == "..") {
            if (segs.empty()) return false;
            segs.pop_back();
        } else {
            segs.push_back(seg);
        }
    }
    out.clear();
    for (auto& s : segs) out += "/" + s;
    if (out.empty()) out = "/";
    return true;
}

std::string DirOf(const std::string& partName) {
    auto p = partName.rfind('/');
    return p == std::string::npos ? "/" : partName.substr(0, p + 1);
}

// "/ppt/slides/_rels/slide1.xml.rels" -> "/ppt/slides/slide1.xml"; "/_rels/.rels" -> "/".
std::optional<std::string> RelsSource(const std::string& name) {
    if (name.size() < 5 || LowerAscii(name.substr(name.size() - 5)) != ".rels") return std::nullopt;
    auto slash = name.rfind('/');
    if (slash == std::string::npos || slash < 6) return std::nullopt;
    if (LowerAscii(name.substr(slash - 6, 6)) != "/_rels") return std::nullopt;
    std::string dir = name.substr(0, slash - 5); // keeps the leading '/'
    std::string file = name.substr(slash + 1, name.size() - slash - 1 - 5);
    return dir + file;
}

std::string RelsNameOf(const std::string& partName) {
    if (partName == "/") return "/_rels/.rels";
    auto slash = partName.rfind('/');
    return partName.substr(0, slash + 1) + "_rels/" + partName.substr(slash + 1) + ".rels";
}

void ParseRels(const std::string& bytes, Relationships& rels, std::vector<Relationship>& into) {
    CheckMarkupBudget(bytes, "relationship part");
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size()))
        throw office::AutomationError(kOpen, "broken relationship part");
    for (auto r : doc.document_element().children()) {
        if (std::strcmp(r.name(), "Relationship") != 0) continue;
        Relationship rel;
        rel.id = r.attribute("Id").value();
        rel.type = r.attribute("Type").value();
        rel.target = r.attribute("Target").value();
        rel.external = std::strcmp(r.attribute("TargetMode").value(), "External") == 0;
        into.push_back(std::move(rel));
    }
    (void)rels;
}

// A package-level part's document: the standalone declaration and the root
// element in its namespace.
pugi::xml_node StartPackageXml(pugi::xml_document& doc, const char* rootName, const char* ns) {
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    auto root = doc.append_child(rootName);
    root.append_attribute("xmlns") = ns;
    return root;
}

std::string SerialiseRels(const Relationships& rels) {
    pugi::xml_document doc;
    auto root = StartPackageXml(doc, "Relationships", ns::kRelationships);
    for (auto& r : rels.items()) {
        auto e = root.append_child("Relationship");
        e.append_attribute("Id") = r.id.c_str();
        e.append_attribute("Type") = r.type.c_str();
        e.append_attribute("Target") = r.target.c_str();
        if (r.external) e.append_attribute("TargetMode") = "External";
    }
    return XmlDocumentBytes(doc);
}

struct ZipGuard {
    zip_t* z = nullptr;
    ~ZipGuard() {
        if (z) zip_discard(z);
    }
};

} // namespace

std::uint64_t CheckMarkupBudget(const std::string& bytes, const std::string& what) {
    std::uint64_t tags = static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '<'));
    std::uint64_t nodes = 2 * tags + 1; // every tag may be followed by a text node
    if (tags > kMaxPartNodes) throw office::AutomationError("", "too many XML elements in " + what);
    return nodes;
}

std::size_t XmlDepth(pugi::xml_node node) {
    std::size_t depth = 0, deepest = 0;
    pugi::xml_node n = node.first_child();
    if (n) depth = 1;
    while (n) {
        if (n.type() == pugi::node_element) deepest = std::max(deepest, depth);
        if (pugi::xml_node c = n.first_child()) {
            n = c;
            ++depth;
            continue;
        }
        while (n != node && !n.next_sibling()) {
            n = n.parent();
            --depth;
        }
        if (n == node) break;
        n = n.next_sibling();
    }
    return deepest;
}

// ---- relationships ----------------------------------------------------------

const Relationship* Relationships::Find(const std::string& id) const {
    for (auto& r : items_)
        if (r.id == id) return &r;
    return nullptr;
}

const Relationship* Relationships::FindType(const std::string& type) const {
    for (auto& r : items_)
        if (r.type == type) return &r;
    return nullptr;
}

std::string Relationships::Add(const std::string& type, const std::string& target, bool external) {
    int n = 1;
    std::set<std::string> used;
    for (auto& r : items_) used.insert(r.id);
    while (used.count("rId" + std::to_string(n))) ++n;
    Relationship rel{"rId" + std::to_string(n), type, target, external};
    items_.push_back(rel);
    dirty_ = true;
    return rel.id;
}

void Relationships::Remove(const std::string& id) {
    auto it = std::remove_if(items_.begin(), items_.end(), [&](auto& r) { return r.id == id; });
    if (it != items_.end()) {
        items_.erase(it, items_.end());
        dirty_ = true;
    }
}

void Relationships::Put(const Relationship& rel) {
    Remove(rel.id);
    items_.push_back(rel);
    dirty_ = true;
}

void Relationships::SetTarget(const std::string& id, const std::string& target, bool external) {
    for (auto& r : items_)
        if (r.id == id) {
            r.target = target;
            r.external = external;
            dirty_ = true;
        }
}

// ---- parts ------------------------------------------------------------------

const std::string& Part::Bytes() {
    if (!bytes_) {
        if (srcIndex_ < 0) bytes_ = std::string();
        else bytes_ = pkg_->ReadEntry(srcIndex_, declaredSize_);
    }
    if (xmlDirty_ && doc_) {
        bytes_ = XmlDocumentBytes(*doc_);
        xmlDirty_ = false;
        bytesChanged_ = true;
    }
    return *bytes_;
}

std::string Part::ReadBytes() {
    if (bytes_ || xmlDirty_) return Bytes();
    if (srcIndex_ < 0) return std::string();
    return pkg_->ReadEntry(srcIndex_, declaredSize_);
}

void Part::SetBytes(std::string bytes) {
    bytes_ = std::move(bytes);
    doc_.reset();
    if (pkg_) pkg_->parsedNodes_ -= std::min(pkg_->parsedNodes_, nodes_);
    nodes_ = 0;
    xmlDirty_ = false;
    bytesChanged_ = true;
}

pugi::xml_document& Part::Xml() {
    if (!doc_) {
        const std::string& b = Bytes();
        const std::uint64_t nodes = CheckMarkupBudget(b, name_);
        if (pkg_ && pkg_->parsedNodes_ + nodes > kMaxPackageNodes)
            throw office::AutomationError("", "the package holds too much XML (at " + name_ + ")");
        auto doc = std::make_unique<pugi::xml_document>();
        auto res = doc->load_buffer(b.data(), b.size(),
                                    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
        if (!res || !doc->document_element())
            throw office::AutomationError("", "broken XML in " + name_ + ": " + res.description());
        if (XmlDepth(*doc) > kMaxXmlDepth)
            throw office::AutomationError("", "XML nested too deeply in " + name_);
        doc_ = std::move(doc);
        nodes_ = nodes;
        if (pkg_) pkg_->parsedNodes_ += nodes;
        // The parsed copy is what is used from now on; the stored bytes
        // can be read again should the part be copied unchanged.
        if (!bytesChanged_ && srcIndex_ >= 0) bytes_.reset();
    }
    return *doc_;
}

std::string Part::Resolve(const std::string& target) const {
    std::string t = PercentDecode(target);
    auto hash = t.find('#');
    if (hash != std::string::npos) t = t.substr(0, hash);
    std::string full = (!t.empty() && t[0] == '/') ? t : DirOf(name_) + t;
    std::string out;
    if (!Normalise(full, out)) return "";
    return out;
}

Part* Part::Target(const std::string& relId) {
    auto* r = rels_.Find(relId);
    if (!r || r->external) return nullptr;
    return pkg_->Find(Resolve(r->target));
}

std::string Part::RelativeTo(const std::string& partName) const {
    std::string from = DirOf(name_);
    // common prefix by directory
    size_t common = 0;
    for (size_t i = 0; i < std::min(from.size(), partName.size()); ++i) {
        if (from[i] != partName[i]) break;
        if (from[i] == '/') common = i + 1;
    }
    std::string up;
    for (size_t i = common; i < from.size(); ++i)
        if (from[i] == '/') up += "../";
    return up + partName.substr(common);
}

// ---- package ----------------------------------------------------------------

Package::~Package() {
    if (archive_) zip_discard(archive_);
}

std::unique_ptr<Package> Package::Empty() { return std::unique_ptr<Package>(new Package()); }

std::unique_ptr<Package> Package::OpenFile(const std::string& path) {
    std::string bytes;
    // Never waits: a pipe under a deck's name is refused, not read.
    if (std::error_code ec = util::ReadRegularFile(path, bytes, kMaxPackageBytes)) {
        if (ec == std::errc::invalid_argument) throw office::AutomationError(kOpen, "not a regular file: " + path);
        if (ec == std::errc::file_too_large) throw office::AutomationError(kOpen, "file too large: " + path);
        throw office::AutomationError(kOpen, "cannot read " + path + ": " + ec.message(), ec.value());
    }
    return FromBytes(std::move(bytes));
}

std::optional<std::string> Package::ReadMainPartOf(const std::string& path) {
    constexpr std::uint64_t kLimit = 64u << 20;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(OpenZipFile(path), zip_discard);
    if (!archive) return std::nullopt;
    auto rels = ReadNamedZipEntry(archive.get(), "_rels/.rels", kLimit);
    if (!rels) return std::nullopt;
    Relationships parsed;
    try {
        ParseRels(*rels, parsed, parsed.items_);
    } catch (const office::AutomationError&) {
        return std::nullopt;
    }
    const Relationship* r = parsed.FindType(reltype::Of("officeDocument"));
    std::string name;
    if (!r || r->target.empty()) return std::nullopt;
    const std::string t = PercentDecode(r->target);
    if (!Normalise(t[0] == '/' ? t : "/" + t, name)) return std::nullopt;
    return ReadNamedZipEntry(archive.get(), name.substr(1), kLimit);
}

std::unique_ptr<Package> Package::FromBytes(std::string bytes) {
    static const unsigned char kOle[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kOle, 8) == 0)
        throw office::AutomationError(kOpen, "legacy binary presentation (.ppt) is not supported");
    std::unique_ptr<Package> pkg(new Package());
    pkg->zipBytes_ = std::move(bytes);
    pkg->Load();
    return pkg;
}

void Package::Load() {
    std::string why;
    archive_ = OpenZipInMemory(zipBytes_, why);
    if (!archive_) throw office::AutomationError(kOpen, "not a valid presentation package (" + why + ")");

    zip_int64_t n = zip_get_num_entries(archive_, 0);
    if (n < 0 || static_cast<std::uint64_t>(n) > kMaxEntries)
        throw office::AutomationError(kOpen, "too many entries in the package");
    std::uint64_t total = 0;
    std::map<std::string, std::pair<std::int64_t, std::uint64_t>> relsEntries;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name)
            throw office::AutomationError(kOpen, "unreadable zip entry");
        std::string entry = st.name;
        if (entry.empty() || entry.back() == '/') continue;
        if (entry.find('\\') != std::string::npos || entry[0] == '/' || entry.find(':') != std::string::npos)
            throw office::AutomationError(kOpen, "entry outside the package: " + entry);
        std::string name;
        if (!Normalise("/" + entry, name) || name != "/" + entry) {
            // "a/../b" style names: anything that does not stay a plain path is refused
            if (!Normalise("/" + entry, name) || entry.find("..") != std::string::npos)
                throw office::AutomationError(kOpen, "entry outside the package: " + entry);
        }
        if ((st.valid & ZIP_STAT_SIZE) == 0) throw office::AutomationError(kOpen, "entry without size: " + entry);
        if (st.size > kMaxPartBytes) throw office::AutomationError(kOpen, "entry too large: " + entry);
        if ((st.valid & ZIP_STAT_COMP_SIZE) && st.size > (32u << 20) &&
            static_cast<double>(st.size) > kMaxDeflateRatio * static_cast<double>(std::max<zip_uint64_t>(st.comp_size, 1)))
            throw office::AutomationError(kOpen, "suspicious compression ratio (zip bomb?): " + entry);
        total += st.size;
        if (total > kMaxPackageBytes) throw office::AutomationError(kOpen, "package expands beyond limits");
        std::string key = LowerAscii(name);
        VerifyEntry(i); // a raw copy at save must not carry damage along
        if (key == "/[content_types].xml") {
            // A second copy is ignored, as readers do; reading one and
            // writing another would lose content types.
            if (contentTypesIndex_ >= 0) continue;
            contentTypesIndex_ = i;
            std::string b = ReadEntry(i, st.size);
            CheckMarkupBudget(b, "content types");
            pugi::xml_document doc;
            if (!doc.load_buffer(b.data(), b.size())) throw office::AutomationError(kOpen, "broken content types");
            for (auto e : doc.document_element().children()) {
                std::string tag = e.name();
                if (tag == "Default")
                    defaults_[LowerAscii(e.attribute("Extension").value())] = e.attribute("ContentType").value();
                else if (tag == "Override") {
                    std::string pn = e.attribute("PartName").value();
                    overrides_[LowerAscii(pn)] = e.attribute("ContentType").value();
                    overrideNames_[LowerAscii(pn)] = pn;
                }
            }
            continue;
        }
        if (RelsSource(name)) {
            relsEntries.emplace(name, std::make_pair(i, st.size)); // the first copy counts
            continue;
        }
        if (parts_.count(key)) continue; // duplicate entry name: first wins
        auto part = std::unique_ptr<Part>(new Part());
        part->pkg_ = this;
        part->name_ = name;
        part->srcIndex_ = i;
        part->declaredSize_ = st.size;
        parts_[key] = std::move(part);
        order_.push_back(key);
    }
    if (contentTypesIndex_ < 0) throw office::AutomationError(kOpen, "not a presentation package (no content types)");
    for (auto& [name, where] : relsEntries) {
        std::string source = *RelsSource(name);
        std::string b = ReadEntry(where.first, where.second);
        if (source == "/") {
            ParseRels(b, packageRels_, packageRels_.items_);
            packageRelsIndex_ = where.first;
        } else if (auto* p = Find(source)) {
            ParseRels(b, p->rels_, p->rels_.items_);
            p->relsSrcIndex_ = where.first;
        }
    }
    loadFaults_ = StructuralFaults();
}

void Package::VerifyEntry(std::int64_t index) {
    zip_file_t* f = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (!f) throw office::AutomationError(kOpen, std::string("cannot read a part: ") + zip_strerror(archive_));
    static thread_local char buf[1 << 16];
    zip_int64_t r;
    while ((r = zip_fread(f, buf, sizeof buf)) > 0) {
    }
    std::string msg = r < 0 ? zip_file_strerror(f) : "";
    if (zip_fclose(f) != 0 && msg.empty()) msg = "checksum mismatch";
    if (!msg.empty()) throw office::AutomationError(kOpen, "damaged part (" + msg + ")");
}

size_t Package::StructuralFaults() {
    size_t faults = 0;
    for (const std::string& key : Reachable()) {
        Part* p = Find(key);
        if (!p) continue;
        if (ContentType(p->name()).empty()) ++faults;
        for (auto& r : p->rels_.items())
            if (!r.external && !Find(p->Resolve(r.target))) ++faults;
    }
    return faults;
}

std::string Package::ReadEntry(std::int64_t index, std::uint64_t declared) {
    if (declared > kMaxPartBytes) throw office::AutomationError("", "part too large");
    return ReadZipEntry(archive_, index, declared);
}

Part* Package::Find(const std::string& partName) {
    auto it = parts_.find(LowerAscii(partName));
    return it == parts_.end() ? nullptr : it->second.get();
}

Part& Package::Add(const std::string& partName, std::string bytes, const std::string& contentType) {
    std::string key = LowerAscii(partName);
    auto& slot = parts_[key];
    if (!slot) {
        slot.reset(new Part());
        order_.push_back(key);
    }
    slot->pkg_ = this;
    slot->name_ = partName;
    slot->srcIndex_ = -1;
    slot->SetBytes(std::move(bytes));
    if (!contentType.empty()) SetContentType(partName, contentType);
    return *slot;
}

std::vector<Part*> Package::Parts() {
    std::vector<Part*> out;
    for (auto& k : order_) out.push_back(parts_.at(k).get());
    return out;
}

Part* Package::MainPart() {
    auto* r = packageRels_.FindType(reltype::Of("officeDocument"));
    if (!r) return nullptr;
    std::string name;
    std::string t = PercentDecode(r->target);
    if (!Normalise(t[0] == '/' ? t : "/" + t, name)) return nullptr;
    return Find(name);
}

std::string Package::ContentType(const std::string& partName) const {
    auto it = overrides_.find(LowerAscii(partName));
    if (it != overrides_.end()) return it->second;
    auto d = defaults_.find(ExtensionOf(partName));
    return d == defaults_.end() ? "" : d->second;
}

bool Package::HasDefault(const std::string& ext) const { return defaults_.count(LowerAscii(ext)) > 0; }

void Package::SetDefault(const std::string& ext, const std::string& contentType) {
    defaults_[LowerAscii(ext)] = contentType;
    contentTypesDirty_ = true;
}

void Package::SetContentType(const std::string& partName, const std::string& contentType) {
    std::string key = LowerAscii(partName);
    std::string ext = ExtensionOf(partName);
    auto d = defaults_.find(ext);
    if (d != defaults_.end() && d->second == contentType) {
        if (overrides_.erase(key)) contentTypesDirty_ = true;
        return;
    }
    if (d == defaults_.end() && !ext.empty() && ext != "xml" && MediaContentType(ext) == contentType) {
        defaults_[ext] = contentType;
        overrides_.erase(key);
        contentTypesDirty_ = true;
        return;
    }
    auto o = overrides_.find(key);
    if (o == overrides_.end() || o->second != contentType) {
        overrides_[key] = contentType;
        overrideNames_[key] = partName;
        contentTypesDirty_ = true;
    }
}

std::string Package::FreeName(const std::string& prefix, const std::string& ext) const {
    // numbered across extensions, as the presentation program does (image1.png, image2.jpeg)
    for (int n = 1;; ++n) {
        std::string stem = LowerAscii(prefix + std::to_string(n) + ".");
        auto it = parts_.lower_bound(stem);
        if (it == parts_.end() || it->first.compare(0, stem.size(), stem) != 0) return prefix + std::to_string(n) + "." + ext;
    }
}

std::set<std::string> Package::Reachable() {
    std::set<std::string> seen;
    std::deque<Part*> queue;
    auto visit = [&](Part* from, const Relationships& rels) {
        for (auto& r : rels.items()) {
            if (r.external) continue;
            std::string target;
            if (from) target = from->Resolve(r.target);
            else {
                std::string t = PercentDecode(r.target);
                if (!Normalise(!t.empty() && t[0] == '/' ? t : "/" + t, target)) continue;
            }
            Part* p = Find(target);
            if (p && seen.insert(LowerAscii(p->name())).second) queue.push_back(p);
        }
    };
    visit(nullptr, packageRels_);
    while (!queue.empty()) {
        Part* p = queue.front();
        queue.pop_front();
        visit(p, p->rels_);
    }
    return seen;
}

void Package::SaveAs(const std::string& path, const SaveOptions& options) {
    // Never an output that is structurally worse than what was read.
    if (StructuralFaults() > loadFaults_)
        throw office::AutomationError(kSave, "the package would be written with missing parts or content types");
    std::set<std::string> keep = Reachable();
    if (options.shareIdenticalMedia && ShareIdenticalMedia(keep)) keep = Reachable();
    // Overrides of parts that are not written would make the package invalid.
    for (auto it = overrides_.begin(); it != overrides_.end();) {
        if (!keep.count(it->first) && it->first != "/[content_types].xml") {
            it = overrides_.erase(it);
            contentTypesDirty_ = true;
        } else {
            ++it;
        }
    }

    int zerr = 0;
    ZipGuard out;
    out.z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
    if (!out.z) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        int sys = zip_error_system_type(&e) == ZIP_ET_SYS ? zip_error_code_system(&e) : 0;
        zip_error_fini(&e);
        throw office::AutomationError(kSave, "cannot write " + path, sys);
    }

    std::vector<std::string> keepAlive; // buffers must live until zip_close
    keepAlive.reserve(parts_.size() * 2 + 4);
    // The archive owns the source once the entry is added; a failed add leaves it to us.
    auto addEntry = [&](const std::string& entry, zip_source_t* s) {
        zip_int64_t idx = zip_file_add(out.z, entry.c_str(), s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(s);
            throw office::AutomationError(kSave, std::string("cannot add ") + entry + ": " + zip_strerror(out.z));
        }
        return static_cast<zip_uint64_t>(idx);
    };
    auto addBuffer = [&](const std::string& entry, const std::string& b, bool store) {
        zip_source_t* s = zip_source_buffer(out.z, b.data(), b.size(), 0);
        if (!s) throw office::AutomationError(kSave, "out of memory");
        const zip_uint64_t idx = addEntry(entry, s);
        zip_set_file_compression(out.z, idx, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 6);
        // 1980-01-01, as the presentation program stamps its entries: the
        // same deck compressed twice gives the same bytes.
        zip_file_set_dostime(out.z, idx, 0, (1 << 5) | 1, 0);
    };
    auto addBytes = [&](const std::string& entry, std::string bytes, bool store) {
        keepAlive.push_back(std::move(bytes));
        addBuffer(entry, keepAlive.back(), store);
    };
    auto addRaw = [&](const std::string& entry, std::int64_t srcIndex) {
        zip_source_t* s = zip_source_zip(out.z, archive_, static_cast<zip_uint64_t>(srcIndex), ZIP_FL_COMPRESSED, 0, -1);
        if (!s) throw office::AutomationError(kSave, std::string("cannot copy ") + entry);
        addEntry(entry, s);
    };

    // content types
    if (!contentTypesDirty_ && contentTypesIndex_ >= 0) {
        addRaw("[Content_Types].xml", contentTypesIndex_);
    } else {
        pugi::xml_document doc;
        auto root = StartPackageXml(doc, "Types", ns::kContentTypes);
        for (auto& [ext, type] : defaults_) {
            auto e = root.append_child("Default");
            e.append_attribute("Extension") = ext.c_str();
            e.append_attribute("ContentType") = type.c_str();
        }
        for (auto& [key, type] : overrides_) {
            auto e = root.append_child("Override");
            e.append_attribute("PartName") = overrideNames_[key].c_str();
            e.append_attribute("ContentType") = type.c_str();
        }
        addBytes("[Content_Types].xml", XmlDocumentBytes(doc), false);
    }
    // package relationships
    if (!packageRels_.dirty() && packageRelsIndex_ >= 0) addRaw("_rels/.rels", packageRelsIndex_);
    else addBytes("_rels/.rels", SerialiseRels(packageRels_), false);

    for (auto& key : order_) {
        if (!keep.count(key)) continue;
        Part& p = *parts_.at(key);
        std::string entry = p.name_.substr(1);
        if (!p.changed() && p.srcIndex_ >= 0) addRaw(entry, p.srcIndex_);
        else addBuffer(entry, p.Bytes(), IsCompressedMedia(ExtensionOf(p.name_))); // held by the part until written
        std::string relsEntry = RelsNameOf(p.name_).substr(1);
        if (!p.rels_.dirty() && p.relsSrcIndex_ >= 0) addRaw(relsEntry, p.relsSrcIndex_);
        else if (!p.rels_.items().empty() || p.relsSrcIndex_ >= 0) addBytes(relsEntry, SerialiseRels(p.rels_), false);
    }

    if (zip_close(out.z) != 0) {
        zip_error_t* e = zip_get_error(out.z);
        int sys = zip_error_system_type(e) == ZIP_ET_SYS ? zip_error_code_system(e) : 0;
        std::string msg = zip_strerror(out.z);
        throw office::AutomationError(kSave, "cannot write " + path + ": " + msg, sys);
    }
    out.z = nullptr;
    DropUnreachableAddedMedia(keep);
}

void Package::DropUnreachableAddedMedia(const std::set<std::string>& reachable) {
    // Only media leaves made here: no handle of the object model points at
    // them, and a stored part can always be read again.
    for (auto it = order_.begin(); it != order_.end();) {
        Part& p = *parts_.at(*it);
        if (reachable.count(*it) || p.srcIndex_ >= 0 || it->rfind("/ppt/media/", 0) != 0 || !p.rels_.items().empty()) {
            ++it;
            continue;
        }
        overrides_.erase(*it);
        overrideNames_.erase(*it);
        parts_.erase(*it);
        it = order_.erase(it);
    }
}

} // namespace quillmax::pptx
