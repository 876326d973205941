// File: platform/pptx/media_sharing.cpp
// Identical media stored once on save, as the presentation program does:
// pictures measured and pasted one shape at a time would otherwise repeat
// the same bytes in many parts. Only where a new part repeats another's
// bytes, so that a package saved untouched stays byte for byte.
#include <algorithm>
#include <map>
#include <vector>

#include "platform/pptx/package.h"

namespace quillmax::pptx {

bool Package::ShareIdenticalMedia(const std::set<std::string>& reachable) {
    // Candidates: media leaves (no relationships of their own), by size.
    std::map<std::uint64_t, std::vector<Part*>> bySize;
    for (const auto& key : order_) {
        if (!reachable.count(key) || key.rfind("/ppt/media/", 0) != 0) continue;
        Part& p = *parts_.at(key);
        if (!p.rels_.items().empty()) continue;
        const std::uint64_t size = p.bytes_ ? p.bytes_->size() : p.declaredSize_;
        bySize[size].push_back(&p);
    }
    std::map<std::string, std::string> keptFor; // lower-case duplicate -> kept part
    for (auto& [size, group] : bySize) {
        // A package saved as it was read keeps its parts as they were.
        const bool anyNew = std::any_of(group.begin(), group.end(), [](Part* p) { return p->srcIndex_ < 0; });
        if (group.size() < 2 || !anyNew) continue;
        for (size_t i = 0; i < group.size(); ++i) {
            if (keptFor.count(LowerAscii(group[i]->name()))) continue;
            for (size_t j = i + 1; j < group.size(); ++j) {
                const std::string dup = LowerAscii(group[j]->name());
                if (!keptFor.count(dup) && group[j]->Bytes() == group[i]->Bytes())
                    keptFor[dup] = group[i]->name();
            }
        }
    }
    if (keptFor.empty()) return false;

    auto redirect = [&](Part* from, Relationships& rels) {
        std::vector<std::pair<std::string, std::string>> moves;
        for (const auto& r : rels.items()) {
            if (r.external) continue;
            const std::string target = from ? from->Resolve(r.target) : "/" + r.target;
            auto it = keptFor.find(LowerAscii(target));
            if (it == keptFor.end()) continue;
            moves.emplace_back(r.id, from ? from->RelativeTo(it->second) : it->second.substr(1));
        }
        for (auto& [id, target] : moves) rels.SetTarget(id, target, false);
    };
    redirect(nullptr, packageRels_);
    for (const auto& key : order_)
        if (reachable.count(key)) redirect(parts_.at(key).get(), parts_.at(key)->rels_);
    return true;
}

} // namespace quillmax::pptx
