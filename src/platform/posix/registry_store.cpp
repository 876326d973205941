// File: platform/posix/registry_store.cpp
// Registry roots as registry export files. Reading is forgiving (a line
// that does not parse is skipped), writing is atomic.
#include "platform/posix/registry_store.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

#include "platform/posix/config_folder.h"
#include "base/atomic_file.h"
#include "base/regular_file.h"
#include "base/text.h"

namespace fs = std::filesystem;

namespace quillmax::util {

using settings::RegAccess;
using settings::RegHandle;
using settings::RegRoot;
using namespace settings; // status codes and value types

namespace {

constexpr const char* kBrowserKey = "http\\shell\\open\\command";
constexpr const char* kBrowserDefault = "xdg-open";

} // namespace

std::string DefaultRegistryFolder() {
    return ConfigFolder() + "/registry";
}

RegistryStore::RegistryStore(std::string folder) : folder_(std::move(folder)) {}

std::string RegistryStore::FilePath(RegRoot root) const {
    return folder_ + "/" + RegistryRootName(root) + ".reg";
}

RegistryStore::FileState RegistryStore::StateOf(const std::string& path) {
    FileState f;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return f;
    f.exists = true;
    f.size = static_cast<std::uint64_t>(st.st_size);
    f.inode = static_cast<std::uint64_t>(st.st_ino);
    f.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return f;
}

regfile::Hive& RegistryStore::Load(RegRoot root) {
    const std::string path = FilePath(root);
    FileState now = StateOf(path);
    Cached& c = cache_[root];
    if (c.valid && (c.dirty || c.state == now)) return c.hive; // held changes stay ours
    const int batch = c.batch;
    c = Cached{};
    c.batch = batch;
    std::string text;
    // Only a regular file is read: a pipe or device in its place would block.
    if (now.exists && !ReadRegularFile(path, text)) c.hive = regfile::Parse(text, root);
    else regfile::Ensure(c.hive, "");
    c.state = now;
    c.valid = true;
    return c.hive;
}

bool RegistryStore::Save(RegRoot root) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    Cached& c = cache_[root];
    c.children.clear();
    if (c.batch > 0) {
        c.dirty = true;
        return true;
    }
    c.dirty = false;
    const std::string path = FilePath(root);
    bool ok = !WriteFileAtomically(path, regfile::Format(c.hive, root));
    if (ok) c.state = StateOf(path); // what we wrote is what we hold
    else c.valid = false;
    return ok;
}

void RegistryStore::BeginBatch(RegRoot root) {
    Load(root);
    ++cache_[root].batch;
}

void RegistryStore::EndBatch(RegRoot root) {
    Cached& c = cache_[root];
    if (c.batch == 0 || --c.batch > 0 || !c.dirty) return;
    Save(root); // a failure is lost, as every registry write's is
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
    if (!regfile::NormalisePath(subKey, path)) return kErrorFileNotFound;
    std::string lower = LowerAscii(path);
    const regfile::Hive& hive = Load(root);
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
    if (!regfile::NormalisePath(subKey, path)) return kErrorInvalidParameter;
    regfile::Hive& hive = Load(root);
    std::string lower = LowerAscii(path);
    if (!hive.count(lower)) {
        regfile::Ensure(hive, path);
        if (!Save(root)) return kErrorWriteFault;
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
    const regfile::Hive& hive = Load(o.root);
    std::uint32_t foundType = kRegSz;
    std::string bytes;
    bool found = false;
    auto k = hive.find(o.path);
    if (k != hive.end()) {
        if (const regfile::Value* v = k->second.Find(valueName)) {
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
    regfile::Hive& hive = Load(o.root);
    auto k = hive.find(o.path);
    if (k == hive.end()) return kErrorFileNotFound; // deleted meanwhile
    if (!k->second.Set(valueName, type, std::string(reinterpret_cast<const char*>(data), size)))
        return kErrorSuccess; // nothing to write
    return Save(o.root) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryStore::RegDeleteValueA(RegHandle key, const std::string& valueName) {
    auto it = open_.find(key);
    if (it == open_.end()) return kErrorInvalidHandle;
    const Open& o = it->second;
    if (o.access == RegAccess::QueryValue) return kErrorAccessDenied;
    regfile::Hive& hive = Load(o.root);
    auto k = hive.find(o.path);
    if (k == hive.end()) return kErrorFileNotFound;
    if (!k->second.Remove(valueName)) return kErrorFileNotFound;
    return Save(o.root) ? kErrorSuccess : kErrorWriteFault;
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
        // The hive is sorted by path, so the children of a key follow it.
        const std::string prefix = o.path.empty() ? std::string() : o.path + "\\";
        for (auto it = c.hive.lower_bound(prefix); it != c.hive.end(); ++it) {
            const std::string& lower = it->first;
            if (lower.compare(0, prefix.size(), prefix) != 0) break;
            if (lower.size() == prefix.size()) continue;
            if (lower.find('\\', prefix.size()) != std::string::npos) continue;
            const std::string& p = it->second.path;
            size_t sep = p.find_last_of('\\');
            names.push_back(sep == std::string::npos ? p : p.substr(sep + 1));
        }
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
