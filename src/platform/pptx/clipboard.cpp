// File: platform/pptx/clipboard.cpp
// Copy, Paste and PasteSpecial over the application's own clipboard. Copy
// keeps the shape's XML with copies of the parts it references (so a plain
// paste reproduces it anywhere) and, for pictures and OLE previews, the
// picture as shown: its visible area rendered at 96 px per inch of the
// shape's current size.
#include <cmath>
#include <cstring>
#include <functional>
#include <set>

#include "platform/pptx/model.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

constexpr int kDepthLimit = 8;

void CapturePart(Part& part, ClipContent& clip, int depth) {
    if (clip.parts.count(part.name()) || depth > kDepthLimit) return;
    ClipPart& cp = clip.parts[part.name()];
    cp.name = part.name();
    cp.bytes = part.ReadBytes();
    // content type is looked up by the caller's package
    for (auto& r : part.Rels().items()) {
        ClipRel cr{r.type, r.target, r.external, ""};
        if (!r.external) {
            if (r.type == reltype::Of("slide") || r.type == reltype::Of("slideLayout")) continue;
            if (Part* t = part.Target(r.id)) {
                cr.partKey = t->name();
                CapturePart(*t, clip, depth + 1);
            } else {
                continue;
            }
        }
        cp.rels[r.id] = cr;
    }
}

// The picture shown by a shape element: its blip's image (for an OLE
// object, the preview picture's).
pugi::xml_node PictureElement(pugi::xml_node el) {
    if (Is(el, "p:pic")) return el;
    pugi::xml_node found;
    ForEachElement(el, [&](pugi::xml_node n) {
        if (!found && Is(n, "p:pic") && n.child("p:blipFill").child("a:blip").attribute("r:embed")) found = n;
    });
    return found;
}

// An OLE object written without a fallback picture keeps its preview in
// the slide's legacy drawing: the VML shape its spid names, whose image
// data points at the picture. Cropped previews are not taken (nothing is
// better than a wrong picture).
Part* VmlPreview(Part& slidePart, pugi::xml_node el) {
    std::string spid;
    ForEachElement(el, [&](pugi::xml_node n) {
        if (spid.empty() && Is(n, "p:oleObj")) spid = n.attribute("spid").value();
    });
    if (spid.empty()) return nullptr;
    for (auto& r : slidePart.Rels().items()) {
        if (r.external || r.type != reltype::Of("vmlDrawing")) continue;
        Part* vml = slidePart.Target(r.id);
        if (!vml) continue;
        pugi::xml_document doc;
        const std::string& bytes = vml->Bytes();
        CheckMarkupBudget(bytes, vml->name());
        if (!doc.load_buffer(bytes.data(), bytes.size()) || XmlDepth(doc) > kMaxXmlDepth) continue;
        Part* found = nullptr;
        ForEachElement(doc, [&](pugi::xml_node n) {
            if (found || !Is(n, "v:shape")) return;
            if (spid != n.attribute("id").value() && spid != n.attribute("o:spid").value()) return;
            auto data = n.child("v:imagedata");
            for (const char* c : {"cropleft", "croptop", "cropright", "cropbottom"})
                if (data.attribute(c)) return;
            const char* rel = data.attribute("o:relid").value();
            if (!*rel) rel = data.attribute("r:id").value();
            if (*rel) found = vml->Target(rel);
        });
        if (found) return found;
    }
    return nullptr;
}

int Px(double points) { return std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))); }

std::set<std::string> PrefixesUsed(pugi::xml_node n) {
    std::set<std::string> out;
    auto scan = [&](pugi::xml_node e) {
        std::string nm = e.name();
        if (auto c = nm.find(':'); c != std::string::npos) out.insert(nm.substr(0, c));
        for (auto a : e.attributes()) {
            std::string an = a.name();
            if (an.rfind("xmlns", 0) == 0) continue;
            if (auto c = an.find(':'); c != std::string::npos) out.insert(an.substr(0, c));
        }
    };
    scan(n);
    ForEachElement(n, scan);
    return out;
}

std::set<std::string> PrefixesDeclared(pugi::xml_node n) {
    std::set<std::string> out;
    auto scan = [&](pugi::xml_node e) {
        for (auto a : e.attributes()) {
            std::string an = a.name();
            if (an.rfind("xmlns:", 0) == 0) out.insert(an.substr(6));
        }
    };
    scan(n);
    ForEachElement(n, scan);
    return out;
}

