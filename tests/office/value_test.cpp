// File: tests/office/value_test.cpp
#include "office/value.h"

#include <gtest/gtest.h>

#include "base/containment.h"
#include "base/errors.h"

using quillmax::office::AutomationError;
using quillmax::office::Value;

TEST(Value, CoercesLikeTheObjectModel) {
    EXPECT_EQ(Value(true).as_int(), -1);
    EXPECT_EQ(Value(2.5).as_int(), 2); // half to even
    EXPECT_EQ(Value(3.5).as_int(), 4);
    EXPECT_EQ(Value("12").as_int(), 12);
    EXPECT_EQ(Value(7).as_string(), "7");
    EXPECT_DOUBLE_EQ(Value("0.25").as_double(), 0.25);
    EXPECT_TRUE(Value().is_empty());
    EXPECT_THROW(Value("abc").as_int(), AutomationError);
}

TEST(Containment, GrainsContainOnlyAutomationErrors) {
    int ran = 0;
    EXPECT_FALSE(quillmax::office::step([&] { throw AutomationError("X.Y", "no"); }));
    EXPECT_TRUE(quillmax::office::step([&] { ++ran; }));
    EXPECT_FALSE(quillmax::office::routine([&] {
        ++ran;
        throw AutomationError("no");
        ++ran;
    }));
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(quillmax::office::step_value([]() -> int { throw AutomationError("no"); }, 5), 5);
    EXPECT_THROW(quillmax::office::step([] { throw std::logic_error("bug"); }), std::logic_error);
    EXPECT_THROW(quillmax::office::step([] { throw quillmax::office::ProgramEnd(2); }), quillmax::office::ProgramEnd);
}
