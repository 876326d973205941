// File: tests/support/support.cpp
// Anchor of the test-support library (the library needs one source even
// before the fakes exist).
namespace quillmax::test {
int support_anchor = 0;
}
