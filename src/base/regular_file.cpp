// File: base/regular_file.cpp
#include "base/regular_file.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillmax::util {

#ifdef _WIN32

// Windows has no FIFOs under file names; a device name is not regular.
bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

std::error_code ReadRegularFile(const std::string& path, std::string& out, std::uint64_t maxBytes) {
    std::error_code ec;
    const auto p = std::filesystem::u8path(path);
    if (!std::filesystem::exists(p, ec)) return std::make_error_code(std::errc::no_such_file_or_directory);
    if (!std::filesystem::is_regular_file(p, ec)) return std::make_error_code(std::errc::invalid_argument);
    const auto size = std::filesystem::file_size(p, ec);
    if (ec) return ec;
    if (size > maxBytes) return std::make_error_code(std::errc::file_too_large);
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::make_error_code(std::errc::permission_denied);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return {};
}

#else

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::error_code ReadRegularFile(const std::string& path, std::string& out, std::uint64_t maxBytes) {
    auto fail = [](int e) { return std::error_code(e, std::generic_category()); };
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(errno);
    struct stat st {};
    std::error_code ec;
    if (::fstat(fd, &st) != 0) ec = fail(errno);
    else if (!S_ISREG(st.st_mode)) ec = fail(EINVAL);
    else if (static_cast<std::uint64_t>(st.st_size) > maxBytes) ec = fail(EFBIG);
    if (!ec) {
        out.clear();
        out.reserve(static_cast<size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            ssize_t r = ::read(fd, buf, sizeof buf);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                ec = fail(errno);
                break;
            }
            if (r == 0) break;
            if (out.size() + static_cast<size_t>(r) > maxBytes) {
                ec = fail(EFBIG); // grew while we read
                break;
            }
            out.append(buf, static_cast<size_t>(r));
        }
    }
    ::close(fd);
    return ec;
}

#endif

} // namespace quillmax::util
