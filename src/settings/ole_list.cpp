// File: settings/ole_list.cpp
// The list's own rules; loading and saving live in ole_list_store.cpp.
#include "settings/ole_list.h"


#include "base/text.h"

namespace quillmax::settings {
const std::unordered_map<std::string, size_t>& OleConversionList::Index() const {
    if (index_.size() != keys_.size()) {
        index_.clear();
        for (size_t i = 0; i < keys_.size(); ++i) index_.emplace(keys_[i], i);
    }
    return index_;
}

void OleConversionList::AddToExceptionList(const std::string& key, const std::string& value) {
    // A blank key would end the list when ole.ini is read back (the loader
    // stops at the first empty name), so it never enters the list.
    if (key.find_first_not_of(std::string(" \t\r\n\0", 5)) == std::string::npos) return;
    std::string k = util::LowerAscii(key);
    if (Index().count(k)) return;
    index_.emplace(k, keys_.size());
    keys_.push_back(k);
    values_.push_back(value);
}

std::string OleConversionList::ObjToImage(const std::string& key) const {
    if (key.empty()) return kConvert;
    auto it = Index().find(util::LowerAscii(key));
    if (it == index_.end()) return kConvert;
    return values_[it->second];
}

} // namespace quillmax::settings