struct PasteContext {
    SlideImpl& slide;
    PresentationImpl& pres;
    ClipContent& clip;
    std::map<std::string, std::string> partNames; // clip part -> destination part
};

std::string PlacePart(PasteContext& cx, const std::string& key, int depth) {
    if (auto it = cx.partNames.find(key); it != cx.partNames.end()) return it->second;
    Package& pkg = cx.pres.package();
    const ClipPart& cp = cx.clip.parts.at(key);
    if (cx.clip.packageId == cx.pres.id())
        if (Part* same = pkg.Find(cp.name); same && !same->changed()) {
            cx.partNames[key] = same->name();
            return same->name();
        }
    std::string ext = ExtensionOf(cp.name);
    std::string base = cp.name.substr(0, cp.name.rfind('.'));
    while (!base.empty() && isdigit(static_cast<unsigned char>(base.back()))) base.pop_back();
    std::string name = pkg.Find(cp.name) ? pkg.FreeName(base, ext) : cp.name;
    std::string type = cp.contentType.empty() ? MediaContentType(ext) : cp.contentType;
    Part& np = pkg.Add(name, cp.bytes, type);
    cx.partNames[key] = name;
    // nested relationships keep their ids, since the part's XML names them
    for (auto& [id, r] : cp.rels) {
        Relationship rel{id, r.type, r.target, r.external};
        if (!r.external) {
            if (depth >= kDepthLimit || !cx.clip.parts.count(r.partKey)) continue;
            rel.target = np.RelativeTo(PlacePart(cx, r.partKey, depth + 1));
        }
        np.Rels().Put(rel);
    }
    return name;
}

pugi::xml_node ParseIntoSlide(SlideImpl& slide, const ClipContent& clip, const std::string& xml, pugi::xml_document& tmp) {
    std::string wrapped = "<w";
    for (auto& [k, v] : clip.ns) {
        std::string esc;
        for (char c : v) esc += c == '"' ? std::string("&quot;") : c == '&' ? std::string("&amp;") : std::string(1, c);
        wrapped += " " + k + "=\"" + esc + "\"";
    }
    wrapped += ">" + xml + "</w>";
    if (!tmp.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        Fail("Shapes.Paste", "the clipboard content is damaged");
    auto frag = tmp.document_element().first_child();
    // declare on the slide what the fragment needs and the slide lacks
    auto root = slide.Document().document_element();
    auto declared = PrefixesDeclared(frag);
    std::set<std::string> have;
    for (auto a : root.attributes())
        if (std::string(a.name()).rfind("xmlns:", 0) == 0) have.insert(std::string(a.name()).substr(6));
    for (auto& p : PrefixesUsed(frag)) {
        if (p == "xml" || declared.count(p) || have.count(p)) continue;
        for (auto& [k, v] : clip.ns)
            if (k == "xmlns:" + p) root.append_attribute(k.c_str()) = v.c_str();
    }
    return frag;
}

void RenumberIds(SlideImpl& slide, pugi::xml_node frag) {
    std::uint32_t next = slide.NextId();
    std::map<std::string, std::string> ids;
    std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
        if (std::strstr(n.name(), ":cNvPr") && AttrInt(n, "id") > 0) {
            std::string old = n.attribute("id").value();
            auto it = ids.find(old);
            if (it == ids.end()) it = ids.emplace(old, std::to_string(next++)).first;
            n.attribute("id").set_value(it->second.c_str());
        }
    };
    walk(frag);
    ForEachElement(frag, walk);
    std::vector<pugi::xml_node> drop;
    ForEachElement(frag, [&](pugi::xml_node n) {
        if (Is(n, "a:stCxn") || Is(n, "a:endCxn")) {
            auto it = ids.find(n.attribute("id").value());
            if (it == ids.end()) drop.push_back(n);
            else n.attribute("id").set_value(it->second.c_str());
        }
    });
    for (auto d : drop) d.parent().remove_child(d);
}

