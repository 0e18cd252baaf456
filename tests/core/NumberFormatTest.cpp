#include "core/NumberFormat.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

struct Case
{
    const char* picture;
    double value;
    const char* expected;
};

// The pictures the program uses, each with the values that exercise its parts.
const Case Cases[] = {
    {"#0 000 000", 7083000, "7 083 000"},     {"#0 000 000", 455000, "0 455 000"},
    {"#0 000 000", -7083000, "-7 083 000"},   {"#0 000 000", 7100123.5, "7 100 124"},
    {"#0 000 000 Hz", 7050000, "7 050 000 Hz"},
    {"#0 000 000;(#0.000 000)", 455000, "0 455 000"}, {"#0 000 000;(#0.000 000)", -12.5, "(12.500 000)"},
    {"000000000", 70240000, "070240000"},      {"00", 123, "123"},
    {"0#", 7, "07"},                           {"0.000000000", 5e-6, "0.000005000"},
    {"#", 0, ""},                              {"#", 5.5, "6"},
    {"+#", 6, "+6"},                           {"#0", -0.4, "0"},
    {"###0", 0, "0"},                          {"#,###", 0, ""},
    {"#,##0", 123456789, "123,456,789"},       {"#,##0 Hz", -999, "-999 Hz"},
    {"#,###0 Hz", 1234567, "1,234,567 Hz"},    {"#,##0 uS", 1234.4, "1,234 uS"},
    {"#,0 Hz", 7100123.5, "7,100,124 Hz"},     {"##,##0  ", 12345, "12,345  "},
    {"###,##0 dB", -90.3, "-90 dB"},           {"# ###", 5, "5"},
    {"# ###", 123456, "123 456"},              {"# ###.0", 7100.123, "7 100.1"},
    {"### ### 000", 5, "005"},                 {"#0.0", -2.25, "-2.3"},
    {"#0.00", 1.005, "1.01"},  // rounded as the decimal number reads, not as its binary form
    {"#0.0000", 0.012345, "0.0123"},           {"#0.00  ", 1.5, "1.50  "},
    {"0.0 kHz", 3, "3.0 kHz"},                 {"#0%", 0.256, "26%"},
    {"00.00 mS/div", 1000.0 / 12 / 48000 * 1013, "01.76 mS/div"},
    {"#.##", 1.5, "1.5"},                      {"0.0#", 1, "1.0"},
    {"0.0#", 1.25, "1.25"},                    {"#0", 1e20, "100000000000000000000"},
};

} // namespace

TEST(NumberFormatTest, EveryPictureShowsItsValuesAsExpected)
{
    for (const Case& c : Cases)
        EXPECT_EQ(Format(c.value, c.picture), c.expected) << "picture \"" << c.picture << "\" value " << c.value;
}

TEST(NumberFormatTest, UnusualInputsGiveTextNotACrash)
{
    EXPECT_EQ(Format(12.5, ""), "12.5");
    EXPECT_EQ(Format(5, "Hz"), "Hz");
    EXPECT_EQ(Format(-5, "#;"), "-5");  // an empty negative picture falls back to the first
    EXPECT_FALSE(Format(std::numeric_limits<double>::infinity(), "#0").empty());
    EXPECT_EQ(Format(1e300, "#").size(), 301u);
    EXPECT_EQ(Format(-1e308, "#0%"), "-inf");
}
