// File: engine/picture.h
// Pictures (and OLE objects) pasted back in a lighter format.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"

namespace quillmax::engine {

struct Geometry {
    double left = 0, top = 0, width = 0, height = 0;
};

void ConvertToPicture(app::Session& s, const std::shared_ptr<office::Slide>& slide,
                      const std::shared_ptr<office::Shape>& oldShape, const Geometry& savedGeometry,
                      bool isTopLevel, const std::string& kindLabel, bool treatAsPicture,
                      std::vector<std::string>& levelNames);

} // namespace quillmax::engine