// A picture in a placeholder draws what its own spPr leaves unsaid (outline,
// effects, geometry) from the layout's or master's placeholder. The look a
// copy carries says it outright, so a plain picture made from it looks the
// same.
void InheritPlaceholderLook(Part& slidePart, pugi::xml_node pic) {
    auto ph = pic.child("p:nvPicPr").child("p:nvPr").child("p:ph");
    if (!ph) return;
    auto chain = PlaceholderChain(slidePart, ph);
    if (chain.empty()) return;
    auto spPr = pic.child("p:spPr");
    if (!spPr) spPr = ChildInOrder(pic, "p:spPr", QMX_ORDER_PIC);
    const std::vector<std::vector<const char*>> kinds = {
        {"a:custGeom", "a:prstGeom"}, {"a:ln"}, {"a:effectLst", "a:effectDag"}, {"a:scene3d"}, {"a:sp3d"}};
    for (const auto& kind : kinds) {
        auto has = [&](pugi::xml_node n) {
            for (auto name : kind)
                if (n.child(name)) return n.child(name);
            return pugi::xml_node();
        };
        if (has(spPr)) continue;
        for (auto shape : chain) {
            auto from = has(shape.child("p:spPr"));
            if (!from) continue;
            auto slot = ChildInOrder(spPr, from.name(), QMX_ORDER_SPPR);
            for (auto a : from.attributes()) slot.append_attribute(a.name()) = a.value();
            for (auto c : from.children()) slot.append_copy(c);
            break;
        }
    }
    if (!pic.child("p:style"))
        for (auto shape : chain)
            if (auto style = shape.child("p:style")) {
                CopyInOrder(pic, style, QMX_ORDER_PIC);
                break;
            }
}

} // namespace

std::optional<office::Raster> ClipboardImpl::MetafilePicture() {
    if (!content_ || !content_->rendering) return std::nullopt;
    return imaging::ToRaster(*content_->rendering);
}

bool ClipboardImpl::PictureIsTransparent() {
    return content_ && content_->rendering && content_->rendering->anyTransparent;
}

bool ClipboardImpl::SetJpegQuality(int quality) {
    if (quality < 0 || quality > 100) return false;
    jpegQuality_ = quality;
    return true;
}

void CopyShape(ShapeImpl& shape) {
    const char* m = "Shape.Copy";
    auto node = shape.Node(m);
    auto slide = shape.Slide(m);
    auto pres = slide->Pres(m);
    auto clip = std::make_shared<ClipContent>();
    Part& sp = slide->part();
    // A preview kept only in the legacy drawing travels as the object's own
    // fallback picture, so the copy (and its measured size) carries it.
    auto prim = PrimaryOf(node);
    Part* vmlImage = PictureElement(prim) ? nullptr : VmlPreview(sp, prim);
    constexpr const char* kPreviewRel = "rIdQmxPreview";
    pugi::xml_document carrier;
    pugi::xml_node printed = node;
    if (vmlImage) {
        printed = carrier.append_copy(node);
        pugi::xml_node ole;
        ForEachElement(printed, [&](pugi::xml_node n) {
            if (!ole && Is(n, "p:oleObj")) ole = n;
        });
        auto frame = PrimaryOf(printed).child("p:xfrm");
        auto pic = ole.append_child("p:pic");
        auto nv = pic.append_child("p:nvPicPr");
        auto c = nv.append_child("p:cNvPr");
        c.append_attribute("id") = "0";
        c.append_attribute("name") = "";
        nv.append_child("p:cNvPicPr");
        nv.append_child("p:nvPr");
        auto bf = pic.append_child("p:blipFill");
        bf.append_child("a:blip").append_attribute("r:embed") = kPreviewRel;
        bf.append_child("a:stretch").append_child("a:fillRect");
        auto spPr = pic.append_child("p:spPr");
        auto x = spPr.append_child("a:xfrm");
        for (const char* tag : {"a:off", "a:ext"})
            if (auto e = frame.child(tag)) x.append_copy(e);
        auto g = spPr.append_child("a:prstGeom");
        g.append_attribute("prst") = "rect";
        g.append_child("a:avLst");
    }
    clip->xml = XmlText(printed);
    for (auto a : slide->Document().document_element().attributes())
        if (std::string(a.name()).rfind("xmlns", 0) == 0) clip->ns.emplace_back(a.name(), a.value());
    for (auto& rid : RelIdsIn(node)) {
        auto* r = sp.Rels().Find(rid);
        if (!r || clip->rels.count(rid)) continue;
        ClipRel cr{r->type, r->target, r->external, ""};
        if (!r->external) {
            Part* t = sp.Target(rid);
            if (!t) continue;
            cr.partKey = t->name();
            CapturePart(*t, *clip, 0);
        }
        clip->rels[rid] = cr;
    }
    if (vmlImage) {
        CapturePart(*vmlImage, *clip, 0);
        clip->rels[kPreviewRel] = ClipRel{reltype::Of("image"), vmlImage->name(), false, vmlImage->name()};
    }
    for (auto& [k, p] : clip->parts) p.contentType = pres->package().ContentType(k);
    for (auto& r : sp.Rels().items())
        if (r.type == reltype::Of("vmlDrawing")) clip->hadVml = true;
    clip->packageId = pres->id();
    clip->left = shape.Left();
    clip->top = shape.Top();
    clip->width = shape.Width();
    clip->height = shape.Height();

    auto takePicture = [&](Part& img, const imaging::Crop& crop, std::uint32_t shapeId) {
        imaging::EncodedImage enc{img.ReadBytes(), ExtensionOf(img.name())};
        if (enc.ext == "jpg") enc.ext = "jpeg";
        const int w = Px(clip->width), h = Px(clip->height);
        if (RenderAhead* ahead = pres->renderAhead(); ahead && shapeId && !img.changed())
            clip->rendering = ahead->Take(sp.name(), shapeId, img.name(), crop, clip->width, clip->height, w, h);
        try {
            if (!clip->rendering) clip->rendering = imaging::Render(enc, crop, w, h);
        } catch (const std::exception&) {
            // no picture form: plain Paste still works, PasteSpecial refuses
        }
        clip->picture = std::move(enc);
    };
    if (auto pic = PictureElement(prim)) {
        auto blip = pic.child("p:blipFill").child("a:blip");
        if (Part* img = sp.Target(blip.attribute("r:embed").value())) {
            imaging::Crop crop;
            auto src = pic.child("p:blipFill").child("a:srcRect");
            crop.left = (double)AttrInt(src, "l") / 100000.0;
            crop.top = (double)AttrInt(src, "t") / 100000.0;
            crop.right = (double)AttrInt(src, "r") / 100000.0;
            crop.bottom = (double)AttrInt(src, "b") / 100000.0;
            // Only a picture shape's own image was rendered ahead.
            const auto id = pic == prim ? static_cast<std::uint32_t>(AttrInt(pic.child("p:nvPicPr").child("p:cNvPr"), "id")) : 0u;
            takePicture(*img, crop, id);
        }
        pugi::xml_document lookDoc;
        auto lookPic = lookDoc.append_copy(pic);
        InheritPlaceholderLook(sp, lookPic);
        clip->lookXml = XmlText(lookPic);
    } else if (vmlImage) {
        takePicture(*vmlImage, {}, 0);
    }
    pres->clipboard()->content_ = std::move(clip);
}

