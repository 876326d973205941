// File: platform/posix/reg_file.h
// The registry export text format ("Windows Registry Editor Version 5.00")
// and the keys it holds: one root's keys parsed from such a text in one
// pass, values indexed by name, and the text written back. Reading is
// forgiving: a line that does not parse is skipped.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/registry_api.h"

namespace quillmax::util::regfile {

struct Value {
    std::string name; // as first written
    std::uint32_t type = settings::kRegSz;
    std::string bytes; // as set (a REG_SZ normally ends in its NUL)
};

// A key's values in the order they were first written, found by name
// without regard to case.
class Key {
public:
    std::string path; // as first written, without the root

    const std::vector<Value>& values() const { return values_; }
    const Value* Find(const std::string& name) const;
    // Adds or replaces; false when the value already held exactly this.
    bool Set(const std::string& name, std::uint32_t type, std::string bytes);
    bool Remove(const std::string& name);

private:
    std::vector<Value> values_;
    std::unordered_map<std::string, size_t> index_; // lower-cased name -> position
};

// One root's keys by lower-cased path ("" is the root itself).
using Hive = std::map<std::string, Key>;

// "HKEY_LOCAL_MACHINE" etc.
const char* RootName(settings::RegRoot root);

// The key and every missing parent; returns the key.
Key& Ensure(Hive& hive, const std::string& path);

// A sub-key path without a final separator; false when it starts with one or
// has an empty component ("a\\\\b").
bool NormalisePath(const std::string& in, std::string& out);

// Parses export text (UTF-8, or UTF-16 with its byte-order mark); never
// throws. A later line for the same value wins, as an import does.
Hive Parse(const std::string& text, settings::RegRoot root);
std::string Format(const Hive& hive, settings::RegRoot root);

} // namespace quillmax::util::regfile
