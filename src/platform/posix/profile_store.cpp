// File: platform/posix/profile_store.cpp
// INI files read and written line by line; a write touches only the one
// line it sets (or adds it) and replaces the file atomically.
#include "platform/posix/profile_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "platform/posix/config_folder.h"
#include "base/atomic_file.h"
#include "base/text.h"

namespace fs = std::filesystem;

namespace quillmax::util {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// What surrounds names and values on a line (a stray CR included).
constexpr std::string_view kLineBlanks = " \t\r";

std::vector<std::string> ReadLines(const std::string& path, bool& exists) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in) return lines;
    std::ostringstream buf;
    buf << in.rdbuf();
    std::string text = buf.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::string line;
    std::istringstream lin(text);
    while (std::getline(lin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The section name of a header line "[name]", or false.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line, kLineBlanks);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1), kLineBlanks);
    return true;
}

// The key and raw value of "key = value", or false (comments, garbage).
bool EntryOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line, kLineBlanks);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq), kLineBlanks);
    value = Trim(t.substr(eq + 1), kLineBlanks);
    return !key.empty();
}

// Values lose one pair of surrounding matching quotes.
std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

long CopyOut(const std::string& text, char* buffer, std::uint32_t bufferSize) {
    if (!buffer || bufferSize == 0) return 0;
    size_t n = std::min<size_t>(text.size(), bufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<long>(n);
}

} // namespace

long ProfileStore::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                            const std::string& defaultText, char* buffer,
                                            std::uint32_t bufferSize,
                                            const std::string& fileName) {
    // The default loses trailing blanks, as the Windows call does.
    std::string fallback = defaultText;
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();

    bool exists = false;
    std::vector<std::string> lines = ReadLines(fileName, exists);
    const std::string wantSection = LowerAscii(Trim(section, kLineBlanks));
    const std::string wantKey = LowerAscii(Trim(key, kLineBlanks));
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string name, k, v;
        if (SectionOf(line, name)) {
            inSection = LowerAscii(name) == wantSection;
            continue;
        }
        if (inSection && EntryOf(line, k, v) && LowerAscii(k) == wantKey)
            return CopyOut(Unquote(v), buffer, bufferSize);
    }
    return CopyOut(fallback, buffer, bufferSize);
}

bool ProfileStore::WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                              const std::string& text,
                                              const std::string& fileName) {
    // A line break in any part would split the entry and corrupt the file.
    const std::string breaks("\r\n\0", 3);
    if (Trim(section, kLineBlanks).empty() || Trim(key, kLineBlanks).empty() || key.find('=') != std::string::npos ||
        section.find_first_of(breaks) != std::string::npos ||
        key.find_first_of(breaks) != std::string::npos ||
        text.find_first_of(breaks) != std::string::npos)
        return false;

    bool exists = false;
    std::vector<std::string> lines = ReadLines(fileName, exists);
    const std::string wantSection = LowerAscii(Trim(section, kLineBlanks));
    const std::string wantKey = LowerAscii(Trim(key, kLineBlanks));

    bool inSection = false, sectionFound = false, done = false;
    size_t insertAt = 0; // after the section's last non-blank line
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionOf(lines[i], name)) {
            if (inSection) break; // our section ended without the key
            inSection = LowerAscii(name) == wantSection;
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (EntryOf(lines[i], k, v) && LowerAscii(k) == wantKey) {
            lines[i] = k + "=" + text;
            done = true;
        } else if (!Trim(lines[i], kLineBlanks).empty()) {
            insertAt = i + 1;
        }
    }
    if (!done) {
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         Trim(key, kLineBlanks) + "=" + text);
        } else {
            lines.push_back("[" + Trim(section, kLineBlanks) + "]");
            lines.push_back(Trim(key, kLineBlanks) + "=" + text);
        }
    }
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    if (exists && done) {
        std::ifstream in(fileName, std::ios::binary);
        std::ostringstream old;
        old << in.rdbuf();
        if (old.str() == out) return true; // the entry already says this
    }
    return !WriteFileAtomically(fileName, out);
}

std::string OleIniPath(const std::string& programFolder) {
    if (!programFolder.empty() && ::access(programFolder.c_str(), W_OK) == 0) {
        std::string folder = programFolder;
        if (folder.back() != '/') folder += '/';
        return folder + "ole.ini";
    }
    std::string folder = ConfigFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder + "/ole.ini";
}

} // namespace quillmax::util
