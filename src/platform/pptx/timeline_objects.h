// File: platform/pptx/timeline_objects.h
// What the timeline objects share (timeline.cpp, timeline_behaviours.cpp):
// the references they hold instead of XML nodes, value comparison, the small
// XML setters, and the factories of an effect's behaviours and parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "office/powerpoint.h"
#include "office/value.h"
#include "platform/pptx/slide_model.h"
#include "platform/pptx/timeline_xml.h"

namespace quillmax::pptx::timeline_objects {

namespace tx = timeline_xml;

[[noreturn]] void Fail(const std::string& member, const std::string& why);

// Values equal for the purpose of an assignment: numbers by value, colour
// objects by content.
bool Same(const office::Value& a, const office::Value& b);
std::string FormatNumber(double d);
void SetAttr(pugi::xml_node n, const char* name, const std::string& v);
void SetIntAttr(pugi::xml_node n, const char* name, double v);
// A colour child as an opaque value (its XML), and back.
office::Value Colour(pugi::xml_node n);
// Replaces (or removes) the colour child `name` of `parent`.
void SetColour(pugi::xml_node parent, const char* name, const office::Value& v,
               const std::vector<const char*>& order, const std::string& member);

struct Ctx {
    std::shared_ptr<SlideModel> slide;
    pugi::xml_document& Doc() const { return slide->Document(); }
    void Dirty() const { slide->MarkDirty(); }
};

struct EffectRef : Ctx {
    std::uint32_t id = 0;
    pugi::xml_node Par(const char* member) const {
        auto par = tx::EffectParById(Doc(), id);
        if (!par) Fail(member, "the effect no longer exists");
        return par;
    }
    pugi::xml_node CTn(const char* member) const { return tx::EffectCTn(Par(member)); }
};


std::shared_ptr<office::AnimationBehaviors> MakeBehaviors(const EffectRef& ref);
std::shared_ptr<office::EffectParameters> MakeParameters(const EffectRef& ref);

} // namespace quillmax::pptx::timeline_objects
