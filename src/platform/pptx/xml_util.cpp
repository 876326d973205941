// File: platform/pptx/xml_util.cpp
#include "platform/pptx/xml_util.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace quillmax::pptx {

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name, std::initializer_list<const char*> order) {
    if (auto existing = parent.child(name)) return existing;
    std::vector<const char*> seq(order);
    size_t mine = seq.size();
    for (size_t i = 0; i < seq.size(); ++i)
        if (std::strcmp(seq[i], name) == 0) mine = i;
    for (auto c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        for (size_t i = mine + 1; i < seq.size(); ++i)
            if (std::strcmp(c.name(), seq[i]) == 0) return parent.insert_child_before(name, c);
    }
    return parent.append_child(name);
}

std::int64_t AttrInt(pugi::xml_node node, const char* attr, std::int64_t fallback) {
    auto a = node.attribute(attr);
    if (!a) return fallback;
    const char* v = a.value();
    char* end = nullptr;
    long long r = std::strtoll(v, &end, 10);
    if (end == v) return fallback;
    return r;
}

void ForEachElement(pugi::xml_node node, const std::function<void(pugi::xml_node)>& fn) {
    // Without recursion: a hostile part may nest deeper than the stack allows.
    pugi::xml_node c = node.first_child();
    while (c) {
        if (c.type() == pugi::node_element) {
            fn(c); // may change c's children, which are visited as they are after it
            if (pugi::xml_node first = c.first_child()) {
                c = first;
                continue;
            }
        }
        while (c != node && !c.next_sibling()) c = c.parent();
        if (c == node) break;
        c = c.next_sibling();
    }
}

bool IsShapeElement(pugi::xml_node n) {
    if (n.type() != pugi::node_element) return false;
    const char* s = n.name();
    return !std::strcmp(s, "p:sp") || !std::strcmp(s, "p:pic") || !std::strcmp(s, "p:grpSp") ||
           !std::strcmp(s, "p:graphicFrame") || !std::strcmp(s, "p:cxnSp") || !std::strcmp(s, "p:contentPart") ||
           !std::strcmp(s, "mc:AlternateContent");
}

} // namespace quillmax::pptx
