#include "core/NumberFormat.h"

#include "core/Numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

namespace {

enum class TokenKind { IntegerDigit, FractionDigit, Point, Literal };

struct Token
{
    TokenKind kind;
    char symbol;  // '0' or '#' for digits, the character itself for literals
};

struct Picture
{
    std::vector<Token> tokens;
    bool grouping = false;
    bool percent = false;
    int integerDigits = 0;
    int fractionDigits = 0;
};

bool isPlaceholder(char c) { return c == '0' || c == '#'; }

Picture parsePicture(std::string_view text)
{
    Picture picture;
    bool afterPoint = false;
    for (char c : text) {
        if (isPlaceholder(c)) {
            picture.tokens.push_back({afterPoint ? TokenKind::FractionDigit : TokenKind::IntegerDigit, c});
            (afterPoint ? picture.fractionDigits : picture.integerDigits)++;
        } else if (c == '.' && !afterPoint) {
            if (picture.integerDigits == 0) {
                // ".00" still shows the whole part in front of the point
                picture.tokens.push_back({TokenKind::IntegerDigit, '#'});
                picture.integerDigits = 1;
            }
            picture.tokens.push_back({TokenKind::Point, '.'});
            afterPoint = true;
        } else if (c == ',' && !afterPoint && picture.integerDigits > 0) {
            picture.grouping = true;
        } else {
            picture.percent = picture.percent || c == '%';
            picture.tokens.push_back({TokenKind::Literal, c});
        }
    }
    return picture;
}

struct Digits
{
    std::string whole;     // without leading zeros; empty for a whole part of 0
    std::string fraction;  // exactly as many digits as asked for
};

// Adds one unit in the last place of a digit string; returns true on a carry out.
bool incrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') { ++*it; return false; }
        *it = '0';
    }
    return true;
}

// The magnitude rounded half away from zero to the given number of decimals. The
// rounding works on the value's 15-significant-digit decimal form, so 1.005 shown
// with two decimals gives 1.01, as the number reads, not 1.00 as its binary does.
Digits roundedDigits(double magnitude, int decimals)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                   std::chars_format::scientific, 14).ptr;
    const std::string_view text(buffer, size_t(end - buffer));
    const size_t exponentAt = text.find('e');
    std::string significant(text.substr(0, 1));
    significant.append(text.substr(2, exponentAt - 2));
    int exponent = 0;
    std::from_chars(text.data() + exponentAt + 1 + (text[exponentAt + 1] == '+'), text.data() + text.size(), exponent);

    int wholeCount = exponent + 1;
    if (wholeCount <= 0) {
        significant.insert(0, size_t(-wholeCount), '0');
        wholeCount = 0;
    }
    if (size_t(wholeCount) > significant.size()) significant.append(size_t(wholeCount) - significant.size(), '0');

    Digits digits{significant.substr(0, size_t(wholeCount)), significant.substr(size_t(wholeCount))};
    const bool roundUp = digits.fraction.size() > size_t(decimals) && digits.fraction[size_t(decimals)] >= '5';
    digits.fraction.resize(size_t(decimals), '0');
    if (roundUp && incrementDigits(digits.fraction) && incrementDigits(digits.whole))
        digits.whole.insert(0, 1, '1');
    digits.whole.erase(0, digits.whole.find_first_not_of('0'));
    return digits;
}

// The whole part's digits as the placeholders show them: every digit of the value,
// and a zero for each empty placeholder that is a "0" or stands right of one.
std::string shownWholeDigits(const Picture& picture, const std::string& whole)
{
    const int empty = picture.integerDigits - int(whole.size());
    int forced = 0;
    bool zeroSeen = false;
    int position = 0;
    for (const Token& token : picture.tokens) {
        if (token.kind != TokenKind::IntegerDigit) continue;
        zeroSeen = zeroSeen || token.symbol == '0';
        if (position++ < empty && zeroSeen) ++forced;
    }
    return std::string(size_t(forced), '0') + whole;
}

// The number of fraction placeholders shown: trailing "#" places holding 0 are dropped.
int shownFractionCount(const Picture& picture, const std::string& fraction)
{
    std::vector<char> symbols;
    for (const Token& token : picture.tokens)
        if (token.kind == TokenKind::FractionDigit) symbols.push_back(token.symbol);
    int count = int(symbols.size());
    while (count > 0 && symbols[size_t(count - 1)] == '#' && fraction[size_t(count - 1)] == '0') --count;
    return count;
}

