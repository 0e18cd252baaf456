#include "core/Numeric.h"

#include "core/RuntimeError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace Numeric {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which the program never changes
    // from its default of round-to-nearest-even.
    return std::nearbyint(value);
}

template <typename Integer>
Integer roundToInteger(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= double(std::numeric_limits<Integer>::min()) &&
          rounded <= double(std::numeric_limits<Integer>::max())))
        throw OverflowError();  // out of range or NaN
    return Integer(rounded);
}

// A hexadecimal literal after "&H": up to four digits is a 16-bit pattern, up to
// eight a 32-bit pattern ("&HFFFF" is -1, "&HFFFFFF" is 16777215), as the
// program's stored texts were always read. Leading zeros do not count.
double hexPatternValue(std::string_view digits)
{
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (digits.size() > 8) throw OverflowError();
    uint32_t pattern = 0;
    for (char c : digits) pattern = pattern * 16 + uint32_t(hexDigitValue(c));
    if (digits.size() <= 4) return double(int16_t(uint16_t(pattern)));
    return double(int32_t(pattern));
}

bool startsWithHexPrefix(std::string_view text)
{
    return text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h');
}

// The longest prefix of text that forms a decimal number: sign, digits, one point,
// digits, and an exponent (E or D) only when digits follow it. Empty when no digit.
std::string_view decimalPrefix(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return {};
    if (i < text.size() && (lower(text[i]) == 'e' || lower(text[i]) == 'd')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    return text.substr(0, i);
}

// Whether a decimal number text outside a type's range lies below it (and so reads
// as 0) rather than above it: the sign of its order of magnitude decides.
bool isTiny(std::string_view number)
{
    const size_t exponentAt = number.find('e');
    const std::string_view mantissa = number.substr(0, exponentAt);
    const size_t point = std::min(mantissa.find('.'), mantissa.size());
    const size_t significant = mantissa.find_first_of("123456789");
    if (significant == std::string_view::npos) return true;
    long order = significant < point ? long(point - significant) : -long(significant - point);
    if (exponentAt != std::string_view::npos) {
        long exponent = 0;  // saturated: only its sign and size matter
        for (char c : number.substr(exponentAt + 1))
            if (isDigit(c)) exponent = std::min(exponent * 10 + (c - '0'), 100000L);
        order += number[exponentAt + 1] == '-' ? -exponent : exponent;
    }
    return order < 0;
}

// Reads a decimal number text as decimalPrefix() delimits it. from_chars knows
// neither a leading "+" nor the "D" exponent, so both are normalised first; the
// exponent letter becomes a lower-case "e", the one isTiny() looks for.
template <typename Floating>
Floating readDecimal(std::string_view number)
{
    std::string normal(number.substr(!number.empty() && number.front() == '+' ? 1 : 0));
    for (char& c : normal)
        if (c == 'd' || c == 'D' || c == 'E') c = 'e';
    Floating value = 0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (isTiny(normal)) return 0;
        throw OverflowError();
    }
    return value;
}

// A whole text as a number, the way stored settings are read: blanks around it,
// "True"/"False" (-1/0), "&H" hexadecimal or a decimal number; nothing else.
template <typename Floating>
Floating strictNumber(std::string_view text)
{
    text = trimBlanks(text);
    if (equalsNoCase(text, "True")) return -1;
    if (equalsNoCase(text, "False")) return 0;
    if (startsWithHexPrefix(text)) {
        const std::string_view digits = text.substr(2);
        if (digits.empty()) throw TypeMismatchError();
        for (char c : digits)
            if (hexDigitValue(c) < 0) throw TypeMismatchError();
        return Floating(hexPatternValue(digits));
    }
    const std::string_view number = decimalPrefix(text);
    if (number.empty() || number.size() != text.size()) throw TypeMismatchError();
    return readDecimal<Floating>(number);
}

template <typename Floating>
std::string shortestText(Floating value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

int16_t CInt(double value) { return roundToInteger<int16_t>(value); }

int32_t CLng(double value) { return roundToInteger<int32_t>(value); }

float CSng(double value)
{
    const float single = float(value);
    if (std::isinf(single) && std::isfinite(value)) throw OverflowError();
    return single;
}

double Int(double value) { return std::floor(value); }

double Val(std::string_view text)
{
    // Blanks, tabs and line feeds are ignored wherever they stand ("1 2" reads 12).
    std::string packed;
    packed.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') packed += c;

    if (startsWithHexPrefix(packed)) {
        size_t end = 2;
        while (end < packed.size() && hexDigitValue(packed[end]) >= 0) ++end;
        return end == 2 ? 0.0 : hexPatternValue(std::string_view(packed).substr(2, end - 2));
    }
    const std::string_view number = decimalPrefix(packed);
    return number.empty() ? 0.0 : readDecimal<double>(number);
}

int16_t CInt(std::string_view text) { return CInt(strictNumber<double>(text)); }

int32_t CLng(std::string_view text) { return CLng(strictNumber<double>(text)); }

float CSng(std::string_view text) { return strictNumber<float>(text); }

double CDbl(std::string_view text) { return strictNumber<double>(text); }

bool CBool(std::string_view text) { return strictNumber<double>(text) != 0; }

std::string BoolText(bool value) { return value ? "True" : "False"; }

std::string Str(int32_t value) { return std::to_string(value); }

std::string Str(int64_t value) { return std::to_string(value); }

std::string Str(float value) { return shortestText(value); }

std::string Str(double value) { return shortestText(value); }

} // namespace Numeric
