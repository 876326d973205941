// File: platform/pptx/xml_util.cpp
#include "platform/pptx/xml_util.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace quillmax::pptx {

namespace {

// The first child that the schema puts after `name`; none means the end.
pugi::xml_node FollowerOf(pugi::xml_node parent, const char* name, const char* const* order, size_t count) {
    size_t mine = count;
    for (size_t i = 0; i < count; ++i)
        if (std::strcmp(order[i], name) == 0) mine = i;
    for (auto c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        for (size_t i = mine + 1; i < count; ++i)
            if (std::strcmp(c.name(), order[i]) == 0) return c;
    }
    return {};
}

pugi::xml_node ChildAt(pugi::xml_node parent, const char* name, const char* const* order, size_t count) {
    if (auto existing = parent.child(name)) return existing;
    auto next = FollowerOf(parent, name, order, count);
    return next ? parent.insert_child_before(name, next) : parent.append_child(name);
}

} // namespace

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name, std::initializer_list<const char*> order) {
    return ChildAt(parent, name, order.begin(), order.size());
}

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name, const std::vector<const char*>& order) {
    return ChildAt(parent, name, order.data(), order.size());
}

pugi::xml_node CopyInOrder(pugi::xml_node parent, pugi::xml_node source, std::initializer_list<const char*> order) {
    auto next = FollowerOf(parent, source.name(), order.begin(), order.size());
    return next ? parent.insert_copy_before(source, next) : parent.append_copy(source);
}

std::string XmlText(pugi::xml_node node) {
    std::ostringstream os;
    node.print(os, "", pugi::format_raw, pugi::encoding_utf8);
    return os.str();
}

std::string XmlDocumentBytes(const pugi::xml_document& doc) {
    std::ostringstream os;
    doc.save(os, "", pugi::format_raw, pugi::encoding_utf8);
    return os.str();
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
