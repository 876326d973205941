// File: platform/posix/registry_store.cpp
// Registry roots as registry export files. Reading is forgiving (a line
// that does not parse is skipped), writing is atomic.
#include "platform/posix/registry_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/config_folder.h"
#include "base/atomic_file.h"
#include "base/text.h"

namespace fs = std::filesystem;

namespace quillmax::util {

using settings::RegAccess;
using settings::RegHandle;
using settings::RegRoot;
using namespace settings; // status codes and value types

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kBrowserKey = "http\\shell\\open\\command";
constexpr const char* kBrowserDefault = "xdg-open";

bool EqualNoCase(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

// A sub-key path without surrounding separators; nullopt-like false when a
// component is empty ("a\\\\b").
bool NormalisePath(const std::string& in, std::string& out) {
    std::string p = in;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    if (!p.empty() && p.front() == '\\') return false;
    if (p.find("\\\\") != std::string::npos) return false;
    out = p;
    return true;
}

std::string Parent(const std::string& path) {
    size_t s = path.find_last_of('\\');
    return s == std::string::npos ? std::string() : path.substr(0, s);
}

std::string LastName(const std::string& path) {
    size_t s = path.find_last_of('\\');
    return s == std::string::npos ? path : path.substr(s + 1);
}

// Adds the key and every missing parent; returns the key.
RegistryStore::Key& Ensure(RegistryStore::Hive& hive, const std::string& path) {
    std::string lower = LowerAscii(path);
    auto it = hive.find(lower);
    if (it != hive.end()) return it->second;
    if (!path.empty()) Ensure(hive, Parent(path));
    RegistryStore::Key& key = hive[lower];
    key.path = path;
    return key;
}

RegistryStore::Value* FindValue(RegistryStore::Key& key, const std::string& name) {
    for (auto& v : key.values)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

const RegistryStore::Value* FindValue(const RegistryStore::Key& key, const std::string& name) {
    for (const auto& v : key.values)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

// Reads a quoted text starting at s[i] == '"'; i ends after the closing quote.
bool ReadQuoted(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    out.clear();
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size()) return false;
            out.push_back(s[++i]);
        } else if (c == '"') {
            ++i;
            return true;
        } else {
            out.push_back(c);
        }
    }
    return false; // truncated
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(const std::string& s, std::string& out) {
    out.clear();
    std::string t;
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\\') t.push_back(c);
    if (t.empty()) return true;
    std::stringstream parts(t);
    std::string part;
    while (std::getline(parts, part, ',')) {
        if (part.size() != 2) return false;
        int hi = HexDigit(part[0]), lo = HexDigit(part[1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

// One value line: name, '=', data. False for anything else.
bool ParseValueLine(const std::string& line, RegistryStore::Value& value) {
    size_t i = 0;
    if (line.empty()) return false;
    if (line[0] == '@') {
        value.name.clear();
        i = 1;
    } else if (!ReadQuoted(line, i, value.name)) {
        return false;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] != '=') return false;
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string data = TrimRight(line.substr(i), " \t\r");
    if (!data.empty() && data[0] == '"') {
        size_t j = 0;
        std::string text;
        if (!ReadQuoted(data, j, text) || j != data.size()) return false;
        value.type = kRegSz;
        value.bytes = text + '\0';
        return true;
    }
    std::string lower = LowerAscii(data);
    if (lower.rfind("dword:", 0) == 0) {
        std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = kRegDword;
        value.bytes.assign(4, '\0');
        for (int b = 0; b < 4; ++b) value.bytes[b] = static_cast<char>((v >> (8 * b)) & 0xff);
        return true;
    }
    if (lower.rfind("hex:", 0) == 0) {
        value.type = kRegBinary;
        return ParseHexBytes(data.substr(4), value.bytes);
    }
    if (lower.rfind("hex(", 0) == 0) {
        size_t close = data.find("):");
        if (close == std::string::npos || close <= 4) return false;
        std::uint32_t type = 0;
        for (size_t k = 4; k < close; ++k) {
            int d = HexDigit(data[k]);
            if (d < 0 || close - 4 > 8) return false;
            type = type * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = type;
        return ParseHexBytes(data.substr(close + 2), value.bytes);
    }
    return false; // "-" (a deletion) and anything unknown
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string FormatValue(const RegistryStore::Value& v) {
    std::string line = v.name.empty() ? std::string("@") : Quote(v.name);
    line += '=';
    const std::string& b = v.bytes;
    if (v.type == kRegSz && !b.empty() && b.back() == '\0' &&
        b.find_first_of(std::string("\0\r\n", 3)) == b.size() - 1) {
        return line + Quote(b.substr(0, b.size() - 1));
    }
    if (v.type == kRegDword && b.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i) n |= std::uint32_t(static_cast<unsigned char>(b[i])) << (8 * i);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return line + buf;
    }
    char buf[16];
    if (v.type == kRegBinary) {
        line += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        line += buf;
    }
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", static_cast<unsigned char>(b[i]));
        line += buf;
    }
    return line;
}

// A file exported as UTF-16 (with its byte-order mark) becomes UTF-8.
std::string FromUtf16(const std::string& raw) {
    std::string out;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        std::uint32_t u = static_cast<unsigned char>(raw[i]) |
                          (std::uint32_t(static_cast<unsigned char>(raw[i + 1])) << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < raw.size()) {
            std::uint32_t lo = static_cast<unsigned char>(raw[i + 2]) |
                               (std::uint32_t(static_cast<unsigned char>(raw[i + 3])) << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else if (u < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (u >> 18)));
            out.push_back(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

} // namespace

std::string DefaultRegistryFolder() {
    return ConfigFolder() + "/registry";
}

const char* RegistryRootName(RegRoot root) {
    switch (root) {
    case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_LOCAL_MACHINE";
}

RegistryStore::RegistryStore(std::string folder) : folder_(std::move(folder)) {}

std::string RegistryStore::FilePath(RegRoot root) const {
    return folder_ + "/" + RegistryRootName(root) + ".reg";
}

RegistryStore::Hive RegistryStore::Parse(const std::string& input, RegRoot root) {
    std::string text = input;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE)
        text = FromUtf16(text);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

    std::vector<std::string> lines;
    {
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line)) lines.push_back(TrimRight(line, " \t\r"));
    }

    Hive hive;
    Ensure(hive, "");
    const std::string rootName = LowerAscii(RegistryRootName(root));
    Key* current = nullptr; // values before a valid key header are dropped
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = TrimLeft(lines[n], " \t");
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            current = nullptr;
            if (line.back() != ']' || line.size() < 3 || line[1] == '-') continue;
            std::string full = line.substr(1, line.size() - 2);
            std::string lower = LowerAscii(full);
            std::string path;
            if (lower == rootName) {
                path.clear();
            } else if (lower.rfind(rootName + "\\", 0) == 0) {
                if (!NormalisePath(full.substr(rootName.size() + 1), path) || path.empty())
                    continue;
            } else {
                continue; // another root, or garbage
            }
            if (path.find('\0') != std::string::npos) continue;
            current = &Ensure(hive, path);
            continue;
        }
        if (!current) continue;
        // Binary data may continue on the next lines after a final '\'.
        if (LowerAscii(line).find("=hex") != std::string::npos) {
            while (!line.empty() && line.back() == '\\' && n + 1 < lines.size())
                line = line.substr(0, line.size() - 1) + TrimLeft(lines[++n], " \t");
        }
        Value value;
        if (!ParseValueLine(line, value)) continue;
        if (Value* existing = FindValue(*current, value.name)) {
            existing->type = value.type; // the later line wins, as an import does
            existing->bytes = value.bytes;
        } else {
            current->values.push_back(std::move(value));
        }
    }
    return hive;
}

std::string RegistryStore::Format(const Hive& hive, RegRoot root) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    for (const auto& [lower, key] : hive) {
        if (key.path.empty() && key.values.empty()) continue;
        out += "[";
        out += RegistryRootName(root);
        if (!key.path.empty()) out += "\\" + key.path;
        out += "]\r\n";
        for (const auto& v : key.values) out += FormatValue(v) + "\r\n";
        out += "\r\n";
    }
    return out;
}

namespace {

struct FileState {
    bool exists = false;
    std::uint64_t size = 0, inode = 0;
    std::int64_t mtimeNs = 0;
};

FileState StateOf(const std::string& path) {
    FileState f;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return f;
    f.exists = true;
    f.size = static_cast<std::uint64_t>(st.st_size);
    f.inode = static_cast<std::uint64_t>(st.st_ino);
    f.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return f;
}

} // namespace

const RegistryStore::Hive& RegistryStore::Load(RegRoot root) const {
    const std::string path = FilePath(root);
    FileState now = StateOf(path);
    Cached& c = cache_[root];
    if (c.valid && c.exists == now.exists && c.size == now.size && c.inode == now.inode &&
        c.mtimeNs == now.mtimeNs)
        return c.hive;
    c.valid = false;
    Hive hive;
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream buf;
        buf << in.rdbuf();
        hive = Parse(buf.str(), root);
    } else {
        Ensure(hive, "");
    }
    c = Cached{};
    c.exists = now.exists;
    c.size = now.size;
    c.inode = now.inode;
    c.mtimeNs = now.mtimeNs;
    c.hive = std::move(hive);
    c.valid = true;
    return c.hive;
}

bool RegistryStore::Save(RegRoot root, const Hive& hive) const {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    bool ok = !WriteFileAtomically(FilePath(root), Format(hive, root));
    cache_[root].valid = false;
    return ok;
}

RegHandle RegistryStore::NewHandle(RegRoot root, std::string path, RegAccess access) {
    RegHandle h = next_++;
    open_[h] = Open{root, std::move(path), access};
    return h;
}

long RegistryStore::RegOpenKeyExA(RegRoot root, const std::string& subKey, RegAccess access,
                                  RegHandle* result) {
    if (!result) return kErrorInvalidParameter;
    *result = 0;
    std::string path;
    if (!NormalisePath(subKey, path)) return kErrorFileNotFound;
    std::string lower = LowerAscii(path);
    const Hive& hive = Load(root);
    bool exists = hive.count(lower) > 0;
    // The browser lookup always finds a command on POSIX systems.
    if (!exists && root == RegRoot::ClassesRoot && lower == kBrowserKey &&
        access == RegAccess::QueryValue)
        exists = true;
    if (!exists) return kErrorFileNotFound;
    *result = NewHandle(root, lower, access);
    return kErrorSuccess;
}

long RegistryStore::RegCreateKeyExA(RegRoot root, const std::string& subKey, RegHandle* result) {
    if (!result) return kErrorInvalidParameter;
    *result = 0;
    std::string path;
    if (!NormalisePath(subKey, path)) return kErrorInvalidParameter;
    Hive hive = Load(root);
    std::string lower = LowerAscii(path);
    if (!hive.count(lower)) {
        Ensure(hive, path);
        if (!Save(root, hive)) return kErrorWriteFault;
    }
    *result = NewHandle(root, lower, RegAccess::AllAccess);
    return kErrorSuccess;
}

long RegistryStore::RegQueryValueExA(RegHandle key, const std::string& valueName,
                                     std::uint32_t* type, unsigned char* data,
                                     std::uint32_t* size) {
    auto it = open_.find(key);
    if (it == open_.end()) return kErrorInvalidHandle;
    const Open& o = it->second;
    const Hive& hive = Load(o.root);
    std::uint32_t foundType = kRegSz;
    std::string bytes;
    bool found = false;
    auto k = hive.find(o.path);
    if (k != hive.end()) {
        if (const Value* v = FindValue(k->second, valueName)) {
            foundType = v->type;
            bytes = v->bytes;
            found = true;
        }
    }
    if (!found && o.root == RegRoot::ClassesRoot && o.path == kBrowserKey && valueName.empty()) {
        bytes = std::string(kBrowserDefault) + '\0';
        found = true;
    }
    if (!found) return kErrorFileNotFound;
    if (type) *type = foundType;
    if (!size) return data ? kErrorInvalidParameter : kErrorSuccess;
    std::uint32_t needed = static_cast<std::uint32_t>(bytes.size());
    if (data && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    *size = needed;
    if (data) std::memcpy(data, bytes.data(), bytes.size());
    return kErrorSuccess;
}

long RegistryStore::RegSetValueExA(RegHandle key, const std::string& valueName, std::uint32_t type,
                                   const unsigned char* data, std::uint32_t size) {
    auto it = open_.find(key);
    if (it == open_.end()) return kErrorInvalidHandle;
    const Open& o = it->second;
    if (o.access == RegAccess::QueryValue) return kErrorAccessDenied;
    if (size && !data) return kErrorInvalidParameter;
    Hive hive = Load(o.root);
    auto k = hive.find(o.path);
    if (k == hive.end()) return kErrorFileNotFound; // deleted meanwhile
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (Value* v = FindValue(k->second, valueName)) {
        if (v->type == type && v->bytes == bytes) return kErrorSuccess; // nothing to write
        v->type = type;
        v->bytes = bytes;
    } else {
        k->second.values.push_back(Value{valueName, type, bytes});
    }
    return Save(o.root, hive) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryStore::RegDeleteValueA(RegHandle key, const std::string& valueName) {
    auto it = open_.find(key);
    if (it == open_.end()) return kErrorInvalidHandle;
    const Open& o = it->second;
    if (o.access == RegAccess::QueryValue) return kErrorAccessDenied;
    Hive hive = Load(o.root);
    auto k = hive.find(o.path);
    if (k == hive.end()) return kErrorFileNotFound;
    auto& values = k->second.values;
    auto v = std::find_if(values.begin(), values.end(),
                          [&](const Value& x) { return EqualNoCase(x.name, valueName); });
    if (v == values.end()) return kErrorFileNotFound;
    values.erase(v);
    return Save(o.root, hive) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryStore::RegEnumKeyExA(RegHandle key, std::uint32_t index, char* name,
                                  std::uint32_t* nameSize, char* className,
                                  std::uint32_t* classSize) {
    auto it = open_.find(key);
    if (it == open_.end()) return kErrorInvalidHandle;
    if (!name || !nameSize) return kErrorInvalidParameter;
    const Open& o = it->second;
    Load(o.root);
    Cached& c = cache_[o.root];
    auto kids = c.children.find(o.path);
    if (kids == c.children.end()) {
        std::vector<std::string> names; // in the hive's (name) order
        for (const auto& [lower, k] : c.hive)
            if (!lower.empty() && Parent(lower) == o.path) names.push_back(LastName(k.path));
        kids = c.children.emplace(o.path, std::move(names)).first;
    }
    if (index < kids->second.size()) {
        const std::string& child = kids->second[index];
        if (child.size() + 1 > *nameSize) return kErrorMoreData;
        std::memcpy(name, child.data(), child.size());
        name[child.size()] = '\0';
        *nameSize = static_cast<std::uint32_t>(child.size());
        if (className && classSize && *classSize > 0) {
            className[0] = '\0';
            *classSize = 0;
        }
        return kErrorSuccess;
    }
    return kErrorNoMoreItems;
}

long RegistryStore::RegCloseKey(RegHandle key) {
    return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace quillmax::util
