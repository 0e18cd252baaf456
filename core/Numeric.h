#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The program's numeric conversions. Rounding to an integer is half to even;
// a value that does not fit raises OverflowError; text that is not a number
// raises TypeMismatchError (core/RuntimeError.h).
namespace Numeric {

int16_t CInt(double value);                 // round half to even to 16 bits
int32_t CLng(double value);                 // round half to even to 32 bits
float CSng(double value);                   // to single precision (overflow raises)
double Int(double value);                   // floor

// Reads a number from the start of text, stopping at the first character that
// cannot continue it ("12abc" gives 12, "abc" gives 0); "&H" starts hexadecimal.
double Val(std::string_view text);

// Strict readings of a whole text (blanks around it allowed), as the settings
// store's values are read: malformed text raises TypeMismatchError.
int16_t CInt(std::string_view text);
int32_t CLng(std::string_view text);
float CSng(std::string_view text);
double CDbl(std::string_view text);
bool CBool(std::string_view text);          // "True"/"False" in any case, or a number (0 is False)

// Texts as the settings store keeps them: "True"/"False", decimal numbers with "." .
std::string BoolText(bool value);
std::string Str(int32_t value);
std::string Str(int64_t value);
std::string Str(float value);               // shortest text that reads back as the same single
std::string Str(double value);              // shortest text that reads back as the same double

} // namespace Numeric
