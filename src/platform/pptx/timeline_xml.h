// File: platform/pptx/timeline_xml.h
// The slide's p:timing tree as the timeline objects see it: effects found
// by their cTn id, the main sequence as a flat list of effects with their
// triggers (click groups and with-groups are derived from the triggers and
// rebuilt after every change), the build list, and the preset table that
// maps effect numbers to preset class and id.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace quillmax::pptx::timeline_xml {

// Trigger numbers of the object model.
inline constexpr int kOnClick = 1;
inline constexpr int kWithPrevious = 2;
inline constexpr int kAfterPrevious = 3;
inline constexpr int kOnShapeClick = 4;

struct Preset {
    std::string presetClass; // entr, exit, emph, path, verb, mediacall
    int presetId = 0;
};

// msoAnimEffect number of a preset (exit presets share the entrance
// numbers); 0 (custom) for presets without a number.
int EffectTypeOf(const std::string& presetClass, int presetId);
// The preset of an effect number; nullopt when it has none.
std::optional<Preset> PresetOf(int effectType);

pugi::xml_node TimingNode(pugi::xml_document& doc);
// The p:cTn of the main sequence; with create, the timing skeleton is made
// when the slide has none.
pugi::xml_node MainSeqCTn(pugi::xml_document& doc, bool create);

// One effect of the main sequence, in play order.
struct MainEffect {
    pugi::xml_node par;  // the effect's p:par
    int trigger = kOnClick;
};
std::vector<MainEffect> MainEffects(pugi::xml_document& doc);
// Puts the main sequence back together from the flat list: click groups at
// on-click effects, with-groups at after-previous effects; containers are
// reused where an effect keeps leading the same one, so their delays stay.
// The pars of the list may be anywhere in the document (or just created).
void RebuildMainSequence(pugi::xml_document& doc, const std::vector<MainEffect>& effects);

// The effect p:par whose own cTn has this id (any sequence); empty if none.
pugi::xml_node EffectParById(pugi::xml_document& doc, std::uint32_t ctnId);
pugi::xml_node EffectCTn(pugi::xml_node par);
std::uint32_t EffectId(pugi::xml_node par);
// Shape id targeted by the effect's behaviours (the first spTgt).
std::optional<std::uint32_t> TargetShapeId(pugi::xml_node par);
// "mainSeq", "interactiveSeq", ... of the sequence holding the effect.
std::string SequenceKind(pugi::xml_node par);
bool InMainSequence(pugi::xml_node par);

std::uint32_t NextCTnId(pugi::xml_document& doc);
// Gives every cTn under node a fresh id.
void RenumberCTns(pugi::xml_document& doc, pugi::xml_node node);

// Behaviour elements of an effect, in order (set, anim, animEffect, ...).
std::vector<pugi::xml_node> Behaviours(pugi::xml_node par);
// msoAnimType of a behaviour element; 0 when it is none of the eight.
int BehaviourType(pugi::xml_node behaviour);

// Milliseconds of a time attribute; nullopt for "indefinite" or absent.
std::optional<double> Millis(pugi::xml_attribute a);
// The effect's end, relative to its with-group's start, in ms.
double EffectEndMs(pugi::xml_node par);

// Build list: the bldP of (spid, grpId), or empty.
pugi::xml_node BuildEntry(pugi::xml_document& doc, std::uint32_t spid, const std::string& grpId);
pugi::xml_node BuildList(pugi::xml_document& doc, bool create);
// Removes build entries no effect refers to any more, and empty containers.
void PruneBuildList(pugi::xml_document& doc);
// Removes empty sequences and, when nothing is left, the root's child list
// (what the presentation program writes for a slide without animations).
void PruneEmptySequences(pugi::xml_document& doc);

// Removes everything that animates the shape (effects in every sequence,
// sequences it triggers, media nodes, build entries).
bool RemoveShapeAnimations(pugi::xml_document& doc, std::uint32_t shapeId);

} // namespace quillmax::pptx::timeline_xml
