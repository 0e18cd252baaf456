#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Colour and string helpers shared by the windows. Positions are 1-based, 0 is "not
// found". A compare mode is vbBinaryCompare (exact) or vbTextCompare (letter case ignored).
namespace PublicFuncs {

enum CompareMode : int { vbBinaryCompare = 0, vbTextCompare = 1 };

// Each of red, green and blue of a 0x00BBGGRR colour scaled by percent / 100, rounded
// half to even and kept to its low 8 bits: ScaleColour(0xFFFF00, 75) == 0xBFBF00.
int32_t ScaleColour(int32_t colour, int16_t percent);

// text less blanks at both ends, padded on the left to width with the first character
// of pad. Text already as long as width or longer is returned trimmed, unpadded.
std::string PadString(std::string_view text, int32_t width, std::string_view pad);
// The decimal digits of the absolute value of number, padded as PadString does.
std::string PadNumber(int64_t number, int32_t width, std::string_view pad);

// Cuts work at the first delimiter: returns the text before it and leaves the text after
// it in work. Without a delimiter in work, returns empty text and leaves work unchanged.
std::string NextToken(std::string& work, std::string_view delimiter, int compare);

// Cuts expression into fields. Only the first cut uses compare, later ones are exact; the
// cutting also stops at the first empty field or after limit fields (-1: no limit), and
// the rest of the text is the last element, so there are always two elements at least:
// "a|b|c" gives a, b, c; "abc" gives "" and "abc"; "a||b" gives a and b.
std::vector<std::string> Split(std::string_view expression, std::string_view delimiter, int32_t limit = -1,
                               int compare = vbBinaryCompare);

std::string StrReverse(std::string_view text);

// Where the last match in text begins; start counts from the end of text (1: all of it).
int32_t InStrRev(std::string_view text, std::string_view match, int32_t start = 1, int compare = vbBinaryCompare);

// Replaces find by replacement, at most count times (-1: all), searching from position
// start; each further search continues after the inserted replacement, so a replacement
// that contains find is not replaced again. An empty find changes nothing.
std::string Replace(std::string_view expression, std::string_view find, std::string_view replacement,
                    int32_t start = 1, int32_t count = -1, int compare = vbBinaryCompare);

} // namespace PublicFuncs
