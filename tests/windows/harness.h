// File: tests/windows/harness.h
// A tiny test harness for the Windows test program (GoogleTest is not
// packaged for the cross compiler): TEST registers a case, CHECK and
// CHECK_EQ record a failure and go on, REQUIRE ends the case. main runs
// every case (or those whose name contains argv[1]) and prints one line per
// case and "N passed, N failed".
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace harness {

struct Case {
    const char* name;
    std::function<void()> body;
};
std::vector<Case>& Cases();
void Fail(const char* file, int line, const std::string& what);
struct Stop {}; // thrown by REQUIRE

struct Register {
    Register(const char* name, std::function<void()> body) { Cases().push_back({name, std::move(body)}); }
};

template <class A, class B>
std::string Show(const A& a, const B& b) {
    std::ostringstream s;
    s << "'" << a << "' != '" << b << "'";
    return s.str();
}

} // namespace harness

#define HARNESS_CAT2(a, b) a##b
#define HARNESS_CAT(a, b) HARNESS_CAT2(a, b)
#define TEST(name)                                                                   \
    static void name();                                                              \
    static harness::Register HARNESS_CAT(register_, name)(#name, name);              \
    static void name()
#define CHECK(cond) \
    ((cond) ? (void)0 : harness::Fail(__FILE__, __LINE__, "CHECK(" #cond ")"))
#define CHECK_EQ(a, b)                                                                       \
    do {                                                                                     \
        const auto& qa_ = (a);                                                               \
        const auto& qb_ = (b);                                                               \
        if (!(qa_ == qb_)) harness::Fail(__FILE__, __LINE__, #a " == " #b ": " + harness::Show(qa_, qb_)); \
    } while (0)
#define REQUIRE(cond)                                                     \
    do {                                                                  \
        if (!(cond)) {                                                    \
            harness::Fail(__FILE__, __LINE__, "REQUIRE(" #cond ")");      \
            throw harness::Stop{};                                        \
        }                                                                 \
    } while (0)
