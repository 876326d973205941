// File: settings/ole_list.h
// The OLE conversion list: application keys (lower case, insertion order,
// no duplicates) each with its conversion value, loaded from and saved to
// ole.ini. The list dialog shows this model; the engine asks it.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace quillmax::settings {

inline constexpr const char* kConvert = "変換する";
inline constexpr const char* kDoNotConvert = "変換しない";

class OleConversionList {
public:
    virtual ~OleConversionList() = default;

    // Adds key (lower-cased) with value unless the key is already listed.
    // An empty or blank key is refused (it could not be stored).
    virtual void AddToExceptionList(const std::string& key, const std::string& value);
    // The key's value; "変換する" for an empty or unknown key.
    virtual std::string ObjToImage(const std::string& key) const;

    const std::vector<std::string>& keys() const { return keys_; }
    const std::vector<std::string>& values() const { return values_; }
    void SetValueAt(size_t index, const std::string& value) { values_.at(index) = value; }
    void Clear() {
        keys_.clear();
        values_.clear();
        index_.clear();
    }

protected:
    std::vector<std::string> keys_;
    std::vector<std::string> values_;

private:
    // Position of each key, so that long lists load in linear time; rebuilt
    // when keys_ was changed behind its back.
    const std::unordered_map<std::string, size_t>& Index() const;
    mutable std::unordered_map<std::string, size_t> index_;
};

} // namespace quillmax::settings
