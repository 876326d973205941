// File: base/containment.h
// The three grains of failure containment. Each routine states its grain
// with one of these, per region:
//
//   step(f)      step-contained: a failing call is skipped, the next runs.
//   routine(f)   routine-contained: the first failure ends the region
//                silently; the caller goes on.
//   uncontained  no helper: the AutomationError reaches the caller.
//
// Only AutomationError is contained. Anything else (ProgramEnd, bad_alloc,
// logic errors) always reaches the front end.
#pragma once

#include <utility>

#include "base/errors.h"

namespace quillmax::office {

// Runs one step; returns false when it failed (and was skipped).
template <class F>
bool step(F&& f) {
    try {
        std::forward<F>(f)();
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

// Runs a whole region; the first failure ends it. Returns false when the
// region ended early. Same mechanics as step(), different intent: use it
// around a sequence of calls, not one.
template <class F>
bool routine(F&& f) {
    try {
        std::forward<F>(f)();
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

// Reads a value in a step; gives `fallback` when the read fails.
template <class T, class F>
T step_value(F&& f, T fallback) {
    try {
        return std::forward<F>(f)();
    } catch (const AutomationError&) {
        return fallback;
    }
}

} // namespace quillmax::office