// Index of the first and one past the last token of a kind (both 0 when none).
std::pair<size_t, size_t> tokenSpan(const Picture& picture, TokenKind kind)
{
    size_t first = picture.tokens.size(), last = 0;
    for (size_t i = 0; i < picture.tokens.size(); ++i) {
        if (picture.tokens[i].kind != kind) continue;
        first = std::min(first, i);
        last = i + 1;
    }
    return last == 0 ? std::pair<size_t, size_t>{0, 0} : std::pair<size_t, size_t>{first, last};
}

std::string render(const Picture& picture, double magnitude)
{
    const Digits digits = roundedDigits(magnitude, picture.fractionDigits);
    const std::string whole = shownWholeDigits(picture, digits.whole);
    const int fractionShown = shownFractionCount(picture, digits.fraction);
    const auto [firstInteger, endInteger] = tokenSpan(picture, TokenKind::IntegerDigit);
    const auto [firstFraction, endFraction] = tokenSpan(picture, TokenKind::FractionDigit);

    const size_t wholeCount = whole.size(), placeCount = size_t(picture.integerDigits);
    size_t nextWhole = 0;  // index in `whole` of the next digit to show
    int placeIndex = 0, fractionIndex = 0;
    std::string out, pendingFractionLiterals;
    auto emitWholeDigitsUpTo = [&](size_t end) {
        for (; nextWhole < end; ++nextWhole) {
            if (picture.grouping && nextWhole > 0 && (wholeCount - nextWhole) % 3 == 0) out += ',';
            out += whole[nextWhole];
        }
    };
    for (size_t i = 0; i < picture.tokens.size(); ++i) {
        const Token& token = picture.tokens[i];
        switch (token.kind) {
        case TokenKind::IntegerDigit: {
            // Digits are right-aligned on the places; the first place also takes every
            // digit beyond the number of places.
            const size_t fromRight = placeCount - 1 - size_t(placeIndex++);
            if (fromRight < wholeCount) emitWholeDigitsUpTo(wholeCount - fromRight);
            break;
        }
        case TokenKind::FractionDigit:
            if (fractionIndex < fractionShown) out += pendingFractionLiterals + digits.fraction[size_t(fractionIndex)];
            pendingFractionLiterals.clear();
            ++fractionIndex;
            break;
        case TokenKind::Point:
            out += '.';
            break;
        case TokenKind::Literal:
            if (i > firstInteger && i < endInteger) {
                if (nextWhole > 0) out += token.symbol;  // "# ###" shows 5 as "5", 1234 as "1 234"
            } else if (i > firstFraction && i < endFraction) {
                pendingFractionLiterals += token.symbol;  // shown only before a shown decimal
            } else {
                out += token.symbol;
            }
            break;
        }
    }
    return out;
}

bool roundsToZero(const Picture& picture, double magnitude)
{
    const Digits digits = roundedDigits(magnitude, picture.fractionDigits);
    return digits.whole.empty() && digits.fraction.find_first_not_of('0') == std::string::npos;
}

double scaled(const Picture& picture, double magnitude) { return picture.percent ? magnitude * 100 : magnitude; }

// The picture's text of a magnitude; one too large to be shown in digits (a percentage
// of the largest double) is given as plain text.
std::string shown(const Picture& picture, double magnitude)
{
    return std::isfinite(magnitude) ? render(picture, magnitude) : Numeric::Str(magnitude);
}

} // namespace

std::string Format(double value, std::string_view picture)
{
    if (picture.empty() || !std::isfinite(value)) return Numeric::Str(value);

    const size_t separator = picture.find(';');
    const Picture positive = parsePicture(picture.substr(0, separator));
    if (value < 0 && separator != std::string_view::npos) {
        const std::string_view negativeText = picture.substr(separator + 1, picture.find(';', separator + 1) - separator - 1);
        if (!negativeText.empty()) {
            // The negative picture shows the magnitude; it carries its own signs, if any.
            const Picture negative = parsePicture(negativeText);
            return shown(negative, scaled(negative, -value));
        }
    }
    const double magnitude = scaled(positive, std::fabs(value));
    const std::string text = shown(positive, magnitude);
    // A negative value that rounds to zero shows no minus sign.
    return (value < 0 && (!std::isfinite(magnitude) || !roundsToZero(positive, magnitude))) ? "-" + text : text;
}
