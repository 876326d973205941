// File: platform/pptx/package_names.h
// The one table of names a package uses: XML namespaces, relationship
// types, content types, graphic data kinds, media extensions.
#pragma once

#include <string>

namespace quillmax::pptx {

namespace ns {
inline constexpr const char* kA = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr const char* kP = "http://schemas.openxmlformats.org/presentationml/2006/main";
inline constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kP14 = "http://schemas.microsoft.com/office/powerpoint/2010/main";
inline constexpr const char* kRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr const char* kContentTypes = "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr const char* kCoreProperties = "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
inline constexpr const char* kExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";
inline constexpr const char* kDublinCore = "http://purl.org/dc/elements/1.1/";
// What the root of a slide-level part declares: ` xmlns:a=".." xmlns:r=".." xmlns:p=".."`.
inline std::string SlideDeclarations() {
    return std::string(" xmlns:a=\"") + kA + "\" xmlns:r=\"" + kR + "\" xmlns:p=\"" + kP + "\"";
}
} // namespace ns

namespace reltype {
inline constexpr const char* kBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
inline std::string Of(const char* shortName) { return std::string(kBase) + shortName; }
inline constexpr const char* kMedia = "http://schemas.microsoft.com/office/2007/relationships/media";
inline constexpr const char* kCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
} // namespace reltype

namespace ctype {
inline constexpr const char* kBase = "application/vnd.openxmlformats-officedocument.";
// kBase + shortName, e.g. Of("presentationml.slide+xml").
inline std::string Of(const char* shortName) { return std::string(kBase) + shortName; }
inline constexpr const char* kRelationships = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr const char* kCoreProperties = "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr const char* kXml = "application/xml";
} // namespace ctype

// graphicData@uri of an OLE object frame.
inline constexpr const char* kOleUri = "http://schemas.openxmlformats.org/presentationml/2006/ole";
// The extension of an a:blip that carries the picture's SVG form (the blip itself is its bitmap).
inline constexpr const char* kSvgBlipUri = "{96DAC541-7B7A-43D3-8B79-37D633B846F1}";

std::string ExtensionOf(const std::string& partName); // lower case, no dot
// Whether a file of that extension is already compressed (stored, not deflated).
bool IsCompressedMedia(const std::string& ext);
// Content type for a media extension, "" if unknown.
std::string MediaContentType(const std::string& ext);

} // namespace quillmax::pptx
