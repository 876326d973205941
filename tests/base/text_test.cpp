// File: tests/util/text_test.cpp
// Case folding leaves non-ASCII bytes alone; trimming with the default set
// and with a caller's own set, down to nothing.
#include "base/text.h"

#include <gtest/gtest.h>

namespace quillmax::test {
namespace {

TEST(Text, LowerAsciiTouchesOnlyAToZ) {
    EXPECT_EQ(util::LowerAscii("PPTX ﾌｧｲﾙ.PPT"), "pptx ﾌｧｲﾙ.ppt");
    EXPECT_EQ(util::LowerAscii("\xC3\x84\xC0Z"), "\xC3\x84\xC0z"); // Latin-1 / UTF-8 bytes kept
}

TEST(Text, TrimKeepsInnerBlanksAndHonoursTheSet) {
    EXPECT_EQ(util::Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(util::Trim(" \t a \t ", " "), "\t a \t");
    EXPECT_EQ(util::TrimLeft("  a  "), "a  ");
    EXPECT_EQ(util::TrimRight("  a  "), "  a");
    EXPECT_EQ(util::Trim(" \r\n\t"), "");
    EXPECT_EQ(util::TrimRight(""), "");
}

} // namespace
} // namespace quillmax::test
