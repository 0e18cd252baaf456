#include "core/PublicFuncs.h"

#include <gtest/gtest.h>
#include <limits>

using namespace PublicFuncs;
using Texts = std::vector<std::string>;

TEST(PublicFuncsTest, ScaleColourRoundsEachComponentHalfToEven)
{
    EXPECT_EQ(ScaleColour(0xFFFF00, 75), 0xBFBF00);
    EXPECT_EQ(ScaleColour(0x030303, 50), 0x020202);  // 1.5 rounds to 2
    EXPECT_EQ(ScaleColour(0xFF8040, 85), 0xD96D36);
    EXPECT_EQ(ScaleColour(0x808080, 200), 0x000000);  // each component keeps its low 8 bits
}

TEST(PublicFuncsTest, PaddingTrimsAndFillsOnTheLeft)
{
    EXPECT_EQ(PadNumber(-7, 3, "0"), "007");
    EXPECT_EQ(PadNumber(7050, 6, " "), "  7050");
    EXPECT_EQ(PadNumber(std::numeric_limits<int64_t>::min(), 1, "0"), "9223372036854775808");
    EXPECT_EQ(PadString("  ab ", 4, "*x"), "**ab");
    EXPECT_EQ(PadString(" abcd ", 4, "*"), "abcd");
    EXPECT_EQ(PadString("abcdef", 4, "*"), "abcdef");
    EXPECT_EQ(PadString("ab", 4, ""), "ab");  // no fill character
}

TEST(PublicFuncsTest, SplitStopsAtTheFirstEmptyField)
{
    EXPECT_EQ(Split("a|b|c", "|"), (Texts{"a", "b", "c"}));
    EXPECT_EQ(Split("abc", "|"), (Texts{"", "abc"}));
    EXPECT_EQ(Split("a||b", "|"), (Texts{"a", "b"}));
    EXPECT_EQ(Split("a|b|", "|"), (Texts{"a", "b", ""}));
    EXPECT_EQ(Split("a|b|c|d", "|", 2), (Texts{"a", "b", "c|d"}));
    EXPECT_EQ(Split("a|b", ""), (Texts{"", "a|b"}));
    // Only the first cut ignores case.
    EXPECT_EQ(Split("aXbXc", "x", -1, vbTextCompare), (Texts{"a", "bXc"}));

    std::string work = "Text Files|*.txt";
    EXPECT_EQ(NextToken(work, "|", vbBinaryCompare), "Text Files");
    EXPECT_EQ(work, "*.txt");
    EXPECT_EQ(NextToken(work, "|", vbBinaryCompare), "");
    EXPECT_EQ(work, "*.txt");
}

TEST(PublicFuncsTest, InStrRevFindsTheLastOccurrence)
{
    EXPECT_EQ(InStrRev("a\\b\\", "\\", 1), 4);
    EXPECT_EQ(InStrRev("a\\b\\", "\\", 2), 2);  // start counts from the end
    EXPECT_EQ(InStrRev("abcABC", "abc", 1, vbTextCompare), 4);
    EXPECT_EQ(InStrRev("abcABC", "abc", 1, vbBinaryCompare), 1);
    EXPECT_EQ(InStrRev("y.wav", "\\"), 0);
    EXPECT_EQ(InStrRev("abc", "c", 0), 0);
    EXPECT_EQ(InStrRev("abc", "c", 9), 0);
    EXPECT_EQ(StrReverse("abc"), "cba");
}

TEST(PublicFuncsTest, ReplaceEndsEvenWhenTheReplacementContainsTheSearchedText)
{
    const std::string command = "-M 0 -I 1 --freq %CurFreq% -p %CurFreq%";
    EXPECT_EQ(Replace(command, "%CurFreq%", "7050", 1, 1), "-M 0 -I 1 --freq 7050 -p %CurFreq%");
    EXPECT_EQ(Replace(command, "%curfreq%", "7050", 1, -1, vbTextCompare), "-M 0 -I 1 --freq 7050 -p 7050");
    EXPECT_EQ(Replace(command, "%curfreq%", "7050"), command);  // case matters by default
    EXPECT_EQ(Replace("Wave|*.wav|", "|", std::string(1, '\0')), std::string("Wave\0*.wav\0", 11));
    EXPECT_EQ(Replace("aXa", "a", "aa"), "aaXaa");
    EXPECT_EQ(Replace("abab", "ab", "b", 2), "abb");  // the search starts at position 2
    EXPECT_EQ(Replace("abc", "", "x"), "abc");
    EXPECT_EQ(Replace("abc", "b", "x", 9), "abc");
}
