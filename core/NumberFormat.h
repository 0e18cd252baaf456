#pragma once

#include <string>
#include <string_view>

// Formats a number by a picture such as "#,##0 Hz", "#0 000 000", "00.00 mS/div" or "#0%":
// "0" a digit always shown, "#" a digit shown only when significant, "," groups thousands,
// "." the decimal point, "%" multiplies by 100 and is shown, ";" separates the picture for
// positive values from the one for negative values, every other character is copied.
// The value is rounded to the last digit shown.
std::string Format(double value, std::string_view picture);
