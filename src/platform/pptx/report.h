// File: platform/pptx/report.h
// Where a deck's bytes are: the package's stored bytes by kind, and its
// heaviest media parts with their pixels, the largest size they are shown
// at and the slides that show them. Read-only; nothing is decoded beyond
// image headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmax::pptx {

// Kinds of stored bytes; together they are the file's size.
enum class ByteKind { Pictures, MoviesAndSounds, OleEmbeddings, Fonts, Xml, Other, ZipStructure };
inline constexpr int kByteKindCount = 7;
const char* ByteKindName(ByteKind kind);  // "pictures", "media", ...
const char* ByteKindLabel(ByteKind kind); // Japanese, for the text form

struct MediaPartReport {
    std::string part;        // "/ppt/media/image1.jpeg"
    ByteKind kind = ByteKind::Pictures;
    std::uint64_t stored = 0; // bytes in the package
    int widthPx = 0, heightPx = 0;   // 0 when not a raster picture
    double shownWidthPt = 0, shownHeightPt = 0; // largest displayed size (visible area)
    double ppi = 0;          // effective pixels per inch at that size; 0 when unknown
    std::vector<int> slides; // slide numbers that show it, ascending
    bool onLayouts = false;  // shown by a layout or master too
};

struct DeckReport {
    std::uint64_t fileSize = 0;
    std::uint64_t bytes[kByteKindCount] = {};
    int slideCount = 0;
    std::vector<MediaPartReport> heaviest; // at most ten, heaviest first
};

// Throws office::AutomationError when the file is not a readable package.
DeckReport MakeReport(const std::string& path);

std::string ReportText(const std::string& path, const DeckReport& report);
std::string ReportJson(const std::string& path, const DeckReport& report);

// The slide count of a deck from its presentation part; -1 when unreadable.
int CountSlides(const std::string& path);

} // namespace quillmax::pptx
