// File: platform/pptx/package.h
// The OPC package under a presentation: parts with their relationships and
// content types, read from a zip held in memory and written back with only
// the parts still reachable from the package relationships. Part bytes are
// decompressed and XML is parsed only when something asks for them; parts
// nobody touched are copied to the output as they were stored.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/text.h"
#include "platform/pptx/package_names.h"

struct zip;

namespace quillmax::pptx {

// Bounds on what a package may ask of us (zip bombs, absurd entries).
inline constexpr std::uint64_t kMaxPartBytes = 768ull << 20;
inline constexpr std::uint64_t kMaxPackageBytes = 3ull << 30;
inline constexpr std::uint64_t kMaxEntries = 100000;
inline constexpr double kMaxDeflateRatio = 200.0; // beyond this, large entries are refused
// Parsed XML costs about 64 bytes a node, so markup is bounded before it is
// parsed: per part, per package (all parsed parts together) and in depth
// (the deepest part of the public decks nests 24 levels; a bound keeps every
// walk, ours and the XML library's, far from the stack's end).
inline constexpr std::uint64_t kMaxPartNodes = 1'000'000;
inline constexpr std::uint64_t kMaxPackageNodes = 8'000'000;
inline constexpr std::size_t kMaxXmlDepth = 256;

struct Relationship {
    std::string id;
    std::string type;
    std::string target; // as written (relative, absolute or URI)
    bool external = false;
};

class Relationships {
public:
    const std::vector<Relationship>& items() const { return items_; }
    const Relationship* Find(const std::string& id) const;
    // First relationship of that type, or nullptr.
    const Relationship* FindType(const std::string& type) const;
    // Adds with a fresh "rIdN"; returns the id.
    std::string Add(const std::string& type, const std::string& target, bool external);
    void Remove(const std::string& id);
    void Put(const Relationship& rel); // with its own id, replacing one of that id
    void SetTarget(const std::string& id, const std::string& target, bool external);
    bool dirty() const { return dirty_; }

private:
    friend class Package;
    std::vector<Relationship> items_;
    bool dirty_ = false;
};

class Package;

// How a package is written; the defaults are how a presentation is saved.
struct SaveOptions {
    // Media of identical bytes written once (off: a test deck that holds
    // the same picture twice on purpose keeps both parts).
    bool shareIdenticalMedia = true;
};

class Part {
public:
    const std::string& name() const { return name_; } // "/ppt/slides/slide1.xml"
    // The bytes, held by the part from then on (XML and changed parts).
    const std::string& Bytes();
    // The bytes as a copy; a stored part's are read from the zip and not
    // held, so that media pass through memory one at a time.
    std::string ReadBytes();
    void SetBytes(std::string bytes);
    // The parsed XML; parse failures throw AutomationError.
    pugi::xml_document& Xml();
    bool parsed() const { return doc_ != nullptr; }
    void MarkDirty() { xmlDirty_ = true; }
    bool changed() const { return xmlDirty_ || bytesChanged_; }
    Relationships& Rels() { return rels_; }
    // Absolute part name of an internal relationship target of this part.
    std::string Resolve(const std::string& target) const;
    // The part an internal relationship points at, or nullptr.
    Part* Target(const std::string& relId);
    // Relative target from this part to another part name.
    std::string RelativeTo(const std::string& partName) const;
    // The zip entry the part was read from (-1: made here) and its size.
    std::int64_t storedIndex() const { return srcIndex_; }
    std::uint64_t storedSize() const { return declaredSize_; }

private:
    friend class Package;
    Package* pkg_ = nullptr;
    std::string name_;
    std::int64_t srcIndex_ = -1;
    std::uint64_t declaredSize_ = 0;
    std::optional<std::string> bytes_;
    std::unique_ptr<pugi::xml_document> doc_;
    bool xmlDirty_ = false;
    bool bytesChanged_ = false;
    Relationships rels_;
    std::int64_t relsSrcIndex_ = -1; // the stored .rels entry, if any
    std::uint64_t nodes_ = 0;        // counted against the package's budget while parsed
};

class Package {
public:
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Reads the whole file into memory; the file is never opened for writing.
    static std::unique_ptr<Package> OpenFile(const std::string& path);
    static std::unique_ptr<Package> FromBytes(std::string bytes);
    static std::unique_ptr<Package> Empty();
    // The main part of a package file, read with the package relationships
    // only (no whole read, no check of the other parts); nothing when it
    // cannot be found or read.
    static std::optional<std::string> ReadMainPartOf(const std::string& path);

    Part* Find(const std::string& partName);
    Part& Add(const std::string& partName, std::string bytes, const std::string& contentType);
    Relationships& PackageRels() { return packageRels_; }
    Part* MainPart(); // the officeDocument target
    std::vector<Part*> Parts();

    // Content type of a part ("" when none).
    std::string ContentType(const std::string& partName) const;
    // Gives the part that type, through a Default where one fits.
    void SetContentType(const std::string& partName, const std::string& contentType);
    bool HasDefault(const std::string& ext) const;
    void SetDefault(const std::string& ext, const std::string& contentType);

    // A free part name: prefix + N + "." + ext, N from 1.
    std::string FreeName(const std::string& prefix, const std::string& ext) const;

    // The package as it was read; unchanged for the package's lifetime.
    const std::string& zipBytes() const { return zipBytes_; }

    // Part names reachable from the package relationships.
    std::set<std::string> Reachable();

    // Writes the reachable parts, media of identical bytes once; atomic
    // (libzip writes a temporary file beside the target and renames it).
    // Media added since the load that nothing reaches any more are let go
    // afterwards (a scratch presentation pastes and deletes one picture
    // after another).
    void SaveAs(const std::string& path, const SaveOptions& options = {});

private:
    Package() = default;
    void Load();
    // Points every relationship to a media part at the first reachable part
    // with the same bytes; returns whether anything moved.
    bool ShareIdenticalMedia(const std::set<std::string>& reachable);
    void DropUnreachableAddedMedia(const std::set<std::string>& reachable);
    std::string ReadEntry(std::int64_t index, std::uint64_t declared);
    // Reads an entry through, so that its checksum is tested; throws when damaged.
    void VerifyEntry(std::int64_t index);
    // Reachable parts without a content type plus relationships to missing parts.
    size_t StructuralFaults();
    friend class Part;
    std::string zipBytes_;
    struct zip* archive_ = nullptr;
    std::map<std::string, std::unique_ptr<Part>> parts_; // key: lower-case name
    std::vector<std::string> order_;                        // keys, in stored order
    Relationships packageRels_;
    std::int64_t packageRelsIndex_ = -1;
    std::map<std::string, std::string> defaults_;  // lower-case extension -> type
    std::map<std::string, std::string> overrides_; // lower-case part name -> type
    std::map<std::string, std::string> overrideNames_; // lower-case -> as written
    std::int64_t contentTypesIndex_ = -1;
    bool contentTypesDirty_ = false;
    std::uint64_t parsedNodes_ = 0;
    size_t loadFaults_ = 0;
};

using util::LowerAscii; // part names compare case-blind

// Markup nodes a text can hold at most (one per '<', plus text between);
// throws AutomationError past kMaxPartNodes.
std::uint64_t CheckMarkupBudget(const std::string& bytes, const std::string& what);
// Deepest element nesting below node (an element child is 1), counted
// without recursion.
std::size_t XmlDepth(pugi::xml_node node);

} // namespace quillmax::pptx
