// File: util/scratch_files.cpp
#include "util/scratch_files.h"

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>

#include "base/native_path.h"

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#define getpid _getpid
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace quillmax::util {
namespace {

constexpr const char* kMark = "qmx-";

// The process id in "qmx-<pid>-…" or "~qmx-<pid>-…", 0 when the name is not ours.
long OwnerOf(const std::string& name) {
    size_t at = name.rfind(kMark, 1);
    if (at == std::string::npos || (at == 1 && name[0] != '~')) return 0;
    at += 4;
    long pid = 0;
    size_t digits = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && digits < 10) {
        pid = pid * 10 + (name[at++] - '0');
        ++digits;
    }
    if (digits == 0 || at >= name.size() || name[at] != '-') return 0;
    return pid;
}

bool Alive(long pid) {
    if (pid == ::getpid()) return true;
#ifdef _WIN32
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return ::GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

} // namespace

std::string ScratchName() {
    // Files of a batch run on several threads at once.
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    static std::mt19937 rng{std::random_device{}()};
    static const char* digits = "0123456789ABCDEF";
    std::string name = std::string(kMark) + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 5; ++i) name += digits[rng() % 16];
    return name + ".tmp";
}

int RemoveStaleScratch(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    fs::directory_iterator it(Native(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8(it->path().filename());
        long pid = OwnerOf(name);
        if (pid <= 0 || Alive(pid)) continue;
        std::error_code e;
        if (!fs::is_regular_file(it->symlink_status(e)) || e) continue;
        if (fs::remove(it->path(), e) && !e) ++removed;
    }
    return removed;
}

void RemoveScratch(const std::string& path) {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove(Native(path), ec);
}

} // namespace quillmax::util
