// File: cli/host_posix.cpp
// The main's host on POSIX: the package-backed PowerPoint.
#include "host.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/native_path.h"

#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/report.h"

namespace quillmax::cli {

std::vector<std::string> PrepareConsole(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string ProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) exe = std::filesystem::absolute(argv0 ? argv0 : "", ec);
    return util::Utf8(exe.parent_path());
}

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

int StderrTerminalColumns() {
    if (::isatty(STDERR_FILENO) != 1) return 0;
    struct winsize ws {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

int CountSlides(const std::string& path) { return pptx::CountSlides(path); }

std::vector<std::pair<std::string, double>> ContentBytes(const std::string& path) {
    const pptx::DeckReport report = pptx::MakeReport(path);
    std::vector<std::pair<std::string, double>> kinds;
    for (int k = 0; k < pptx::kByteKindCount; ++k) {
        const auto kind = static_cast<pptx::ByteKind>(k);
        // The zip's own records are no content anyone could take out.
        if (kind == pptx::ByteKind::ZipStructure) continue;
        kinds.emplace_back(pptx::ByteKindLabel(kind), static_cast<double>(report.bytes[k]));
    }
    return kinds;
}

std::unique_ptr<office::Automation> CreateAutomation() { return pptx::CreateAutomation(); }

} // namespace quillmax::cli
