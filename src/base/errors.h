// File: base/errors.h
// Failure of an object-model (or file-system) call. Every backend reports
// a failing member call by throwing AutomationError; the system code's
// containment helpers (containment.h) catch exactly this type.
#pragma once

#include <stdexcept>
#include <string>

namespace quillmax::office {

class AutomationError : public std::runtime_error {
public:
    // member: the failing member as "Object.Member" (e.g. "Shape.Rotation").
    AutomationError(std::string member, const std::string& message)
        : std::runtime_error(member.empty() ? message : member + ": " + message),
          member_(std::move(member)) {}
    explicit AutomationError(const std::string& message) : AutomationError("", message) {}
    // A failure the operating system reported (errno), kept so that the
    // user can be told why (a full disk, a read-only folder).
    AutomationError(std::string member, const std::string& message, int systemError)
        : AutomationError(std::move(member), message) {
        systemError_ = systemError;
    }

    const std::string& member() const { return member_; }
    int systemError() const { return systemError_; } // 0: none known

private:
    std::string member_;
    int systemError_ = 0;
};

// Thrown when the system ends the program at once (the environment check's
// fatal boxes, the window's shut-down). Not an AutomationError, so no
// containment swallows it; the front end's main catches it and exits.
class ProgramEnd : public std::exception {
public:
    explicit ProgramEnd(int code) : code_(code) {}
    int code() const { return code_; }
    const char* what() const noexcept override { return "program ended"; }

private:
    int code_;
};

} // namespace quillmax::office
