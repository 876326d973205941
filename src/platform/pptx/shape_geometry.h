// File: platform/pptx/shape_geometry.h
// Frames of shape elements: where a shape sits in its parent's coordinates
// (placeholders inherit from layout and master), how a group maps its
// members' coordinates to its own, and writing a frame back.
#pragma once

#include <vector>

#include <pugixml.hpp>

#include "platform/pptx/model.h"

namespace quillmax::pptx {

// A group's child coordinates to its parent's: offset, scale, child offset.
struct GroupMap {
    double ox, oy, sx, sy, cx0, cy0;
};
GroupMap GroupMapOf(pugi::xml_node grpSp);

// The groups (innermost first) a tree node sits in.
std::vector<pugi::xml_node> GroupsAbove(pugi::xml_node n);

// The frame of a shape element in its parent's coordinates.
Frame LocalFrame(SlideImpl& slide, pugi::xml_node el);

void WriteFrame(pugi::xml_node el, const Frame& f);

// The box a rotated member takes in its group's frame.
Frame BoundsFrame(Frame f);

} // namespace quillmax::pptx
