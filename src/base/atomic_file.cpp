// File: base/atomic_file.cpp
#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillmax::util {

std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes) {
    auto lastError = [] { return std::error_code(errno, std::generic_category()); };
    std::filesystem::path target(path);
    std::string folder = target.parent_path().string();
    if (folder.empty()) folder = ".";
    // A hidden name in the target's folder: the rename stays on one file system.
    std::string tmpl = folder + "/." + target.filename().string() + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return lastError();

    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    std::error_code ec;
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            ec = w < 0 ? lastError() : std::make_error_code(std::errc::io_error);
            break;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    if (!ec && ::fsync(fd) != 0) ec = lastError();
    if (::close(fd) != 0 && !ec) ec = lastError();
    if (!ec && std::rename(name.data(), path.c_str()) != 0) ec = lastError();
    if (ec) std::remove(name.data());
    return ec;
}

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
    auto error = [](int e) { return std::error_code(e, std::generic_category()); };
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1 /* RENAME_NOREPLACE */) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS) return error(errno);
#endif
    // File systems without it: a hard link fails on an existing name too.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST) return error(EEXIST);
    // Nor links (FAT, some network shares): test, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return error(EEXIST);
    if (std::rename(from.c_str(), to.c_str()) != 0) return error(errno);
    return {};
}

} // namespace quillmax::util
