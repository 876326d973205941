// File: platform/pptx/package_check.cpp
#include "platform/pptx/package_check.h"

#include <cstring>
#include <set>
#include <vector>

#include "base/errors.h"
#include "platform/pptx/package.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

// Shape ids as the slide shows them: the first alternative of each
// mc:AlternateContent, nothing inside graphic data (OLE preview pictures).
// Walked with a list of its own rather than the call stack.
void CollectIds(pugi::xml_node tree, std::multiset<std::string>& ids) {
    std::vector<pugi::xml_node> pending{tree};
    while (!pending.empty()) {
        pugi::xml_node n = pending.back();
        pending.pop_back();
        std::vector<pugi::xml_node> inner;
        for (auto c : n.children()) {
            if (c.type() != pugi::node_element) continue;
            if (Is(c, "mc:AlternateContent")) {
                for (auto alt : c.children())
                    if (Is(alt, "mc:Choice") || Is(alt, "mc:Fallback")) {
                        inner.push_back(alt);
                        break;
                    }
                continue;
            }
            if (Is(c, "a:graphicData")) continue;
            if (std::strstr(c.name(), ":cNvPr") && AttrInt(c, "id", 0) > 0) ids.insert(c.attribute("id").value());
            inner.push_back(c);
        }
        pending.insert(pending.end(), inner.rbegin(), inner.rend());
    }
}

void CheckSlide(Part& part, std::vector<std::string>& out) {
    pugi::xml_document& doc = part.Xml();
    auto root = doc.document_element();
    std::multiset<std::string> ids;
    CollectIds(root.child("p:cSld").child("p:spTree"), ids);
    std::set<std::string> reported;
    for (auto& id : ids)
        if (ids.count(id) > 1 && reported.insert(id).second)
            out.push_back(part.name() + ": duplicate shape id " + id);
    auto missing = [&](pugi::xml_node n, const char* attr, const char* what) {
        std::string v = n.attribute(attr).value();
        if (!v.empty() && !ids.count(v)) out.push_back(part.name() + ": " + what + " refers to missing shape " + v);
    };
    ForEachElement(root, [&](pugi::xml_node n) {
        if (Is(n, "p:spTgt")) missing(n, "spid", "animation target");
        else if (Is(n, "p:bldP") || Is(n, "p:bldGraphic") || Is(n, "p:bldDgm") || Is(n, "p:bldOleChart"))
            missing(n, "spid", "build list entry");
        else if (Is(n, "a:stCxn") || Is(n, "a:endCxn")) missing(n, "id", "connector glue");
    });
}

void CheckRelIds(Part& part, std::vector<std::string>& out) {
    auto& doc = part.Xml();
    std::set<std::string> reported;
    ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
        for (auto a : n.attributes()) {
            if (std::strncmp(a.name(), "r:", 2) != 0 || !*a.value()) continue;
            if (!part.Rels().Find(a.value()) && reported.insert(a.value()).second)
                out.push_back(part.name() + ": " + a.name() + "=\"" + a.value() + "\" has no relationship");
        }
    });
}

} // namespace

std::vector<std::string> CheckPackage(Package& pkg) {
    std::vector<std::string> out;
    auto reachable = pkg.Reachable();
    for (auto& r : pkg.PackageRels().items()) {
        if (r.external) continue;
        std::string t = r.target[0] == '/' ? r.target : "/" + r.target;
        if (!pkg.Find(t)) out.push_back("/_rels/.rels: " + r.id + " -> missing " + r.target);
    }
    for (Part* p : pkg.Parts()) {
        if (!reachable.count(LowerAscii(p->name()))) continue;
        if (pkg.ContentType(p->name()).empty()) out.push_back(p->name() + ": no content type");
        for (auto& r : p->Rels().items()) {
            if (r.external) continue;
            std::string t = p->Resolve(r.target);
            if (t.empty() || !pkg.Find(t)) out.push_back(p->name() + ": " + r.id + " -> missing " + r.target);
        }
        std::string ct = pkg.ContentType(p->name());
        bool xml = (ct.size() > 4 && ct.compare(ct.size() - 4, 4, "+xml") == 0) || ct == "application/xml";
        bool presentationML = ct.find("presentationml") != std::string::npos;
        if (!xml || !presentationML) continue;
        try {
            CheckRelIds(*p, out);
            if (ct.find("presentationml.slide+xml") != std::string::npos) CheckSlide(*p, out);
        } catch (const office::AutomationError& e) {
            out.push_back(p->name() + ": " + e.what());
        }
    }
    return out;
}

std::vector<std::string> CheckPackageFile(const std::string& path) {
    try {
        auto pkg = Package::OpenFile(path);
        return CheckPackage(*pkg);
    } catch (const office::AutomationError& e) {
        return {path + ": " + e.what()};
    }
}

} // namespace quillmax::pptx
