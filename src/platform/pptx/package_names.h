// File: platform/pptx/package_names.h
// The names a package uses: XML namespaces, graphic data kinds.
#pragma once

namespace quillmax::pptx {

inline constexpr const char* kOleUri = "http://schemas.openxmlformats.org/presentationml/2006/ole";

} // namespace quillmax::pptx
