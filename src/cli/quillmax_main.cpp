// File: cli/quillmax_main.cpp
// The program's main: the window by default, the console with --headless.
#include <cstdio>

int main(int argc, char** argv) {
    std::fputs("quillmax: not built yet\n", stderr);
    return 2;
}
