// File: platform/posix/reg_file.cpp
#include "platform/posix/reg_file.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "base/text.h"

namespace quillmax::util::regfile {

using namespace settings; // value types

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

std::string Parent(const std::string& path) {
    size_t s = path.find_last_of('\\');
    return s == std::string::npos ? std::string() : path.substr(0, s);
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
bool ParseValueLine(const std::string& line, Value& value) {
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

std::string FormatValue(const Value& v) {
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

const Value* Key::Find(const std::string& name) const {
    auto it = index_.find(LowerAscii(name));
    return it == index_.end() ? nullptr : &values_[it->second];
}

bool Key::Set(const std::string& name, std::uint32_t type, std::string bytes) {
    auto [it, added] = index_.emplace(LowerAscii(name), values_.size());
    if (added) {
        values_.push_back(Value{name, type, std::move(bytes)});
        return true;
    }
    Value& v = values_[it->second];
    if (v.type == type && v.bytes == bytes) return false;
    v.type = type;
    v.bytes = std::move(bytes);
    return true;
}

bool Key::Remove(const std::string& name) {
    auto it = index_.find(LowerAscii(name));
    if (it == index_.end()) return false;
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(it->second));
    index_.clear();
    for (size_t i = 0; i < values_.size(); ++i) index_.emplace(LowerAscii(values_[i].name), i);
    return true;
}

const char* RootName(RegRoot root) {
    switch (root) {
    case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_LOCAL_MACHINE";
}

Key& Ensure(Hive& hive, const std::string& path) {
    // Parents first, without recursion: a path may have thousands of parts.
    std::vector<std::string> missing;
    for (std::string p = path;; p = Parent(p)) {
        if (hive.count(LowerAscii(p))) break;
        missing.push_back(p);
        if (p.empty()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) hive[LowerAscii(*it)].path = *it;
    return hive.at(LowerAscii(path));
}

bool NormalisePath(const std::string& in, std::string& out) {
    std::string p = in;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    if (!p.empty() && p.front() == '\\') return false;
    if (p.find("\\\\") != std::string::npos) return false;
    out = p;
    return true;
}

Hive Parse(const std::string& input, RegRoot root) {
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
    const std::string rootName = LowerAscii(RootName(root));
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
            while (!line.empty() && line.back() == '\\' && n + 1 < lines.size()) {
                line.pop_back();
                line += TrimLeft(lines[++n], " \t");
            }
        }
        Value value;
        if (!ParseValueLine(line, value)) continue;
        current->Set(value.name, value.type, std::move(value.bytes)); // a later line wins
    }
    return hive;
}

std::string Format(const Hive& hive, RegRoot root) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    for (const auto& [lower, key] : hive) {
        if (key.path.empty() && key.values().empty()) continue;
        out += "[";
        out += RootName(root);
        if (!key.path.empty()) out += "\\" + key.path;
        out += "]\r\n";
        for (const auto& v : key.values()) out += FormatValue(v) + "\r\n";
        out += "\r\n";
    }
    return out;
}

} // namespace quillmax::util::regfile
