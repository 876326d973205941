// File: tests/windows/harness.cpp
#include "harness.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace harness {
namespace {
int failures = 0;
}

std::vector<Case>& Cases() {
    static std::vector<Case> cases;
    return cases;
}

void Fail(const char* file, int line, const std::string& what) {
    ++failures;
    std::printf("  %s:%d: %s\n", file, line, what.c_str());
}

} // namespace harness

int main(int argc, char** argv) {
    int passed = 0, failed = 0;
    for (const harness::Case& c : harness::Cases()) {
        if (argc > 1 && !std::strstr(c.name, argv[1])) continue;
        const int before = harness::failures;
        try {
            c.body();
        } catch (const harness::Stop&) {
        } catch (const std::exception& e) {
            harness::Fail(c.name, 0, std::string("unexpected exception: ") + e.what());
        }
        const bool ok = harness::failures == before;
        std::printf("%s %s\n", ok ? "[ OK ]" : "[FAIL]", c.name);
        std::fflush(stdout);
        (ok ? passed : failed)++;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
