#include "core/Numeric.h"
#include "core/RuntimeError.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace Numeric;

TEST(NumericTest, RoundsHalfwayValuesToTheEvenNeighbourAndOverflowsOutsideTheType)
{
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(2.5000001), 3);
    EXPECT_EQ(CLng(0.5), 0);
    EXPECT_EQ(CLng(-1.5), -2);
    EXPECT_EQ(Int(-1.5), -2);
    EXPECT_EQ(Int(1.9), 1);

    EXPECT_EQ(CInt(-32768.5), -32768);  // rounds to -32768, which fits
    EXPECT_THROW(CInt(32767.5), OverflowError);
    EXPECT_THROW(CInt(-32768.6), OverflowError);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_THROW(CLng(2147483647.5), OverflowError);
    EXPECT_THROW(CLng(std::nan("")), OverflowError);
    EXPECT_THROW(CSng(1e39), OverflowError);
}

TEST(NumericTest, ValReadsUpToTheFirstCharacterThatCannotContinueANumber)
{
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(" 1 2\t3"), 123);  // blanks are ignored anywhere
    EXPECT_EQ(Val("-1.5e3x"), -1500);
    EXPECT_EQ(Val("1e"), 1);          // an exponent without digits is not part of the number
    EXPECT_EQ(Val("1D2"), 100);
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val("+.5"), 0.5);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("7 050 000.4 Hz"), 7050000.4);
}

TEST(NumericTest, ValReadsHexadecimalAsA16Or32BitPattern)
{
    EXPECT_EQ(Val("&HFF"), 255);
    EXPECT_EQ(Val("&HFFFF"), -1);
    EXPECT_EQ(Val("&H0000FFFF"), -1);  // leading zeros do not widen it
    EXPECT_EQ(Val("&H10000"), 65536);
    EXPECT_EQ(Val("&HFFFFFFFF"), -1);
    EXPECT_EQ(Val("&H8000000F"), -2147483633.0);
    EXPECT_EQ(Val("&h1Fz"), 31);
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_THROW(Val("&H123456789"), OverflowError);
}

TEST(NumericTest, StrictReadingsAcceptWhatTheStoreHolds)
{
    EXPECT_EQ(CLng(" 42 "), 42);
    EXPECT_EQ(CLng("-7.5"), -8);
    EXPECT_EQ(CLng("+1e3"), 1000);
    EXPECT_EQ(CLng("&H10"), 16);
    EXPECT_EQ(CLng("True"), -1);
    EXPECT_EQ(CInt("fALSE"), 0);
    EXPECT_DOUBLE_EQ(CDbl("1.5E-3"), 0.0015);
    EXPECT_EQ(CDbl("1e-400"), 0.0);
    EXPECT_EQ(CDbl("1E-400"), 0.0);   // as the store writes small numbers: upper-case exponent
    EXPECT_EQ(Val("2E-400"), 0.0);
    EXPECT_EQ(CDbl("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(CSng("-1e-50"), 0.0f);
    EXPECT_EQ(CInt("-32768"), -32768);
}

TEST(NumericTest, StrictReadingsRejectMalformedText)
{
    for (const char* text : {"", "   ", "abc", "12abc", "1,000", "&H", "&HG1", "1e", "- 5", "1 2", "Truex", "."})
        EXPECT_THROW(CLng(text), TypeMismatchError) << '"' << text << '"';
    EXPECT_THROW(CInt("40000"), OverflowError);
    EXPECT_THROW(CSng("1e39"), OverflowError);
    EXPECT_THROW(CDbl("1e400"), OverflowError);
    EXPECT_THROW(CDbl("-1" + std::string(400, '0')), OverflowError);
}

TEST(NumericTest, BooleansReadAnyCaseOrANumber)
{
    EXPECT_TRUE(CBool(" TRUE "));
    EXPECT_FALSE(CBool("false"));
    EXPECT_FALSE(CBool("0"));
    EXPECT_TRUE(CBool("0.5"));
    EXPECT_THROW(CBool("yes"), TypeMismatchError);
    EXPECT_EQ(BoolText(true), "True");
}

TEST(NumericTest, NumberTextsReadBackToTheSameValue)
{
    EXPECT_EQ(Str(0.1f), "0.1");
    EXPECT_EQ(Str(int64_t(5000000000)), "5000000000");
    EXPECT_EQ(Str(1e-7), "1e-07");

    const float singles[] = {0.1f, 1.0f / 3, 7050000.5f, -1e-30f, std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::denorm_min(), std::nextafter(1.0f, 2.0f)};
    for (float value : singles) EXPECT_EQ(CSng(Str(value)), value) << Str(value);
    const double doubles[] = {0.1, 1.0 / 3, 2e-308, -123456789.123456789, std::numeric_limits<double>::max()};
    for (double value : doubles) EXPECT_EQ(CDbl(Str(value)), value) << Str(value);
}