std::shared_ptr<office::ShapeRange> PasteInto(SlideImpl& slide) {
    const char* m = "Shapes.Paste";
    auto pres = slide.Pres(m);
    auto content = pres->clipboard()->content_;
    if (!content || content->xml.empty()) Fail(m, "the clipboard is empty");
    pugi::xml_document tmp;
    auto frag = ParseIntoSlide(slide, *content, content->xml, tmp);
    PasteContext cx{slide, *pres, *content, {}};
    std::map<std::string, std::string> newIds;
    bool samePackage = content->packageId == pres->id();
    auto remap = [&](pugi::xml_node n) {
        for (auto a : n.attributes()) {
            if (std::strncmp(a.name(), "r:", 2) != 0 || !*a.value()) continue;
            std::string old = a.value();
            auto it = newIds.find(old);
            if (it == newIds.end()) {
                std::string nid;
                auto rit = content->rels.find(old);
                if (rit != content->rels.end()) {
                    auto& r = rit->second;
                    if (r.external) nid = slide.part().Rels().Add(r.type, r.target, true);
                    else if (content->parts.count(r.partKey))
                        nid = slide.part().Rels().Add(r.type, slide.part().RelativeTo(PlacePart(cx, r.partKey, 0)), false);
                } else if (samePackage && slide.part().Rels().Find(old)) {
                    nid = old; // e.g. a slide jump within the same slide part
                }
                it = newIds.emplace(old, nid).first;
            }
            a.set_value(it->second.c_str());
        }
    };
    remap(frag);
    ForEachElement(frag, remap);
    RenumberIds(slide, frag);
    bool vml = false;
    for (auto& r : slide.part().Rels().items())
        if (r.type == reltype::Of("vmlDrawing")) vml = true;
    if (!vml) {
        auto strip = [](pugi::xml_node n) {
            if (Is(n, "p:oleObj")) n.remove_attribute("spid");
        };
        strip(frag);
        ForEachElement(frag, strip);
    }
    auto placed = slide.AppendToTree(frag);
    return std::make_shared<ShapeRangeImpl>(std::vector<std::shared_ptr<ShapeImpl>>{slide.Handle(placed)});
}

