// File: platform/posix/child_process.cpp
#include "platform/posix/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace quillmax::util {
namespace {

constexpr int kPollMs = 100;
constexpr size_t kErrorTailBytes = 2000;

struct Pipe {
    int fd[2] = {-1, -1};
    bool Open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
    void Close(int i) {
        if (fd[i] >= 0) ::close(fd[i]);
        fd[i] = -1;
    }
    ~Pipe() {
        Close(0);
        Close(1);
    }
};

// Reads what is there; false at end of file.
bool Drain(int fd, std::string& buffer) {
    char chunk[4096];
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

void HandLines(std::string& buffer, const ChildOptions& options) {
    size_t start = 0;
    for (size_t nl; (nl = buffer.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = buffer.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (options.onLine) options.onLine(line);
    }
    buffer.erase(0, start);
}

} // namespace

ChildOutcome RunChild(const std::vector<std::string>& argv, const ChildOptions& options) {
    ChildOutcome outcome;
    if (argv.empty()) return outcome;
    if (options.shouldStop && options.shouldStop()) {
        outcome.end = ChildOutcome::End::Stopped;
        return outcome;
    }
    Pipe out, err;
    if (!out.Open() || !err.Open()) return outcome;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    out.Close(1);
    err.Close(1);
    if (rc != 0) {
        outcome.errorTail = std::error_code(rc, std::generic_category()).message();
        return outcome;
    }

    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    std::string outBuffer, errBuffer;
    bool outOpen = true, errOpen = true;
    ChildOutcome::End forced = ChildOutcome::End::Exited;
    int status = 0;
    bool reaped = false;
    while (!reaped) {
        if (!outOpen && !errOpen && ::waitpid(pid, &status, WNOHANG) == pid) {
            reaped = true;
            break;
        }
        pollfd fds[2] = {{outOpen ? out.fd[0] : -1, POLLIN, 0}, {errOpen ? err.fd[0] : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, kPollMs); // with both closed: a plain wait
        if (ready > 0) {
            if (outOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
                outOpen = Drain(out.fd[0], outBuffer);
                HandLines(outBuffer, options);
            }
            if (errOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
                errOpen = Drain(err.fd[0], errBuffer);
                if (errBuffer.size() > 4 * kErrorTailBytes) errBuffer.erase(0, errBuffer.size() - kErrorTailBytes);
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        if (options.timeLimitSeconds > 0 && elapsed > options.timeLimitSeconds)
            forced = ChildOutcome::End::TimedOut;
        else if (options.shouldStop && options.shouldStop())
            forced = ChildOutcome::End::Stopped;
        if (forced != ChildOutcome::End::Exited) {
            ::kill(-pid, SIGKILL);
            break;
        }
    }
    if (!outBuffer.empty() && options.onLine && forced == ChildOutcome::End::Exited) {
        outBuffer.push_back('\n');
        HandLines(outBuffer, options);
    }
    while (!reaped && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.errorTail = errBuffer.size() > kErrorTailBytes ? errBuffer.substr(errBuffer.size() - kErrorTailBytes)
                                                           : errBuffer;
    if (forced != ChildOutcome::End::Exited) {
        outcome.end = forced;
    } else if (WIFEXITED(status)) {
        outcome.end = ChildOutcome::End::Exited;
        outcome.code = WEXITSTATUS(status);
    } else {
        outcome.end = ChildOutcome::End::Signalled;
        outcome.code = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
    return outcome;
}

PrivateTempFolder::PrivateTempFolder(const std::string& prefix) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

PrivateTempFolder::~PrivateTempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace quillmax::util
