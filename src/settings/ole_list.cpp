// File: settings/ole_list.cpp
// The list's own rules; loading and saving live in ole_list_store.cpp.
#include "settings/ole_list.h"

#include <algorithm>

#include "base/text.h"

namespace quillmax::settings {
namespace {

} // namespace

void OleConversionList::AddToExceptionList(const std::string& key, const std::string& value) {
    // A blank key would end the list when ole.ini is read back (the loader
    // stops at the first empty name), so it never enters the list.
    if (key.find_first_not_of(std::string(" \t\r\n\0", 5)) == std::string::npos) return;
    std::string k = util::LowerAscii(key);
    if (std::find(keys_.begin(), keys_.end(), k) != keys_.end()) return;
    keys_.push_back(k);
    values_.push_back(value);
}

std::string OleConversionList::ObjToImage(const std::string& key) const {
    if (key.empty()) return kConvert;
    std::string k = util::LowerAscii(key);
    auto it = std::find(keys_.begin(), keys_.end(), k);
    if (it == keys_.end()) return kConvert;
    return values_[static_cast<size_t>(it - keys_.begin())];
}

} // namespace quillmax::settings
