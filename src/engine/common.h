// File: engine/common.h
// Small helpers the engine's routines share: text rules of the names and
// settings texts, minimising the applications, the settle pauses.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/run_state.h"
#include "base/errors.h"

namespace quillmax::engine {

// A call on an empty object fails like any other automation call; `what`
// names the object the call was meant for.
template <class T>
T& Need(const std::shared_ptr<T>& p, const char* what = "") {
    if (!p) throw office::AutomationError(what, "object variable not set");
    return *p;
}

// The same for a handle fetched in passing: the caller keeps the returned
// handle, since a reference into a temporary one dangles at the end of the
// statement (the object model may hand out a fresh object on every call).
template <class T>
std::shared_ptr<T> Hold(std::shared_ptr<T> p, const char* what = "") {
    if (!p) throw office::AutomationError(what, "object variable not set");
    return p;
}

// The session's file system; without one every file call fails.
util::FileSystem& Files(RunState& s);

// A settings text read as a number; nullopt when it is not one.
std::optional<double> ReadNumber(const std::string& text);
// Whole number, halves to the even neighbour.
long long RoundEven(double v);

// PowerPoint minimised, and Excel in the older mode, so that nothing the
// engine does pops up over the user's work. Each call is step-contained.
void MinimiseApplications(RunState& s);

// "All pictures": the stored setting, or the command line's for this run.
bool AllPictures(const RunState& s);

// The pauses around pastes and deletions.
void Settle(RunState& s, int ms);

} // namespace quillmax::engine
