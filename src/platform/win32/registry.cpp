// File: platform/win32/registry.cpp
#include "platform/win32/registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win32/code_page.h"

namespace quillmax::win32 {
namespace {

using settings::RegHandle;

HKEY RootKey(settings::RegRoot root) {
    switch (root) {
    case settings::RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case settings::RegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case settings::RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

REGSAM Sam(settings::RegAccess access) {
    switch (access) {
    // Read access also enumerates: the sub-key scan opens its root this way.
    case settings::RegAccess::QueryValue: return KEY_READ;
    case settings::RegAccess::SetValue: return KEY_SET_VALUE;
    case settings::RegAccess::AllAccess: return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

HKEY Key(RegHandle h) { return reinterpret_cast<HKEY>(h); }
RegHandle Handle(HKEY k) { return reinterpret_cast<RegHandle>(k); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

} // namespace

long Registry::RegOpenKeyExA(settings::RegRoot root, const std::string& subKey,
                             settings::RegAccess access, RegHandle* result) {
    HKEY k = nullptr;
    const LONG status =
        ::RegOpenKeyExA(RootKey(root), Utf8ToAnsi(subKey).c_str(), 0, Sam(access), &k);
    *result = status == ERROR_SUCCESS ? Handle(k) : 0;
    return status;
}

long Registry::RegCreateKeyExA(settings::RegRoot root, const std::string& subKey,
                               RegHandle* result) {
    HKEY k = nullptr;
    const LONG status =
        ::RegCreateKeyExA(RootKey(root), Utf8ToAnsi(subKey).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    *result = status == ERROR_SUCCESS ? Handle(k) : 0;
    return status;
}

long Registry::RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t* type,
                                unsigned char* data, std::uint32_t* size) {
    const std::string name = Utf8ToAnsi(valueName);
    DWORD t = REG_NONE;
    DWORD n = data ? *size : 0;
    std::vector<unsigned char> raw(n);
    LONG status = ::RegQueryValueExA(Key(key), name.c_str(), nullptr, &t,
                                     data ? raw.data() : nullptr, &n);
    if (type) *type = t;
    if (status == ERROR_SUCCESS && !data && IsText(t)) {
        // The UTF-8 size of a text needs the text itself.
        raw.resize(n);
        status = ::RegQueryValueExA(Key(key), name.c_str(), nullptr, &t, raw.data(), &n);
    }
    if (status != ERROR_SUCCESS) {
        *size = n;
        return status;
    }
    raw.resize(n);
    if (IsText(t)) {
        const std::string text = AnsiToUtf8(std::string_view(reinterpret_cast<char*>(raw.data()), n));
        raw.assign(text.begin(), text.end());
    }
    const std::uint32_t room = data ? *size : 0;
    *size = static_cast<std::uint32_t>(raw.size());
    if (!data) return ERROR_SUCCESS;
    if (raw.size() > room) return ERROR_MORE_DATA;
    if (!raw.empty()) std::memcpy(data, raw.data(), raw.size());
    return ERROR_SUCCESS;
}

long Registry::RegSetValueExA(RegHandle key, const std::string& valueName, std::uint32_t type,
                              const unsigned char* data, std::uint32_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (IsText(type)) bytes = Utf8ToAnsi(bytes); // NULs convert as NULs
    return ::RegSetValueExA(Key(key), Utf8ToAnsi(valueName).c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size()));
}

long Registry::RegDeleteValueA(RegHandle key, const std::string& valueName) {
    return ::RegDeleteValueA(Key(key), Utf8ToAnsi(valueName).c_str());
}

long Registry::RegEnumKeyExA(RegHandle key, std::uint32_t index, char* name,
                             std::uint32_t* nameSize, char* className,
                             std::uint32_t* classSize) {
    std::vector<char> n(*nameSize ? *nameSize : 1), c(*classSize ? *classSize : 1);
    DWORD nn = static_cast<DWORD>(n.size()), cc = static_cast<DWORD>(c.size());
    const LONG status =
        ::RegEnumKeyExA(Key(key), index, n.data(), &nn, nullptr, c.data(), &cc, nullptr);
    if (status != ERROR_SUCCESS) return status;
    // Copies a converted name, cut to the caller's buffer, NUL-terminated.
    auto put = [](const std::string& text, char* out, std::uint32_t* outSize) {
        if (!out || *outSize == 0) return;
        const size_t len = std::min<size_t>(text.size(), *outSize - 1);
        std::memcpy(out, text.data(), len);
        out[len] = '\0';
        *outSize = static_cast<std::uint32_t>(len);
    };
    put(AnsiToUtf8(std::string_view(n.data(), nn)), name, nameSize);
    put(AnsiToUtf8(std::string_view(c.data(), cc)), className, classSize);
    return ERROR_SUCCESS;
}

long Registry::RegCloseKey(RegHandle key) { return ::RegCloseKey(Key(key)); }

} // namespace quillmax::win32
