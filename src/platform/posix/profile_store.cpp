// File: platform/posix/profile_store.cpp
// INI files parsed once into sections with their keys indexed, read again
// only when another writer changed them; a write touches only the one line
// it sets (or adds it) and replaces the file atomically.
#include "platform/posix/profile_store.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/config_folder.h"
#include "base/atomic_file.h"
#include "base/regular_file.h"
#include "base/text.h"

namespace fs = std::filesystem;

namespace quillmax::util {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// What surrounds names and values on a line (a stray CR included).
constexpr std::string_view kLineBlanks = " \t\r";

std::vector<std::string> SplitLines(std::string text) {
    std::vector<std::string> lines;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        size_t end = nl == std::string::npos ? text.size() : nl;
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        at = end + 1;
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

ProfileStore::File& ProfileStore::Load(const std::string& fileName) {
    struct stat st {};
    FileState now;
    if (::stat(fileName.c_str(), &st) == 0) {
        now.exists = true;
        now.size = static_cast<std::uint64_t>(st.st_size);
        now.inode = static_cast<std::uint64_t>(st.st_ino);
        now.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    File& f = files_[fileName];
    // Changes held back for a batch stay ours until it ends.
    if (f.valid && (f.dirty || f.state == now)) return f;
    const int batch = f.batch;
    f = File{};
    f.batch = batch;
    f.state = now;
    f.valid = true;
    std::string text;
    // Only a regular file is read: a pipe in its place would block.
    if (now.exists && !ReadRegularFile(fileName, text)) {
        f.exists = true;
        Section* current = &f.sections.emplace_back(); // lines before the first header
        for (std::string& line : SplitLines(std::move(text))) {
            std::string name, k, v;
            if (SectionOf(line, name)) {
                f.sections.push_back(Section{});
                current = &f.sections.back();
                f.byName[LowerAscii(name)].push_back(f.sections.size() - 1);
            } else if (EntryOf(line, k, v)) {
                current->keys.emplace(LowerAscii(k), current->lines.size()); // the first one counts
            }
            current->lines.push_back(std::move(line));
        }
    } else {
        f.sections.emplace_back();
    }
    return f;
}

bool ProfileStore::Flush(const std::string& fileName, File& f) {
    std::string out;
    for (size_t s = 0; s < f.sections.size(); ++s)
        for (const std::string& line : f.sections[s].lines) {
            out += line;
            out += "\r\n";
        }
    f.dirty = false;
    if (WriteFileAtomically(fileName, out)) {
        f.valid = false; // read back what the file holds
        return false;
    }
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0) {
        f.exists = true;
        f.state = FileState{true, static_cast<std::uint64_t>(st.st_size), static_cast<std::uint64_t>(st.st_ino),
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    } else {
        f.valid = false;
    }
    return true;
}

long ProfileStore::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                            const std::string& defaultText, char* buffer,
                                            std::uint32_t bufferSize,
                                            const std::string& fileName) {
    // The default loses trailing blanks, as the Windows call does.
    std::string fallback = defaultText;
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();

    File& f = Load(fileName);
    const std::string wantKey = LowerAscii(Trim(key, kLineBlanks));
    auto named = f.byName.find(LowerAscii(Trim(section, kLineBlanks)));
    if (named != f.byName.end()) {
        for (size_t s : named->second) {
            const Section& sec = f.sections[s];
            auto k = sec.keys.find(wantKey);
            if (k == sec.keys.end()) continue;
            std::string name, v;
            EntryOf(sec.lines[k->second], name, v);
            return CopyOut(Unquote(v), buffer, bufferSize);
        }
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

    File& f = Load(fileName);
    const std::string wantSection = LowerAscii(Trim(section, kLineBlanks));
    const std::string wantKey = LowerAscii(Trim(key, kLineBlanks));
    auto named = f.byName.find(wantSection);
    if (named == f.byName.end()) {
        Section sec;
        sec.lines.push_back("[" + Trim(section, kLineBlanks) + "]");
        sec.keys.emplace(wantKey, 1);
        sec.lines.push_back(Trim(key, kLineBlanks) + "=" + text);
        f.sections.push_back(std::move(sec));
        f.byName[wantSection].push_back(f.sections.size() - 1);
    } else {
        Section& sec = f.sections[named->second.front()];
        auto k = sec.keys.find(wantKey);
        if (k != sec.keys.end()) {
            std::string& line = sec.lines[k->second];
            std::string name, v;
            EntryOf(line, name, v);
            if (line == name + "=" + text) return true; // already says this
            line = name + "=" + text;
        } else {
            // After the section's last non-blank line; only blank lines,
            // which hold no key, move down.
            size_t at = sec.lines.size();
            while (at > 1 && Trim(sec.lines[at - 1], kLineBlanks).empty()) --at;
            sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), Trim(key, kLineBlanks) + "=" + text);
            sec.keys.emplace(wantKey, at);
        }
    }
    f.dirty = true;
    if (f.batch > 0) return true;
    return Flush(fileName, f);
}

void ProfileStore::BeginBatch(const std::string& fileName) { ++Load(fileName).batch; }

bool ProfileStore::EndBatch(const std::string& fileName) {
    auto it = files_.find(fileName);
    if (it == files_.end() || it->second.batch == 0) return true;
    File& f = it->second;
    if (--f.batch > 0 || !f.dirty) return true;
    return Flush(fileName, f);
}

namespace {

// A shared folder of programs is nobody's own, even for root, who may write
// there: a package's files must stay as the package left them.
bool IsSystemProgramFolder(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    for (const char* system : {"/usr/bin", "/bin", "/usr/local/bin", "/usr/games", "/usr/sbin", "/sbin"})
        if (f == system) return true;
    return false;
}

} // namespace

std::string OleIniPath(const std::string& programFolder) {
    if (!programFolder.empty() && !IsSystemProgramFolder(programFolder) &&
        ::access(programFolder.c_str(), W_OK) == 0) {
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