std::shared_ptr<office::ShapeRange> PasteSpecialInto(SlideImpl& slide, int dataType) {
    const char* m = "Shapes.PasteSpecial";
    auto pres = slide.Pres(m);
    auto content = pres->clipboard()->content_;
    if (!content) Fail(m, "the clipboard is empty");
    if (dataType < office::ppt::kPasteMetafile || dataType > office::ppt::kPastePNG)
        Fail(m, "unsupported data type " + std::to_string(dataType));
    imaging::EncodedImage enc;
    if (dataType == office::ppt::kPasteMetafile && content->picture && imaging::IsMetafile(content->picture->ext)) {
        enc = *content->picture;
    } else {
        if (!content->rendering) Fail(m, "the clipboard holds no picture in that format");
        enc = imaging::Encode(*content->rendering, dataType, pres->clipboard()->jpegQuality_);
    }
    Package& pkg = pres->package();
    std::string partName = pkg.FreeName("/ppt/media/image", enc.ext);
    std::string ctype = MediaContentType(enc.ext);
    if (ctype.empty()) ctype = "image/" + enc.ext;
    pkg.Add(partName, std::move(enc.bytes), ctype);
    std::string rid = slide.part().Rels().Add(reltype::Of("image"), slide.part().RelativeTo(partName), false);

    pugi::xml_document lookDoc;
    pugi::xml_node look;
    if (!content->lookXml.empty()) look = ParseIntoSlide(slide, *content, content->lookXml, lookDoc);

    std::uint32_t id = slide.NextId();
    pugi::xml_document tmp;
    auto pic = tmp.append_child("p:pic");
    auto nv = pic.append_child("p:nvPicPr");
    auto c = nv.append_child("p:cNvPr");
    c.append_attribute("id") = id;
    c.append_attribute("name") = ("Picture " + std::to_string(id - 1)).c_str();
    nv.append_child("p:cNvPicPr").append_child("a:picLocks").append_attribute("noChangeAspect") = "1";
    nv.append_child("p:nvPr");
    auto bf = pic.append_child("p:blipFill");
    auto blip = bf.append_child("a:blip");
    blip.append_attribute("r:embed") = rid.c_str();
    // picture adjustments (colour effects) stay; extensions name parts we do not carry
    for (auto ch : look.child("p:blipFill").child("a:blip").children())
        if (ch.type() == pugi::node_element && !Is(ch, "a:extLst")) blip.append_copy(ch);
    bf.append_child("a:stretch").append_child("a:fillRect");
    auto spPr = pic.append_child("p:spPr");
    auto x = spPr.append_child("a:xfrm");
    auto lookX = look.child("p:spPr").child("a:xfrm");
    if (lookX.attribute("flipH").as_bool()) x.append_attribute("flipH") = "1";
    if (lookX.attribute("flipV").as_bool()) x.append_attribute("flipV") = "1";
    auto off = x.append_child("a:off");
    off.append_attribute("x") = (long long)PtToEmu(content->left);
    off.append_attribute("y") = (long long)PtToEmu(content->top);
    auto ext = x.append_child("a:ext");
    ext.append_attribute("cx") = (long long)PtToEmu(content->width);
    ext.append_attribute("cy") = (long long)PtToEmu(content->height);
    bool geom = false;
    for (auto ch : look.child("p:spPr").children()) {
        if (ch.type() != pugi::node_element || Is(ch, "a:xfrm") || Is(ch, "a:extLst")) continue;
        if (Is(ch, "a:prstGeom") || Is(ch, "a:custGeom")) geom = true;
        spPr.append_copy(ch);
    }
    if (!geom) {
        auto g = ChildInOrder(spPr, "a:prstGeom", QMX_ORDER_SPPR);
        g.append_attribute("prst") = "rect";
        g.append_child("a:avLst");
    }
    if (auto style = look.child("p:style")) pic.append_copy(style);
    // relationship ids inside the copied look (e.g. a pattern image) are not carried
    ForEachElement(pic, [&](pugi::xml_node n) {
        for (auto a : n.attributes())
            if (std::strncmp(a.name(), "r:", 2) == 0 && a.value() != rid) a.set_value("");
    });
    auto placed = slide.AppendToTree(pic);
    return std::make_shared<ShapeRangeImpl>(std::vector<std::shared_ptr<ShapeImpl>>{slide.Handle(placed)});
}

} // namespace quillmax::pptx
