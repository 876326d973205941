// File: platform/pptx/package_names.cpp
// Media extensions and their content types.
#include "platform/pptx/package_names.h"

#include <map>
#include <set>

#include "base/text.h"

namespace quillmax::pptx {

std::string ExtensionOf(const std::string& partName) {
    auto slash = partName.rfind('/');
    auto dot = partName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return util::LowerAscii(partName.substr(dot + 1));
}

bool IsCompressedMedia(const std::string& ext) {
    static const std::set<std::string> kinds = {"jpeg", "jpg", "png", "gif", "mp4", "m4v", "mov", "wmv",
                                                "avi", "mpg", "mpeg", "mp3", "m4a", "wma", "webm", "mkv",
                                                "zip", "xlsx", "docx", "pptx", "wdp", "jfif"};
    return kinds.count(ext) > 0;
}

std::string MediaContentType(const std::string& ext) {
    static const std::map<std::string, std::string> types = {
        {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"png", "image/png"}, {"gif", "image/gif"},
        {"emf", "image/x-emf"}, {"wmf", "image/x-wmf"}, {"tiff", "image/tiff"}, {"tif", "image/tiff"},
        {"bmp", "image/bmp"}, {"svg", "image/svg+xml"}, {"wdp", "image/vnd.ms-photo"},
        {"mp4", "video/mp4"}, {"m4v", "video/mp4"}, {"mov", "video/quicktime"},
        {"wmv", "video/x-ms-wmv"}, {"avi", "video/x-msvideo"}, {"mpg", "video/mpeg"},
        {"mpeg", "video/mpeg"}, {"webm", "video/webm"}, {"mkv", "video/x-matroska"},
        {"mp3", "audio/mpeg"}, {"m4a", "audio/mp4"}, {"wav", "audio/wav"}, {"wma", "audio/x-ms-wma"},
        {"xml", ctype::kXml},
        {"rels", ctype::kRelationships},
    };
    auto it = types.find(ext);
    return it == types.end() ? "" : it->second;
}

} // namespace quillmax::pptx
