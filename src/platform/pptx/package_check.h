// File: platform/pptx/package_check.h
// Structural checks of a saved (or received) package: what makes the
// presentation program ask for a repair, or other readers stumble.
#pragma once

#include <string>
#include <vector>

namespace quillmax::pptx {

class Package;

// One line per problem: unresolved relationships and r:ids, parts without a
// content type, duplicate shape ids on a slide, references to missing shapes
// (timing targets, build list, connector glue). Empty when clean.
std::vector<std::string> CheckPackage(Package& pkg);
// Same, for a file; a package that cannot be read at all is one problem.
std::vector<std::string> CheckPackageFile(const std::string& path);

} // namespace quillmax::pptx
