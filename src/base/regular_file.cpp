// File: base/regular_file.cpp
#include "base/regular_file.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
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

namespace {

void AdviseHugePages(char* data, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    if (size < 2 * kHuge) return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

} // namespace

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
        // Straight into the string, in huge pages where the kernel allows:
        // a deck of tens of megabytes otherwise costs a page fault per 4 KB
        // and a second copy.
        const size_t size = static_cast<size_t>(st.st_size);
        out.clear();
        out.reserve(size);
        AdviseHugePages(out.data(), size);
        out.resize(size);
        size_t got = 0;
        while (got < size) {
            ssize_t r = ::read(fd, out.data() + got, size - got);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                ec = fail(errno);
                break;
            }
            if (r == 0) break;
            got += static_cast<size_t>(r);
        }
        out.resize(got);
        char buf[1 << 16];
        while (!ec && got == size) { // it may have grown since fstat
            ssize_t r = ::read(fd, buf, sizeof buf);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                ec = fail(errno);
                break;
            }
            if (r == 0) break;
            if (out.size() + static_cast<size_t>(r) > maxBytes) {
                ec = fail(EFBIG);
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
