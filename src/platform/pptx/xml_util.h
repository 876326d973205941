// File: platform/pptx/xml_util.h
// Small helpers over pugixml for DrawingML/PresentationML: children placed
// in schema order, EMU/point conversion, walking elements by name.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace quillmax::pptx {

inline constexpr double kEmuPerPoint = 12700.0;
inline double EmuToPt(std::int64_t emu) { return static_cast<double>(emu) / kEmuPerPoint; }
inline std::int64_t PtToEmu(double pt) { return static_cast<std::int64_t>(pt * kEmuPerPoint + (pt >= 0 ? 0.5 : -0.5)); }

// The child `name` of parent, created where the schema wants it: after every
// sibling listed before `name` in `order`, before every one listed after it.
// Children not in `order` are kept in front of the first later sibling.
// The one way children are inserted by name.
pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name, std::initializer_list<const char*> order);
pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name, const std::vector<const char*>& order);
// A copy of source (an element named as in `order`) placed as ChildInOrder
// would place a new one.
pugi::xml_node CopyInOrder(pugi::xml_node parent, pugi::xml_node source, std::initializer_list<const char*> order);

// The markup of node and everything below it, unindented, UTF-8.
std::string XmlText(pugi::xml_node node);
// A whole document as part bytes: its markup after its own declaration, or
// after a default one when it has none.
std::string XmlDocumentBytes(const pugi::xml_document& doc);

// Whether n is an element of that qualified name.
inline bool Is(pugi::xml_node n, const char* name) { return n && std::strcmp(n.name(), name) == 0; }

std::int64_t AttrInt(pugi::xml_node node, const char* attr, std::int64_t fallback = 0);

// Every element below (not including) node, depth first, document order.
void ForEachElement(pugi::xml_node node, const std::function<void(pugi::xml_node)>& fn);

// Elements that are shapes in a shape tree or group.
bool IsShapeElement(pugi::xml_node node);

// Orders used by inserts.
#define QMX_ORDER_SPPR                                                                                   \
    {"a:xfrm", "a:custGeom", "a:prstGeom", "a:noFill", "a:solidFill", "a:gradFill", "a:blipFill",        \
     "a:pattFill", "a:grpFill", "a:ln", "a:effectLst", "a:effectDag", "a:scene3d", "a:sp3d", "a:extLst"}
#define QMX_ORDER_CNVPR {"a:hlinkClick", "a:hlinkHover", "a:extLst"}
#define QMX_ORDER_XFRM {"a:off", "a:ext", "a:chOff", "a:chExt"}
#define QMX_ORDER_CXN {"a:cxnSpLocks", "a:stCxn", "a:endCxn", "a:extLst"}
#define QMX_ORDER_HLINK {"a:snd", "a:extLst"}
#define QMX_ORDER_SLD {"p:cSld", "p:clrMapOvr", "mc:AlternateContent", "p:transition", "p:timing", "p:extLst"}
#define QMX_ORDER_TIMING {"p:tnLst", "p:bldLst", "p:extLst"}
#define QMX_ORDER_CTN {"p:stCondLst", "p:endCondLst", "p:endSync", "p:iterate", "p:childTnLst", "p:subTnLst"}
#define QMX_ORDER_PIC {"p:nvPicPr", "p:blipFill", "p:spPr", "p:style", "p:extLst"}
#define QMX_ORDER_P14_MEDIA {"p14:trim", "p14:fade", "p14:bmkLst", "p14:extLst"}
#define QMX_ORDER_PRES                                                                                  \
    {"p:sldMasterIdLst", "p:notesMasterIdLst", "p:handoutMasterIdLst", "p:sldIdLst", "p:sldSz",         \
     "p:notesSz", "p:smartTags", "p:embeddedFontLst", "p:custShowLst", "p:photoAlbum", "p:custDataLst", \
     "p:kinsoku", "p:defaultTextStyle", "p:modifyVerifier", "p:extLst"}

} // namespace quillmax::pptx
