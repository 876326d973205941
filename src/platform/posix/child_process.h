// File: platform/posix/child_process.h
// Runs a program as a child process with a time limit, a stop that is
// polled while it runs, and its standard output handed over line by line.
// The child gets its own process group, so a Ctrl-C at the terminal reaches
// only us (and we decide); stopping or a time-out kills the whole group.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillmax::util {

struct ChildOutcome {
    enum class End { Exited, Signalled, TimedOut, Stopped, NotStarted };
    End end = End::NotStarted;
    int code = -1;          // exit status, or the signal number
    std::string errorTail;  // the last lines the child wrote to stderr
    bool Succeeded() const { return end == End::Exited && code == 0; }
};

struct ChildOptions {
    double timeLimitSeconds = 0;               // 0: no limit
    std::function<bool()> shouldStop;          // polled about ten times a second
    std::function<void(const std::string&)> onLine; // each stdout line, without its end
};

// argv[0] is looked up in PATH. Waits until the child has ended (or was
// killed and reaped); never leaves a child behind.
ChildOutcome RunChild(const std::vector<std::string>& argv, const ChildOptions& options);

// A private folder (mode 0700) under the temporary folder, removed with
// everything in it when the object goes. Empty path when it could not be made.
class PrivateTempFolder {
public:
    explicit PrivateTempFolder(const std::string& prefix);
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace quillmax::util
