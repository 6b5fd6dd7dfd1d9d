// SPDX-License-Identifier: MIT
#include "forms/NumericText.h"

#include "forms/Error.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace forms;

namespace {

struct LeadingCase {
    const char* text;
    double value;
};

class LeadingNumber : public ::testing::TestWithParam<LeadingCase> { };

TEST_P(LeadingNumber, ReadsTheNumberTheTextStartsWith)
{
    EXPECT_DOUBLE_EQ(leadingNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, LeadingNumber,
                         ::testing::Values(LeadingCase { "", 0 }, LeadingCase { "abc", 0 }, LeadingCase { "12abc", 12 },
                                           LeadingCase { "1 2", 12 }, LeadingCase { " \t\n7", 7 },
                                           LeadingCase { "- 3", -3 }, LeadingCase { "+5", 5 }, LeadingCase { "-", 0 },
                                           LeadingCase { "2.5", 2.5 }, LeadingCase { ".5", 0.5 }, LeadingCase { "5.", 5 },
                                           LeadingCase { "1.2.3", 1.2 }, LeadingCase { "1D2", 100 },
                                           LeadingCase { "1e-2x", 0.01 }, LeadingCase { "1E", 1 },
                                           LeadingCase { "1E+", 1 }, LeadingCase { "&H1F", 31 },
                                           LeadingCase { "&h1fz", 31 }, LeadingCase { "&O17", 15 },
                                           LeadingCase { "&O9", 0 }, LeadingCase { "&H", 0 },
                                           LeadingCase { "--5", 0 }, LeadingCase { "05", 5 },
                                           LeadingCase { "3.5", 3.5 }));

TEST(StrictNumber, AcceptsOnlyAWholeNumberLessSurroundingBlanks)
{
    EXPECT_DOUBLE_EQ(strictNumber(" 0100 "), 100);
    EXPECT_DOUBLE_EQ(strictNumber("2.50"), 2.5);
    EXPECT_DOUBLE_EQ(strictNumber("&H1F"), 31);
    EXPECT_DOUBLE_EQ(strictNumber("1D2"), 100);
    EXPECT_DOUBLE_EQ(strictNumber("-4"), -4);
    for (const char* bad : { "", "  ", "12abc", "1 2", "-", "abc", "1E", "&H" }) {
        try {
            strictNumber(bad);
            ADD_FAILURE() << '"' << bad << "\" was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::TypeMismatch);
        }
    }
}

TEST(NumberText, WholeNumbersPlainFractionsWithoutTrailingZeros)
{
    EXPECT_EQ(numberText(3.0), "3");
    EXPECT_EQ(numberText(0.0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(-12.0), "-12");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(2.5), "2.5");
    EXPECT_EQ(numberText(32767.0), "32767");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(numberText(1e16), "1E+16");
    EXPECT_EQ(numberText(1.5e-5), "1.5E-05");
    // Single precision keeps seven significant digits.
    EXPECT_EQ(numberText(1687.5f), "1687.5");
    EXPECT_EQ(numberText(1.0f / 3.0f), "0.3333333");
}

TEST(Rounding, HalvesGoToTheEvenNeighbourAndRangesAreChecked)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(100.5), 100);
    EXPECT_EQ(roundHalfEven(101.5), 102);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundToIndex(32767.4), 32767);
    EXPECT_EQ(roundToIndex(-32768), -32768);
    EXPECT_THROW(roundToIndex(32768), Error);
    EXPECT_THROW(roundToIndex(1e300), Error);
    EXPECT_EQ(roundToInterval(70000), 70000);
    EXPECT_EQ(roundToInterval(2147483647.0), 2147483647);
    EXPECT_THROW(roundToInterval(2147483648.0), Error);
    EXPECT_THROW(roundToInterval(-1e12), Error);
}

}
